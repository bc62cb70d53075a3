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
#include <map>
#include <string>
#include <thread>

#include "host/codes.h"
#include "host/event_queue.h"
#include "host/fonts.h"
#include "host/gui_manager.h"
#include "host/keys.h"
#include "host/media_player.h"
#include "host/messages.h"
#include "host/screen.h"
#include "host/wstr.h"

namespace sim {

bool window_available() { return true; }

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr microseconds kFrame{16667};     // 60 frames a second
constexpr milliseconds kLongPress{600};   // a key held this long is a long press
constexpr int64_t kMaxLagMs = 250;        // further behind real time, the clock skips ahead
constexpr int kMessageFont = 18;          // 11 px
constexpr const char* kTitle =
    "TuneStrip phone — M hot key · arrows, Enter, Esc panel keys · +/- volume · Space play/pause "
    "· N/P tracks · A/T add-on · S shot · Q quit (--help lists every key)";

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
    case SDLK_m: case SDLK_F1: return c::KEY_MUSIC;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: case SDLK_PAGEUP: return c::KEY_VOL_UP;
    case SDLK_MINUS: case SDLK_KP_MINUS: case SDLK_PAGEDOWN: return c::KEY_VOL_DOWN;
  }
  if (k >= SDLK_0 && k <= SDLK_9) return c::KEY_DIGIT_0 + int(k - SDLK_0);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return c::KEY_DIGIT_0 + 1 + int(k - SDLK_KP_1);
  if (k == SDLK_KP_0) return c::KEY_DIGIT_0;
  return 0;
}

class Window {
 public:
  Window(Session& s, std::ostream& log) : s_(s), log_(log) {}
  ~Window() { close(); }

  bool open() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      log_ << "tunestrip-sim: cannot open a window: " << SDL_GetError() << "\n";
      return false;
    }
    sdl_ = true;
    host::Screen& screen = s_.phone().screen();
    w_ = screen.width();
    h_ = screen.height();
    const int scale = (w_ <= 400 && h_ <= 450) ? 2 : 1;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    window_ = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w_ * scale,
                               h_ * scale, SDL_WINDOW_RESIZABLE);
    if (window_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_) {
      SDL_RenderSetLogicalSize(renderer_, w_, h_);
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING,
                                   w_, h_);
    }
    if (!texture_) {
      log_ << "tunestrip-sim: cannot open a window: " << SDL_GetError() << "\n";
      return false;
    }
    listener_ = s_.phone().gui().add_frame_listener([this](int64_t) {
      frame_dirty_ = true;
      ++composed_;
    });
    frame_dirty_ = true;
    base_real_ = Clock::now();
    base_virtual_ = s_.phone().queue().now();
    next_present_ = base_real_;
    return true;
  }

  void close() {
    if (listener_) s_.phone().gui().remove_frame_listener(listener_);
    listener_ = 0;
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    if (sdl_) SDL_Quit();
    sdl_ = false;
  }

  // Moves the virtual clock to `until` at the pace of real time, presenting frames on the way.
  bool pace(int64_t until) {
    host::EventQueue& q = s_.phone().queue();
    while (!quit_) {
      poll();
      if (quit_) break;
      long_presses();
      const auto now = Clock::now();
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
              log_ << "tunestrip-sim: wrote "
                   << s_.shot("shot-" + std::to_string(++shots_) + ".png").string() << "\n";
            } catch (const std::exception& ex) {
              log_ << "tunestrip-sim: " << ex.what() << "\n";
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
  void draw_message(std::vector<uint8_t>& rgba, const std::string& text) {
    host::Fonts& fonts = s_.phone().fonts();
    const int margin = 12, pad = 8;
    const int box_w = w_ - 2 * margin, text_w = box_w - 2 * pad;
    std::vector<std::u16string> lines;
    for (const std::u16string& para : split(host::utf8_to_utf16(text), u'\n')) {
      std::u16string cur;
      for (const std::u16string& word : split(para, u' ')) {
        std::u16string next = cur.empty() ? word : cur + u' ' + word;
        if (!cur.empty() && fonts.text_width(next, kMessageFont) > text_w) {
          lines.push_back(cur);
          cur = word;
        } else {
          cur = next;
        }
      }
      lines.push_back(cur);
    }
    const int lh = std::max(1, fonts.metrics(kMessageFont).line_height);
    const int box_h = int(lines.size()) * lh + 2 * pad;
    const int x0 = margin, y0 = std::max(0, (h_ - box_h) / 2);
    auto blend = [&](int x, int y, uint32_t rgb, int a) {
      if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
      uint8_t* p = &rgba[(size_t(y) * w_ + x) * 4];
      for (int ch = 0; ch < 3; ++ch) {
        const int src = (rgb >> (16 - 8 * ch)) & 0xFF;
        p[ch] = uint8_t((src * a + p[ch] * (255 - a)) / 255);
      }
    };
    for (int y = y0; y < y0 + box_h; ++y)
      for (int x = x0; x < x0 + box_w; ++x) {
        const bool edge = y == y0 || y == y0 + box_h - 1 || x == x0 || x == x0 + box_w - 1;
        blend(x, y, edge ? 0xE0E0E0 : 0x202830, edge ? 255 : 235);
      }
    for (size_t i = 0; i < lines.size(); ++i) {
      const int lw = fonts.text_width(lines[i], kMessageFont);
      const int x = x0 + (box_w - lw) / 2;
      fonts.render(lines[i], kMessageFont, x, y0 + pad + int(i) * lh,
                   [&](int px, int py, uint8_t cov) { blend(px, py, 0xFFFFFF, cov); });
    }
  }

  static std::vector<std::u16string> split(const std::u16string& s, char16_t sep) {
    std::vector<std::u16string> out;
    size_t at = 0;
    for (;;) {
      size_t end = s.find(sep, at);
      out.push_back(s.substr(at, end == std::u16string::npos ? std::u16string::npos : end - at));
      if (end == std::u16string::npos) break;
      at = end + 1;
    }
    return out;
  }

  void present() {
    const auto now = Clock::now();
    const host::MessageBox* m = s_.phone().messages().visible();
    const std::string message = m ? m->text : std::string();
    if (message != message_) frame_dirty_ = true;
    if (frame_dirty_) {
      std::vector<uint8_t> rgba = s_.phone().screen().rgba();
      message_ = message;
      if (m) draw_message(rgba, message);
      SDL_UpdateTexture(texture_, nullptr, rgba.data(), w_ * 4);
      frame_dirty_ = false;
    }
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
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
  bool sdl_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int w_ = 0, h_ = 0;
  int listener_ = 0;
  bool frame_dirty_ = false;
  bool quit_ = false;
  std::string message_;
  std::map<SDL_Keycode, Held> held_;
  int shots_ = 0;
  Clock::time_point base_real_, next_present_, last_present_;
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
  log << "tunestrip-sim: the phone runs in the window; keys:\n" << key_map();
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
