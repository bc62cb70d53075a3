// The panel's twelve label texts.
#pragma once

#include "platform/fw.h"

enum LabelSlot {
  LABEL_TITLE, LABEL_ARTIST, LABEL_ALBUM, LABEL_YEAR, LABEL_GENRE, LABEL_BITRATE, LABEL_FREQ,
  LABEL_CHANEL, LABEL_LENGHT, LABEL_CURTIME, LABEL_OSTTIME, LABEL_TRACKCOUNT, LABEL_COUNT
};

extern TEXTID TextID[LABEL_COUNT];
extern char16_t* buff[4];
extern int32_t fullmin, fullsec;

// Releases one slot: a slot that is not 0 is freed and left holding EMPTY_TEXT.
void ReleaseLabel(int slot);
// Rebuilds slots 0 to 8 from the current track and its tag record.
void UpdateLabel();
// Rebuilds slots 9 and 10 from the last play-time tick.
void UpdatePlayTimeLabels();
// Slot 11 lives for one redraw: built right before it is drawn, released right after.
void BuildTrackNumberLabel();
void ReleaseTrackNumberLabel();
// The full exit: releases slots 0 to 10 in ascending order and frees buff[0] to buff[2]
// (the buffers are char16_t arrays: free them only with delete[]).
void ReleaseAllLabels();
