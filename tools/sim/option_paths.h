// The files and folders the command line names: each checked before the phone is made (so that
// a path that cannot be used names its option), the GIF's place, and the script read.
#pragma once

#include <filesystem>
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "player/playlist.h"

#include "sim/options.h"
#include "skin/unpack.h"

namespace sim {

// A packed skin (--skin NAME.zip) unpacked for the run into a temporary folder that goes with
// the object (at the run's end, also one ended by Ctrl+C); null for a skin folder. Throws
// InputError naming --skin for an archive that cannot be unpacked or is refused.
std::unique_ptr<skin::UnpackedSkin> unpack_skin(const SimOptions& o);
// The options with --skin naming the unpacked folder of `packed` (when there is one).
SimOptions with_unpacked_skin(SimOptions o, const skin::UnpackedSkin* packed);

// The most of a script that is read: far more than any run spells out, and an endless input
// ends there.
constexpr size_t kMaxScriptBytes = size_t(16) << 20;

// Checks every path of the options; throws InputError naming the option. `needs_music`: the run
// plays music, so --music must name a playable list (the files it skips are warned of on `log`),
// which is given back, read once, for the player to start with.
// A --config given as a pipe (`--config <(...)`, a /dev/fd/N path) is read once, up to one byte
// more than a configuration holds, into a file in memory under the same descriptor, so that the
// path reads like a file for as long as the run needs it; a FIFO by name is refused, as a block
// it would wait for.
std::optional<host::Playlist> check_paths(const SimOptions& o, bool needs_music, std::ostream& log);

// Where the run's GIF goes: --gif, in the --out folder when it is relative; empty for none.
std::filesystem::path gif_path(const SimOptions& o);

// Reads a script ("-": standard input): a file, a pipe or a FIFO, up to kMaxScriptBytes; throws
// InputError when it cannot be read, is a folder or a socket, or is longer.
std::string read_script(const std::string& path);

// A path in double quotes, as the simulator's messages name one.
std::string quoted(const std::filesystem::path& p);

}  // namespace sim
