// The playback timer chain, driven by a deterministic timer service.
#include <gtest/gtest.h>

#include "record/playback.h"
#include "tests/fakes/fake_timers.h"

namespace velmira {
namespace {

using namespace testing;

struct PlaybackRig {
  ManualClock clock;
  FakeTimers timers;
  RecordingSink sink;
  PlaybackBuffer buffer;
  Playback playback{buffer, timers, clock, sink};
  explicit PlaybackRig(std::initializer_list<uint32_t> deltas) {
    sink.clock = &clock;
    uint32_t i = 0;
    for (uint32_t d : deltas) buffer.Append({d, i % 2 ? 257u : 256u, 0x1E0000, 0}), ++i;
  }
};

TEST(Playback, OneShotPostsEveryEventThenSendsStop) {
  PlaybackRig rig({100, 200, 0, 50});
  ASSERT_TRUE(rig.playback.StartPlayback(false));
  EXPECT_EQ(rig.timers.periodDepth, 1);
  EXPECT_EQ(rig.timers.armed[0].delayMs, 100u);
  EXPECT_EQ(rig.timers.armed[0].resolutionMs, 5u);
  while (rig.timers.FireNext(rig.clock)) {
  }
  EXPECT_EQ(rig.sink.posted, (std::vector<uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(rig.sink.postedAt, (std::vector<uint32_t>{1100, 1300, 1305, 1355}));
  EXPECT_EQ(rig.sink.stops, 1);
  EXPECT_FALSE(rig.playback.active());
  EXPECT_EQ(rig.timers.periodDepth, 0);
  EXPECT_EQ(rig.timers.armed.size(), 4u);
}

TEST(Playback, ChordNotesArePlayedOneResolutionApart) {
  PlaybackRig rig({0, 1, 4, 5, 6});
  rig.timers.periodMax = 3;  // a coarse timer device: resolution 3
  rig.playback.StartPlayback(false);
  EXPECT_EQ(rig.playback.state().resolutionMs, 3u);
  while (rig.timers.FireNext(rig.clock)) {
  }
  EXPECT_EQ(rig.sink.postedAt, (std::vector<uint32_t>{1003, 1006, 1010, 1015, 1021}));
}

TEST(Playback, LoopPausesForTheLeadInBeforeEachRepetition) {
  PlaybackRig rig({700, 100});
  rig.playback.StartPlayback(true);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(rig.timers.FireNext(rig.clock));
  EXPECT_EQ(rig.sink.posted, (std::vector<uint32_t>{0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(rig.sink.postedAt, (std::vector<uint32_t>{1700, 1800, 2500, 2600, 3300, 3400}));
  EXPECT_EQ(rig.sink.stops, 0);
  EXPECT_TRUE(rig.playback.active());
  EXPECT_EQ(rig.timers.LiveCount(), 1);
  EXPECT_EQ(rig.timers.periodDepth, 1);
  rig.playback.StopPlayback();
  EXPECT_EQ(rig.timers.LiveCount(), 0);
  EXPECT_EQ(rig.timers.periodDepth, 0);
}

TEST(Playback, LateCallbacksDoNotAccumulateDrift) {
  PlaybackRig rig({20, 20, 20, 20, 20, 20, 20, 20, 20, 20});
  rig.playback.StartPlayback(false);
  while (rig.timers.FireNext(rig.clock, 3)) {  // every callback runs 3 ms late
  }
  // Event i is due at 1000 + 20 (i + 1); each one is only the last callback's lateness late.
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(rig.sink.postedAt[i], 1000 + 20 * (i + 1) + 3);

  ManualClock clock;
  FakeTimers timers;
  RecordingSink sink;
  sink.clock = &clock;
  Playback chained(rig.buffer, timers, clock, sink, Scheduling::Chained);
  chained.StartPlayback(false);
  while (timers.FireNext(clock, 3)) {
  }
  EXPECT_EQ(sink.postedAt.back(), 1000u + 10 * 23);  // the baseline drifts by 3 ms per event
}

TEST(Playback, ArmFailureAtTheFirstEvent) {
  PlaybackRig rig({10, 10});
  rig.timers.armsUntilFailure = 0;
  EXPECT_FALSE(rig.playback.StartPlayback(false));
  EXPECT_FALSE(rig.playback.active());
  EXPECT_EQ(rig.timers.periodDepth, 0);
  EXPECT_TRUE(rig.sink.posted.empty());
}

TEST(Playback, ArmFailureAtALaterEventEndsSilently) {
  PlaybackRig rig({10, 10, 10, 10});
  rig.timers.armsUntilFailure = 2;
  ASSERT_TRUE(rig.playback.StartPlayback(false));
  while (rig.timers.FireNext(rig.clock)) {
  }
  EXPECT_EQ(rig.sink.posted, (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(rig.sink.stops, 0);  // no stop command: the user stops
  EXPECT_FALSE(rig.playback.active());
  EXPECT_EQ(rig.timers.periodDepth, 0);
}

TEST(Playback, EmptyBufferStartsNothing) {
  PlaybackRig rig({});
  EXPECT_FALSE(rig.playback.StartPlayback(true));
  EXPECT_TRUE(rig.timers.armed.empty());
  EXPECT_EQ(rig.timers.periodDepth, 0);
  rig.playback.StopPlayback();
  EXPECT_EQ(rig.timers.periodDepth, 0);
}

TEST(Playback, StopKillsTheArmedTimerAndALateCallbackDoesNothing) {
  PlaybackRig rig({10, 10, 10});
  rig.playback.StartPlayback(false);
  rig.timers.FireNext(rig.clock);
  const FakeTimers::Armed pending = rig.timers.armed.back();
  rig.playback.StopPlayback();
  EXPECT_EQ(rig.timers.killed, std::vector<uint32_t>{pending.id});
  pending.callback(pending.context);  // a callback already on its way
  EXPECT_EQ(rig.sink.posted.size(), 1u);
  EXPECT_EQ(rig.timers.armed.size(), 2u);  // nothing armed after the stop
  EXPECT_EQ(rig.timers.periodDepth, 0);
  // Restarting begins again at event 0.
  rig.playback.StartPlayback(false);
  rig.timers.FireNext(rig.clock);
  EXPECT_EQ(rig.sink.posted.back(), 0u);
}

TEST(Playback, ResolutionFallsBackWhenCapsFail) {
  PlaybackRig rig({0});
  rig.timers.capsFail = true;
  rig.playback.StartPlayback(false);
  EXPECT_EQ(rig.playback.state().resolutionMs, 5u);
  EXPECT_EQ(rig.timers.armed[0].delayMs, 5u);
}

}  // namespace
}  // namespace velmira
