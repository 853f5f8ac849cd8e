// Which notes a stroke sends, over every key, shift and key signature.
#include <gtest/gtest.h>

#include "engine/key_signature.h"
#include "tests/fakes/engine_rig.h"

namespace velmira {
namespace {

using namespace testing;

TEST(KeySignatures, OffsetsOfTheTwentyFourKeys) {
  // clang-format off
  const std::pair<int, int> table[] = {
      {1297, 0},  {1298, 2},  {1299, 4},  {1300, 5},  {1301, 7},  {1302, 9},
      {1303, -1}, {1304, 6},  {1305, 1},  {1312, -2}, {1313, 3},  {1314, -4},
      {1315, 3},  {1316, 5},  {1317, 7},  {1318, -4}, {1319, -2}, {1320, 0},
      {1321, 2},  {1328, 9},  {1329, 4},  {1330, -1}, {1331, 6},  {1332, 1}};
  // clang-format on
  for (const auto& [id, offset] : table) {
    int got = 99;
    EXPECT_TRUE(KeySignatureOffset(id, &got)) << id;
    EXPECT_EQ(got, offset) << id;
  }
  int count = 0;
  for (int id = 1200; id < 1400; ++id) {
    int unused;
    if (KeySignatureOffset(id, &unused)) ++count;
  }
  EXPECT_EQ(count, 24);
  for (int id : {1306, 1311, 1322, 1327, 1296, 1333, 0, -1}) EXPECT_FALSE(IsKeySignature(id)) << id;
}

TEST(NoteArithmetic, EveryKeyShiftAndKeyStaysWithin14And102) {
  int lowest = 1000, highest = -1000;
  for (int key : kKeySignatureIds) {
    for (int shift : {-1, 0, 1}) {
      for (int scan = 0; scan < kKeySlotCount; ++scan) {
        if (KeyMap[scan].octave == -1) continue;
        EngineRig rig;
        rig.Start();
        rig.state.keySignature = key;
        rig.state.bassDoubling = true;
        rig.modifiers.shift = shift == 1;
        rig.modifiers.ctrl = shift == -1;
        rig.Down(scan);
        int offset;
        ASSERT_TRUE(KeySignatureOffset(key, &offset));
        const int melody = BaseNote(KeyMap[scan]) + 12 * shift + offset;
        ASSERT_EQ(rig.service.messages.size(), 2u);
        EXPECT_EQ(rig.service.messages[0], NoteOn(0, melody));
        EXPECT_EQ(rig.service.messages[1], NoteOn(15, melody - 12));
        lowest = std::min(lowest, melody - 12);
        highest = std::max(highest, melody);
        rig.Up(scan);
        ASSERT_EQ(rig.service.messages.size(), 4u);
        EXPECT_EQ(rig.service.messages[2], NoteOff(0, melody));
        EXPECT_EQ(rig.service.messages[3], NoteOff(15, melody - 12));
      }
    }
  }
  EXPECT_EQ(lowest, 14);
  EXPECT_EQ(highest, 102);
}

TEST(NoteArithmetic, DocumentedExamples) {
  struct Case {
    int key;
    int scan;
    bool shift;
    int expected;
  } cases[] = {{1297, kScanA, false, 60}, {1297, kScanA, true, 72},  {1301, kScanA, false, 67},
               {1303, kScanA, false, 59}, {1320, kScanA, false, 60}, {1320, kScanH, false, 69},
               {1297, kScanD, false, 64}, {1297, kScanC, false, 64}};
  for (const Case& c : cases) {
    EngineRig rig;
    rig.Start();
    rig.state.keySignature = c.key;
    rig.modifiers.shift = c.shift;
    rig.Down(c.scan);
    ASSERT_EQ(rig.service.messages.size(), 1u);
    EXPECT_EQ(rig.service.messages[0], NoteOn(0, c.expected)) << c.key << " " << c.scan;
  }
}

TEST(NoteArithmetic, GapKeySignatureDrawsAndRecordsButSendsNothing) {
  for (int id = 1306; id <= 1311; ++id) {
    EngineRig rig;
    rig.Start();
    rig.state.keySignature = id;
    rig.state.bassDoubling = true;
    rig.Down(kScanA);
    rig.Up(kScanA);
    EXPECT_TRUE(rig.service.messages.empty());
    EXPECT_EQ(rig.drawer.caps.size(), 2u);
    EXPECT_EQ(rig.recorder.events.size(), 2u);
    EXPECT_EQ(rig.state.holdPlain, 0);
  }
}

TEST(NoteArithmetic, VelocityAndChannelApplyToMelodyAndBass) {
  EngineRig rig;
  rig.Start();
  rig.state.velocity = 40;
  rig.state.channel = 6;
  rig.state.bassDoubling = true;
  rig.Down(kScanA);
  EXPECT_EQ(rig.service.messages[0], NoteOn(6, 60, 40));
  EXPECT_EQ(rig.service.messages[1], NoteOn(15, 48, 40));
}

TEST(NoteArithmetic, EmptySlotsAndHighScanCodesDoNothing) {
  EngineRig rig;
  rig.Start();
  for (int scan : {0, 1, 14, 15, 28, 29, 41, 42, 43, 54, 0x36, 0x3B, 0xFF}) {
    rig.Down(scan);
    rig.Up(scan);
  }
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_TRUE(rig.drawer.caps.empty());
  EXPECT_TRUE(rig.recorder.events.empty());
  EXPECT_EQ(rig.state.holdPlain, 0);
}

TEST(Replay, UsesRecordedShiftAndCurrentSettings) {
  EngineRig rig;
  rig.Start();
  rig.state.bassDoubling = true;
  rig.state.keySignature = 1301;
  rig.modifiers.shift = true;  // ignored by replay
  rig.engine.ReplayKey(true, kScanA, -1);
  rig.engine.ReplayKey(false, kScanA, -1);
  const std::vector<uint32_t> expected = {NoteOn(0, 55), NoteOn(15, 43), NoteOff(0, 55),
                                          NoteOff(15, 43)};
  EXPECT_EQ(rig.service.messages, expected);
  const std::vector<DrawnCap> caps = {{kScanA - 0, true, true, -1}, {kScanA, false, true, -1}};
  EXPECT_EQ(rig.drawer.caps, caps);
  EXPECT_TRUE(rig.recorder.events.empty());
  EXPECT_EQ(rig.state.shiftState, 0);
  EXPECT_EQ(rig.state.holdPlain + rig.state.holdRaised + rig.state.holdLowered, 0);
}

TEST(Replay, OutOfRangeShiftIsSkippedEntirely) {
  EngineRig rig;
  rig.Start();
  for (int shift : {2, -2, 100, INT32_MIN}) {
    rig.engine.ReplayKey(true, kScanA, shift);
    rig.engine.ReplayKey(false, kScanA, shift);
  }
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_TRUE(rig.drawer.caps.empty());
}

}  // namespace
}  // namespace velmira
