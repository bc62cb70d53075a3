#include "sim/hot_key.h"

#include <exception>
#include <string>

#include "config/bcfg.h"
#include "core/codes.h"
#include "core/event_queue.h"
#include "core/loader.h"
#include "phone/phone.h"
#include "screen/gui_manager.h"
#include "screen/keys.h"
#include "sim/phone_config.h"

namespace sim {

void press_hot_key(host::Phone& ph, const PhoneConfig& config) {
  int key = 42, mode = host::codes::KBD_DOWN;
  try {
    const bcfg::Image image = bcfg::read_file(config.file());
    key = std::stoi(bcfg::get(image, "KEYRUN"));
    mode = std::stoi(bcfg::get(image, "KEYRUNMODE"));
  } catch (const std::exception&) {
    // No file: the built-in block's hot key.
  }
  ph.keys().press(key, mode == host::codes::KBD_LONG_PRESS);
  ph.queue().settle();
}

void show_panel(host::Phone& ph, const PhoneConfig& config) {
  if (ph.loader().loaded() == 0 || ph.gui().top() != nullptr) return;
  press_hot_key(ph, config);
}

}  // namespace sim
