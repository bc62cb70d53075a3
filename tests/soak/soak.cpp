// tunestrip-soak: a long whole run of the add-on on the simulated phone, in-process and through
// the simulator's own session (the same commands a script gives): track changes, show/hide
// cycles turned back mid-slide, reconfigurations, and a terminate from each state of the panel.
// It checks that the add-on's live resources return to the same counts at the same state, that
// every count is 0 after each terminate, and that the process's peak memory stays flat.
//
//   tunestrip-soak [--scale S]    (or SOAK_SCALE=S; 1 = 10,000 track changes, the full soak)
//
// Exit status 0 when every check held, 1 otherwise (each failed check is printed).
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/books.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "core/memory.h"
#include "core/text_store.h"
#include "images/image_store.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "sim/options.h"
#include "sim/script.h"
#include "sim/session.h"

namespace fs = std::filesystem;

// AddressSanitizer holds freed memory back (its quarantine, 256 MB by default) to catch its use
// after the free; while that fills, the peak grows whatever the phone holds (with 16 MB, by 19 MB
// between the 1,000th and the 10,000th change). A quarantine of 1 MB fills within the first
// hundred changes, so that the peak then measures what the phone and the add-on hold, and still
// catches a use of what was freed just before.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=1"; }

namespace {

using Clock = std::chrono::steady_clock;

int g_failures = 0;

void fail(const std::string& what) {
  std::fprintf(stderr, "tunestrip-soak: FAILED: %s\n", what.c_str());
  ++g_failures;
}

// Peak resident memory of the process so far, in MB.
double peak_rss_mb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;
}

// "10,000"
std::string thousands(long n) {
  std::string s = std::to_string(n);
  for (int i = int(s.size()) - 3; i > 0; i -= 3) s.insert(size_t(i), ",");
  return s;
}

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

class Soak {
 public:
  Soak(const fs::path& dir, std::ostream& log) : session_(options(dir), true, log) {}

  host::Phone& phone() { return session_.phone(); }

  void run(const std::string& script) { session_.run(sim::parse_script(script)); }
  void op(sim::Op op) {
    sim::Command c;
    c.op = op;
    session_.execute(c);
  }
  void wait(int64_t ms) { session_.advance(ms); }
  void hot_key() { run("key hot\n"); }
  bool panel() { return phone().gui().live() != 0; }
  bool addon_running() { return phone().loader().loaded() != 0; }

  // The add-on's live resources must be what they were at the same state before.
  void same_counts(const host::ResourceCounts& before, const std::string& when) {
    const host::ResourceCounts now = phone().counts();
    if (!(now == before)) fail(when + ": " + now.summary() + "; before: " + before.summary());
  }
  // After the add-on's exit: nothing held, nothing freed twice, no call left behind.
  void all_released(const std::string& when) {
    host::Phone& ph = phone();
    ph.queue().settle();
    if (addon_running()) fail(when + ": the add-on still runs");
    if (!ph.counts().all_zero()) fail(when + ": " + ph.counts().summary());
    if (ph.memory().bad_frees() || ph.images().bad_frees() || ph.texts().bad_releases() ||
        ph.loader().bad_frees() || ph.loader().orphaned_callbacks())
      fail(when + ": a bad free or an orphaned callback");
  }

 private:
  static sim::SimOptions options(const fs::path& dir) {
    sim::SimOptions o;
    o.music = sim::default_music();
    o.skin = sim::default_skin();
    o.out = dir / "out";
    o.phone = dir / "phone";
    o.quiet = true;
    return o;
  }

  sim::Session session_;
};

// Slides: every redraw moves the panel one step of 15 pixels (the slide's own every 80 ms, and
// those of a key press or a play-time tick), then it settles by a pixel a step: under way 40 ms
// after the hot key, shown after 1.6 s, hidden well within that.
constexpr int64_t kMidSlide = 40;
constexpr int64_t kWholeSlide = 1600;

// One show/hide cycle, each way turned back mid-slide and on again; answers the reversals made.
int show_hide_cycle(Soak& s) {
  for (int way = 0; way < 2; ++way) {
    s.hot_key();
    s.wait(kMidSlide);
    s.hot_key();  // back
    s.wait(kMidSlide);
    s.hot_key();  // and on again
    s.wait(kWholeSlide);
  }
  return 4;
}

// Reconfigurations that change what is drawn and how it slides; the last puts the defaults back.
const std::vector<std::string> kConfigs = {
    "config HIDE_SPEED=5 IS_PROGBAR_EN=1 rcBAR=2,134,315,318",
    "config COVER_ENABLED=0 IS_YEAR_EN=1 Y_YEAR_POS=285 X_YEAR_POS=120",
    "config FUNCTION_KEY_COUNT=3 X_TITLE_POS=20 TITLE_NORAMAL_COLOR=0xFFFFD040",
    "config DRAW_FROM_IMAGE=0 FON_NORAMAL_COLOR=0xC0102030 IS_OSTTIME_EN=1 Y_OSTTIME_POS=285",
    "config FON_FROM_BUFFER_ENABLED=0 HIDE_SPEED=1 FUNCTION_KEY_ENABLED=0",
    "config HIDE_SPEED=15 IS_PROGBAR_EN=0 rcBAR=0,0,0,0 COVER_ENABLED=1 IS_YEAR_EN=0 Y_YEAR_POS=1 "
    "X_YEAR_POS=1 FUNCTION_KEY_COUNT=5 X_TITLE_POS=1 TITLE_NORAMAL_COLOR=0xFFFFFFFF "
    "DRAW_FROM_IMAGE=1 FON_NORAMAL_COLOR=0xA0000000 IS_OSTTIME_EN=0 Y_OSTTIME_POS=1 "
    "FON_FROM_BUFFER_ENABLED=1 FUNCTION_KEY_ENABLED=1",
};

int run_soak(double scale, const fs::path& dir) {
  const long changes = std::max(10L, std::lround(10000 * scale));
  const long first_changes = changes / 10;
  const long cycles = std::max(1L, std::lround(1000 * scale));
  const long reconfigs = std::max(1L, std::lround(100 * scale));

  std::ostringstream log;
  Soak s(dir, log);
  s.run("player start\naddon start\nwait 300\nkey hot\nwait 1600\n");
  if (!s.panel()) fail("the hot key showed no panel");

  // Track changes with the panel shown: next mostly, now and then back, a seek and some play
  // time. Each block of ten moves six tracks on; the list has five, so every 50 changes the
  // player is back at the same track, and the counts must be as they were there.
  const auto t_changes = Clock::now();
  const host::ResourceCounts at_start = s.phone().counts();
  double rss_first = 0;
  for (long i = 1; i <= changes; ++i) {
    const long k = i % 10;
    s.op(k == 3 || k == 7 ? sim::Op::PlayerPrev : sim::Op::PlayerNext);
    if (k == 0) s.run("player seek 1\nwait 250\n");
    if (i % 50 == 0) s.same_counts(at_start, "after " + thousands(i) + " track changes");
    if (i == first_changes) rss_first = peak_rss_mb();
  }
  const double rss_last = peak_rss_mb();
  const double changes_s = seconds_since(t_changes);

  // Show/hide cycles, each way turned back mid-slide, with the player paused so that the state
  // at the end is the state at the start.
  s.run("player pause\nwait 100\n");
  const host::ResourceCounts paused = s.phone().counts();
  const auto t_cycles = Clock::now();
  long reversals = 0;
  for (long i = 0; i < cycles; ++i) reversals += show_hide_cycle(s);
  if (!s.panel()) fail("the panel is not shown after the show/hide cycles");
  s.same_counts(paused, "after the show/hide cycles");
  const double cycles_s = seconds_since(t_cycles);

  // Reconfigurations, the panel shown, sometimes hidden and shown again meanwhile.
  const auto t_config = Clock::now();
  for (long i = 0; i < reconfigs; ++i) {
    s.run(kConfigs[size_t(i) % kConfigs.size()] + "\nwait 150\n");
    if (i % 4 == 1) {
      s.hot_key();
      s.wait(kMidSlide);
      s.hot_key();
      s.wait(3000);  // slow slides at speed 1 take 2.6 s
    }
  }
  s.run(kConfigs.back() + "\nwait 3000\n");  // the defaults back
  if (!s.panel()) fail("the panel is not shown after the reconfigurations");
  s.same_counts(paused, "after the reconfigurations");
  const double config_s = seconds_since(t_config);

  // A terminate from each state of the panel; the add-on starts again after each.
  struct State {
    const char* name;
    std::function<void()> reach;
  };
  host::Phone& ph = s.phone();
  const auto terminate_now = [&] { ph.send_event(host::codes::TERMINATE_REQUEST, nullptr); };
  const std::vector<State> states = {
      {"hidden", [&] { s.hot_key(); s.wait(kWholeSlide); }},
      {"sliding in", [&] { s.hot_key(); s.wait(kMidSlide); }},
      {"shown", [&] { s.hot_key(); s.wait(kWholeSlide); }},
      {"sliding out", [&] { s.hot_key(); s.wait(kWholeSlide); s.hot_key(); s.wait(kMidSlide); }},
      // A second terminate, a key and a reconfigure notice arrive while the first terminate's
      // teardown is under way (after its handler, before the deferred release of the module).
      {"during the teardown", [&] { s.hot_key(); s.wait(kWholeSlide); }},
  };
  s.run("player play\n");
  int terminates = 0;
  for (const State& st : states) {
    if (!s.addon_running()) s.run("addon start\nwait 200\n");
    // The first state starts from a shown panel; the rest from a fresh add-on.
    st.reach();
    const std::string name = st.name;
    if (name == "hidden" && s.panel()) fail("hidden: the panel is still there");
    if (name != "hidden" && !s.panel()) fail(name + ": no panel");
    if (name == "during the teardown") {
      ph.queue().post([&] { ph.books().broadcast(host::codes::TERMINATE_REQUEST, nullptr); });
      ph.queue().post([&] { ph.books().broadcast(host::codes::TERMINATE_REQUEST, nullptr); });
      ph.queue().post([&] { ph.keys().deliver(host::codes::KEY_MUSIC, host::codes::KBD_DOWN); });
      s.run("config HIDE_SPEED=7\n");  // runs the queue, then sends the reconfigure notice
    } else {
      terminate_now();
    }
    s.wait(2000);
    s.all_released(std::string("terminated while ") + st.name);
    ++terminates;
    s.run("config HIDE_SPEED=15\n");
  }
  s.run("player close\nwait 100\n");
  s.all_released("at the end");

  std::printf("Soak at scale %g:\n", scale);
  std::printf("  %s track changes with the panel shown: %.1f s; peak RSS %.1f MB after %s, "
              "%.1f MB after %s\n",
              thousands(changes).c_str(), changes_s, rss_first, thousands(first_changes).c_str(),
              rss_last, thousands(changes).c_str());
  std::printf("  %s show/hide cycles with %s reversals mid-slide: %.1f s\n",
              thousands(cycles).c_str(), thousands(reversals).c_str(), cycles_s);
  std::printf("  %s reconfigurations: %.1f s\n", thousands(reconfigs).c_str(), config_s);
  std::printf("  %d terminates (hidden, sliding in, shown, sliding out, during the teardown), "
              "every count 0 after each\n",
              terminates);
  std::printf("  resources at the end: %s\n", ph.counts().summary().c_str());
  std::printf("  peak RSS at the end: %.1f MB\n", peak_rss_mb());

  // Memory is flat when the nine tenths of the changes after the first tenth add no more than
  // a sliver to the peak.
  const double allowed = std::max(8.0, rss_first * 0.05);
  if (rss_last - rss_first > allowed) {
    char what[160];
    std::snprintf(what, sizeof what,
                  "peak RSS grew by %.1f MB from change %s to change %s (allowed %.1f MB)",
                  rss_last - rss_first, thousands(first_changes).c_str(),
                  thousands(changes).c_str(), allowed);
    fail(what);
  }
  const std::string said = log.str();
  if (!said.empty()) std::fprintf(stderr, "%s", said.c_str());
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  double scale = 1;
  if (const char* env = std::getenv("SOAK_SCALE")) scale = std::atof(env);
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scale" && i + 1 < argc) {
      scale = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "Usage: tunestrip-soak [--scale S]   (or SOAK_SCALE=S; 1 = the full soak)\n");
      return 2;
    }
  }
  if (!(scale > 0 && scale <= 100)) {
    std::fprintf(stderr, "tunestrip-soak: the scale must be above 0 and at most 100\n");
    return 2;
  }
  std::string base = (fs::temp_directory_path() / "tunestrip-soak-XXXXXX").string();
  if (!mkdtemp(base.data())) {
    std::perror("tunestrip-soak: cannot make a temporary folder");
    return 1;
  }
  const auto started = Clock::now();
  int status = 1;
  try {
    status = run_soak(scale, base);
  } catch (const std::exception& e) {
    fail(e.what());
  }
  std::error_code ec;
  fs::remove_all(base, ec);
  std::printf("  wall time: %.1f s\n", seconds_since(started));
  return g_failures == 0 ? status : 1;
}
