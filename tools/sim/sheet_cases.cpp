#include "sim/sheet_cases.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "mp3w/mp3_writer.h"

namespace fs = std::filesystem;
using namespace mp3w;

namespace sheet {
namespace {

constexpr int kSlideStepMs = 80;

// An ordinary stream: MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo.
Frame ordinary_frame() {
  Frame f;
  f.mode = JOINT_STEREO;
  return f;
}

// Silent audio of about `seconds`, with an Info header as encoders write for CBR.
Bytes audio(const Frame& f, int seconds) {
  const int count = int(int64_t(seconds) * sample_rate(f) / samples_per_frame(f));
  return join({xing_frame(f, uint32_t(count), std::nullopt, true), frames(f, count)});
}

Bytes tagged(const Id3v2Tag& tag, const Bytes& sound) { return join({tag.bytes(), sound}); }

Id3v2Tag plain_tags(const std::string& title) {
  Id3v2Tag tag(3);
  tag.text("TIT2", title).text("TPE1", "The Sample Band").text("TALB", "Songs for a Skin");
  tag.text("TYER", "2024").text("TCON", "Pop").text("TRCK", "1");
  return tag;
}

void write_text(const fs::path& path, const std::string& text) {
  std::ofstream f(path, std::ios::trunc);
  f << text;
  if (!f.flush()) throw std::runtime_error("cannot write " + path.string());
}

// The tracks, each folder a play list of its own.
struct Tracks {
  fs::path root;
  fs::path folder(const std::string& name) const { return root / "tracks" / name; }
  fs::path write(const std::string& folder_name, const std::string& file, const Bytes& bytes) const {
    write_file(folder(folder_name) / file, bytes);
    return folder(folder_name);
  }
};

// The script of one case: the player and the add-on start, `before` runs, the hot key shows the
// panel, the run waits `wait_ms`, `after` runs, and the screen is shot.
std::string script(const std::string& name, const std::string& label, const std::string& before,
                   int wait_ms, const std::string& after) {
  return "# " + label + "\nplayer start\nwait 500\n" + before + "addon start\nwait 500\nkey hot\n" +
         "wait " + std::to_string(wait_ms) + "\n" + after + "shot " + name + ".png\n";
}

}  // namespace

std::vector<Case> write_cases(const fs::path& root, const PanelFacts& facts) {
  const Tracks t{root};
  const Frame f = ordinary_frame();

  const fs::path ordinary =
      t.write("ordinary", "01 Harbour Lights.mp3", tagged(plain_tags("Harbour Lights"), audio(f, 150)));
  const fs::path long_title = t.write(
      "long-title", "01 Long.mp3",
      tagged(Id3v2Tag(3)
                 .text("TIT2", "A Title Far Too Long for Any Panel (Extended Live Version, Remastered)")
                 .text("TPE1", "The Orchestra of the Long Names and Their Friends from Abroad")
                 .text("TALB", "The Complete Recordings, Volume Seventeen: The Later Years"),
             audio(f, 150)));
  // No tag at all: the phone shows the file's name.
  const fs::path untagged = t.write("no-tags", "07 A track without any tags.mp3", audio(f, 150));
  const fs::path cyrillic = t.write(
      "cyrillic", "01 Песня.mp3",
      tagged(Id3v2Tag(3)
                 .text("TIT2", "Песня о далёкой звезде", Enc::Utf16)
                 .text("TPE1", "Ансамбль «Северный ветер»", Enc::Utf16)
                 .text("TALB", "Ночные огни", Enc::Utf16),
             audio(f, 150)));
  // ID3v1 alone, in CP1251 as many phones' files hold it.
  Id3v1 v1;
  v1.title = "Осенний вальс";
  v1.artist = "Городской оркестр";
  v1.album = "Старые пластинки";
  v1.year = "1987";
  const fs::path id3v1 = t.write("id3v1-cp1251", "01 Вальс.mp3", join({audio(f, 150), mp3w::id3v1(v1)}));
  const fs::path embedded = t.write(
      "embedded-cover", "01 Cover.mp3",
      tagged(plain_tags("A Cover in the Tag").picture(tiny_jpeg(120, 120), "image/jpeg"), audio(f, 150)));
  // A cover.jpg beside a track that has none of its own.
  const fs::path beside = t.write("cover-jpg", "01 Beside.mp3", tagged(plain_tags("A cover.jpg Beside"), audio(f, 150)));
  write_file(beside / "cover.jpg", tiny_jpeg(200, 200));
  const fs::path large = t.write(
      "large-cover", "01 Wide.mp3",
      tagged(plain_tags("A Large, Wide Cover").picture(tiny_jpeg(1600, 600), "image/jpeg"),
             audio(f, 150)));
  // An hour and a few seconds at the smallest stream there is: MPEG-2.5, 8 kbit/s, 8000 Hz, mono.
  Frame small;
  small.version = MPEG25;
  small.bitrate = 1;
  small.frequency = 2;
  small.mode = SINGLE_CHANNEL;
  const fs::path hour = t.write("hour-long", "01 Hour.mp3",
                                tagged(plain_tags("An Hour Long"), audio(small, 3605)));
  // 999 tracks: 998 times the same one, then the last.
  t.write("999", "filler.mp3", tagged(plain_tags("One of Many"), audio(f, 150)));
  t.write("999", "last.mp3", tagged(plain_tags("The Last of 999"), audio(f, 150)));
  std::string list = "#EXTM3U\n";
  for (int i = 1; i < 999; ++i) list += "filler.mp3\n";
  list += "last.mp3\n";
  const fs::path many = t.folder("999") / "list.m3u";
  write_text(many, list);

  // The slide: steps of HIDE_SPEED pixels every 80 ms until the panel's top reaches rcFON's.
  const int offset = std::max(facts.screen_h - facts.fon_top, 1);
  const int steps = (offset + facts.speed - 1) / facts.speed;
  const int shown_ms = steps * kSlideStepMs + 1500;  // and a play-time tick's redraw
  const int mid_ms = steps / 2 * kSlideStepMs + kSlideStepMs / 2;

  struct Row {
    std::string name, label;
    fs::path music;
    std::string before;
    int wait_ms;
    std::string after;
  };
  std::vector<Row> rows;
  rows.push_back({"shown", facts.buttons > 0 ? "shown, button 1 selected, no cover" : "shown, no cover",
                   ordinary, "", shown_ms, ""});
  rows.push_back({"mid-slide", "mid-slide", ordinary, "", mid_ms, ""});
  for (int b = 2; b <= facts.buttons; ++b) {
    std::string keys;
    for (int k = 1; k < b; ++k) keys += "key right\nwait 200\n";
    rows.push_back({"button-" + std::to_string(b), "button " + std::to_string(b) + " selected",
                     ordinary, "", shown_ms, keys});
  }
  // Paused as a person pauses on the phone: with the play/pause button, when there is one.
  if (facts.play_pause > 0) {
    std::string keys;
    for (int k = 1; k < facts.play_pause; ++k) keys += "key right\nwait 200\n";
    rows.push_back({"paused", "paused by button " + std::to_string(facts.play_pause), ordinary, "",
                     shown_ms, keys + "key enter\nwait 1000\n"});
  } else {
    rows.push_back({"paused", "paused", ordinary, "", shown_ms, "player pause\nwait 1000\n"});
  }
  rows.push_back({"long-title", "a long title, artist and album", long_title, "", shown_ms, ""});
  rows.push_back({"no-tags", "no tags: the file name", untagged, "", shown_ms, ""});
  rows.push_back({"cyrillic", "Cyrillic (ID3v2, UTF-16)", cyrillic, "", shown_ms, ""});
  rows.push_back({"id3v1-cp1251", "ID3v1 alone, CP1251", id3v1, "", shown_ms, ""});
  rows.push_back({"embedded-cover", "a cover in the tag", embedded, "", shown_ms, ""});
  rows.push_back({"cover-jpg", "cover.jpg beside the track", beside, "", shown_ms, ""});
  rows.push_back({"large-cover", "a large wide cover (1600x600)", large, "", shown_ms, ""});
  rows.push_back({"hour-long", "an hour-long track, near its end", hour, "", shown_ms,
                   "player seek 3590\nwait 1000\n"});
  rows.push_back({"last-of-999", "the last of 999 tracks", many, "player prev\nwait 500\n",
                   shown_ms, ""});

  std::vector<Case> cases;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& s = rows[i];
    std::string name = (i < 9 ? "0" : "") + std::to_string(i + 1) + "-" + s.name;
    std::string text = script(name, s.label, s.before, s.wait_ms, s.after);
    write_text(root / (name + ".txt"), text);
    cases.push_back({name, s.label, s.music, std::move(text)});
  }
  return cases;
}

}  // namespace sheet
