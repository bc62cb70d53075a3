// The tag record of the current track: tags, cover picture data and stream data.
#pragma once

#include "mp3/mp3.h"
#include "platform/fw.h"

struct METADATA {
  FwHandle handle;  // the open tag reader, 0 when none
  const char16_t* title;  // title tag, or the file name when the tag is absent
  const char16_t* album;
  const char16_t* artist;
  const char16_t* year;
  const char16_t* genre;
  int32_t curtime;  // elapsed seconds (play-time tick)
  int32_t cursec;
  int32_t curmin;
  uint8_t covertype;  // 0 jpg, 1 gif, 2 png, 3 bmp
  // Written by fw_metadata_get_cover, whose parameters are int (int32_t is long on bare-metal ARM).
  int coversize;
  int coveroffset;
  const char16_t* path;  // the track's folder (points into currenttrack)
  const char16_t* name;  // the track's file name (points into currenttrack)
  MP3_INFO info;
};

// Receives the status of each cover file looked for; only its answer is used.
extern FSTAT _fstat;

void GetMetaData(METADATA* md, const char16_t* folder, const char16_t* name);
void GetCover(FwHandle handle, const char16_t* folder, const char16_t* name, METADATA* md);
const char16_t* GetType_str(int type);
