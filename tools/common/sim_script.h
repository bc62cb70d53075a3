// The simulator's scripts: one command a line, '#' starts a comment.
//
//   wait MS                                  advance the virtual clock by MS milliseconds
//   key NAME [short|long|down|up]            a key press (default short) or one press mode
//   player start|close|play|pause|next|prev  the media player
//   player seek SECONDS
//   shot FILE.png                            the screen as a PNG (relative to the picture folder)
//   config NAME=VALUE...                     change the configuration file, then send the notice
//   addon start|terminate|about|edit-config  start the add-on or send it a page event
//   reload                                   take in changed skin images and configuration
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
  std::string text;                      // shot: file name; echo: the text
  std::vector<std::string> assignments;  // config: NAME=VALUE each
};

// A line the parser refused: its line number and what is wrong with it.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Parses a whole script; throws ScriptError for the first bad line.
std::vector<Command> parse_script(std::string_view text);

// One line's command back as script text (for messages and the tests).
std::string describe(const Command& c);

// A key name of the keypad, a digit 0–9, or a key code as a number of two or more digits (or in
// hexadecimal, 0x2A); nothing for anything else.
std::optional<int> parse_key(std::string_view name);

}  // namespace sim
