// The metronome: its schedule against the timer, its clicks through the controller, the count-in
// of a recording and the tempo a take keeps.
#include <gtest/gtest.h>

#include "commands/command_ids.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

constexpr uint32_t Click(bool accent, bool start) {
  return start ? NoteOn(9, accent ? 76 : 77, 100) : NoteOff(9, accent ? 76 : 77);
}

// Click n is due at origin + n x beat whatever the lateness of the timer before it; a click more
// than half a beat late is skipped.
TEST(Metronome, ClicksAreDueOnTheGridNotAfterTheClickBefore) {
  ManualClock clock;
  FakeTimers timers;
  timers.clock = &clock;
  RecordingSink sink;
  sink.clock = &clock;
  Metronome metronome(timers, clock, sink);
  metronome.Start(ClickSchedule{1000, 750, 2});  // 6/8 at 120 quarters a minute
  for (int i = 0; i < 6; ++i) timers.FireEarliest();
  clock.now += 7;  // every later timer fires 7 ms late
  for (int i = 0; i < 4; ++i) {
    timers.armed.back().dueAt += 7;
    timers.FireEarliest();
  }
  std::vector<uint32_t> at;
  std::vector<bool> accents;
  for (const PostedClick& c : sink.clicks) {
    if (c.start) at.push_back(ClickDueMs(metronome.schedule(), c.click));
    if (c.start) accents.push_back(ClickAccented(metronome.schedule(), c.click));
  }
  EXPECT_EQ(at, (std::vector<uint32_t>{1000, 1750, 2500, 3250, 4000}));
  EXPECT_EQ(accents, (std::vector<bool>{true, false, true, false, true}));
  EXPECT_EQ(sink.clicks[1].at, 1050u);  // each click ends 50 ms after it starts
  clock.now = 9000;                     // the machine stalled for seconds
  timers.FireEarliest();
  timers.FireEarliest();
  EXPECT_EQ(ClickDueMs(metronome.schedule(), sink.clicks.back().click), 9250u);
  metronome.Stop();
  EXPECT_EQ(timers.LiveCount(), 0);
  EXPECT_EQ(timers.periodDepth, 0);
}

struct ClickRig : AppRig {
  ClickRig() {
    app.OnCreate();
    sink.clock = &clock;
  }
  // Delivers the posted clicks to the controller, as the window thread does.
  void Deliver() {
    for (const PostedClick& c : sink.clicks) app.OnClick(c.generation, c.click, c.start);
    sink.clicks.clear();
  }
  void Run(int timers) {
    for (int i = 0; i < timers; ++i) timers_.FireEarliest();
  }
  FakeTimers& timers_ = timers;
};

TEST(Metronome, TicksClicksOnThePercussionChannelAndEscUnticksIt) {
  ClickRig rig;
  rig.service.messages.clear();
  rig.app.OnCommand(CMD_METRONOME);
  EXPECT_TRUE(rig.ui.checks[CMD_METRONOME]);
  rig.Run(4);
  rig.Deliver();
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{Click(true, true), Click(true, false),
                                                         Click(false, true), Click(false, false)}));
  EXPECT_EQ(rig.app.Indicator().text, "节拍 2");
  // Switched off, the clicks stop and the item stays ticked; Alt+O brings them back.
  rig.app.OnCommand(CMD_SWITCH_OFF);
  EXPECT_EQ(rig.timers.LiveCount(), 0);
  EXPECT_TRUE(rig.ui.checks[CMD_METRONOME]);
  rig.app.OnCommand(CMD_SWITCH_ON);
  EXPECT_EQ(rig.timers.LiveCount(), 1);
  rig.app.OnChar(27);
  EXPECT_FALSE(rig.ui.checks[CMD_METRONOME]);
  EXPECT_EQ(rig.timers.LiveCount(), 0);
  EXPECT_EQ(rig.app.Indicator().text, "");
}

TEST(Metronome, TheTempoDialogTakesThirtyToThreeHundred) {
  ClickRig rig;
  rig.ui.typed = {"301", " 120 "};
  rig.app.OnCommand(CMD_TEMPO);
  EXPECT_EQ(rig.ui.messages.back().text, "速度必须是 30 到 300 之间的整数 (每分钟的四分音符数).");
  EXPECT_EQ(rig.app.metronome().settings().bpm, 90);
  rig.app.OnCommand(CMD_TEMPO);
  EXPECT_EQ(rig.app.metronome().settings().bpm, 120);
  rig.app.OnCommand(CMD_METRE_FIRST + 3);
  EXPECT_TRUE(rig.ui.checks[CMD_METRE_FIRST + 3]);
  EXPECT_FALSE(rig.ui.checks[CMD_METRE_FIRST + 2]);
}

// With the metronome on, a recording starts with a bar of count-in; strokes made during it are
// recorded, and the take keeps the tempo with its first bar line after the count-in. Saved and
// loaded again, the tempo stays; 设为录音的速度 gives another take the metronome's.
TEST(Metronome, ARecordingCountsInAndItsTakeKeepsTheTempo) {
  ClickRig rig;
  rig.app.OnCommand(CMD_METRONOME);
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(rig.app.Indicator().text, "预备 4");
  rig.Run(2);  // the first click and its end
  rig.Deliver();
  EXPECT_EQ(rig.app.Indicator().text, "预备 4");
  rig.clock.now += 2000;  // a stroke just before the first bar line (2667 ms at 90)
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.clock.now += 1000;
  EXPECT_EQ(rig.app.Indicator().text, "录音中 0:03");
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_EQ(rig.app.document().tempo, (Tempo{666667, 4, 4, 2667}));
  const std::string path = ::testing::TempDir() + "velmira-count-in.qji";
  rig.ui.chosenFiles = {path};
  ASSERT_EQ(rig.app.OnCommand(CMD_SAVE), 1);
  LoadedPerformance loaded;
  ASSERT_EQ(LoadPerformanceFile(path.c_str(), &loaded), nullptr);
  EXPECT_EQ(loaded.tempo, (Tempo{666667, 4, 4, 2667}));

  rig.app.OnCommand(CMD_METRONOME);  // off: a take without a tempo
  rig.app.OnCommand(CMD_RECORD_START);
  rig.clock.now += 300;
  rig.Down(kScanS);
  rig.Up(kScanS);
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_FALSE(rig.app.document().tempo.known());
  rig.ui.typed = {"60"};
  rig.app.OnCommand(CMD_TEMPO);
  rig.app.OnCommand(CMD_TAKE_TEMPO);
  EXPECT_EQ(rig.app.document().tempo, (Tempo{1000000, 4, 4, 300}));  // the first key-down
  EXPECT_TRUE(rig.app.document().modified);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace velmira
