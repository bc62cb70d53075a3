#include "sim/session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "cli/interrupt.h"
#include "config/bcfg.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "core/memory.h"
#include "core/wstr.h"
#include "files/file_system.h"
#include "images/picture_output.h"
#include "platform/fw_types.h"
#include "player/media_player.h"
#include "player/playlist.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "screen/messages.h"
#include "screen/screen.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr const char16_t* kConfigName = u"TuneStrip.bcfg";
constexpr int kConfigFolder1 = DIR_CONFIG_1;
constexpr int kConfigFolder2 = DIR_CONFIG_2;
constexpr int kAppFolder1 = DIR_ELF_1;  // where the add-on looks for the editor first
constexpr int kAppFolder2 = DIR_ELF_2;
// A wait runs the clock in steps of this much virtual time, so that progress can be shown.
constexpr int64_t kStepMs = 1000;
constexpr const char16_t* kEditorName = u"BcfgEdit.elf";

std::string quoted(const fs::path& p) {
  std::string out = "\"";
  out += p.string();
  out += '"';
  return out;
}

// The folder a picture goes into, made when missing; throws InputError naming `option`.
void make_folder(const fs::path& folder, const char* option) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    throw InputError(std::string(option) + ": cannot make the folder " + quoted(folder) + ": " +
                     ec.message());
}

// Checks every path of the options before anything is made; throws InputError naming the option.
void check_paths(const SimOptions& o, bool needs_music, std::ostream& log) {
  std::error_code ec;
  if (needs_music) {
    try {
      host::Playlist list = host::load_playlist(o.music);
      for (const std::string& m : list.missing)
        log << "tunestrip-sim: warning: " << o.music.string() << ": no file for \"" << m
            << "\" (skipped)\n";
      for (const host::SkippedFile& f : list.skipped)
        log << "tunestrip-sim: warning: " << f.file.string() << ": " << f.reason << " (skipped)\n";
    } catch (const std::exception& e) {
      throw InputError(std::string("--music: ") + e.what());
    }
  }
  if (!o.phone.empty()) {
    if (fs::exists(o.phone, ec) && !fs::is_directory(o.phone, ec))
      throw InputError("--phone: " + quoted(o.phone) + " is not a folder");
    fs::create_directories(o.phone, ec);
    if (ec)
      throw InputError("--phone: cannot make the folder " + quoted(o.phone) + ": " + ec.message());
  }
  if (!fs::exists(o.skin, ec)) throw InputError("--skin: " + quoted(o.skin) + ": no such folder");
  if (!fs::is_directory(o.skin, ec))
    throw InputError("--skin: " + quoted(o.skin) + " is not a folder");
  if (!o.config.empty() && !fs::exists(o.config, ec))
    throw InputError("--config: " + quoted(o.config) + ": no such file");
  if (!o.config.empty() && !fs::is_regular_file(o.config, ec))
    throw InputError("--config: " + quoted(o.config) + " is not a file");
  if (fs::exists(o.out, ec) && !fs::is_directory(o.out, ec))
    throw InputError("--out: " + quoted(o.out) + " is not a folder");
  // The trace is opened here to name the option and the reason; the phone writes it anew.
  if (!o.trace.empty() && o.trace != "-") {
    const fs::path trace = o.trace;
    if (fs::is_directory(trace, ec)) throw InputError("--trace: " + quoted(trace) + " is a folder");
    std::FILE* f = std::fopen(o.trace.c_str(), "a");
    if (!f)
      throw InputError("--trace: cannot write " + quoted(trace) + ": " + std::strerror(errno));
    std::fclose(f);
  }
  if (!o.gif.empty()) {
    // A relative GIF goes into the picture folder: a folder that cannot be made is --out's fault.
    if (!o.gif.is_absolute()) make_folder(o.out, "--out");
    make_folder(gif_path(o).parent_path(), "--gif");
    if (fs::is_directory(gif_path(o), ec))
      throw InputError("--gif: " + quoted(gif_path(o)) + " is a folder");
  }
}

}  // namespace

std::string read_script(const std::string& path) {
  if (path == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    return s.str();
  }
  std::error_code ec;
  if (!fs::exists(path, ec)) throw InputError("--script: \"" + path + "\": no such file");
  if (!fs::is_regular_file(path, ec)) throw InputError("--script: \"" + path + "\" is not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError("--script: cannot read \"" + path + "\": " + std::strerror(errno));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Session::Session(const SimOptions& options, bool needs_music, std::ostream& log)
    : options_(options), log_(log), started_(std::chrono::steady_clock::now()) {
  check_paths(options_, needs_music, log_);
  config_ = skin::choose_config(options_.skin, options_.config);

  host::Options po;
  po.screen_w = options_.screen_w;
  po.screen_h = options_.screen_h;
  po.platform_id = options_.platform_id;
  po.phone_root = options_.phone;
  po.codepage = options_.codepage;
  po.trace_path = options_.trace;
  po.sound = options_.interactive && !options_.mute;
  try {
    phone_ = std::make_unique<host::Phone>(po);
  } catch (const std::exception& e) {
    throw InputError(e.what());
  }
  std::vector<std::string> unreadable;
  install_skin(&unreadable);
  if (!unreadable.empty()) throw InputError("--skin: " + unreadable.front());
  install_editor();
  if (!config_.file.empty()) {
    try {
      install_config(read_config());
    } catch (const std::exception& e) {
      throw InputError(std::string(config_.from_option ? "--config: " : "--skin: ") + e.what());
    }
  }
  if (!options_.quiet) log_ << "tunestrip-sim: configuration: " << config_.describe() << "\n";
  check_skin();

  if (!options_.gif.empty()) {
    gif_ = std::make_unique<host::GifRecorder>(gif_path(options_), phone_->screen().width(),
                                               phone_->screen().height());
    if (!gif_->ok()) throw InputError("--gif: " + gif_->error());
    gif_listener_ = phone_->gui().add_frame_listener(
        [this](int64_t t) { gif_->add_frame(phone_->screen().rgba(), t); });
  }
  // The first frame: the phone's idle screen.
  phone_->gui().refresh_screen();
  phone_->queue().settle();
}

Session::~Session() {
  try {
    finish();
  } catch (...) {
  }
}

// The phone's add-on asks for the panel images alone, so only they are copied (an author's other
// files, such as an editor's source pictures, stay out of the phone).
std::vector<std::string> Session::install_skin(std::vector<std::string>* unreadable) {
  const fs::path to = phone_->files().dir_path(kConfigFolder2) / "TuneStrip";
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec)
    throw InputError("--skin: cannot make the image folder " + quoted(to) + ": " + ec.message());
  std::vector<std::string> changed;
  std::set<std::string> names;
  for (const skin::PanelImage& image : skin::kPanelImages) {
    const std::optional<fs::path> from = skin::find_file(options_.skin, image.file);
    if (!from) continue;
    const std::string name = from->filename().string();
    names.insert(name);
    std::vector<uint8_t> bytes;
    try {
      bytes = bcfg::read_bytes(*from);
    } catch (const std::exception& e) {
      if (unreadable) unreadable->push_back(e.what());
      continue;
    }
    const fs::path copy = to / name;
    std::error_code fec;
    if (fs::exists(copy, fec)) {
      try {
        if (bcfg::read_bytes(copy) == bytes) continue;
      } catch (const std::exception&) {
        // An unreadable copy is written anew.
      }
    }
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write the phone's copy " + quoted(copy));
    changed.push_back(name);
  }
  // Panel images the author removed or renamed leave the phone too (other files stay: a phone
  // folder given with --phone is the user's).
  for (const auto& e : fs::directory_iterator(to, ec)) {
    const std::string name = e.path().filename().string();
    const bool panel_image = std::any_of(
        skin::kPanelImages.begin(), skin::kPanelImages.end(), [&](const skin::PanelImage& image) {
          return host::ascii_lower(std::string(image.file)) == host::ascii_lower(name);
        });
    if (!panel_image || names.count(name)) continue;
    std::error_code rec;
    fs::remove(e.path(), rec);
    changed.push_back(name + " (removed)");
  }
  return changed;
}

std::vector<uint8_t> Session::read_config() const {
  std::vector<uint8_t> bytes = bcfg::read_bytes(config_.file);
  if (bytes.size() != bcfg::kSize)
    throw std::runtime_error(config_.file.string() + ": " + std::to_string(bytes.size()) +
                             " bytes, not the " + std::to_string(bcfg::kSize) +
                             " of a configuration block");
  if (auto fault = bcfg::check(bytes))
    log_ << "tunestrip-sim: warning: " << config_.file.string() << ": byte " << fault->offset
         << ": " << fault->message << " (the add-on gets it as it is)\n";
  return bytes;
}

void Session::install_config(const std::vector<uint8_t>& bytes) {
  const fs::path to = config_file();
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  bcfg::Image image;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  bcfg::write_file(to, image);
  config_bytes_ = bytes;
}

void Session::notify_config_changed() {
  std::u16string folder;
  config_file(&folder);
  FwReconfigEvent ev{};
  const std::u16string name = kConfigName;
  std::copy_n(folder.begin(), std::min<size_t>(folder.size(), 63), ev.path);
  std::copy_n(name.begin(), std::min<size_t>(name.size(), 63), ev.name);
  phone_->send_event(host::codes::RECONFIG_NOTICE, &ev);
}

void Session::restart_addon() {
  host::Phone& ph = *phone_;
  if (ph.loader().loaded() == 0) return;
  const bool shown = ph.gui().top() != nullptr;
  ph.send_event(host::codes::TERMINATE_REQUEST, nullptr);
  ph.queue().settle();
  ph.start_addon();
  if (shown) press_hot_key();
}

void Session::show_panel() {
  if (phone_->loader().loaded() == 0 || phone_->gui().top() != nullptr) return;
  press_hot_key();
}

void Session::press_hot_key() {
  host::Phone& ph = *phone_;
  int key = 42, mode = host::codes::KBD_DOWN;
  try {
    const bcfg::Image image = bcfg::read_file(config_file());
    key = std::stoi(bcfg::get(image, "KEYRUN"));
    mode = std::stoi(bcfg::get(image, "KEYRUNMODE"));
  } catch (const std::exception&) {
    // No file: the built-in block's hot key.
  }
  ph.keys().press(key, mode == host::codes::KBD_LONG_PRESS);
  ph.queue().settle();
}

void Session::apply_config(std::span<const uint8_t> block) {
  install_config(std::vector<uint8_t>(block.begin(), block.end()));
  notify_config_changed();
}

void Session::config_saved() {
  if (config_.file.empty()) config_ = skin::choose_config(options_.skin, options_.config);
  check_skin();
}

std::string Session::reload(Reload what) {
  std::vector<std::string> said;
  // A skin that gains its own configuration file takes it from now on.
  if (config_.file.empty()) config_ = skin::choose_config(options_.skin, options_.config);
  if (!config_.file.empty() && what == Reload::All) {
    try {
      std::vector<uint8_t> bytes = read_config();
      if (bytes != config_bytes_) {
        install_config(bytes);
        notify_config_changed();
        said.push_back("configuration reloaded from " + config_.file.filename().string());
      }
    } catch (const std::exception& e) {
      said.push_back(std::string(e.what()) + "; the last good configuration stays in use");
    }
  }
  std::vector<std::string> unreadable;
  const std::vector<std::string> changed = install_skin(&unreadable);
  for (const std::string& u : unreadable) said.push_back(u + "; the phone keeps its copy");
  if (!changed.empty()) {
    restart_addon();
    std::string names;
    for (const std::string& n : changed) names += (names.empty() ? "" : ", ") + n;
    said.push_back("images changed (" + names + "); the add-on restarted");
  }
  if (!said.empty() && check_skin()) said.push_back(findings_summary());
  std::string line;
  for (const std::string& s : said) line += (line.empty() ? "" : "; ") + s;
  if (line.empty()) line = "nothing changed";
  // The window's editor looks at the images after each save of its own; those quiet looks go
  // unlogged.
  if (what == Reload::All || !said.empty()) log_ << "tunestrip-sim: reload: " << line << "\n";
  return line;
}

void Session::install_editor() {
  host::FileSystem& files = phone_->files();
  for (int id : {kAppFolder1, kAppFolder2})
    if (files.resolve(files.dir(id), kEditorName)) return;
  const fs::path dir = files.dir_path(kAppFolder1);
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::ofstream(dir / kEditorName) << "A stand-in for the configuration editor: the simulator "
                                      "records its launches.\n";
}

bool Session::advance(int64_t ms) {
  host::EventQueue& queue = phone_->queue();
  const int64_t until = queue.now() + ms;
  if (pacer_) return pacer_(until);
  while (queue.now() < until) {
    if (tools::interrupted()) return false;
    queue.run_until(std::min(until, queue.now() + kStepMs));
    if (progress_ && current_) progress_(*current_, queue.now());
  }
  return true;
}

void Session::task(const std::function<void()>& f) {
  std::exception_ptr error;
  phone_->queue().post([&] {
    try {
      f();
    } catch (...) {
      error = std::current_exception();
    }
  });
  phone_->queue().settle();
  if (error) std::rethrow_exception(error);
}

bool Session::run(const std::vector<Command>& commands) {
  for (const Command& c : commands) {
    if (tools::interrupted()) return false;
    current_ = &c;
    if (progress_) progress_(c, phone_->queue().now());
    try {
      const bool go_on = execute(c);
      current_ = nullptr;
      if (!go_on) return false;
    } catch (const RunError&) {
      current_ = nullptr;
      throw;
    } catch (const std::exception& e) {
      current_ = nullptr;
      throw RunError(c.line, describe(c) + ": " + e.what());
    }
  }
  return true;
}

bool Session::execute(const Command& c) {
  host::Phone& ph = *phone_;
  host::MediaPlayer& player = ph.player();
  switch (c.op) {
    case Op::Wait:
      return advance(c.ms);
    case Op::Key:
      if (c.mode == KeyMode::Short || c.mode == KeyMode::Long) {
        ph.keys().press(c.key, c.mode == KeyMode::Long);
        ph.queue().settle();
      } else {
        const int mode = c.mode == KeyMode::Down ? host::codes::KBD_DOWN : host::codes::KBD_UP;
        task([&] { ph.keys().deliver(c.key, mode); });
      }
      return true;
    case Op::PlayerStart: task([&] { player.start(options_.music); }); return true;
    case Op::PlayerClose: task([&] { player.close(); }); return true;
    case Op::PlayerPlay: task([&] { player.play(); }); return true;
    case Op::PlayerPause: task([&] { player.pause(); }); return true;
    case Op::PlayerNext: task([&] { player.next(); }); return true;
    case Op::PlayerPrev: task([&] { player.prev(); }); return true;
    case Op::PlayerSeek: task([&] { player.seek(c.seconds); }); return true;
    case Op::Shot:
      shot(c.text);
      return true;
    case Op::Config:
      change_config(c);
      return true;
    case Op::AddonStart:
      ph.start_addon();
      return true;
    case Op::AddonTerminate:
      ph.send_event(host::codes::TERMINATE_REQUEST, nullptr);
      return true;
    case Op::AddonAbout: {
      FwAboutEvent ev{nullptr};
      ph.send_event(host::codes::ABOUT_REQUEST, &ev);
      return true;
    }
    case Op::AddonEditConfig:
      ph.send_event(host::codes::CONFIG_EDIT_REQUEST, nullptr);
      return true;
    case Op::Reload:
      reload();
      return true;
    case Op::ExpectPanel:
    case Op::ExpectPlayer:
    case Op::ExpectTrack:
    case Op::ExpectAddon:
      expect(c);
      return true;
    case Op::Echo:
      log_ << c.text << "\n" << std::flush;
      step_ = c.text;
      return true;
    case Op::Quit:
      return false;
  }
  return true;
}

fs::path Session::config_file(std::u16string* phone_folder) const {
  host::FileSystem& files = phone_->files();
  for (int id : {kConfigFolder1, kConfigFolder2}) {
    if (auto p = files.resolve(files.dir(id), kConfigName); p && fs::is_regular_file(*p)) {
      if (phone_folder) *phone_folder = files.dir(id);
      return *p;
    }
  }
  if (phone_folder) *phone_folder = files.dir(kConfigFolder1);
  return files.dir_path(kConfigFolder1) / kConfigName;
}

void Session::change_config(const Command& c) {
  const fs::path file = config_file();
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    fs::create_directories(file.parent_path(), ec);
    bcfg::write_default(file);
  }
  bcfg::set_values(file, c.assignments);
  notify_config_changed();
}

bool Session::check_skin() {
  std::vector<skin::Finding> found =
      skin::check_skin(options_.skin, config_, options_.screen_w, options_.screen_h);
  const auto text = [](const std::vector<skin::Finding>& v) {
    std::vector<std::string> out;
    for (const skin::Finding& f : v) out.push_back(skin::format_finding(f));
    return out;
  };
  const bool changed = text(found) != text(findings_);
  findings_ = std::move(found);
  for (const std::string& line : text(findings_))
    if (findings_told_.insert(line).second) log_ << "tunestrip-sim: " << line << "\n";
  return changed;
}

std::string Session::findings_summary() const {
  if (findings_.empty()) return "skin check: no findings";
  size_t errors = 0;
  for (const skin::Finding& f : findings_) errors += f.severity == skin::Severity::Error;
  const size_t warnings = findings_.size() - errors;
  auto count = [](size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  std::string out = "skin check: ";
  if (errors) out += count(errors, "error");
  if (errors && warnings) out += ", ";
  if (warnings) out += count(warnings, "warning");
  // The first error, else the first warning.
  auto first = std::find_if(findings_.begin(), findings_.end(),
                            [](const skin::Finding& f) { return f.severity == skin::Severity::Error; });
  if (first == findings_.end()) first = findings_.begin();
  return out + ": " + skin::format_finding(*first);
}

void Session::picture_written(const fs::path& p) {
  if (std::find(pictures_.begin(), pictures_.end(), p) == pictures_.end()) pictures_.push_back(p);
}

void Session::expect(const Command& c) {
  host::Phone& ph = *phone_;
  ph.queue().settle();
  std::string seen;  // what the phone shows instead, when that is not what the script expects
  switch (c.op) {
    case Op::ExpectPanel: {
      const bool shown = ph.gui().top() != nullptr;
      if (shown != (c.text == "shown"))
        seen = shown ? "the panel is on the screen" : "no panel is on the screen";
      break;
    }
    case Op::ExpectPlayer: {
      const host::MediaPlayer& p = ph.player();
      const char* state = !p.running() ? "closed" : p.playing() ? "playing" : "paused";
      if (c.text != state) seen = std::string("the player is ") + state;
      break;
    }
    case Op::ExpectTrack: {
      const host::NowPlaying np = ph.player().now_playing();
      if (!np.running)
        seen = "the player is closed";
      else if (np.index + 1 != c.track)
        seen = "the player is at track " + std::to_string(np.index + 1) + " of " +
               std::to_string(np.count);
      break;
    }
    case Op::ExpectAddon: {
      const bool running = ph.loader().loaded() > 0;
      if (running != (c.text == "running"))
        seen = running ? "the add-on still runs" : "the add-on has ended";
      break;
    }
    default:
      break;
  }
  if (seen.empty()) return;
  std::string message = describe(c) + ": " + seen;
  if (!step_.empty()) message += " (after \"" + step_ + "\")";
  throw RunError(c.line, message);
}

fs::path gif_path(const SimOptions& o) {
  return o.gif.empty() || o.gif.is_absolute() ? o.gif : o.out / o.gif;
}

fs::path Session::shot(const std::string& name) {
  phone_->queue().settle();
  fs::path path = fs::path(name).is_absolute() ? fs::path(name) : options_.out / name;
  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  if (ec || !phone_->screen().save_png(path))
    throw std::runtime_error("cannot write " + quoted(path));
  picture_written(path);
  return path;
}

void Session::finish() {
  if (!gif_ || gif_finished_) return;
  gif_finished_ = true;
  phone_->gui().remove_frame_listener(gif_listener_);
  if (!gif_->finish(phone_->queue().now()))
    throw std::runtime_error("cannot write the GIF " + quoted(gif_path(options_)) + ": " +
                             gif_->error());
  picture_written(gif_path(options_));
}

Summary Session::summary() const {
  Summary s;
  host::Phone& ph = *phone_;
  s.virtual_ms = ph.queue().now();
  s.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  s.redraws = ph.gui().redraws();
  s.frames = ph.gui().frames();
  for (const host::MessageBox& m : ph.messages().shown()) s.messages.push_back(m.text);
  for (const host::ElfLaunch& l : ph.messages().launches())
    s.launches.push_back(l.path + " \"" + l.arg1 + "\" \"" + l.arg2 + "\"" +
                         (l.accepted ? "" : " (not found)"));
  s.counts = ph.counts();
  s.peak_heap = ph.memory().peak_bytes();
  s.addon_running = ph.loader().loaded() > 0;
  s.pictures = pictures_;
  return s;
}

std::string format_summary(const Summary& s) {
  char line[160];
  std::string out;
  std::snprintf(line, sizeof line, "Ran %.1f s of virtual time in %.2f s.\n", s.virtual_ms / 1000.0,
                s.wall_s);
  out += line;
  out += "Redraws: " + std::to_string(s.redraws) + " (frames composed: " +
         std::to_string(s.frames) + ")\n";
  out += "Messages shown: " + std::to_string(s.messages.size()) + "\n";
  for (const std::string& m : s.messages) {
    std::string one = m;
    std::replace(one.begin(), one.end(), '\n', ' ');
    out += "  \"";
    out += one;
    out += "\"\n";
  }
  if (!s.launches.empty()) {
    out += "Programs launched: " + std::to_string(s.launches.size()) + "\n";
    for (const std::string& l : s.launches) out += "  " + l + "\n";
  }
  out += s.addon_running ? "Resources (the add-on still runs): " : "Resources after the add-on's exit: ";
  out += s.counts.summary() + "\n";
  out += "Peak heap: " + std::to_string(s.peak_heap) + " bytes\n";
  if (!s.pictures.empty()) {
    out += "Pictures:";
    for (const fs::path& p : s.pictures) {
      out += ' ';
      out += p.string();
    }
    out += "\n";
  }
  return out;
}

}  // namespace sim
