// The phone's loudspeaker: one SDL audio device that plays what is queued to it. PCM is handed
// over with SDL_QueueAudio from the phone's own thread (there is no audio callback, so nothing is
// shared with SDL's audio thread and nothing needs a lock). Whatever rate and channel count the
// PCM has, an SDL_AudioStream converts it to the device's format, so a track change to another
// format needs no new device.
//
// Without SDL2 in the build, or where SDL's audio or its device cannot start (no sound card, no
// sound server, SDL_AUDIODRIVER naming an unknown driver), the output stays closed: every call
// does nothing, and status() says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace host {

class AudioOutput {
 public:
  // Opens SDL's audio subsystem and the default device (44100 Hz, 16-bit stereo), paused.
  AudioOutput();
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  bool open() const;
  // "SDL audio driver "pulseaudio", 44100 Hz stereo" when open, else why not ("no audio device
  // (SDL: ...)").
  const std::string& status() const { return status_; }

  // Converts interleaved 16-bit PCM of `frames` sample frames at `rate` Hz and `channels`
  // channels to the device's format, scales it by the gain and queues it.
  void write(const int16_t* samples, size_t frames, long rate, int channels);
  // Drops everything queued and not yet played.
  void clear();
  // A paused device keeps what is queued and plays on from there when resumed.
  void set_paused(bool paused);
  // 0 (silent) to 1 (as decoded); applies to what is written from now on.
  void set_gain(double gain);
  // What the device has still to play, in ms.
  int64_t queued_ms() const;

 private:
  struct Device;
  std::unique_ptr<Device> device_;  // null when closed
  std::string status_;
};

}  // namespace host
