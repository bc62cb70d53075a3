// tunestrip-skin sheet: one picture of a skin in every hard case a phone meets (sheet_cases.h),
// each tile the panel's part of the screen at the end of a scripted run of the simulated phone,
// labelled above it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sheet {

struct SheetOptions {
  std::filesystem::path skin;    // the skin's folder
  std::filesystem::path out;     // the sheet (PNG)
  std::filesystem::path config;  // empty: the skin's own TuneStrip.bcfg, else the built-in block
  std::filesystem::path cases;   // empty: the tracks and scripts go to a temporary folder
  int screen_w = 240;
  int screen_h = 320;
  bool quiet = false;
};

// The command line after "sheet"; its exit status.
int run_sheet_command(const std::vector<std::string>& args);

}  // namespace sheet
