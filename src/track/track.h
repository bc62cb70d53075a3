// Following the media player: its current track, track changes and the play-time tick.
#pragma once

#include "platform/fw.h"

struct TRACK_DESC {
  char16_t* path;  // folder of the track file (owned)
  char16_t* name;  // file name (owned)
  int32_t fulltime;    // length in seconds, as the player gives it
  int32_t tracknum;    // 1-based position in the player's list
  int32_t trackcount;  // tracks in the list
};

extern TRACK_DESC* currenttrack;
extern int32_t ostmin, ostsec;

// The media player's book, or null when the player is not running.
BOOK* FindPlayerBook();

TRACK_DESC* TrackDesc_Get(BOOK* book);
int TrackDesc_Compare(const TRACK_DESC* a, const TRACK_DESC* b);
void TrackDesc_Free(TRACK_DESC* td);

void ReInit();
int UpdateMP3Info(void* data, BOOK* book);
int PlayerClose(void* data, BOOK* book);
int CABook_onPlayTimer(void* data, BOOK* book);
