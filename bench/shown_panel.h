// The benchmarks' phone: playing a folder of music, with the add-on started and its panel slid in.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/codes.h"
#include "mp3w/mp3_writer.h"
#include "phone/phone.h"
#include "player/media_player.h"
#include "screen/keys.h"
#include "test_phone.h"

namespace bench {

// Three tracks of a minute each, tagged as a real album would be.
inline void write_album(const std::filesystem::path& dir) {
  for (int i = 1; i <= 3; ++i) {
    mp3w::Frame f;
    f.bitrate = 1;  // 32 kbit/s keeps the files small
    mp3w::Id3v2Tag tag(3);
    tag.text("TIT2", "Track " + std::to_string(i)).text("TPE1", "Bench").text("TALB", "Album");
    mp3w::write_file(dir / ("0" + std::to_string(i) + ".mp3"),
                     mp3w::join({tag.bytes(), mp3w::frames(f, 60 * 44100 / 1152)}));
  }
}

struct ShownPanel {
  ts::TempDir music;
  std::unique_ptr<host::Phone> phone;

  // `write_music` fills the music folder the player plays.
  explicit ShownPanel(host::Options options = {},
                      const std::function<void(const std::filesystem::path&)>& write_music =
                          write_album) {
    write_music(music.path());
    phone = std::make_unique<host::Phone>(std::move(options));
    ts::install_skin(*phone);
    phone->player().start(music.path());
    phone->queue().settle();
    phone->start_addon();
    phone->keys().press(host::codes::KEY_MUSIC);
    phone->queue().run_for(3000);
  }
  ~ShownPanel() {
    phone->send_event(host::codes::TERMINATE_REQUEST, nullptr);
    phone->player().close();
    phone->queue().settle();
  }
  ShownPanel(const ShownPanel&) = delete;
  ShownPanel& operator=(const ShownPanel&) = delete;
};

}  // namespace bench
