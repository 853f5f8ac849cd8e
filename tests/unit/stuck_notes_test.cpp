// No note is left sounding: every note-on is ended by its key's note-off or by All Notes Off,
// whatever settings change while keys are held.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "commands/command_ids.h"
#include "engine/key_signature.h"
#include "tests/fakes/engine_rig.h"

namespace velmira {
namespace {

using namespace testing;

// Replays the messages as a synthesizer would and reports the notes still sounding.
std::multiset<std::pair<int, int>> Sounding(const std::vector<uint32_t>& messages) {
  std::multiset<std::pair<int, int>> on;
  for (uint32_t m : messages) {
    const int status = m & 0xF0, channel = m & 0x0F, d1 = (m >> 8) & 0xFF, d2 = (m >> 16) & 0xFF;
    if (status == 0x90 && d2 > 0) {
      on.insert({channel, d1});
    } else if (status == 0x80 || (status == 0x90 && d2 == 0)) {
      on.erase({channel, d1});  // a note-off ends every instance of the note
    } else if (status == 0xB0 && d1 == 123) {
      for (auto it = on.begin(); it != on.end();)
        it = it->first == channel ? on.erase(it) : std::next(it);
    }
  }
  return on;
}

TEST(StuckNotes, SettingsChangedWhileHeldDoNotStrandTheNote) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  rig.engine.OnKeySignatureCommand(1301);
  rig.engine.OnChannelCommand(4);
  rig.engine.OnBassCommand();
  rig.modifiers.shift = true;
  rig.Up(kScanA);
  EXPECT_TRUE(Sounding(rig.service.messages).empty());
  EXPECT_EQ(rig.service.messages.back(), NoteOff(0, 60));
}

TEST(StuckNotes, KeyUpWhoseKeyDownSentNothingSendsNothing) {
  EngineRig rig;
  rig.Start();
  rig.state.keySignature = 1306;
  rig.Down(kScanA);
  rig.engine.OnKeySignatureCommand(1297);
  rig.Up(kScanA);
  EXPECT_TRUE(rig.service.messages.empty());
}

TEST(StuckNotes, SwitchingOffForgetsNotesSoALaterKeyUpSendsNothingStale) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  rig.devices.SwitchOff();
  rig.devices.SwitchOn();
  rig.service.messages.clear();
  rig.Up(kScanA);
  EXPECT_TRUE(rig.service.messages.empty());
  EXPECT_FALSE(rig.engine.HasSoundingNotes());
}

TEST(StuckNotes, LiveAndReplayedNotesOfOneKeyAreKeptApart) {
  EngineRig rig;
  rig.Start();
  rig.Down(kScanA);
  rig.engine.ReplayKey(true, kScanA, 1);
  rig.Up(kScanA);  // ends the live 60 only
  EXPECT_EQ(Sounding(rig.service.messages), (std::multiset<std::pair<int, int>>{{0, 72}}));
  rig.engine.ReplayKey(false, kScanA, 1);
  EXPECT_TRUE(Sounding(rig.service.messages).empty());
}

TEST(StuckNotes, RandomStrokesAndSettingChangesLeaveNothingSounding) {
  const int scans[] = {0x02, 0x0D, 0x10, 0x1B, kScanA, kScanS, kScanD, kScanH, 0x28, kScanC, 0x35};
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    EngineRig rig;
    rig.Start();
    std::set<int> held;
    for (int step = 0; step < 300; ++step) {
      const int scan = scans[random() % std::size(scans)];
      switch (random() % 12) {
        case 0:
        case 1:
        case 2:
        case 3:
          if (held.insert(scan).second)
            rig.Down(scan);
          else
            rig.engine.PlayKey(Repeat(scan));
          break;
        case 4:
        case 5:
        case 6:
          // Sometimes a key-up without its key-down, as after switching windows.
          if (held.erase(scan) || random() % 4 == 0) rig.Up(scan);
          break;
        case 7: rig.modifiers.shift = !rig.modifiers.shift; break;
        case 8: rig.modifiers.ctrl = !rig.modifiers.ctrl; break;
        case 9:
          switch (random() % 4) {
            case 0: rig.engine.OnKeySignatureCommand(kKeySignatureIds[random() % 24]); break;
            case 1: rig.engine.OnChannelCommand(static_cast<int>(random() % 15)); break;
            case 2: rig.engine.OnBassCommand(); break;
            default: rig.state.keySignature = 1306 + static_cast<int>(random() % 6); break;
          }
          break;
        case 10:
          if (random() % 5 == 0) rig.engine.OnEscape();
          break;
        default:
          rig.engine.ReplayKey(random() % 2 == 0, scan, static_cast<int>(random() % 3) - 1);
          break;
      }
    }
    for (int scan : held) rig.Up(scan);
    for (int scan : scans) rig.engine.ReplayKey(false, scan, 0);
    EXPECT_TRUE(Sounding(rig.service.messages).empty()) << "seed " << seed;
    EXPECT_FALSE(rig.engine.HasSoundingNotes()) << "seed " << seed;
  }
}

}  // namespace
}  // namespace velmira
