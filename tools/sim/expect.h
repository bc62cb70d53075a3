// A script's `expect` commands: the phone checked against what the script says of it.
#pragma once

#include <string>

#include "sim/script.h"

namespace host {
class Phone;
}

namespace sim {

// Runs what the phone has queued for now, then throws RunError unless the phone is as the expect
// command `c` says: the message names the command, what the phone is instead, and `step` (the
// last echo's text, the step of the script it belongs to) unless that is empty.
void expect(host::Phone& phone, const Command& c, const std::string& step);

}  // namespace sim
