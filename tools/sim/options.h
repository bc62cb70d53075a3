// The simulator's command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

struct SimOptions {
  std::filesystem::path music;  // a folder, an .m3u/.m3u8 list or a file (default: the samples)
  std::filesystem::path phone;  // the phone's root folder; empty: a fresh temporary one
  std::filesystem::path skin;   // the panel images (default: skin/default)
  std::filesystem::path config; // a configuration file to start with; empty: none
  uint32_t platform_id = 0x9900;
  int screen_w = 240;
  int screen_h = 320;
  std::string codepage = "cp1251";
  std::filesystem::path out = "out";  // pictures
  std::string trace;                  // the call trace ("-": standard output); empty: none
  std::filesystem::path gif;          // the whole run as an animated GIF (relative: in `out`)
  std::string script;                 // "-": standard input; empty: the demo
  std::filesystem::path elf;          // the phone's own ELF to run on the emulated CPU; empty: the module
  bool interactive = false;
  bool mute = false;  // no sound in the interactive window
  bool quiet = false;  // no progress line and no notes
  bool edit = false;  // the window opens with its configuration editor (implies interactive)
  bool help = false;
  bool version = false;
};

// Wrong usage: one line for standard error (exit status 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file or folder the options name that cannot be used: one line that names the option, the
// path and the reason (exit status 1).
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program's name; throws UsageError. Options take their value as
// the next argument or after '=' (--out=pictures); one argument that is not an option is the skin
// folder, as --skin.
SimOptions parse_options(const std::vector<std::string>& args);

// The --help text (with the interactive window's key map).
std::string usage();
// The interactive window's key map, one "KEY  what" line each.
std::string key_map();

// The bundled defaults, in the data folder beside the program (host/core/install_paths.h).
std::filesystem::path default_music();
std::filesystem::path default_skin();

}  // namespace sim
