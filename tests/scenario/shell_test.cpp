// Whole runs of the application shell: start, second start, requests, configuration file, exit.
#include <gtest/gtest.h>

#include "core/service_table.h"
#include "core/wstr.h"
#include "player/media_player.h"
#include "test_phone.h"

namespace fs = std::filesystem;
using ts::TestPhone;

namespace {

// The built-in block, as the configuration tool writes it.
std::string builtin_block() {
  ts::TempDir tmp;
  fs::path f = tmp.path() / "default.bcfg";
  EXPECT_EQ(ts::run_command((ts::bin_dir() / "tunestrip-bcfg").string() + " default " + f.string()), 0);
  return ts::read_file(f);
}

void expect_all_released(host::Phone& phone) {
  host::ResourceCounts c = phone.counts();
  EXPECT_TRUE(c.all_zero()) << c.summary();
  EXPECT_EQ(phone.memory().bad_frees(), 0u);
  EXPECT_EQ(phone.texts().bad_releases(), 0u);
  EXPECT_EQ(phone.loader().bad_frees(), 0u);
  EXPECT_EQ(phone.loader().orphaned_callbacks(), 0u);
}

TEST(Shell, FirstStartWritesTheBuiltInBlockAndExitReleasesEverything) {
  TestPhone t;
  EXPECT_EQ(t.start_addon(), 0);
  ASSERT_NE(t.addon_book(), nullptr);
  EXPECT_EQ(t.phone.keys().hooks(), 1u);
  EXPECT_EQ(ts::read_file(t.config_file()), builtin_block());
  EXPECT_FALSE(fs::exists(t.config_file(0x15)));
  // The 14 panel images come from the second configuration folder.
  auto loads = t.trace("fw_image_load(");
  ASSERT_EQ(loads.size(), 14u);
  EXPECT_EQ(loads[0], "fw_image_load(\"/card/other/ZBin/Config/TuneStrip\", \"NoCover.png\", ptr)");
  EXPECT_EQ(loads[13], "fw_image_load(\"/card/other/ZBin/Config/TuneStrip\", \"Key5_S.png\", ptr)");

  t.terminate();
  EXPECT_EQ(t.addon_book(), nullptr);
  EXPECT_EQ(t.phone.loader().unloaded(), 1u);
  expect_all_released(t.phone);
}

TEST(Shell, SystemExitEndsTheProgramToo) {
  TestPhone t;
  t.start_addon();
  t.system_exit();
  EXPECT_EQ(t.addon_book(), nullptr);
  expect_all_released(t.phone);
}

TEST(Shell, SecondStartShowsOneMessageAndCreatesNothing) {
  TestPhone t;
  t.start_addon();
  host::ResourceCounts before = t.phone.counts();
  size_t books = t.phone.books().addon_books_created();
  t.clear_trace();
  EXPECT_EQ(t.start_addon(), 0);
  ASSERT_EQ(t.messages().size(), 1u);
  const char16_t running[] = {0xD3, 0xE6, 0xE5, 0x20, 0xE7, 0xE0, 0xEF, 0xF3, 0xF9, 0xE5, 0xED, 0x21, 0};
  EXPECT_EQ(t.messages()[0].text, host::utf16_to_utf8(running));
  EXPECT_EQ(t.messages()[0].timeout_ms, 5000);
  EXPECT_EQ(t.phone.books().addon_books_created(), books);
  // The second copy is gone again; the first runs on undisturbed.
  EXPECT_EQ(t.phone.loader().loaded(), 1u);
  EXPECT_EQ(t.phone.counts(), before);
  EXPECT_EQ(t.trace_count("fw_image_load("), 0u);
  EXPECT_EQ(t.trace_count("fw_file_open("), 0u);
  t.terminate();
  expect_all_released(t.phone);
}

TEST(Shell, EveryStartLoadsFreshGlobals) {
  TestPhone t;
  t.start_addon();
  t.terminate();
  // Stale globals would find the old book pointer or skip loading the configuration.
  t.clear_trace();
  t.start_addon();
  EXPECT_TRUE(t.messages().empty());
  EXPECT_NE(t.addon_book(), nullptr);
  EXPECT_EQ(t.trace_count("fw_image_load("), 14u);
  t.terminate();
  EXPECT_EQ(t.phone.loader().unloaded(), 2u);
  expect_all_released(t.phone);
}

TEST(Shell, AboutMessageNamesTheProgramAndItsOwner) {
  TestPhone t;
  t.start_addon();
  t.clear_trace();
  t.about(t.addon_book());
  ASSERT_EQ(t.messages().size(), 1u);
  EXPECT_EQ(t.messages()[0].text.rfind("TuneStrip v1.0\n", 0), 0u);
  EXPECT_EQ(t.trace("fw_message_box(").at(0).substr(0, 26), "fw_message_box(1879048191,");
  EXPECT_NE(t.trace("fw_message_box(").at(0).find(", 0, 1, 5000, ptr)"), std::string::npos);
  t.terminate();
  expect_all_released(t.phone);
}

TEST(Shell, EditorStartsFromEitherApplicationFolderWithTheLoadedFile) {
  for (int folder : {0x11, 0x10}) {
    TestPhone t;
    ts::write_file(t.phone.files().dir_path(folder) / "bcfgedit.ELF", "editor");
    t.start_addon();
    t.edit_config();
    ASSERT_EQ(t.phone.messages().launches().size(), 1u);
    const host::ElfLaunch& l = t.phone.messages().launches()[0];
    EXPECT_EQ(l.path, host::utf16_to_utf8(t.phone.files().dir(folder)) + "/BcfgEdit.elf");
    EXPECT_TRUE(l.accepted);
    EXPECT_EQ(l.arg1, "/usb/other/ZBin/Config");
    EXPECT_EQ(l.arg2, "TuneStrip.bcfg");
    EXPECT_TRUE(t.messages().empty());
    t.terminate();
    expect_all_released(t.phone);
  }
}

TEST(Shell, MissingEditorIsReported) {
  TestPhone t;
  t.start_addon();
  t.edit_config();
  EXPECT_TRUE(t.phone.messages().launches().empty());
  ASSERT_EQ(t.messages().size(), 1u);
  EXPECT_EQ(t.messages()[0].text, "BcfgEdit.elf not found!");
  t.terminate();
  expect_all_released(t.phone);
}

TEST(Shell, ReconfigureNoticeOnlyForTheLoadedFile) {
  TestPhone t;
  t.start_addon();
  t.clear_trace();
  t.reconfig(u"/card/other/ZBin/Config", u"TuneStrip.bcfg");  // another folder
  t.reconfig(u"/usb/other/ZBin/Config", u"Other.bcfg");       // another file
  EXPECT_EQ(t.trace_count("fw_file_stat("), 0u);
  EXPECT_EQ(t.trace_count("fw_key_hook("), 0u);

  // An unterminated folder field is not read past its end.
  FwReconfigEvent bad{};
  std::fill(std::begin(bad.path), std::end(bad.path), u'x');
  t.phone.send_event(host::codes::RECONFIG_NOTICE, &bad);
  EXPECT_EQ(t.trace_count("fw_file_stat("), 0u);

  t.reconfig(u"/usb/other/ZBin/Config", u"TuneStrip.bcfg");
  EXPECT_EQ(t.trace_count("fw_file_stat("), 1u);
  auto hooks = t.trace("fw_key_hook(");
  ASSERT_EQ(hooks.size(), 2u);
  EXPECT_EQ(hooks[0], "fw_key_hook(ptr, 0)");
  EXPECT_EQ(hooks[1], "fw_key_hook(ptr, 1)");
  EXPECT_EQ(t.phone.keys().hooks(), 1u);
  t.terminate();
  expect_all_released(t.phone);
}

TEST(Shell, WronglySizedFileIsRewrittenWithTheBlock) {
  for (size_t size : {size_t(7123), size_t(7125), size_t(0)}) {
    TestPhone t;
    ts::write_file(t.config_file(), std::string(size, '\x55'));
    t.start_addon();
    EXPECT_EQ(ts::read_file(t.config_file()), builtin_block()) << size;
    t.terminate();
    expect_all_released(t.phone);
  }
}

TEST(Shell, UnwritableFirstFolderFallsBackToTheSecond) {
  TestPhone t;
  t.phone.files().set_read_only(u"/usb/other/ZBin/Config");
  ts::write_file(t.phone.files().dir_path(0x10) / "BcfgEdit.elf", "editor");
  t.start_addon();
  EXPECT_FALSE(fs::exists(t.config_file(0x14)));
  EXPECT_EQ(ts::read_file(t.config_file(0x15)), builtin_block());
  t.edit_config();
  ASSERT_EQ(t.phone.messages().launches().size(), 1u);
  EXPECT_EQ(t.phone.messages().launches()[0].arg1, "/card/other/ZBin/Config");
  // Notices name the second folder now.
  t.clear_trace();
  t.reconfig(u"/usb/other/ZBin/Config", u"TuneStrip.bcfg");
  EXPECT_EQ(t.trace_count("fw_key_hook("), 0u);
  t.reconfig(u"/card/other/ZBin/Config", u"TuneStrip.bcfg");
  EXPECT_EQ(t.trace_count("fw_key_hook("), 2u);
  t.terminate();
  expect_all_released(t.phone);
}

namespace {
int failing_write(int, const void*, int) { return -1; }
}  // namespace

TEST(Shell, FailingWriteServiceLeavesTheDefaultsInForce) {
  TestPhone t;
  t.phone.services().replace<host::service::fw_file_write>(&failing_write);
  t.start_addon();
  // Both folders were tried; the program runs on the built-in values.
  EXPECT_EQ(t.trace_count("fw_file_open("), 2u);
  EXPECT_EQ(ts::read_file(t.config_file()).size(), 0u);
  EXPECT_NE(t.addon_book(), nullptr);
  EXPECT_EQ(t.phone.keys().hooks(), 1u);
  // With no file loaded, the editor gets the empty folder and name.
  ts::write_file(t.phone.files().dir_path(0x11) / "BcfgEdit.elf", "editor");
  t.edit_config();
  ASSERT_EQ(t.phone.messages().launches().size(), 1u);
  EXPECT_EQ(t.phone.messages().launches()[0].arg1, "");
  t.terminate();
  expect_all_released(t.phone);
}

}  // namespace

namespace {
// A first application folder too long for the editor's 256-character path, and a file status
// service that finds the editor everywhere.
const std::u16string kLongFolder = u"/usb/" + std::u16string(300, u'd');
host::service::fw_get_dir::entry g_get_dir = nullptr;
const char16_t* long_first_app_dir(int id) {
  if (id == 0x11) return kLongFolder.c_str();
  return g_get_dir(id);
}
int editor_everywhere(const char16_t*, const char16_t* name, FSTAT* st) {
  if (host::utf16_to_utf8(name) != "BcfgEdit.elf") return -1;
  if (st) *st = FSTAT{};
  return 0;
}
}  // namespace

TEST(Shell, EditorFolderTooLongForThePathCountsAsNotFound) {
  TestPhone t;
  t.start_addon();
  g_get_dir = t.phone.services().replace<host::service::fw_get_dir>(&long_first_app_dir);
  t.phone.services().replace<host::service::fw_file_stat>(&editor_everywhere);
  t.edit_config();
  ASSERT_EQ(t.phone.messages().launches().size(), 1u);
  EXPECT_EQ(t.phone.messages().launches()[0].path, "/card/other/ZBin/BcfgEdit.elf");
  EXPECT_TRUE(t.messages().empty());
  t.terminate();
  expect_all_released(t.phone);
}

namespace {
// The firmware allocator failing the next request of one size, passing every other on.
host::service::fw_malloc::entry g_malloc = nullptr;
int g_fail_size = -1;
void* malloc_failing_once(int size) {
  if (size != g_fail_size) return g_malloc(size);
  g_fail_size = -1;
  return nullptr;
}
int traced_size(const std::string& line) { return std::stoi(line.substr(line.find('(') + 1)); }
}  // namespace

// Out of memory for the tag record, the book (at start, and when a hide recycles it) or the
// configuration file's buffer: the program never writes through null, ends holding nothing when
// it cannot go on, and runs on the built-in values without the buffer. The sizes are the
// module's own, read from a normal start's trace.
TEST(Shell, AllocationFailuresAreMet) {
  int mdata_size = 0, book_size = 0;
  {
    TestPhone t;
    t.start_addon();
    const std::vector<std::string> lines = t.trace();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind("fw_malloc(", 0) != 0) continue;
      if (!mdata_size) mdata_size = traced_size(lines[i]);
      if (i + 1 < lines.size() && lines[i + 1].rfind("fw_create_book(", 0) == 0)
        book_size = traced_size(lines[i]);
    }
    t.terminate();
  }
  ASSERT_GT(mdata_size, 0);
  ASSERT_GT(book_size, 0);
  struct Case {
    const char* what;
    int size;
    bool runs;  // the program keeps running after its start
  } cases[] = {
      {"the tag record", mdata_size, false},
      {"the book", book_size, false},
      {"the image folder", 500 * 2, false},  // 500 wide characters
      {"the configuration file's buffer", 7124, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestPhone t;
    g_malloc = t.phone.services().replace<host::service::fw_malloc>(&malloc_failing_once);
    g_fail_size = c.size;
    t.start_addon();
    EXPECT_EQ(t.addon_book() != nullptr, c.runs);
    EXPECT_EQ(t.phone.loader().loaded(), c.runs ? 1u : 0u);
    if (c.runs) {
      EXPECT_EQ(t.trace_count("fw_file_read("), 0u);  // nothing was read into a missing buffer
      EXPECT_EQ(t.phone.keys().hooks(), 1u);
      t.terminate();
    }
    expect_all_released(t.phone);
  }
  // A hide recycles the book; without memory for the new one the program ends.
  TestPhone t;
  t.phone.player().start(ts::source_dir() / "samples");
  t.start_addon();
  t.press(host::codes::KEY_MUSIC);
  t.run(2000);
  g_malloc = t.phone.services().replace<host::service::fw_malloc>(&malloc_failing_once);
  g_fail_size = book_size;
  t.press(host::codes::KEY_MUSIC);
  t.run(2000);
  EXPECT_EQ(g_fail_size, -1);  // the book's allocation was refused
  EXPECT_EQ(t.addon_book(), nullptr);
  t.phone.queue().settle();
  EXPECT_EQ(t.phone.loader().loaded(), 0u);
  expect_all_released(t.phone);
}
