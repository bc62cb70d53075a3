// The media player's sound: the current track decoded a little ahead of the player's position
// and queued to the phone's audio output (see media_player.h for how it follows the virtual
// clock). The player tells it every change of state; it never moves the player.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace host {

class AudioOutput;
class EventQueue;
class TrackDecoder;

class PlayerSound {
 public:
  // How far decoding runs ahead of the player's position, and how often (in virtual time) it is
  // topped up while playing.
  static constexpr int64_t kLeadMs = 250;
  static constexpr int64_t kFeedMs = 25;
  // Beyond this much sound waiting in the device (the clock runs faster than real time, as in a
  // scripted run), decoding skips ahead instead of queueing more. The queue never holds more
  // than kQueueLimitMs + kLeadMs.
  static constexpr int64_t kQueueLimitMs = 1000;

  // `wanted`: the phone's sound option; without it nothing opens. `position` gives the player's
  // position in the current track, in ms.
  PlayerSound(EventQueue& queue, bool wanted, std::function<int64_t()> position);
  ~PlayerSound();
  PlayerSound(const PlayerSound&) = delete;
  PlayerSound& operator=(const PlayerSound&) = delete;

  // Sound was asked for and an audio device is open.
  bool on() const;
  // For a status line: "on (SDL audio driver "pulseaudio", 44100 Hz stereo)", "off" (not asked
  // for) or "off: " and why ("off: no audio device (SDL: ...)").
  std::string status() const;
  // How far the current track has been decoded, in ms from its start; -1 when sound is not on
  // or the track does not decode.
  int64_t decoded_ms() const;
  // Sound queued and not yet played, in ms.
  int64_t queued_ms() const;

  // The player's changes. `track`: a track begins, and plays until `end_ms` (its length as the
  // player counts it). `cut` drops the sound still queued (a chosen track); a track that follows
  // the end of the last one plays on after it.
  void track(const std::filesystem::path& file, int64_t end_ms, bool cut);
  void seek(int64_t ms);
  void set_playing(bool playing);
  void set_volume(int volume, int max_volume);  // 0 is silent
  void stop();                                  // the player closed

 private:
  void feed();      // decodes up to the lead and queues it
  void schedule();  // the next feed, while playing
  void stop_timer();

  EventQueue& queue_;
  std::function<int64_t()> position_;
  std::unique_ptr<AudioOutput> output_;    // null when sound was not asked for
  std::unique_ptr<TrackDecoder> decoder_;  // null without sound or a track
  int64_t end_ms_ = 0;
  bool playing_ = false;
  uint64_t timer_ = 0;
  std::vector<int16_t> pcm_;
};

}  // namespace host
