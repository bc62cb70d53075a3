#include "sim/status.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "config/bcfg.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "core/wstr.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "player/player_sound.h"
#include "screen/fonts.h"
#include "screen/gui_manager.h"
#include "sim/phone_config.h"
#include "sim/session.h"

namespace sim {
namespace {

std::string clock_text(int seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d", seconds / 60, seconds % 60);
  return buf;
}

bool fits(host::Fonts& fonts, const std::string& text, int font, int width) {
  return fonts.text_width(host::utf8_to_utf16(text), font) <= width;
}

// The bytes of the UTF-8 character that starts at `at`.
size_t char_size(std::string_view s, size_t at) {
  size_t n = 1;
  while (at + n < s.size() && (static_cast<unsigned char>(s[at + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

std::string player_status(Session& session) {
  host::Phone& ph = session.phone();
  std::string out = "t " + std::to_string(ph.queue().now() / 1000) + " s";
  const host::NowPlaying np = ph.player().now_playing();
  if (!np.running) return out + " · player closed";
  out += np.playing ? " · playing " : " · paused ";
  out += std::to_string(np.index + 1) + "/" + std::to_string(np.count) + " ";
  out += host::utf16_to_utf8(np.title);
  if (!np.artist.empty()) out += " — " + host::utf16_to_utf8(np.artist);
  out += " · " + clock_text(np.position) + " / " + clock_text(np.length);
  out += " · vol " + std::to_string(np.volume);
  return out;
}

std::string skin_status(Session& session) {
  const skin::ConfigChoice& c = session.skin().config_choice();
  std::string config = c.file.empty() ? "the built-in block"
                                      : c.file.filename().string() +
                                            (c.from_option ? " (--config)" : " (the skin's)");
  const SimOptions& o = session.options();
  const host::PlayerSound& player_sound = session.phone().player().sound();
  const std::string sound = o.mute              ? "muted"
                            : player_sound.on() ? "sound on"
                                                : "sound " + player_sound.status();
  return "skin " + o.skin.string() + " · config " + config + " · " + sound;
}

std::string backdrop_status(Session& session) {
  host::Phone& ph = session.phone();
  if (ph.loader().loaded() == 0 || ph.gui().top() == nullptr) return "";
  bool frozen = bcfg::number(bcfg::default_image(), "FON_FROM_BUFFER_ENABLED") != 0;
  try {
    frozen = bcfg::number(bcfg::read_file(session.config().file()), "FON_FROM_BUFFER_ENABLED") != 0;
  } catch (const std::exception&) {
    // No file the add-on can read: it runs on the built-in block.
  }
  if (!frozen) return "";
  return "The screen above the panel is a still picture, taken as the panel slid in "
         "(FON_FROM_BUFFER_ENABLED is on; H says how to turn it off).";
}

std::vector<StatusLine> status_rows(host::Fonts& fonts, const std::vector<StatusLine>& lines,
                                    int font, int width, int rows) {
  std::vector<const StatusLine*> shown;
  std::vector<std::vector<std::string>> wrapped;
  for (const StatusLine& l : lines) {
    if (l.text.empty() || int(shown.size()) >= rows) continue;
    shown.push_back(&l);
    wrapped.push_back(wrap_text(fonts, l.text, font, width));
  }
  std::vector<size_t> given(shown.size(), 1);
  size_t left = size_t(rows) - shown.size();
  for (size_t i = shown.size(); i-- > 0 && left > 0;) {
    const size_t more = std::min(left, wrapped[i].size() - 1);
    given[i] += more;
    left -= more;
  }
  std::vector<StatusLine> out;
  for (size_t i = 0; i < shown.size(); ++i) {
    const std::vector<std::string>& w = wrapped[i];
    for (size_t r = 0; r < given[i]; ++r) {
      std::string text = w[r];
      if (r + 1 == given[i] && w.size() > given[i]) {
        for (size_t k = r + 1; k < w.size(); ++k) text += ' ' + w[k];
        text = fit_text(fonts, text, font, width);
      }
      out.push_back({text, shown[i]->colour});
    }
  }
  return out;
}

std::vector<std::string> wrap_text(host::Fonts& fonts, std::string_view utf8, int font, int width) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (;;) {
    const size_t end = utf8.find('\n', at);
    const std::string_view para =
        utf8.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    std::string cur;
    for (size_t w = 0; w <= para.size();) {
      size_t space = para.find(' ', w);
      if (space == std::string_view::npos) space = para.size();
      std::string word(para.substr(w, space - w));
      w = space + 1;
      std::string next = cur.empty() ? word : cur + ' ' + word;
      if (fits(fonts, next, font, width)) {
        cur = std::move(next);
        continue;
      }
      if (!cur.empty()) lines.push_back(cur);
      // A word wider than a row: as much of it as fits on each (one character at least).
      while (!fits(fonts, word, font, width)) {
        size_t cut = char_size(word, 0);
        for (size_t n = cut; n < word.size(); n += char_size(word, n)) {
          if (!fits(fonts, word.substr(0, n), font, width)) break;
          cut = n;
        }
        lines.push_back(word.substr(0, cut));
        word.erase(0, cut);
      }
      cur = std::move(word);
    }
    lines.push_back(cur);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  return lines;
}

std::string fit_text(host::Fonts& fonts, std::string text, int font, int width) {
  if (fits(fonts, text, font, width)) return text;
  while (!text.empty() && !fits(fonts, text + "…", font, width)) {
    // One whole character off the end: its continuation bytes, then its first byte.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty()) text.pop_back();
  }
  return text + "…";
}

}  // namespace sim
