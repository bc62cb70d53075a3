// tunestrip-skin new: a starting skin, drawn by the code that draws the bundled default skin.
#pragma once

#include <string>
#include <vector>

// The command line after "new"; its exit status.
int run_new_command(const std::vector<std::string>& args);
