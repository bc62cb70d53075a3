// tunestrip-mp3info: prints what TuneStrip's stream parser reads from MP3 files. The add-on's own
// parser runs over file services as the phone's, so the numbers are the panel's; no phone is
// built, so that a run over one file costs hardly more than its start.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/interrupt.h"
#include "core/wstr.h"
#include "mp3/mp3.h"
#include "parser_files.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kTool = "tunestrip-mp3info";

const std::string& usage() {
  static const std::string text =
      "Usage: tunestrip-mp3info FILE...\n"
      "\n"
      "Reads each MP3 file as TuneStrip's panel does (ID3v2 tag size, first frame header, Xing\n"
      "header) and prints one key=value line per item, then a blank line:\n"
      "\n"
      "  file       the file as given, a backslash and control characters escaped as in C\n"
      "             (\\\\, \\n, \\t, \\r, else \\xHH), so that every value stays on its line\n"
      "  bitrate    kbit/s: the frame header's bitrate, or for a Xing header with a frame count\n"
      "             the average over the stream; 0 when no frame header was found\n"
      "  vbr        1 when the first frame holds a Xing header (an \"Info\" header is not one)\n"
      "  length     seconds, from the audio size and the bitrate\n"
      "  audiosize  the file's size less the ID3v2 tag's size field, as the phone computes it\n"
      "             (the tag's 10-byte header stays counted)\n"
      "  tagsize    size of the ID3v2 tag as its header gives it, 0 without a tag\n"
      "  frequency  sample rate in Hz; 0 when no frame header was found\n"
      "  mode       channel mode: 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel\n"
      "  found      1 when a valid frame header was found, else 0 (the other stream values\n"
      "             are then 0 and the panel leaves its bitrate, sample-rate and mode labels\n"
      "             empty)\n"
      "\n"
      "Options:\n"
      "  -h, --help   this text\n"
      "  --version    the version\n"
      "  --           what follows is a FILE, even when it starts with '-'\n"
      "\n" +
      tools::exit_status_help(
          "a file could not be read (one line on stderr for each; the others are still\n"
          "      reported)",
          "the command line cannot be understood: an unknown option, no FILE");
  return text;
}

// `name` with a backslash and control characters written as C escapes (\\, \n, \t, \r, \xHH):
// a file name may hold a newline, which would otherwise start a line of its own.
std::string escaped(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else if (u < 0x20 || u == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

// Why `p` cannot be read, when the reason is the file's (else `why` stays as it is).
bool readable(const fs::path& p, std::string* why) {
  std::error_code ec;
  if (!fs::exists(p, ec)) {
    *why = "no such file";
    return false;
  }
  if (!fs::is_regular_file(p, ec)) {
    *why = "not a regular file";
    return false;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    *why = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

namespace {

int run(const std::vector<std::string>& args) {
  if (auto status = tools::standard_options(kTool, args, usage())) return *status;
  std::vector<std::string> files_given;
  bool options_done = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
      continue;
    }
    if (!options_done && a.size() > 1 && a[0] == '-')
      return tools::usage_error(kTool, tools::unknown_option(a, usage()));
    files_given.push_back(a);
  }
  if (files_given.empty()) return tools::usage_error(kTool, "no FILE given");

  // Each file costs its open, size, read and close. Ctrl+C or kill ends the run after the file at
  // hand.
  tools::catch_interrupts();
  ParserFiles files;
  static char out_buffer[1 << 16];
  std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);

  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  int status = 0;
  for (const std::string& file : files_given) {
    if (const int signal = tools::interrupted()) {
      std::fprintf(stderr, "%s: interrupted by %s before %s\n", kTool, tools::signal_name(signal),
                   escaped(file).c_str());
      return tools::interrupted_status(signal);
    }
    fs::path p(file);
    // Each folder is named once.
    const std::u16string& folder = files.phone_folder((p.is_absolute() ? p : cwd / p).parent_path());
    const std::u16string name = files.phone_name(p.filename());
    const uint64_t failed = files.failed_opens();
    MP3_INFO info = ReadMP3Information(folder.c_str(), name.c_str());
    if (files.failed_opens() != failed) {
      // The parser could not open it: say why.
      std::string why = "unusable file name";
      readable(p, &why);
      std::fflush(stdout);
      std::fprintf(stderr, "%s: %s: cannot read: %s\n", kTool, escaped(file).c_str(), why.c_str());
      status = tools::kExitFailed;
      continue;
    }
    std::printf(
        "file=%s\nbitrate=%d\nvbr=%d\nlength=%d\naudiosize=%d\ntagsize=%d\nfrequency=%d\nmode=%d\n"
        "found=%d\n\n",
        escaped(file).c_str(), int(info.bitrate), int(info.vbr), int(info.length),
        int(info.audiosize), int(info.tagsize), int(info.frequency), int(info.mode),
        int(info.found));
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tools::run_guarded(kTool, [&] { return run(args); });
}
