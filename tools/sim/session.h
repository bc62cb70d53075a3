// One run of the simulator: the phone made from the command line's options, with the skin and
// its configuration installed (installed_skin.h), the configuration editor's stand-in
// (phone_config.h) and the GIF recording (gif_recording.h); the script's commands run on it, and
// the summary made (summary.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "phone/phone.h"
#include "player/playlist.h"
#include "sim/installed_skin.h"
#include "sim/options.h"
#include "sim/phone_config.h"
#include "sim/pictures.h"
#include "sim/run_error.h"
#include "sim/script.h"
#include "sim/summary.h"
#include "skin/unpack.h"

namespace sim {

class GifRecording;

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
  // The packed skin (--skin NAME.zip) the run previews from a temporary folder; null for a folder.
  const skin::UnpackedSkin* packed_skin() const { return packed_.get(); }
  // The phone's configuration file, changed as the phone's own editor changes it.
  PhoneConfig& config() { return config_; }
  // The skin and configuration taken from outside the phone, and their live reload.
  InstalledSkin& skin() { return skin_; }
  const InstalledSkin& skin() const { return skin_; }
  // The screenshots and the GIF written so far.
  Pictures& pictures() { return pictures_; }

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

  // Finishes the GIF (if one is recorded) at the current virtual time and puts the call trace in
  // place; idempotent. Throws std::runtime_error naming --gif or --trace, the file and the
  // reason when either cannot be written.
  void finish();

  Summary summary() const;

 private:
  // Runs `f` as one task of the phone's queue (so that redraws and teardowns follow it), then
  // whatever it queued for now; rethrows what `f` threw.
  void task(const std::function<void()>& f);

  std::unique_ptr<skin::UnpackedSkin> packed_;  // --skin NAME.zip, unpacked for the run
  SimOptions options_;
  std::ostream& log_;
  std::chrono::steady_clock::time_point started_;
  std::optional<host::Playlist> music_;  // --music as the checks read it, for the first start
  std::unique_ptr<host::Phone> phone_;
  PhoneConfig config_;
  InstalledSkin skin_;
  Pictures pictures_;
  std::unique_ptr<GifRecording> gif_;
  Pacer pacer_;
  Progress progress_;
  const Command* current_ = nullptr;  // the command run() runs
  std::string step_;                  // the last echo's text
};

}  // namespace sim
