#include "test_phone.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "screen/keys.h"

namespace fs = std::filesystem;

namespace ts {

fs::path source_dir() { return TS_SOURCE_DIR; }
fs::path bin_dir() { return TS_BIN_DIR; }

TempDir::TempDir() : folder_("tunestrip-test-", made_) {
  if (made_) throw fs::filesystem_error("cannot make a temporary folder", made_);
}

void install_skin(host::Phone& phone, const fs::path& skin) {
  fs::path from = skin.empty() ? source_dir() / "skin" / "default" : skin;
  fs::path to = phone.files().dir_path(0x15) / "TuneStrip";
  fs::create_directories(to);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(from, ec))
    if (e.path().extension() == ".png")
      fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
}

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const fs::path& p, std::string_view bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

int run_command(const std::string& cmd, std::string* out) {
  std::FILE* f = popen(cmd.c_str(), "r");
  if (!f) return -1;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
    if (out) out->append(buf, n);
  int status = pclose(f);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::filesystem::path elf_under_test() {
  const char* elf = std::getenv("TS_ELF");
  return elf ? elf : "";
}

host::Options with_addon_under_test(host::Options options) {
  if (options.elf_path.empty()) options.elf_path = elf_under_test();
  return options;
}

TestPhone::TestPhone(host::Options options, bool skin) : phone(with_addon_under_test(std::move(options))) {
  phone.trace().capture(true);
  if (skin) install_skin(phone);
}

TestPhone::~TestPhone() {
  if (std::getenv("TS_TRACE_DUMP"))
    for (const auto& l : phone.trace().lines()) std::fprintf(stderr, "%s\n", l.c_str());
}

BOOK* TestPhone::addon_book() const {
  return const_cast<host::Phone&>(phone).books().find_named("TuneStrip");
}

void TestPhone::terminate() { phone.send_event(host::codes::TERMINATE_REQUEST, nullptr); }
void TestPhone::system_exit() { phone.send_event(host::codes::SYSTEM_EXIT, nullptr); }

void TestPhone::about(BOOK* owner) {
  FwAboutEvent ev{owner};
  phone.send_event(host::codes::ABOUT_REQUEST, &ev);
}

void TestPhone::edit_config() { phone.send_event(host::codes::CONFIG_EDIT_REQUEST, nullptr); }

void TestPhone::reconfig(std::u16string_view folder, std::u16string_view name) {
  FwReconfigEvent ev{};
  std::copy_n(folder.begin(), std::min<size_t>(folder.size(), 63), ev.path);
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 63), ev.name);
  phone.send_event(host::codes::RECONFIG_NOTICE, &ev);
}

void TestPhone::press(int key, bool long_press) {
  phone.keys().press(key, long_press);
  phone.queue().settle();
}

std::vector<std::string> TestPhone::trace(std::string_view prefix) const {
  std::vector<std::string> out;
  for (const auto& l : const_cast<host::Phone&>(phone).trace().lines())
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

fs::path TestPhone::config_file(int folder_id) const {
  return const_cast<host::Phone&>(phone).files().dir_path(folder_id) / "TuneStrip.bcfg";
}

}  // namespace ts
