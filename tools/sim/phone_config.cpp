#include "sim/phone_config.h"

#include <algorithm>

#include "config/bcfg.h"
#include "core/atomic_file.h"
#include "core/codes.h"
#include "files/file_system.h"
#include "phone/phone.h"
#include "platform/fw_types.h"
#include "sim/option_paths.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr const char16_t* kConfigName = u"TuneStrip.bcfg";
constexpr int kConfigFolder1 = DIR_CONFIG_1;
constexpr int kConfigFolder2 = DIR_CONFIG_2;
constexpr int kAppFolder1 = DIR_ELF_1;  // where the add-on looks for the editor first
constexpr int kAppFolder2 = DIR_ELF_2;
constexpr const char16_t* kEditorName = u"BcfgEdit.elf";

void write_into_phone(host::Phone& phone, const fs::path& to, std::string_view bytes) {
  try {
    host::AtomicFile out(to, /*durable=*/true);
    out.write(bytes);
    out.commit();
  } catch (const host::OutputError& e) {
    throw phone_folder_error(phone, e);
  }
}

}  // namespace

InputError phone_folder_error(host::Phone& phone, const host::OutputError& e) {
  const fs::path& root = phone.files().root();
  std::error_code ec;
  fs::path in = fs::relative(e.path(), root, ec);
  if (ec || in.empty() || *in.begin() == "..") in = e.path();
  return InputError("the phone folder " + quoted(root) + ": " + in.string() + ": " + e.detail());
}

fs::path PhoneConfig::file(std::u16string* phone_folder) const {
  host::FileSystem& files = phone_.files();
  for (int id : {kConfigFolder1, kConfigFolder2}) {
    if (auto p = files.resolve(files.dir(id), kConfigName); p && fs::is_regular_file(*p)) {
      if (phone_folder) *phone_folder = files.dir(id);
      return *p;
    }
  }
  if (phone_folder) *phone_folder = files.dir(kConfigFolder1);
  return files.dir_path(kConfigFolder1) / kConfigName;
}

void PhoneConfig::install(std::span<const uint8_t> block) {
  const fs::path to = file();
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  write_into_phone(phone_, to, std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
  installed_.assign(block.begin(), block.end());
}

void PhoneConfig::apply(std::span<const uint8_t> block) {
  install(block);
  notify_changed();
}

void PhoneConfig::change(const std::vector<std::string>& assignments) {
  const fs::path to = file();
  std::error_code ec;
  if (!fs::exists(to, ec)) {
    fs::create_directories(to.parent_path(), ec);
    bcfg::write_default(to);
  }
  bcfg::set_values(to, assignments);
  notify_changed();
}

void PhoneConfig::notify_changed() {
  std::u16string folder;
  file(&folder);
  FwReconfigEvent ev{};
  const std::u16string name = kConfigName;
  std::copy_n(folder.begin(), std::min<size_t>(folder.size(), 63), ev.path);
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 63), ev.name);
  phone_.send_event(host::codes::RECONFIG_NOTICE, &ev);
}

void PhoneConfig::install_editor() {
  host::FileSystem& files = phone_.files();
  for (int id : {kAppFolder1, kAppFolder2})
    if (files.resolve(files.dir(id), kEditorName)) return;
  const fs::path dir = files.dir_path(kAppFolder1);
  std::error_code ec;
  fs::create_directories(dir, ec);
  write_into_phone(phone_, dir / kEditorName,
                   "A stand-in for the configuration editor: the simulator records its launches.\n");
}

}  // namespace sim
