// Where the phone and the tools find their files: beside the running program, never at a path
// fixed when it was built. A program in PREFIX/bin finds the add-on's module in
// PREFIX/lib/tunestrip/ and the bundled skin and samples in PREFIX/share/tunestrip/. The build
// tree has the same layout (build/bin, build/lib/tunestrip, build/share/tunestrip), so a program
// runs alike from the build tree and from an install, wherever either was moved.
#pragma once

#include <filesystem>

namespace host {

// The folder that holds the running program (from /proc/self/exe); empty when unknown.
std::filesystem::path program_dir();

// The add-on's module beside the program.
std::filesystem::path installed_module();

// The folder of the bundled skin and samples: $TUNESTRIP_DATA when set and not empty, else the
// one beside the program.
std::filesystem::path data_dir();

}  // namespace host
