// The bad inputs of the README's table, each run through its tool as a process: files that are
// missing, empty, truncated or folders; unknown options and missing values; values out of range
// or not numbers; script lines that cannot run; broken skins; music that is not music. Each gets
// its exit status and a message naming the fault, within a time limit, with no sanitizer report,
// and a file that a refused command names stays byte for byte as it was, with no temporary file
// left beside it.
//
// TS_BAD_INPUT_TABLE=FILE writes the table's rows as the README shows them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "config/bcfg.h"
#include "mp3w/mp3_writer.h"
#include "skin_zip.h"
#include "test_phone.h"

namespace fs = std::filesystem;

namespace {

using Maker = std::function<void(const fs::path& dir)>;

struct Row {
  std::string kind;   // files, options, values, scripts, skins, music
  std::string input;  // what is wrong, as the README says it
  std::string command;  // the tool and its arguments, run in the row's own folder
  Maker make;           // the files the command names
  int status;
  std::string message;    // a part of standard error
  std::string unchanged;  // a file that must stay byte-identical ("" for none)
  std::string feed = "";  // what `cat` pipes into its standard input ("": none, /dev/null)
};

// ---- Files the rows name ------------------------------------------------------------------------

void put(const fs::path& p, std::string_view bytes) { ts::write_file(p, bytes); }

std::string block() {
  const bcfg::Image& b = bcfg::default_image();
  return std::string(b.begin(), b.end());
}

Maker config(const std::string& name) {
  return [name](const fs::path& d) { put(d / name, block()); };
}

Maker truncated_config(const std::string& name, size_t bytes) {
  return [name, bytes](const fs::path& d) { put(d / name, block().substr(0, bytes)); };
}

Maker empty_file(const std::string& name) {
  return [name](const fs::path& d) { put(d / name, ""); };
}

Maker folder(const std::string& name) {
  return [name](const fs::path& d) { fs::create_directories(d / name); };
}

Maker file(const std::string& name, std::string text) {
  return [name, text](const fs::path& d) { put(d / name, text); };
}

Maker fifo(const std::string& name) {
  return [name](const fs::path& d) { ASSERT_EQ(mkfifo((d / name).c_str(), 0644), 0); };
}

Maker read_only(Maker a, const std::string& name) {
  return [a, name](const fs::path& d) {
    a(d);
    ASSERT_EQ(chmod((d / name).c_str(), 0444), 0);
  };
}

Maker both(Maker a, Maker b) {
  return [a, b](const fs::path& d) {
    a(d);
    b(d);
  };
}

#if TS_HAVE_GUEST
// The phone's own ELF as `make target` builds it, cut to `bytes` (0: whole), and with the first
// instruction of its entry point made an undefined one when `break_entry` is set.
Maker phone_elf(const std::string& name, size_t bytes, bool break_entry = false) {
  return [=](const fs::path& d) {
    std::string elf = ts::read_file(ts::source_dir() / "build-arm" / "TuneStrip.elf");
    ASSERT_GT(elf.size(), 52u) << "build-arm/TuneStrip.elf: run make target";
    if (break_entry) {
      auto word = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, elf.data() + at, 4);
        return v;
      };
      const uint32_t entry = word(24), phoff = word(28);
      const uint32_t offset = word(phoff + 4), vaddr = word(phoff + 8);
      const size_t at = offset + (entry & ~1u) - vaddr;
      const uint32_t udf = (entry & 1) ? 0xDEFEDEFEu : 0xE7F000F0u;  // Thumb or ARM
      std::memcpy(elf.data() + at, &udf, 4);
    }
    put(d / name, bytes ? elf.substr(0, bytes) : elf);
  };
}
#endif

// A copy of the default skin in `name`, changed by `change`.
Maker skin(const std::string& name, std::function<void(const fs::path&)> change) {
  return [name, change](const fs::path& d) {
    const fs::path to = d / name;
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(ts::source_dir() / "skin" / "default"))
      if (e.path().extension() == ".png") fs::copy_file(e.path(), to / e.path().filename());
    change(to);
  };
}

// A packed skin of `entries`, as someone else may have zipped it.
Maker zip_of(const std::string& name, std::vector<ts::ZipEntry> entries) {
  return [name, entries](const fs::path& d) { ASSERT_TRUE(ts::write_zip(d / name, entries)); };
}

std::vector<ts::ZipEntry> small_entries(int count) {
  std::vector<ts::ZipEntry> out;
  for (int i = 0; i < count; ++i) out.push_back({"note" + std::to_string(i) + ".txt", "x"});
  return out;
}

std::string garbage(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  // No MPEG frame sync anywhere: the bytes are noise, not a stream with errors.
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (uint8_t(s[i]) == 0xFF) s[i] = 0x7F;
  return s;
}

// A track whose ID3v2 tag holds 8 MB of text: a title of a million characters and a comment of
// seven million.
Maker huge_tag(const std::string& name) {
  return [name](const fs::path& d) {
    mp3w::Id3v2Tag tag(3);
    tag.text("TIT2", std::string(1000000, 'T')).text("TPE1", "Artist");
    // Encoding 0, language "eng", an empty description, then the text.
    mp3w::Bytes comm(5 + 7000000, 'c');
    const uint8_t head[] = {0, 'e', 'n', 'g', 0};
    std::copy(std::begin(head), std::end(head), comm.begin());
    tag.frame("COMM", comm);
    mp3w::Frame f;
    mp3w::write_file(d / name, mp3w::join({tag.bytes(), mp3w::frames(f, 200)}));
  };
}

// A track whose tag carries one of the fuzzers' pictures as its cover: a JPEG that once made
// the decoder read out of bounds, or a 3 KB PNG that declares 16384x16384 pixels.
Maker tagged_with_picture(const std::string& name, const std::string& picture,
                          const std::string& mime) {
  return [name, picture, mime](const fs::path& d) {
    mp3w::Id3v2Tag tag(3);
    tag.text("TIT2", "Cover").picture(
        mp3w::read_file(ts::source_dir() / "fuzz" / "corpus" / "image_fuzz" / picture), mime);
    mp3w::Frame f;
    mp3w::write_file(d / name, mp3w::join({tag.bytes(), mp3w::frames(f, 200)}));
  };
}

// 100 MB with no frame and no tag: a hole in the file system, so that making it costs nothing.
Maker empty_100mb(const std::string& name) {
  return [name](const fs::path& d) {
    { std::ofstream(d / name); }
    fs::resize_file(d / name, 100u << 20);
  };
}

// s.txt: start the player and the add-on, show the panel and check that it shows.
// A second of silence, as an MP3.
std::string silent_mp3() {
  const mp3w::Bytes b = mp3w::frames(mp3w::Frame{}, 39);
  return std::string(b.begin(), b.end());
}

Maker show_panel_script() {
  return file("s.txt", "player start\naddon start\nkey hot\nwait 2000\nexpect panel shown\n");
}

std::vector<Row> rows() {
  const std::string sim = "tunestrip-sim", bcfg = "tunestrip-bcfg", info = "tunestrip-mp3info",
                    skin_tool = "tunestrip-skin";
  return {
      // ---- files
      {"files", "a configuration file that is not there", bcfg + " check no.bcfg", {}, 1,
       "tunestrip-bcfg: no.bcfg: cannot open: No such file or directory", ""},
      {"files", "a folder given as the configuration file", bcfg + " dump cfg", folder("cfg"), 1,
       "tunestrip-bcfg: cfg: is a folder, not a file", ""},
      {"files", "a configuration file that cannot be read (a path through a file)",
       bcfg + " get plain.txt/x.bcfg HIDE_SPEED", file("plain.txt", "x"), 1,
       "tunestrip-bcfg: plain.txt/x.bcfg: cannot open: Not a directory", ""},
      {"files", "an empty configuration file", bcfg + " check empty.bcfg",
       empty_file("empty.bcfg"), 1, "tunestrip-bcfg: empty.bcfg: byte 0: ", "empty.bcfg"},
      {"files", "a truncated configuration file (1000 of 7124 bytes) to `set`",
       bcfg + " set short.bcfg HIDE_SPEED=5", truncated_config("short.bcfg", 1000), 1,
       "tunestrip-bcfg: short.bcfg: 1000 bytes, but a configuration file holds exactly 7124",
       "short.bcfg"},
      {"files", "a truncated configuration file given to the simulator",
       sim + " --config short.bcfg", truncated_config("short.bcfg", 7000), 1,
       "tunestrip-sim: --config: short.bcfg: 7000 bytes, not the 7124 of a configuration block",
       "short.bcfg"},
      {"files", "an endless file (/dev/zero) as the configuration", bcfg + " check /dev/zero", {}, 1,
       "tunestrip-bcfg: /dev/zero: is a device, not a file", ""},
      {"files", "a FIFO as the configuration", skin_tool + " check skin --config pipe.bcfg",
       both(folder("skin"), fifo("pipe.bcfg")),
       1, "pipe.bcfg: error: is a FIFO, not a file", ""},
      {"files", "a configuration file of 8000 bytes", bcfg + " get big.bcfg HIDE_SPEED",
       file("big.bcfg", std::string(8000, 'x')), 1,
       "tunestrip-bcfg: big.bcfg: more than the 7124 bytes a configuration file holds", ""},
      {"files", "a configuration file its user made read-only (0444) to `set`",
       bcfg + " set ro.bcfg HIDE_SPEED=5", read_only(config("ro.bcfg"), "ro.bcfg"), 1,
       "tunestrip-bcfg: ro.bcfg: cannot write: the file is read-only (mode 0444)", "ro.bcfg"},
      {"files", "a FIFO as a music file", info + " pipe.mp3", fifo("pipe.mp3"), 1,
       "tunestrip-mp3info: pipe.mp3: cannot read: not a regular file", ""},
      {"files", "a FIFO as the simulator's music", sim + " --music pipe.mp3", fifo("pipe.mp3"), 1,
       "tunestrip-sim: --music: not MPEG audio: pipe.mp3: it is a FIFO, not a file", ""},
      {"files", "a FIFO as the simulator's play list", sim + " --music pipe.m3u", fifo("pipe.m3u"), 1,
       "is a FIFO, not a file", ""},
      {"files", "an endless device as the script", sim + " --script /dev/zero", {}, 1,
       "tunestrip-sim: --script: \"/dev/zero\" is longer than the 16 MiB a script may hold", ""},
      {"files", "an endless pipe as the script", sim + " --script -", {}, 1,
       "tunestrip-sim: --script: standard input is longer than the 16 MiB a script may hold", "",
       "/dev/zero"},
      {"files", "a script from a pipe", sim + " --script /dev/stdin", file("s.txt", "wait 10\n"), 0,
       "Ran 0.0 s of virtual time", "", "s.txt"},
      {"files", "a configuration from a pipe", sim + " --config /dev/stdin --script s.txt",
       both(config("c.bcfg"), file("s.txt", "wait 10\n")), 0,
       "tunestrip-sim: configuration: /dev/stdin", "", "c.bcfg"},
      {"files", "a configuration from a pipe, cut short", sim + " --config /dev/stdin",
       truncated_config("c.bcfg", 100), 1,
       "tunestrip-sim: --config: /dev/stdin: 100 bytes, not the 7124 of a configuration block", "",
       "c.bcfg"},
      {"files", "a FIFO as the configuration of a run", sim + " --config pipe.bcfg", fifo("pipe.bcfg"),
       1, "tunestrip-sim: --config: \"pipe.bcfg\" is a FIFO, not a file", ""},
      {"files", "an endless device as the play list", sim + " --music endless.m3u",
       [](const fs::path& d) { fs::create_symlink("/dev/zero", d / "endless.m3u"); }, 1,
       "tunestrip-sim: --music: the play list ", ""},
      {"files", "an endless file (2 GB, sparse) as the play list", sim + " --music big.m3u",
       [](const fs::path& d) {
         put(d / "big.m3u", "");
         fs::resize_file(d / "big.m3u", uintmax_t(2) << 30);
       },
       1, "is longer than the 64 MiB a play list may hold", ""},
      {"files", "a script that is a folder", sim + " --script scripts", folder("scripts"), 1,
       "tunestrip-sim: --script: \"scripts\" is a folder, not a file", ""},
      {"files", "an empty script", sim + " --script empty.txt", empty_file("empty.txt"), 0,
       "Ran 0.0 s of virtual time", ""},
      {"files", "a music file that is not there", info + " gone.mp3", {}, 1,
       "tunestrip-mp3info: gone.mp3: cannot read: ", ""},
      {"files", "a folder given as a music file", info + " album", folder("album"), 1,
       "tunestrip-mp3info: album: cannot read: not a regular file", ""},
      // ---- options
      {"options", "an unknown option", sim + " --loud", {}, 2,
       "tunestrip-sim: unknown option '--loud'", ""},
      {"options", "an option without its value", sim + " --music", {}, 2,
       "tunestrip-sim: --music needs a value", ""},
      {"options", "a misspelt option", bcfg + " dump --jsno x.bcfg", config("x.bcfg"), 2,
       "tunestrip-bcfg: unknown option '--jsno'; did you mean --json?", ""},
      {"options", "an unknown command", bcfg + " sett x.bcfg HIDE_SPEED=5", config("x.bcfg"), 2,
       "tunestrip-bcfg: unknown command 'sett'; did you mean set?", "x.bcfg"},
      {"options", "an option of no tool", info + " --verbose a.mp3", {}, 2,
       "tunestrip-mp3info: unknown option '--verbose' (try --help)", ""},
      {"options", "--config without its file", skin_tool + " check skin --config", folder("skin"),
       2, "tunestrip-skin: --config needs a FILE", ""},
      // ---- values
      {"values", "a value above its limit", bcfg + " set x.bcfg HIDE_SPEED=16", config("x.bcfg"),
       1, "tunestrip-bcfg: HIDE_SPEED: 16 is out of range", "x.bcfg"},
      {"values", "a value that is not a number", bcfg + " set x.bcfg HIDE_SPEED=fast",
       config("x.bcfg"), 1, "tunestrip-bcfg: HIDE_SPEED: ", "x.bcfg"},
      {"values", "one good value and one refused: nothing is written",
       bcfg + " set x.bcfg HIDE_SPEED=5 rcFON=1,2,3", config("x.bcfg"), 1,
       "tunestrip-bcfg: rcFON: ", "x.bcfg"},
      {"values", "a colour of more than 32 bits", bcfg + " set x.bcfg TITLE_NORAMAL_COLOR=0x1FFFFFFFF",
       config("x.bcfg"), 1, "tunestrip-bcfg: TITLE_NORAMAL_COLOR: ", "x.bcfg"},
      {"values", "an item the block does not have", bcfg + " set x.bcfg TITLE_NORMAL_COLOR=0",
       config("x.bcfg"), 1,
       "tunestrip-bcfg: unknown name 'TITLE_NORMAL_COLOR'; did you mean TITLE_NORAMAL_COLOR?",
       "x.bcfg"},
      {"values", "NAME without =VALUE", bcfg + " set x.bcfg HIDE_SPEED", config("x.bcfg"), 2,
       "tunestrip-bcfg: set: 'HIDE_SPEED' is not NAME=VALUE", "x.bcfg"},
      {"values", "a screen size that is not a size", sim + " --screen 240x", {}, 2,
       "tunestrip-sim: --screen: \"240x\" is not a size", ""},
      {"values", "a platform id that is not hexadecimal", sim + " --platform-id zz", {}, 2,
       "tunestrip-sim: --platform-id: \"zz\" is not a hexadecimal platform id", ""},
      {"values", "a label place past the integer limits", bcfg + " set x.bcfg X_TITLE_POS=2147483647",
       config("x.bcfg"), 1,
       "tunestrip-bcfg: X_TITLE_POS: 2147483647 is out of range -32768..32767", "x.bcfg"},
      // ---- scripts
      {"scripts", "an unknown command", sim + " --script s.txt", file("s.txt", "wait 10\nfly\n"), 2,
       "tunestrip-sim: s.txt:2: unknown command \"fly\"", ""},
      {"scripts", "a wait that is not a number", sim + " --script s.txt",
       file("s.txt", "wait soon\n"), 2,
       "tunestrip-sim: s.txt:1: wait: \"soon\" is not a number of milliseconds", ""},
      {"scripts", "a wait of more than a week", sim + " --script s.txt",
       file("s.txt", "wait 604800001\n"), 1, "tunestrip-sim: s.txt:1: wait: \"604800001\" is more than a week", ""},
      {"scripts", "a key the phone does not have", sim + " --script s.txt",
       file("s.txt", "key turbo\n"), 2, "tunestrip-sim: s.txt:1: key: unknown key \"turbo\"", ""},
      {"scripts", "a refused `config` on a phone that holds a configuration",
       sim + " --phone phone --script s.txt",
       both(config("phone/usb/other/ZBin/Config/TuneStrip.bcfg"),
            file("s.txt", "addon start\nconfig HIDE_SPEED=5 FUNCTION_KEY_COUNT=6\n")),
       1, "tunestrip-sim: s.txt:2: config: FUNCTION_KEY_COUNT: ",
       "phone/usb/other/ZBin/Config/TuneStrip.bcfg"},
      // ---- skins
      {"skins", "a skin without Fon.png", skin_tool + " check myskin",
       skin("myskin", [](const fs::path& s) { fs::remove(s / "Fon.png"); }), 1,
       "Fon.png: error: missing", ""},
      {"skins", "a button picture of the wrong size", skin_tool + " check myskin",
       skin("myskin", [](const fs::path& s) {
         const mp3w::Bytes png = mp3w::tiny_png(40, 40);
         mp3w::write_file(s / "Key1.png", png);
       }),
       0, "Key1.png: warning: 40x40 pixels", ""},
      {"skins", "a broken PNG (cut after 30 bytes)", skin_tool + " check myskin",
       skin("myskin", [](const fs::path& s) {
         put(s / "Key2.png", ts::read_file(s / "Key2.png").substr(0, 30));
       }),
       1, "Key2.png: error: not a PNG", ""},
      {"skins", "a broken PNG given to the simulator: the run goes on without it, then fails",
       sim + " --skin myskin --script s.txt",
       both(skin("myskin", [](const fs::path& s) { put(s / "Fon.png", garbage(500)); }),
            file("s.txt", "player start\naddon start\nkey hot\nwait 1600\nexpect panel shown\n")),
       1, "tunestrip-sim: Fon.png: error: not a PNG, JPEG, BMP or GIF picture the phone can decode",
       ""},
      {"skins", "the default skin on a screen it does not fit (--screen 176x220)",
       sim + " --screen 176x220 --script s.txt", file("s.txt", "player start\naddon start\nwait 500\n"),
       1, "tunestrip-sim: the skin has 7 errors at 176x220 (above)", ""},
      {"skins", "a skin folder that is a file", skin_tool + " check plain.txt",
       file("plain.txt", "x"), 1, "tunestrip-skin: plain.txt: not a folder", ""},
      {"skins", "a skin with errors to pack: an older archive stays as it was",
       skin_tool + " pack myskin -o my.zip",
       both(skin("myskin", [](const fs::path& s) { fs::remove(s / "Fon.png"); }),
            file("my.zip", "an older archive")),
       1, "tunestrip-skin: myskin: not packed: the skin has 1 error (above)", "my.zip"},
      {"skins", "a packed skin with an entry that climbs out (..)", skin_tool + " check evil.zip",
       zip_of("evil.zip", {{"../Fon.png", "x"}}), 1,
       "tunestrip-skin: evil.zip: refused: the entry \"../Fon.png\" climbs out of the skin (..)", ""},
      {"skins", "a packed skin with an absolute path", skin_tool + " check evil.zip",
       zip_of("evil.zip", {{"/tmp/Fon.png", "x"}}), 1,
       "tunestrip-skin: evil.zip: refused: the entry \"/tmp/Fon.png\" has an absolute path", ""},
      {"skins", "a packed skin with a symbolic link", skin_tool + " check evil.zip",
       zip_of("evil.zip", {{"other/ZBin/Config/TuneStrip/Fon.png", "/etc/passwd", S_IFLNK | 0777}}),
       1, "evil.zip: refused: the entry \"other/ZBin/Config/TuneStrip/Fon.png\" is a symbolic link",
       ""},
      {"skins", "a packed skin with an entry of 17 MiB", skin_tool + " check big.zip",
       zip_of("big.zip", {{"Fon.png", std::string(17u << 20, '\0')}}), 1,
       "big.zip: refused: the entry \"Fon.png\" unpacks to 17825792 bytes, more than the limit of "
       "16 MiB an entry", ""},
      {"skins", "a packed skin of five entries of 15 MiB (75 MiB in all)", skin_tool + " check big.zip",
       zip_of("big.zip", {{"a", std::string(15u << 20, 'a')}, {"b", std::string(15u << 20, 'b')},
                          {"c", std::string(15u << 20, 'c')}, {"d", std::string(15u << 20, 'd')},
                          {"e", std::string(15u << 20, 'e')}}),
       1, "big.zip: refused: the entries unpack to more than the limit of 64 MiB in all", ""},
      {"skins", "a packed skin of 65 entries", skin_tool + " check many.zip",
       zip_of("many.zip", small_entries(65)), 1,
       "many.zip: refused: 65 entries, more than the 64 a packed skin may hold", ""},
      {"skins", "a packed skin with a symbolic link given to the simulator",
       sim + " --skin evil.zip --script s.txt",
       both(zip_of("evil.zip", {{"Fon.png", "/etc/passwd", S_IFLNK | 0777}}),
            file("s.txt", "addon start\n")),
       1, "tunestrip-sim: --skin: evil.zip: refused: the entry \"Fon.png\" is a symbolic link", ""},
      {"skins", "a new skin into a folder that holds one", skin_tool + " new myskin",
       skin("myskin", [](const fs::path& s) { put(s / "Fon.png", "my own background"); }), 1,
       "tunestrip-skin: myskin: the folder is not empty; give a new or an empty one",
       "myskin/Fon.png"},
      {"skins", "a sheet into a folder that is not there", skin_tool + " sheet myskin -o gone/s.png",
       skin("myskin", [](const fs::path&) {}), 1,
       "tunestrip-skin: gone/s.png: cannot write: gone is not a folder", ""},
      // ---- music
      {"music", "a zero-byte music file", info + " zero.mp3", empty_file("zero.mp3"), 0,
       "found=0", ""},
      {"music", "garbage named .mp3", info + " noise.mp3", file("noise.mp3", garbage(100000)), 0,
       "found=0", ""},
      {"music", "a zero-byte file as the simulator's music", sim + " --music zero.mp3",
       empty_file("zero.mp3"), 1, "tunestrip-sim: --music: ", ""},
      {"music", "a folder of files that are not MP3", sim + " --music notes",
       both(file("notes/a.mp3", garbage(5000)), file("notes/b.txt", "words\n")), 1,
       "tunestrip-sim: --music: ", ""},
      {"music", "a Latin-1 file name beside its U+FFFD twin: each plays as itself",
       sim + " --music m --trace - --script s.txt",
       both(file("m/caf\xE9.mp3", silent_mp3()),
            both(file("m/caf\xEF\xBF\xBD.mp3", silent_mp3()),
                 file("s.txt", "player start\naddon start\nwait 100\nplayer next\nwait 100\n"))),
       0, "fw_metadata_open(\"/card/Music\", \"caf\xC3\xA9.mp3\")", ""},
      {"music", "a Latin-1 file name given to tunestrip-mp3info", info + " \"$(printf 'caf\\351.mp3')\"",
       file("caf\xE9.mp3", silent_mp3()), 0, "file=caf\xE9.mp3\nbitrate=", ""},
      {"music", "a Latin-1 file name the phone would read as another file's name",
       sim + " --music m --script s.txt",
       both(file("m/caf\xE9.mp3", silent_mp3()),
            both(file("m/caf\xC3\xA9.mp3", silent_mp3()), file("s.txt", "player start\n"))),
       0, "m/caf\\xE9.mp3: the phone reads its name (not UTF-8) as caf\xC3\xA9.mp3, which another file has (skipped)", ""},
      {"music", "a folder that links back to itself (a loop)", sim + " --music m --script s.txt",
       both(file("m/a.mp3", silent_mp3()),
            both(file("s.txt", "player start\n"),
                 [](const fs::path& d) { fs::create_directory_symlink(d / "m", d / "m/again"); })),
       0, "/m/again: a link to a folder already read (a loop, or a second way in) (skipped)", ""},
      {"music", "a track with 8 MB of tags", info + " big.mp3", huge_tag("big.mp3"), 0,
       "found=1", ""},
      {"music", "a track with 8 MB of tags played with the panel shown",
       sim + " --music big.mp3 --script s.txt",
       both(huge_tag("big.mp3"),
            show_panel_script()),
       0, "Ran 2.0 s of virtual time", ""},
      {"music", "a corrupted JPEG as a tag's cover, with the panel shown",
       sim + " --music bad.mp3 --script s.txt",
       both(tagged_with_picture("bad.mp3", "stb-huffman-index-257.jpg", "image/jpeg"),
            show_panel_script()),
       0, "Ran 2.0 s of virtual time", ""},
      {"music", "a 3 KB cover that declares 16384x16384 pixels, with the panel shown",
       sim + " --music huge.mp3 --script s.txt",
       both(tagged_with_picture("huge.mp3", "huge-declared.png", "image/png"),
            show_panel_script()),
       0, "Ran 2.0 s of virtual time", ""},
      {"music", "100 MB with no frame near its start", info + " hole.mp3", empty_100mb("hole.mp3"),
       0, "found=0", ""},
      {"music", "a music file whose name holds a newline (the shell's ? stands for it)",
       info + " line?break.mp3",
       [](const fs::path& d) { mp3w::write_file(d / "line\nbreak.mp3", mp3w::frames({}, 20)); },
       0, "file=line\\nbreak.mp3\nbitrate=128", ""},
#if TS_HAVE_GUEST
      // ---- the phone's program file
      {"elf", "an --elf file that is not there", sim + " --elf gone.elf", {}, 1,
       "tunestrip-sim: --elf: gone.elf: cannot open: No such file or directory", ""},
      {"elf", "an --elf file that is not an ELF", sim + " --elf notes.elf",
       file("notes.elf", "just some notes\n"), 1, "tunestrip-sim: --elf: notes.elf: not an ELF file",
       ""},
      {"elf", "an --elf cut short (2000 bytes)", sim + " --elf short.elf",
       phone_elf("short.elf", 2000), 1, "tunestrip-sim: --elf: short.elf: cut short: ", ""},
      {"elf", "an x86-64 program as --elf", sim + " --elf tunestrip-bcfg",
       [](const fs::path& d) { fs::copy_file(ts::bin_dir() / "tunestrip-bcfg", d / "tunestrip-bcfg"); },
       1, "tunestrip-sim: --elf: tunestrip-bcfg: a 64-bit x86-64 program, not a 32-bit ARM one", ""},
      {"elf", "an --elf whose entry point is an undefined instruction", sim + " --elf udf.elf",
       phone_elf("udf.elf", 0, true), 1,
       "tunestrip-sim: the add-on faulted: undefined instruction 0x", ""},
#endif
  };
}

std::string markdown_cell(std::string s) {
  for (size_t i = 0; (i = s.find('|', i)) != std::string::npos; i += 2) s.replace(i, 1, "\\|");
  return s;
}

TEST(BadInput, EachGetsItsStatusAndMessageAndLeavesFilesWhole) {
  std::ofstream table;
  if (const char* p = std::getenv("TS_BAD_INPUT_TABLE")) table.open(p);
  for (const Row& r : rows()) {
    SCOPED_TRACE(r.input + ": " + r.command);
    ts::TempDir dir;
    if (r.make) r.make(dir.path());
    const fs::path kept = r.unchanged.empty() ? fs::path() : dir.path() / r.unchanged;
    const std::string before = kept.empty() ? "" : ts::read_file(kept);
    const fs::path err = dir.path() / ".stderr";
    std::string out;
    // Nothing may hang: a run that takes two minutes is stopped (status 124).
    const std::string feed = r.feed.empty() ? "" : "cat " + r.feed + " 2>/dev/null | ";
    const int status = ts::run_command("cd '" + dir.path().string() + "' && " + feed +
                                           "timeout 120 " + (ts::bin_dir() / r.command).string() +
                                           (feed.empty() ? " </dev/null" : "") +
                                           " 2>.stderr >.stdout",
                                       &out);
    // What it says: standard error, then standard output.
    const std::string said = ts::read_file(err) + ts::read_file(dir.path() / ".stdout");
    EXPECT_EQ(status, r.status) << said;
    EXPECT_NE(said.find(r.message), std::string::npos) << said;
    EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
    EXPECT_EQ(said.find("runtime error"), std::string::npos) << said;
    if (!kept.empty()) {
      EXPECT_EQ(ts::read_file(kept), before);
      // Nothing half-written beside it.
      for (const auto& e : fs::directory_iterator(kept.parent_path()))
        EXPECT_EQ(e.path().filename().string().rfind("." + kept.filename().string() + ".", 0),
                  std::string::npos)
            << e.path();
    }
    if (table.is_open()) {
      // The line that holds the message.
      const size_t at = said.find(r.message);
      const size_t from = at == std::string::npos ? 0 : said.rfind('\n', at) + 1;
      std::string line = said.substr(from, said.find('\n', from) - from);
      table << "| " << r.kind << " | " << markdown_cell(r.input) << " | `"
            << markdown_cell(r.command) << "` | " << status << " | " << markdown_cell(line)
            << " |\n";
    }
  }
}

// ---- Outputs on a full disk -------------------------------------------------------------------

// A file system of 256 KB (tmpfs) mounted on `dir`, unmounted with the object; fill() takes its
// last free byte. Mounting needs root: error() says why it failed.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& dir) : dir_(dir) {
    fs::create_directories(dir);
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=256k") != 0) error_ = errno;
  }
  ~SmallDisk() {
    if (error_ == 0) umount2(dir_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  int error() const { return error_; }
  void fill() {
    const int fd = open((dir_ / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    for (size_t size = block.size(); size > 0; size /= 2)
      while (write(fd, block.data(), size) == ssize_t(size)) {
      }
    close(fd);
  }

 private:
  fs::path dir_;
  int error_ = 0;
};

// Every output the simulator writes, on a disk with no room left (the folder "disk"): the run
// fails naming the file and the reason, an earlier file of that name stays byte for byte, and no
// temporary is left beside it.
TEST(BadInput, OutputsOnAFullDiskFailAndKeepTheEarlierFile) {
  const std::string sim = "tunestrip-sim";
  const std::string run = "player start\naddon start\nkey hot\nwait 1000\n";
  const Row table[] = {
      {"disks", "a shot on a full disk", sim + " --out disk --script s.txt",
       both(file("s.txt", run + "shot panel.png\n"), file("disk/panel.png", "an earlier shot")), 1,
       "tunestrip-sim: s.txt:5: shot panel.png: disk/panel.png: cannot write: No space left on device",
       "disk/panel.png"},
      {"disks", "the GIF on a full disk", sim + " --out disk --gif run.gif --script s.txt",
       both(file("s.txt", run), file("disk/run.gif", "an earlier GIF")), 1,
       "tunestrip-sim: --gif: disk/run.gif: cannot write: No space left on device", "disk/run.gif"},
      {"disks", "the call trace on a full disk", sim + " --trace disk/trace.txt --script s.txt",
       both(file("s.txt", run), file("disk/trace.txt", "an earlier trace")), 1,
       "tunestrip-sim: --trace: disk/trace.txt: cannot write: No space left on device",
       "disk/trace.txt"},
      {"disks", "a phone folder on a full disk", sim + " --phone disk/phone --script s.txt",
       both(file("s.txt", run),
            file("disk/phone/card/other/ZBin/Config/TuneStrip/NoCover.png", "an earlier copy")),
       1,
       "tunestrip-sim: the phone folder \"disk/phone\": card/other/ZBin/Config/TuneStrip/NoCover.png: "
       "cannot write: No space left on device",
       "disk/phone/card/other/ZBin/Config/TuneStrip/NoCover.png"},
  };
  std::ofstream readme;
  if (const char* p = std::getenv("TS_BAD_INPUT_TABLE")) readme.open(p, std::ios::app);
  for (const Row& r : table) {
    SCOPED_TRACE(r.input + ": " + r.command);
    ts::TempDir dir;
    SmallDisk disk(dir.path() / "disk");
    if (disk.error() != 0)
      GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << std::strerror(disk.error());
    r.make(dir.path());
    disk.fill();
    const fs::path kept = dir.path() / r.unchanged;
    const std::string before = ts::read_file(kept);
    const int status = ts::run_command("cd '" + dir.path().string() + "' && timeout 120 " +
                                       (ts::bin_dir() / r.command).string() +
                                       " </dev/null 2>.stderr >.stdout");
    const std::string said = ts::read_file(dir.path() / ".stderr");
    EXPECT_EQ(status, r.status) << said;
    EXPECT_NE(said.find(r.message), std::string::npos) << said;
    EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
    EXPECT_EQ(ts::read_file(kept), before);
    for (const auto& e : fs::directory_iterator(kept.parent_path()))  // temporaries are hidden
      EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
    if (readme.is_open())
      readme << "| " << r.kind << " | " << markdown_cell(r.input) << " | `"
             << markdown_cell(r.command) << "` | " << status << " | "
             << markdown_cell(said.substr(0, said.find('\n'))) << " |\n";
  }
}

}  // namespace
