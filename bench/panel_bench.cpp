// The panel's costs on the phone: one redraw of the shown panel, an hour of playback with the
// panel shown (run in virtual time), the configuration load and the screen snapshot; and, where
// the build has the guest CPU, the instructions the phone's own ELF runs for a redraw and for a
// track change.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "core/service_table.h"
#include "images/image_store.h"
#include "panel/panel.h"
#include "core/addon_runtime.h"
#include "player/media_player.h"
#include "screen/gui_manager.h"
#include "shell/app.h"
#include "shell/config/config.h"
#include "shown_panel.h"
#include "test_phone.h"

namespace {

using bench::ShownPanel;

// Redraws the shown panel once an iteration; false (the benchmark skipped) when it is not shown.
bool redraw_each_iteration(ShownPanel& p, benchmark::State& state) {
  host::GuiManager& gui = p.phone->gui();
  GUI* top = gui.top();
  if (!top) {
    state.SkipWithError("the panel is not shown");
    return false;
  }
  DISP_OBJ* obj = gui.disp_obj(top);
  for (auto _ : state) {
    gui.invalidate(obj);
    gui.flush();
  }
  return true;
}

void BM_PanelRedraw(benchmark::State& state) {
  ShownPanel p;
  if (redraw_each_iteration(p, state)) state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PanelRedraw)->Unit(benchmark::kMicrosecond);

#if TS_HAVE_GUEST
// The phone's own ELF, as `make target` builds it (or another, named by TS_ELF).
host::Options on_elf() {
  host::Options o;
  o.elf_path = ts::elf_under_test();
  if (o.elf_path.empty()) o.elf_path = std::filesystem::path(TS_SOURCE_DIR) / "build-arm" / "TuneStrip.elf";
  return o;
}

// Instructions the ELF runs for one redraw of the shown panel (the phone's cost of a frame).
void BM_ElfRedraw(benchmark::State& state) {
  ShownPanel p(on_elf());
  const uint64_t before = *p.phone->runtime().instructions();
  if (!redraw_each_iteration(p, state)) return;
  state.counters["instructions_per_redraw"] =
      double(*p.phone->runtime().instructions() - before) / double(state.iterations());
}
BENCHMARK(BM_ElfRedraw)->Unit(benchmark::kMicrosecond);

// Instructions the ELF runs for a track change with the panel shown: the new track's tags, its
// stream read for bitrate and rate, the labels made again and the redraw.
void BM_ElfTrackChange(benchmark::State& state) {
  ShownPanel p(on_elf());
  const uint64_t before = *p.phone->runtime().instructions();
  for (auto _ : state) {
    p.phone->player().next();
    p.phone->queue().settle();
  }
  state.counters["instructions_per_track_change"] =
      double(*p.phone->runtime().instructions() - before) / double(state.iterations());
}
BENCHMARK(BM_ElfTrackChange)->Unit(benchmark::kMicrosecond);
#endif

// One hour of playback: 3,600 play-time ticks, each with a redraw, plus a slide out and in every
// ten minutes. Reported as phone seconds per wall second.
void BM_HourOfPlayback(benchmark::State& state) {
  for (auto _ : state) {
    ShownPanel p;
    auto start = std::chrono::steady_clock::now();
    for (int minute = 0; minute < 60; minute += 10) {
      p.phone->keys().press(host::codes::KEY_MUSIC);
      p.phone->queue().run_for(2000);
      p.phone->keys().press(host::codes::KEY_MUSIC);
      p.phone->queue().run_for(600'000 - 2000);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["phone_s_per_wall_s"] = 3600.0 / wall;
    state.counters["redraws"] = double(p.phone->gui().redraws());
  }
}
BENCHMARK(BM_HourOfPlayback)->Unit(benchmark::kMillisecond)->Iterations(1);

// The add-on's pieces run directly over a phone's services.
struct Pieces {
  host::Phone phone{host::Options{}};
  Pieces() { fw_services = phone.services().table(); }
  ~Pieces() { fw_services = nullptr; }
};

void BM_ConfigLoad(benchmark::State& state) {
  Pieces p;
  InitConfig();  // writes the file; every later load reads it whole
  const char16_t* folder = fw_get_dir(DIR_CONFIG_1);
  for (auto _ : state) benchmark::DoNotOptimize(LoadConfigData(folder, config_file_name));
}
BENCHMARK(BM_ConfigLoad)->Unit(benchmark::kMicrosecond);

// The pieces allocate with the ordinary allocator, so the snapshot's buffer goes back to it.
int take_buffer(void* buf, int, int, const char16_t*, IMAGEID* id) {
  delete[] static_cast<uint8_t*>(buf);
  *id = 1;
  return 0;
}
void drop_image(IMAGEID) {}

void BM_Snapshot(benchmark::State& state) {
  Pieces p;
  p.phone.services().replace<host::service::fw_image_from_buffer>(&take_buffer);
  p.phone.services().replace<host::service::fw_image_free>(&drop_image);
  scr_w = fw_display_width(0);
  scr_h = fw_display_height(0);
  CreateHeader(scr_w, scr_h);
  for (auto _ : state) GetImageBuffer();
  state.SetBytesProcessed(state.iterations() * int64_t(scr_w) * scr_h * 2);
  delete[] hdr;
  hdr = nullptr;
}
BENCHMARK(BM_Snapshot)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
