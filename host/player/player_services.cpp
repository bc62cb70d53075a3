// Media player: the phone's services fw_send_ui_event, fw_player_play_pause,
// fw_player_book_predicate.

#include "core/codes.h"
#include "core/service_table.h"
#include "phone/phone.h"
#include "player/media_player.h"

namespace host::svc {

namespace {
int is_player_book(BOOK* book) {
  return book != nullptr && book == phone().player().book() ? 1 : 0;
}
}  // namespace

void fw_send_ui_event(int event) {
  MediaPlayer& p = phone().player();
  switch (event) {
    case codes::UI_MEDIAPLAYER_NEXT_TRACK: p.next(); break;
    case codes::UI_MEDIAPLAYER_PREV_TRACK: p.prev(); break;
    case codes::UI_VOLUME_UP: p.volume_up(); break;
    case codes::UI_VOLUME_DOWN: p.volume_down(); break;
    default: break;  // other UI events concern no part of this phone
  }
}

void fw_player_play_pause(int) {
  MediaPlayer& p = phone().player();
  if (p.running()) p.play_pause();
}

BookPredicate fw_player_book_predicate() { return &is_player_book; }

}  // namespace host::svc
