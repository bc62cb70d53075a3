// tunestrip-sim run as a process: help, wrong usage, bad script lines, a scripted run with the
// call trace on the other platform, and a failing command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "sim/options.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

class SimCli : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  // Runs the simulator in the temporary folder with `args` (already quoted where needed).
  // `prefix` goes before the command (an environment, a wrapper).
  Result sim(const std::string& args, const std::string& stdin_text = "",
             const std::string& prefix = "") {
    fs::path err = tmp_.path() / "stderr.txt";
    std::string cmd = "cd '" + tmp_.path().string() + "' && ";
    if (!stdin_text.empty()) {
      ts::write_file(tmp_.path() / "stdin.txt", stdin_text);
      cmd += "<stdin.txt ";
    }
    cmd += prefix + (ts::bin_dir() / "tunestrip-sim").string() + " " + args + " 2>'" + err.string() + "'";
    Result r;
    r.status = ts::run_command(cmd, &r.out);
    r.err = ts::read_file(err);
    return r;
  }
  fs::path path(const std::string& name) { return tmp_.path() / name; }
  static size_t lines(const std::string& s) { return size_t(std::count(s.begin(), s.end(), '\n')); }

  ts::TempDir tmp_;
};

TEST_F(SimCli, HelpVersionAndWrongUsage) {
  Result r = sim("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: tunestrip-sim", 0), 0u);
  r = sim("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("tunestrip-sim (TuneStrip) ", 0), 0u) << r.out;

  ts::write_file(path("a-file"), "x");
  fs::create_directory(path("a-folder"));
  // Status 2: the command line cannot be understood; 1: what it names cannot be used. Either
  // way one line that names the option and the reason.
  struct Case {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"--bogus", 2, "unknown option '--bogus' (try --help)"},
      {"--muzic samples", 2, "unknown option '--muzic'; did you mean --music?"},
      {"--screen 12", 2, "--screen: \"12\" is not a size"},
      {"--platform-id", 2, "--platform-id needs a value"},
      {"--music /no/such/music", 1, "--music: "},
      {"--skin /no/such/skin", 1, "--skin: \"/no/such/skin\": no such folder"},
      {"--config /no/such.bcfg", 1, "--config: \"/no/such.bcfg\": no such file"},
      {"--script /no/such/script.txt", 1, "--script: \"/no/such/script.txt\": no such file"},
      {"--out a-file", 1, "--out: \"a-file\" is not a folder"},
      {"--out /proc/x", 1, "--out: cannot make the folder \"/proc/x\": "},
      {"--trace a-folder", 1, "--trace: \"a-folder\" is a folder"},
      {"--trace no/dir/trace.txt", 1, "--trace: cannot write \"no/dir/trace.txt\": No such file"},
      {"/no/such/skin", 1, "--skin: \"/no/such/skin\": no such folder"},
  };
  for (const Case& c : cases) {
    r = sim(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(lines(r.err), 1u) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("tunestrip-sim: " + c.message, 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
  EXPECT_FALSE(fs::exists(path("out")));
}

// The log without the skin check's three warnings of the default skin's layout (its long tags
// run under the cover), which every run on it prints once; each must be there.
std::string without_long_tags_under_the_cover(std::string log) {
  for (const char* label : {"ARTIST", "TITLE", "ALBUM"}) {
    const std::string start = std::string("tunestrip-sim: X_") + label + "_POS: warning: the " +
                              label + " label at (1, ";
    const size_t at = log.find(start);
    if (at == std::string::npos || log.find("into the cover rcCover", at) > log.find('\n', at))
      return log;
    log.erase(at, log.find('\n', at) + 1 - at);
  }
  return log;
}

// A folder after the options is the skin, as the desktop's menu starts the window on one.
TEST_F(SimCli, FolderArgumentIsTheSkin) {
  fs::create_directory(path("myskin"));
  for (const auto& e : fs::directory_iterator(ts::source_dir() / "skin" / "default"))
    if (e.path().extension() != ".py") fs::copy_file(e.path(), path("myskin") / e.path().filename());
  Result r = sim("myskin --script -", "addon start\nwait 100\naddon terminate\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(without_long_tags_under_the_cover(r.err),
            "tunestrip-sim: configuration: myskin/TuneStrip.bcfg (the skin's)\n");
}

TEST_F(SimCli, BadLineStopsTheScriptBeforeItRuns) {
  ts::write_file(path("script.txt"), "shot first.png\nwait 100\nkey hot sideways\nshot last.png\n");
  Result r = sim("--script script.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "tunestrip-sim: script.txt:3: key: unknown press mode \"sideways\" (modes: "
                   "short, long, down, up)\n");
  EXPECT_FALSE(fs::exists(path("out/first.png")));  // nothing ran

  r = sim("--script -", "wait 1\n\nteleport home\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("standard input:3: unknown command \"teleport\""), std::string::npos) << r.err;

  // A line that parses but names an item the block does not have: the input is at fault.
  r = sim("--script -", "config TITLE_NORMAL_COLOR=0xFFFFFFFF\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tunestrip-sim: standard input:1: config: unknown name 'TITLE_NORMAL_COLOR'; "
                   "did you mean TITLE_NORAMAL_COLOR?\n");
}

TEST_F(SimCli, ScriptedRunWithTraceOnTheOtherPlatform) {
  const std::string script =
      "player start\n"
      "addon start\n"
      "wait 200\n"
      "key hot\n"
      "wait 1500\n"
      "shot panel.png\n"
      "addon about\n"
      "addon terminate\n"
      "wait 100\n";
  Result r = sim("--platform-id 7100 --screen 240x320 --trace trace.txt --out pics --gif run.gif "
                 "--script -",
                 script);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_regular_file(path("pics/panel.png")));
  EXPECT_TRUE(fs::is_regular_file(path("pics/run.gif")));  // beside the shots
  const std::string trace = ts::read_file(path("trace.txt"));
  EXPECT_NE(trace.find("\nfw_create_book(ptr, ptr, ptr, \"TuneStrip\", -1, 0)\n"), std::string::npos);
  EXPECT_NE(trace.find("\nfw_key_hook(ptr, 1)\n"), std::string::npos);
  EXPECT_NE(trace.find("\nfw_gui_create("), std::string::npos);

  EXPECT_NE(r.out.find("Ran 1.8 s of virtual time"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Redraws: "), std::string::npos);
  EXPECT_EQ(r.out.find("Redraws: 0 "), std::string::npos);
  EXPECT_NE(r.out.find("Messages shown: 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Resources after the add-on's exit: allocations 0, bytes 0, texts 0, images 0, "
                       "timers 0, key hooks 0, GUI objects 0, books 0, tag readers 0, open files 0, "
                       "loaded add-ons 0\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Pictures: pics/panel.png pics/run.gif\n"), std::string::npos) << r.out;
  // The run says which configuration it uses and what the skin check finds, nothing else.
  EXPECT_EQ(without_long_tags_under_the_cover(r.err),
            "tunestrip-sim: configuration: " + (sim::default_skin() / "TuneStrip.bcfg").string() +
                " (the skin's)\n");
}

// Without a script the demo runs and writes its two pictures.
TEST_F(SimCli, DemoWritesItsPictures) {
  Result r = sim("--out pics");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_regular_file(path("pics/panel.png")));
  EXPECT_EQ(ts::read_file(path("pics/demo.gif")).substr(0, 6), "GIF89a");
  EXPECT_NE(r.out.find("Pictures: pics/panel.png pics/demo.gif\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Resources after the add-on's exit: allocations 0, bytes 0,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("demo: the hot key shows the panel\n"), std::string::npos) << r.err;
}

#if TS_HAVE_GUEST
// The phone's own ELF on the emulated CPU runs the demo as the module does: the same pictures,
// byte for byte, and the same firmware calls but for the sizes of what it allocates, clears and
// copies (its pointers are half as wide).
TEST_F(SimCli, ElfRunsTheDemoAsTheModuleDoes) {
  const fs::path elf = ts::source_dir() / "build-arm" / "TuneStrip.elf";
  ASSERT_TRUE(fs::exists(elf)) << "run make target";
  Result native = sim("--out native --trace native.trace");
  ASSERT_EQ(native.status, 0) << native.err;
  Result phone = sim("--out phone --trace phone.trace --elf '" + elf.string() + "'");
  ASSERT_EQ(phone.status, 0) << phone.err;
  for (const char* picture : {"panel.png", "demo.gif"})
    EXPECT_TRUE(ts::read_file(path("native") / picture) == ts::read_file(path("phone") / picture))
        << picture;
  EXPECT_NE(phone.out.find("Add-on instructions: "), std::string::npos) << phone.out;
  EXPECT_NE(phone.out.find("Resources after the add-on's exit: allocations 0, bytes 0,"),
            std::string::npos)
      << phone.out;

  // The calls, with the sizes of allocations, clears, copies and display objects left out.
  auto calls = [](const std::string& trace) {
    std::vector<std::string> out;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("# ", 0) == 0) continue;
      for (const char* sized : {"fw_malloc(", "fw_memset(", "fw_memcpy(", "fw_disp_desc_set_size("})
        if (line.rfind(sized, 0) == 0) line = line.substr(0, line.rfind(' ') + 1) + "N)";
      if (line.rfind("fw_malloc(", 0) == 0) line = "fw_malloc(N)";
      out.push_back(line);
    }
    return out;
  };
  const std::string phone_trace = ts::read_file(path("phone.trace"));
  EXPECT_EQ(calls(ts::read_file(path("native.trace"))), calls(phone_trace));
  EXPECT_EQ(phone_trace.rfind("# ELF image at 0x", 0), 0u) << phone_trace.substr(0, 80);
}
#endif

// The demo checks its steps: with a hot key that never arrives, it stops where the panel should
// have appeared, says so and fails.
TEST_F(SimCli, DemoFailsAtAStepWithoutEffect) {
  ASSERT_EQ(ts::run_command((ts::bin_dir() / "tunestrip-bcfg").string() + " default '" +
                            path("k.bcfg").string() + "'"), 0);
  ASSERT_EQ(ts::run_command((ts::bin_dir() / "tunestrip-bcfg").string() + " set '" +
                            path("k.bcfg").string() + "' KEYRUN=50"), 0);
  Result r = sim("--config k.bcfg --quiet");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("tunestrip-sim: demo:13: expect panel shown: no panel is on the screen "
                       "(after \"demo: the hot key shows the panel\")\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("demo: the first button"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST_F(SimCli, FailedCommandExitsWithItsLine) {
  Result r = sim("--script -", "wait 10\nshot /proc/no/such/place.png\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("standard input:2: shot /proc/no/such/place.png: "
                       "/proc/no/such/place.png: cannot write: No such file or directory"),
            std::string::npos)
      << r.err;
}

// Without a display, the window refuses to run on an invisible driver that nobody asked for.
TEST_F(SimCli, InteractiveWithoutADisplayFailsClearly) {
  Result r = sim("--interactive", "", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 60 ");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("tunestrip-sim: --interactive: "), std::string::npos) << r.err;
}

// The window for real, under Xvfb and driven by its keys: an edited configuration is taken in
// (by the watch or by R), S writes a screenshot, Q ends the run.
TEST_F(SimCli, WindowReloadsAnEditedSkin) {
  if (ts::run_command("command -v xvfb-run xdotool >/dev/null") != 0)
    GTEST_SKIP() << "xvfb-run and xdotool are not installed";
  fs::copy(ts::source_dir() / "skin" / "default", path("skin"));
  const std::string sim_cmd = (ts::bin_dir() / "tunestrip-sim").string();
  const std::string bcfg = (ts::bin_dir() / "tunestrip-bcfg").string();
  ts::write_file(path("drive.sh"),
                 "SDL_AUDIODRIVER=dummy " + sim_cmd +
                     " --interactive --skin skin --out pics >out.txt 2>err.txt & sim=$!\n"
                     "w=$(xdotool search --sync --name '^TuneStrip') || exit 9\n" +
                     bcfg + " set skin/TuneStrip.bcfg IS_TITLE_EN=0 || exit 8\n"
                     "xdotool key --window $w r s q\n"
                     "wait $sim\n");
  ts::run_command("cd '" + tmp_.path().string() + "' && timeout 120 xvfb-run -a sh drive.sh");
  const std::string err = ts::read_file(path("err.txt"));
  // The title switched off, its label no longer runs under the cover: the check says so too.
  EXPECT_NE(err.find("tunestrip-sim: reload: configuration reloaded from TuneStrip.bcfg; skin "
                     "check: 2 warnings: X_ARTIST_POS: "),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("tunestrip-sim: wrote pics/shot-1.png\n"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_regular_file(path("pics/shot-1.png")));
  EXPECT_NE(ts::read_file(path("out.txt")).find("Resources (the add-on still runs)"), std::string::npos);
}

// The editor for real, under Xvfb and driven by the mouse and keys only. While the editor is open
// the phone sits at the window's top-left corner at twice its size, so the title, which the
// skin's configuration puts at (1, 240), lies under the window's (10, 490) (the phone's (5, 245));
// dragging it 20 window pixels to the right moves it 10 of the phone's, picks it and opens its
// group, whose X field then lies under (790, 223). A click there while the phone has the keys
// takes the field at once: 99999 typed is refused and, once a click on the phone lets the field
// go, the field is back at 11 and the refusal goes to the status line (and the log); 30 typed
// the same way holds. Ctrl+S saves, Q quits (the edit is saved, so nothing is asked), and the
// file holds the new position.
TEST_F(SimCli, EditorDragsTheTitleAndSavesIt) {
  if (ts::run_command("command -v xvfb-run xdotool >/dev/null") != 0)
    GTEST_SKIP() << "xvfb-run and xdotool are not installed";
  fs::copy(ts::source_dir() / "skin" / "default", path("skin"));
  const std::string sim_cmd = (ts::bin_dir() / "tunestrip-sim").string();
  ts::write_file(path("drive.sh"),
                 "SDL_AUDIODRIVER=dummy " + sim_cmd +
                     " --edit --skin skin --out pics >out.txt 2>err.txt & sim=$!\n"
                     "w=$(xdotool search --sync --onlyvisible --name '^TuneStrip') || exit 9\n"
                     "xdotool mousemove --window $w 10 490 mousedown 1 "
                     "mousemove --window $w 30 490 mouseup 1\n"
                     "xdotool mousemove --window $w 790 223 click 1 type 99999\n"
                     "xdotool mousemove --window $w 400 40 click 1\n"
                     "xdotool mousemove --window $w 790 223 click 1 type 30\n"
                     "xdotool mousemove --window $w 400 40 click 1\n"
                     "xdotool key --window $w ctrl+s q\n"
                     "wait $sim\n");
  ts::run_command("cd '" + tmp_.path().string() +
                  "' && timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' sh drive.sh");
  const std::string err = ts::read_file(path("err.txt"));
  if (err.find("this build has no editor") != std::string::npos) GTEST_SKIP() << err;
  EXPECT_NE(err.find("tunestrip-sim: saved skin/TuneStrip.bcfg\n"), std::string::npos) << err;
  EXPECT_NE(err.find("tunestrip-sim: refused: X_TITLE_POS: 99999 is out of range "
                     "-32768..32767; X_TITLE_POS stays 11\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(bcfg::get_value(path("skin/TuneStrip.bcfg"), "X_TITLE_POS"), "30");
  EXPECT_EQ(bcfg::get_value(path("skin/TuneStrip.bcfg"), "Y_TITLE_POS"), "240");
}

}  // namespace
