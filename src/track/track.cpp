// Following the media player: which track it plays, when that changes, and the play-time tick.
#include "track/track.h"

#include <new>

#include "panel/animation.h"
#include "panel/keys.h"
#include "panel/labels.h"
#include "panel/panel.h"
#include "shell/app.h"
#include "track/metadata.h"

TRACK_DESC* currenttrack = nullptr;
int32_t ostmin = 0, ostsec = 0;

namespace {

// Where the player's book keeps what we read; the firmware family decides.
enum BookLayout { LAYOUT_NONE, LAYOUT_FAMILY8, LAYOUT_FAMILY9 };

BookLayout PlayerBookLayout() {
  switch (fw_platform_id()) {
    case 0x7100:
    case 0x8000:
    case 0x8040:
      return LAYOUT_FAMILY8;
    case 0x9900:
      return LAYOUT_FAMILY9;
    default:
      return LAYOUT_NONE;
  }
}

// First layout (platform/fw_layout.h): record pointer, count and index fields.
constexpr uint32_t F8_RECORD = offsetof(FW_PLAYER_BOOK_8, track);
constexpr uint32_t F8_COUNT = offsetof(FW_PLAYER_BOOK_8, count);
constexpr uint32_t F8_COUNT_ALT = offsetof(FW_PLAYER_BOOK_8, count_alt);
constexpr uint32_t F8_INDEX = offsetof(FW_PLAYER_BOOK_8, index);
constexpr uint32_t F8_INDEX_ALT = offsetof(FW_PLAYER_BOOK_8, index_alt);
constexpr uint16_t F8_INDEX_LIMIT = 10001;  // at or above: the index lies in the second field
// Second layout.
constexpr uint32_t F9_RECORD = offsetof(FW_PLAYER_BOOK_9, track);
constexpr uint32_t F9_COUNT = offsetof(FW_PLAYER_BOOK_9, count);
constexpr uint32_t F9_INDEX = offsetof(FW_PLAYER_BOOK_9, index);
// The current-track record.
constexpr uint32_t TRACK_FOLDER = offsetof(FW_TRACK_RECORD, folder);
constexpr uint32_t TRACK_NAME = offsetof(FW_TRACK_RECORD, name);
constexpr uint32_t TRACK_LENGTH = offsetof(FW_TRACK_RECORD, length);
// The play-time tick.
constexpr uint32_t TICK_HOURS = offsetof(FW_PLAY_TIMER, hours);
constexpr uint32_t TICK_MINUTES = offsetof(FW_PLAY_TIMER, minutes);
constexpr uint32_t TICK_SECONDS = offsetof(FW_PLAY_TIMER, seconds);

// A private copy of a wide string, or null when there is none or no memory.
char16_t* CopyWstr(const char16_t* s) {
  if (!s) return nullptr;
  int len = fw_wstrlen(s);
  char16_t* copy = new (std::nothrow) char16_t[len + 1];
  if (copy) fw_wstrcpy(copy, s);
  return copy;
}

// Two optional wide strings: equal when both are absent or the firmware finds them equal.
bool SameWstr(const char16_t* a, const char16_t* b) {
  if (!a || !b) return a == b;
  return fw_wstr_compare(a, b) == 0;
}

}  // namespace

BOOK* FindPlayerBook() { return fw_find_book(fw_player_book_predicate()); }

TRACK_DESC* TrackDesc_Get(BOOK* book) {
  if (!book) return nullptr;
  BookLayout layout = PlayerBookLayout();
  if (layout == LAYOUT_NONE) return nullptr;

  FwAddr image = fw_book_addr(book);
  FwAddr record = fw_peek32(image, layout == LAYOUT_FAMILY8 ? F8_RECORD : F9_RECORD);
  // A player between tracks has no current-track record: there is nothing to describe.
  if (record == 0) return nullptr;

  TRACK_DESC* td = new (std::nothrow) TRACK_DESC;
  if (!td) return nullptr;
  fw_memset(td, 0, sizeof(TRACK_DESC));

  const char16_t* folder = fw_peek_wstr(fw_peek32(record, TRACK_FOLDER));
  const char16_t* name = fw_peek_wstr(fw_peek32(record, TRACK_NAME));
  td->path = CopyWstr(folder);
  td->name = CopyWstr(name);
  if (!td->path || !td->name) {  // unreadable record or no memory: no description
    TrackDesc_Free(td);
    return nullptr;
  }
  td->fulltime = int32_t(fw_peek32(record, TRACK_LENGTH));

  int32_t index;
  if (layout == LAYOUT_FAMILY8) {
    uint16_t count = fw_peek16(image, F8_COUNT);
    if (count == 0) count = fw_peek16(image, F8_COUNT_ALT);
    td->trackcount = count;
    uint16_t idx = fw_peek16(image, F8_INDEX);
    if (idx >= F8_INDEX_LIMIT) idx = fw_peek16(image, F8_INDEX_ALT);
    index = idx;
  } else {
    td->trackcount = int32_t(fw_peek32(image, F9_COUNT));
    index = fw_peek16(image, F9_INDEX);
  }
  td->tracknum = index + 1;
  return td;
}

int TrackDesc_Compare(const TRACK_DESC* a, const TRACK_DESC* b) {
  if (!a || !b) return 0;
  if (!SameWstr(a->path, b->path)) return 0;
  if (!SameWstr(a->name, b->name)) return 0;
  if (a->fulltime != b->fulltime) return 0;
  return 1;
}

void TrackDesc_Free(TRACK_DESC* td) {
  if (!td) return;
  delete[] td->path;
  delete[] td->name;
  delete td;
}

void ReInit() {
  if (!FindPlayerBook()) return;
  TRACK_DESC* td = TrackDesc_Get(FindPlayerBook());
  // The book vanished between the two look-ups, the firmware family is unknown, or the player
  // has no current track: keep what we had.
  if (!td) return;
  if (TrackDesc_Compare(currenttrack, td)) {
    // The same file: tags, cover and stream data stay, but the list may have moved around it.
    currenttrack->tracknum = td->tracknum;
    currenttrack->trackcount = td->trackcount;
    TrackDesc_Free(td);
    play = 1;
    return;
  }
  TrackDesc_Free(currenttrack);
  currenttrack = td;
  GetMetaData(mdata, td->path, td->name);
  play = 1;
}

int UpdateMP3Info(void*, BOOK*) {
  ReInit();
  // Until a track has been read there is nothing to label.
  if (currenttrack) UpdateLabel();
  // The shown panel takes the new labels now: a paused player sends no play-time tick to redraw
  // it, and would leave the last track's labels on the screen.
  if (PanelRun) onTimer();
  return 1;
}

int PlayerClose(void*, BOOK*) {
  if (PanelRun) {
    if (onHidePanel) {
      NoFullKill = 1;
      HidePanel();
    }
    onHidePanel = 1;
  }
  return 1;
}

int CABook_onPlayTimer(void* data, BOOK*) {
  if (!FindPlayerBook() || !data || !mdata) return 0;

  // Wrapping arithmetic: a nonsense record gives nonsense numbers, never undefined behaviour.
  uint32_t hours = uint32_t(fw_event_word(data, TICK_HOURS));
  uint32_t minutes = uint32_t(fw_event_word(data, TICK_MINUTES));
  uint32_t seconds = uint32_t(fw_event_word(data, TICK_SECONDS));
  mdata->curtime = int32_t(hours * 3600u + minutes * 60u + seconds);
  mdata->cursec = int32_t(seconds);
  // Elapsed minutes count on past the hour, as the track length does.
  mdata->curmin = int32_t(hours * 60u + minutes);

  ostmin = 0;
  ostsec = 0;
  if (currenttrack) {
    int64_t remaining = int64_t(currenttrack->fulltime) - mdata->curtime;
    // Past the end the player is about to move on: nothing remains.
    if (remaining < 0) remaining = 0;
    ostmin = int32_t(remaining / 60);
    ostsec = int32_t(remaining - 60 * int64_t(ostmin));
  }
  UpdatePlayTimeLabels();

  if (PanelRun) onTimer();
  return 0;
}
