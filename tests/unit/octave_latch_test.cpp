// The octave-shift latch and its three hold counters, odd paths included.
#include <gtest/gtest.h>

#include "tests/fakes/engine_rig.h"

namespace velmira {
namespace {

using namespace testing;

int Holds(const PlayerState& s) { return s.holdLowered + s.holdPlain + s.holdRaised; }

TEST(OctaveLatch, ShiftReleasedBeforeKeyUpStillEndsTheRaisedNote) {
  EngineRig rig;
  rig.Start();
  rig.modifiers.shift = true;
  rig.Down(kScanA);
  rig.modifiers.shift = false;
  rig.Up(kScanA);
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{NoteOn(0, 72), NoteOff(0, 72)}));
  EXPECT_EQ(rig.state.shiftState, 0);
  EXPECT_EQ(Holds(rig.state), 0);
}

TEST(OctaveLatch, HeldKeysShareTheFirstKeysShift) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);            // unshifted
  rig.modifiers.shift = true;  // Shift pressed while A is held: not sampled
  rig.Down(kScanS);
  EXPECT_EQ(rig.service.messages[1], NoteOn(0, 62));
  EXPECT_EQ(rig.state.holdPlain, 2);
  rig.Up(kScanS);
  rig.Up(kScanA);
  EXPECT_EQ(Holds(rig.state), 0);

  EngineRig raised;
  raised.Start();
  raised.modifiers.shift = true;
  raised.Down(kScanA);
  raised.modifiers.shift = false;  // released while A is still held
  raised.Down(kScanS);
  EXPECT_EQ(raised.service.messages[1], NoteOn(0, 74));
  EXPECT_EQ(raised.state.holdRaised, 2);
}

TEST(OctaveLatch, ShiftWinsOverCtrlAndCtrlLowers) {
  EngineRig both;
  both.Start();
  both.modifiers.shift = both.modifiers.ctrl = true;
  both.Down(kScanA);
  EXPECT_EQ(both.service.messages[0], NoteOn(0, 72));
  EXPECT_EQ(both.state.shiftState, 1);

  EngineRig ctrl;
  ctrl.Start();
  ctrl.modifiers.ctrl = true;
  ctrl.Down(kScanA);
  EXPECT_EQ(ctrl.service.messages[0], NoteOn(0, 48));
  EXPECT_EQ(ctrl.state.shiftState, -1);
  EXPECT_EQ(ctrl.state.holdLowered, 1);
  EXPECT_EQ(ctrl.drawer.caps.back(), (DrawnCap{kScanA, true, false, 0}));
}

TEST(OctaveLatch, AutoRepeatPlaysNothingAndRecordsNothing) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  for (int i = 0; i < 5; ++i) rig.engine.PlayKeyEvent(256, KeyData(kScanA) | kRepeat);
  EXPECT_EQ(rig.service.messages.size(), 1u);
  EXPECT_EQ(rig.recorder.events.size(), 1u);
  EXPECT_EQ(rig.drawer.caps.size(), 1u);
  EXPECT_EQ(rig.state.holdPlain, 1);
}

TEST(OctaveLatch, AutoRepeatAfterEscLatchesAndCountsWithoutPlaying) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  rig.engine.OnEscape();
  EXPECT_EQ(Holds(rig.state), 0);
  rig.service.messages.clear();
  rig.modifiers.ctrl = true;
  rig.engine.PlayKeyEvent(256, KeyData(kScanA) | kRepeat);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_EQ(rig.state.shiftState, -1);
  EXPECT_EQ(rig.state.holdLowered, 1);
  rig.Up(kScanA);  // its key-up brings the counters back to 0
  EXPECT_EQ(Holds(rig.state), 0);
  EXPECT_EQ(rig.state.shiftState, 0);
  EXPECT_EQ(rig.recorder.events.back().message, 257u);
  EXPECT_EQ(rig.recorder.events.back().octaveShift, -1);
}

TEST(OctaveLatch, UncountedKeyUpDrivesACounterBelowZero) {
  EngineRig rig;
  rig.Start();
  rig.modifiers.shift = true;
  rig.Down(kScanA);
  rig.engine.OnEscape();  // counters 0, shiftState stays +1
  EXPECT_EQ(rig.state.shiftState, 1);
  rig.Up(kScanA);  // uncounted: holdRaised 0 -> -1, shiftState kept
  EXPECT_EQ(rig.state.holdRaised, -1);
  EXPECT_EQ(rig.state.shiftState, 1);
  rig.modifiers.shift = false;
  rig.service.messages.clear();
  // Modifiers are no longer sampled: the next stroke plays raised, 0 then -1 again.
  rig.Down(kScanS);
  EXPECT_EQ(rig.state.holdRaised, 0);
  EXPECT_EQ(rig.service.messages.back(), NoteOn(0, 74));
  rig.Up(kScanS);
  EXPECT_EQ(rig.state.holdRaised, -1);
  EXPECT_EQ(rig.state.shiftState, 1);
  EXPECT_EQ(rig.service.messages.back(), NoteOff(0, 74));
  rig.engine.OnEscape();  // Esc returns the latch to Idle
  rig.Down(kScanS);
  EXPECT_EQ(rig.state.shiftState, 0);
  EXPECT_EQ(rig.state.holdPlain, 1);
}

TEST(OctaveLatch, UncountedKeyUpWithOneKeyHeldReturnsToIdle) {
  EngineRig rig;
  rig.Start();
  rig.modifiers.shift = true;
  rig.Down(kScanA);  // raised, holdRaised 1
  rig.Up(kScanS);    // S went down while switched off: uncounted
  EXPECT_EQ(rig.state.holdRaised, 0);
  EXPECT_EQ(rig.state.shiftState, 0);
  rig.Up(kScanA);  // computes shift 0 in the latch, but ends its own note
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{NoteOn(0, 72), NoteOff(0, 72)}));
  EXPECT_EQ(rig.state.holdPlain, -1);
}

TEST(OctaveLatch, KeyUpRecordsTheShiftBeforeRelease) {
  EngineRig rig;
  rig.Start();
  rig.modifiers.shift = true;
  rig.Down(kScanA);
  rig.Up(kScanA);
  ASSERT_EQ(rig.recorder.events.size(), 2u);
  EXPECT_EQ(rig.recorder.events[0].octaveShift, 1);
  EXPECT_EQ(rig.recorder.events[1].octaveShift, 1);
  EXPECT_EQ(rig.recorder.events[1].keyData, KeyData(kScanA));
}

TEST(OctaveLatch, RecorderSeesTheEventBeforeTheNoteIsSent) {
  struct Probe : KeyEventRecorder {
    FakeMidiService* service;
    std::vector<size_t> sentBefore;
    void RecordKeyEvent(uint32_t, uint32_t, int32_t) override {
      sentBefore.push_back(service->messages.size());
    }
  } probe;
  EngineRig rig;
  rig.Start();
  probe.service = &rig.service;
  rig.engine.SetRecorder(&probe);
  rig.Down(kScanA);
  rig.Up(kScanA);
  EXPECT_EQ(probe.sentBefore, (std::vector<size_t>{0, 1}));
}

}  // namespace
}  // namespace velmira
