// The files and folders the command line names: each checked before the phone is made (so that
// a path that cannot be used names its option), the GIF's place, and the script read.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "sim/options.h"

namespace sim {

// Checks every path of the options; throws InputError naming the option. `needs_music`: the run
// plays music, so --music must name a playable list (the files it skips are warned of on `log`).
void check_paths(const SimOptions& o, bool needs_music, std::ostream& log);

// Where the run's GIF goes: --gif, in the --out folder when it is relative; empty for none.
std::filesystem::path gif_path(const SimOptions& o);

// Reads a script file ("-": standard input); throws InputError when it cannot be read.
std::string read_script(const std::string& path);

// A path in double quotes, as the simulator's messages name one.
std::string quoted(const std::filesystem::path& p);

}  // namespace sim
