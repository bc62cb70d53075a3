// Stream analysis and tag reading speed: a typical tagged MP3, and a large file with no frame
// header (the frame search reads it to the end).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "core/service_table.h"
#include "files/file_system.h"
#include "mp3/mp3.h"
#include "mp3w/mp3_writer.h"
#include "phone/phone.h"
#include "tags/tag_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace mp3w;

// A phone with a music folder, for one benchmark (only one phone may run at a time).
struct Bench {
  std::unique_ptr<host::Phone> phone;
  fs::path dir;

  Bench() {
    phone = std::make_unique<host::Phone>(host::Options{});
    fw_services = phone->services().table();
    dir = phone->files().root() / "music";
    fs::create_directories(dir);
    phone->files().mount(u"/card/Music", dir);

    // About four minutes at 128 kbit/s behind an ID3v2.3 tag with text and a cover.
    Id3v2Tag tag(3);
    tag.text("TIT2", "Benchmark", Enc::Utf16).text("TPE1", "Исполнитель", Enc::Utf16);
    tag.text("TALB", "Album", Enc::Latin1).picture(tiny_jpeg(300, 300), "image/jpeg").padding(2048);
    Frame f;
    write_file(dir / "tagged.mp3", join({tag.bytes(), xing_frame(f, 9000), frames(f, 9000)}));

    // 50 MB with no frame header anywhere.
    write_file(dir / "noheader.bin", Bytes(50u << 20, 0x20));
  }
  ~Bench() { fw_services = nullptr; }
};

void BM_StreamTagged(benchmark::State& state) {
  Bench b;
  for (auto _ : state) benchmark::DoNotOptimize(ReadMP3Information(u"/card/Music", u"tagged.mp3"));
}
BENCHMARK(BM_StreamTagged);

void BM_StreamNoHeader50MB(benchmark::State& state) {
  Bench b;
  for (auto _ : state) benchmark::DoNotOptimize(ReadMP3Information(u"/card/Music", u"noheader.bin"));
  state.SetBytesProcessed(int64_t(state.iterations()) * (50 << 20));
}
BENCHMARK(BM_StreamNoHeader50MB)->Unit(benchmark::kMillisecond);

void BM_TagsTagged(benchmark::State& state) {
  Bench b;
  for (auto _ : state) {
    FwHandle h = b.phone->tags().open(u"/card/Music", u"tagged.mp3");
    benchmark::DoNotOptimize(b.phone->tags().picture(h));
    b.phone->tags().close(h);
  }
}
BENCHMARK(BM_TagsTagged);

}  // namespace
