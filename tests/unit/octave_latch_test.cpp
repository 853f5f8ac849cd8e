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
  for (int i = 0; i < 5; ++i) rig.engine.PlayKey(Repeat(kScanA));
  EXPECT_EQ(rig.service.messages.size(), 1u);
  EXPECT_EQ(rig.recorder.events.size(), 1u);
  EXPECT_EQ(rig.drawer.caps.size(), 1u);
  EXPECT_EQ(rig.state.holdPlain, 1);
}

// A key-up whose key-down the engine never counted (the key was held across Esc, struck with Alt
// for a menu, or pressed in another window) and the repeats of such a key change nothing: the
// latch goes on following Shift and Ctrl.
TEST(OctaveLatch, UncountedKeyUpsAndRepeatsChangeNothing) {
  EngineRig rig;
  rig.Start();
  rig.modifiers.shift = true;
  rig.Down(kScanA);
  rig.engine.OnEscape();
  rig.service.messages.clear();
  rig.modifiers = {false, true};
  rig.engine.PlayKey(Repeat(kScanA));  // A still held after Esc
  rig.Up(kScanA);
  KeyEvent alt = Down(kScanC);  // Alt+C: the switch's accelerator
  alt.alt = true;
  rig.engine.PlayKey(alt);
  rig.Up(kScanC);
  rig.modifiers = {true, false};
  rig.Down(kScanS);
  rig.Up(kScanD);  // never struck here
  EXPECT_EQ(rig.state.holdRaised, 1);
  rig.Up(kScanS);
  EXPECT_EQ(Holds(rig.state), 0);
  rig.modifiers = {false, true};
  rig.Down(kScanD);
  rig.Up(kScanD);
  EXPECT_EQ(rig.service.messages,
            (std::vector<uint32_t>{NoteOn(0, 74), NoteOff(0, 74), NoteOn(0, 52), NoteOff(0, 52)}));
  EXPECT_EQ(rig.recorder.events.size(), 5u);  // Shift+A, S down and up, D down and up
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
  EXPECT_EQ(rig.recorder.events[1].keyData, KeyData(kScanA) | 0xC0000001u);
}

TEST(OctaveLatch, RecorderSeesTheEventBeforeTheNoteIsSent) {
  struct Probe : KeyEventRecorder {
    FakeMidiService* service;
    std::vector<size_t> sentBefore;
    void RecordKey(const KeyEvent&, int32_t) override {
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
