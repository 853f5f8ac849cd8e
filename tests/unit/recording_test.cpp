// Recording live strokes into the EventBuffer, and the PlaybackBuffer built from it.
#include <gtest/gtest.h>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

struct RecordRig : AppRig {
  explicit RecordRig(Reallocate reallocate = &std::realloc) : AppRig(reallocate) { app.OnCreate(); }
  void At(uint32_t ms) { clock.now = ms; }
  void Key(bool down, int scan, bool autoRepeat = false) {
    KeyEvent key = down ? testing::Down(scan, modifiers) : testing::Up(scan);
    key.autoRepeat = autoRepeat;
    app.OnKey(key);
  }
};

TEST(Recording, EventsCarryDelaysShiftsAndTheWholeKeyData) {
  RecordRig rig;
  rig.At(5000);
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_TRUE(rig.app.recorder().state().recording);
  rig.At(7000);
  rig.Key(true, kScanA);        // struck two seconds after the start
  rig.Key(true, kScanA, true);  // auto-repeat: not recorded
  rig.Key(true, kScanA, true);
  rig.At(7250);
  rig.Key(false, kScanA);
  rig.modifiers.ctrl = true;
  rig.At(7300);
  rig.Key(true, 0x3B);  // F1: not in the key map, never recorded
  rig.Key(true, kScanS);
  rig.At(7301);
  rig.Key(false, kScanS);
  rig.app.OnCommand(CMD_RECORD_STOP);
  const EventBuffer& events = rig.app.events();
  ASSERT_EQ(events.count(), 4u);
  const PerformanceEvent* e = events.events();
  EXPECT_EQ(e[0].deltaMs, 2000u);
  EXPECT_EQ(e[0].message, 256u);
  EXPECT_EQ(e[0].keyData, KeyData(kScanA) | 1);
  EXPECT_EQ(e[0].octaveShift, 0);
  EXPECT_EQ(e[1].deltaMs, 250u);
  EXPECT_EQ(e[1].message, 257u);
  EXPECT_EQ(e[1].keyData, KeyData(kScanA) | 0xC0000001u);
  EXPECT_EQ(e[2].deltaMs, 50u);
  EXPECT_EQ(e[2].octaveShift, -1);
  EXPECT_EQ(e[3].deltaMs, 1u);
  EXPECT_EQ(e[3].octaveShift, -1);
  EXPECT_TRUE(rig.app.document().modified);
  // The PlaybackBuffer is a copy, not the same array.
  ASSERT_EQ(rig.app.playbackBuffer().count(), 4u);
  EXPECT_NE(rig.app.playbackBuffer().events(), events.events());
  EXPECT_EQ(rig.app.playbackBuffer().events()[3].keyData, e[3].keyData);
}

TEST(Recording, TheIndicatorShowsTheRecordersClockAndTicksOnlyWhileRecording) {
  RecordRig rig;
  rig.At(10000);
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_TRUE(rig.ui.recordingTick);
  const int repaints = rig.ui.indicatorRepaints;
  rig.At(10999);
  rig.app.OnRecordingTick();  // the same second: nothing to repaint
  EXPECT_EQ(rig.ui.indicatorRepaints, repaints);
  rig.At(71000);
  rig.app.OnRecordingTick();
  EXPECT_EQ(rig.ui.indicatorRepaints, repaints + 1);
  EXPECT_EQ(rig.app.Indicator().text, "录音中 1:01");
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_FALSE(rig.ui.recordingTick);
  EXPECT_EQ(rig.app.Indicator().text, "");
}

TEST(Recording, DeltaIsTakenModulo2To32) {
  RecordRig rig;
  rig.At(0xFFFFFF00u);
  rig.app.OnCommand(CMD_RECORD_START);
  rig.At(0x00000100u);
  rig.Key(true, kScanA);
  EXPECT_EQ(rig.app.events().events()[0].deltaMs, 0x200u);
}

TEST(Recording, EmptyRecordingLeavesNothingAndClearsModified) {
  RecordRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Key(true, kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_TRUE(rig.app.document().modified);
  rig.ui.answers = {MessageAnswer::No};
  rig.app.OnCommand(CMD_RECORD_START);  // asked first; No discards the unsaved performance
  EXPECT_EQ(rig.app.events().count(), 0u);
  EXPECT_EQ(rig.ui.messages.size(), 1u);
  rig.Key(false, kScanA);  // a key-up before the first key-down is dropped
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_EQ(rig.app.events().count(), 0u);
  EXPECT_FALSE(rig.app.document().modified);
  EXPECT_EQ(rig.app.playbackBuffer().count(), 0u);
  for (int id : {CMD_PLAY, CMD_PLAY_LOOP, CMD_SAVE, CMD_SAVE_AS, CMD_EXPORT_MIDI})
    EXPECT_FALSE(rig.ui.menuEnabled[id]) << id;
  EXPECT_TRUE(rig.ui.menuEnabled[CMD_RECORD_START]);
}

TEST(Recording, KeysHeldAcrossStartAndStop) {
  RecordRig rig;
  rig.Key(true, kScanD);  // held since before the start
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Key(true, kScanA);
  rig.Key(false, kScanD);  // stored as a key-up without its key-down
  rig.Key(true, kScanS);   // still held when the recording stops
  rig.app.OnCommand(CMD_RECORD_STOP);
  rig.Key(false, kScanS);
  rig.Key(false, kScanA);
  const EventBuffer& events = rig.app.events();
  ASSERT_EQ(events.count(), 3u);
  EXPECT_EQ(events.events()[1].message, 257u);
  EXPECT_EQ(KeySlotOf(events.events()[1].keyData), kScanD);
  EXPECT_EQ(events.events()[2].message, 256u);
}

TEST(Recording, SettingsChangesAddNoEvent) {
  RecordRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Key(true, kScanA);
  rig.app.OnCommand(1301);
  rig.app.OnCommand(1030);
  rig.app.OnCommand(770);
  rig.app.OnCommand(CMD_BASS);
  rig.app.OnBar(IDC_VELOCITY, BarAction::LineDown, 0);
  rig.app.OnBar(IDC_PITCH_BEND, BarAction::Track, 100);
  rig.app.OnChar(27);
  EXPECT_EQ(rig.app.events().count(), 1u);
}

// Over an unsaved take too: switched off, nothing is asked about it, and it stays.
TEST(Recording, StartWhileSwitchedOffOnlyAsksForTheSwitch) {
  RecordRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Key(true, kScanA);
  rig.Key(false, kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
  rig.app.OnCommand(CMD_SWITCH_OFF);
  rig.ui.menuEnabled.clear();
  rig.app.OnCommand(CMD_RECORD_START);
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].text, "请打开开关");
  EXPECT_EQ(rig.ui.messages[0].caption, "提示");
  EXPECT_EQ(rig.ui.messages[0].icon, MessageIcon::None);
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_TRUE(rig.ui.menuEnabled.empty());
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_TRUE(rig.app.document().modified);
}

TEST(Recording, ReplayedEventsAreNeverRecorded) {
  RecordRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  rig.app.engine().ReplayKey(true, kScanA, 0);
  rig.app.engine().ReplayKey(false, kScanA, 0);
  EXPECT_EQ(rig.app.events().count(), 0u);
}

// realloc that fails once a budget of bytes is exceeded.
size_t g_budget = 0;
void* LimitedRealloc(void* block, size_t bytes) {
  if (bytes > g_budget) return nullptr;
  return std::realloc(block, bytes);
}

TEST(EventBuffer, FailedEnlargementKeepsEveryRecordedEvent) {
  g_budget = 64 * sizeof(PerformanceEvent);
  EventArray events(&LimitedRealloc);
  for (uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(events.Append({i, 256, i << 16, 0}));
  EXPECT_FALSE(events.Append({99, 256, 0, 0}));
  ASSERT_EQ(events.count(), 64u);
  for (uint32_t i = 0; i < 64; ++i) EXPECT_EQ(events.events()[i].deltaMs, i);
  g_budget = 1 << 20;
  EXPECT_TRUE(events.Append({64, 257, 0, 0}));
  EXPECT_EQ(events.count(), 65u);
  EXPECT_EQ(events.events()[63].deltaMs, 63u);
}

TEST(Recording, AStrokeLostForWantOfMemoryCountsInTheNextEventsDelay) {
  g_budget = 64 * sizeof(PerformanceEvent);  // the EventBuffer cannot grow past 64 events
  RecordRig rig(&LimitedRealloc);
  rig.At(1000);
  rig.app.OnCommand(CMD_RECORD_START);
  for (uint32_t i = 0; i < 32; ++i) {
    rig.At(1010 + 20 * i);
    rig.Key(true, kScanA);
    rig.At(1020 + 20 * i);
    rig.Key(false, kScanA);
  }
  rig.At(1700);  // 60 ms after the last event kept, at 1640
  rig.Key(true, kScanS);
  EXPECT_EQ(rig.app.events().count(), 64u);
  g_budget = 1 << 20;
  rig.At(1900);
  rig.Key(false, kScanS);
  rig.app.OnCommand(CMD_RECORD_STOP);
  ASSERT_EQ(rig.app.events().count(), 65u);
  const PerformanceEvent* e = rig.app.events().events();
  for (uint32_t i = 0; i < 64; ++i) {
    EXPECT_EQ(e[i].deltaMs, 10u) << i;
    EXPECT_EQ(e[i].message, i % 2 == 0 ? 256u : 257u) << i;
  }
  EXPECT_EQ(e[64].deltaMs, 260u);  // the lost key-down's 60 ms and the 200 after it
  EXPECT_EQ(e[64].message, 257u);
  EXPECT_EQ(KeySlotOf(e[64].keyData), kScanS);
}

TEST(EventBuffer, FailedCopyLeavesAnEmptyPlaybackBufferAndTellsTheUser) {
  g_budget = 0;
  PlaybackBuffer playback(&LimitedRealloc);
  FakeUi ui;
  const PerformanceEvent one[1] = {{0, 256, 0x1E0000, 0}};
  EXPECT_FALSE(RebuildPlaybackBuffer(playback, one, 1, ui));
  EXPECT_TRUE(playback.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "内存分配错误.");
  EXPECT_EQ(ui.messages[0].caption, "错误");
  EXPECT_FALSE(ui.messages[0].owned);
  EXPECT_TRUE(RebuildPlaybackBuffer(playback, nullptr, 0, ui));  // 0 events is no failure
  EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace velmira
