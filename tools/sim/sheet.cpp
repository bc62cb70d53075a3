#include "sim/sheet.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "config/bcfg.h"
#include "core/temp_folder.h"
#include "core/wstr.h"
#include "images/picture_output.h"
#include "phone/phone.h"
#include "screen/fonts.h"
#include "screen/screen.h"
#include "sim/sheet_cases.h"
#include "sim/options.h"
#include "sim/script.h"
#include "sim/session.h"
#include "skin/skin.h"

namespace fs = std::filesystem;

namespace sheet {
namespace {

constexpr const char* kTool = "tunestrip-skin";

// The sheet's layout: tiles in rows of kColumns, each under a label strip, kGap apart and
// kMargin from the edges, below a title strip.
constexpr int kColumns = 4;
constexpr int kMargin = 8;
constexpr int kGap = 8;
constexpr int kTitle = 20;
constexpr int kLabel = 16;
constexpr uint32_t kBackground = 0x1C1F26;
constexpr uint32_t kText = 0xE8ECF2;
constexpr uint32_t kDimText = 0x9AA4B2;
constexpr int kLabelFont = 18;  // 11 px regular
constexpr int kTitleFont = 23;  // 13 px bold

const char* const kUsage =
    "Usage: tunestrip-skin sheet DIR [-o FILE.png] [--config FILE] [--screen WxH] [--cases DIR]\n"
    "\n"
    "Draws one picture of the skin in DIR in every hard case a phone meets, each tile the panel\n"
    "at the end of a run of the simulated phone, labelled: shown, mid-slide, each button\n"
    "selected, paused, a long title, no tags (the file name), Cyrillic and ID3v1 CP1251 text, a\n"
    "cover in the tag, a cover.jpg beside the track, a large wide cover, an hour-long track, the\n"
    "last of 999 tracks. The tracks are made for the run; no music is needed.\n"
    "\n"
    "Options:\n"
    "  -o FILE.png     the sheet; default DIR-sheet.png beside the folder\n"
    "  --config FILE   the configuration; default DIR/TuneStrip.bcfg, else the built-in one\n"
    "  --screen WxH    the phone's screen (default 240x320)\n"
    "  --cases DIR     keep the tracks and each tile's script in DIR (new or empty), to rerun a\n"
    "                  case: tunestrip-sim --skin SKIN --music DIR/tracks/... --script DIR/NN-....txt\n"
    "  -q, --quiet     no progress line\n"
    "  -h, --help      this text\n"
    "\n"
    "Exit status: 0 the sheet is written; 1 the skin, the configuration or the sheet's file\n"
    "cannot be used (a run that fails names its case); 2 the command line cannot be understood.\n";

int usage_error(const std::string& message) { return tools::usage_error(kTool, message); }

int failed(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
  return tools::kExitFailed;
}

// A folder that goes when the sheet is done, or one the user keeps.
class Workspace {
 public:
  explicit Workspace(const fs::path& keep) : path_(keep) {
    if (!keep.empty()) return;
    std::error_code ec;
    temp_.emplace("tunestrip-sheet-", ec);
    if (ec)
      throw std::runtime_error("cannot make a temporary folder in " +
                               fs::temp_directory_path().string());
    path_ = temp_->path();
  }
  const fs::path& path() const { return path_; }

 private:
  std::optional<host::TempFolder> temp_;
  fs::path path_;
};

// An RGB picture the sheet is drawn into.
struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  Picture(int width, int height, uint32_t rgb) : w(width), h(height), rgba(size_t(w) * h * 4) {
    for (size_t i = 0; i < rgba.size(); i += 4) {
      rgba[i] = uint8_t(rgb >> 16);
      rgba[i + 1] = uint8_t(rgb >> 8);
      rgba[i + 2] = uint8_t(rgb);
      rgba[i + 3] = 255;
    }
  }
  void blend(int x, int y, uint32_t rgb, int coverage) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
    const int c[3] = {int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)};
    for (int i = 0; i < 3; ++i) p[i] = uint8_t((c[i] * coverage + p[i] * (255 - coverage) + 127) / 255);
  }
};

// Text in a phone font, its pen at (x, top), kept left of `right`.
void write_text(host::Fonts& fonts, Picture& pic, const std::string& text, int font, int x, int top,
                int right, uint32_t rgb) {
  fonts.render(host::utf8_to_utf16(text), font, x, top, [&](int px, int py, uint8_t cover) {
    if (px < right) pic.blend(px, py, rgb, cover);
  });
}

// The panel's box on the screen, as the configuration places it; the whole screen when the
// panel lies off it.
host::Box panel_box(const bcfg::Image& image, int w, int h) {
  const RECT r = bcfg::rect(image, "rcFON");
  const host::Box box = host::Box::of(r).intersect({0, 0, w, h});
  return box.empty() ? host::Box{0, 0, w, h} : box;
}

// The configuration the runs use, as the simulator chooses it (the built-in block when the file
// cannot be read: the run then says why).
bcfg::Image config_in_use(const SheetOptions& o) {
  const skin::ConfigChoice choice = skin::choose_config(o.skin, o.config);
  if (choice.file.empty()) return bcfg::default_image();
  try {
    return bcfg::read_file(choice.file);
  } catch (const bcfg::Error&) {
    return bcfg::default_image();
  }
}

PanelFacts facts_of(const bcfg::Image& image, int screen_h) {
  PanelFacts f;
  f.screen_h = screen_h;
  f.fon_top = bcfg::rect(image, "rcFON").y1;
  f.speed = int(std::clamp<int64_t>(bcfg::number(image, "HIDE_SPEED"), 1, 15));
  f.buttons = bcfg::number(image, "FUNCTION_KEY_ENABLED")
                  ? int(std::clamp<int64_t>(bcfg::number(image, "FUNCTION_KEY_COUNT"), 0, 5))
                  : 0;
  f.play_pause = 0;
  for (int b = f.buttons; b >= 1; --b)
    if (bcfg::number(image, "FUNCTION_KEY" + std::to_string(b)) == 2) f.play_pause = b;
  return f;
}

// The progress line on a terminal, once the sheet has taken a second.
class Progress {
 public:
  explicit Progress(bool on) : on_(on && isatty(2)), start_(std::chrono::steady_clock::now()) {}
  ~Progress() { clear(); }
  void show(size_t i, size_t n, const std::string& label) {
    if (!on_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    std::fprintf(stderr, "\r\033[K%s: sheet: tile %zu of %zu: %s", kTool, i + 1, n, label.c_str());
    shown_ = true;
  }
  void clear() {
    if (shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
  }

 private:
  bool on_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
};

// Writes the sheet whole: into a temporary file beside it, then renamed over it.
void save(const Picture& pic, const fs::path& out) {
  const fs::path tmp = out.string() + ".part";
  if (!host::write_png(tmp, pic.w, pic.h, pic.rgba)) {
    std::error_code ec;
    fs::remove(tmp, ec);
    throw std::runtime_error(out.string() + ": cannot write: " + std::strerror(errno));
  }
  std::error_code ec;
  fs::rename(tmp, out, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw std::runtime_error(out.string() + ": cannot write: " + ec.message());
  }
}

int make_sheet(const SheetOptions& o) {
  const bcfg::Image image = config_in_use(o);
  const host::Box crop = panel_box(image, o.screen_w, o.screen_h);
  tools::catch_interrupts();
  const Workspace work(o.cases);
  const std::vector<Case> cases = write_cases(work.path(), facts_of(image, o.screen_h));

  const int rows = int(cases.size() + kColumns - 1) / kColumns;
  const int cell_w = crop.width(), cell_h = kLabel + crop.height();
  Picture pic(2 * kMargin + kColumns * cell_w + (kColumns - 1) * kGap,
              2 * kMargin + kTitle + rows * cell_h + (rows - 1) * kGap, kBackground);

  // Where each tile lies in the sheet, for the record of the cases: "NAME X Y W H MUSIC LABEL",
  // MUSIC relative to the cases' folder.
  std::string index;
  Progress progress(!o.quiet);
  std::ofstream nowhere;  // the runs' notes: the first run's go to standard error, once
  const skin::ConfigChoice choice = skin::choose_config(o.skin, o.config);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    progress.show(i, cases.size(), c.label);
    sim::SimOptions so;
    so.skin = o.skin;
    so.config = o.config;
    so.music = c.music;
    so.screen_w = o.screen_w;
    so.screen_h = o.screen_h;
    so.out = work.path() / "shots";
    so.quiet = true;
    std::ostream& log = i == 0 ? std::cerr : nowhere;
    if (i == 0) progress.clear();
    sim::Session session(so, true, log);
    try {
      session.run(sim::parse_script(c.script));
    } catch (const sim::RunError& e) {
      progress.clear();
      return failed("sheet: " + c.name + ".txt:" + std::to_string(e.line()) + ": " + e.what());
    }
    if (const int signal = tools::interrupted()) {
      progress.clear();
      std::fprintf(stderr, "%s: interrupted by %s\n", kTool, tools::signal_name(signal));
      return tools::interrupted_status(signal);
    }
    const std::vector<uint8_t> screen = session.phone().screen().rgba();
    const int col = int(i) % kColumns, row = int(i) / kColumns;
    const int x0 = kMargin + col * (cell_w + kGap);
    const int y0 = kMargin + kTitle + row * (cell_h + kGap);
    index += c.name + " " + std::to_string(x0) + " " + std::to_string(y0 + kLabel) + " " +
             std::to_string(cell_w) + " " + std::to_string(crop.height()) + " " +
             fs::relative(c.music, work.path()).string() + " " + c.label + "\n";
    host::Fonts& fonts = session.phone().fonts();
    write_text(fonts, pic, c.label, kLabelFont, x0 + 1, y0 + 2, x0 + cell_w, kText);
    for (int y = 0; y < crop.height(); ++y)
      std::copy_n(&screen[(size_t(crop.y1 + y) * o.screen_w + crop.x1) * 4], size_t(cell_w) * 4,
                  &pic.rgba[(size_t(y0 + kLabel + y) * pic.w + x0) * 4]);
    if (i + 1 == cases.size()) {
      const std::string title = o.skin.string() + " at " + std::to_string(o.screen_w) + "x" +
                                std::to_string(o.screen_h) + ", " + choice.describe();
      write_text(fonts, pic, title, kTitleFont, kMargin, kMargin, pic.w - kMargin, kDimText);
    }
  }
  progress.clear();
  {
    // The tiles' places, and the part of the screen each shows: "screen X1 Y1 X2 Y2".
    std::ofstream list(work.path() / "tiles.txt", std::ios::trunc);
    list << "screen " << crop.x1 << " " << crop.y1 << " " << crop.x2 << " " << crop.y2 << "\n"
         << index;
  }
  save(pic, o.out);
  std::printf("%s: %zu tiles\n", o.out.string().c_str(), cases.size());
  return tools::kExitDone;
}

// A folder for --cases: new, or empty.
std::optional<std::string> unusable_cases_folder(const fs::path& dir) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(dir, ec))) {
    if (!fs::create_directories(dir, ec) && ec) return "cannot make the folder: " + ec.message();
    return std::nullopt;
  }
  if (!fs::is_directory(dir, ec)) return "is there already and is not a folder";
  if (!fs::is_empty(dir, ec)) return "the folder is not empty; give a new or an empty one";
  return std::nullopt;
}

}  // namespace

int run_sheet_command(const std::vector<std::string>& args) {
  if (std::find_if(args.begin(), args.end(), [](const std::string& a) {
        return a == "-h" || a == "--help";
      }) != args.end()) {
    std::fputs(kUsage, stdout);
    return tools::kExitDone;
  }
  SheetOptions o;
  std::vector<std::string> dirs;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    // An option's value: the next argument, or after '=' (--config=FILE).
    auto value = [&](std::string_view name, const char* what) -> std::optional<std::string> {
      if (a == name) {
        if (i + 1 < args.size()) return args[++i];
      } else if (a.starts_with(std::string(name) + "=")) {
        std::string v = a.substr(name.size() + 1);
        if (!v.empty()) return v;
      } else {
        return std::nullopt;
      }
      throw std::invalid_argument(std::string(name) + " needs " + what);
    };
    try {
      if (a == "-q" || a == "--quiet") {
        o.quiet = true;
      } else if (auto v = value("-o", "a FILE.png")) {
        o.out = *v;
        if (o.out.extension() != ".png" && o.out.extension() != ".PNG")
          return usage_error("-o: '" + *v + "' is not a FILE.png; the sheet is a PNG picture");
      } else if (auto v = value("--config", "a FILE")) {
        o.config = *v;
      } else if (auto v = value("--cases", "a DIR")) {
        o.cases = *v;
      } else if (auto v = value("--screen", "a size WxH")) {
        const sim::SimOptions so = sim::parse_options({"--screen", *v});
        o.screen_w = so.screen_w;
        o.screen_h = so.screen_h;
      } else if (a.size() > 1 && a[0] == '-') {
        return usage_error(tools::unknown_option(a, kUsage));
      } else {
        dirs.push_back(a);
      }
    } catch (const std::invalid_argument& e) {
      return usage_error(e.what());
    } catch (const sim::UsageError& e) {
      return usage_error(e.what());
    }
  }
  if (dirs.empty()) return usage_error("sheet needs the skin's folder DIR");
  if (dirs.size() > 1) return usage_error("sheet takes one DIR, not '" + dirs[1] + "' as well");
  o.skin = dirs[0];
  std::error_code ec;
  if (!fs::exists(o.skin, ec)) return failed(dirs[0] + ": no such folder");
  if (!fs::is_directory(o.skin, ec)) return failed(dirs[0] + ": not a folder");
  if (o.out.empty()) {
    // Beside the folder: "skin/default/" gives skin/default-sheet.png, "." ../NAME-sheet.png.
    fs::path base = o.skin.lexically_normal();
    if (!base.has_filename()) base = base.parent_path();
    if (base.filename() == "." || base.filename() == ".." || base.empty()) {
      base = fs::absolute(o.skin).lexically_normal();
      if (!base.has_filename()) base = base.parent_path();
    }
    o.out = base.string() + "-sheet.png";
  }
  // The sheet's folder, before the runs rather than after them.
  const fs::path out_dir = o.out.has_parent_path() ? o.out.parent_path() : fs::path(".");
  if (!fs::is_directory(out_dir, ec))
    return failed(o.out.string() + ": cannot write: " + out_dir.string() + " is not a folder");
  if (access(out_dir.c_str(), W_OK) != 0)
    return failed(o.out.string() + ": cannot write: " + std::strerror(errno));
  if (!o.cases.empty())
    if (auto why = unusable_cases_folder(o.cases)) return failed("--cases: " + o.cases.string() + ": " + *why);
  try {
    return make_sheet(o);
  } catch (const sim::InputError& e) {
    return failed(e.what());
  }
}

}  // namespace sheet
