// tunestrip-skin's pack and diff commands, and the checker's reading of a packed skin. Each
// takes the arguments after the command's name and answers the exit status.
#pragma once

#include <string>
#include <vector>

namespace skin_tool {

// "pack DIR [-o NAME.zip] [--config FILE]"
int pack(const std::vector<std::string>& args);
// "diff A B [-o FILE.png]": 0 the same, 1 different, 2 trouble.
int diff(const std::vector<std::string>& args);

// The --help sections of the two commands.
extern const char* const kPackDiffHelp;

}  // namespace skin_tool
