// The default skin's pictures and the application's icon, drawn with skin/drawing.h. The bundled
// skin (skin/default/) and the icons (packaging/icons/) are what these functions draw; a test
// holds the committed files to them.
//
//   NoCover.png       60 x 60   the cover box of a track without a picture: a dark tile, two notes
//   Fon.png           240 x 80  the background: dark, translucent, a soft vertical gradient and an
//                               accent line along the top edge, so that white labels stay legible
//   Key1 / Key1_S     20 x 20   next track        (two triangles and a bar)
//   Key2 / Key2_S     20 x 20   previous track    (a bar and two triangles)
//   Key3 / Key3_S     20 x 20   pause: shown while the player plays, so the button shows its action
//   Key3_1 / Key3_1_S 20 x 20   play: shown while the player is paused
//   Key4 / Key4_S     20 x 20   bring the player forward (a window with an arrow out of it)
//   Key5 / Key5_S     20 x 20   hide the panel (a down chevron)
//
// Plain buttons are a dark translucent tile with a light icon; selected ones (_S) a bright accent
// tile with a white frame and a dark icon, so that the selection is plain at a glance.
#pragma once

#include <string>
#include <vector>

#include "skin/drawing.h"

namespace skin {

struct Picture {
  std::string name;  // the file's name, "Key3_1_S.png"
  draw::Canvas canvas;
};

// The 14 images of the default skin.
std::vector<Picture> default_pictures();

// The icon at `size` pixels a side: the cover tile with its two notes and, over its lower part,
// the panel that slides in (the accent line along its top edge and a progress bar).
draw::Canvas application_icon(int size);
// The sizes the icon theme gets, and the file name of each ("tunestrip-48.png").
std::vector<int> icon_sizes();
std::string icon_file_name(int size);

}  // namespace skin
