// The phone's media player: plays a playlist of real files on the virtual clock, keeps its book
// and current-track record in firmware memory (laid out by platform id), and sends the play,
// track-changed, closed and play-time events to every book.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

class Phone;

// What the player's own screen shows.
struct NowPlaying {
  bool running = false;  // the player's book exists
  bool playing = false;  // not paused
  std::u16string title;  // the track's title tag, else its file name
  std::u16string artist;
  int position = 0;      // seconds into the track
  int length = 0;        // seconds
  int index = 0;         // 0-based position in the list
  int count = 0;         // tracks in the list
  int volume = 0;        // 0..15
};

class MediaPlayer {
 public:
  explicit MediaPlayer(Phone& phone);
  ~MediaPlayer();

  NowPlaying now_playing() const;

 private:
  [[maybe_unused]] Phone& phone_;
};

}  // namespace host
