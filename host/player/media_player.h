// The phone's media player: plays a playlist of real files on the virtual clock, keeps its book
// and current-track record in firmware memory (laid out by platform id), and sends the play,
// track-changed, closed and play-time events to every book.
//
// Book image (firmware memory, the book's `addr`) and current-track record: player_book_layout.h.
//
// Playing: the position advances with the virtual clock while playing; each whole second of
// play time sends MEDIAPLAYER_PLAY_TIMER (hours, minutes, seconds at 0x24, 0x28, 0x2C). At the
// end of a track the player goes on to the next one, and after the last one wraps round to the
// first. Every event is its own queued task, delivered after the command that caused it.
//
// Sound (Options::sound; see player_sound.h): the virtual clock stays the one clock. The player's
// position is the clock's, and the sound follows it: while playing, a task on the phone's queue
// every PlayerSound::kFeedMs of virtual time decodes the current track (libmpg123) up to
// PlayerSound::kLeadMs past the player's position and queues that PCM to the SDL audio device.
// Interactive runs pace the clock to real time, so the device plays the track in real time,
// about kLeadMs of it waiting in the queue; when the clock runs faster than the device drains
// (a scripted run), decoding skips ahead with the clock instead of queueing more. Pause pauses
// the device with its queue kept, so play resumes with no gap or repeat; a seek or a chosen
// track drops what is queued and decodes from the new position; the end of a track's sound is
// the player's track change (the next track's sound is queued behind it); close stops the
// sound. Without a device the player runs silently, exactly as without sound.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fw_types.h"

namespace host {

class Phone;
class PlayerSound;

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

// Forms of the first book layout that real phones show; tests use them to reach the add-on's
// fallback reads.
struct BookLayoutForms {
  bool count_at_0x84_only = false;  // 0 at 0x80, the count at 0x84
  bool index_at_0x72 = false;       // 0xFFFF at 0x5C and the index at 0x72, whatever the index
};

class MediaPlayer {
 public:
  static constexpr int kMaxVolume = 15;
  static constexpr int kDefaultVolume = 8;

  explicit MediaPlayer(Phone& phone);
  ~MediaPlayer();
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  // Opens the player on a folder, an .m3u/.m3u8 list or one audio file (see load_playlist) and
  // plays its first track; throws std::runtime_error for a bad path or an empty list, leaving
  // the player as it was. The list's folder (widened to the folder that holds every track when
  // some lie outside it) is mounted in the phone's file system at "/card/Music", unless it
  // already lies below the phone's root, so the add-on reaches the files by phone paths. When the player already runs, the new list replaces the
  // old one in the same book (a track change); otherwise the book is created (a play event).
  void start(const std::filesystem::path& playlist);
  // Plays the given files; `music` (default: the folder that holds them all) is the folder that
  // appears at "/card/Music".
  void start(std::vector<std::filesystem::path> tracks, const std::filesystem::path& music = {});

  void play();        // resumes; no effect when playing or not running
  void pause();       // no effect when paused or not running
  void play_pause();
  void next();        // the next track (after the last: the first), keeping play or pause
  void prev();        // the previous track (before the first: the last)
  void seek(int seconds);  // within the current track, clamped to 0..its length
  void volume_up();
  void volume_down();
  // Stops, destroys the book and then sends MEDIAPLAYER_CLOSED; no effect when not running.
  void close();

  NowPlaying now_playing() const;
  bool running() const { return book_ != nullptr; }
  bool playing() const { return running() && playing_; }
  BOOK* book() const { return book_; }
  FwAddr book_addr() const { return image_; }
  // The current-track record, or 0 when there is none.
  FwAddr track_record() const;
  int64_t position_ms() const;
  const std::vector<std::filesystem::path>& tracks() const { return tracks_; }
  // Phone folder and file name of a track of the list.
  std::u16string phone_folder(size_t index) const;
  std::u16string phone_name(size_t index) const;

  // The sound: whether it is on and why not (status()), how far the track is decoded.
  const PlayerSound& sound() const { return *sound_; }

  // Layout forms of the first book layout; the book image is rewritten at once when running.
  void set_layout_forms(BookLayoutForms forms);
  // Some firmwares announce a pause as MEDIAPLAYER_CLOSED while the book stays; off by default.
  void set_closed_on_pause(bool on) { closed_on_pause_ = on; }

 private:
  struct TrackInfo {
    int length_s = 0;          // as the record gives it
    int64_t duration_ms = 0;   // how long the track plays
    std::u16string title, artist;
    std::uintmax_t file_size = 0;  // what the file was when read
    std::filesystem::file_time_type file_time{};
  };
  const TrackInfo& info(size_t index) const;
  void forget_if_changed(size_t index);  // a file rewritten since it was read is read again
  void mount_music(const std::filesystem::path& music);
  void ensure_image();
  void write_track();        // current track into the record and the book image
  void write_book_fields();  // count and index
  FwAddr store_wstr(FwAddr& buf, uint32_t& cap, const std::u16string& s);
  // Track change, keeping play or pause; `chosen` (next, previous) rather than the end of a track.
  void go_to(size_t index, bool chosen);
  void fold_position();      // position_ms_ up to now
  void schedule();
  void on_timer();
  void stop_timer();
  void post_event(uint32_t code);
  void post_tick(int64_t pos_ms);
  void refresh();

  Phone& phone_;
  std::unique_ptr<PlayerSound> sound_;
  std::vector<std::filesystem::path> tracks_;
  std::vector<std::u16string> folders_, names_;  // phone paths per track
  mutable std::map<std::filesystem::path, TrackInfo> info_cache_;
  BOOK* book_ = nullptr;
  size_t index_ = 0;
  bool playing_ = false;
  int64_t position_ms_ = 0;  // at anchor_
  int64_t anchor_ = 0;       // virtual time of position_ms_ while playing
  uint64_t timer_ = 0;
  int volume_ = kDefaultVolume;
  BookLayoutForms forms_;
  bool closed_on_pause_ = false;

  // Firmware memory, allocated once and reused: the book image, the track record and two
  // string buffers that grow only for a longer string.
  FwAddr image_ = 0;
  FwAddr record_ = 0;
  FwAddr folder_buf_ = 0, name_buf_ = 0;
  uint32_t folder_cap_ = 0, name_cap_ = 0;  // in UTF-16 units, terminator included
};

}  // namespace host
