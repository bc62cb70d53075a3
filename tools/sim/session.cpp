#include "sim/session.h"

#include <algorithm>
#include <exception>
#include <ostream>
#include <stdexcept>
#include <string>

#include "cli/interrupt.h"
#include "core/atomic_file.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/addon_runtime.h"
#include "core/trace.h"
#include "platform/fw_types.h"
#include "player/media_player.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "sim/expect.h"
#include "sim/gif_recording.h"
#include "sim/option_paths.h"

namespace sim {
namespace {

// A wait runs the clock in steps of this much virtual time, so that progress can be shown.
constexpr int64_t kStepMs = 1000;

// The phone the options describe, once their paths have been checked (see check_paths).
std::unique_ptr<host::Phone> make_phone(const SimOptions& o, bool needs_music, std::ostream& log,
                                        std::optional<host::Playlist>& music) {
  music = check_paths(o, needs_music, log);
  host::Options po;
  po.screen_w = o.screen_w;
  po.screen_h = o.screen_h;
  po.platform_id = o.platform_id;
  po.phone_root = o.phone;
  po.codepage = o.codepage;
  po.trace_path = o.trace;
  po.elf_path = o.elf;
  po.sound = o.interactive && !o.mute;
  try {
    return std::make_unique<host::Phone>(po);
  } catch (const host::AddonFileError& e) {
    throw InputError(std::string("--elf: ") + e.what());
  } catch (const std::exception& e) {
    throw InputError(e.what());
  }
}

}  // namespace

// ---- The phone ----

Session::Session(const SimOptions& options, bool needs_music, std::ostream& log)
    : packed_(unpack_skin(options)),
      options_(with_unpacked_skin(options, packed_.get())),
      log_(log),
      started_(std::chrono::steady_clock::now()),
      phone_(make_phone(options_, needs_music, log_, music_)),
      config_(*phone_),
      skin_(options_, *phone_, config_, log_),
      pictures_(*phone_, options_.out) {
  skin_.install_images();
  config_.install_editor();
  skin_.install_config();
  if (!options_.gif.empty()) gif_ = std::make_unique<GifRecording>(*phone_, gif_path(options_));
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

// ---- The run ----

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
    } catch (const host::AddonFault&) {
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
    case Op::PlayerStart:
      // The first start plays the list the checks read; a later one reads it again.
      task([&] {
        if (!music_) return player.start(options_.music);
        host::Playlist list = std::move(*music_);
        music_.reset();
        player.start(std::move(list.tracks), list.folder);
      });
      return true;
    case Op::PlayerClose: task([&] { player.close(); }); return true;
    case Op::PlayerPlay: task([&] { player.play(); }); return true;
    case Op::PlayerPause: task([&] { player.pause(); }); return true;
    case Op::PlayerNext: task([&] { player.next(); }); return true;
    case Op::PlayerPrev: task([&] { player.prev(); }); return true;
    case Op::PlayerSeek: task([&] { player.seek(c.seconds); }); return true;
    case Op::Shot:
      pictures_.shot(c.text);
      return true;
    case Op::Config:
      config_.change(c.assignments);
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
      skin_.reload();
      return true;
    case Op::ExpectPanel:
    case Op::ExpectPlayer:
    case Op::ExpectTrack:
    case Op::ExpectAddon:
      expect(ph, c, step_);
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

// ---- The end ----

void Session::finish() {
  // Both files are ended whatever becomes of the other; one line says what failed.
  std::string failed;
  try {
    if (gif_ && gif_->finish()) pictures_.add(gif_->path());
  } catch (const std::exception& e) {
    failed = e.what();
  }
  try {
    phone_->trace().close();
  } catch (const host::OutputError& e) {
    failed += (failed.empty() ? "--trace: " : "; --trace: ") + std::string(e.what());
  }
  if (!failed.empty()) throw std::runtime_error(failed);
}

Summary Session::summary() const {
  const double wall_s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  return summarize(*phone_, wall_s, pictures_.list());
}

}  // namespace sim
