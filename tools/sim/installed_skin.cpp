#include "sim/installed_skin.h"

#include <exception>
#include <ostream>
#include <stdexcept>

#include "config/bcfg.h"
#include "core/atomic_file.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "phone/phone.h"
#include "screen/gui_manager.h"
#include "sim/hot_key.h"
#include "sim/phone_config.h"
#include "sim/skin_images.h"

namespace sim {

InstalledSkin::InstalledSkin(const SimOptions& options, host::Phone& phone, PhoneConfig& config,
                             std::ostream& log)
    : options_(options),
      phone_(phone),
      config_(config),
      log_(log),
      choice_(skin::choose_config(options.skin, options.config)),
      findings_(log) {}

// ---- Install ----

std::vector<std::string> InstalledSkin::copy_images(std::vector<std::string>& unreadable) {
  try {
    return install_skin_images(options_.skin, phone_.files(), &unreadable);
  } catch (const host::OutputError& e) {
    throw phone_folder_error(phone_, e);
  }
}

void InstalledSkin::install_images() {
  std::vector<std::string> unreadable;
  copy_images(unreadable);
  if (!unreadable.empty()) throw InputError("--skin: " + unreadable.front());
}

void InstalledSkin::install_config() {
  if (!choice_.file.empty()) {
    std::vector<uint8_t> bytes;
    try {
      bytes = read_config();
    } catch (const std::exception& e) {
      throw InputError(std::string(choice_.from_option ? "--config: " : "--skin: ") + e.what());
    }
    config_.install(bytes);
  }
  if (!options_.quiet) log_ << "tunestrip-sim: configuration: " << choice_.describe() << "\n";
  check();
}

std::vector<uint8_t> InstalledSkin::read_config() const {
  std::vector<uint8_t> bytes = bcfg::read_bytes(choice_.file);
  if (bytes.size() != bcfg::kSize)
    throw std::runtime_error(choice_.file.string() + ": " + std::to_string(bytes.size()) +
                             " bytes, not the " + std::to_string(bcfg::kSize) +
                             " of a configuration block");
  if (auto fault = bcfg::check(bytes))
    log_ << "tunestrip-sim: warning: " << choice_.file.string() << ": byte " << fault->offset
         << ": " << fault->message << " (the add-on gets it as it is)\n";
  return bytes;
}

bool InstalledSkin::check() {
  return findings_.check(options_.skin, choice_, options_.screen_w, options_.screen_h);
}

// ---- Live reload ----

void InstalledSkin::config_saved() {
  if (choice_.file.empty()) choice_ = skin::choose_config(options_.skin, options_.config);
  check();
}

std::string InstalledSkin::reload(Reload what) {
  std::vector<std::string> said;
  // A skin that gains its own configuration file takes it from now on.
  if (choice_.file.empty()) choice_ = skin::choose_config(options_.skin, options_.config);
  if (!choice_.file.empty() && what == Reload::All) {
    try {
      std::vector<uint8_t> bytes = read_config();
      if (bytes != config_.installed()) {
        config_.apply(bytes);
        said.push_back("configuration reloaded from " + choice_.file.filename().string());
      }
    } catch (const std::exception& e) {
      // As the add-on does with a file it cannot take while it runs (the checker says the same).
      said.push_back(std::string(e.what()) +
                     "; the last good configuration stays in use (the add-on on a phone would "
                     "write it over the file)");
    }
  }
  std::vector<std::string> unreadable;
  const std::vector<std::string> changed = copy_images(unreadable);
  for (const std::string& u : unreadable) said.push_back(u + "; the phone keeps its copy");
  if (!changed.empty()) {
    restart_addon();
    std::string names;
    for (const std::string& n : changed) names += (names.empty() ? "" : ", ") + n;
    said.push_back("images changed (" + names + "); the add-on restarted");
  }
  if (!said.empty() && check()) said.push_back(findings_.summary());
  std::string line;
  for (const std::string& s : said) line += (line.empty() ? "" : "; ") + s;
  if (line.empty()) line = "nothing changed";
  // The window's editor looks at the images after each save of its own; those quiet looks go
  // unlogged.
  if (what == Reload::All || !said.empty()) log_ << "tunestrip-sim: reload: " << line << "\n";
  return line;
}

void InstalledSkin::restart_addon() {
  if (phone_.loader().loaded() == 0) return;
  const bool shown = phone_.gui().top() != nullptr;
  phone_.send_event(host::codes::TERMINATE_REQUEST, nullptr);
  phone_.queue().settle();
  phone_.start_addon();
  if (shown) press_hot_key(phone_, config_);
}

}  // namespace sim
