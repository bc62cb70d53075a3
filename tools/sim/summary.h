// What a run did, as the simulator prints it at the end: the virtual time, the redraws, the
// messages shown, the programs launched, the add-on's live resources and the pictures written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "phone/phone.h"

namespace sim {

struct Summary {
  int64_t virtual_ms = 0;
  double wall_s = 0;
  uint64_t redraws = 0;  // redraw methods of the add-on's GUI objects run
  uint64_t frames = 0;   // frames the phone composed
  std::vector<std::string> messages;
  std::vector<std::string> launches;  // programs the add-on started: path and arguments
  host::ResourceCounts counts;
  size_t peak_heap = 0;  // the most bytes the add-on held at once
  std::optional<uint64_t> instructions;  // what the add-on ran on the emulated CPU (--elf)
  bool addon_running = false;
  std::vector<std::filesystem::path> pictures;
};

// The phone's side of the summary, with the run's real time and the pictures it wrote.
Summary summarize(host::Phone& phone, double wall_s,
                  const std::vector<std::filesystem::path>& pictures);

// The summary as the simulator prints it.
std::string format_summary(const Summary& s);

}  // namespace sim
