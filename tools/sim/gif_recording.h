// The run as an animated GIF with its true timing: every frame the phone composes, at its
// virtual time, until the run finishes it.
#pragma once

#include <filesystem>
#include <memory>

namespace host {
class GifRecorder;
class Phone;
}  // namespace host

namespace sim {

class GifRecording {
 public:
  // Starts recording `phone`'s screen into `path`, from its next frame; throws InputError
  // (--gif) when the file cannot be written.
  GifRecording(host::Phone& phone, std::filesystem::path path);
  ~GifRecording();
  GifRecording(const GifRecording&) = delete;
  GifRecording& operator=(const GifRecording&) = delete;

  // Ends the recording at the current virtual time and closes the file: true then, false when
  // it had been finished already. Throws std::runtime_error naming --gif, the file and the reason
  // when it cannot be written; an earlier file of the name then stays as it was.
  bool finish();

  const std::filesystem::path& path() const { return path_; }

 private:
  host::Phone& phone_;
  std::filesystem::path path_;
  std::unique_ptr<host::GifRecorder> gif_;
  int listener_ = 0;
  bool finished_ = false;
};

}  // namespace sim
