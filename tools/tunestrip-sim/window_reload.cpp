// The window's live reload: the skin's folder and the configuration file watched, and what
// changed taken in (or at once with R).
#if defined(TS_HAVE_SDL2)

#include <exception>
#include <ostream>
#include <string>

#include "editor.h"
#include "window.h"

namespace sim {
namespace {

constexpr std::chrono::milliseconds kWatchEvery{100};  // how often the skin's files are looked at

}  // namespace

// The configuration file in use (or the one the skin may gain) and the skin's folder.
std::vector<std::filesystem::path> Window::watched(const Session& s) {
  std::vector<std::filesystem::path> paths{s.options().skin};
  if (s.skin().config_choice().from_option) paths.push_back(s.skin().config_choice().file);
  return paths;
}

void Window::watch(Clock::time_point now) {
  if (now < next_watch_) return;
  next_watch_ = now + kWatchEvery;
  if (watch_.poll(now)) reload(false);
}

// A change seen by the watch, or R (`asked`). Once the editor has opened it owns the
// configuration file: the images reload as before, the file goes to the editor.
void Window::reload(bool asked) {
  try {
    const std::string said =
        s_.skin().reload(editor_ ? InstalledSkin::Reload::ImagesOnly : InstalledSkin::Reload::All);
    if (!editor_ || asked || said != "nothing changed")
      note("reload: " + said, said.find("stays in use") != std::string::npos ||
                                  said.find("keeps its copy") != std::string::npos ||
                                  skin::has_errors(s_.skin().findings().all()));
  } catch (const std::exception& e) {
    note(std::string("reload failed: ") + e.what(), true);
    log_ << "tunestrip-sim: reload failed: " << e.what() << "\n";
  }
  if (editor_) editor_->file_changed();
  watch_.mark_seen();
}

}  // namespace sim

#endif
