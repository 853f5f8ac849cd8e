#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "engine/key_map.h"
#include "record/key_data.h"

namespace velmira {
namespace {

TEST(KeyMap, HasFortyFivePlayableAndNineEmptySlots) {
  const std::set<int> empty = {0, 1, 14, 15, 28, 29, 41, 42, 43};
  int playable = 0;
  for (int i = 0; i < kKeySlotCount; ++i) {
    const KeySlot& slot = KeyMap[i];
    if (empty.count(i)) {
      EXPECT_EQ(slot.octave, -1) << i;
      EXPECT_EQ(slot.semitone, -1) << i;
      EXPECT_EQ(slot.row, -1) << i;
      EXPECT_EQ(slot.halfColumn, -1) << i;
      EXPECT_EQ(slot.label, nullptr) << i;
    } else {
      ++playable;
      EXPECT_GE(slot.octave, 3);
      EXPECT_LE(slot.octave, 6);
      EXPECT_GE(slot.semitone, 0);
      EXPECT_LE(slot.semitone, 11);
    }
  }
  EXPECT_EQ(playable, 45);
}

TEST(KeyMap, CoversNotes42To81WithoutGapAndFiveDoubledNotes) {
  std::map<int, std::set<int>> keysOfNote;
  for (int i = 0; i < kKeySlotCount; ++i) {
    if (KeyMap[i].octave != -1) keysOfNote[BaseNote(KeyMap[i])].insert(i);
  }
  EXPECT_EQ(keysOfNote.size(), 40u);
  for (int note = 42; note <= 81; ++note) EXPECT_EQ(keysOfNote.count(note), 1u) << note;
  // clang-format off
  const std::map<int, std::set<int>> doubled = {
      {47, {0x05, 0x12}}, {52, {0x08, 0x15}}, {64, {0x20, 0x2E}},
      {71, {0x24, 0x32}}, {76, {0x27, 0x35}}};
  // clang-format on
  for (const auto& [note, keys] : keysOfNote) {
    auto it = doubled.find(note);
    if (it == doubled.end()) {
      EXPECT_EQ(keys.size(), 1u) << note;
    } else {
      EXPECT_EQ(keys, it->second) << note;
    }
  }
}

TEST(KeyMap, LabelsFollowSemitonesAndAreShared) {
  const char* expected[12] = {"1", "b2", "2", "b3", "3", "4", "b5", "5", "b6", "6", "b7", "7"};
  for (const KeySlot& slot : KeyMap) {
    if (slot.octave == -1) continue;
    EXPECT_STREQ(slot.label, expected[slot.semitone]);
    EXPECT_EQ(slot.label, kDegreeLabels[slot.semitone]);  // one shared string per label
  }
}

TEST(KeyMap, RowsAndHalfColumnsFormTheStaggeredBlock) {
  std::set<std::pair<int, int>> positions;
  std::map<int, std::set<int>> columnsOfRow;
  for (const KeySlot& slot : KeyMap) {
    if (slot.octave == -1) continue;
    EXPECT_TRUE(positions.insert({slot.row, slot.halfColumn}).second)
        << "two slots share row " << slot.row << " half-column " << slot.halfColumn;
    columnsOfRow[slot.row].insert(slot.halfColumn);
  }
  const int first[4] = {0, 1, 2, 3};
  const int last[4] = {22, 23, 22, 21};
  for (int row = 0; row < 4; ++row) {
    std::set<int> expected;
    for (int c = first[row]; c <= last[row]; c += 2) expected.insert(c);
    EXPECT_EQ(columnsOfRow[row], expected) << "row " << row;
  }
}

TEST(KeyMap, LookupUsesScanCodeBitsOnly) {
  // Keypad slash: scan code 0x35 with the extended flag plays like slash.
  const KeySlot* slash = PlayableSlot(KeySlotOf((0x35u << 16) | (1u << 24) | 1u));
  ASSERT_NE(slash, nullptr);
  EXPECT_EQ(BaseNote(*slash), 76);
  EXPECT_EQ(PlayableSlot(KeySlotOf(54u << 16)), nullptr);
  EXPECT_EQ(PlayableSlot(KeySlotOf(0xFFu << 16)), nullptr);
  EXPECT_EQ(PlayableSlot(KeySlotOf(0x2Au << 16)), nullptr);             // left Shift
  EXPECT_EQ(PlayableSlot(KeySlotOf(0x1Cu << 16 | 1u << 24)), nullptr);  // keypad Enter
  const std::map<int, int> examples = {{0x02, 42}, {0x10, 43}, {0x1E, 60}, {0x28, 77},
                                       {0x1B, 81}, {0x20, 64}, {0x2E, 64}};
  for (const auto& [scan, note] : examples) {
    ASSERT_NE(PlayableSlot(scan), nullptr);
    EXPECT_EQ(BaseNote(*PlayableSlot(scan)), note) << scan;
  }
}

}  // namespace
}  // namespace velmira
