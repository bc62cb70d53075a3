// tunestrip-bcfg: checks, prints and edits TuneStrip's configuration file "TuneStrip.bcfg".
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/bcfg.h"

namespace {

const char kUsage[] =
    "Usage: tunestrip-bcfg COMMAND FILE [ARGUMENTS]\n"
    "\n"
    "Checks, prints and edits TuneStrip's configuration file (TuneStrip.bcfg, 7124 bytes).\n"
    "\n"
    "Commands:\n"
    "  check FILE                 test the file's items and values; print the first fault\n"
    "                             with its byte offset (exit status 1), or \"ok\"\n"
    "  dump [--json] FILE         print every named value as NAME = VALUE, in file order;\n"
    "                             with --json, a JSON array that adds labels and groups\n"
    "  get FILE NAME...           print the values of the names, one a line\n"
    "  set FILE NAME=VALUE...     change values; all are checked before the file is\n"
    "                             written, and the file is replaced whole or not at all\n"
    "  default FILE               write the built-in configuration to FILE\n"
    "  names                      list every value's name, type and limits\n"
    "\n"
    "Values:\n"
    "  integers, checkboxes (0/1), fonts, list indices, KEYRUN, KEYRUNMODE,\n"
    "  X_..._POS, Y_..._POS      decimal (or 0x hexadecimal); a list also takes the text\n"
    "                             of one of its choices\n"
    "  colours                    0xAARRGGBB (alpha, red, green, blue)\n"
    "  rectangles                 x1,x2,y1,y2 (left, right, top, bottom)\n"
    "\n"
    "Example:\n"
    "  tunestrip-bcfg set TuneStrip.bcfg HIDE_SPEED=5 rcFON=0,240,220,320 IS_YEAR_EN=1\n"
    "\n"
    "Exit status: 0 done, 1 a fault or error (one line on stderr), 2 wrong usage.\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "tunestrip-bcfg: %s (try --help)\n", message.c_str());
  return 2;
}

int run(const std::vector<std::string>& args) {
  const std::string& cmd = args[0];
  if (cmd == "names") {
    if (args.size() != 1) return usage_error("names takes no arguments");
    for (const bcfg::Value& v : bcfg::values()) {
      std::printf("%-28s %-10s %s\n", std::string(v.name).c_str(),
                  bcfg::type_name(v.item->type), bcfg::limits(*v.item).c_str());
    }
    return 0;
  }
  if (cmd == "check") {
    if (args.size() != 2) return usage_error("check takes one FILE");
    std::vector<uint8_t> bytes = bcfg::read_bytes(args[1]);
    if (auto fault = bcfg::check(bytes)) {
      std::fprintf(stderr, "tunestrip-bcfg: %s: byte %u: %s\n", args[1].c_str(), fault->offset,
                   fault->message.c_str());
      return 1;
    }
    std::printf("ok\n");
    return 0;
  }
  if (cmd == "dump") {
    bool json = false;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--json")
        json = true;
      else if (args[i].size() > 1 && args[i][0] == '-')
        return usage_error("unknown option '" + args[i] + "'");
      else
        files.push_back(args[i]);
    }
    if (files.size() != 1) return usage_error("dump takes one FILE");
    bcfg::Image image = bcfg::read_file(files[0]);
    std::string text = json ? bcfg::dump_json(image) : bcfg::dump(image);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (cmd == "get") {
    if (args.size() < 3) return usage_error("get takes FILE and at least one NAME");
    for (size_t i = 2; i < args.size(); ++i)
      if (!bcfg::find(args[i])) throw bcfg::Error("unknown name '" + args[i] + "'");
    bcfg::Image image = bcfg::read_file(args[1]);
    for (size_t i = 2; i < args.size(); ++i) std::printf("%s\n", bcfg::get(image, args[i]).c_str());
    return 0;
  }
  if (cmd == "set") {
    if (args.size() < 3) return usage_error("set takes FILE and at least one NAME=VALUE");
    bcfg::set_values(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    return 0;
  }
  if (cmd == "default") {
    if (args.size() != 2) return usage_error("default takes one FILE");
    bcfg::write_default(args[1]);
    return 0;
  }
  return usage_error("unknown command '" + cmd + "'");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (args.empty()) return usage_error("no command given");
  try {
    return run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tunestrip-bcfg: %s\n", e.what());
    return 1;
  }
}
