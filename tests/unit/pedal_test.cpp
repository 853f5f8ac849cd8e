// The sustain pedal: its control changes live and replayed, and every way the pedal is lifted.
#include <gtest/gtest.h>

#include <functional>

#include "commands/command_ids.h"
#include "tests/fakes/app_rig.h"

namespace velmira {
namespace {

using namespace testing;

constexpr int kScanSpace = 0x39;
constexpr uint32_t Sustain(int channel, bool down) {
  return 0xB0u | channel | (64u << 8) | ((down ? 127u : 0u) << 16);
}

TEST(Pedal, SpaceHoldsTheMelodyAndTheBassChannelLiveAndReplayed) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanSpace);
  rig.engine.PlayKey(Repeat(kScanSpace));  // auto-repeat
  rig.Down(kScanA);
  rig.Up(kScanA);
  rig.Up(kScanSpace);
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{Sustain(0, true), NoteOn(0, 60),
                                                         NoteOff(0, 60), Sustain(0, false)}));
  EXPECT_EQ(rig.drawer.pedal, (std::vector<bool>{true, false}));
  // Recorded as ordinary strokes of the space bar; the octave latch is not touched.
  ASSERT_EQ(rig.recorder.events.size(), 4u);
  EXPECT_EQ(rig.recorder.events[0].keyData, KeyData(kScanSpace) | 1);
  EXPECT_EQ(rig.recorder.events[3].message, 257u);
  EXPECT_EQ(rig.state.holdPlain, 0);

  rig.engine.OnBassCommand();
  rig.service.messages.clear();
  rig.engine.ReplayKey(true, kScanSpace, 0);
  rig.engine.ReplayKey(false, kScanSpace, 0);
  EXPECT_EQ(rig.service.messages, (std::vector<uint32_t>{Sustain(0, true), Sustain(15, true),
                                                         Sustain(0, false), Sustain(15, false)}));
  EXPECT_EQ(rig.recorder.events.size(), 4u);  // replayed strokes are not recorded
}

// Every path that silences notes lifts the pedal first on every channel it holds, so no note
// is left sounding; changing channel or bass doubling moves the pedal with the voice.
TEST(Pedal, EverySilencingPathLiftsItFirstAndVoiceChangesMoveIt) {
  struct Path {
    const char* name;
    std::function<void(AppRig&)> act;
    std::vector<uint32_t> first;    // the first messages the path sends
    std::vector<uint32_t> atKeyUp;  // what the space bar's key-up then lifts
  };
  const std::vector<uint32_t> lifted{Sustain(0, false), Sustain(15, false)};
  // clang-format off
  const std::vector<Path> paths = {
      {"Esc", [](AppRig& r) { r.app.OnChar(27); }, lifted, {}},
      {"stop", [](AppRig& r) { r.app.OnCommand(CMD_PLAY_STOP); }, lifted, {}},
      {"switch off", [](AppRig& r) { r.app.OnCommand(CMD_SWITCH_OFF); }, lifted, {}},
      {"device", [](AppRig& r) { r.app.OnCommand(CMD_DEVICE_BASE - 1); }, lifted, {}},
      {"focus", [](AppRig& r) { r.app.OnFocusLost(); }, lifted, {}},
      {"channel", [](AppRig& r) { r.app.OnCommand(CMD_CHANNEL_BASE + 3); },
       {Sustain(0, false), Sustain(3, true)}, {Sustain(3, false), Sustain(15, false)}},
      {"bass off", [](AppRig& r) { r.app.OnCommand(CMD_BASS); }, {Sustain(15, false)},
       {Sustain(0, false)}},
  };
  // clang-format on
  for (const Path& path : paths) {
    AppRig rig;
    rig.app.OnCreate();
    rig.app.OnCommand(CMD_BASS);
    rig.Down(kScanSpace);
    rig.service.messages.clear();
    path.act(rig);
    ASSERT_GE(rig.service.messages.size(), path.first.size()) << path.name;
    EXPECT_EQ(std::vector<uint32_t>(rig.service.messages.begin(),
                                    rig.service.messages.begin() + path.first.size()),
              path.first)
        << path.name;
    // The space bar, still held, repeats: that presses nothing again.
    rig.service.messages.clear();
    rig.app.OnKey(Repeat(kScanSpace));
    EXPECT_TRUE(rig.service.messages.empty()) << path.name;
    // Whatever still holds the pedal, its key-up lifts exactly that.
    if (rig.app.state().switchedOn) rig.Up(kScanSpace);
    EXPECT_EQ(rig.service.messages, path.atKeyUp) << path.name;
  }
}

}  // namespace
}  // namespace velmira
