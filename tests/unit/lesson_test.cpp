// Songs as the keyboard plays them and the lessons that teach them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "commands/command_ids.h"
#include "engine/key_map.h"
#include "score/song.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

TEST(SongKeys, EachNoteOnItsKeyToTheCornersOfTheRange) {
  int lowest = 100, highest = -100;
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (const KeySlot* key = PlayableSlot(slot)) {
      lowest = std::min(lowest, BaseNote(*key) - 60);
      highest = std::max(highest, BaseNote(*key) - 60);
    }
  }
  KeyChoice key;
  // The 1 of the A row before the number row's and the Z row's keys of the same pitch.
  ASSERT_TRUE(ChooseKey(0, &key));
  EXPECT_EQ(key.slot, kScanA);
  EXPECT_EQ(key.shift, 0);
  ASSERT_TRUE(ChooseKey(lowest - 12, &key));
  EXPECT_EQ(key.shift, -1);
  ASSERT_TRUE(ChooseKey(highest + 12, &key));
  EXPECT_EQ(key.shift, 1);
  EXPECT_FALSE(ChooseKey(lowest - 13, &key));
  EXPECT_FALSE(ChooseKey(highest + 13, &key));

  // A chord is struck under one shift: the lowest note with the highest reaches Shift and Ctrl
  // apart, one that no single shift reaches is refused.
  Score song;
  song.bars.resize(1);
  ScoreItem chord;
  chord.pitches = {PitchOfSemitones(highest - 11), PitchOfSemitones(highest + 12)};
  song.bars[0].items = {chord};
  SongKeys keys;
  std::string error;
  ASSERT_TRUE(ChooseSongKeys(song, &keys, &error)) << error;
  EXPECT_EQ(keys[0][0][0].shift, 1);
  EXPECT_EQ(keys[0][0][1].shift, 1);
  song.bars[0].items[0].pitches = {PitchOfSemitones(lowest - 1), PitchOfSemitones(highest)};
  EXPECT_FALSE(ChooseSongKeys(song, &keys, &error));
  EXPECT_NE(error.find("第 1 小节"), std::string::npos) << error;
}

struct LessonRig : AppRig {
  RecordingDrawer drawer;
  std::string song = ::testing::TempDir() + "velmira-lesson.txt";

  // Opens a song of 1 2 3 in waiting mode.
  LessonRig() {
    std::ofstream(song) << "title: Three notes\n1=C 4/4 q=100\n| 1 2 3 - ||\n";
    app.SetDrawer(&drawer);
    app.OnCreate();
    ui.chosenFiles = {song};
    app.OnCommand(CMD_LEARN_SONG);
  }
  ~LessonRig() { std::remove(song.c_str()); }
  int Marked() const { return drawer.marks.size() == 1 ? drawer.marks[0].slot : -1; }
  void Strike(int scan) {
    Down(scan);
    clock.now += 100;
    Up(scan);
    clock.now += 100;
  }
};

TEST(Lesson, WaitingModeWaitsForTheRightKeyAndTellsHowItWent) {
  LessonRig rig;
  EXPECT_TRUE(rig.scoreUi.shown);
  EXPECT_EQ(rig.Marked(), kScanA);
  // The key under each note in the score while the lesson runs.
  const ScoreLayout& page = rig.app.ScorePage(600);
  EXPECT_TRUE(std::any_of(page.primitives.begin(), page.primitives.end(),
                          [](const auto& p) { return p.ink == ScoreInk::Hint && p.text == "S"; }));

  rig.Strike(kScanD);  // wrong: sounds, counts, moves nothing on
  EXPECT_EQ(rig.Marked(), kScanA);
  rig.Strike(kScanA);
  EXPECT_EQ(rig.Marked(), kScanS);
  rig.app.OnFocusLost();  // a repaint or a released key keeps the mark
  EXPECT_EQ(rig.Marked(), kScanS);
  rig.Strike(kScanS);
  rig.Down(kScanD);
  EXPECT_TRUE(rig.drawer.marks.empty());
  EXPECT_TRUE(rig.app.recorder().state().recording);  // until the last key comes up
  rig.Up(kScanD);
  ASSERT_FALSE(rig.ui.messages.empty());
  EXPECT_EQ(rig.ui.messages.back().caption, "学习结果");
  EXPECT_EQ(rig.ui.messages.back().text, "弹对的音: 2 / 3\n错键: 1 次");
  // What was played is an unsaved take of its own, without a tempo.
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_TRUE(rig.app.document().modified);
  EXPECT_EQ(rig.app.events().count(), 8u);
  EXPECT_FALSE(rig.app.document().tempo.known());
}

TEST(Lesson, ALessonNotYetBegunGivesWayToHearingTheSong) {
  LessonRig rig;
  EXPECT_TRUE(rig.ui.menuEnabled[CMD_PLAY_SONG]);
  rig.app.OnCommand(CMD_PLAY_SONG);
  EXPECT_TRUE(rig.drawer.marks.empty());
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_TRUE(rig.ui.messages.empty());  // no result box for a lesson not begun
  rig.app.OnCommand(CMD_PLAY_STOP);
  EXPECT_EQ(rig.Marked(), kScanA);
  EXPECT_TRUE(rig.app.recorder().state().recording);
  // Once begun, the lesson keeps the song to itself.
  rig.Strike(kScanA);
  EXPECT_FALSE(rig.ui.menuEnabled[CMD_PLAY_SONG]);
}

TEST(Lesson, EscEndsItAndABadSongChangesNothing) {
  LessonRig rig;
  rig.Strike(kScanA);
  rig.app.OnChar(27);
  EXPECT_TRUE(rig.drawer.marks.empty());
  EXPECT_EQ(rig.ui.messages.back().text, "弹对的音: 1 / 3\n错键: 0 次");

  std::ofstream(rig.song) << "1=C 4/4 q=100\n| 1 2 x ||\n";
  const size_t messages = rig.ui.messages.size();
  const int keySignature = rig.app.state().keySignature;
  rig.ui.chosenFiles = {rig.song};
  rig.app.OnCommand(CMD_LEARN_SONG);
  ASSERT_EQ(rig.ui.messages.size(), messages + 1);
  EXPECT_NE(rig.ui.messages.back().text.find("第 2 行"), std::string::npos);
  EXPECT_TRUE(rig.drawer.marks.empty());
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_EQ(rig.app.state().keySignature, keySignature);
}

}  // namespace
}  // namespace velmira
