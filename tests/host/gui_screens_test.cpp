// The screens the phone itself draws beneath the GUI objects: the media player's screen while it
// runs, the idle screen when it does not. TS_GFX_DUMP=folder keeps PNGs of them for a look.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/event_queue.h"
#include "core/service_table.h"
#include "core/text_store.h"
#include "gfx_test_util.h"
#include "player/media_player.h"
#include "player_test_util.h"
#include "screen/gui_manager.h"

namespace {

void dump(host::Phone& p, const char* name) {
  if (const char* dir = std::getenv("TS_GFX_DUMP")) p.screen().save_png(std::filesystem::path(dir) / name);
}

// Pixels that differ between two frames inside a box.
int changed(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int w, host::Box box) {
  int n = 0;
  for (int y = box.y1; y < box.y2; ++y)
    for (int x = box.x1; x < box.x2; ++x) n += a[size_t(y * w + x)] != b[size_t(y * w + x)];
  return n;
}

TEST(GuiScreens, PlayerScreenFollowsTheTrackAndTheClock) {
  player_test::TempDir music;
  mp3w::Id3v2Tag tag(3);
  tag.text("TIT2", "Звёздная ночь", mp3w::Enc::Utf16).text("TPE1", "Artist Name", mp3w::Enc::Latin1);
  player_test::write_silent_mp3(music / "01.mp3", 65000, tag.bytes());
  player_test::write_silent_mp3(music / "02.mp3", 30000);

  auto phone = gfx_test::make_phone();
  host::GuiManager& gui = phone->gui();
  gui.refresh_screen();
  const auto idle = gfx_test::pixels(phone->screen());
  dump(*phone, "idle.png");

  phone->player().start(music.path());
  phone->queue().run_for(3000);
  gui.refresh_screen();
  const auto at3 = gfx_test::pixels(phone->screen());
  dump(*phone, "player.png");
  EXPECT_GT(changed(idle, at3, 240, {0, 0, 240, 320}), 5000);

  phone->queue().run_for(10000);
  gui.refresh_screen();
  const auto at13 = gfx_test::pixels(phone->screen());
  // The clock and the progress line moved; the title area stayed.
  EXPECT_GT(changed(at3, at13, 240, {0, 170, 240, 230}), 0);
  EXPECT_EQ(changed(at3, at13, 240, {0, 134, 240, 150}), 0);

  phone->player().close();
  phone->queue().settle();
  gui.refresh_screen();
  EXPECT_EQ(gfx_test::pixels(phone->screen()), idle);
}

}  // namespace

namespace {

// A display class drawing what the panel draws with the default skin: the backdrop left to the
// screen beneath, the background picture, outlined labels, the cover and the buttons.
struct SkinProbe {
  static inline IMAGEID fon = NOIMAGE, cover = NOIMAGE, keys[5] = {}, key_s = NOIMAGE;
  static inline TEXTID title = EMPTY_TEXT, artist = EMPTY_TEXT;
  static void outlined(int font, TEXTID t, int x, int y) {
    host::svc::fw_set_font(font);
    for (auto [dx, dy] : {std::pair{-1, -1}, {-1, 1}, {1, -1}, {1, 1}})
      host::svc::fw_draw_text(t, 0, x + dx, y + dy, 240 + dx, y + 100, 60, 5, 0xFF000000, 0);
    host::svc::fw_draw_text(t, 0, x, y, 240, y + 100, 60, 5, 0xFFFFFFFF, 0);
  }
  static void constr(DISP_DESC* d) {
    host::svc::fw_disp_desc_set_on_redraw(d, [](DISP_OBJ* obj, int, int, int) {
      GC* gc = host::svc::fw_get_gc(obj);
      host::svc::fw_draw_image(gc, 0, 240, 240, 80, fon);
      outlined(25, title, 1, 239);
      outlined(18, artist, 1, 254);
      host::svc::fw_draw_image(gc, 171, 241, 60, 60, cover);
      for (int k = 0; k < 5; ++k)
        host::svc::fw_draw_image(gc, 60 + k * 22, 299, 20, 20, k == 2 ? key_s : keys[k]);
      host::svc::fw_draw_rect(104, 299, 124, 319, 0xFFFFFFFF, 0);
    });
  }
};

}  // namespace

TEST(GuiScreens, DefaultSkinUnderOutlinedLabelsOverThePlayerScreen) {
  player_test::TempDir music;
  player_test::write_silent_mp3(music / "a.mp3", 5000);
  auto phone = gfx_test::make_phone();
  phone->player().start(music.path());
  phone->queue().run_for(1000);

  const std::filesystem::path skin = std::filesystem::path(TS_SOURCE_DIR) / "skin" / "default";
  auto load = [&](const char* name) {
    auto im = host::decode_image_file(skin / name);
    EXPECT_TRUE(im) << name;
    return im ? phone->images().add(std::move(*im)) : NOIMAGE;
  };
  SkinProbe::fon = load("Fon.png");
  SkinProbe::cover = load("NoCover.png");
  const char* keys[5] = {"Key1.png", "Key2.png", "Key3.png", "Key4.png", "Key5.png"};
  for (int k = 0; k < 5; ++k) SkinProbe::keys[k] = load(keys[k]);
  SkinProbe::key_s = load("Key3_S.png");
  for (const char* n : {"Key1_S.png", "Key2_S.png", "Key3_1.png", "Key3_1_S.png", "Key4_S.png",
                        "Key5_S.png"})
    EXPECT_TRUE(host::decode_image_file(skin / n)) << n;
  SkinProbe::title = phone->texts().create(u"Звёздная ночь — Night");
  SkinProbe::artist = phone->texts().create(u"Artist Name");

  GUI storage{};
  ASSERT_EQ(phone->gui().create(&storage, nullptr, &SkinProbe::constr, nullptr), &storage);
  phone->gui().set_backdrop(phone->gui().disp_obj(&storage), 0);
  phone->gui().show(&storage);
  phone->gui().compose();
  dump(*phone, "panel.png");

  // The labels are white on the dark background: bright pixels in the title row, none above the
  // panel's top edge changed by it.
  int bright = 0;
  for (int y = 240; y < 254; ++y)
    for (int x = 0; x < 160; ++x) bright += phone->screen().pixel(x, y) == 0xFFFFFFFFu;
  EXPECT_GT(bright, 20);
  // The background's top edge line is drawn at the panel's top.
  EXPECT_NE(phone->screen().pixel(200, 240), phone->screen().pixel(200, 239));
  phone->gui().free(&storage);
}
