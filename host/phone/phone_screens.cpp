// The phone's own screens beneath the GUI objects: the media player's, and the idle screen.
#include "phone/phone_screens.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/wstr.h"
#include "player/media_player.h"
#include "screen/screen.h"

namespace host {
namespace {

// Fonts of the phone's own screens (see Fonts for the sizes).
constexpr int FONT_SMALL = 0x2010;       // 12 px
constexpr int FONT_TEXT = 0x2012;        // 14 px
constexpr int FONT_TITLE = 0x2114;       // 16 px bold
constexpr int FONT_CLOCK = 0x2128;       // 32 px bold
constexpr int FONT_ART = 0x2040;         // 51 px

constexpr uint32_t BG_TOP = 0xFF1C2433;
constexpr uint32_t BG_BOTTOM = 0xFF090C12;
constexpr uint32_t BAR = 0x70000000;
constexpr uint32_t TEXT_MAIN = 0xFFF2F5FA;
constexpr uint32_t TEXT_DIM = 0xFF8FA3BA;
constexpr uint32_t ACCENT = 0xFF4FC3F7;
constexpr uint32_t TRACK = 0xFF33405A;

std::u16string u16(const std::string& s) { return utf8_to_utf16(s); }

std::u16string clock_text(int seconds) {
  if (seconds < 0) seconds = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d", seconds / 60, seconds % 60);
  return u16(buf);
}

// Time of day on the phone: the virtual clock starts at 12:00.
std::u16string time_of_day(int64_t ms) {
  int64_t minutes = 12 * 60 + ms / 60000;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", int(minutes / 60 % 24), int(minutes % 60));
  return u16(buf);
}

}  // namespace

void paint_idle_screen(Screen& s, int64_t now) {
  const Box all = s.bounds();
  const int w = s.width(), h = s.height();
  s.gradient(all, BG_TOP, BG_BOTTOM, all);
  s.fill({0, 0, w, 18}, BAR, all);
  s.draw_text(u"TuneStrip phone", FONT_SMALL, ALIGN_LEFT, {4, 2, w - 4, 18}, TEXT_DIM, all);
  s.draw_text(time_of_day(now), FONT_CLOCK, ALIGN_CENTER, {0, h / 3 - 20, w, h / 3 + 24},
              TEXT_MAIN, all);
  s.draw_text(u"Media player is off", FONT_TEXT, ALIGN_CENTER, {0, h / 3 + 30, w, h / 3 + 50},
              TEXT_DIM, all);
  s.fill({0, h - 22, w, h}, BAR, all);
  s.draw_text(u"Menu", FONT_TEXT, ALIGN_CENTER, {0, h - 20, w, h}, TEXT_MAIN, all);
}

void paint_player_screen(Screen& s, const NowPlaying& np, int64_t now) {
  const Box all = s.bounds();
  const int w = s.width(), h = s.height();

  s.gradient(all, BG_TOP, BG_BOTTOM, all);
  // Status bar: the player's name and the time of day.
  s.fill({0, 0, w, 18}, BAR, all);
  s.draw_text(u"Media player", FONT_SMALL, ALIGN_LEFT, {4, 2, w - 50, 18}, TEXT_DIM, all);
  s.draw_text(time_of_day(now), FONT_SMALL, ALIGN_RIGHT, {w - 60, 2, w - 4, 18},
              TEXT_DIM, all);

  // Artwork placeholder: a framed square with a note.
  const int art = std::min(96, w / 2);
  const Box art_box{(w - art) / 2, 28, (w + art) / 2, 28 + art};
  s.gradient(art_box, 0xFF34507A, 0xFF1E2B42, all);
  s.draw_rect(art_box, 0xFF46618C, 0, all);
  s.draw_text(u"\u266B", FONT_ART, ALIGN_CENTER, {art_box.x1, art_box.y1 + art / 2 - 32,
                                                  art_box.x2, art_box.y2},
              0xC0FFFFFF, all);

  int y = art_box.y2 + 10;
  s.draw_text(np.title.empty() ? u"Unknown title" : np.title, FONT_TITLE, ALIGN_CENTER,
              {6, y, w - 6, y + 20}, TEXT_MAIN, all);
  y += 22;
  s.draw_text(np.artist.empty() ? u"Unknown artist" : np.artist, FONT_TEXT, ALIGN_CENTER,
              {6, y, w - 6, y + 18}, TEXT_DIM, all);
  y += 26;

  // Progress line and times.
  const int x1 = 16, x2 = w - 16;
  s.fill({x1, y, x2, y + 3}, TRACK, all);
  int done = x1;
  if (np.length > 0)
    done = x1 + int(int64_t(std::clamp(np.position, 0, np.length)) * (x2 - x1) / np.length);
  s.fill({x1, y, done, y + 3}, ACCENT, all);
  s.fill({done - 2, y - 2, done + 3, y + 5}, TEXT_MAIN, all);
  y += 8;
  s.draw_text(clock_text(np.position), FONT_SMALL, ALIGN_LEFT, {x1, y, x1 + 60, y + 16}, TEXT_MAIN,
              all);
  s.draw_text(clock_text(np.length), FONT_SMALL, ALIGN_RIGHT, {x2 - 60, y, x2, y + 16}, TEXT_DIM,
              all);
  if (np.count > 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d / %d", np.index + 1, np.count);
    s.draw_text(u16(buf), FONT_SMALL, ALIGN_CENTER, {x1, y, x2, y + 16}, TEXT_DIM, all);
  }
  y += 22;
  s.draw_text(np.playing ? u"\u25B6  Playing" : u"\u275A\u275A  Paused", FONT_TEXT, ALIGN_CENTER,
              {0, y, w, y + 18}, np.playing ? ACCENT : TEXT_DIM, all);

  // Volume and soft keys at the bottom.
  s.fill({0, h - 22, w, h}, BAR, all);
  s.draw_text(u"Options", FONT_TEXT, ALIGN_LEFT, {6, h - 20, w / 2, h}, TEXT_MAIN, all);
  s.draw_text(u"Back", FONT_TEXT, ALIGN_RIGHT, {w / 2, h - 20, w - 6, h}, TEXT_MAIN, all);
  const int vol = std::clamp(np.volume, 0, 15);
  for (int i = 0; i < 15; ++i) {
    int bx = w / 2 - 30 + i * 4;
    int bh = 3 + i / 2;
    s.fill({bx, h - 6 - bh, bx + 3, h - 6}, i < vol ? ACCENT : TRACK, all);
  }
}

}  // namespace host
