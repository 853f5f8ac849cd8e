// The main window's behaviour behind its messages: key routing, focus loss, command dispatch.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

using ControllerRig = AppRig;

// Creates the window and records a take of one stroke, left unsaved.
void RecordFirstTake(ControllerRig& rig) {
  rig.app.OnCreate();
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
}

TEST(AppController, CreationSetsTheUntitledTitleOrRefusesWithoutDevices) {
  ControllerRig rig;
  EXPECT_TRUE(rig.app.OnCreate());
  EXPECT_EQ(rig.ui.title, "Velmira - [未命名]");
  EXPECT_TRUE(rig.app.state().switchedOn);

  ControllerRig none;
  none.service.deviceCount = 0;
  EXPECT_FALSE(none.app.OnCreate());
  EXPECT_EQ(none.ui.title, "");
}

TEST(AppController, KeysPlayOnlyWhileSwitchedOn) {
  ControllerRig rig;
  RecordFirstTake(rig);  // switched off over an unsaved take, which stays as it is
  rig.app.OnCommand(CMD_SWITCH_OFF);
  rig.service.messages.clear();
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.app.OnChar(27);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_EQ(rig.app.state().holdPlain, 0);
  rig.app.OnCommand(CMD_SWITCH_ON);
  rig.service.messages.clear();
  rig.Down(kScanA);
  EXPECT_EQ(rig.service.messages, std::vector<uint32_t>{NoteOn(0, 60)});
  rig.app.OnChar('a');
  EXPECT_EQ(rig.service.messages.size(), 1u);
  rig.app.OnChar(27);
  EXPECT_EQ(rig.service.messages.size(), 17u);
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_TRUE(rig.ui.messages.empty());
}

// Running out of memory in any entry point is told to the player, and the entry point fails
// safely: a window that cannot be created is not, a close or a session end is refused, and the
// take stays.
TEST(AppController, EveryEntryPointSurvivesRunningOutOfMemory) {
  struct Entry {
    const char* name;
    std::function<intptr_t(ControllerRig&)> call;
    intptr_t failed;
  };
  const std::vector<Entry> entries = {
      {"create", [](ControllerRig& r) -> intptr_t { return r.app.OnCreate("/no/such.qji"); }, 0},
      {"command", [](ControllerRig& r) -> intptr_t { return r.app.OnCommand(CMD_LOAD); }, 0},
      {"close", [](ControllerRig& r) -> intptr_t { return r.app.OnCloseRequest(); }, 0},
      {"session end", [](ControllerRig& r) -> intptr_t { return r.app.OnQueryEndSession(); }, 0},
  };
  for (const Entry& entry : entries) {
    ControllerRig rig;
    if (std::string(entry.name) != "create") RecordFirstTake(rig);
    rig.ui.failNextMessage = true;  // the question (or the file's error) runs out of memory
    EXPECT_EQ(entry.call(rig), entry.failed) << entry.name;
    EXPECT_EQ(rig.ui.messages.back().text, "内存不足, 操作未完成.") << entry.name;
    if (std::string(entry.name) != "create") {
      EXPECT_EQ(rig.app.events().count(), 2u) << entry.name;
      EXPECT_TRUE(rig.app.document().modified) << entry.name;
    }
  }
}

TEST(AppController, FocusLossReleasesHeldKeysAsTheirKeyUpsWould) {
  ControllerRig rig;
  rig.app.OnCreate();
  RecordingRecorder recorder;
  rig.app.engine().SetRecorder(&recorder);
  rig.modifiers.shift = true;
  rig.Down(kScanA);
  rig.Down(kScanS);
  rig.Up(kScanS);
  rig.service.messages.clear();
  rig.app.OnFocusLost();
  EXPECT_EQ(rig.service.messages, std::vector<uint32_t>{NoteOff(0, 72)});
  EXPECT_EQ(recorder.events.back().message, 257u);
  EXPECT_EQ(recorder.events.back().keyData, KeyData(kScanA) | 0xC0000001u);
  EXPECT_EQ(rig.app.state().holdRaised, 0);
  EXPECT_EQ(rig.app.state().shiftState, 0);
  rig.service.messages.clear();
  rig.app.OnFocusLost();  // nothing held any more
  rig.Up(kScanA);         // the real key-up arriving later is not counted twice
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_EQ(rig.app.state().holdRaised, 0);
  EXPECT_EQ(rig.app.state().holdPlain, 0);
  EXPECT_EQ(recorder.events.size(), 4u);
  // A key pressed afterwards is tracked afresh.
  rig.modifiers.shift = false;
  rig.Down(kScanA);
  rig.Up(kScanA);
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{NoteOn(0, 60), NoteOff(0, 60)}));
}

// A key released while switched off, then Esc: a later focus loss has nothing to release, so
// the octave latch still follows Shift.
TEST(AppController, KeysReleasedWhileSwitchedOffOrClearedByEscAreNotReleasedAgain) {
  ControllerRig rig;
  rig.app.OnCreate();
  rig.Down(kScanA);
  rig.app.OnCommand(CMD_SWITCH_OFF);
  rig.Up(kScanA);
  rig.app.OnCommand(CMD_SWITCH_ON);
  rig.Down(kScanS);  // held across Esc
  rig.app.OnChar(27);
  rig.app.OnFocusLost();
  EXPECT_EQ(rig.app.state().holdPlain, 0);
  rig.Up(kScanS);  // the physical key-up still counts
  rig.app.OnChar(27);
  rig.service.messages.clear();
  rig.modifiers.shift = true;
  rig.Down(kScanD);
  EXPECT_EQ(rig.service.messages, std::vector<uint32_t>{NoteOn(0, 76)});
}

TEST(AppController, CommandsAreDispatchedByNumberIgnoringTheNotificationCode) {
  ControllerRig rig;
  rig.app.OnCreate();
  rig.service.messages.clear();
  rig.app.OnCommand((1u << 16) | 1079);  // accelerator-style high word
  EXPECT_EQ(rig.app.state().program, 55);
  EXPECT_EQ(rig.service.messages,
            (std::vector<uint32_t>{ProgramChange(0, 55), ProgramChange(15, 55)}));
  rig.app.OnCommand(CMD_CHANNEL_BASE + 14);
  EXPECT_EQ(rig.app.state().channel, 14);
  rig.app.OnCommand(1319);
  EXPECT_EQ(rig.app.state().keySignature, 1319);
  rig.app.OnCommand(CMD_BASS);
  EXPECT_TRUE(rig.app.state().bassDoubling);
  rig.app.OnCommand(CMD_HELP);
  rig.app.OnCommand(CMD_ABOUT);
  EXPECT_EQ(rig.ui.helpShown, 1);
  EXPECT_EQ(rig.ui.aboutShown, 1);
  const int invalidations = rig.ui.invalidations;
  rig.app.OnCommand(300);  // no command: only a repaint
  EXPECT_EQ(rig.ui.invalidations, invalidations + 1);
  rig.app.OnCommand(1306);  // a gap in the key ids is still a key command
  EXPECT_EQ(rig.app.state().keySignature, 1306);
}

TEST(AppController, DeviceCommandsAndScrollBarsReachTheirHandlers) {
  ControllerRig rig;
  rig.service.deviceCount = 2;
  rig.app.OnCreate();
  rig.app.OnCommand(513);
  EXPECT_EQ(rig.app.state().outputDevice, 1);
  EXPECT_EQ(rig.service.opens, (std::vector<int>{-1, 1}));
  rig.app.OnBar(IDC_VELOCITY, BarAction::Release, 28);
  EXPECT_EQ(rig.app.state().velocity, 100);
  rig.app.OnBar(0, BarAction::Release, 28);  // a scroll bar that is not ours
  rig.app.OnBar(IDC_PITCH_BEND, BarAction::LineDown, 28);
  EXPECT_EQ(rig.app.state().velocity, 100);
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 8192);  // the pitch-bend bar springs back
}

// Event memory with a tail of playable key-downs (D, no shift) past the size asked for, so that
// reading beyond the end of a buffer sounds and draws.
constexpr size_t kTailEvents = 4;
void* TailedRealloc(void* block, size_t bytes) {
  void* grown = std::realloc(block, bytes + kTailEvents * sizeof(PerformanceEvent));
  if (grown == nullptr) return nullptr;
  const PerformanceEvent strike{0, 256, KeyData(kScanD), 0};
  for (size_t i = 0; i < kTailEvents; ++i) {
    std::memcpy(static_cast<char*>(grown) + bytes + i * sizeof strike, &strike, sizeof strike);
  }
  return grown;
}

TEST(AppController, PlayEventsOutsideTheCurrentPlaybackBufferPlayNothing) {
  ControllerRig rig(&TailedRealloc);
  RecordingDrawer drawer;
  rig.app.SetDrawer(&drawer);
  rig.app.OnCreate();
  rig.app.OnCommand(CMD_RECORD_START);
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.app.OnCommand(CMD_RECORD_STOP);
  const PlaybackBuffer& buffer = rig.app.playbackBuffer();
  ASSERT_EQ(buffer.count(), 2u);
  const PerformanceEvent stale[2] = {buffer.events()[0], buffer.events()[1]};
  rig.service.messages.clear();
  drawer.caps.clear();
  for (uint32_t index = 2; index < 2 + kTailEvents; ++index) {
    rig.app.OnPlayEvent(buffer.events(), index);
  }
  rig.app.OnPlayEvent(stale, 0);  // an array that is not the PlaybackBuffer
  rig.app.OnPlayEvent(stale, 1);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_TRUE(drawer.caps.empty());
  // The current buffer's own events play and draw.
  rig.app.OnPlayEvent(buffer.events(), 0);
  EXPECT_EQ(rig.service.messages, std::vector<uint32_t>{NoteOn(0, 60)});
  EXPECT_EQ(drawer.caps, (std::vector<DrawnCap>{{kScanA, true, true, 0}}));
}

// One unsaved take of A.
TEST(AppController, ANewRecordingAsksBeforeDiscardingAnUnsavedTake) {
  ControllerRig rig;
  RecordFirstTake(rig);
  rig.ui.answers = {MessageAnswer::Cancel};
  rig.app.OnCommand(CMD_RECORD_START);
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].text, "保存当前的变化在 未命名?");
  // Cancel: no recording; the take and its flag are as they were.
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_EQ(rig.app.events().count(), 2u);
  EXPECT_TRUE(rig.app.document().modified);

  rig.ui.answers = {MessageAnswer::No};
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(rig.ui.messages.size(), 2u);
  EXPECT_TRUE(rig.app.recorder().state().recording);
  EXPECT_EQ(rig.app.events().count(), 0u);
  EXPECT_TRUE(rig.ui.dialogs.empty());
}

TEST(AppController, YesRecordsOnlyAfterTheSaveSucceeded) {
  ControllerRig rig;
  RecordFirstTake(rig);
  rig.ui.answers = {MessageAnswer::Yes};
  rig.ui.chosenFiles = {""};  // the save dialog cancelled
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_FALSE(rig.app.recorder().state().recording);
  EXPECT_EQ(rig.app.events().count(), 2u);

  const std::string path = ::testing::TempDir() + "velmira-first-take.qji";
  rig.ui.answers = {MessageAnswer::Yes};
  rig.ui.chosenFiles = {path};
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(rig.ui.dialogs, (std::vector<FileDialog>{FileDialog::Save, FileDialog::Save}));
  EXPECT_TRUE(rig.app.recorder().state().recording);
  EXPECT_EQ(rig.app.events().count(), 0u);
  EXPECT_EQ(std::remove(path.c_str()), 0);        // saved
  EXPECT_EQ(rig.ui.title, "Velmira - [未命名]");  // and the new take is a new document

  // Saved, then a take of nothing: replaced without a question.
  rig.app.OnCommand(CMD_RECORD_STOP);
  rig.app.OnCommand(CMD_RECORD_START);
  EXPECT_EQ(rig.ui.messages.size(), 2u);
}

}  // namespace
}  // namespace velmira
