#include "skin/diff_picture.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/install_paths.h"
#include "core/temp_folder.h"
#include "images/image_decode.h"
#include "images/picture_output.h"

extern char** environ;

namespace fs = std::filesystem;

namespace skin {
namespace {

// What each run does before its shot: the player plays the bundled music and the panel has slid
// in (it takes about 1.3 s at the default speed; a slower skin is still sliding, on both sides
// alike if both are slow).
constexpr const char* kScript =
    "player start\n"
    "addon start\n"
    "wait 500\n"
    "key hot\n"
    "wait 2000\n"
    "shot panel.png\n";

constexpr int kGap = 8;  // pixels between the two screens
constexpr uint8_t kMark[3] = {0xFF, 0x00, 0xFF};

std::string last_line(const fs::path& file) {
  std::ifstream in(file);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

// The simulated phone's screen with `side`, shot by a scripted run of `simulator` in `work`.
host::Image shoot(const DiffSide& side, const fs::path& simulator, const fs::path& work) {
  fs::create_directories(work);
  std::ofstream(work / "script.txt") << kScript;
  std::vector<std::string> args{simulator.string(), "-q", "--out", work.string(), "--script",
                                (work / "script.txt").string()};
  if (!side.skin().empty()) args.insert(args.end(), {"--skin", side.skin().string()});
  if (side.config().from_option) args.insert(args.end(), {"--config", side.config().file.string()});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  const std::string err = (work / "stderr.txt").string();
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0)
    throw DiffError("cannot run " + simulator.string() + ": " + std::strerror(spawned));
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // A skin with errors ends the run with status 1 after its shot: the shot is what counts.
  std::string why;
  if (std::optional<host::Image> shot = host::decode_image_file(work / "panel.png", &why))
    return std::move(*shot);
  const std::string said = last_line(err);
  throw DiffError(side.given().string() + ": the simulator made no picture" +
                  (said.empty() ? std::string() : ": " + said));
}

uint8_t* pixel(std::vector<uint8_t>& rgba, int width, int x, int y) {
  return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
}

}  // namespace

fs::path simulator_beside_program() {
#ifdef TS_CROSS_LAUNCH_DIR
  // Built for another processor, the programs run under its emulator, the simulator too.
  return fs::path(TS_CROSS_LAUNCH_DIR) / "tunestrip-sim";
#else
  return host::program_dir() / "tunestrip-sim";
#endif
}

size_t diff_picture(const DiffSide& a, const DiffSide& b, const fs::path& png,
                    const fs::path& simulator) {
  std::error_code ec;
  const host::TempFolder work("tunestrip-skin-diff.", ec);
  if (ec) throw DiffError("cannot make a temporary folder for the shots");
  const host::Image ia = shoot(a, simulator, work.path() / "a");
  const host::Image ib = shoot(b, simulator, work.path() / "b");
  const int w = ia.width + kGap + ib.width;
  const int h = std::max(ia.height, ib.height);
  std::vector<uint8_t> out(size_t(w) * size_t(h) * 4, 0);
  for (size_t i = 0; i < out.size(); i += 4) out[i] = out[i + 1] = out[i + 2] = 0x30, out[i + 3] = 0xFF;

  // The pixels that differ, where both screens have them (screens of two sizes differ wholly
  // beyond the smaller).
  const int cw = std::min(ia.width, ib.width), ch = std::min(ia.height, ib.height);
  auto differs = [&](int x, int y) {
    if (x >= cw || y >= ch) return true;
    return ia.argb(x, y) != ib.argb(x, y);
  };
  size_t changed = 0;
  int x0 = w, y0 = h, x1 = -1, y1 = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < std::max(ia.width, ib.width); ++x)
      if (differs(x, y)) {
        ++changed;
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
      }

  auto place = [&](const host::Image& image, int left) {
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const uint32_t argb = image.argb(x, y);
        uint8_t rgb[3] = {uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)};
        if (differs(x, y))  // half the mark's colour over the pixel
          for (int c = 0; c < 3; ++c) rgb[c] = uint8_t((rgb[c] + kMark[c]) / 2);
        uint8_t* p = pixel(out, w, left + x, y);
        std::copy(rgb, rgb + 3, p);
        p[3] = 0xFF;
      }
    if (x1 < 0) return;
    // The box around every change, one pixel outside it where there is room.
    const int bx0 = std::max(0, x0 - 1), by0 = std::max(0, y0 - 1);
    const int bx1 = std::min(image.width - 1, x1 + 1), by1 = std::min(image.height - 1, y1 + 1);
    if (bx0 > bx1 || by0 > by1) return;
    auto mark = [&](int x, int y) { std::copy(kMark, kMark + 3, pixel(out, w, left + x, y)); };
    for (int x = bx0; x <= bx1; ++x) mark(x, by0), mark(x, by1);
    for (int y = by0; y <= by1; ++y) mark(bx0, y), mark(bx1, y);
  };
  place(ia, 0);
  place(ib, ia.width + kGap);
  if (!host::write_png(png, w, h, out)) throw DiffError(png.string() + ": cannot write the picture");
  return changed;
}

}  // namespace skin
