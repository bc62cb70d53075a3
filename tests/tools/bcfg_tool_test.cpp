// tunestrip-bcfg, run as a process on files in a temporary folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "shell/config/catalogue.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

std::string default_bytes() {
  return std::string(reinterpret_cast<const char*>(config_default_image.data()), CONFIG_SIZE);
}
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}
uint32_t u32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void put32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

class BcfgTool : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  // Runs the tool with `args` (already quoted for the shell where needed).
  Result run(const std::string& args) {
    fs::path err = tmp_.path() / "stderr.txt";
    Result r;
    r.status = ts::run_command((ts::bin_dir() / "tunestrip-bcfg").string() + " " + args + " 2>" +
                                   err.string(),
                               &r.out);
    r.err = ts::read_file(err);
    fs::remove(err);
    return r;
  }
  fs::path file(const std::string& name = "TuneStrip.bcfg") { return tmp_.path() / name; }
  std::string q(const fs::path& p) { return "'" + p.string() + "'"; }
  // Files in the folder other than the ones the test made (temporary files left behind).
  std::vector<std::string> folder() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp_.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  ts::TempDir tmp_;
};

TEST_F(BcfgTool, HelpAndUsage) {
  Result r = run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage: tunestrip-bcfg"), std::string::npos);
  EXPECT_NE(r.out.find("set FILE NAME=VALUE"), std::string::npos);
  EXPECT_EQ(run("-h").out, r.out);
  EXPECT_EQ(run("--version").out.rfind("tunestrip-bcfg (TuneStrip) ", 0), 0u);
  // Wrong usage: status 2 and one line that says what is wrong.
  ts::write_file(file(), default_bytes());
  struct Case {
    std::string args, message;
  } cases[] = {
      {"", "no command given"},
      {"frobnicate F", "unknown command 'frobnicate'"},
      {"dupm F", "unknown command 'dupm'; did you mean dump?"},
      {"dump --jsno F", "unknown option '--jsno'; did you mean --json?"},
      {"set F HIDE_SPEED", "set: 'HIDE_SPEED' is not NAME=VALUE"},
      {"get F", "get takes FILE and at least one NAME"},
  };
  for (const Case& c : cases) {
    std::string args = c.args;
    if (size_t at = args.find(" F"); at != std::string::npos) args.replace(at, 2, " " + q(file()));
    r = run(args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err, "tunestrip-bcfg: " + c.message + " (try --help)\n") << c.args;
  }
  EXPECT_EQ(ts::read_file(file()), default_bytes());

  // Every value with its limits and its labels, the block's and the English one, and under each
  // list its choices.
  r = run("names");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(lines_of(r.out).size(), 99u + 5 * 5);
  EXPECT_NE(r.out.find("\nHIDE_SPEED                   integer   1..15                  Скорость "),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(" — Slide speed (pixels per step)\n"), std::string::npos);
  EXPECT_NE(r.out.find("Координаты — Position (y)\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n    4 = Скрыть панель — Hide the panel\n"), std::string::npos);
}

TEST_F(BcfgTool, DefaultWritesTheBuiltInBlock) {
  ASSERT_EQ(run("default " + q(file())).status, 0);
  EXPECT_EQ(ts::read_file(file()), default_bytes());
  // Over an existing file of another size too.
  ts::write_file(file(), "junk");
  ASSERT_EQ(run("default " + q(file())).status, 0);
  EXPECT_EQ(ts::read_file(file()), default_bytes());
  EXPECT_EQ(folder(), std::vector<std::string>{"TuneStrip.bcfg"});
  Result r = run("check " + q(file()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ok\n");
}

TEST_F(BcfgTool, DumpPrintsEveryNamedValueInBlockOrder) {
  ts::write_file(file(), default_bytes());
  Result r = run("dump " + q(file()));
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> l = lines_of(r.out);
  ASSERT_EQ(l.size(), 99u);
  EXPECT_EQ(l[0], "KEYRUN = 42");
  EXPECT_EQ(l[1], "KEYRUNMODE = 0");
  EXPECT_EQ(l[2], "IS_ARTIST_EN = 1");
  EXPECT_EQ(l[3], "X_ARTIST_POS = 1");
  EXPECT_EQ(l[4], "Y_ARTIST_POS = 255");
  EXPECT_EQ(l[5], "ARTIST_NORAMAL_COLOR = 0xFFFFFFFF");
  EXPECT_EQ(l[6], "ARTIST_BORDER_COLOR = 0xFF000000");
  EXPECT_EQ(l[7], "FONT_ARTIST = 18");
  EXPECT_EQ(l.back(), "FON_FROM_BUFFER_ENABLED = 1");
  for (const char* line : {"FON_NORAMAL_COLOR = 0xA0000000", "rcFON = 0,240,240,320",
                           "rcCover = 171,231,241,301", "FUNCTION_KEY_RECT5 = 218,238,300,320",
                           "FUNCTION_KEY3 = 0", "FONT_TITLE = 25", "HIDE_SPEED = 15"})
    EXPECT_NE(std::find(l.begin(), l.end(), line), l.end()) << line;

  r = run("dump --json " + q(file()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(R"j({"name": "KEYRUN", "type": "key", "value": 42, "label": "Клавиша запуска", "english": "Hot key (key)", "group": "", "path": [], "offset": 44})j"),
            std::string::npos);
  EXPECT_NE(r.out.find(R"j("name": "X_TITLE_POS", "type": "point", "value": 1, "label": "Координаты", "english": "Position (x)", "group": "Название", "path": ["Теги", "Название"])j"),
            std::string::npos);
  EXPECT_NE(r.out.find(R"j("name": "FUNCTION_KEY2", "type": "list", "value": 0, "choice": "След. трэк", "choice_english": "Next track", "label": "Функция", "english": "Action", "group": "Кнопка 2", "path": ["Кнопки", "Кнопка 2"])j"),
            std::string::npos);
  EXPECT_NE(r.out.find(R"("name": "rcBAR", "type": "rectangle", "value": [0,0,0,0])"), std::string::npos);
  EXPECT_NE(r.out.find(R"("value": "0xA0000000")"), std::string::npos);
}

TEST_F(BcfgTool, SetGetRoundTrip) {
  ts::write_file(file(), default_bytes());
  Result r = run("set " + q(file()) +
                 " HIDE_SPEED=3 'rcFON = 0,240,200,320' FUNCTION_KEY2='play/PAUSE' FUNCTION_KEY4=4"
                 " 'FUNCTION_KEY3=previous Track' FUNCTION_KEY5='Развернуть плеер'"
                 " FON_NORAMAL_COLOR='#80112233' TITLE_NORAMAL_COLOR='#1a2B3c' X_TITLE_POS=-5"
                 " KEYRUN=0x1B IS_YEAR_EN=1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = run("get " + q(file()) + " HIDE_SPEED rcFON FUNCTION_KEY2 FUNCTION_KEY4 FUNCTION_KEY3" +
          " FUNCTION_KEY5 FON_NORAMAL_COLOR TITLE_NORAMAL_COLOR X_TITLE_POS KEYRUN IS_YEAR_EN" +
          " Y_TITLE_POS");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "3\n0,240,200,320\n2\n4\n1\n3\n0x80112233\n0xFF1A2B3C\n-5\n27\n1\n240\n");

  // Only those values' bytes changed.
  std::string now = ts::read_file(file()), before = default_bytes();
  ASSERT_EQ(now.size(), before.size());
  std::vector<size_t> changed;
  for (size_t i = 0; i < now.size(); ++i)
    if (now[i] != before[i]) changed.push_back(i);
  std::vector<size_t> allowed_starts = {
      7028, 4448, cfg_value_offset("FUNCTION_KEY2"), cfg_value_offset("FUNCTION_KEY4"),
      cfg_value_offset("FUNCTION_KEY3"), cfg_value_offset("FUNCTION_KEY5"),
      cfg_value_offset("FON_NORAMAL_COLOR"), cfg_value_offset("TITLE_NORAMAL_COLOR"),
      cfg_value_offset("X_TITLE_POS"), 44,
      cfg_value_offset("IS_YEAR_EN")};
  for (size_t i : changed) {
    bool ok = false;
    for (size_t s : allowed_starts) ok |= i >= s && i < s + 4;
    EXPECT_TRUE(ok) << "byte " << i << " changed";
  }
  EXPECT_EQ(u32(now, 7028), 3u);

  // The dump of the edited file, applied to a fresh default file, gives the same bytes.
  r = run("dump " + q(file()));
  ASSERT_EQ(r.status, 0);
  std::string args;
  for (const std::string& line : lines_of(r.out)) args += " '" + line + "'";
  ASSERT_EQ(run("default " + q(file("copy.bcfg"))).status, 0);
  r = run("set " + q(file("copy.bcfg")) + args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ts::read_file(file("copy.bcfg")), now);
}

TEST_F(BcfgTool, BadInputLeavesTheFileAsItWas) {
  std::string original = default_bytes();
  put32(original, 7028, 7);  // something other than the defaults
  ts::write_file(file(), original);
  ts::write_file(file("short.bcfg"), original.substr(0, 7123));
  ts::write_file(file("long.bcfg"), original + "x");
  fs::create_directory(file("folder.bcfg"));
  std::string broken = original;
  put32(broken, 4868 + 40, 6);  // a list with one choice too many
  ts::write_file(file("broken.bcfg"), broken);

  struct Case {
    std::string args, message;
  } cases[] = {
      {"set F HIDE_SPEED=0", "HIDE_SPEED: 0 is out of range 1..15"},
      {"set F HIDE_SPEED=16", "out of range 1..15"},
      {"set F FUNCTION_KEY_COUNT=6", "out of range 0..5"},
      {"set F FUNCTION_KEY1=5", "FUNCTION_KEY1: '5' is not one of its choices: 0 'Next track', "
                                "1 'Previous track', 2 'Play/pause', 3 'Bring the player forward', "
                                "4 'Hide the panel'"},
      {"set F FUNCTION_KEY1=Stop", "FUNCTION_KEY1: 'Stop' is not one of its choices: 0 'Next track'"},
      {"set F FON_BORDER_COLOR=#12345", "FON_BORDER_COLOR: '#12345' is not a colour #RRGGBB or #AARRGGBB"},
      {"set F FON_BORDER_COLOR=#GG0000", "is not a colour"},
      {"set F IS_TITLE_EN=2", "out of range 0..1"},
      {"set F HIDE_SPEED=fast", "HIDE_SPEED: 'fast' is not a number"},
      {"set F HIDE_SPEED=", "is not a number"},
      {"set F HIDE_SPEED=5x", "is not a number"},
      {"set F FON_BORDER_COLOR=0x1FFFFFFFF", "out of range"},
      {"set F FON_BORDER_COLOR=-1", "out of range"},
      {"set F rcFON=1,2,3", "rcFON: '1,2,3' is not a rectangle x1,x2,y1,y2"},
      {"set F rcFON=1,2,3,4,5", "is not a rectangle"},
      {"set F rcFON=0,240,240,70000", "rcFON: 70000 is out of range 0..65535"},
      // What the skin check calls an error: a font the phone lacks, a box it cannot draw.
      {"set F FONT_TITLE=1000", "FONT_TITLE: 1000 is not a font of the phone; use 1..20"},
      {"set F rcCover=171,250,241,301", "rcCover: 171,250,241,301 reaches past the 240x320 screen"},
      {"set F rcCover=231,171,241,301", "rcCover: 231,171,241,301: its right edge lies left of its "
                                        "left edge, so nothing is drawn in it"},
      {"set F X_TITLE_POS=3000000000", "out of range"},
      {"set F X_TITLE_POS=2147483647", "X_TITLE_POS: 2147483647 is out of range -32768..32767"},
      {"set F Y_TITLE_POS=-32769", "Y_TITLE_POS: -32769 is out of range -32768..32767"},
      {"set F HIDE_SPEED=123456789012345678901234567890", "HIDE_SPEED: 123456789012345678901234567890 is out of range 1..15"},
      {"set F NO_SUCH=1", "unknown name 'NO_SUCH'\n"},
      {"set F hide_speed=3", "unknown name 'hide_speed'; did you mean HIDE_SPEED?"},
      {"set F TITLE_NORMAL_COLOR=0", "unknown name 'TITLE_NORMAL_COLOR'; did you mean TITLE_NORAMAL_COLOR?"},
      // One bad assignment among good ones: none is applied.
      {"set F HIDE_SPEED=3 IS_YEAR_EN=1 rcBAR=1,2", "rcBAR"},
      {"get F NO_SUCH", "unknown name 'NO_SUCH'"},
      {"get F rcFOM", "unknown name 'rcFOM'; did you mean rcFON?"},
      {"set MISSING HIDE_SPEED=3", "No such file or directory"},
      {"dump MISSING", "No such file or directory"},
      {"set SHORT HIDE_SPEED=3", "7123 bytes, but a configuration file holds exactly 7124"},
      {"set LONG HIDE_SPEED=3", "more than the 7124 bytes a configuration file holds"},
      {"dump SHORT", "7123 bytes"},
      {"set FOLDER HIDE_SPEED=3", "is a folder"},
      {"set BROKEN HIDE_SPEED=3", "byte 4908"},
      {"dump BROKEN", "byte 4908"},
  };
  for (const Case& c : cases) {
    std::string args = c.args;
    auto sub = [&args](const std::string& key, const std::string& value) {
      size_t at = args.find(key);
      if (at != std::string::npos) args.replace(at, key.size(), value);
    };
    sub(" F ", " " + q(file()) + " ");
    sub("MISSING", q(file("missing.bcfg")));
    sub("SHORT", q(file("short.bcfg")));
    sub("LONG", q(file("long.bcfg")));
    sub("FOLDER", q(file("folder.bcfg")));
    sub("BROKEN", q(file("broken.bcfg")));
    SCOPED_TRACE(c.args);
    Result r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tunestrip-bcfg: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(ts::read_file(file()), original);
  EXPECT_EQ(ts::read_file(file("short.bcfg")), original.substr(0, 7123));
  EXPECT_EQ(ts::read_file(file("long.bcfg")), original + "x");
  EXPECT_EQ(ts::read_file(file("broken.bcfg")), broken);
  EXPECT_EQ(folder(), (std::vector<std::string>{"TuneStrip.bcfg", "broken.bcfg", "folder.bcfg",
                                                "long.bcfg", "short.bcfg"}));
}

TEST_F(BcfgTool, CheckReportsTheFirstFaultWithItsOffset) {
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    std::string message;
  } cases[] = {
      {"unknown type", 140, 99, "byte 140: unknown item type 99"},
      {"list size", 4868 + 40, 4, "byte 4908: FUNCTION_KEY1 has 4 choices"},
      {"group opened at the end", 7080 + 36, 1, "byte 7116: expected the closing of a group"},
      {"closing too early", 52 + 36, 0, "byte 52: closes a group that was never opened"},
      {"type swapped", 4400, 15, "byte 4400: a colour item where the configuration has the rectangle rcFON"},
      {"out-of-range value", 7028, 0, "byte 7028: HIDE_SPEED is 0, out of range 1..15"},
      {"checkbox value", 184, 2, "byte 184: IS_ARTIST_EN is 2"},
      {"list index", 6304, 5, "byte 6304: FUNCTION_KEY5 is 5, not a choice 0..4"},
      {"label place", 564, 0x7FFFFFFF,
       "byte 564: X_TITLE_POS is 2147483647, out of range -32768..32767"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string b = default_bytes();
    put32(b, c.at, c.value);
    ts::write_file(file(), b);
    Result r = run("check " + q(file()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ts::read_file(file()), b);
  }
  // A label without its ending zero.
  std::string b = default_bytes();
  std::memset(b.data() + 7084, 'A', 32);
  ts::write_file(file(), b);
  Result r = run("check " + q(file()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("byte 7084: the item's label has no ending zero byte"), std::string::npos)
      << r.err;
  // Values out of range are still shown and can be mended with set.
  b = default_bytes();
  put32(b, 7028, 0);
  ts::write_file(file(), b);
  EXPECT_EQ(run("get " + q(file()) + " HIDE_SPEED").out, "0\n");
  EXPECT_EQ(run("set " + q(file()) + " HIDE_SPEED=15").status, 0);
  EXPECT_EQ(ts::read_file(file()), default_bytes());
}

// The file set replaces keeps what its owner gave it: its mode and, as root, its owner and group.
// A temporary that a killed run left beside it goes with the next set; one that a living writer
// holds (its lock) stays.
TEST_F(BcfgTool, SetKeepsTheFilesOwnerAndRemovesAStaleTemporary) {
  ts::write_file(file(), default_bytes());
  ASSERT_EQ(chmod(file().c_str(), 0640), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(file().c_str(), 4321, 8765), 0);
  }
  ts::write_file(file(".TuneStrip.bcfg.AbC123.tmp"), "cut short by kill -9");
  const fs::path held = file(".TuneStrip.bcfg.XyZ789.tmp");
  ts::write_file(held, "being written");
  const int holder = open(held.c_str(), O_RDONLY);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  Result r = run("set " + q(file()) + " HIDE_SPEED=3");
  close(holder);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(run("get " + q(file()) + " HIDE_SPEED").out, "3\n");
  struct stat st;
  ASSERT_EQ(stat(file().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
  }
  EXPECT_EQ(folder(), (std::vector<std::string>{".TuneStrip.bcfg.XyZ789.tmp", "TuneStrip.bcfg"}));
}

// Twelve writers at once, each setting a colour of its own ten times: each one's last value is in
// the file, as each set holds the file's lock from its read to its rename.
TEST_F(BcfgTool, ConcurrentSetsLoseNoChange) {
  ASSERT_EQ(run("default " + q(file())).status, 0);
  std::vector<std::string> colours;
  for (const bcfg::Value& v : bcfg::values())
    if (v.item->type == ITEM_COLOR && colours.size() < 12) colours.emplace_back(v.name);
  ASSERT_EQ(colours.size(), 12u);
  const fs::path errors = tmp_.path().parent_path() / (tmp_.path().filename().string() + ".err");
  const std::string tool = (ts::bin_dir() / "tunestrip-bcfg").string();
  std::string writers;
  for (const std::string& c : colours)
    writers += "(for v in 1 2 3 4 5 6 7 8 9 10; do '" + tool + "' set " + q(file()) + " " + c +
               "=$v || exit 1; done) & ";
  ASSERT_EQ(ts::run_command("{ " + writers + "wait; } 2>" + q(errors)), 0);
  EXPECT_EQ(ts::read_file(errors), "");
  fs::remove(errors);
  std::string names, tens;
  for (const std::string& c : colours) names += " " + c, tens += "0x0000000A\n";
  EXPECT_EQ(run("get " + q(file()) + names).out, tens);
  EXPECT_EQ(folder(), (std::vector<std::string>{"TuneStrip.bcfg"}));
}

// The library the simulator's `config` command uses.
TEST(BcfgLibrary, SetValuesIsAllOrNothing) {
  ts::TempDir tmp;
  fs::path f = tmp.path() / "TuneStrip.bcfg";
  bcfg::write_default(f);
  EXPECT_THROW(bcfg::set_values(f, {"HIDE_SPEED=4", "IS_TITLE_EN=7"}), bcfg::Error);
  EXPECT_EQ(bcfg::get_value(f, "HIDE_SPEED"), "15");
  bcfg::set_values(f, {"HIDE_SPEED=4", "HIDE_SPEED = 5", "FUNCTION_KEY1=Скрыть панель"});
  EXPECT_EQ(bcfg::get_value(f, "HIDE_SPEED"), "5");
  EXPECT_EQ(bcfg::get_value(f, "FUNCTION_KEY1"), "4");
  try {
    bcfg::set_values(f, {"rcFON=1,2"});
    FAIL();
  } catch (const bcfg::Error& e) {
    EXPECT_STREQ(e.what(), "rcFON: '1,2' is not a rectangle x1,x2,y1,y2");
  }
  EXPECT_FALSE(bcfg::check(bcfg::read_file(f)).has_value());
}

}  // namespace
