// A phone for whole-run tests: a fresh phone root with the default skin installed, the call trace
// kept in memory, and short ways to start the add-on, press keys and send its page events.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/books.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "core/memory.h"
#include "core/temp_folder.h"
#include "core/text_store.h"
#include "core/trace.h"
#include "files/file_system.h"
#include "phone/phone.h"
#include "screen/keys.h"
#include "screen/messages.h"

namespace ts {

std::filesystem::path source_dir();
// The built tools (tunestrip-bcfg, ...).
std::filesystem::path bin_dir();
// A fresh empty folder under the system's temporary folder, removed with the object; a folder
// that cannot be made fails the test that asked for it (std::filesystem::filesystem_error).
class TempDir {
 public:
  TempDir();
  const std::filesystem::path& path() const { return folder_.path(); }
  std::filesystem::path operator/(const std::string& rel) const { return path() / rel; }

 private:
  std::error_code made_;  // before folder_, which sets it
  host::TempFolder folder_;
};

// Copies the panel images of a skin folder (default: skin/default) into the add-on's image
// folder, the second configuration folder followed by "/TuneStrip".
void install_skin(host::Phone& phone, const std::filesystem::path& skin = {});

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, std::string_view bytes);
// Runs a command line; returns its exit status and puts its standard output in `out`.
int run_command(const std::string& cmd, std::string* out = nullptr);

// The phone's own ELF the whole runs run against (TS_ELF in the environment, as the tests of the
// label "elf" have it), or empty for the native module.
std::filesystem::path elf_under_test();
// The options with the ELF under test, if any and the options name none.
host::Options with_addon_under_test(host::Options options);

// Skips a test that holds for the native module only (it pokes at what the ELF keeps elsewhere).
#define TS_NATIVE_ONLY(why)                                       \
  do {                                                            \
    if (!::ts::elf_under_test().empty()) GTEST_SKIP() << (why); \
  } while (0)

class TestPhone {
 public:
  explicit TestPhone(host::Options options = {}, bool skin = true);
  // With TS_TRACE_DUMP set in the environment, the trace is printed at the end (for debugging).
  ~TestPhone();

  host::Phone phone;

  int start_addon() { return phone.start_addon(); }
  // The add-on's book, found as the firmware finds books by name; null when it has none.
  BOOK* addon_book() const;
  void terminate();
  void system_exit();
  void about(BOOK* owner = nullptr);
  void edit_config();
  void reconfig(std::u16string_view folder, std::u16string_view name);
  // A whole key press (down, short or long, up), run now.
  void press(int key, bool long_press = false);
  void run(int64_t ms) { phone.queue().run_for(ms); }

  // Trace lines that begin with `prefix`.
  std::vector<std::string> trace(std::string_view prefix = "") const;
  size_t trace_count(std::string_view prefix) const { return trace(prefix).size(); }
  void clear_trace() { phone.trace().clear(); }

  // The configuration file in a configuration folder (0x14 or 0x15).
  std::filesystem::path config_file(int folder_id = 0x14) const;
  const std::vector<host::MessageBox>& messages() { return phone.messages().shown(); }
};

}  // namespace ts
