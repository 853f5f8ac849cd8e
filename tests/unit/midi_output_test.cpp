#include <gtest/gtest.h>

#include <array>

#include "engine/midi_output.h"
#include "tests/fakes/fake_midi_service.h"

namespace velmira {
namespace {

class MidiOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.Open(kMidiMapper, &state.midiOut));
    state.switchedOn = true;
  }
  PlayerState state;
  testing::FakeMidiService service;
  MidiOutput midi{state, service};
};

// The bytes of a message, lowest first.
std::array<int, 4> Bytes(uint32_t m) {
  return {int(m & 0xFF), int((m >> 8) & 0xFF), int((m >> 16) & 0xFF), int(m >> 24)};
}

TEST_F(MidiOutputTest, SendersPackTheDocumentedBytes) {
  EXPECT_EQ(midi.SendNoteOn(0, 5, 0, 127), 60);
  EXPECT_EQ(midi.SendNoteOff(0, 5, 0, 0), 60);
  midi.SendProgramChange(15, 0);
  midi.SendPitchBend(0, 8191);
  midi.SendShortMessage(0xB0, 3, 123, 0);
  ASSERT_EQ(service.messages.size(), 5u);
  EXPECT_EQ(Bytes(service.messages[0]), (std::array<int, 4>{0x90, 0x3C, 0x7F, 0}));
  EXPECT_EQ(Bytes(service.messages[1]), (std::array<int, 4>{0x80, 0x3C, 0x00, 0}));
  EXPECT_EQ(Bytes(service.messages[2]), (std::array<int, 4>{0xCF, 0x00, 0x00, 0}));
  EXPECT_EQ(Bytes(service.messages[3]), (std::array<int, 4>{0xE0, 0x7F, 0x3F, 0}));
  EXPECT_EQ(Bytes(service.messages[4]), (std::array<int, 4>{0xB3, 0x7B, 0x00, 0}));
}

TEST_F(MidiOutputTest, PitchBendSplitsIntoSevenBitHalves) {
  midi.SendPitchBend(2, 0);
  midi.SendPitchBend(2, 16383);
  midi.SendPitchBend(2, 16382);
  EXPECT_EQ(service.messages[0], 0x0000E2u);
  EXPECT_EQ(service.messages[1], 0x7F7FE2u);
  EXPECT_EQ(service.messages[2], 0x7F7EE2u);
}

TEST_F(MidiOutputTest, AllNotesOffGoesToSixteenChannelsInOrder) {
  midi.SendAllNotesOff();
  ASSERT_EQ(service.messages.size(), 16u);
  for (uint32_t c = 0; c < 16; ++c) EXPECT_EQ(service.messages[c], (0xB0u | c) | (123u << 8));
}

TEST_F(MidiOutputTest, NotesAreTransposedByTheKeySignature) {
  state.keySignature = 1301;  // G major
  EXPECT_EQ(midi.SendNoteOn(1, 5, 0, 100), 67);
  EXPECT_EQ(service.messages.back(), 0x90u | 1 | (67u << 8) | (100u << 16));
  state.keySignature = 1306;  // an id in the gap: nothing is sent
  EXPECT_EQ(midi.SendNoteOn(1, 5, 0, 100), -1);
  EXPECT_EQ(midi.SendNoteOff(1, 5, 0, 0), -1);
  EXPECT_EQ(service.messages.size(), 1u);
}

TEST_F(MidiOutputTest, NothingIsSentWhileSwitchedOff) {
  state.switchedOn = false;
  midi.SendAllNotesOff();
  midi.SendProgramChange(0, 5);
  midi.SendNoteOn(0, 5, 0, 127);
  EXPECT_TRUE(service.messages.empty());
}

}  // namespace
}  // namespace velmira
