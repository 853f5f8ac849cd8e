// Key strokes at the core's boundary: the key data that recordings store, and the filter that
// keeps a held key from striking again where the window system repeats it as new strokes.
#include <gtest/gtest.h>

#include <string>

#include "app/key_repeat_filter.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

TEST(KeyData, PackedAsTheWindowsKeyMessagesAndTheMouseKeep) {
  KeyEvent down = Down(0x35);
  down.extended = true;
  EXPECT_EQ(PackKeyData(down), 0x01350001u);  // keypad slash
  down.autoRepeat = true;
  down.repeatCount = 3;
  EXPECT_EQ(PackKeyData(down), 0x41350003u);
  EXPECT_EQ(PackKeyData(Up(0x1E)), 0xC01E0001u);
  KeyEvent mouse = Up(0x1E);
  mouse.mouse = true;
  EXPECT_EQ(PackKeyData(mouse), 0x001E0000u);
}

// The key-up that the program makes when the window loses the keyboard is the one the key's own
// key-up would have been: a recording cannot tell them apart.
TEST(KeyData, FocusLossReleasesAKeyAsItsOwnKeyUpWould) {
  AppRig rig;
  rig.app.OnCreate();
  RecordingRecorder recorder;
  rig.app.engine().SetRecorder(&recorder);
  KeyEvent slash = Down(0x35);
  slash.extended = true;
  rig.app.OnKey(slash);
  rig.app.OnFocusLost();
  KeyEvent up = Up(0x35);
  up.extended = true;
  ASSERT_EQ(recorder.events.size(), 2u);
  EXPECT_EQ(recorder.events[1].keyData, PackKeyData(up));
  EXPECT_EQ(rig.service.messages.back(), NoteOff(0, 76));
}

struct Strokes {
  std::string log;
  void operator()(int key, bool down) { log += std::to_string(key) + (down ? "v " : "^ "); }
};

TEST(KeyRepeatFilter, AHeldKeyStrikesOnceWhateverTheServerSends) {
  KeyRepeatFilter filter;
  Strokes strokes;
  auto deliver = [&](int key, bool down) { strokes(key, down); };
  // Detectable auto-repeat: more presses, one release.
  filter.Press(30, 100, deliver);
  filter.Press(30, 130, deliver);
  filter.Press(30, 160, deliver);
  EXPECT_FALSE(filter.Release(30, 170, deliver));
  EXPECT_EQ(strokes.log, "30v 30^ ");

  // Release/press pairs of one moment: the release waits, the pair's press takes it back.
  filter.SetPairedRepeats(true);
  strokes.log.clear();
  filter.Press(31, 200, deliver);
  EXPECT_TRUE(filter.Release(31, 230, deliver));
  filter.Press(31, 230, deliver);
  EXPECT_TRUE(filter.Release(31, 260, deliver));
  filter.Press(30, 262, deliver);  // another key: the release was real
  EXPECT_TRUE(filter.Release(30, 300, deliver));
  filter.Flush(deliver);  // no press came in time
  EXPECT_EQ(strokes.log, "31v 31^ 30v 30^ ");
}

TEST(KeyRepeatFilter, KeysHeldAcrossAFocusChangeStayDownAndReleasedOnesAreForgotten) {
  KeyRepeatFilter filter;
  Strokes strokes;
  auto deliver = [&](int key, bool down) { strokes(key, down); };
  filter.Press(30, 1, deliver);
  filter.Press(31, 2, deliver);
  // The focus went away and came back: 30 is still held, 31 was released meanwhile.
  filter.Resync([](int key) { return key == 30; });
  filter.Press(30, 50, deliver);  // 30's repeat strikes nothing
  filter.Press(31, 60, deliver);  // 31 struck again
  EXPECT_EQ(strokes.log, "30v 31v 31v ");
}

}  // namespace
}  // namespace velmira
