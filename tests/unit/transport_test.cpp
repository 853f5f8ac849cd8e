// The availability of the Record menu items and transport buttons, reached by the commands
// that lead to each situation.
#include <gtest/gtest.h>

#include <string>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "record/transport.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

// "EGGG..." for the nine menu items in table order, then "/" and the five buttons ("D" for a
// disabled button); "?" where nothing has been set.
std::string Snapshot(FakeUi& ui) {
  std::string s;
  for (int id : kTransportMenuIds) {
    auto it = ui.menuEnabled.find(id);
    s += it == ui.menuEnabled.end() ? '?' : (it->second ? 'E' : 'G');
  }
  s += '/';
  for (int id : kTransportButtonIds) {
    auto it = ui.buttonEnabled.find(id);
    s += it == ui.buttonEnabled.end() ? '?' : (it->second ? 'E' : 'D');
  }
  return s;
}

struct TransportRig : AppRig {
  TransportRig() {
    app.OnCreate();
    ApplyTransportRow(TransportRow::Startup, false, ui);  // as the menu and buttons are created
  }
};

TEST(Transport, RowsReachedByRecordingAndPlayback) {
  TransportRig rig;
  EXPECT_EQ(Snapshot(rig.ui), "EGGGGGGGE/EDDDD");
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(Snapshot(rig.ui), "GEGGGGGGG/DEDDD");
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_EQ(Snapshot(rig.ui), "EGGGGGGGE/EDDDD");  // idle, empty
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Down(kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
  EXPECT_EQ(Snapshot(rig.ui), "EGEEGEEEE/EDEED");  // idle with a performance
  rig.app.OnCommand(CMD_PLAY);
  EXPECT_EQ(Snapshot(rig.ui), "GGGGEGGGG/DDDDE");
  rig.app.OnCommand(CMD_PLAY_STOP);
  EXPECT_EQ(Snapshot(rig.ui), "EGEEGEEEE/EDEED");  // stopped, modified: save enabled
  rig.app.OnCommand(CMD_PLAY_LOOP);
  EXPECT_EQ(Snapshot(rig.ui), "GGGGEGGGG/DDDDE");
}

TEST(Transport, StoppedLeavesSaveAloneWhenNotModified) {
  FakeUi ui;
  ui.menuEnabled[CMD_SAVE] = false;
  ApplyTransportRow(TransportRow::Stopped, false, ui);
  EXPECT_FALSE(ui.menuEnabled[CMD_SAVE]);
  ui.menuEnabled[CMD_SAVE] = true;
  ApplyTransportRow(TransportRow::Stopped, false, ui);
  EXPECT_TRUE(ui.menuEnabled[CMD_SAVE]);
  ui.menuEnabled[CMD_SAVE] = false;
  ApplyTransportRow(TransportRow::Stopped, true, ui);
  EXPECT_TRUE(ui.menuEnabled[CMD_SAVE]);
}

TEST(Transport, LoadedAndSavedRowsLeaveTheirUnchangedItems) {
  FakeUi ui;
  ApplyTransportRow(TransportRow::Playing, false, ui);  // everything but stop greyed
  ApplyTransportRow(TransportRow::Loaded, false, ui);
  EXPECT_EQ(Snapshot(ui), "EGEEGGEEG/EDEED");  // load stays as it was
  FakeUi startup;
  ApplyTransportRow(TransportRow::Startup, false, startup);
  ApplyTransportRow(TransportRow::LoadedAtStartup, false, startup);
  EXPECT_EQ(Snapshot(startup), "EGEEGGEGE/EDEED");  // export stays greyed
  ApplyTransportRow(TransportRow::Saved, false, startup);
  EXPECT_EQ(Snapshot(startup), "EGEEGGEGE/EDEED");
  startup.menuEnabled[CMD_SAVE] = true;
  ApplyTransportRow(TransportRow::Saved, true, startup);
  EXPECT_FALSE(startup.menuEnabled[CMD_SAVE]);
}

TEST(Transport, StopDropsPendingPlayEventsExceptAtTheNaturalEnd) {
  TransportRig rig;
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
  rig.app.OnCommand(CMD_PLAY);
  rig.timers.FireNext(rig.clock);    // one of two events posted
  rig.app.OnCommand(CMD_PLAY_STOP);  // the user stops
  EXPECT_EQ(rig.ui.flushes, std::vector<bool>{false});
  EXPECT_EQ(rig.timers.periodDepth, 0);
  rig.app.OnCommand(CMD_PLAY);
  while (rig.timers.FireNext(rig.clock)) {
  }
  ASSERT_EQ(rig.sink.stops, 1);  // the timer sends the stop at the natural end
  rig.app.OnCommand(CMD_PLAY_STOP);
  EXPECT_EQ(rig.ui.flushes, (std::vector<bool>{false, true}));  // the last event still plays
}

TEST(Transport, PlayWhileOffAsksForTheSwitchAndChangesNothing) {
  TransportRig rig;
  rig.app.OnCommand(CMD_SWITCH_OFF);
  const std::string before = Snapshot(rig.ui);
  rig.app.OnCommand(CMD_PLAY);
  rig.app.OnCommand(CMD_PLAY_LOOP);
  EXPECT_EQ(rig.ui.messages.size(), 2u);
  EXPECT_EQ(rig.ui.messages[1].text, "请打开开关");
  EXPECT_EQ(Snapshot(rig.ui), before);
  EXPECT_TRUE(rig.timers.armed.empty());
  // Stop acts whatever the switch: the Stopped row and All Notes Off (sent nowhere).
  rig.app.OnCommand(CMD_PLAY_STOP);
  EXPECT_EQ(rig.ui.menuEnabled[CMD_PLAY], true);
}

}  // namespace
}  // namespace velmira
