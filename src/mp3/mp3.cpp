#include "mp3/mp3.h"

#include <new>

#include "platform/fw.h"

int32_t lngFileSize = 0;
int32_t intVFrames = 0;
uint8_t boolVBitRate = 0;
uint32_t bithdr = 0;

const int32_t SampleRateTable[4][4] = {
    {11025, 12000, 8000, 0},   // MPEG-2.5
    {0, 0, 0, 0},              // reserved
    {22050, 24000, 16000, 0},  // MPEG-2
    {44100, 48000, 32000, 0},  // MPEG-1
};

const int16_t BitrateTable[2][3][16] = {
    // MPEG-2 and MPEG-2.5
    {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layer III
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layer II
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},  // Layer I
    },
    // MPEG-1
    {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // Layer II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // Layer I
    },
};

namespace {

// Bytes read per step; consecutive blocks share the last three bytes so that a header straddling
// two blocks is still seen. The first block, read from the start of the file, holds the tag
// header and, in most files, the first frame with its Xing header too, so that each byte is read
// once.
constexpr int kSearchBlock = 4096;
constexpr int kOverlap = 3;

uint32_t BigEndian32(const uint8_t* b) {
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

// Reads `size` bytes, in as many reads as the file system takes (a read may deliver fewer bytes
// before the end of the file); the count delivered, less only at the end or on a failed read.
int ReadSome(int fd, uint8_t* buf, int size) {
  int got = 0;
  while (got < size) {
    int n = fw_file_read(fd, buf + got, size - got);
    if (n <= 0) break;
    got += n > size - got ? size - got : n;
  }
  return got;
}

// The bytes of the file read last: `total` bytes from file position `base`. `ended` once they
// reach the end of the file: its size as the file system gave it, or where a read found no more.
struct Window {
  uint8_t* data;
  int capacity;
  int32_t base;
  int total;
  bool ended;
  int32_t file_size;
};

// Reads the next bytes into the window after its first `keep` bytes, which stay.
int FillWindow(int fd, Window& w, int keep) {
  const int64_t left = int64_t(w.file_size) - (int64_t(w.base) + keep);
  const int want = left < w.capacity - keep ? int(left > 0 ? left : 0) : w.capacity - keep;
  const int n = want > 0 ? ReadSome(fd, w.data + keep, want) : 0;
  w.total = keep + n;
  w.ended = n < want || int64_t(w.base) + w.total >= w.file_size;
  return n;
}

// Looks for the first valid frame header at positions `start` up to (not including) `end`.
// Returns the position, or -1; `w` then holds the block it was found in.
int32_t FindFrameHeader(int fd, Window& w, int32_t start, int32_t end) {
  if (start >= end) return -1;
  if (start < w.base || start >= w.base + w.total) {
    // Past what was read: nothing there when the file ended, else read on from `start`.
    if (w.ended) return -1;
    if (fw_file_seek(fd, start, FW_SEEK_SET) < 0) return -1;
    w.base = start;
    if (FillWindow(fd, w, 0) <= 0) return -1;
  }
  for (;;) {
    const int from = start > w.base ? int(start - w.base) : 0;
    for (int i = from; i + 4 <= w.total; ++i) {
      if (w.base + i >= end) return -1;
      LoadMP3Header(w.data + i);
      if (IsValidHeader()) return w.base + i;
    }
    if (w.ended || w.total < 4) return -1;
    const int keep = kOverlap;
    const int32_t next = w.base + (w.total - keep);
    if (next >= end) return -1;
    for (int i = 0; i < keep; ++i) w.data[i] = w.data[w.total - keep + i];
    w.base = next;
    if (FillWindow(fd, w, keep) <= 0) return -1;
  }
}

// The 12 bytes at file position `pos`, from the window when it holds them; bytes past the end of
// the file stay zero and so never match.
void ReadAt(int fd, const Window& w, int32_t pos, uint8_t* out, int size) {
  for (int i = 0; i < size; ++i) out[i] = 0;
  const int32_t held_end = w.base + w.total;
  if (pos >= w.base && (pos + size <= held_end || w.ended)) {
    for (int i = 0; i < size && pos + i < held_end; ++i) out[i] = w.data[pos - w.base + i];
    return;
  }
  if (fw_file_seek(fd, pos, FW_SEEK_SET) >= 0) ReadSome(fd, out, size);
}

}  // namespace

uint32_t synchsafeToNormal(const uint8_t* b) {
  // A set top bit, which a synchsafe integer never has, still counts one place higher.
  return (uint32_t(b[0]) << 21) + (uint32_t(b[1]) << 14) + (uint32_t(b[2]) << 7) + uint32_t(b[3]);
}

void LoadMP3Header(const uint8_t* b) { bithdr = BigEndian32(b); }

int LoadVBRHeader(const uint8_t* b) {
  if (b[0] != 'X' || b[1] != 'i' || b[2] != 'n' || b[3] != 'g') return 0;
  intVFrames = (b[7] & 1) ? int32_t(BigEndian32(b + 8)) : -1;
  return 1;
}

uint32_t getFrameSync() { return bithdr >> 21; }
uint32_t getVersionIndex() { return (bithdr >> 19) & 3; }
uint32_t getLayerIndex() { return (bithdr >> 17) & 3; }
uint32_t getBitrateIndex() { return (bithdr >> 12) & 15; }
uint32_t getFrequencyIndex() { return (bithdr >> 10) & 3; }
uint32_t getModeIndex() { return (bithdr >> 6) & 3; }
uint32_t getEmphasisIndex() { return bithdr & 3; }

int IsValidHeader() {
  if (getFrameSync() != 0x7FF) return 0;
  if (getVersionIndex() == 1) return 0;
  if (getLayerIndex() == 0) return 0;
  if (getBitrateIndex() == 0 || getBitrateIndex() == 15) return 0;
  if (getFrequencyIndex() == 3) return 0;
  if (getEmphasisIndex() == 2) return 0;
  return 1;
}

int32_t getFrequency() { return SampleRateTable[getVersionIndex()][getFrequencyIndex()]; }

int32_t getNumberOfFrames() { return intVFrames; }

int32_t getBitrate() {
  uint32_t layer = getLayerIndex();
  if (boolVBitRate) {
    int32_t frames = getNumberOfFrames();
    // Without a usable frame count (none, or 0) the frame header's own bitrate stands.
    if (frames > 0) {
      // Bytes per frame per (bit/s / Hz): 48 for Layer I, 72 for Layer III of the lower sample
      // rates (576 samples a frame), 144 otherwise.
      int k = 144;
      if (layer == 3)
        k = 48;
      else if (layer == 1 && getVersionIndex() != 3)
        k = 72;
      double average = double(lngFileSize) / double(frames);
      double rate = double(getFrequency()) * average / (1000.0 * k);
      if (!(rate < 2147483647.0) || !(rate > -2147483648.0)) return 0;
      return int32_t(rate);
    }
  }
  if (layer == 0) return 0;
  return BitrateTable[getVersionIndex() & 1][layer - 1][getBitrateIndex()];
}

int32_t getMode() { return int32_t(getModeIndex()); }

int32_t getLengthInSeconds() {
  int32_t rate = getBitrate();
  if (rate == 0) return 0;
  // 64-bit so that audio of 256 MiB and more does not overflow.
  int64_t kbits = int64_t(lngFileSize) * 8 / 1000;
  return int32_t(kbits / rate);
}

MP3_INFO ReadMP3Information(const char16_t* folder, const char16_t* name) {
  MP3_INFO info = {};

  // Opened first, so that the size comes from the file held open.
  int fd = fw_file_open(folder, name, FW_OPEN_READ, FW_PERM_RW, 0);
  if (fd < 0) {
    lngFileSize = 0;
    return info;
  }
  FSTAT st = {};
  if (fw_file_stat(folder, name, &st) < 0) {
    fw_file_close(fd);
    lngFileSize = 0;
    return info;
  }
  uint32_t raw_size;
  __builtin_memcpy(&raw_size, st.raw + 8, 4);
  int32_t file_size = raw_size > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(raw_size);

  uint8_t small[64];
  uint8_t* buf = new (std::nothrow) uint8_t[kOverlap + kSearchBlock];
  Window w = {buf ? buf : small, buf ? kOverlap + kSearchBlock : int(sizeof small), 0, 0, false,
              file_size};
  FillWindow(fd, w, 0);

  int32_t tag_size = 0;
  if (w.total >= 10 && w.data[0] == 'I' && w.data[1] == 'D' && w.data[2] == '3') {
    uint32_t decoded = synchsafeToNormal(w.data + 6);
    tag_size = decoded > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(decoded);
  }
  // A tag that claims more than the file holds leaves no audio, not a negative amount.
  lngFileSize = tag_size < file_size ? file_size - tag_size : 0;
  info.audiosize = lngFileSize;
  info.tagsize = tag_size;

  int32_t pos = FindFrameHeader(fd, w, tag_size, file_size);
  if (pos >= 0) {
    int side;
    if (getVersionIndex() == 3)
      side = getModeIndex() == 3 ? 17 : 32;
    else
      side = getModeIndex() == 3 ? 9 : 17;
    uint8_t xing[12];
    ReadAt(fd, w, pos + 4 + side, xing, sizeof xing);
    boolVBitRate = uint8_t(LoadVBRHeader(xing));
    info.vbr = boolVBitRate;
    info.bitrate = getBitrate();
    info.frequency = getFrequency();
    info.mode = getMode();
    info.length = getLengthInSeconds();
    info.found = 1;
  }

  delete[] buf;
  fw_file_close(fd);
  return info;
}
