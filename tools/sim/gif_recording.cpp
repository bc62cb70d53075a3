#include "sim/gif_recording.h"

#include <stdexcept>
#include <utility>

#include "core/event_queue.h"
#include "images/picture_output.h"
#include "phone/phone.h"
#include "screen/gui_manager.h"
#include "screen/screen.h"
#include "sim/options.h"

namespace sim {

GifRecording::GifRecording(host::Phone& phone, std::filesystem::path path)
    : phone_(phone),
      path_(std::move(path)),
      gif_(std::make_unique<host::GifRecorder>(path_, phone.screen().width(),
                                               phone.screen().height())) {
  if (!gif_->ok()) throw InputError("--gif: " + gif_->error());
  listener_ = phone_.gui().add_frame_listener(
      [this](int64_t t) { gif_->add_frame(phone_.screen().rgba(), t); });
}

GifRecording::~GifRecording() {
  // The recorder closes a file left unfinished by itself.
  if (!finished_) phone_.gui().remove_frame_listener(listener_);
}

bool GifRecording::finish() {
  if (finished_) return false;
  finished_ = true;
  phone_.gui().remove_frame_listener(listener_);
  if (!gif_->finish(phone_.queue().now()))
    throw std::runtime_error("--gif: " + gif_->error());
  return true;
}

}  // namespace sim
