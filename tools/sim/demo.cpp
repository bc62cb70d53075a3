#include "sim/demo.h"

namespace sim {

const char* demo_script() {
  // The slide takes about 1.3 s at the default speed (15 pixels every 80 ms); every wait after a
  // hot key lets it finish, and the play-time ticks show the clock running. Each step checks
  // its effect, so that a step that did nothing stops the demo with exit status 1. The samples
  // are about four seconds long: the first has ended by itself when the button is pressed, and
  // the track is checked just before and at once after the press.
  return R"(# TuneStrip demo
echo demo: the media player starts on the playlist
player start
wait 1500
expect player playing
echo demo: the add-on starts
addon start
wait 500
expect addon running
echo demo: the hot key shows the panel
key hot
wait 2500
expect panel shown
echo demo: the first button skips to the next track
expect track 2
key enter
expect track 3
wait 2500
echo demo: the right key selects the play/pause button
key right
wait 600
key right
wait 1400
shot panel.png
echo demo: play/pause pauses the player, then plays again
key enter
wait 2500
expect player paused
key enter
wait 2000
expect player playing
echo demo: the hot key hides the panel
key hot
wait 2000
expect panel hidden
echo demo: the add-on ends
addon terminate
wait 500
expect addon ended
)";
}

}  // namespace sim
