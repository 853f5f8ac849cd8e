// Opening, switching and changing the MIDI output device.
#include <gtest/gtest.h>

#include "commands/command_ids.h"
#include "tests/fakes/engine_rig.h"

namespace velmira {
namespace {

using namespace testing;

std::vector<uint32_t> AllNotesOff() {
  std::vector<uint32_t> messages;
  for (uint32_t c = 0; c < 16; ++c) messages.push_back(0xB0u | c | (123u << 8));
  return messages;
}

TEST(DeviceControl, NoDeviceRefusesTheWindowWithAStopBox) {
  EngineRig rig;
  rig.service.deviceCount = 0;
  EXPECT_FALSE(rig.OpenAtStart());
  EXPECT_EQ(rig.ui.beeps, std::vector<MessageIcon>{MessageIcon::Stop});
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].text, "No MIDI output devices!");
  EXPECT_EQ(rig.ui.messages[0].caption, "QJ");
  EXPECT_EQ(rig.ui.messages[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(rig.ui.hasMenuBar);
  EXPECT_TRUE(rig.service.opens.empty());
}

TEST(DeviceControl, StartOpensTheMapperAndSendsTheProgramOnTheMelodyChannelOnly) {
  EngineRig rig;
  rig.state.channel = 3;
  rig.state.program = 40;
  EXPECT_TRUE(rig.OpenAtStart());
  EXPECT_EQ(rig.service.opens, std::vector<int>{-1});
  EXPECT_TRUE(rig.state.switchedOn);
  EXPECT_EQ(rig.service.messages, std::vector<uint32_t>{ProgramChange(3, 40)});
  EXPECT_TRUE(rig.ui.menuBar.popups[0].items[0].checked);   // on
  EXPECT_FALSE(rig.ui.menuBar.popups[0].items[1].checked);  // off
}

TEST(DeviceControl, OpenFailureAtStartKeepsTheWindowSwitchedOff) {
  EngineRig rig;
  rig.service.failingOpens = {-1};
  EXPECT_TRUE(rig.OpenAtStart());
  EXPECT_FALSE(rig.state.switchedOn);
  EXPECT_EQ(rig.ui.beeps, std::vector<MessageIcon>{MessageIcon::Exclamation});
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].text, "Cannot open MIDI device");
  EXPECT_EQ(rig.ui.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(rig.ui.menuBar.popups[0].items[1].checked);  // off stays checked
  EXPECT_TRUE(rig.service.messages.empty());
  // Alt+O tries again; once the device opens both channels get the program.
  rig.devices.SwitchOn();
  EXPECT_FALSE(rig.state.switchedOn);
  EXPECT_EQ(rig.ui.messages.size(), 2u);
  rig.service.failingOpens.clear();
  rig.devices.SwitchOn();
  EXPECT_TRUE(rig.state.switchedOn);
  EXPECT_EQ(rig.service.messages,
            (std::vector<uint32_t>{ProgramChange(0, 0), ProgramChange(15, 0)}));
}

TEST(DeviceControl, MissingMapperMovesTheDefaultDeviceToZero) {
  EngineRig rig;
  rig.service.mapperAvailable = false;
  rig.service.deviceCount = 2;
  EXPECT_TRUE(rig.OpenAtStart());
  EXPECT_EQ(rig.state.outputDevice, 0);
  EXPECT_EQ(rig.service.opens, std::vector<int>{0});
  const MenuItem& devices = rig.ui.menuBar.popups[5];
  ASSERT_EQ(devices.items.size(), 2u);
  EXPECT_EQ(devices.items[0].id, 512);
  EXPECT_TRUE(devices.items[0].checked);
  EXPECT_EQ(devices.items[1].label, "Fake Synth 1");
}

TEST(DeviceControl, SwitchOffAndOnRepeatedly) {
  EngineRig rig;
  rig.Start();
  for (int round = 0; round < 3; ++round) {
    rig.service.messages.clear();
    rig.devices.SwitchOff();
    EXPECT_EQ(rig.service.messages, AllNotesOff());
    EXPECT_FALSE(rig.state.switchedOn);
    EXPECT_FALSE(rig.service.open);
    EXPECT_TRUE(rig.ui.checks[CMD_SWITCH_OFF]);
    EXPECT_FALSE(rig.ui.checks[CMD_SWITCH_ON]);
    rig.service.messages.clear();
    rig.devices.SwitchOff();  // while off: only a repaint
    EXPECT_TRUE(rig.service.messages.empty());
    rig.devices.SwitchOn();
    EXPECT_EQ(rig.service.messages,
              (std::vector<uint32_t>{ProgramChange(0, 0), ProgramChange(15, 0)}));
    EXPECT_TRUE(rig.ui.checks[CMD_SWITCH_ON]);
    const int invalidations = rig.ui.invalidations;
    rig.devices.SwitchOn();  // while on: only a repaint
    EXPECT_EQ(rig.service.messages.size(), 2u);
    EXPECT_EQ(rig.ui.invalidations, invalidations + 1);
  }
  EXPECT_EQ(rig.service.closes, 3);
}

TEST(DeviceControl, DeviceChangeWhileOnClosesAndReopens) {
  EngineRig rig;
  rig.service.deviceCount = 3;
  rig.Start();
  rig.state.program = 19;
  rig.devices.ChooseDevice(512 + 2);
  std::vector<uint32_t> expected = AllNotesOff();
  expected.push_back(ProgramChange(0, 19));
  expected.push_back(ProgramChange(15, 19));
  EXPECT_EQ(rig.service.messages, expected);
  EXPECT_EQ(rig.service.opens, (std::vector<int>{-1, 2}));
  EXPECT_EQ(rig.state.outputDevice, 2);
  EXPECT_FALSE(rig.ui.checks[511]);
  EXPECT_TRUE(rig.ui.checks[514]);
  // The same device again: closed and reopened.
  rig.service.messages.clear();
  rig.devices.ChooseDevice(514);
  EXPECT_EQ(rig.service.messages.size(), 18u);
  EXPECT_EQ(rig.service.opens, (std::vector<int>{-1, 2, 2}));
}

TEST(DeviceControl, DeviceChangeToAFailingDeviceLeavesTheInstrumentOff) {
  EngineRig rig;
  rig.service.deviceCount = 2;
  rig.service.failingOpens = {1};
  rig.Start();
  rig.devices.ChooseDevice(513);
  EXPECT_FALSE(rig.state.switchedOn);
  EXPECT_EQ(rig.state.outputDevice, 1);
  EXPECT_EQ(rig.ui.messages.back().text, "Cannot open MIDI device");
}

TEST(DeviceControl, DeviceChoiceWhileOffIsOnlyStored) {
  EngineRig rig;
  rig.service.deviceCount = 2;
  rig.Start();
  rig.devices.SwitchOff();
  rig.service.messages.clear();
  rig.devices.ChooseDevice(513);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_EQ(rig.service.opens, std::vector<int>{-1});
  rig.devices.SwitchOn();
  EXPECT_EQ(rig.service.opens, (std::vector<int>{-1, 1}));
}

}  // namespace
}  // namespace velmira
