// MPEG audio stream analysis: skips an ID3v2 tag, finds the first frame header, looks for a Xing
// header in that frame, and works out bitrate, sample rate, channel mode and length.
//
// The parser keeps its state in the globals below, which the frame-field functions read; it
// handles one file at a time.
#pragma once

#include <cstdint>

// The stream data of one file, as ReadMP3Information gives it.
struct MP3_INFO {
  int32_t bitrate;    // kbit/s; 0 when no frame header was found
  uint8_t vbr;        // 1 when the first frame holds a Xing header
  int32_t length;     // seconds, from the audio size and the bitrate
  int32_t audiosize;  // bytes: file size less the ID3v2 tag size (never negative; 0 when unreadable)
  int32_t tagsize;    // decoded ID3v2 tag size, 0 without a tag
  int32_t frequency;  // sample rate in Hz; 0 exactly when no frame header was found
  int32_t mode;       // channel mode 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  uint8_t found;      // 1 when a frame header was found; without one bitrate, vbr, length,
                      // frequency and mode are all 0 and their labels stay empty
};

// Parser state.
extern int32_t lngFileSize;   // audio size in bytes (file size less the tag size)
extern int32_t intVFrames;    // Xing frame count, -1 when the Xing header has none
extern uint8_t boolVBitRate;  // the last file whose frame header was found has a Xing header
extern uint32_t bithdr;       // the four header bytes, big-endian

// Sample rates in Hz by version index and frequency index.
extern const int32_t SampleRateTable[4][4];
// Bitrates in kbit/s by group (version index AND 1), row (layer index - 1: Layer III, II, I) and
// bitrate index.
extern const int16_t BitrateTable[2][3][16];

MP3_INFO ReadMP3Information(const char16_t* folder, const char16_t* name);

uint32_t synchsafeToNormal(const uint8_t* b);
void LoadMP3Header(const uint8_t* b);
int LoadVBRHeader(const uint8_t* b);

uint32_t getFrameSync();
uint32_t getVersionIndex();   // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
uint32_t getLayerIndex();     // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
uint32_t getBitrateIndex();
uint32_t getFrequencyIndex();
uint32_t getModeIndex();
uint32_t getEmphasisIndex();

int IsValidHeader();
int32_t getFrequency();
int32_t getNumberOfFrames();
int32_t getBitrate();
int32_t getMode();
int32_t getLengthInSeconds();
