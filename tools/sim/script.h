// The simulator's scripts: one command a line, '#' starts a comment. The commands are those of
// the table in script.cpp, which parses them, writes them back as text and describes them
// for --help (script_help()):
//
//   wait MS                                  advance the virtual clock by MS milliseconds
//   key NAME [short|long|down|up]            a key press (default short) or one press mode
//   player start|close|play|pause|next|prev  the media player
//   player seek SECONDS
//   shot FILE.png                            the screen as a PNG (relative to the picture folder)
//   config NAME=VALUE...                     change the configuration file, then send the notice
//   addon start|terminate|about|edit-config  start the add-on or send it a page event
//   reload                                   take in changed skin images and configuration
//   expect panel shown|hidden, expect player playing|paused|closed, expect track N,
//   expect addon running|ended               stop the run when the phone is not so
//   echo TEXT                                print TEXT on standard error (progress)
//   quit                                     end the run here (and close the window)
//
// A whole script is parsed before anything runs, so a bad line stops the run before it starts.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Op {
  Wait,
  Key,
  PlayerStart,
  PlayerClose,
  PlayerPlay,
  PlayerPause,
  PlayerNext,
  PlayerPrev,
  PlayerSeek,
  Shot,
  Config,
  AddonStart,
  AddonTerminate,
  AddonAbout,
  AddonEditConfig,
  Reload,
  ExpectPanel,
  ExpectPlayer,
  ExpectTrack,
  ExpectAddon,
  Echo,
  Quit,
};

enum class KeyMode { Short, Long, Down, Up };

struct Command {
  Op op = Op::Wait;
  int line = 0;                          // 1-based line in its script
  int64_t ms = 0;                        // wait
  int key = 0;                           // key: the firmware key code
  KeyMode mode = KeyMode::Short;         // key
  int seconds = 0;                       // player seek
  int track = 0;                         // expect track: 1-based in the list
  std::string text;                      // shot: file name; echo: the text; expect: the state
  std::vector<std::string> assignments;  // config: NAME=VALUE each
};

// A line the parser refused: its line number and what is wrong with it. A line that parses but
// names a configuration item or value the block refuses (config NO_SUCH=1, config HIDE_SPEED=99,
// or a wait longer than a week) is `refused`: the input is at fault, not the script's form.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& message, bool refused = false)
      : std::runtime_error(message), line_(line), refused_(refused) {}
  int line() const { return line_; }
  bool refused() const { return refused_; }

 private:
  int line_;
  bool refused_;
};

// Parses a whole script; throws ScriptError for the first bad line.
std::vector<Command> parse_script(std::string_view text);

// One line's command back as script text (for messages and the tests).
std::string describe(const Command& c);

// Every command's form and what it does, one or more lines each, as --help lists them.
std::string script_help();

// A key name of the keypad, a digit 0–9, or a key code as a number of two or more digits (or in
// hexadecimal, 0x2A); nothing for anything else.
std::optional<int> parse_key(std::string_view name);

}  // namespace sim
