// The configuration's part of the skin check: values within their items' limits, boxes that can
// be drawn and fit the screen, labels that start on the panel in a visible colour and a font the
// phone has, and buttons that fit the panel side by side and agree with their count.
//
// Only what the panel draws with this configuration is judged. A label that is off, the progress
// bar's box while the bar is off and a button beyond the count are left alone: an unused box is
// commonly left at 0,0,0,0 (the progress bar's default), and each is judged once it is switched
// on. Fonts are the exception: a font the phone lacks is worth a warning even on a label that is
// off.
#include <algorithm>
#include <cstdio>

#include "config/phone_rules.h"
#include "skin/check_parts.h"

namespace skin::detail {
namespace {

using bcfg::number;

std::string hex32(int64_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", unsigned(uint32_t(v)));
  return buf;
}

bool inside(const RECT& inner, const RECT& outer) {
  return inner.x1 >= outer.x1 && inner.x2 <= outer.x2 && inner.y1 >= outer.y1 &&
         inner.y2 <= outer.y2;
}

bool overlap(const RECT& a, const RECT& b) {
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

// Every value against its item's limits, as `tunestrip-bcfg check` tests them; the two integers
// that shape the panel get a message of their own.
void check_values(const bcfg::Image& b, std::vector<Finding>& out) {
  for (const bcfg::Value& v : bcfg::values()) {
    auto fault = bcfg::value_fault(b, v);
    if (!fault) continue;
    std::string name(v.name);
    const std::string n = std::to_string(number(b, name));
    if (name == "HIDE_SPEED") {
      // The add-on holds the speed to 1..15 so that a slide always ends.
      out.push_back({name, Severity::Error,
                     n +
                         " is outside 1..15 pixels per slide step, the range the phone's "
                         "editor offers (the panel slides at " +
                         (number(b, name) < 1 ? "1" : "15") +
                         " instead); set 1 (slowest) to 15 (quickest)"});
    } else if (name == "FUNCTION_KEY_COUNT") {
      out.push_back(
          {name, Severity::Error,
           n + (number(b, name) > 5 ? " is more than the panel's 5 buttons" : " is below 0") +
               "; set 0..5, the number of buttons shown (button n in its box "
               "FUNCTION_KEY_RECTn)"});
    } else {
      out.push_back({name, Severity::Error, *fault});
    }
  }
}

// The boxes the panel draws in: right of left, below top, on the screen.
void check_rects(const bcfg::Image& b, int screen_w, int screen_h, std::vector<Finding>& out) {
  for (const bcfg::Value& v : bcfg::values()) {
    if (v.item->type != ITEM_RECT) continue;
    const std::string name(v.name);
    if (unused_reason(b, name)) continue;
    const RECT r = bcfg::rect(b, name);
    if (auto fault = bcfg::box_fault(name, r, {screen_w, screen_h})) {
      out.push_back({name, Severity::Error, *fault});
      continue;
    }
    // A button's empty box is the button count's finding.
    if (!has_area(r) && !name.starts_with("FUNCTION_KEY_RECT"))
      out.push_back({name, Severity::Error,
                     rect_text(r) + " has no area, so nothing is drawn in it; give it a width "
                                    "and a height (left < right, top < bottom)"});
  }
}

// The twelve labels, one for each font item FONT_W with its siblings IS_W_EN, X_W_POS, Y_W_POS
// and W_NORAMAL_COLOR.
void check_labels(const bcfg::Image& b, std::vector<Finding>& out) {
  const RECT panel = bcfg::rect(b, "rcFON");
  for (const bcfg::Value& v : bcfg::values()) {
    if (v.item->type != ITEM_FONT) continue;
    const std::string font_name(v.name);
    const std::string w = font_name.substr(std::string_view("FONT_").size());
    const std::string on_name = "IS_" + w + "_EN";
    const bool on = number(b, on_name) != 0;

    const int64_t font = number(b, font_name);
    if (auto fault = bcfg::font_fault(font)) {
      if (!on) fault->insert(fault->find(';'), " (" + on_name + " is off)");
      out.push_back({font_name, on ? Severity::Error : Severity::Warning, *fault});
    }
    if (!on) continue;

    const std::string x_name = "X_" + w + "_POS", y_name = "Y_" + w + "_POS";
    const int64_t x = number(b, x_name), y = number(b, y_name);
    const bool x_in = x >= panel.x1 && x < panel.x2, y_in = y >= panel.y1 && y < panel.y2;
    if (has_area(panel) && !(x_in && y_in))
      out.push_back({y_in ? x_name : y_name, Severity::Error,
                     on_name + " is on, but the label starts at (" + std::to_string(x) + ", " +
                         std::to_string(y) + "), outside the panel rcFON " + rect_text(panel) +
                         "; move it inside: " + x_name + " " + std::to_string(panel.x1) + ".." +
                         std::to_string(panel.x2 - 1) + ", " + y_name + " " +
                         std::to_string(panel.y1) + ".." + std::to_string(panel.y2 - 1)});

    const std::string colour_name = w + "_NORAMAL_COLOR";
    const int64_t colour = number(b, colour_name);
    if ((colour >> 24) == 0)
      out.push_back({colour_name, Severity::Error,
                     hex32(colour) + " has alpha 0, so the text of a label that is on (" + on_name +
                         ") is invisible; make it opaque, e.g. " + hex32(colour | 0xFF000000) +
                         ", or set " + on_name + "=0"});
  }
}

// The buttons the panel shows: as many usable boxes as the count says, side by side on the panel.
void check_buttons(const bcfg::Image& b, int screen_w, int screen_h, std::vector<Finding>& out) {
  const int shown = shown_buttons(b);
  if (shown == 0) return;
  const int64_t count = number(b, "FUNCTION_KEY_COUNT");
  if (count < 0 || count > 5) return;  // a value out of range, found above
  auto box_name = [](int k) { return "FUNCTION_KEY_RECT" + std::to_string(k); };
  auto box = [&](int k) { return bcfg::rect(b, box_name(k)); };

  if (count == 0)
    out.push_back({"FUNCTION_KEY_COUNT", Severity::Warning,
                   "0 while FUNCTION_KEY_ENABLED is on: only button 1 is drawn, and only while "
                   "it is selected; set the number of buttons shown (1..5), or "
                   "FUNCTION_KEY_ENABLED=0 for none"});
  for (int k = 1; k <= count; ++k) {
    const RECT r = box(k);
    if (has_area(r) || r.x1 > r.x2 || r.y1 > r.y2) continue;  // inside-out: the box's finding
    out.push_back({"FUNCTION_KEY_COUNT", Severity::Error,
                   std::to_string(count) + ", but " + box_name(k) + " (" + rect_text(r) +
                       ") has no area: button " + std::to_string(k) +
                       " can be selected yet is never seen; give it a box, or set "
                       "FUNCTION_KEY_COUNT=" +
                       std::to_string(k - 1)});
    break;
  }

  const RECT panel = bcfg::rect(b, "rcFON");
  for (int k = 1; k <= shown; ++k) {
    const RECT r = box(k);
    if (!has_area(r)) continue;
    for (int i = 1; i < k; ++i) {
      if (!has_area(box(i)) || !overlap(box(i), r)) continue;
      out.push_back({box_name(k), Severity::Error,
                     rect_text(r) + " overlaps " + box_name(i) + " (" + rect_text(box(i)) +
                         "), so button " + std::to_string(k) + " hides part of button " +
                         std::to_string(i) + "; move them apart (boxes may share an edge)"});
    }
    // A box past the screen's edge is that box's finding already.
    const bool on_screen = r.x2 <= screen_w && r.y2 <= screen_h;
    if (has_area(panel) && on_screen && !inside(r, panel))
      out.push_back({box_name(k), Severity::Error,
                     rect_text(r) + " leaves the panel rcFON " + rect_text(panel) +
                         "; keep the button inside it"});
  }
}

}  // namespace

void check_config(const bcfg::Image& config, int screen_w, int screen_h,
                  std::vector<Finding>& out) {
  check_values(config, out);
  check_rects(config, screen_w, screen_h, out);
  check_labels(config, out);
  check_buttons(config, screen_w, screen_h, out);
  check_overlaps(config, screen_w, out);
}

}  // namespace skin::detail
