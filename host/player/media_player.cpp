#include "player/media_player.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/arena.h"
#include "core/books.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "files/phone_names.h"
#include "phone/phone.h"
#include "player/mp3_length.h"
#include "player/player_book_layout.h"
#include "player/player_sound.h"
#include "player/playlist.h"
#include "screen/gui_manager.h"
#include "tags/tag_reader.h"

namespace fs = std::filesystem;
namespace pb = host::player_book;

namespace host {
namespace {

constexpr char16_t kMusicMount[] = u"/card/Music";
constexpr uint32_t kImageSize = 0x100;
constexpr uint32_t kRecordSize = 0x20;
constexpr int64_t kMinPlayMs = 1000;  // an undecodable track still takes time, so time moves on

// The play-time record's fields.
constexpr uint32_t kTickHours = 0x24;
constexpr uint32_t kTickMinutes = 0x28;
constexpr uint32_t kTickSeconds = 0x2C;

bool within(const fs::path& p, const fs::path& base) {
  fs::path rel = p.lexically_relative(base);
  return !rel.empty() && *rel.begin() != "..";
}

// The phone path of `rel` below phone folder `base`, each component under the phone's name of it.
std::u16string join_phone(const std::u16string& base, const fs::path& rel) {
  if (rel.empty() || rel == ".") return base.empty() ? u"/" : base;
  return base + u"/" + phone_path(rel);
}

}  // namespace

MediaPlayer::MediaPlayer(Phone& phone)
    : phone_(phone),
      sound_(std::make_unique<PlayerSound>(phone.queue(), phone.options().sound,
                                           [this] { return position_ms(); })) {
  sound_->set_volume(volume_, kMaxVolume);
}

MediaPlayer::~MediaPlayer() {
  stop_timer();
  sound_->stop();
  if (book_) phone_.books().destroy_firmware_book(book_);
}

// ---- Track data ----

const MediaPlayer::TrackInfo& MediaPlayer::info(size_t index) const {
  const fs::path& file = tracks_.at(index);
  auto it = info_cache_.find(file);
  if (it != info_cache_.end()) return it->second;
  TrackInfo ti;
  // Measured here, for the track about to play only: a list is never scanned whole.
  int64_t ms = mp3_length_ms(file);
  // Tags as the phone reads them (every ID3 version, Latin-1 text in the phone's code page).
  TagData tags = phone_.tags().read(file);
  if (tags.text[TAG_TITLE]) ti.title = *tags.text[TAG_TITLE];
  if (tags.text[TAG_ARTIST]) ti.artist = *tags.text[TAG_ARTIST];
  if (ti.title.empty()) ti.title = host::phone_name(file.filename().native());
  std::error_code ec;
  ti.file_size = fs::file_size(file, ec);
  ti.file_time = fs::last_write_time(file, ec);
  ti.length_s = int(ms / 1000);
  ti.duration_ms = std::max<int64_t>(ms, kMinPlayMs);
  return info_cache_.emplace(file, std::move(ti)).first->second;
}

void MediaPlayer::forget_if_changed(size_t index) {
  auto it = info_cache_.find(tracks_.at(index));
  if (it == info_cache_.end()) return;
  std::error_code e1, e2;
  if (fs::file_size(it->first, e1) != it->second.file_size ||
      fs::last_write_time(it->first, e2) != it->second.file_time || e1 || e2)
    info_cache_.erase(it);
}

std::u16string MediaPlayer::phone_folder(size_t index) const { return folders_.at(index); }
std::u16string MediaPlayer::phone_name(size_t index) const { return names_.at(index); }

// Makes the music reachable through the phone's file services and works out every track's
// phone folder and name. Music below the phone's root keeps its own phone path (mounted onto
// itself, so that an older mount cannot shadow it); other music appears at /card/Music.
void MediaPlayer::mount_music(const fs::path& music) {
  // Paths as given, made absolute: a track in a linked album folder keeps the link's phone path.
  fs::path common =
      music.empty() ? tracks_.front().parent_path() : fs::absolute(music).lexically_normal();
  for (const fs::path& t : tracks_)
    while (!within(t.parent_path(), common) && common != common.root_path())
      common = common.parent_path();
  FileSystem& files = phone_.files();
  fs::path root = fs::absolute(files.root()).lexically_normal();
  if (!within(common, root) && within(common, fs::weakly_canonical(files.root())))
    root = fs::weakly_canonical(files.root());
  std::u16string base;
  if (within(common, root)) {
    base = join_phone(u"", common.lexically_relative(root));
    if (base != u"/") files.mount(base, common);
  } else {
    base = kMusicMount;
    files.mount(base, common);
  }
  folders_.clear();
  names_.clear();
  for (const fs::path& t : tracks_) {
    folders_.push_back(join_phone(base == u"/" ? u"" : base,
                                  t.parent_path().lexically_relative(common)));
    names_.push_back(host::phone_name(t.filename().native()));
  }
}

// ---- Firmware memory ----

void MediaPlayer::ensure_image() {
  if (image_) return;
  image_ = phone_.arena().alloc(kImageSize);
  record_ = phone_.arena().alloc(kRecordSize);
}

FwAddr MediaPlayer::store_wstr(FwAddr& buf, uint32_t& cap, const std::u16string& s) {
  uint32_t need = uint32_t(s.size() + 1);
  if (need > cap) {
    cap = std::max<uint32_t>({need, 2 * cap, 64});
    buf = phone_.arena().alloc(cap * 2);
  }
  uint8_t* p = phone_.arena().at(buf, need * 2);
  std::memcpy(p, s.data(), s.size() * 2);
  std::memset(p + s.size() * 2, 0, 2);
  return buf;
}

FwAddr MediaPlayer::track_record() const {
  if (!book_) return 0;
  return phone_.arena().read32(image_ + pb::record_offset(phone_.options().platform_id));
}

void MediaPlayer::write_track() {
  Arena& a = phone_.arena();
  forget_if_changed(index_);
  const TrackInfo& ti = info(index_);
  a.write32(record_ + pb::kRecordFolder, store_wstr(folder_buf_, folder_cap_, folders_[index_]));
  a.write32(record_ + pb::kRecordName, store_wstr(name_buf_, name_cap_, names_[index_]));
  a.write32(record_ + pb::kRecordLength, uint32_t(ti.length_s));
  a.write32(image_ + pb::record_offset(phone_.options().platform_id), record_);
  write_book_fields();
}

void MediaPlayer::write_book_fields() {
  Arena& a = phone_.arena();
  uint32_t count = uint32_t(tracks_.size());
  uint32_t index = uint32_t(index_);
  if (pb::first_layout(phone_.options().platform_id)) {
    uint16_t count16 = uint16_t(std::min<uint32_t>(count, 0xFFFF));
    a.write16(image_ + pb::kFirstCount, forms_.count_at_0x84_only ? 0 : count16);
    a.write16(image_ + pb::kFirstCountFallback, forms_.count_at_0x84_only ? count16 : 0);
    if (!forms_.index_at_0x72 && index < pb::kFirstIndexLimit) {
      a.write16(image_ + pb::kFirstIndex, uint16_t(index));
      a.write16(image_ + pb::kFirstIndexFallback, 0);
    } else {
      a.write16(image_ + pb::kFirstIndex, 0xFFFF);
      a.write16(image_ + pb::kFirstIndexFallback, uint16_t(std::min<uint32_t>(index, 0xFFFF)));
    }
  } else {
    a.write32(image_ + pb::kSecondCount, count);
    a.write16(image_ + pb::kSecondIndex, uint16_t(std::min<uint32_t>(index, 0xFFFF)));
  }
}

void MediaPlayer::set_layout_forms(BookLayoutForms forms) {
  forms_ = forms;
  if (book_) write_book_fields();
}

// ---- Commands ----

void MediaPlayer::start(const fs::path& playlist) {
  Playlist list = load_playlist(playlist);
  start(std::move(list.tracks), list.folder);
}

void MediaPlayer::start(std::vector<fs::path> tracks, const fs::path& music) {
  if (tracks.empty()) throw std::runtime_error("the media player was given no tracks");
  for (fs::path& t : tracks) {
    std::error_code ec;
    if (!fs::is_regular_file(t, ec))
      throw std::runtime_error("no such track file: " + escaped_name(t.native()));
    t = fs::absolute(t).lexically_normal();
  }
  stop_timer();
  tracks_ = std::move(tracks);
  mount_music(music);
  ensure_image();
  bool was_running = book_ != nullptr;
  bool was_playing = playing_;
  index_ = 0;
  position_ms_ = 0;
  anchor_ = phone_.queue().now();
  playing_ = true;
  if (!was_running) {
    std::memset(phone_.arena().at(image_, kImageSize), 0, kImageSize);
    book_ = phone_.books().create_firmware_book("MediaPlayer", image_);
  }
  write_track();
  sound_->track(tracks_[index_], info(index_).duration_ms, true);
  sound_->set_playing(true);
  schedule();
  if (was_running) post_event(codes::MEDIAPLAYER_TRACK);
  if (!was_running || !was_playing) post_event(codes::MEDIAPLAYER_PLAY);
  refresh();
}

void MediaPlayer::play() {
  if (!book_ || playing_) return;
  anchor_ = phone_.queue().now();
  playing_ = true;
  sound_->set_playing(true);
  schedule();
  post_event(codes::MEDIAPLAYER_PLAY);
  refresh();
}

void MediaPlayer::pause() {
  if (!book_ || !playing_) return;
  fold_position();
  playing_ = false;
  sound_->set_playing(false);
  stop_timer();
  if (closed_on_pause_) post_event(codes::MEDIAPLAYER_CLOSED);
  refresh();
}

void MediaPlayer::play_pause() {
  if (playing_)
    pause();
  else
    play();
}

void MediaPlayer::next() {
  if (book_) go_to((index_ + 1) % tracks_.size(), true);
}

void MediaPlayer::prev() {
  if (book_) go_to((index_ + tracks_.size() - 1) % tracks_.size(), true);
}

void MediaPlayer::seek(int seconds) {
  if (!book_) return;
  position_ms_ = std::clamp<int64_t>(int64_t(seconds) * 1000, 0, info(index_).duration_ms);
  anchor_ = phone_.queue().now();
  sound_->seek(position_ms_);
  schedule();
  refresh();
}

void MediaPlayer::volume_up() {
  volume_ = std::min(volume_ + 1, kMaxVolume);
  sound_->set_volume(volume_, kMaxVolume);
  refresh();
}

void MediaPlayer::volume_down() {
  volume_ = std::max(volume_ - 1, 0);
  sound_->set_volume(volume_, kMaxVolume);
  refresh();
}

void MediaPlayer::close() {
  if (!book_) return;
  fold_position();
  stop_timer();
  playing_ = false;
  sound_->stop();
  phone_.arena().write32(image_ + pb::record_offset(phone_.options().platform_id), 0);
  BOOK* book = book_;
  book_ = nullptr;
  phone_.books().destroy_firmware_book(book);
  post_event(codes::MEDIAPLAYER_CLOSED);
  refresh();
}

NowPlaying MediaPlayer::now_playing() const {
  NowPlaying np;
  np.volume = volume_;
  if (!book_) return np;
  const TrackInfo& ti = info(index_);
  np.running = true;
  np.playing = playing_;
  np.title = ti.title;
  np.artist = ti.artist;
  np.position = int(position_ms() / 1000);
  np.length = ti.length_s;
  np.index = int(index_);
  np.count = int(tracks_.size());
  return np;
}

// ---- Play time ----

int64_t MediaPlayer::position_ms() const {
  if (book_ && playing_) return position_ms_ + (phone_.queue().now() - anchor_);
  return position_ms_;
}

void MediaPlayer::fold_position() {
  position_ms_ = position_ms();
  anchor_ = phone_.queue().now();
}

void MediaPlayer::go_to(size_t index, bool chosen) {
  stop_timer();
  index_ = index;
  position_ms_ = 0;
  anchor_ = phone_.queue().now();
  write_track();
  sound_->track(tracks_[index_], info(index_).duration_ms, chosen);
  schedule();
  post_event(codes::MEDIAPLAYER_TRACK);
  refresh();
}

// One timer at a time: the next whole second of play time or the track's end, whichever comes
// first.
void MediaPlayer::schedule() {
  stop_timer();
  if (!book_ || !playing_) return;
  int64_t cur = position_ms();
  int64_t end = info(index_).duration_ms;
  int64_t at = std::min((cur / 1000 + 1) * 1000, end);
  timer_ = phone_.queue().post_in(std::max<int64_t>(at - cur, 0), [this] {
    timer_ = 0;
    on_timer();
  });
}

void MediaPlayer::on_timer() {
  int64_t cur = position_ms();
  if (cur > 0 && cur % 1000 == 0) post_tick(cur);
  if (cur >= info(index_).duration_ms) {
    go_to((index_ + 1) % tracks_.size(), false);  // after the last track: the first again
  } else {
    schedule();
    refresh();  // the player's screen shows the position
  }
}

void MediaPlayer::stop_timer() {
  if (timer_) phone_.queue().cancel(timer_);
  timer_ = 0;
}

// ---- Events ----

void MediaPlayer::post_event(uint32_t code) {
  Books* books = &phone_.books();
  phone_.queue().post([books, code] { books->broadcast(code, nullptr); });
}

void MediaPlayer::post_tick(int64_t pos_ms) {
  FwPlayTimerEvent ev{};
  int64_t s = pos_ms / 1000;
  int32_t fields[3] = {int32_t(s / 3600), int32_t(s / 60 % 60), int32_t(s % 60)};
  std::memcpy(ev.raw + kTickHours, &fields[0], 4);
  std::memcpy(ev.raw + kTickMinutes, &fields[1], 4);
  std::memcpy(ev.raw + kTickSeconds, &fields[2], 4);
  Books* books = &phone_.books();
  phone_.queue().post([books, ev]() mutable {
    books->broadcast(codes::MEDIAPLAYER_PLAY_TIMER, &ev);
  });
}

void MediaPlayer::refresh() { phone_.gui().refresh_screen(); }

}  // namespace host
