// Standard MIDI File export: exact bytes, timing, transposition and the bass track.
#include <gtest/gtest.h>

#include <vector>

#include "record/midi_export.h"

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Vlq(uint32_t value) {
  Bytes out;
  AppendVariableLength(out, value);
  return out;
}

Bytes Encode(const std::vector<PerformanceEvent>& events, int32_t key = 1297, int program = 0,
             bool bass = false) {
  Bytes out;
  EXPECT_TRUE(EncodeMidiFile(events.data(), static_cast<uint32_t>(events.size()), key, program,
                             bass, &out));
  return out;
}

// The event part of track 1: after the 14-byte header, "MTrk", the length, tempo (7) and
// program change (3); before the 13-byte tail.
Bytes MelodyEvents(const Bytes& file) {
  return Bytes(file.begin() + 14 + 8 + 10,
               file.begin() + 14 + 8 + 10 +
                   (file[18] << 24 | file[19] << 16 | file[20] << 8 | file[21]) - 23);
}

TEST(MidiExport, TwoEventExampleIsByteExact) {
  const Bytes file = Encode({{0, 256, 0x1E0000, 0}, {1000, 257, 0x1E0000, 0}});
  // clang-format off
  const Bytes expected = {
      'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x00, 0xC0,
      'M', 'T', 'r', 'k', 0, 0, 0, 0x20,
      0x00, 0xFF, 0x51, 0x03, 0x0B, 0x96, 0xC6,
      0x00, 0xC0, 0x00,
      0x00, 0x90, 0x3C, 0x7F,
      0x81, 0x7C, 0x80, 0x3C, 0x7F,
      0x83, 0x0F, 0x90, 0x01, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  // clang-format on
  EXPECT_EQ(file, expected);
}

TEST(MidiExport, VariableLengthQuantities) {
  EXPECT_EQ(Vlq(0), Bytes{0x00});
  EXPECT_EQ(Vlq(0x7F), Bytes{0x7F});
  EXPECT_EQ(Vlq(0x80), (Bytes{0x81, 0x00}));
  EXPECT_EQ(Vlq(252), (Bytes{0x81, 0x7C}));   // 1000 ms
  EXPECT_EQ(Vlq(7583), (Bytes{0xBB, 0x1F}));  // 30 s
  EXPECT_EQ(Vlq(0x0FFFFFFF), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_EQ(TicksAtMs(3), 0u);
  EXPECT_EQ(TicksAtMs(4), 1u);
  EXPECT_EQ(TicksAtMs(1000), 252u);
  EXPECT_EQ(TicksAtMs(30000), 7583u);
  EXPECT_EQ(TicksAtMs(0xFFFFFFFFull), 0xFFFFFFFFull * 192000 / 759494);
  EXPECT_EQ(TicksAtMs(0xFFFFFFFFFFFFull), (unsigned __int128)0xFFFFFFFFFFFFull * 192000 / 759494);
}

TEST(MidiExport, TimingFollowsTheAbsoluteTimeWithinOneTick) {
  // 400 events 20 ms apart: converted one by one, each would lose up to a tick.
  std::vector<PerformanceEvent> events;
  for (int i = 0; i < 400; ++i) events.push_back({20, 256u + i % 2, 0x1E0000, 0});
  const Bytes file = Encode(events);
  const Bytes part = MelodyEvents(file);
  uint64_t ticks = 0, ms = 0;
  size_t p = 0;
  for (int i = 0; i < 400; ++i) {
    uint32_t delta = 0;
    while (part[p] & 0x80) delta = (delta << 7) | (part[p++] & 0x7F);
    delta = (delta << 7) | part[p++];
    p += 3;
    ticks += delta;
    ms += 20;
    const double exact = ms * 192000.0 / 759494.0;
    EXPECT_LE(exact - static_cast<double>(ticks), 1.0) << i;
    EXPECT_GE(exact - static_cast<double>(ticks), 0.0) << i;
  }
  EXPECT_EQ(p, part.size());
  EXPECT_EQ(ticks, TicksAtMs(8000));  // 2022, where per-event rounding would give 400 x 5
}

// Each note sounds where playback puts it: transposed by the key, shifted by its own Shift (+1)
// or Ctrl (-1); its key-up ends the note its key-down started.
TEST(MidiExport, TranspositionAndTheOctaveShiftOfEachNote) {
  const std::vector<PerformanceEvent> events = {{0, 256, 0x1E0000, 1},
                                                {4, 257, 0x1E0000, -1},
                                                {0, 256, 0x1F0000, -1},
                                                {4, 257, 0x1F0000, -1}};
  EXPECT_EQ(MelodyEvents(Encode(events, 1301))[2], 79);  // G major: +7, Shift
  EXPECT_EQ(MelodyEvents(Encode(events, 1319))[2], 70);  // g minor: -2, Shift
  const Bytes c = MelodyEvents(Encode(events, 1297));
  EXPECT_EQ(c, (Bytes{0x00, 0x90, 72, 0x7F, 0x01, 0x80, 72, 0x7F,     // A with Shift
                      0x00, 0x90, 50, 0x7F, 0x01, 0x80, 50, 0x7F}));  // S with Ctrl
}

// The bass track doubles every note an octave below the melody's, Shift included, and holds the
// pedal (controller 64) with it.
TEST(MidiExport, BassDoublingWritesFormat1WithABassTrack) {
  const Bytes file = Encode({{0, 256, 0x390000, 0},
                             {0, 256, 0x1E0000, 1},
                             {1000, 257, 0x1E0000, 1},
                             {0, 257, 0x390000, 0}},
                            1297, 40, true);
  EXPECT_EQ(file[9], 1);   // format 1
  EXPECT_EQ(file[11], 2);  // two tracks
  const size_t second = 14 + 8 + 0x28;
  ASSERT_GT(file.size(), second + 8);
  const Bytes track2(file.begin() + second, file.end());
  // clang-format off
  const Bytes expected = {'M', 'T', 'r', 'k', 0, 0, 0, 0x1F,
                          0x00, 0xFF, 0x51, 0x03, 0x0B, 0x96, 0xC6,
                          0x00, 0xCF, 40,
                          0x00, 0xBF, 64, 0x7F,
                          0x00, 0x9F, 60, 0x7F,
                          0x81, 0x7C, 0x8F, 60, 0x7F,
                          0x00, 0xBF, 64, 0x00,
                          0x00, 0xFF, 0x2F, 0x00};
  // clang-format on
  EXPECT_EQ(track2, expected);
  EXPECT_EQ(file[14 + 8 + 9], 40);  // the melody's program change carries the program too
}

TEST(MidiExport, UnplayableEventsAreSkippedWithTheirPauseCarried) {
  const Bytes part = MelodyEvents(Encode({{500, 256, 0x3B0000, 0},  // F1: plays nothing
                                          {500, 256, 0x1E0000, 0},
                                          {0, 257, 0xFF0000, 0},  // beyond the key map
                                          {1000, 257, 0x1E0000, 0}}));
  // 1000 ms gives 252 ticks; 2000 ms gives 505, so the second delta is 253.
  EXPECT_EQ(part, (Bytes{0x81, 0x7C, 0x90, 60, 0x7F, 0x81, 0x7D, 0x80, 60, 0x7F}));
}

TEST(MidiExport, UnknownKeySignatureOrProgramFails) {
  const PerformanceEvent one[1] = {{0, 256, 0x1E0000, 0}};
  Bytes out;
  EXPECT_FALSE(EncodeMidiFile(one, 1, 1306, 0, false, &out));
  EXPECT_FALSE(EncodeMidiFile(one, 1, 0, 0, false, &out));
  EXPECT_FALSE(EncodeMidiFile(one, 1, 1297, 128, false, &out));
  const std::string path = ::testing::TempDir() + "velmira-refused.mid";
  std::remove(path.c_str());
  EXPECT_NE(ExportMidiFile(one, 1, 1306, 0, false, path.c_str()), nullptr);
  EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);  // no file left
}

TEST(MidiExport, PauseBeyondTheFormatFails) {
  // 0x0FFFFFFF ticks is about twelve days; two pauses of 2^32 - 1 ms exceed it.
  const PerformanceEvent events[2] = {{0xFFFFFFFF, 256, 0x1E0000, 0},
                                      {0xFFFFFFFF, 257, 0x1E0000, 0}};
  Bytes out;
  EXPECT_FALSE(EncodeMidiFile(events, 2, 1297, 0, false, &out));
}

// With a tempo: its Set Tempo and Time Signature events, and ticks at that tempo with the first
// bar line on a bar line of the file. At 120 a minute in 4/4 after a bar of count-in (2000 ms),
// beat 3 of bar 2 (5000 ms) lies at tick 768 + 768 + 384; a stroke of the count-in before it.
TEST(MidiExport, ATempoWritesItsEventsAndPutsTheBarsOnTheFilesBars) {
  const Tempo tempo{500000, 4, 4, 2000};
  Bytes file;
  ASSERT_TRUE(EncodeMidiFile(std::vector<PerformanceEvent>{{1500, 256, 0x1E0001, 0},
                                                           {100, 257, 0xC01E0001, 0},
                                                           {3400, 256, 0x1F0001, 0},
                                                           {500, 257, 0xC01F0001, 0}}
                                 .data(),
                             4, 1297, 0, false, &file, tempo));
  // clang-format off
  const Bytes head = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                      0x00, 0xFF, 0x58, 0x04, 4, 2, 24, 8,
                      0x00, 0xC0, 0x00};
  // clang-format on
  ASSERT_GT(file.size(), 22 + head.size());
  EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 22 + head.size()), head);
  uint64_t tick = 0;
  std::vector<std::pair<uint64_t, uint8_t>> notes;  // tick and status
  for (size_t p = 22 + head.size(); file[p + 1] != 0xFF;) {
    uint32_t delta = 0;
    while (file[p] & 0x80) delta = (delta << 7) | (file[p++] & 0x7F);
    delta = (delta << 7) | file[p++];
    tick += delta;
    notes.emplace_back(tick, file[p]);
    p += 3;
  }
  EXPECT_EQ(notes, (std::vector<std::pair<uint64_t, uint8_t>>{
                       {576, 0x90},
                       {614, 0x80},
                       {1920, 0x90},
                       {2112, 0x80},
                       {2511, 0x90},
                       {2511, 0x80}}));  // the tail's silent note 399 ticks after the last
  const Tempo compound{500000, 6, 8, 0};
  ASSERT_TRUE(EncodeMidiFile(std::vector<PerformanceEvent>{{0, 256, 0x1E0001, 0}}.data(), 1, 1297,
                             0, false, &file, compound));
  EXPECT_EQ(Bytes(file.begin() + 29, file.begin() + 37),
            (Bytes{0x00, 0xFF, 0x58, 0x04, 6, 3, 36, 8}));  // a click a dotted quarter
}

}  // namespace
}  // namespace velmira
