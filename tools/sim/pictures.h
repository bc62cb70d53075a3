// The pictures a run writes, for its summary: the screenshots (a script's `shot`, the window's
// S key) and the GIF, each listed once, in the order first written.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace host {
class Phone;
}

namespace sim {

class Pictures {
 public:
  // Relative names go into `folder` (--out).
  Pictures(host::Phone& phone, std::filesystem::path folder)
      : phone_(phone), folder_(std::move(folder)) {}

  // Saves the screen as a PNG in the picture folder (or at an absolute path), once what the
  // phone has queued for now has run; throws std::runtime_error naming the file and the reason
  // when it cannot be written (an earlier file of the name then stays as it was).
  std::filesystem::path shot(const std::string& name);
  // Lists a picture written by another part of the run (the GIF).
  void add(const std::filesystem::path& p);

  const std::vector<std::filesystem::path>& list() const { return written_; }

 private:
  host::Phone& phone_;
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> written_;
};

}  // namespace sim
