// The preview's file watch: every kind of write is noticed, and only once the files are still.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "sim/file_watch.h"
#include "test_phone.h"

namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

TEST(FileWatch, EveryKindOfWriteOnceStill) {
  ts::TempDir tmp;
  const fs::path folder = tmp.path() / "skin", file = tmp.path() / "TuneStrip.bcfg";
  fs::create_directories(folder);
  ts::write_file(folder / "Fon.png", "one");
  ts::write_file(file, "block");
  struct Case {
    const char* what;
    std::function<void()> write;
  } cases[] = {
      {"a file written in place", [&] { ts::write_file(file, "other"); }},
      {"a file replaced by a rename",
       [&] {
         ts::write_file(tmp.path() / "new.tmp", "blockX");
         fs::rename(tmp.path() / "new.tmp", file);
       }},
      {"a file removed", [&] { fs::remove(file); }},
      {"a file made again", [&] { ts::write_file(file, "back"); }},
      {"an image changed in the folder", [&] { ts::write_file(folder / "Fon.png", "two"); }},
      {"an image added to the folder", [&] { ts::write_file(folder / "Key1.png", "k"); }},
      {"an image removed from the folder", [&] { fs::remove(folder / "Key1.png"); }},
  };
  sim::FileWatch watch({file, folder}, milliseconds(300));
  auto t = sim::FileWatch::Clock::time_point{};
  EXPECT_FALSE(watch.poll(t));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.write();
    EXPECT_FALSE(watch.poll(t += milliseconds(100)));  // just changed
    EXPECT_FALSE(watch.poll(t += milliseconds(200)));  // not still long enough
    EXPECT_TRUE(watch.poll(t += milliseconds(100)));
    EXPECT_FALSE(watch.poll(t += milliseconds(1000)));  // reported once
  }
  // A file still being written is not reported until it stops changing.
  for (int i = 0; i < 5; ++i) {
    ts::write_file(file, std::string(size_t(i + 1), 'x'));
    EXPECT_FALSE(watch.poll(t += milliseconds(250)));
  }
  EXPECT_TRUE(watch.poll(t += milliseconds(300)));
  // A change taken in at once is not reported again.
  ts::write_file(file, "now");
  watch.mark_seen();
  EXPECT_FALSE(watch.poll(t += milliseconds(1000)));
}

}  // namespace
