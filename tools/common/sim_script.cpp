#include "tools/common/sim_script.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <string>

#include "host/codes.h"
#include "tools/common/bcfg.h"

namespace sim {
namespace {

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

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A whole decimal (or 0x hexadecimal) number, nothing else on the word.
template <typename T>
std::optional<T> number(std::string_view w) {
  int base = 10;
  if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) {
    w.remove_prefix(2);
    base = 16;
  }
  T v{};
  auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v, base);
  if (ec != std::errc() || end != w.data() + w.size() || w.empty()) return std::nullopt;
  return v;
}

std::string q(std::string_view w) {
  std::string out = "\"";
  out += w;
  out += '"';
  return out;
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

Command parse_line(std::string_view line, int number_of_line) {
  const std::vector<std::string_view> w = words_of(line);
  const std::string cmd = lower(w[0]);
  const size_t args = w.size() - 1;
  auto fail = [&](const std::string& message) -> Command {
    throw ScriptError(number_of_line, message);
  };
  auto want_args = [&](size_t lo, size_t hi, const char* form) {
    if (args < lo || args > hi) fail(cmd + " takes " + form);
  };
  Command c;
  c.line = number_of_line;

  if (cmd == "wait") {
    want_args(1, 1, "one number of milliseconds: wait MS");
    auto ms = number<int64_t>(w[1]);
    if (!ms || *ms < 0) fail("wait: " + q(w[1]) + " is not a number of milliseconds (0 or more)");
    if (*ms > kMaxWait) fail("wait: " + q(w[1]) + " is more than a week (" + std::to_string(kMaxWait) + " ms)");
    c.op = Op::Wait;
    c.ms = *ms;
    return c;
  }
  if (cmd == "key") {
    want_args(1, 2, "a key name and an optional mode: key NAME [short|long|down|up]");
    auto key = parse_key(w[1]);
    if (!key)
      fail("key: unknown key " + q(w[1]) +
           " (keys: up, down, left, right, enter, esc, hot, volup, voldown, 0-9, or a key code)");
    c.op = Op::Key;
    c.key = *key;
    if (args == 2) {
      const std::string m = lower(w[2]);
      if (m == "short") c.mode = KeyMode::Short;
      else if (m == "long") c.mode = KeyMode::Long;
      else if (m == "down") c.mode = KeyMode::Down;
      else if (m == "up") c.mode = KeyMode::Up;
      else fail("key: unknown press mode " + q(w[2]) + " (modes: short, long, down, up)");
    }
    return c;
  }
  if (cmd == "player") {
    if (args == 0) fail("player takes an action: start, close, play, pause, next, prev or seek SECONDS");
    const std::string a = lower(w[1]);
    if (a == "seek") {
      want_args(2, 2, "seek with one number of seconds: player seek SECONDS");
      auto s = number<int>(w[2]);
      if (!s || *s < 0) fail("player seek: " + q(w[2]) + " is not a number of seconds (0 or more)");
      c.op = Op::PlayerSeek;
      c.seconds = *s;
      return c;
    }
    static const std::pair<const char*, Op> kActions[] = {
        {"start", Op::PlayerStart}, {"close", Op::PlayerClose}, {"play", Op::PlayerPlay},
        {"pause", Op::PlayerPause}, {"next", Op::PlayerNext},   {"prev", Op::PlayerPrev}};
    for (const auto& [name, op] : kActions) {
      if (a == name) {
        if (args != 1) fail("player " + a + " takes nothing more");
        c.op = op;
        return c;
      }
    }
    fail("player: unknown action " + q(w[1]) +
         " (actions: start, close, play, pause, next, prev, seek SECONDS)");
  }
  if (cmd == "shot") {
    want_args(1, 1, "one file name: shot FILE.png");
    std::string name(w[1]);
    if (name.size() < 5 || lower(name.substr(name.size() - 4)) != ".png")
      fail("shot: " + q(name) + " does not end in .png");
    c.op = Op::Shot;
    c.text = name;
    return c;
  }
  if (cmd == "config") {
    if (args == 0) fail("config takes one or more NAME=VALUE");
    // Every assignment is tried on the built-in block, so that an unknown name or a bad value
    // stops the script before it runs.
    bcfg::Image probe = bcfg::default_image();
    for (size_t i = 1; i < w.size(); ++i) {
      if (w[i].find('=') == std::string_view::npos)
        fail("config: " + q(w[i]) + " is not NAME=VALUE");
      try {
        bcfg::assign(probe, w[i]);
      } catch (const bcfg::Error& e) {
        fail(std::string("config: ") + e.what());
      }
      c.assignments.emplace_back(w[i]);
    }
    c.op = Op::Config;
    return c;
  }
  if (cmd == "addon") {
    want_args(1, 1, "one action: start, terminate, about or edit-config");
    const std::string a = lower(w[1]);
    if (a == "start") c.op = Op::AddonStart;
    else if (a == "terminate") c.op = Op::AddonTerminate;
    else if (a == "about") c.op = Op::AddonAbout;
    else if (a == "edit-config") c.op = Op::AddonEditConfig;
    else fail("addon: unknown action " + q(w[1]) + " (actions: start, terminate, about, edit-config)");
    return c;
  }
  if (cmd == "echo") {
    c.op = Op::Echo;
    std::string_view rest = line.substr(w[0].size());
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
    c.text = std::string(rest);
    return c;
  }
  if (cmd == "reload") {
    want_args(0, 0, "nothing more");
    c.op = Op::Reload;
    return c;
  }
  if (cmd == "quit") {
    want_args(0, 0, "nothing more");
    c.op = Op::Quit;
    return c;
  }
  return fail("unknown command " + q(w[0]) +
              " (commands: wait, key, player, shot, config, addon, reload, echo, quit)");
}

}  // namespace

std::optional<int> parse_key(std::string_view name) {
  const std::string n = lower(name);
  if (auto k = host::codes::key_by_name(n)) return k;
  if (n.size() >= 2) {
    auto v = number<int>(n);
    if (v && *v >= 0 && *v <= 0xFFFF) return v;
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
  auto key = [&] {
    const char* name = host::codes::key_name(c.key);
    return name ? std::string(name) : std::to_string(c.key);
  };
  static const char* kModes[] = {"short", "long", "down", "up"};
  switch (c.op) {
    case Op::Wait: return "wait " + std::to_string(c.ms);
    case Op::Key: return "key " + key() + " " + kModes[int(c.mode)];
    case Op::PlayerStart: return "player start";
    case Op::PlayerClose: return "player close";
    case Op::PlayerPlay: return "player play";
    case Op::PlayerPause: return "player pause";
    case Op::PlayerNext: return "player next";
    case Op::PlayerPrev: return "player prev";
    case Op::PlayerSeek: return "player seek " + std::to_string(c.seconds);
    case Op::Shot: return "shot " + c.text;
    case Op::Config: {
      std::string s = "config";
      for (const auto& a : c.assignments) s += " " + a;
      return s;
    }
    case Op::AddonStart: return "addon start";
    case Op::AddonTerminate: return "addon terminate";
    case Op::AddonAbout: return "addon about";
    case Op::AddonEditConfig: return "addon edit-config";
    case Op::Reload: return "reload";
    case Op::Echo: return "echo " + c.text;
    case Op::Quit: return "quit";
  }
  return "?";
}

}  // namespace sim
