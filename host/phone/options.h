// Settings of one simulated phone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace host {

struct Options {
  int screen_w = 240;
  int screen_h = 320;
  uint32_t platform_id = 0x9900;
  std::filesystem::path phone_root;   // empty: a fresh temporary folder, removed at the end
  // The add-on's loadable module; empty: the one installed beside the program (install_paths.h).
  std::filesystem::path module_path;
  // The phone's own program file (build-arm/TuneStrip.elf) to run on the guest CPU instead of the
  // module; empty: the module.
  std::filesystem::path elf_path;
  std::string codepage = "cp1251";    // how Latin-1 and ID3v1 tag text becomes UTF-16
  std::string trace_path;             // empty: no call trace
  // The media player plays its tracks through the computer's audio device (when there is one;
  // MediaPlayer::sound() says whether it is on). Off: silent, as every test and scripted run
  // needs no device.
  bool sound = false;
};

}  // namespace host
