#include "sim/script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <span>
#include <string>

#include "cli/suggest.h"
#include "config/bcfg.h"
#include "core/codes.h"
#include "core/wstr.h"
#include "files/phone_names.h"

namespace sim {
namespace {

// What follows a command's words.
enum class Args {
  None,
  Ms,           // wait MS
  Key,          // key NAME [MODE]
  Seconds,      // player seek SECONDS
  File,         // shot FILE.png
  Assignments,  // config NAME=VALUE...
  State,        // expect ...: one of the states its synopsis lists
  Track,        // expect track N
  Text,         // echo TEXT: the rest of the line
};

// One form of a command: the table parses scripts, writes commands back as text, lists the
// commands in messages and suggestions, and describes them in --help.
struct Form {
  Op op;
  std::string_view command;  // the first word
  std::string_view action;   // the second word; empty for a command without actions
  std::string_view args;     // the arguments' synopsis
  Args kind;
  std::string_view help;
};

constexpr Form kForms[] = {
    {Op::Wait, "wait", "", "MS", Args::Ms, "let MS milliseconds of virtual time pass"},
    {Op::Key, "key", "", "NAME [short|long|down|up]", Args::Key,
     "press a key (default short); down and up deliver that one press mode. NAME: up, down, "
     "left, right, enter, esc, hot, volup, voldown, a digit 0-9, or a key code of two or more "
     "digits (42, 0x2A)"},
    {Op::PlayerStart, "player", "start", "", Args::None, "start the media player on --music"},
    {Op::PlayerClose, "player", "close", "", Args::None, "close the media player"},
    {Op::PlayerPlay, "player", "play", "", Args::None, "play"},
    {Op::PlayerPause, "player", "pause", "", Args::None, "pause"},
    {Op::PlayerNext, "player", "next", "", Args::None, "go to the next track"},
    {Op::PlayerPrev, "player", "prev", "", Args::None, "go to the previous track"},
    {Op::PlayerSeek, "player", "seek", "SECONDS", Args::Seconds,
     "jump to SECONDS into the current track"},
    {Op::Shot, "shot", "", "FILE.png", Args::File,
     "save the screen (a relative FILE goes into the --out folder)"},
    {Op::Config, "config", "", "NAME=VALUE...", Args::Assignments,
     "change the configuration file (the names and values of tunestrip-bcfg set), then tell "
     "the add-on it changed"},
    {Op::AddonStart, "addon", "start", "", Args::None, "start the add-on"},
    {Op::AddonTerminate, "addon", "terminate", "", Args::None, "ask the add-on to end"},
    {Op::AddonAbout, "addon", "about", "", Args::None, "ask the add-on for its about message"},
    {Op::AddonEditConfig, "addon", "edit-config", "", Args::None,
     "ask the add-on to open the configuration editor (the phone holds a stand-in "
     "BcfgEdit.elf, so it is launched; the summary lists it)"},
    {Op::Reload, "reload", "", "", Args::None,
     "take in what changed in the skin's images and the configuration file (as the window "
     "does)"},
    {Op::ExpectPanel, "expect", "panel", "shown|hidden", Args::State,
     "stop the run with exit status 1 unless the panel is on the screen (shown) or not"},
    {Op::ExpectPlayer, "expect", "player", "playing|paused|closed", Args::State,
     "the same unless the media player is in that state"},
    {Op::ExpectTrack, "expect", "track", "N", Args::Track,
     "the same unless the player is at track N (1 is the first of the list)"},
    {Op::ExpectAddon, "expect", "addon", "running|ended", Args::State,
     "the same unless the add-on runs or has ended"},
    {Op::Echo, "echo", "", "TEXT", Args::Text, "print TEXT on standard error"},
    {Op::Quit, "quit", "", "", Args::None, "end the run here (and close the window)"},
};

constexpr std::array<std::string_view, 4> kModes = {"short", "long", "down", "up"};

const Form& form_of(Op op) {
  for (const Form& f : kForms)
    if (f.op == op) return f;
  return kForms[0];  // every Op has a row
}

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::string lower(std::string_view s) { return host::ascii_lower(std::string(s)); }

// A word of the script in quotes, as a message shows it: a NUL or another control byte escaped,
// and a long word cut.
std::string q(std::string_view w) {
  std::string out = "\"";
  out += host::escaped_name(w, 60);
  out += '"';
  return out;
}

// "a, b, c"
std::string joined(std::span<const std::string_view> words) {
  std::string out;
  for (std::string_view w : words) {
    if (!out.empty()) out += ", ";
    out += w;
  }
  return out;
}

// The words between '|' of a synopsis ("shown|hidden").
std::vector<std::string_view> choices_of(std::string_view synopsis) {
  std::vector<std::string_view> out;
  size_t at = 0;
  for (;;) {
    const size_t bar = synopsis.find('|', at);
    out.push_back(synopsis.substr(at, bar - at));
    if (bar == std::string_view::npos) return out;
    at = bar + 1;
  }
}

std::vector<std::string_view> command_names() {
  std::vector<std::string_view> out;
  for (const Form& f : kForms)
    if (std::find(out.begin(), out.end(), f.command) == out.end()) out.push_back(f.command);
  return out;
}

std::vector<std::string_view> actions_of(std::string_view command) {
  std::vector<std::string_view> out;
  for (const Form& f : kForms)
    if (f.command == command) out.push_back(f.action);
  return out;
}

// "unknown WHAT "word" (LIST: a, b, c); did you mean b?"
std::string unknown(std::string_view what, std::string_view word,
                    std::span<const std::string_view> known, std::string_view list) {
  std::string out = "unknown ";
  out += what;
  out += " " + q(word) + " (" + std::string(list) + ": " + joined(known) + ")";
  return out + tools::did_you_mean(word, known);
}

// The line without its comment and surrounding blanks.
std::string_view content(std::string_view line) {
  size_t hash = line.find('#');
  if (hash != std::string_view::npos) line = line.substr(0, hash);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
  return line;
}

constexpr int64_t kMaxWait = int64_t(1000) * 3600 * 24 * 7;  // a week of virtual time

// What a form's arguments are, for "NAME takes ...".
std::string takes(const Form& f) {
  switch (f.kind) {
    case Args::None: return "nothing more";
    case Args::Ms: return "one number of milliseconds";
    case Args::Key: return "a key name and an optional mode";
    case Args::Seconds: return "one number of seconds";
    case Args::File: return "one file name";
    case Args::Assignments: return "one or more NAME=VALUE";
    case Args::State: return "one of " + joined(choices_of(f.args));
    case Args::Track: return "one track number";
    case Args::Text: return "text";
  }
  return "";
}

Command parse_line(std::string_view line, int number_of_line) {
  const std::vector<std::string_view> w = words_of(line);
  const std::string cmd = lower(w[0]);
  auto fail = [&](const std::string& message, bool refused = false) {
    throw ScriptError(number_of_line, message, refused);
  };

  const std::vector<std::string_view> actions = actions_of(cmd);
  if (actions.empty()) fail(unknown("command", w[0], command_names(), "commands"));
  const Form* form = nullptr;
  size_t first = 1;  // the first argument's word
  if (actions.front().empty()) {
    form = &*std::find_if(std::begin(kForms), std::end(kForms),
                          [&](const Form& f) { return f.command == cmd; });
  } else {
    if (w.size() < 2) fail(cmd + " takes an action: " + joined(actions));
    const std::string a = lower(w[1]);
    for (const Form& f : kForms)
      if (f.command == cmd && f.action == a) form = &f;
    if (!form) fail(cmd + ": " + unknown("action", w[1], actions, "actions"));
    first = 2;
  }
  const std::span<const std::string_view> args = std::span(w).subspan(first);
  const std::string name = form->action.empty() ? cmd : cmd + " " + std::string(form->action);
  auto want = [&](size_t lo, size_t hi) {
    if (args.size() >= lo && args.size() <= hi) return;
    std::string m = name + " takes " + takes(*form);
    if (form->kind != Args::None) m += ": " + name + " " + std::string(form->args);
    fail(m);
  };

  Command c;
  c.op = form->op;
  c.line = number_of_line;
  switch (form->kind) {
    case Args::None:
      want(0, 0);
      break;
    case Args::Ms: {
      want(1, 1);
      const std::optional<int64_t> ms = bcfg::parse_number(args[0]);
      if (!ms || *ms < 0)
        fail(name + ": " + q(args[0]) + " is not a number of milliseconds (0 or more)");
      if (*ms > kMaxWait)
        fail(name + ": " + q(args[0]) + " is more than a week (" + std::to_string(kMaxWait) +
                 " ms)",
             true);
      c.ms = *ms;
      break;
    }
    case Args::Key: {
      want(1, 2);
      const std::optional<int> key = parse_key(args[0]);
      if (!key) {
        const std::vector<std::string_view> keys = host::codes::key_names();
        fail(name + ": unknown key " + q(args[0]) + " (keys: " + joined(keys) +
             ", 0-9, or a key code)" + tools::did_you_mean(lower(args[0]), keys));
      }
      c.key = *key;
      if (args.size() == 2) {
        const auto m = std::find(kModes.begin(), kModes.end(), lower(args[1]));
        if (m == kModes.end()) fail(name + ": " + unknown("press mode", args[1], kModes, "modes"));
        c.mode = KeyMode(m - kModes.begin());
      }
      break;
    }
    case Args::Seconds: {
      want(1, 1);
      const std::optional<int64_t> s = bcfg::parse_number(args[0]);
      if (!s || *s < 0 || *s > std::numeric_limits<int>::max())
        fail(name + ": " + q(args[0]) + " is not a number of seconds (0 or more)");
      c.seconds = int(*s);
      break;
    }
    case Args::File: {
      want(1, 1);
      const std::string file(args[0]);
      if (file.size() < 5 || lower(file.substr(file.size() - 4)) != ".png")
        fail(name + ": " + q(file) + " does not end in .png");
      c.text = file;
      break;
    }
    case Args::Assignments: {
      want(1, SIZE_MAX);
      // Every assignment is tried on the built-in block, so that an unknown name or a bad value
      // stops the script before it runs.
      bcfg::Image probe = bcfg::default_image();
      for (std::string_view a : args) {
        if (a.find('=') == std::string_view::npos) fail(name + ": " + q(a) + " is not NAME=VALUE");
        try {
          bcfg::assign(probe, a);
        } catch (const bcfg::Error& e) {
          fail(name + ": " + e.what(), true);
        }
        c.assignments.emplace_back(a);
      }
      break;
    }
    case Args::State: {
      want(1, 1);
      const std::vector<std::string_view> states = choices_of(form->args);
      const std::string state = lower(args[0]);
      if (std::find(states.begin(), states.end(), state) == states.end())
        fail(name + ": " + unknown("state", args[0], states, "states"));
      c.text = state;
      break;
    }
    case Args::Track: {
      want(1, 1);
      const std::optional<int64_t> t = bcfg::parse_number(args[0]);
      if (!t || *t < 1 || *t > std::numeric_limits<int>::max())
        fail(name + ": " + q(args[0]) + " is not a track number (1 or more)");
      c.track = int(*t);
      break;
    }
    case Args::Text: {
      std::string_view rest = line.substr(w[0].size());
      while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
      c.text = std::string(rest);
      break;
    }
  }
  return c;
}

// `text` in lines of at most `width` characters, each after `indent` spaces but the first.
std::string wrapped(std::string_view text, size_t indent, size_t width) {
  std::string out, line;
  for (std::string_view word : words_of(text)) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  return out + line + "\n";
}

}  // namespace

std::optional<int> parse_key(std::string_view name) {
  const std::string n = lower(name);
  if (auto k = host::codes::key_by_name(n)) return k;
  if (n.size() >= 2) {
    auto v = bcfg::parse_number(n);
    const bool plain = n.find_first_of(" \t+-") == std::string::npos;  // digits alone
    if (v && plain && *v >= 0 && *v <= 0xFFFF) return int(*v);
  }
  return std::nullopt;
}

std::vector<Command> parse_script(std::string_view text) {
  std::vector<Command> out;
  int n = 0;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    ++n;
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view body = content(line);
    if (!body.empty()) out.push_back(parse_line(body, n));
    if (end == text.size()) break;
    at = end + 1;
  }
  return out;
}

std::string describe(const Command& c) {
  const Form& f = form_of(c.op);
  std::string out(f.command);
  if (!f.action.empty()) out += " " + std::string(f.action);
  switch (f.kind) {
    case Args::None: return out;
    case Args::Ms: return out + " " + std::to_string(c.ms);
    case Args::Key: {
      const char* key = host::codes::key_name(c.key);
      return out + " " + (key ? std::string(key) : std::to_string(c.key)) + " " +
             std::string(kModes[size_t(c.mode)]);
    }
    case Args::Seconds: return out + " " + std::to_string(c.seconds);
    case Args::Track: return out + " " + std::to_string(c.track);
    case Args::Assignments:
      for (const std::string& a : c.assignments) out += " " + a;
      return out;
    case Args::File:
    case Args::State:
    case Args::Text: return out + " " + c.text;
  }
  return out;
}

std::string script_help() {
  constexpr size_t kColumn = 36, kWidth = 96;
  std::string out;
  for (const Form& f : kForms) {
    std::string form = "  " + std::string(f.command);
    if (!f.action.empty()) form += " " + std::string(f.action);
    if (!f.args.empty()) form += " " + std::string(f.args);
    form += form.size() < kColumn ? std::string(kColumn - form.size(), ' ')
                                  : "\n" + std::string(kColumn, ' ');
    out += form + wrapped(f.help, kColumn, kWidth - kColumn);
  }
  return out;
}

}  // namespace sim
