// Big music folders and lists: a 50,000-line play list beside a 5,000-file folder (a quarter of
// its entries name no file, a third differ from the file's name in case), loaded and started;
// and a track change in a 5,000-file folder with the add-on's panel shown, which looks for the
// track's tags and cover through the phone's file services.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "core/codes.h"
#include "core/service_table.h"
#include "mp3w/mp3_writer.h"
#include "player/media_player.h"
#include "player/playlist.h"
#include "screen/keys.h"
#include "shown_panel.h"
#include "test_phone.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 5000;
constexpr int kLines = 50000;

std::string track_name(int i) {
  std::string n = std::to_string(i);
  return "Track " + std::string(4 - n.size(), '0') + n + ".mp3";
}

// kFiles short tagged tracks in `dir`.
void write_folder(const fs::path& dir) {
  mp3w::Frame f;
  f.bitrate = 1;
  for (int i = 0; i < kFiles; ++i) {
    mp3w::Id3v2Tag tag(3);
    tag.text("TIT2", "Song " + std::to_string(i)).text("TPE1", "Bench");
    mp3w::write_file(dir / track_name(i), mp3w::join({tag.bytes(), mp3w::frames(f, 40)}));
  }
  // An old folder, as a music collection is (one changed a moment ago is listed again each time).
  fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(24));
}

// The folder and a list beside it: three entries of four name a file (every third in lower
// case), the fourth names none.
struct BigList {
  ts::TempDir dir;
  fs::path list;
  BigList() {
    fs::create_directories(dir.path() / "music");
    write_folder(dir.path() / "music");
    list = dir.path() / "big.m3u";
    std::ofstream out(list);
    out << "#EXTM3U\n";
    for (int i = 0; i < kLines; ++i) {
      if (i % 4 == 3) {
        out << "music/Gone " << i << ".mp3\n";
        continue;
      }
      std::string name = track_name(i % kFiles);
      if (i % 3 == 0)
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
      out << "music\\" << name << "\n";
    }
  }
};

void BM_LoadList50000Lines(benchmark::State& state) {
  BigList b;
  for (auto _ : state) benchmark::DoNotOptimize(host::load_playlist(b.list).tracks.size());
}
BENCHMARK(BM_LoadList50000Lines)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StartList50000Lines(benchmark::State& state) {
  BigList b;
  for (auto _ : state) {
    host::Phone phone{host::Options{}};
    phone.player().start(b.list);
    phone.queue().settle();
    phone.player().close();
    phone.queue().settle();
  }
}
BENCHMARK(BM_StartList50000Lines)->Unit(benchmark::kMillisecond)->Iterations(1);

// The add-on's panel shown over a player of the 5,000-file folder; each iteration is the next
// track, with everything the add-on does about it.
void BM_TrackChange5000Files(benchmark::State& state) {
  bench::ShownPanel shown({}, write_folder);
  host::Phone* phone = shown.phone.get();
  for (auto _ : state) {
    phone->player().next();
    phone->queue().run_for(100);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrackChange5000Files)->Unit(benchmark::kMillisecond);

}  // namespace
