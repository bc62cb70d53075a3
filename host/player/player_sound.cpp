#include "player/player_sound.h"

#include <algorithm>

#include "core/event_queue.h"
#include "player/audio_output.h"
#include "player/track_decoder.h"

namespace host {

PlayerSound::PlayerSound(EventQueue& queue, bool wanted, std::function<int64_t()> position)
    : queue_(queue), position_(std::move(position)) {
  if (wanted) output_ = std::make_unique<AudioOutput>();
}

PlayerSound::~PlayerSound() { stop_timer(); }

bool PlayerSound::on() const { return output_ && output_->open(); }

std::string PlayerSound::status() const {
  if (!output_) return "off";
  return (output_->open() ? "on (" : "off: ") + output_->status() + (output_->open() ? ")" : "");
}

int64_t PlayerSound::decoded_ms() const {
  return decoder_ && decoder_->ok() ? decoder_->position_ms() : -1;
}

int64_t PlayerSound::queued_ms() const { return on() ? output_->queued_ms() : 0; }

void PlayerSound::track(const std::filesystem::path& file, int64_t end_ms, bool cut) {
  if (!on()) return;
  if (cut) output_->clear();
  decoder_ = std::make_unique<TrackDecoder>(file);
  end_ms_ = end_ms;
  feed();  // paused or not, the lead is ready before the next feed
}

void PlayerSound::seek(int64_t ms) {
  if (!on() || !decoder_) return;
  output_->clear();
  decoder_->seek(ms);
  feed();
}

void PlayerSound::set_playing(bool playing) {
  playing_ = playing;
  if (!on()) return;
  output_->set_paused(!playing);
  if (playing) {
    feed();
    schedule();
  } else {
    stop_timer();
  }
}

void PlayerSound::set_volume(int volume, int max_volume) {
  if (!on() || max_volume <= 0) return;
  // Loudness grows about as the square of the amplitude: equal steps sound about equal.
  double level = double(std::clamp(volume, 0, max_volume)) / max_volume;
  output_->set_gain(level * level);
}

void PlayerSound::stop() {
  stop_timer();
  playing_ = false;
  decoder_.reset();
  if (!on()) return;
  output_->set_paused(true);
  output_->clear();
}

void PlayerSound::feed() {
  if (!decoder_ || !decoder_->ok()) return;
  int64_t target = std::min(position_() + kLeadMs, end_ms_);
  if (decoder_->position_ms() >= target || decoder_->at_end()) return;
  if (output_->queued_ms() >= kQueueLimitMs) {
    // The device plays more slowly than the clock runs: keep up with the clock, not the device.
    decoder_->seek(target);
    return;
  }
  while (decoder_->position_ms() < target && !decoder_->at_end()) {
    decoder_->decode(target, pcm_);
    int channels = decoder_->channels();
    output_->write(pcm_.data(), pcm_.size() / size_t(channels), decoder_->rate(), channels);
  }
}

void PlayerSound::schedule() {
  stop_timer();
  if (!playing_ || !on()) return;
  timer_ = queue_.post_in(kFeedMs, [this] {
    timer_ = 0;
    feed();
    schedule();
  });
}

void PlayerSound::stop_timer() {
  if (timer_) queue_.cancel(timer_);
  timer_ = 0;
}

}  // namespace host
