#include "sim/options.h"

#include <charconv>
#include <cstdio>

#include "cli/cli.h"
#include "core/install_paths.h"
#include "sim/script.h"

namespace sim {
namespace {

uint32_t parse_platform_id(const std::string& text) {
  std::string_view v = text;
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v.remove_prefix(2);
  uint32_t id = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), id, 16);
  if (v.empty() || ec != std::errc() || end != v.data() + v.size() || id == 0)
    throw UsageError("--platform-id: \"" + text + "\" is not a hexadecimal platform id (such as 9900 or 0x7100)");
  return id;
}

void parse_screen(const std::string& text, int& w, int& h) {
  const auto size = tools::parse_screen(text);
  if (!size) throw UsageError(tools::bad_screen(text));
  w = size->w;
  h = size->h;
}

}  // namespace

std::filesystem::path default_music() { return host::data_dir() / "samples"; }
std::filesystem::path default_skin() { return host::data_dir() / "skin" / "default"; }

std::string key_map() {
  return
      "  arrow keys        the phone's up, down, left and right keys\n"
      "  Enter             enter\n"
      "  Esc, Backspace    esc\n"
      "  M                 the music key (code 42, the default hot key)\n"
      "  + / -, PgUp/PgDn  volume up and down\n"
      "  0 - 9             digit keys\n"
      "  hold a key        a long press (after 600 ms)\n"
      "  Space             player play/pause\n"
      "  N / P             player next / previous track\n"
      "  C                 player close;  O  player start\n"
      "  A                 start the add-on;  T  terminate it\n"
      "  I                 the add-on's about message\n"
      "  S                 a screenshot into the picture folder\n"
      "  R                 reload the skin and the configuration now (edits to them are\n"
      "                    taken in by themselves)\n"
      "  E                 open or close the configuration editor beside the phone (its\n"
      "                    keys: Ctrl+Z undo, Ctrl+Y redo, Ctrl+S save; with an element\n"
      "                    of the panel picked, arrow keys move it 1 px, with Shift 10)\n"
      "  H, F1             show or hide this key map over the phone\n"
      "  Q                 quit (or close the window)\n";
}

std::string usage() {
  return
      "Usage: tunestrip-sim [OPTIONS] [SKIN]\n"
      "\n"
      "Runs TuneStrip on the simulated phone: the media player plays a list of MP3 files, the\n"
      "add-on is loaded as the phone loads it, and a script (or the built-in demo) presses keys\n"
      "and drives the player on a virtual clock. Without --script it runs the demo, which writes\n"
      "OUT/panel.png and OUT/demo.gif and checks that each of its steps had its effect.\n"
      "SKIN, a folder of panel images or a packed skin, is the same as --skin SKIN.\n"
      "\n"
      "Options:\n"
      "  --music PATH        a folder of music (played in name order), an .m3u/.m3u8 list or\n"
      "                      a single file (default: the bundled samples)\n"
      "  --phone DIR         the phone's root folder (default: a fresh temporary one)\n"
      "  --skin DIR          the panel images (default: the bundled skin); a packed skin\n"
      "                      NAME.zip (tunestrip-skin pack) is unpacked for the run into a\n"
      "                      temporary folder, removed at its end\n"
      "  --config FILE       the configuration (default: the skin's TuneStrip.bcfg, else the\n"
      "                      built-in block)\n"
      "  --platform-id HEX   the phone's platform id (default 9900; 7100, 8000, 8040 are the\n"
      "                      other book layout and byte order)\n"
      "  --screen WxH        the screen size (default 240x320)\n"
      "  --codepage NAME     how Latin-1 and ID3v1 tag text is read: cp1251 (default) or latin1\n"
      "  --out DIR           where pictures go: shots, the GIF, the window's screenshots\n"
      "                      (default: out/)\n"
      "  --trace FILE        write the add-on's firmware calls, one a line (\"-\": standard output)\n"
      "  --gif FILE          record the whole run as an animated GIF with its true timing (a\n"
      "                      relative FILE goes into the --out folder, as shots do)\n"
      "  --script FILE       run a script (\"-\": standard input) instead of the demo\n"
      "  --elf FILE          run the phone's own program file (TuneStrip.elf, as `make target`\n"
      "                      builds it) on an emulated ARM926 instead of the module built for\n"
      "                      this computer; the summary adds the instructions it ran\n"
      "  --interactive       show the phone in a window and run in real time, with sound\n"
      "                      (watches the skin and the configuration, and reloads their edits)\n"
      "  --mute              no sound in the window\n"
      "  --edit              open the window with its configuration editor beside the phone\n"
      "                      (implies --interactive)\n"
      "  -q, --quiet         no progress line, no notes and no summary: only warnings and\n"
      "                      errors (without it, a long scripted run shows its script line\n"
      "                      and virtual time while standard error is a terminal)\n"
      "  -h, --help          this text\n"
      "  --version           the version\n"
      "\n"
      "Script commands (one a line, '#' starts a comment):\n" +
      script_help() +
      "A bad line stops the script before it runs, with its line number.\n"
      "\n"
      "Environment:\n"
      "  TUNESTRIP_DATA      the folder of the bundled skin and samples (default: share/tunestrip\n"
      "                      beside the folder of this program)\n"
      "\n"
      "Interactive window keys:\n" +
      key_map() +
      "\n"
      "At the end a summary gives the virtual time run, the panel's redraws, the messages\n"
      "shown and the add-on's live resources (all zero once it has ended).\n"
      "\n" +
      tools::exit_status_help(
          "the run failed on its input: a file or folder missing, unreadable or malformed, a\n"
          "      script command that failed or an expect that did not hold, the add-on's ELF\n"
          "      refused or faulted, a skin with errors at the screen's size (a scripted run,\n"
          "      after it has run)",
          "the command line or the script cannot be understood: an unknown option, a missing\n"
          "      value, a script line that does not parse");
}

SimOptions parse_options(const std::vector<std::string>& args) {
  SimOptions o;
  o.music = default_music();
  o.skin = default_skin();
  bool skin_folder = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    bool has_value = false;
    if (name.rfind("--", 0) == 0) {
      size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        has_value = true;
      }
    }
    auto flag = [&] {
      if (has_value) throw UsageError(name + " takes no value");
    };
    auto take = [&]() -> std::string {
      if (has_value) {
        if (value.empty()) throw UsageError(name + " needs a value");
        return value;
      }
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return args[++i];
    };
    if (name == "--help" || name == "-h") { flag(); o.help = true; }
    else if (name == "--version") { flag(); o.version = true; }
    else if (name == "--quiet" || name == "-q") { flag(); o.quiet = true; }
    else if (name == "--interactive") { flag(); o.interactive = true; }
    else if (name == "--mute") { flag(); o.mute = true; }
    else if (name == "--edit") { flag(); o.edit = o.interactive = true; }
    else if (name == "--music") o.music = take();
    else if (name == "--phone") o.phone = take();
    else if (name == "--skin") o.skin = take();
    else if (name == "--config") o.config = take();
    else if (name == "--platform-id") o.platform_id = parse_platform_id(take());
    else if (name == "--screen") parse_screen(take(), o.screen_w, o.screen_h);
    else if (name == "--codepage") {
      o.codepage = take();
      if (o.codepage != "cp1251" && o.codepage != "windows-1251" && o.codepage != "latin1" &&
          o.codepage != "iso-8859-1")
        throw UsageError("--codepage: \"" + o.codepage + "\" is not cp1251 or latin1");
    }
    else if (name == "--out") o.out = take();
    else if (name == "--trace") o.trace = take();
    else if (name == "--gif") o.gif = take();
    else if (name == "--script") o.script = take();
    else if (name == "--elf") o.elf = take();
    else if (name.rfind("-", 0) == 0) throw UsageError(tools::unknown_option(name, usage()));
    // One folder (or packed skin) after the options is the skin, as a desktop's menu or file
    // manager passes it.
    else if (skin_folder) throw UsageError("unexpected argument \"" + name + "\" (one SKIN folder only)");
    else { o.skin = name; skin_folder = true; }
  }
  return o;
}

}  // namespace sim
