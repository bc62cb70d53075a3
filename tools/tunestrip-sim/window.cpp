#include "window.h"

#include <ostream>

#ifndef TS_HAVE_SDL2

namespace sim {
bool window_available() { return false; }
int run_interactive(Session&, const std::vector<Command>&, std::ostream& log) {
  log << "tunestrip-sim: this build has no window (SDL2 was not found when it was built)\n";
  return 1;
}
}  // namespace sim

#else

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "canvas.h"
#include "host/codes.h"
#include "host/event_queue.h"
#include "host/fonts.h"
#include "host/gui_manager.h"
#include "host/keys.h"
#include "host/media_player.h"
#include "host/messages.h"
#include "host/screen.h"
#include "host/wstr.h"
#include "tools/common/file_watch.h"
#include "tools/common/sim_status.h"

namespace sim {

bool window_available() { return true; }

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr microseconds kFrame{16667};        // 60 frames a second
constexpr milliseconds kLongPress{600};      // a key held this long is a long press
constexpr milliseconds kWatchEvery{100};     // how often the skin's files are looked at
constexpr int64_t kMaxLagMs = 250;           // further behind real time, the clock skips ahead
constexpr int kMessageFont = 18;             // 11 px
constexpr int kStatusFont = 0x2011;          // 13 px
constexpr int kHelpFont = 0x2012;            // 14 px
constexpr int kStatusLines = 3;
constexpr uint32_t kStatusText = 0xE8E8E8, kStatusDim = 0xA0A8B0, kNoteOk = 0x9FE09F,
                   kNoteBad = 0xFF8A80;

// The phone key of a computer key, or 0.
int phone_key(SDL_Keycode k) {
  namespace c = host::codes;
  switch (k) {
    case SDLK_UP: return c::KEY_UP;
    case SDLK_DOWN: return c::KEY_DOWN;
    case SDLK_LEFT: return c::KEY_LEFT;
    case SDLK_RIGHT: return c::KEY_RIGHT;
    case SDLK_RETURN: case SDLK_KP_ENTER: return c::KEY_ENTER;
    case SDLK_ESCAPE: case SDLK_BACKSPACE: return c::KEY_ESC;
    case SDLK_m: return c::KEY_MUSIC;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: case SDLK_PAGEUP: return c::KEY_VOL_UP;
    case SDLK_MINUS: case SDLK_KP_MINUS: case SDLK_PAGEDOWN: return c::KEY_VOL_DOWN;
  }
  if (k >= SDLK_0 && k <= SDLK_9) return c::KEY_DIGIT_0 + int(k - SDLK_0);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return c::KEY_DIGIT_0 + 1 + int(k - SDLK_KP_1);
  if (k == SDLK_KP_0) return c::KEY_DIGIT_0;
  return 0;
}

struct TextureDeleter {
  void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
using Texture = std::unique_ptr<SDL_Texture, TextureDeleter>;

class Window {
 public:
  Window(Session& s, std::ostream& log) : s_(s), log_(log), watch_(watched(s)) {}
  ~Window() { close(); }

  bool open() {
    // Without a display SDL would quietly pick a driver that shows nothing; only a user who asks
    // for such a driver gets it.
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      log_ << "tunestrip-sim: --interactive: cannot open a window: " << SDL_GetError() << "\n";
      return false;
    }
    sdl_ = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    if ((!asked || !*asked) && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
      log_ << "tunestrip-sim: --interactive: no display to open a window on (is DISPLAY or "
              "WAYLAND_DISPLAY set?); SDL_VIDEODRIVER=offscreen runs without one\n";
      return false;
    }
    host::Screen& screen = s_.phone().screen();
    w_ = screen.width();
    h_ = screen.height();
    const int scale = (w_ <= 400 && h_ <= 450) ? 2 : 1;
    status_h_ = kStatusLines * s_.phone().fonts().metrics(kStatusFont).line_height + 8;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    const std::string title = "TuneStrip — " + s_.options().skin.filename().string() + " (H: help)";
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               w_ * scale, h_ * scale + status_h_, SDL_WINDOW_RESIZABLE);
    if (window_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_) phone_tex_ = texture(w_, h_);
    if (!phone_tex_) {
      log_ << "tunestrip-sim: --interactive: cannot open a window: " << SDL_GetError() << "\n";
      return false;
    }
    listener_ = s_.phone().gui().add_frame_listener([this](int64_t) {
      frame_dirty_ = true;
      ++composed_;
    });
    frame_dirty_ = true;
    base_real_ = Clock::now();
    base_virtual_ = s_.phone().queue().now();
    next_present_ = next_watch_ = base_real_;
    return true;
  }

  void close() {
    if (listener_) s_.phone().gui().remove_frame_listener(listener_);
    listener_ = 0;
    phone_tex_.reset();
    status_tex_.reset();
    help_tex_.reset();
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    renderer_ = nullptr;
    window_ = nullptr;
    // The phone's sound keeps the audio part of SDL going until the phone ends.
    if (sdl_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    sdl_ = false;
  }

  // What the status line says last: a reload or the skin check.
  void note(std::string text, bool bad) {
    note_ = std::move(text);
    note_bad_ = bad;
  }

  // Moves the virtual clock to `until` at the pace of real time, presenting frames on the way.
  bool pace(int64_t until) {
    host::EventQueue& q = s_.phone().queue();
    while (!quit_) {
      poll();
      if (quit_) break;
      long_presses();
      const auto now = Clock::now();
      if (now >= next_watch_) {
        next_watch_ = now + kWatchEvery;
        if (watch_.poll(now)) reload();
      }
      int64_t target = base_virtual_ + std::chrono::duration_cast<milliseconds>(now - base_real_).count();
      if (target - q.now() > kMaxLagMs) {
        // The run stalled (a slow command, the window dragged): carry on from here rather than
        // racing through the missed time.
        worst_lag_ = std::max(worst_lag_, target - q.now());
        ++skips_;
        base_virtual_ = q.now() - std::chrono::duration_cast<milliseconds>(now - base_real_).count();
        target = q.now();
      } else {
        worst_lag_ = std::max(worst_lag_, std::max<int64_t>(0, target - q.now()));
      }
      q.run_until(std::min(std::max(target, q.now()), until));
      if (Clock::now() >= next_present_) present();
      if (q.now() >= until) return true;
      // Sleep until the next frame is due or the virtual clock reaches `until`.
      auto wake = std::min(next_present_,
                           base_real_ + milliseconds(until - base_virtual_));
      std::this_thread::sleep_until(wake);
    }
    return false;
  }

  void report() const {
    if (intervals_.empty()) return;
    std::vector<double> sorted = intervals_;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : sorted) sum += v;
    const double p99 = sorted[std::min(sorted.size() - 1, size_t(sorted.size() * 0.99))];
    char line[300];
    std::snprintf(line, sizeof line,
                  "Window: %zu frames presented (%llu composed by the phone), every %.1f ms on "
                  "average, 99%% within %.1f ms, longest %.1f ms; the clock lagged real time by at "
                  "most %lld ms%s.\n",
                  presented_, static_cast<unsigned long long>(composed_), sum / double(sorted.size()),
                  p99, sorted.back(), static_cast<long long>(worst_lag_),
                  skips_ ? (", skipping ahead " + std::to_string(skips_) + " time(s)").c_str() : "");
    log_ << line;
  }

  bool quit() const { return quit_; }

 private:
  struct Held {
    int code;
    Clock::time_point since;
    bool long_sent;
  };

  // The configuration file in use (or the one the skin may gain) and the skin's folder.
  static std::vector<std::filesystem::path> watched(const Session& s) {
    std::vector<std::filesystem::path> paths{s.options().skin};
    if (s.config_choice().from_option) paths.push_back(s.config_choice().file);
    return paths;
  }

  Texture texture(int w, int h) {
    Texture t(SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING, w, h));
    if (t) SDL_SetTextureBlendMode(t.get(), SDL_BLENDMODE_BLEND);
    return t;
  }

  void reload() {
    try {
      const std::string said = s_.reload();
      note("reload: " + said, said.find("stays in use") != std::string::npos ||
                                  said.find("keeps its copy") != std::string::npos ||
                                  skin::has_errors(s_.findings()));
    } catch (const std::exception& e) {
      note(std::string("reload failed: ") + e.what(), true);
      log_ << "tunestrip-sim: reload failed: " << e.what() << "\n";
    }
    watch_.mark_seen();
  }

  void post_key(int code, int mode) {
    host::Keys& keys = s_.phone().keys();
    s_.phone().queue().post([&keys, code, mode] { keys.deliver(code, mode); });
  }

  void command(Op op) {
    Command c;
    c.op = op;
    try {
      s_.execute(c);
    } catch (const std::exception& e) {
      log_ << "tunestrip-sim: " << describe(c) << ": " << e.what() << "\n";
      note(describe(c) + ": " + e.what(), true);
    }
  }

  void poll() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) {
        quit_ = true;
      } else if (e.type == SDL_WINDOWEVENT) {
        frame_dirty_ = true;
      } else if (e.type == SDL_KEYDOWN && !e.key.repeat) {
        const SDL_Keycode k = e.key.keysym.sym;
        if (int code = phone_key(k)) {
          if (!held_.count(k)) {
            held_[k] = {code, Clock::now(), false};
            post_key(code, host::codes::KBD_DOWN);
          }
          continue;
        }
        host::Phone& ph = s_.phone();
        switch (k) {
          case SDLK_q: quit_ = true; break;
          case SDLK_h: case SDLK_F1: help_ = !help_; break;
          case SDLK_r: reload(); break;
          case SDLK_SPACE: ph.queue().post([&ph] { ph.player().play_pause(); }); break;
          case SDLK_n: command(Op::PlayerNext); break;
          case SDLK_p: command(Op::PlayerPrev); break;
          case SDLK_c: command(Op::PlayerClose); break;
          case SDLK_o: command(Op::PlayerStart); break;
          case SDLK_a: command(Op::AddonStart); break;
          case SDLK_t: command(Op::AddonTerminate); break;
          case SDLK_i: command(Op::AddonAbout); break;
          case SDLK_s: {
            try {
              const std::string path = s_.shot("shot-" + std::to_string(++shots_) + ".png").string();
              log_ << "tunestrip-sim: wrote " << path << "\n";
              note("wrote " + path, false);
            } catch (const std::exception& ex) {
              log_ << "tunestrip-sim: " << ex.what() << "\n";
              note(ex.what(), true);
            }
            break;
          }
          default: break;
        }
      } else if (e.type == SDL_KEYUP) {
        auto it = held_.find(e.key.keysym.sym);
        if (it == held_.end()) continue;
        if (!it->second.long_sent) post_key(it->second.code, host::codes::KBD_SHORT_PRESS);
        post_key(it->second.code, host::codes::KBD_UP);
        held_.erase(it);
      }
    }
  }

  void long_presses() {
    const auto now = Clock::now();
    for (auto& [k, h] : held_) {
      if (!h.long_sent && now - h.since >= kLongPress) {
        h.long_sent = true;
        post_key(h.code, host::codes::KBD_LONG_PRESS);
      }
    }
  }

  // The message box on screen, drawn over the frame: a dark box with a light frame, the text
  // wrapped to its width.
  void draw_message(Canvas& c, const std::string& text) {
    host::Fonts& fonts = s_.phone().fonts();
    const int margin = 12, pad = 8;
    const int box_w = w_ - 2 * margin;
    const std::vector<std::string> lines = Canvas::wrap(fonts, text, kMessageFont, box_w - 2 * pad);
    const int lh = std::max(1, fonts.metrics(kMessageFont).line_height);
    const int box_h = int(lines.size()) * lh + 2 * pad;
    const int x0 = margin, y0 = std::max(0, (h_ - box_h) / 2);
    c.fill(x0, y0, box_w, box_h, 0x202830, 235);
    c.frame(x0, y0, box_w, box_h, 0xE0E0E0);
    for (size_t i = 0; i < lines.size(); ++i) {
      const int lw = fonts.text_width(host::utf8_to_utf16(lines[i]), kMessageFont);
      c.text(fonts, lines[i], kMessageFont, x0 + (box_w - lw) / 2, y0 + pad + int(i) * lh, 0xFFFFFF);
    }
  }

  // The status line under the phone: the clock and the player, the skin and configuration, and
  // the last reload or skin check.
  void draw_status(int width) {
    const std::string lines[kStatusLines] = {player_status(s_), skin_status(s_), note_};
    std::string key = std::to_string(width);
    for (const std::string& l : lines) key += '\n' + l;
    if (key == status_key_ && status_tex_) return;
    status_key_ = key;
    host::Fonts& fonts = s_.phone().fonts();
    Canvas c(width, status_h_);
    c.fill(0, 0, width, status_h_, 0x181C20, 255);
    c.fill(0, 0, width, 1, 0x404850, 255);
    const int lh = fonts.metrics(kStatusFont).line_height;
    const uint32_t colours[kStatusLines] = {kStatusText, kStatusDim, note_bad_ ? kNoteBad : kNoteOk};
    for (int i = 0; i < kStatusLines; ++i)
      c.text(fonts, fit(fonts, lines[i], kStatusFont, width - 12), kStatusFont, 6, 4 + i * lh, colours[i]);
    status_tex_ = texture(width, status_h_);
    if (status_tex_) SDL_UpdateTexture(status_tex_.get(), nullptr, c.rgba().data(), width * 4);
  }

  // `text` cut to `width` pixels, with an ellipsis where it was cut (stderr has it whole).
  static std::string fit(host::Fonts& fonts, std::string text, int font, int width) {
    if (fonts.text_width(host::utf8_to_utf16(text), font) <= width) return text;
    while (!text.empty() && fonts.text_width(host::utf8_to_utf16(text + "…"), font) > width) {
      // One whole character off the end: its continuation bytes, then its first byte.
      while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
      if (!text.empty()) text.pop_back();
    }
    return text + "…";
  }

  // The key map over the phone's screen.
  void draw_help(int width, int height) {
    if (help_tex_ && help_size_ == std::pair{width, height}) return;
    help_size_ = {width, height};
    host::Fonts& fonts = s_.phone().fonts();
    Canvas c(width, height);
    c.fill(0, 0, width, height, 0x101418, 225);
    const int lh = fonts.metrics(kHelpFont).line_height;
    int y = 10;
    c.text(fonts, "Keys (H or F1 closes this)", kHelpFont, 12, y, 0xFFD040);
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
      desc_x = std::max(desc_x, fonts.text_width(host::utf8_to_utf16(keys), kHelpFont));
    desc_x = std::min(desc_x + 24, width / 2);
    for (const auto& [keys, desc] : rows) {
      c.text(fonts, keys, kHelpFont, 10, y, 0xFFFFFF);
      for (const std::string& part : Canvas::wrap(fonts, desc, kHelpFont, width - desc_x - 8)) {
        c.text(fonts, part, kHelpFont, desc_x, y, 0xD8D8D8);
        y += lh;
      }
    }
    help_tex_ = texture(width, height);
    if (help_tex_) SDL_UpdateTexture(help_tex_.get(), nullptr, c.rgba().data(), width * 4);
  }

  void present() {
    const auto now = Clock::now();
    const host::MessageBox* m = s_.phone().messages().visible();
    const std::string message = m ? m->text : std::string();
    if (message != message_) frame_dirty_ = true;
    if (frame_dirty_) {
      Canvas c(w_, h_, s_.phone().screen().rgba());
      message_ = message;
      if (m) draw_message(c, message);
      SDL_UpdateTexture(phone_tex_.get(), nullptr, c.rgba().data(), w_ * 4);
      frame_dirty_ = false;
    }
    // The phone keeps its shape in whatever room the status line leaves.
    int out_w = 0, out_h = 0;
    SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
    const int room_h = std::max(1, out_h - status_h_);
    const double scale = std::min(double(out_w) / w_, double(room_h) / h_);
    SDL_Rect phone{0, 0, std::max(1, int(w_ * scale)), std::max(1, int(h_ * scale))};
    phone.x = (out_w - phone.w) / 2;
    phone.y = (room_h - phone.h) / 2;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, phone_tex_.get(), nullptr, &phone);
    if (help_) {
      draw_help(phone.w, phone.h);
      if (help_tex_) SDL_RenderCopy(renderer_, help_tex_.get(), nullptr, &phone);
    }
    draw_status(std::max(1, out_w));
    const SDL_Rect status{0, out_h - status_h_, std::max(1, out_w), status_h_};
    if (status_tex_) SDL_RenderCopy(renderer_, status_tex_.get(), nullptr, &status);
    SDL_RenderPresent(renderer_);
    if (presented_ > 0)
      intervals_.push_back(std::chrono::duration<double, std::milli>(now - last_present_).count());
    last_present_ = now;
    ++presented_;
    // The next frame is due a frame's time after this one was; a frame missed is not made up.
    next_present_ += kFrame;
    if (next_present_ < now) next_present_ = now + kFrame;
  }

  Session& s_;
  std::ostream& log_;
  FileWatch watch_;
  bool sdl_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  Texture phone_tex_, status_tex_, help_tex_;
  int w_ = 0, h_ = 0, status_h_ = 0;
  int listener_ = 0;
  bool frame_dirty_ = false;
  bool quit_ = false;
  bool help_ = false;
  std::pair<int, int> help_size_;
  std::string message_;
  std::string note_, status_key_;
  bool note_bad_ = false;
  std::map<SDL_Keycode, Held> held_;
  int shots_ = 0;
  Clock::time_point base_real_, next_present_, last_present_, next_watch_;
  int64_t base_virtual_ = 0;
  int64_t worst_lag_ = 0;
  int skips_ = 0;
  size_t presented_ = 0;
  uint64_t composed_ = 0;
  std::vector<double> intervals_;
};

}  // namespace

int run_interactive(Session& session, const std::vector<Command>& commands, std::ostream& log) {
  Window window(session, log);
  if (!window.open()) return 1;
  window.note(session.findings_summary(), skin::has_errors(session.findings()));
  log << "tunestrip-sim: the phone runs in the window (H shows the keys)\n";
  session.set_pacer([&window](int64_t until) { return window.pace(until); });
  bool go_on = session.run(commands);
  // Then the user drives the phone until the window closes.
  while (go_on && !window.quit()) go_on = session.advance(60 * 60 * 1000);
  session.set_pacer({});
  window.report();
  return 0;
}

}  // namespace sim

#endif
