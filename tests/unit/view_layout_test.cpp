// Geometry of the key block and of the main window.
#include <gtest/gtest.h>

#include "commands/command_ids.h"
#include "engine/key_map.h"
#include "tests/fakes/fake_midi_service.h"
#include "view/keyboard_geometry.h"
#include "view/window_layout.h"
#include "view/window_texts.h"

namespace velmira {
namespace {

TEST(WindowLayout, TheDocumentedExampleAt800By500) {
  const KeyboardOrigin origin = SetKeyboardOrigin(800, 500, 16);
  EXPECT_EQ(origin.x0, 162);
  EXPECT_EQ(origin.y0, 188);

  const ControlLayout layout = LayoutControls(800, 500, 10, 16);
  // clang-format off
  const ControlPlacement expected[kPlacedControlCount] = {
      {IDC_VELOCITY, 680, 150, 20, 200}, {IDC_PITCH_BEND, 720, 150, 20, 200},
      {1283, 210, 400, 60, 28},          {1284, 290, 400, 60, 28},
      {1285, 370, 400, 60, 28},          {1286, 450, 400, 60, 28},
      {1287, 530, 400, 60, 28}};
  // clang-format on
  for (int i = 0; i < kPlacedControlCount; ++i) {
    const ControlPlacement& got = layout.controls[i];
    EXPECT_EQ(got.id, expected[i].id);
    EXPECT_EQ(got.left, expected[i].left) << got.id;
    EXPECT_EQ(got.top, expected[i].top) << got.id;
    EXPECT_EQ(got.width, expected[i].width) << got.id;
    EXPECT_EQ(got.height, expected[i].height) << got.id;
  }

  const PaintLayout paint = LayoutPaint(800, 500, 10, 16, 800);
  EXPECT_EQ(paint.switchText, (Point{10, 436}));
  EXPECT_EQ(paint.deviceName, (Point{50, 436}));
  EXPECT_EQ(paint.channelText, (Point{200, 436}));
  EXPECT_EQ(paint.hint, (Point{10, 452}));
  EXPECT_EQ(paint.picture, (Point{314, 44}));
  EXPECT_EQ(paint.caption, (Point{485, 115}));
  EXPECT_EQ(paint.velocityCaption, (Point{675, 350}));
  EXPECT_EQ(paint.pitchCaption, (Point{715, 350}));
}

// At 332 x 257 (cw 7, ch 13) nearly every division leaves a remainder, so dividing before
// multiplying, or rounding down instead of toward zero, moves something. Worked by hand.
TEST(WindowLayout, EveryPositionAt332By257) {
  const KeyboardOrigin origin = SetKeyboardOrigin(332, 257, 13);
  EXPECT_EQ(origin.x0, -71);  // -143 / 2 = -71.5, toward zero
  EXPECT_EQ(origin.y0, 63);   // 13 + 101 / 2

  const ControlLayout layout = LayoutControls(332, 257, 7, 13);
  // Bars: 17 x 332 / 20 = 282.2, 18 x 332 / 20 = 298.8, 3 x 257 / 10 = 77.1, 332 / 40 = 8.3,
  // 4 x 257 / 10 = 102.8. Buttons: 8 x 257 / 10 = 205.6, 7 x 13 / 4 = 22.75, 166 + k x 7.
  const ControlPlacement expected[kPlacedControlCount] = {
      {IDC_VELOCITY, 282, 77, 8, 102}, {IDC_PITCH_BEND, 298, 77, 8, 102}, {1283, 33, 205, 42, 22},
      {1284, 89, 205, 42, 22},         {1285, 145, 205, 42, 22},          {1286, 201, 205, 42, 22},
      {1287, 257, 205, 42, 22}};
  for (int i = 0; i < kPlacedControlCount; ++i) {
    const ControlPlacement& got = layout.controls[i];
    EXPECT_EQ(got.id, expected[i].id);
    EXPECT_EQ(got.left, expected[i].left) << got.id;
    EXPECT_EQ(got.top, expected[i].top) << got.id;
    EXPECT_EQ(got.width, expected[i].width) << got.id;
    EXPECT_EQ(got.height, expected[i].height) << got.id;
  }

  // Status line at 257 - 52; picture at 161 / 2 = 80.5; captions at 7 x 257 / 10 = 179.9,
  // 135 x 332 / 160 = 280.1 and 143 x 332 / 160 = 296.7.
  const PaintLayout paint = LayoutPaint(332, 257, 7, 13, 332);
  EXPECT_EQ(paint.switchText, (Point{7, 205}));
  EXPECT_EQ(paint.deviceName, (Point{35, 205}));
  EXPECT_EQ(paint.channelText, (Point{140, 205}));
  EXPECT_EQ(paint.hint, (Point{7, 218}));
  EXPECT_EQ(paint.picture, (Point{80, 44}));
  EXPECT_EQ(paint.caption, (Point{251, 115}));
  EXPECT_EQ(paint.velocityCaption, (Point{280, 179}));
  EXPECT_EQ(paint.pitchCaption, (Point{296, 179}));

  // Caps at that origin: key 1 (row 0, half-column 0), Q (1, 1), ] (1, 23), Z (3, 3).
  EXPECT_EQ(CapRect(origin, 0x02), (Rect{-71, 63, -33, 102}));
  EXPECT_EQ(CapRect(origin, 0x10), (Rect{-52, 102, -14, 141}));
  EXPECT_EQ(CapRect(origin, 0x1B), (Rect{366, 102, 404, 141}));
  EXPECT_EQ(CapRect(origin, 0x2C), (Rect{-14, 180, 24, 219}));
  // A click at the client's left edge in row 1: (0 + 71 - 19) / 38 = 1, half-column 3: W.
  EXPECT_EQ(HitTestKey(origin, 0, 63 + 39 + 10), 0x11);
}

TEST(WindowLayout, SmallWindowsTruncateTowardZero) {
  const KeyboardOrigin small = SetKeyboardOrigin(300, 100, 16);
  EXPECT_EQ(small.x0, -87);
  EXPECT_EQ(small.y0, 16 - 28);
  EXPECT_EQ(LayoutPaint(100, 500, 10, 16, 100).picture.x, -35);
}

TEST(RecordingIndicator, LeftOfThePictureOnlyWhereItCoversNothing) {
  const RecordingIndicatorLayout at = LayoutPaint(800, 500, 10, 16, 800).recording;
  EXPECT_TRUE(at.shown);
  EXPECT_EQ(at.box, (Rect{10, 60, 130, 76}));
  EXPECT_EQ(at.dot, (Rect{10, 63, 20, 73}));
  EXPECT_EQ(at.text, (Point{25, 60}));
  // 500 wide, the picture at 164: shown 300 high; 250 high the keys come up to y 63.
  EXPECT_TRUE(LayoutRecordingIndicator(500, 300, 10, 16, 500).shown);
  EXPECT_FALSE(LayoutRecordingIndicator(500, 250, 10, 16, 500).shown);
  // 400 wide: the picture at 114 leaves less than a cell right of the box.
  EXPECT_FALSE(LayoutRecordingIndicator(400, 500, 10, 16, 400).shown);
  EXPECT_EQ(RecordingIndicatorText(59999), "录音中 0:59");
  EXPECT_EQ(RecordingIndicatorText(3723000), "录音中 62:03");
}

TEST(KeyboardGeometry, CapsOfEverySlotFormTheStaggeredBlock) {
  const KeyboardOrigin origin{100, 200};
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyMap[slot].halfColumn == -1) continue;
    const Rect cap = CapRect(origin, slot);
    EXPECT_EQ(cap.left, 100 + 19 * KeyMap[slot].halfColumn);
    EXPECT_EQ(cap.top, 200 + 39 * KeyMap[slot].row);
    EXPECT_EQ(cap.right - cap.left, 38);
    EXPECT_EQ(cap.bottom - cap.top, 39);
    EXPECT_LE(cap.right, 100 + kKeyBlockWidth);
    EXPECT_LE(cap.bottom, 200 + kKeyBlockHeight);
    // A click in the middle of every cap hits that cap.
    EXPECT_EQ(HitTestKey(origin, cap.left + 19, cap.top + 19), slot);
  }
  EXPECT_EQ(CapRect(origin, 0x1B).right, 100 + 475);  // ] at half-column 23
  EXPECT_EQ(LabelRect(Rect{10, 20, 48, 59}), (Rect{10, 16, 48, 55}));
}

TEST(KeyboardGeometry, HitTestEdges) {
  const KeyboardOrigin o{162, 188};
  // Right edge in row 1: column 25 clamps to 23, the last key of the row (]).
  EXPECT_EQ(HitTestKey(o, o.x0 + 475, o.y0 + 39 + 5), 0x1B);
  // 456..475 right of x0 in rows 0 and 2: column 24 clamps to 23, which those rows lack.
  EXPECT_EQ(HitTestKey(o, o.x0 + 456, o.y0 + 5), -1);
  EXPECT_EQ(HitTestKey(o, o.x0 + 475, o.y0 + 2 * 39 + 5), -1);
  EXPECT_EQ(HitTestKey(o, o.x0 + 455, o.y0 + 5), 0x0D);  // equals, half-column 22
  // The bottom edge counts as row 3.
  EXPECT_EQ(HitTestKey(o, o.x0 + 3 * 19 + 5, o.y0 + 156), 0x2C);  // Z
  // The first 19 pixels of row 1 hit Q at half-column 1; in row 3 nothing (it starts at 3).
  EXPECT_EQ(HitTestKey(o, o.x0, o.y0 + 39), 0x10);
  EXPECT_EQ(HitTestKey(o, o.x0 + 18, o.y0 + 39 + 20), 0x10);
  EXPECT_EQ(HitTestKey(o, o.x0 + 18, o.y0 + 3 * 39 + 20), -1);
  // Outside the block, bounds included as inside.
  EXPECT_EQ(HitTestKey(o, o.x0 - 1, o.y0 + 5), -1);
  EXPECT_EQ(HitTestKey(o, o.x0 + 5, o.y0 - 1), -1);
  EXPECT_EQ(HitTestKey(o, o.x0 + 476, o.y0 + 45), -1);
  EXPECT_EQ(HitTestKey(o, o.x0 + 5, o.y0 + 157), -1);
  EXPECT_EQ(HitTestKey(o, o.x0, o.y0), 0x02);  // the top-left corner: key 1
  // Row 3's last key is slash at half-column 21; half-column 23 of row 3 is empty.
  EXPECT_EQ(HitTestKey(o, o.x0 + 470, o.y0 + 3 * 39 + 5), -1);
}

TEST(KeyboardGeometry, EmptySlotsAreNeverHit) {
  const KeyboardOrigin o{0, 0};
  for (int y = 0; y <= 156; ++y) {
    for (int x = 0; x <= 475; ++x) {
      const int slot = HitTestKey(o, x, y);
      if (slot >= 0) {
        ASSERT_NE(KeyMap[slot].halfColumn, -1) << x << "," << y;
      }
    }
  }
}

TEST(KeyboardGeometry, CapCellsAndOctaveDots) {
  EXPECT_EQ(CapSourceX(false, 1), 0);
  EXPECT_EQ(CapSourceX(true, 0), 38);
  EXPECT_EQ(CapSourceX(true, 1), 76);
  EXPECT_EQ(CapSourceX(true, -1), 114);
  EXPECT_EQ(CapSourceX(true, 2), -1);
  const Rect cap{100, 50, 138, 89};
  EXPECT_EQ(OctaveDotBoxes(cap, 5).count, 0);
  OctaveDots six = OctaveDotBoxes(cap, 6);
  ASSERT_EQ(six.count, 1);
  EXPECT_EQ(six.boxes[0], (Rect{117, 53, 121, 57}));
  OctaveDots four = OctaveDotBoxes(cap, 4);
  ASSERT_EQ(four.count, 1);
  EXPECT_EQ(four.boxes[0], (Rect{117, 74, 121, 78}));
  OctaveDots three = OctaveDotBoxes(cap, 3);
  ASSERT_EQ(three.count, 2);
  EXPECT_EQ(three.boxes[1], (Rect{117, 80, 121, 84}));
}

TEST(MouseKeys, ClickHoldsTheSlotAndReleaseForgetsIt) {
  MouseKeys mouse;
  const KeyboardOrigin o{0, 0};
  EXPECT_EQ(mouse.MouseKeySlot(), 255u);
  EXPECT_EQ(mouse.ButtonUp(), -1);
  EXPECT_EQ(mouse.ButtonDown(o, 18, 3 * 39 + 20), -1);  // the empty margin of row 3
  EXPECT_EQ(mouse.MouseKeySlot(), 255u);
  EXPECT_EQ(mouse.ButtonDown(o, 2 * 19 + 5, 2 * 39 + 5), 0x1E);  // A
  EXPECT_EQ(mouse.MouseKeySlot(), 0x1Eu);
  EXPECT_EQ(MouseKeyData(0x1E), 0x001E0000u);
  EXPECT_EQ(mouse.ButtonUp(), 0x1E);
  EXPECT_EQ(mouse.MouseKeySlot(), 255u);
  EXPECT_EQ(mouse.ButtonUp(), -1);
}

TEST(InstrumentPicture, CellsByProgramAndDrumChannel) {
  EXPECT_EQ(InstrumentPictureIndex(0, 0), 0);
  EXPECT_EQ(InstrumentPictureIndex(0, 79), 9);
  EXPECT_EQ(InstrumentPictureIndex(0, 80), 10);
  EXPECT_EQ(InstrumentPictureIndex(0, 103), 10);
  EXPECT_EQ(InstrumentPictureIndex(0, 104), 11);
  EXPECT_EQ(InstrumentPictureIndex(0, 127), 13);
  for (int p : {0, 55, 90, 127}) EXPECT_EQ(InstrumentPictureIndex(9, p), 14);
  EXPECT_EQ(InstrumentPictureIndex(10, 55), 6);
}

TEST(WindowTexts, StatusLineHintCaptionsAndAnUnknownDevice) {
  PlayerState state;
  state.channel = 9;
  state.program = 73;  // 长笛
  testing::FakeMidiService midi;
  midi.mapperAvailable = false;  // the device -1 has no name to show
  const PaintLayout at = LayoutPaint(800, 500, 10, 16, 800);
  const std::vector<TextRun> runs = MainWindowTexts(at, state, midi);
  ASSERT_EQ(runs.size(), 7u);
  EXPECT_EQ(runs[0].text, "关闭");
  EXPECT_EQ(runs[1].text, "未知设备");
  EXPECT_EQ(runs[2].text, "声道 10");
  EXPECT_EQ(runs[2].at, at.channelText);
  EXPECT_EQ(runs[4].text, "长笛    1=C");
}

// Each rule that shows or hides the pedal and the recording indicator, one pixel each side of
// where it decides (cell 10 x 16): the pedal's right edge against the bars' captions (135 W /
// 160) and its bottom 8 pixels above the buttons (8 H / 10); the indicator a cell left of the
// picture, clear of the key block, and above the status line (H - 4 ch).
TEST(WindowLayout, TheShowAndHideRulesAtTheirThresholds) {
  auto pedal = [](int w, int h) { return !IsEmpty(LayoutKeyboard(w, h, 16).pedal); };
  auto indicator = [](int w, int h) { return LayoutRecordingIndicator(w, h, 10, 16, w).shown; };
  EXPECT_FALSE(pedal(220, 500));  // its right edge 186 beyond the captions at 185
  EXPECT_TRUE(pedal(221, 500));   // 186 <= 186
  EXPECT_FALSE(pedal(800, 494));
  EXPECT_TRUE(pedal(800, 495));
  EXPECT_FALSE(indicator(450, 500));  // 130 + 10 > (450 - 171) / 2 = 139
  EXPECT_TRUE(indicator(451, 500));   // 140 <= 140
  EXPECT_FALSE(indicator(500, 275));  // the key block's top (16 + 59 = 75) under the box
  EXPECT_TRUE(indicator(500, 276));   // 76: clear of the box ending at 76
  EXPECT_FALSE(indicator(800, 139));  // the box's bottom 76 below the status line at 75
  EXPECT_TRUE(indicator(800, 140));
}

TEST(KeyCaption, FormatsOfAllKeysAndUnknownIds) {
  EXPECT_EQ(KeyCaption(1297, "三角钢琴"), "三角钢琴    1=C");
  EXPECT_EQ(KeyCaption(1304, "x"), "x    1=#F");
  EXPECT_EQ(KeyCaption(1312, "x"), "x    1=bB");
  EXPECT_EQ(KeyCaption(1319, "x"), "x    6=g");
  EXPECT_EQ(KeyCaption(1329, "x"), "x    6=#c");
  EXPECT_EQ(KeyCaption(1332, "x"), "x    6=#a");
  EXPECT_EQ(KeyCaption(1306, "长笛"), "长笛");
  EXPECT_EQ(KeyCaption(0, "长笛"), "长笛");
  int withKey = 0;
  for (int id = 1297; id <= 1332; ++id) {
    if (KeyCaption(id, "") != "") ++withKey;
  }
  EXPECT_EQ(withKey, 24);
}

// The pedal: four caps wide, centred 8 pixels beneath the key block, only where it keeps 8
// pixels above the buttons; a click on it holds the space bar.
TEST(WindowLayout, PedalBeneathTheBlockOnlyWhereItFits) {
  const KeyboardOrigin origin = LayoutKeyboard(800, 500, 16);  // block at (162, 188)
  EXPECT_EQ(origin.pedal, (Rect{323, 352, 475, 391}));         // 391 + 8 < 400, the buttons' top
  MouseKeys mouse;
  EXPECT_EQ(mouse.ButtonDown(origin, 323, 390), 57);
  EXPECT_EQ(mouse.ButtonUp(), 57);
  EXPECT_EQ(mouse.ButtonDown(origin, 475, 360), -1);
  EXPECT_TRUE(IsEmpty(LayoutKeyboard(800, 480, 16).pedal));  // 8H/10 = 384: no room
  EXPECT_TRUE(IsEmpty(LayoutKeyboard(180, 900, 16).pedal));  // reaches the bars' captions
}

// The windows' minimum size: nothing covers anything there, and a pixel less in either
// direction would let something cover something (at 800 x 500 with a 19-pixel font the picture
// covered the top row of caps).
TEST(WindowLayout, TheMinimumSizeIsTheSmallestAtWhichNothingOverlaps) {
  EXPECT_FALSE(NothingOverlaps(800, 500, 9, 19));
  for (const auto& [cw, ch] : {std::pair{8, 16}, std::pair{9, 19}, std::pair{12, 24}}) {
    const ClientExtent smallest = MinimumClientSize(cw, ch);
    EXPECT_TRUE(NothingOverlaps(smallest.width, smallest.height, cw, ch)) << ch;
    EXPECT_FALSE(NothingOverlaps(smallest.width - 1, smallest.height, cw, ch)) << ch;
    EXPECT_FALSE(NothingOverlaps(smallest.width, smallest.height - 1, cw, ch)) << ch;
  }
}

}  // namespace
}  // namespace velmira
