#include "host/media_player.h"

namespace host {

MediaPlayer::MediaPlayer(Phone& phone) : phone_(phone) {}
MediaPlayer::~MediaPlayer() = default;
NowPlaying MediaPlayer::now_playing() const { return {}; }

}  // namespace host
