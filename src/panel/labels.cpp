// The panel's twelve label texts: what each slot shows, and when its handle and the buffer behind
// it are made and released.
#include "panel/labels.h"

#include <new>

#include "shell/app.h"
#include "track/metadata.h"
#include "track/track.h"

TEXTID TextID[LABEL_COUNT] = {};
char16_t* buff[4] = {};
int32_t fullmin = 0, fullsec = 0;

namespace {

constexpr int kBufferChars = 128;  // 256 bytes

const char16_t* const ChannelModeText[4] = {u"Stereo", u"Joint Stereo", u"Dual Channel",
                                            u"Single Channel"};

char16_t* NewBuffer() { return new (std::nothrow) char16_t[kBufferChars]; }

void FreeBuffer(int i) {
  delete[] buff[i];
  buff[i] = nullptr;
}

// A "mm:ss"-style text in buff[i] for `slot`; without memory the slot stays empty.
template <typename... A>
void FormatLabel(int slot, int i, const char16_t* format, A... args) {
  buff[i] = NewBuffer();
  if (!buff[i]) return;
  fw_format_wstr(buff[i], kBufferChars, format, args...);
  TextID[slot] = TextFromWstr(buff[i]);
}

}  // namespace

void ReleaseLabel(int slot) {
  if (TextID[slot] != 0) {
    fw_text_free(TextID[slot]);
    TextID[slot] = EMPTY_TEXT;
  }
}

void UpdateLabel() {
  if (!currenttrack || !mdata) return;

  int32_t length = currenttrack->fulltime;
  fullmin = length / 60;
  fullsec = length - 60 * fullmin;

  for (int slot = LABEL_TITLE; slot <= LABEL_LENGHT; ++slot) ReleaseLabel(slot);

  if (buff[0]) FreeBuffer(0);
  FormatLabel(LABEL_LENGHT, 0, u"%02d:%02d", int(fullmin), int(fullsec));

  const MP3_INFO& info = mdata->info;
  if (info.found) {
    const char16_t* mode = info.mode >= 0 && info.mode < 4 ? ChannelModeText[info.mode] : u"";
    TextID[LABEL_CHANEL] = TextFromWstr(mode);
    TextID[LABEL_FREQ] = fw_text_from_int(info.frequency);
    TextID[LABEL_BITRATE] = fw_text_from_int(info.bitrate);
  } else {
    // No MPEG frame in the file: no stream data to show.
    TextID[LABEL_CHANEL] = TextFromWstr(u"");
    TextID[LABEL_FREQ] = TextFromWstr(u"");
    TextID[LABEL_BITRATE] = TextFromWstr(u"");
  }

  TextID[LABEL_GENRE] = TextFromWstr(mdata->genre);
  TextID[LABEL_YEAR] = TextFromWstr(mdata->year);
  TextID[LABEL_ALBUM] = TextFromWstr(mdata->album);
  TextID[LABEL_ARTIST] = TextFromWstr(mdata->artist);
  TextID[LABEL_TITLE] = TextFromWstr(mdata->title);
}

void UpdatePlayTimeLabels() {
  ReleaseLabel(LABEL_CURTIME);
  ReleaseLabel(LABEL_OSTTIME);
  if (buff[1]) FreeBuffer(1);
  if (buff[2]) FreeBuffer(2);
  // The remaining time needs the track's length: before the first track it stays empty.
  if (currenttrack) FormatLabel(LABEL_OSTTIME, 1, u"-%02d:%02d", int(ostmin), int(ostsec));
  if (mdata) FormatLabel(LABEL_CURTIME, 2, u"%02d:%02d", int(mdata->curmin), int(mdata->cursec));
}

void BuildTrackNumberLabel() {
  // A label left over from a redraw that never released it goes first.
  if (buff[3]) ReleaseTrackNumberLabel();
  if (!currenttrack) return;
  FormatLabel(LABEL_TRACKCOUNT, 3, u"%d/%d", int(currenttrack->tracknum),
              int(currenttrack->trackcount));
}

void ReleaseTrackNumberLabel() {
  ReleaseLabel(LABEL_TRACKCOUNT);
  if (buff[3]) FreeBuffer(3);
}

void ReleaseAllLabels() {
  for (int slot = LABEL_TITLE; slot <= LABEL_OSTTIME; ++slot) ReleaseLabel(slot);
  for (int i = 0; i < 3; ++i)
    if (buff[i]) FreeBuffer(i);
}
