#include "player/audio_output.h"

#if TS_HOST_SDL_AUDIO

#include <SDL.h>
#if TS_HOST_ALSA
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <cmath>
#include <vector>

namespace host {
namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBufferFrames = 1024;  // the device's own buffer, about 23 ms

struct StreamFree {
  void operator()(SDL_AudioStream* s) const { SDL_FreeAudioStream(s); }
};

}  // namespace

struct AudioOutput::Device {
  SDL_AudioDeviceID id = 0;
  SDL_AudioSpec format{};
  std::unique_ptr<SDL_AudioStream, StreamFree> stream;  // from the PCM's format
  long from_rate = 0;
  int from_channels = 0;
  int volume = SDL_MIX_MAXVOLUME;
  std::vector<uint8_t> converted, scaled;

  ~Device() {
    stream.reset();
    SDL_CloseAudioDevice(id);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  // Queues what the converter has ready (all of it, with `flush`, at the end of a format).
  void drain(bool flush) {
    if (!stream) return;
    if (flush) SDL_AudioStreamFlush(stream.get());
    int ready = SDL_AudioStreamAvailable(stream.get());
    if (ready <= 0) return;
    converted.resize(size_t(ready));
    int got = SDL_AudioStreamGet(stream.get(), converted.data(), ready);
    if (got <= 0) return;
    scaled.assign(size_t(got), 0);
    SDL_MixAudioFormat(scaled.data(), converted.data(), format.format, Uint32(got), volume);
    SDL_QueueAudio(id, scaled.data(), Uint32(got));
  }
};

#if TS_HOST_ALSA
namespace {
// ALSA's messages go nowhere: what matters of them reaches SDL's error, and so the status.
void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}
}  // namespace
#endif

AudioOutput::AudioOutput() {
#if TS_HOST_ALSA
  snd_lib_error_set_handler(&quiet_alsa);
#endif
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "TuneStrip phone");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    status_ = std::string("no audio (SDL: ") + SDL_GetError() + ")";
    return;
  }
  SDL_AudioSpec want{}, have{};
  want.freq = kRate;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  want.samples = kBufferFrames;
  // No callback: the device plays what SDL_QueueAudio gives it. With no changes allowed, SDL
  // converts to whatever the hardware takes.
  SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) {
    status_ = std::string("no audio device (SDL: ") + SDL_GetError() + ")";
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  device_ = std::make_unique<Device>();
  device_->id = id;
  device_->format = have;
  const char* driver = SDL_GetCurrentAudioDriver();
  status_ = std::string("SDL audio driver \"") + (driver ? driver : "?") + "\", " +
            std::to_string(have.freq) + " Hz " + (have.channels == 1 ? "mono" : "stereo");
}

AudioOutput::~AudioOutput() = default;

bool AudioOutput::open() const { return device_ != nullptr; }

void AudioOutput::write(const int16_t* samples, size_t frames, long rate, int channels) {
  if (!device_ || frames == 0) return;
  Device& d = *device_;
  if (!d.stream || rate != d.from_rate || channels != d.from_channels) {
    d.drain(true);  // the rest of the old format plays before the new one
    d.stream.reset(SDL_NewAudioStream(AUDIO_S16SYS, Uint8(channels), int(rate), d.format.format,
                                      d.format.channels, d.format.freq));
    d.from_rate = d.stream ? rate : 0;
    d.from_channels = d.stream ? channels : 0;
    if (!d.stream) return;
  }
  SDL_AudioStreamPut(d.stream.get(), samples, int(frames * size_t(channels) * sizeof(int16_t)));
  d.drain(false);
}

void AudioOutput::clear() {
  if (!device_) return;
  if (device_->stream) SDL_AudioStreamClear(device_->stream.get());
  SDL_ClearQueuedAudio(device_->id);
}

void AudioOutput::set_paused(bool paused) {
  if (device_) SDL_PauseAudioDevice(device_->id, paused ? 1 : 0);
}

void AudioOutput::set_gain(double gain) {
  if (device_)
    device_->volume = int(std::lround(std::clamp(gain, 0.0, 1.0) * SDL_MIX_MAXVOLUME));
}

int64_t AudioOutput::queued_ms() const {
  if (!device_) return 0;
  const SDL_AudioSpec& s = device_->format;
  int64_t frame_bytes = int64_t(SDL_AUDIO_BITSIZE(s.format) / 8) * s.channels;
  return int64_t(SDL_GetQueuedAudioSize(device_->id)) * 1000 / (frame_bytes * s.freq);
}

}  // namespace host

#else  // built without SDL2: no sound

namespace host {

struct AudioOutput::Device {};

AudioOutput::AudioOutput() : status_("built without SDL2") {}
AudioOutput::~AudioOutput() = default;
bool AudioOutput::open() const { return false; }
void AudioOutput::write(const int16_t*, size_t, long, int) {}
void AudioOutput::clear() {}
void AudioOutput::set_paused(bool) {}
void AudioOutput::set_gain(double) {}
int64_t AudioOutput::queued_ms() const { return 0; }

}  // namespace host

#endif
