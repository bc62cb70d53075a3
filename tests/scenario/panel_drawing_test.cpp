// Whole runs of the panel: what a frame draws: the labels with their outlines, the progress bar, the buttons.
#include "panel_fixture.h"

namespace panel_scenario {
namespace {

// ---- Drawing --------------------------------------------------------------------------------

TEST_F(PanelScenario, TitleIsDrawnWithFourOutlinePassesAndThenItsText) {
  Start();
  ShowAndSettle();
  ClearTrace();
  Run(1000);  // one play-time tick: one frame at rest
  std::vector<std::string> frame = LastFrame();
  auto texts = Only(frame, "fw_draw_text(");
  ASSERT_GE(texts.size(), 5u);
  auto box = [](const std::string& l) {
    auto a = Args(l);
    return a.at(1) + " " + a.at(2) + " " + a.at(3) + " " + a.at(4) + " " + a.at(5) + " " + a.at(6) +
           " " + a.at(7) + " " + a.at(8) + " " + a.at(9);
  };
  // Alignment, box, the constants 60 and 5, the colour and 0; the outline in opaque black.
  EXPECT_EQ(box(texts[0]), "0 0 238 239 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[1]), "0 0 240 239 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[2]), "0 2 238 241 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[3]), "0 2 240 241 339 60 5 4278190080 0");
  EXPECT_EQ(box(texts[4]), "0 1 239 240 339 60 5 4294967295 0");
  // All five passes draw the title's text, in its font (25), after the panel font was set.
  for (int i = 1; i < 5; ++i) EXPECT_EQ(Args(texts[i]).at(0), Args(texts[0]).at(0));
  auto fonts = Only(frame, "fw_set_font(");
  ASSERT_GE(fonts.size(), 2u);
  EXPECT_EQ(fonts[0], "fw_set_font(" + std::to_string(codes::FONT_E_20R) + ")");
  EXPECT_EQ(fonts[1], "fw_set_font(25)");
  EXPECT_EQ(phone().texts().get(TEXTID(std::stoul(Args(texts[0])[0])))->size(), 6u);  // "Song 1"
  // Enabled labels: title, artist, album, bitrate, frequency, channels, elapsed, length, track
  // number: five passes each. The track number ("1/3") lives for this frame only.
  EXPECT_EQ(texts.size(), 9u * 5u);
  TEXTID track_number = TEXTID(std::stoul(Args(texts.back())[0]));
  EXPECT_EQ(phone().texts().get(track_number), nullptr);
  // The context and the font are given back as they were.
  EXPECT_EQ(Only(frame, "fw_set_font(").back(), "fw_set_font(" + std::to_string(codes::FONT_E_20R) + ")");
  EXPECT_EQ(Only(frame, "fw_gc_set_flag(").size(), 2u);
}

TEST_F(PanelScenario, ProgressBarEndsWhereThePlayTimeSays) {
  const std::string bar = "IS_PROGBAR_EN=1";
  const std::string rect = "rcBAR=10,110,230,240";
  // The elapsed part is drawn in colour 2 (opaque black) from x1 to its end.
  auto ends = [this] {
    std::vector<int> out;
    for (const auto& l : Trace("fw_draw_rect(10, "))
      if (l.ends_with(", 4278190080, 4278190080)")) out.push_back(std::stoi(Args(l).at(2)));
    return out;
  };
  {
    Start({bar, rect}, {120});
    ShowAndSettle();
    // The whole bar first, in colour 1.
    EXPECT_EQ(Only(LastFrame(), "fw_draw_rect(10, ").at(0),
              "fw_draw_rect(10, 229, 110, 239, 4294967295, 4294967295)");
    Run(30500 - phone().queue().now());
    ASSERT_FALSE(ends().empty());
    EXPECT_EQ(ends().back(), 35);  // 30 of 120 seconds
    TerminateAndCheck();
  }
  {
    Start({bar, rect}, {3});
    Press(kHotKey);
    Run(1500 - phone().queue().now());
    ASSERT_FALSE(ends().empty());
    EXPECT_EQ(ends().back(), 43);  // 1 of 3 seconds: 43.33 cut to 43
    for (int e : ends()) EXPECT_LE(e, 110);
    TerminateAndCheck();
  }
}

TEST_F(PanelScenario, ButtonsFollowTheCountAndTheSelection) {
  Start({"FUNCTION_KEY_COUNT=3"});
  ShowAndSettle();
  const int key1 = ImageId("Key1.png"), key3 = ImageId("Key3.png"), key2_s = ImageId("Key2_S.png");
  Press(codes::KEY_RIGHT);
  // Buttons 1 and 3 plain, then the frame of button 2 and its selected picture; 4 and 5 absent.
  EXPECT_EQ(ButtonImages(), (std::vector<std::pair<int, int>>{{138, key1}, {178, key3}, {158, key2_s}}));
  auto rects = Only(LastFrame(), "fw_draw_rect(");
  ASSERT_FALSE(rects.empty());
  EXPECT_EQ(rects.back(), "fw_draw_rect(158, 299, 178, 319, 4294967295, 0)");
  TerminateAndCheck();

  // No buttons counted: only the selected one is drawn.
  Start({"FUNCTION_KEY_COUNT=0"});
  ShowAndSettle();
  EXPECT_EQ(ButtonImages(), (std::vector<std::pair<int, int>>{{138, ImageId("Key1_S.png")}}));
  Press(codes::KEY_LEFT);  // 1 - 1 = 0 is below 1: it becomes the count, 0, and nothing is selected
  EXPECT_TRUE(ButtonImages().empty());
  EXPECT_EQ(SelectedX(), -1);
  Press(codes::KEY_RIGHT);  // 0 + 1 is above the count: back to 1
  EXPECT_EQ(SelectedX(), 138);
  TerminateAndCheck();

  // Buttons off: none and no frame, whatever is selected.
  Start({"FUNCTION_KEY_ENABLED=0"});
  ShowAndSettle();
  EXPECT_TRUE(ButtonImages().empty());
  EXPECT_EQ(SelectedX(), -1);
}

TEST_F(PanelScenario, ButtonThreeShowsPlayOrPause) {
  Start({"FUNCTION_KEY3=2"});
  ShowAndSettle();
  const int key3 = ImageId("Key3.png"), key3_1 = ImageId("Key3_1.png");
  const int key3_s = ImageId("Key3_S.png"), key3_1_s = ImageId("Key3_1_S.png");
  auto at = [this](int x) {
    for (auto [bx, id] : ButtonImages())
      if (bx == x) return id;
    return -1;
  };
  EXPECT_EQ(at(178), key3);  // playing
  Press(codes::KEY_RIGHT);
  Press(codes::KEY_RIGHT);
  EXPECT_EQ(at(178), key3_s);
  Press(codes::KEY_ENTER);  // button 3 runs play and pause
  EXPECT_FALSE(phone().player().playing());
  EXPECT_EQ(at(178), key3_1_s);
  Press(codes::KEY_RIGHT);
  EXPECT_EQ(at(178), key3_1);
}

}  // namespace
}  // namespace panel_scenario
