// The add-on's panel brought up as a person brings it up: with the hot key that the phone's
// configuration file sets.
#pragma once

namespace host {
class Phone;
}

namespace sim {

class PhoneConfig;

// Presses the hot key of the configuration in use (the built-in block's, code 42 in mode 0,
// when the file cannot be read), then runs what that queued for now.
void press_hot_key(host::Phone& phone, const PhoneConfig& config);
// Presses it when the add-on runs and its panel is not shown.
void show_panel(host::Phone& phone, const PhoneConfig& config);

}  // namespace sim
