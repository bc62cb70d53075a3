// The configuration file on the phone, changed as a person changes it with the phone's own
// configuration editor: the file is written, then the add-on gets the reconfigure notice (never
// through the add-on's globals). And that editor's stand-in, so that the add-on's edit request
// has a program to launch.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "sim/options.h"

namespace host {
class OutputError;
class Phone;
}  // namespace host

namespace sim {

// A file the phone could not be given, named as in the phone's folder: "the phone folder "phone":
// usb/other/ZBin/Config/TuneStrip/Fon.png: cannot write: No space left on device".
InputError phone_folder_error(host::Phone& phone, const host::OutputError& e);

class PhoneConfig {
 public:
  explicit PhoneConfig(host::Phone& phone) : phone_(phone) {}

  // The configuration file the add-on reads: the first configuration folder's, else the
  // second's, else (none yet) a new one in the first folder. `phone_folder`: its folder as the
  // phone names it.
  std::filesystem::path file(std::u16string* phone_folder = nullptr) const;

  // Writes `block`, a whole configuration block, as that file (the add-on is not told); throws
  // phone_folder_error() when it cannot be written.
  void install(std::span<const uint8_t> block);
  // The block install() wrote last (empty before it ran).
  const std::vector<uint8_t>& installed() const { return installed_; }
  // Installs `block` and sends the reconfigure notice, as an editor on the phone does after each
  // change: the panel changes in place.
  void apply(std::span<const uint8_t> block);
  // Sets each NAME=VALUE in the file as `tunestrip-bcfg set` does (on the built-in block when
  // there is no file yet), then sends the reconfigure notice.
  void change(const std::vector<std::string>& assignments);
  // The notice the phone sends when an editor has changed the configuration file.
  void notify_changed();

  // A stand-in configuration editor in the first application folder (unless the phone has one),
  // so that the add-on's edit request launches it; the phone records the launch. Throws
  // phone_folder_error() when it cannot be written.
  void install_editor();

 private:
  host::Phone& phone_;
  std::vector<uint8_t> installed_;
};

}  // namespace sim
