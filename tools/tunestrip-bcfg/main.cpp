// tunestrip-bcfg: checks, prints and edits TuneStrip's configuration file "TuneStrip.bcfg".
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/suggest.h"
#include "config/bcfg.h"
#include "config/bcfg_labels.h"

namespace {

constexpr const char* kTool = "tunestrip-bcfg";

const std::string& usage() {
  static const std::string text =
      "Usage: tunestrip-bcfg COMMAND FILE [ARGUMENTS]\n"
      "\n"
      "Checks, prints and edits TuneStrip's configuration file (TuneStrip.bcfg, 7124 bytes).\n"
      "\n"
      "Commands:\n"
      "  check FILE                 test the file's items and values; print the first fault\n"
      "                             with its byte offset (exit status 1), or \"ok\"\n"
      "  dump [--json] FILE         print every named value as NAME = VALUE, in file order;\n"
      "                             with --json, a JSON array that adds labels (the file's own\n"
      "                             and in English), groups and list choices\n"
      "  get FILE NAME...           print the values of the names, one a line\n"
      "  set FILE NAME=VALUE...     change values; all are checked before the file is\n"
      "                             written, and the file is replaced whole or not at all\n"
      "  default FILE               write the built-in configuration to FILE\n"
      "  names                      list every value's name, type, limits and label (the\n"
      "                             block's own and in English), and each list's choices\n"
      "\n"
      "Values:\n"
      "  numbers                    integers, checkboxes (0/1), fonts, list indices, KEYRUN,\n"
      "                             KEYRUNMODE, X_..._POS and Y_..._POS: decimal (or 0x\n"
      "                             hexadecimal); a list also takes a choice as `names`\n"
      "                             prints it, in English or the block's words, any case\n"
      "  colours                    #RRGGBB (opaque), #AARRGGBB or 0xAARRGGBB (alpha, red,\n"
      "                             green, blue)\n"
      "  rectangles                 x1,x2,y1,y2 (left, right, top, bottom)\n"
      "Names keep the block's own spelling (TITLE_NORAMAL_COLOR); a misspelt one gets a\n"
      "suggestion.\n"
      "\n"
      "Options:\n"
      "  --json                     (dump) print JSON\n"
      "  -h, --help                 this text\n"
      "  --version                  the version\n"
      "\n"
      "Example:\n"
      "  tunestrip-bcfg set TuneStrip.bcfg HIDE_SPEED=5 rcFON=0,240,220,320 IS_YEAR_EN=1\n"
      "\n" +
      tools::exit_status_help(
          "the work failed on its input: a file missing, unreadable or malformed, a value or\n"
          "      an item name refused, a fault that check finds",
          "the command line cannot be understood: an unknown option or command, a missing\n"
          "      argument, NAME without =VALUE");
  return text;
}

constexpr std::string_view kCommands[] = {"check", "dump", "get", "set", "default", "names"};

int usage_error(const std::string& message) { return tools::usage_error(kTool, message); }

// The block's label of a value's item and the English one beside it.
std::string labels(const bcfg::Value& v) {
  std::string out = v.item->label ? v.item->label : "";
  const std::string english = bcfg::english_text(v.name);
  if (!english.empty()) out += (out.empty() ? "" : " — ") + english;
  return out;
}

int names() {
  for (const bcfg::Value& v : bcfg::values()) {
    std::printf("%-28s %-9s %-22s %s\n", std::string(v.name).c_str(), bcfg::type_name(v.item->type),
                bcfg::limits(*v.item).c_str(), labels(v).c_str());
    // A list's choices, under its first name.
    if (v.item->type != ITEM_LIST || v.second) continue;
    const auto english = bcfg::english_choices(*v.item);
    for (int32_t c = 0; c < v.item->field2; ++c) {
      std::string line = "    " + std::to_string(c) + " = " + v.item->choices[c];
      if (size_t(c) < english.size()) line += " — " + std::string(english[size_t(c)]);
      std::printf("%s\n", line.c_str());
    }
  }
  return tools::kExitDone;
}

int run(const std::vector<std::string>& args) {
  const std::string& cmd = args[0];
  if (cmd == "names") {
    if (args.size() != 1) return usage_error("names takes no arguments");
    return names();
  }
  if (cmd == "check") {
    if (args.size() != 2) return usage_error("check takes one FILE");
    std::vector<uint8_t> bytes = bcfg::read_bytes(args[1]);
    if (auto fault = bcfg::check(bytes)) {
      std::fprintf(stderr, "%s: %s: byte %u: %s\n", kTool, args[1].c_str(), fault->offset,
                   fault->message.c_str());
      return tools::kExitFailed;
    }
    std::printf("ok\n");
    return tools::kExitDone;
  }
  if (cmd == "dump") {
    bool json = false;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--json")
        json = true;
      else if (args[i].size() > 1 && args[i][0] == '-')
        return usage_error(tools::unknown_option(args[i], usage()));
      else
        files.push_back(args[i]);
    }
    if (files.size() != 1) return usage_error("dump takes one FILE");
    bcfg::Image image = bcfg::read_file(files[0]);
    std::string text = json ? bcfg::dump_json(image) : bcfg::dump(image);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return tools::kExitDone;
  }
  if (cmd == "get") {
    if (args.size() < 3) return usage_error("get takes FILE and at least one NAME");
    for (size_t i = 2; i < args.size(); ++i)
      if (!bcfg::find(args[i])) throw bcfg::unknown_name(args[i]);
    bcfg::Image image = bcfg::read_file(args[1]);
    for (size_t i = 2; i < args.size(); ++i) std::printf("%s\n", bcfg::get(image, args[i]).c_str());
    return tools::kExitDone;
  }
  if (cmd == "set") {
    if (args.size() < 3) return usage_error("set takes FILE and at least one NAME=VALUE");
    for (size_t i = 2; i < args.size(); ++i)
      if (args[i].find('=') == std::string::npos)
        return usage_error("set: '" + args[i] + "' is not NAME=VALUE");
    bcfg::set_values(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    return tools::kExitDone;
  }
  if (cmd == "default") {
    if (args.size() != 2) return usage_error("default takes one FILE");
    bcfg::write_default(args[1]);
    return tools::kExitDone;
  }
  if (cmd.size() > 1 && cmd[0] == '-') return usage_error(tools::unknown_option(cmd, usage()));
  return usage_error("unknown command '" + tools::shortened(cmd) + "'" +
                     tools::did_you_mean(cmd, kCommands));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = tools::standard_options(kTool, args, usage())) return *status;
  if (args.empty()) return usage_error("no command given");
  return tools::run_guarded(kTool, [&] { return run(args); });
}
