// The velocity and pitch-bend bars and the channel, program, key and bass commands.
#include <gtest/gtest.h>

#include "commands/command_ids.h"
#include "tests/fakes/engine_rig.h"
#include "view/bar_value.h"

namespace velmira {
namespace {

using namespace testing;

TEST(VelocityBar, ArithmeticAndClamping) {
  EngineRig rig;
  rig.Start();
  auto& e = rig.engine;
  e.OnVelocityBar(BarAction::LineUp, 0);
  EXPECT_EQ(rig.state.velocity, 127);  // stays at the top
  EXPECT_EQ(rig.ui.scrollPositions[IDC_VELOCITY], 1);
  e.OnVelocityBar(BarAction::LineDown, 0);
  EXPECT_EQ(rig.state.velocity, 126);
  e.OnVelocityBar(BarAction::PageDown, 0);
  EXPECT_EQ(rig.state.velocity, 118);
  e.OnVelocityBar(BarAction::PageUp, 0);
  EXPECT_EQ(rig.state.velocity, 126);
  rig.state.velocity = 5;
  e.OnVelocityBar(BarAction::PageDown, 0);
  EXPECT_EQ(rig.state.velocity, 1);
  EXPECT_EQ(rig.ui.scrollPositions[IDC_VELOCITY], 127);
  e.OnVelocityBar(BarAction::Track, 127);
  EXPECT_EQ(rig.state.velocity, 1);
  e.OnVelocityBar(BarAction::Release, 28);
  EXPECT_EQ(rig.state.velocity, 100);
  e.OnVelocityBar(BarAction::Other, 1);  // to the end, to the top ...
  EXPECT_EQ(rig.state.velocity, 100);
  EXPECT_EQ(rig.ui.scrollPositions[IDC_VELOCITY], 28);
  EXPECT_TRUE(rig.service.messages.empty());
  rig.Down(kScanA);
  EXPECT_EQ(rig.service.messages[0], NoteOn(0, 60, 100));
}

TEST(PitchBendBar, DragSendsReleaseAndArrowsSpringBack) {
  EngineRig rig;
  rig.Start();
  rig.state.channel = 2;
  auto& e = rig.engine;
  e.OnPitchBendBar(BarAction::Track, 1);                                             // the top
  EXPECT_EQ(rig.service.messages.back(), 0xE0u | 2 | (0x7Eu << 8) | (0x7Fu << 16));  // 16382
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 1);
  e.OnPitchBendBar(BarAction::Track, 16383);
  EXPECT_EQ(rig.service.messages.back(), 0xE2u);  // bend 0
  e.OnPitchBendBar(BarAction::Track, 40000);      // clamped to 0
  EXPECT_EQ(rig.service.messages.back(), 0xE2u);
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 16383);
  e.OnPitchBendBar(BarAction::Release, 300);
  EXPECT_EQ(rig.service.messages.back(), 0xE2u | (0x7Fu << 8) | (0x3Fu << 16));  // 8191
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 8192);
  const size_t sent = rig.service.messages.size();
  for (BarAction action :
       {BarAction::LineUp, BarAction::LineDown, BarAction::PageUp, BarAction::PageDown}) {
    rig.ui.scrollPositions[IDC_PITCH_BEND] = 100;  // a bar that moved by itself (Qt's trough)
    e.OnPitchBendBar(action, 100);
    EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 8192);  // back to rest, nothing bent
  }
  rig.ui.scrollPositions[IDC_PITCH_BEND] = -5;
  e.OnPitchBendBar(BarAction::Other, 100);
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], -5);
  EXPECT_EQ(rig.service.messages.size(), sent);
  EXPECT_EQ(rig.service.messages.size(), 4u);
}

TEST(PitchBendBar, MovesButSendsNothingWhileOff) {
  EngineRig rig;
  rig.Start();
  rig.devices.SwitchOff();
  rig.service.messages.clear();
  rig.engine.OnPitchBendBar(BarAction::Track, 100);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_EQ(rig.ui.scrollPositions[IDC_PITCH_BEND], 100);
}

TEST(Commands, ChannelMovesTheCheckAndSendsProgramChangesWhileOn) {
  EngineRig rig;
  rig.Start();
  rig.state.program = 12;
  rig.engine.OnChannelCommand(5);
  EXPECT_FALSE(rig.ui.checks[768]);
  EXPECT_TRUE(rig.ui.checks[773]);
  EXPECT_EQ(rig.state.channel, 5);
  EXPECT_EQ(rig.service.messages,
            (std::vector<uint32_t>{ProgramChange(5, 12), ProgramChange(15, 12)}));
  EXPECT_GE(rig.ui.invalidations, 1);
  rig.engine.OnChannelCommand(15);  // not offered by the menu: ignored
  rig.engine.OnChannelCommand(255);
  EXPECT_EQ(rig.state.channel, 5);
}

TEST(Commands, ProgramWhileOffIsStoredAndSentAtSwitchOn) {
  EngineRig rig;
  rig.Start();
  rig.devices.SwitchOff();
  rig.service.messages.clear();
  rig.engine.OnProgramCommand(55);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_FALSE(rig.ui.checks[1024]);
  EXPECT_TRUE(rig.ui.checks[1079]);
  rig.devices.SwitchOn();
  EXPECT_EQ(rig.service.messages,
            (std::vector<uint32_t>{ProgramChange(0, 55), ProgramChange(15, 55)}));
  rig.engine.OnProgramCommand(128);
  EXPECT_EQ(rig.state.program, 55);
}

TEST(Commands, KeySignatureAndBassChangeChecksAndSendNothing) {
  EngineRig rig;
  rig.Start();
  rig.engine.OnKeySignatureCommand(1319);
  EXPECT_FALSE(rig.ui.checks[1297]);
  EXPECT_TRUE(rig.ui.checks[1319]);
  EXPECT_EQ(rig.state.keySignature, 1319);
  rig.engine.OnBassCommand();
  EXPECT_TRUE(rig.state.bassDoubling);
  EXPECT_TRUE(rig.ui.checks[CMD_BASS]);
  rig.engine.OnBassCommand();
  EXPECT_FALSE(rig.state.bassDoubling);
  EXPECT_FALSE(rig.ui.checks[CMD_BASS]);
  EXPECT_TRUE(rig.service.messages.empty());
}

TEST(Commands, EscapeStopsEverythingAndRepaints) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  rig.Down(kScanS);
  rig.service.messages.clear();
  const int invalidations = rig.ui.invalidations;
  rig.engine.OnEscape();
  ASSERT_EQ(rig.service.messages.size(), 16u);
  EXPECT_EQ(rig.service.messages[15], 0xBFu | (123u << 8));
  EXPECT_EQ(rig.state.holdPlain, 0);
  EXPECT_EQ(rig.ui.invalidations, invalidations + 1);
}

TEST(BarValue, ShowsWhatTheEngineTakesFromTheBar) {
  EngineRig rig;
  rig.Start();
  for (int position : {1, 8191, 8192, 8193, 16383}) {
    rig.service.messages.clear();
    rig.engine.OnPitchBendBar(BarAction::Track, position);
    ASSERT_EQ(rig.service.messages.size(), 1u);
    const uint32_t m = rig.service.messages[0];
    const int bend = static_cast<int>(((m >> 8) & 0x7F) | (((m >> 16) & 0x7F) << 7));
    EXPECT_EQ(BarValue(IDC_PITCH_BEND, position), bend - 8191) << position;
  }
  EXPECT_EQ(BarValueText(IDC_VELOCITY, 28), "力度 100");
  EXPECT_EQ(BarValueText(IDC_PITCH_BEND, 8192), "频率 0");  // at rest
  EXPECT_EQ(BarValueText(IDC_PITCH_BEND, 1), "频率 +8191");
}

}  // namespace
}  // namespace velmira
