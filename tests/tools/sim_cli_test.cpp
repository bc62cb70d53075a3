// tunestrip-sim run as a process: help, wrong usage, bad script lines, a scripted run with the
// call trace on the other platform, and a failing command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "test_phone.h"
#include "tools/common/sim_options.h"

namespace fs = std::filesystem;

namespace {

class SimCli : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  // Runs the simulator in the temporary folder with `args` (already quoted where needed).
  Result sim(const std::string& args, const std::string& stdin_text = "") {
    fs::path err = tmp_.path() / "stderr.txt";
    std::string cmd = "cd '" + tmp_.path().string() + "' && ";
    if (!stdin_text.empty()) {
      ts::write_file(tmp_.path() / "stdin.txt", stdin_text);
      cmd += "<stdin.txt ";
    }
    cmd += (ts::bin_dir() / "tunestrip-sim").string() + " " + args + " 2>'" + err.string() + "'";
    Result r;
    r.status = ts::run_command(cmd, &r.out);
    r.err = ts::read_file(err);
    return r;
  }
  fs::path path(const std::string& name) { return tmp_.path() / name; }
  static size_t lines(const std::string& s) { return size_t(std::count(s.begin(), s.end(), '\n')); }

  ts::TempDir tmp_;
};

TEST_F(SimCli, HelpAndWrongUsage) {
  Result r = sim("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: tunestrip-sim", 0), 0u);

  for (const char* args : {"--bogus", "--screen 12", "--platform-id", "--music /no/such/music",
                           "--skin /no/such/skin", "--config /no/such.bcfg",
                           "--script /no/such/script.txt"}) {
    r = sim(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines(r.err), 1u) << args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("tunestrip-sim: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty()) << args;
  }
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
  Result r = sim("--platform-id 7100 --screen 240x320 --trace trace.txt --out pics --script -",
                 script);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_regular_file(path("pics/panel.png")));
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
  EXPECT_NE(r.out.find("Pictures: pics/panel.png\n"), std::string::npos) << r.out;
  // The run says which configuration it uses, and nothing else.
  EXPECT_EQ(r.err, "tunestrip-sim: configuration: " +
                       (sim::default_skin() / "TuneStrip.bcfg").string() + " (the skin's)\n");
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

TEST_F(SimCli, FailedCommandExitsWithItsLine) {
  Result r = sim("--script -", "wait 10\nshot /proc/no/such/place.png\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("standard input:2: shot /proc/no/such/place.png: cannot write"),
            std::string::npos)
      << r.err;
}

}  // namespace
