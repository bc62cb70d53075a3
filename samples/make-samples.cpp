// Helper of make-samples.sh: synthesises the demo's tunes as WAV files and draws their covers
// ("make-samples tones DIR"), then tags the encoded MP3s ("make-samples tags DIR SAMPLES").
// Built and run by make-samples.sh; needs TagLib and stb_image_write.
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// ---- Tunes --------------------------------------------------------------------------------------

double midi_hz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

struct Tune {
  const char* name;
  double seconds;
  double step;             // seconds per melody note
  std::vector<int> melody;  // MIDI notes, 0 a rest
  std::vector<std::vector<int>> chords;  // one chord per bar of four notes
  double brightness;       // weight of the overtones
};

// A soft plucked voice: a sine with two overtones and an exponential decay.
double voice(double hz, double t, double brightness) {
  if (t < 0) return 0;
  double env = (1 - std::exp(-t * 60)) * std::exp(-t * 3.2);
  double s = std::sin(2 * kPi * hz * t) + brightness * 0.35 * std::sin(4 * kPi * hz * t) +
             brightness * 0.12 * std::sin(6 * kPi * hz * t);
  return env * s;
}

void write_wav(const fs::path& path, const Tune& tune) {
  size_t n = size_t(tune.seconds * kRate);
  std::vector<int16_t> pcm(n * 2);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kRate;
    double l = 0, r = 0;
    // Melody, panned a little left and right by note.
    size_t k = size_t(t / tune.step);
    for (size_t j = (k >= 2 ? k - 2 : 0); j <= k && j < tune.melody.size(); ++j) {
      if (tune.melody[j] == 0) continue;
      double v = voice(midi_hz(tune.melody[j]), t - double(j) * tune.step, tune.brightness) * 0.32;
      double pan = (j % 2) ? 0.62 : 0.38;
      l += v * (1 - pan);
      r += v * pan;
    }
    // A quiet pad under it.
    const auto& chord = tune.chords[std::min(tune.chords.size() - 1, size_t(t / (4 * tune.step)))];
    for (int note : chord) {
      double hz = midi_hz(note);
      double pad = 0.045 * std::sin(2 * kPi * hz * t) * (0.8 + 0.2 * std::sin(2 * kPi * 0.5 * t));
      l += pad;
      r += pad * 0.9;
    }
    // Fade in and out.
    double fade = std::min({1.0, t / 0.15, (tune.seconds - t) / 0.6});
    pcm[2 * i] = int16_t(std::clamp(l * fade, -1.0, 1.0) * 26000);
    pcm[2 * i + 1] = int16_t(std::clamp(r * fade, -1.0, 1.0) * 26000);
  }
  std::ofstream out(path, std::ios::binary);
  auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  uint32_t bytes = uint32_t(pcm.size() * 2);
  out.write("RIFF", 4);
  put32(36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(16);
  put16(1);
  put16(2);
  put32(kRate);
  put32(kRate * 4);
  put16(4);
  put16(16);
  out.write("data", 4);
  put32(bytes);
  out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(bytes));
}

const std::vector<Tune>& tunes() {
  static const std::vector<Tune> t = {
      {"dawn", 4.5, 0.25, {72, 76, 79, 84, 79, 76, 74, 77, 81, 86, 81, 77, 72, 76, 79, 84, 0, 0},
       {{48, 55, 64}, {50, 57, 65}, {48, 55, 64}, {48, 55, 64}}, 0.6},
      {"waltz", 4.5, 0.3, {69, 72, 76, 74, 71, 68, 69, 72, 76, 81, 0, 0, 0, 0, 0},
       {{45, 52, 60}, {40, 47, 56}, {45, 52, 60}, {45, 52, 60}}, 0.4},
      {"harbour", 4.5, 0.28, {67, 71, 74, 79, 78, 74, 71, 66, 67, 71, 74, 79, 0, 0, 0, 0},
       {{43, 50, 59}, {38, 45, 54}, {43, 50, 59}, {43, 50, 59}}, 0.8},
      {"plain", 3.0, 0.3, {60, 64, 67, 72, 67, 64, 60, 0, 0, 0}, {{36, 43, 52}, {36, 43, 52}, {36, 43, 52}}, 0.3},
      {"drift", 5.0, 0.2, {62, 0, 69, 66, 0, 74, 73, 69, 62, 0, 69, 66, 0, 74, 76, 78, 81, 0, 0, 0, 0, 0},
       {{50, 57, 66}, {47, 54, 62}, {43, 50, 59}, {45, 52, 61}, {50, 57, 66}, {50, 57, 66}}, 1.0},
      {"seaside", 4.5, 0.32, {65, 69, 72, 77, 76, 72, 70, 67, 65, 0, 0, 0, 0, 0},
       {{41, 48, 57}, {46, 53, 62}, {41, 48, 57}, {41, 48, 57}}, 0.5},
  };
  return t;
}

// ---- Covers -------------------------------------------------------------------------------------

struct Rgb {
  double r, g, b;
};
Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb hex(uint32_t v) { return {double(v >> 16 & 255), double(v >> 8 & 255), double(v & 255)}; }
// Coverage of an edge at distance d (pixels, negative inside), for smooth borders.
double cover(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

constexpr int kSize = 120;

template <typename F>
std::vector<uint8_t> paint(F f) {
  std::vector<uint8_t> px(kSize * kSize * 3);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      Rgb c = f(x + 0.5, y + 0.5);
      uint8_t* p = &px[(size_t(y) * kSize + x) * 3];
      p[0] = uint8_t(std::clamp(c.r, 0.0, 255.0));
      p[1] = uint8_t(std::clamp(c.g, 0.0, 255.0));
      p[2] = uint8_t(std::clamp(c.b, 0.0, 255.0));
    }
  return px;
}

// Sunrise over rolling hills.
Rgb dawn(double x, double y) {
  Rgb c = mix(hex(0x2E1F54), hex(0xFF9A62), y / 90.0);
  double sun = std::hypot(x - 60, y - 74) - 21;
  c = mix(c, hex(0xFFD98A), std::exp(-std::max(sun, 0.0) / 9) * 0.45);  // glow
  c = mix(c, hex(0xFFF1B8), cover(sun));
  double far = 82 + 6 * std::sin(x / 14.0 + 1.0);
  c = mix(c, hex(0x6B3A6E), cover(far - y));
  double near = 94 + 8 * std::sin(x / 19.0 + 3.2);
  c = mix(c, hex(0x3A2150), cover(near - y));
  return c;
}

// Night harbour: moon, horizon lights and their reflections on the water.
Rgb harbour(double x, double y) {
  const double sea = 76;
  Rgb c = mix(hex(0x0A1230), hex(0x284A86), y / sea);
  c = mix(c, hex(0xF4F1DE), cover(std::hypot(x - 86, y - 24) - 10));
  if (y > sea) {
    c = mix(hex(0x10284E), hex(0x061428), (y - sea) / (kSize - sea));
    for (int i = 0; i < 7; ++i) {
      double lx = 10 + i * 16.5;
      double wave = std::sin(y * 0.35 + i) * 1.2;
      double streak = std::exp(-std::pow((x - lx - wave) / 1.6, 2)) * std::exp(-(y - sea) / 30);
      c = mix(c, hex(i % 3 == 0 ? 0xFFB347 : 0xFFE08A), streak * 0.9);
    }
  }
  for (int i = 0; i < 7; ++i) {
    double lx = 10 + i * 16.5;
    c = mix(c, hex(i % 3 == 0 ? 0xFFB347 : 0xFFE08A), cover(std::hypot(x - lx, y - (sea - 2)) - 1.8));
  }
  return c;
}

// Sunny coast: sky, sea with waves, sand.
Rgb seaside(double x, double y) {
  Rgb c = mix(hex(0x7CC8F2), hex(0xDDF3FF), y / 60.0);
  c = mix(c, hex(0xFFE27A), cover(std::hypot(x - 28, y - 26) - 12));
  double sea = 62, sand = 92 + 5 * std::sin(x / 16.0);
  if (y > sea) {
    c = mix(hex(0x2A8FC9), hex(0x17689E), (y - sea) / 30);
    double crest = std::fmod(y - sea + 2 * std::sin(x / 9.0), 8.0);
    c = mix(c, hex(0xBFE8FF), cover(std::abs(crest - 4) - 0.6) * 0.7);
  }
  c = mix(c, hex(0xF1D39A), cover(sand - y));
  c = mix(c, hex(0xF8F4EC), cover(std::abs(y - sand) - 0.8) * 0.8);  // foam line
  return c;
}

void write_image(const fs::path& path, const std::vector<uint8_t>& px) {
  bool ok = path.extension() == ".png"
                ? stbi_write_png(path.c_str(), kSize, kSize, 3, px.data(), kSize * 3)
                : stbi_write_jpg(path.c_str(), kSize, kSize, 3, px.data(), 88);
  if (!ok) throw std::runtime_error("cannot write " + path.string());
}

// ---- Tags ---------------------------------------------------------------------------------------

// ID3v1 text as CP1251 bytes, as many phones' files hold it.
class Cp1251 : public TagLib::ID3v1::StringHandler {
 public:
  TagLib::ByteVector render(const TagLib::String& s) const override {
    TagLib::ByteVector out;
    for (wchar_t c : s.toWString()) {
      if (c < 0x80) out.append(char(c));
      else if (c >= 0x410 && c <= 0x44F) out.append(char(0xC0 + (c - 0x410)));
      else if (c == 0x401) out.append(char(0xA8));
      else if (c == 0x451) out.append(char(0xB8));
      else out.append('?');
    }
    return out;
  }
};

TagLib::ByteVector file_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return TagLib::ByteVector(s.data(), unsigned(s.size()));
}

struct Tags {
  const char* file;
  const char* title;
  const char* artist;
  const char* album;
  unsigned year;
  const char* genre;
  unsigned track;
  int version;           // 3 or 4
  const char* picture;   // cover file in the work folder, or null
  const char* mime;
  bool id3v1;
};

void tag(const fs::path& mp3, const Tags& t, const fs::path& work) {
  TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(
      t.version == 4 ? TagLib::String::UTF8 : TagLib::String::UTF16);
  TagLib::MPEG::File f(mp3.c_str());
  if (!f.isValid()) throw std::runtime_error("not an MP3: " + mp3.string());
  TagLib::ID3v2::Tag* v2 = f.ID3v2Tag(true);
  auto u8 = [](const char* s) { return TagLib::String(s, TagLib::String::UTF8); };
  v2->setTitle(u8(t.title));
  v2->setArtist(u8(t.artist));
  v2->setAlbum(u8(t.album));
  v2->setYear(t.year);
  v2->setGenre(u8(t.genre));
  v2->setTrack(t.track);
  if (t.picture) {
    auto* pic = new TagLib::ID3v2::AttachedPictureFrame;
    pic->setMimeType(t.mime);
    pic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    pic->setTextEncoding(TagLib::String::Latin1);
    pic->setDescription("Cover");
    pic->setPicture(file_bytes(work / t.picture));
    v2->addFrame(pic);
  }
  int which = TagLib::MPEG::File::ID3v2;
  if (t.id3v1) {
    TagLib::ID3v1::Tag* v1 = f.ID3v1Tag(true);
    v1->setTitle(u8(t.title));
    v1->setArtist(u8(t.artist));
    v1->setAlbum(u8(t.album));
    v1->setYear(t.year);
    v1->setTrack(t.track);
    which |= TagLib::MPEG::File::ID3v1;
  }
  f.save(which, TagLib::File::StripOthers,
         t.version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "tones" && argc == 3) {
      fs::path work = argv[2];
      for (const Tune& t : tunes()) write_wav(work / (std::string(t.name) + ".wav"), t);
      write_image(work / "dawn.png", paint(dawn));
      write_image(work / "harbour.jpg", paint(harbour));
      write_image(work / "seaside.jpg", paint(seaside));
      return 0;
    }
    if (cmd == "tags" && argc == 4) {
      fs::path work = argv[2], samples = argv[3];
      static const Cp1251 cp1251;
      TagLib::ID3v1::Tag::setStringHandler(&cp1251);
      const Tags all[] = {
          {"01 Dawn Chorus.mp3", "Dawn Chorus", "Sine Collective", "Test Tones", 2024, "Ambient",
           1, 3, "dawn.png", "image/png", false},
          {"02 Полночный вальс.mp3", "Полночный вальс", "Квинта", "Ночные тона", 2023, "Вальс", 2,
           3, nullptr, nullptr, true},
          {"03 Harbour Lights.mp3", "Harbour Lights", "Sine Collective", "Test Tones", 2024,
           "Electronic", 3, 4, "harbour.jpg", "image/jpeg", false},
          {"05 Drift.mp3", "Drift (VBR)", "Pulse Array", "Variable", 2025, "Ambient", 5, 3, nullptr,
           nullptr, false},
          {"Seaside/06 Seaside.mp3", "Seaside", "Pulse Array", "Coastline", 2025, "Chillout", 6, 4,
           nullptr, nullptr, false},
      };
      for (const Tags& t : all) tag(samples / t.file, t, work);
      return 0;
    }
    std::fprintf(stderr, "usage: make-samples tones DIR | make-samples tags DIR SAMPLES\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-samples: %s\n", e.what());
    return 1;
  }
}
