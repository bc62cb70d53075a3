#include "sim/expect.h"

#include "core/event_queue.h"
#include "core/loader.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "screen/gui_manager.h"
#include "sim/run_error.h"

namespace sim {

void expect(host::Phone& ph, const Command& c, const std::string& step) {
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
  if (!step.empty()) message += " (after \"" + step + "\")";
  throw RunError(c.line, message);
}

}  // namespace sim
