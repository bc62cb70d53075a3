#include "window_pictures.h"

#include <algorithm>
#include <utility>

#include "core/wstr.h"
#include "screen/fonts.h"
#include "sim/options.h"

namespace sim {
namespace {

constexpr const char* kFrozenHelp =
    "A still screen above the panel: with FON_FROM_BUFFER_ENABLED on (the editor's Other → "
    "Freeze the screen behind the panel), the panel draws over a picture of the screen taken "
    "as it slid in. Turn it off there, or: tunestrip-bcfg set FILE FON_FROM_BUFFER_ENABLED=0";

}  // namespace

Canvas status_picture(host::Fonts& fonts, const std::vector<StatusLine>& rows, int font, int width,
                      int height) {
  Canvas c(width, height);
  c.fill(0, 0, width, height, 0x181C20, 255);
  c.fill(0, 0, width, 1, 0x404850, 255);
  const int lh = fonts.metrics(font).line_height;
  for (size_t i = 0; i < rows.size(); ++i)
    c.text(fonts, rows[i].text, font, 6, 4 + int(i) * lh, rows[i].colour);
  return c;
}

Canvas help_picture(host::Fonts& fonts, int font, int width, int height) {
  Canvas c(width, height);
  c.fill(0, 0, width, height, 0x101418, 225);
  const int lh = fonts.metrics(font).line_height;
  int y = 10;
  c.text(fonts, "Keys (H or F1 closes this)", font, 12, y, 0xFFD040);
  y += lh + 4;
  // The key map's two columns: the computer's keys, then what they do, wrapped to the room (a
  // line indented further goes on with the description above it).
  std::vector<std::pair<std::string, std::string>> rows;
  const std::string map = key_map();
  for (size_t at = 0; at < map.size();) {
    size_t end = map.find('\n', at);
    if (end == std::string::npos) end = map.size();
    const std::string line = map.substr(at, end - at);
    at = end + 1;
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    if (first > 2 && !rows.empty()) {
      rows.back().second += ' ' + line.substr(first);
      continue;
    }
    const size_t gap = line.find("  ", first);
    const size_t desc = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
    rows.emplace_back(line.substr(first, gap - first), desc == std::string::npos ? "" : line.substr(desc));
  }
  int desc_x = 0;
  for (const auto& [keys, desc] : rows)
    desc_x = std::max(desc_x, fonts.text_width(host::utf8_to_utf16(keys), font));
  desc_x = std::min(desc_x + 24, width / 2);
  for (const auto& [keys, desc] : rows) {
    c.text(fonts, keys, font, 10, y, 0xFFFFFF);
    for (const std::string& part : Canvas::wrap(fonts, desc, font, width - desc_x - 8)) {
      c.text(fonts, part, font, desc_x, y, 0xD8D8D8);
      y += lh;
    }
  }
  // The frozen backdrop looks like a screen that stopped: what it is and the item that turns it
  // off.
  y += lh / 2;
  for (const std::string& part : Canvas::wrap(fonts, kFrozenHelp, font, width - 20)) {
    c.text(fonts, part, font, 10, y, 0xFFD040);
    y += lh;
  }
  return c;
}

void draw_message(Canvas& c, host::Fonts& fonts, const std::string& text, int font) {
  const int margin = 12, pad = 8;
  const int box_w = c.width() - 2 * margin;
  const std::vector<std::string> lines = Canvas::wrap(fonts, text, font, box_w - 2 * pad);
  const int lh = std::max(1, fonts.metrics(font).line_height);
  const int box_h = int(lines.size()) * lh + 2 * pad;
  const int x0 = margin, y0 = std::max(0, (c.height() - box_h) / 2);
  c.fill(x0, y0, box_w, box_h, 0x202830, 235);
  c.frame(x0, y0, box_w, box_h, 0xE0E0E0);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lw = fonts.text_width(host::utf8_to_utf16(lines[i]), font);
    c.text(fonts, lines[i], font, x0 + (box_w - lw) / 2, y0 + pad + int(i) * lh, 0xFFFFFF);
  }
}

}  // namespace sim
