// One run of the simulator: the phone made from the command line's options (skin and
// configuration installed, the call trace and the GIF recording opened), the script commands run
// on it, the pictures written and the summary made.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "phone/phone.h"
#include "sim/options.h"
#include "sim/script.h"
#include "skin/check.h"
#include "skin/skin.h"

namespace host {
class GifRecorder;
}

namespace sim {

// A command that failed while the script ran (a picture that cannot be written, an add-on that
// cannot be loaded): its line and what went wrong.
class RunError : public std::runtime_error {
 public:
  RunError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

struct Summary {
  int64_t virtual_ms = 0;
  double wall_s = 0;
  uint64_t redraws = 0;  // redraw methods of the add-on's GUI objects run
  uint64_t frames = 0;   // frames the phone composed
  std::vector<std::string> messages;
  std::vector<std::string> launches;  // programs the add-on started: path and arguments
  host::ResourceCounts counts;
  size_t peak_heap = 0;  // the most bytes the add-on held at once
  bool addon_running = false;
  std::vector<std::filesystem::path> pictures;
};

// The summary as the simulator prints it.
std::string format_summary(const Summary& s);

// Where the run's GIF goes: --gif, in the --out folder when it is relative; empty for none.
std::filesystem::path gif_path(const SimOptions& o);

class Session {
 public:
  // Checks the options' paths and makes the phone; throws InputError for a path that cannot be
  // used, naming its option.
  // `needs_music`: the run plays music, so --music must name a playable list.
  Session(const SimOptions& options, bool needs_music, std::ostream& log);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  host::Phone& phone() { return *phone_; }
  const SimOptions& options() const { return options_; }

  // How the virtual clock moves on to a time: by default at once; the interactive window paces
  // it to real time. Answers false when the user ended the run.
  using Pacer = std::function<bool(int64_t until)>;
  void set_pacer(Pacer pacer) { pacer_ = std::move(pacer); }
  bool advance(int64_t ms);

  // Called before each command of run() and after each second of virtual time a wait runs,
  // with the command and the virtual time: for a progress line.
  using Progress = std::function<void(const Command& c, int64_t now)>;
  void set_progress(Progress progress) { progress_ = std::move(progress); }

  // Runs the commands in order; false when the run was ended early (quit, the window closed).
  // Throws RunError for a command that failed or an expect that did not hold (naming the last
  // echo's text, the step it belongs to).
  bool run(const std::vector<Command>& commands);
  // Runs one command; false when it ends the run.
  bool execute(const Command& c);

  // Saves the screen as a PNG in the picture folder (or at an absolute path); throws
  // std::runtime_error when it cannot be written.
  std::filesystem::path shot(const std::string& name);
  // Finishes the GIF (if one is recorded) at the current virtual time; idempotent.
  void finish();

  Summary summary() const;
  const std::vector<std::filesystem::path>& pictures() const { return pictures_; }

  // The configuration file the add-on reads: the first configuration folder's, else the
  // second's, else (none yet) a new one in the first folder.
  std::filesystem::path config_file(std::u16string* phone_folder = nullptr) const;

  // The configuration the run started from: --config, else the skin's own, else the built-in
  // block.
  const skin::ConfigChoice& config_choice() const { return config_; }

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

  // Puts `block` into the phone as its configuration file and sends the reconfigure notice, as
  // an editor on the phone does after each change: the panel changes in place. The file the run
  // started from is not touched (the window's editor saves it).
  void apply_config(std::span<const uint8_t> block);
  // The configuration the run started from was saved by the editor: a run on the built-in block
  // uses the skin's new TuneStrip.bcfg from now on.
  void config_saved();
  // Presses the configuration's hot key when the add-on runs and its panel is not shown.
  void show_panel();

  // The skin checker's findings for the skin and configuration in use, and a one-line summary
  // of them ("skin check: 1 error, 2 warnings: the first"). Each finding is printed on the log
  // once, the first time it is found.
  const std::vector<skin::Finding>& findings() const { return findings_; }
  std::string findings_summary() const;

 private:
  // Runs `f` as one task of the phone's queue (so that redraws and teardowns follow it), then
  // whatever it queued for now; rethrows what `f` threw.
  void task(const std::function<void()>& f);
  // Mirrors the skin's images into the phone's image folder; answers the names changed, added or
  // removed, and the images that could not be read (the phone keeps its copy of those).
  std::vector<std::string> install_skin(std::vector<std::string>* unreadable = nullptr);
  // Reads the chosen configuration file; throws std::runtime_error when it cannot be read or is
  // not a whole block.
  std::vector<uint8_t> read_config() const;
  void install_config(const std::vector<uint8_t>& bytes);
  // The notice the phone sends when an editor has changed the configuration file.
  void notify_config_changed();
  void restart_addon();
  // Presses the hot key of the configuration in use, as a person would.
  void press_hot_key();
  // Runs the skin checker again; true when its findings changed.
  bool check_skin();
  // A stand-in configuration editor in the first application folder (unless the phone has one),
  // so that the add-on's edit request launches it; the launch is recorded.
  void install_editor();
  void change_config(const Command& c);
  // Throws RunError unless the phone is as an expect command says.
  void expect(const Command& c);
  void picture_written(const std::filesystem::path& p);

  SimOptions options_;
  skin::ConfigChoice config_;
  std::vector<uint8_t> config_bytes_;  // the last good configuration file taken in
  std::vector<skin::Finding> findings_;
  std::set<std::string> findings_told_;  // as printed
  std::ostream& log_;
  std::unique_ptr<host::Phone> phone_;
  std::unique_ptr<host::GifRecorder> gif_;
  int gif_listener_ = 0;
  bool gif_finished_ = false;
  Pacer pacer_;
  Progress progress_;
  const Command* current_ = nullptr;  // the command run() runs
  std::string step_;                  // the last echo's text
  std::vector<std::filesystem::path> pictures_;
  std::chrono::steady_clock::time_point started_;
};

// Reads a script file ("-": standard input); throws InputError when it cannot be read.
std::string read_script(const std::string& path);

}  // namespace sim
