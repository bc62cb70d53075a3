#include "sim/summary.h"

#include <algorithm>
#include <cstdio>

#include "core/event_queue.h"
#include "core/addon_runtime.h"
#include "core/loader.h"
#include "core/memory.h"
#include "screen/gui_manager.h"
#include "screen/messages.h"

namespace fs = std::filesystem;

namespace sim {

Summary summarize(host::Phone& ph, double wall_s, const std::vector<fs::path>& pictures) {
  Summary s;
  s.virtual_ms = ph.queue().now();
  s.wall_s = wall_s;
  s.redraws = ph.gui().redraws();
  s.frames = ph.gui().frames();
  for (const host::MessageBox& m : ph.messages().shown()) s.messages.push_back(m.text);
  for (const host::ElfLaunch& l : ph.messages().launches())
    s.launches.push_back(l.path + " \"" + l.arg1 + "\" \"" + l.arg2 + "\"" +
                         (l.accepted ? "" : " (not found)"));
  s.counts = ph.counts();
  s.peak_heap = ph.memory().peak_bytes();
  s.instructions = ph.runtime().instructions();
  s.addon_running = ph.loader().loaded() > 0;
  s.pictures = pictures;
  return s;
}

std::string format_summary(const Summary& s) {
  char line[160];
  std::string out;
  std::snprintf(line, sizeof line, "Ran %.1f s of virtual time in %.2f s.\n", s.virtual_ms / 1000.0,
                s.wall_s);
  out += line;
  out += "Redraws: " + std::to_string(s.redraws) + " (frames composed: " +
         std::to_string(s.frames) + ")\n";
  out += "Messages shown: " + std::to_string(s.messages.size()) + "\n";
  for (const std::string& m : s.messages) {
    std::string one = m;
    std::replace(one.begin(), one.end(), '\n', ' ');
    out += "  \"";
    out += one;
    out += "\"\n";
  }
  if (!s.launches.empty()) {
    out += "Programs launched: " + std::to_string(s.launches.size()) + "\n";
    for (const std::string& l : s.launches) out += "  " + l + "\n";
  }
  out += s.addon_running ? "Resources (the add-on still runs): " : "Resources after the add-on's exit: ";
  out += s.counts.summary() + "\n";
  out += "Peak heap: " + std::to_string(s.peak_heap) + " bytes\n";
  if (s.instructions) out += "Add-on instructions: " + std::to_string(*s.instructions) + "\n";
  if (!s.pictures.empty()) {
    out += "Pictures:";
    for (const fs::path& p : s.pictures) {
      out += ' ';
      out += p.string();
    }
    out += "\n";
  }
  return out;
}

}  // namespace sim
