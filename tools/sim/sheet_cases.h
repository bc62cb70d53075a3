// The hard cases of the skin sheet: the tracks a phone meets that test a skin (a long title, no
// tags, Cyrillic and ID3v1 CP1251 text, covers of every kind, an hour-long track, the last of 999)
// and the states of the panel (shown, mid-slide, each button selected, paused), each a scripted
// run of the simulated phone that ends with a shot.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sheet {

// What the cases need to know of the configuration in use.
struct PanelFacts {
  int screen_h = 320;
  int fon_top = 240;     // rcFON's y1: the panel slides in until its top is there
  int speed = 15;        // HIDE_SPEED: pixels per 80 ms step
  int buttons = 5;       // buttons shown: FUNCTION_KEY_COUNT, or 0 when they are off
  int play_pause = 3;    // the first shown button whose action is play/pause, or 0
};

struct Case {
  std::string name;               // "05-long-title": its script is NAME.txt, its shot NAME.png
  std::string label;              // what the sheet writes over its tile
  std::filesystem::path music;    // the --music of its run (a folder or a play list)
  std::string script;             // the run, ending with "shot NAME.png"
};

// Writes the hard tracks into `root`/tracks and each case's script into `root`/NAME.txt, and
// answers the cases in the sheet's order. Throws std::runtime_error when a file cannot be written.
std::vector<Case> write_cases(const std::filesystem::path& root, const PanelFacts& facts);

}  // namespace sheet
