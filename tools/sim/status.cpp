#include "sim/status.h"

#include <cstdio>

#include "core/event_queue.h"
#include "core/wstr.h"
#include "player/media_player.h"
#include "player/player_sound.h"
#include "sim/session.h"

namespace sim {
namespace {

std::string clock_text(int seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d", seconds / 60, seconds % 60);
  return buf;
}

}  // namespace

std::string player_status(Session& session) {
  host::Phone& ph = session.phone();
  char t[32];
  std::snprintf(t, sizeof t, "t %.1f s", double(ph.queue().now()) / 1000.0);
  std::string out = t;
  const host::NowPlaying np = ph.player().now_playing();
  if (!np.running) return out + " · player closed";
  out += np.playing ? " · playing " : " · paused ";
  out += std::to_string(np.index + 1) + "/" + std::to_string(np.count) + " ";
  out += host::utf16_to_utf8(np.title);
  if (!np.artist.empty()) out += " — " + host::utf16_to_utf8(np.artist);
  out += " · " + clock_text(np.position) + " / " + clock_text(np.length);
  out += " · vol " + std::to_string(np.volume);
  return out;
}

std::string skin_status(Session& session) {
  const skin::ConfigChoice& c = session.skin().config_choice();
  std::string config = c.file.empty() ? "the built-in block"
                                      : c.file.filename().string() +
                                            (c.from_option ? " (--config)" : " (the skin's)");
  const SimOptions& o = session.options();
  const host::PlayerSound& player_sound = session.phone().player().sound();
  const std::string sound = o.mute              ? "muted"
                            : player_sound.on() ? "sound on"
                                                : "sound " + player_sound.status();
  return "skin " + o.skin.string() + " · config " + config + " · " + sound;
}

}  // namespace sim
