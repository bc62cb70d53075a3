// The skin and the configuration file a run takes from outside the phone: installed into it when
// the run starts, and taken in again when they change (the window's live reload, a script's
// `reload`).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/skin_findings.h"
#include "skin/skin.h"

namespace host {
class Phone;
}

namespace sim {

class PhoneConfig;

class InstalledSkin {
 public:
  // Chooses the configuration the run starts from: --config, else the skin's own, else the
  // built-in block.
  InstalledSkin(const SimOptions& options, host::Phone& phone, PhoneConfig& config,
                std::ostream& log);
  InstalledSkin(const InstalledSkin&) = delete;
  InstalledSkin& operator=(const InstalledSkin&) = delete;

  // Copies the skin's images into the phone; throws InputError (--skin) for one that cannot be
  // read, and naming the phone's folder for one that cannot be written there.
  void install_images();
  // Puts the chosen configuration file into the phone (the built-in block: none), says which it
  // is (unless --quiet) and runs the skin checker. Throws InputError naming --config or --skin
  // when the file cannot be read or is not a whole block, and the phone's folder when it cannot
  // be written there.
  void install_config();

  // The configuration in use: the one the run started from, or the skin's own once it has one.
  const skin::ConfigChoice& config_choice() const { return choice_; }

  // Takes in what changed outside the phone since the last load: a changed configuration file
  // is copied into the phone and the add-on gets the reconfigure notice (the panel changes in
  // place); changed skin images are copied in and the add-on is restarted, with its panel shown
  // again when it was shown. A configuration file that cannot be read or is not a whole block
  // leaves the last good one in use, as does an image that cannot be read. Answers one line
  // saying what happened, for the log and the window's status line.
  // With ImagesOnly the configuration file is left alone (the window's editor takes in changes
  // to it itself, so that they never replace its unsaved edits).
  enum class Reload { All, ImagesOnly };
  std::string reload(Reload what = Reload::All);

  // The configuration the run started from was saved by the editor: a run on the built-in block
  // uses the skin's new TuneStrip.bcfg from now on.
  void config_saved();

  // The skin checker's findings for the skin and configuration in use.
  const SkinFindings& findings() const { return findings_; }

 private:
  // Mirrors the skin's images into the phone (sim/skin_images.h): the names changed; those that
  // cannot be read go into `unreadable`. Throws phone_folder_error() for a copy not written.
  std::vector<std::string> copy_images(std::vector<std::string>& unreadable);
  // Reads the chosen configuration file; throws std::runtime_error when it cannot be read or is
  // not a whole block.
  std::vector<uint8_t> read_config() const;
  // Runs the skin checker again; true when its findings changed.
  bool check();
  // Ends the add-on and starts it again (when it runs), with its panel shown again when it was.
  void restart_addon();

  SimOptions options_;
  host::Phone& phone_;
  PhoneConfig& config_;
  std::ostream& log_;
  skin::ConfigChoice choice_;
  SkinFindings findings_;
};

}  // namespace sim
