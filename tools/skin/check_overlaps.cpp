// The overlaps' part of the skin check: a label whose text, at its longest, reaches into the
// cover, a button or another label. The add-on draws each label from its point to the screen's
// right edge (clipped there, not at the panel), then the cover and the buttons over the labels,
// so a long title left of the cover runs under it and shows again to its right, and two labels
// in one row write over each other.
//
// A label is measured with a long text of its kind in its own font (the phone's, check_text.h):
// a long tag for the tags, the widest value the phone writes for the stream and the times (the
// last of 999 tracks, the widest channel mode). Its box is the text's ink with the one-pixel
// outline the panel draws around it. Only what is drawn counts: a label that is off or whose box
// is empty (it starts at the screen's right edge), the cover while it is off, a button beyond the
// count, and a box of no area are left alone.
#include <algorithm>
#include <string>
#include <vector>

#include "shell/config/panel_labels.h"
#include "skin/check_parts.h"
#include "skin/check_text.h"

namespace skin::detail {
namespace {

using bcfg::number;

// The longest text a label shows, by its word.
std::string_view long_sample(std::string_view word) {
  if (word == "YEAR") return "2024-12-31";  // an ID3v2.4 recording time
  if (word == "BITRATE") return "320";
  if (word == "FREQ") return "48000";
  if (word == "CHANEL") return "Single Channel";
  if (word == "CURTIME" || word == "LENGHT") return "99:59";
  if (word == "OSTTIME") return "-99:59";
  if (word == "TRACKCOUNT") return "999/999";
  return "Quietly Jumping Over the Lazy Dog's Backyard Fence (Extended Mix)";
}

struct Drawn {
  std::string what;  // "the TITLE label", "the cover rcCover (...)", "button 2 ..."
  std::string item;  // the finding's name: the label's X_..._POS, else the box's item
  Box box;           // what it covers: a label's text with its outline
  Box ink;           // a label's text alone; a box's whole box
  const CFG_LABEL* label = nullptr;
};

Box of(const RECT& r) { return {int(r.x1), int(r.y1), int(r.x2), int(r.y2)}; }

Box common(const Box& a, const Box& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

std::string span(const Box& b) {
  return "x " + std::to_string(b.left) + ".." + std::to_string(b.right - 1) + ", y " +
         std::to_string(b.top) + ".." + std::to_string(b.bottom - 1);
}

// The labels that are drawn, each with the box its longest text covers.
std::vector<Drawn> labels(const bcfg::Image& b, int screen_w, TextMeasure& measure) {
  std::vector<Drawn> out;
  for (const CFG_LABEL& l : config_labels) {
    const std::string w = l.word;
    if (number(b, "IS_" + w + "_EN") == 0) continue;
    const int64_t x = std::clamp<int64_t>(number(b, "X_" + w + "_POS"), CFG_POINT_MIN, CFG_POINT_MAX);
    const int64_t y = std::clamp<int64_t>(number(b, "Y_" + w + "_POS"), CFG_POINT_MIN, CFG_POINT_MAX);
    const Box ink = measure.ink(long_sample(w), int(number(b, "FONT_" + w)));
    if (ink.empty()) continue;
    // The text and its outline, one pixel around it, clipped to the screen's right edge.
    auto placed = [&](int grow) {
      return Box{int(std::max<int64_t>(0, x + ink.left - grow)), int(y + ink.top - grow),
                 int(std::min<int64_t>(screen_w, x + ink.right + grow)),
                 int(y + ink.bottom + grow)};
    };
    const Box box = placed(1);
    if (box.empty()) continue;
    out.push_back({"the " + w + " label", "X_" + w + "_POS", box, placed(0), &l});
  }
  return out;
}

// The cover and the buttons, drawn over every label.
std::vector<Drawn> boxes(const bcfg::Image& b) {
  std::vector<Drawn> out;
  const RECT cover = bcfg::rect(b, "rcCover");
  if (!unused_reason(b, "rcCover") && has_area(cover))
    out.push_back({"the cover rcCover (" + rect_text(cover) + ")", "rcCover", of(cover), of(cover)});
  for (int k = 1; k <= shown_buttons(b); ++k) {
    const std::string name = "FUNCTION_KEY_RECT" + std::to_string(k);
    const RECT r = bcfg::rect(b, name);
    if (has_area(r))
      out.push_back({"button " + std::to_string(k) + " " + name + " (" + rect_text(r) + ")", name,
                     of(r), of(r)});
  }
  return out;
}

// "the TITLE label at (1, 240) in font 25, with a long tag": what was measured.
std::string measured(const Drawn& d, const bcfg::Image& b) {
  const std::string w = d.label->word;
  const std::string_view sample = long_sample(w);
  return d.what + " at (" + std::to_string(number(b, "X_" + w + "_POS")) + ", " +
         std::to_string(number(b, "Y_" + w + "_POS")) + ") in font " +
         std::to_string(number(b, "FONT_" + w)) + ", with " +
         (sample.size() > 20 ? std::string("a long tag") : "\"" + std::string(sample) + "\"");
}

std::string size(const Box& b) { return size_text(b.right - b.left, b.bottom - b.top); }

}  // namespace

void check_overlaps(const bcfg::Image& b, int screen_w, std::vector<Finding>& out) {
  TextMeasure measure;
  const std::vector<Drawn> drawn = labels(b, screen_w, measure);
  const std::vector<Drawn> over = boxes(b);
  for (size_t i = 0; i < drawn.size(); ++i) {
    const Drawn& l = drawn[i];
    for (const Drawn& o : over) {
      const Box both = common(l.box, o.box);
      if (both.empty()) continue;
      const bool again = o.item == "rcCover" && o.box.right < std::min(l.box.right, screen_w);
      out.push_back({l.item, Severity::Warning,
                     measured(l, b) + ", reaches " + size(both) + " pixels into " + o.what +
                         " (" + span(both) + "), which is drawn over it" +
                         (again ? ", and shows again to its right" : "") +
                         "; move the label clear of it"});
    }
    // Two labels' outlines may touch: only a text reaching into the other label counts.
    for (size_t j = 0; j < i; ++j) {
      const Drawn& e = drawn[j];
      if (common(l.ink, e.box).empty() && common(l.box, e.ink).empty()) continue;
      const Box both = common(l.box, e.box);
      const Drawn& top = l.label->layer > e.label->layer ? l : e;
      out.push_back({l.item, Severity::Warning,
                     measured(l, b) + ", overlaps " + e.what + " at (" +
                         std::to_string(number(b, e.item)) + ", " +
                         std::to_string(number(b, "Y" + e.item.substr(1))) + ") by " +
                         size(both) + " pixels (" + span(both) + "), and " + top.what +
                         " is drawn over the other; move them apart"});
    }
  }
}

}  // namespace skin::detail
