// A complete performance engine over recording fakes, switched on or off as a test needs.
#pragma once

#include "app/output_start.h"
#include "engine/device_control.h"
#include "engine/midi_output.h"
#include "engine/note_engine.h"
#include "tests/fakes/fake_midi_service.h"
#include "tests/fakes/fake_ui.h"

namespace velmira::testing {

constexpr uint32_t KeyData(int scanCode) { return static_cast<uint32_t>(scanCode) << 16; }

// A stroke as a shell hands it over: the key, down or up, with Shift or Ctrl held as given.
struct Mods {
  bool shift = false;
  bool ctrl = false;
};
inline KeyEvent Down(int scanCode, Mods mods = {}) {
  KeyEvent key = KeyStroke(scanCode, true);
  key.shift = mods.shift;
  key.ctrl = mods.ctrl;
  return key;
}
inline KeyEvent Up(int scanCode) { return KeyStroke(scanCode, false); }
inline KeyEvent Repeat(int scanCode) {
  KeyEvent key = KeyStroke(scanCode, true);
  key.autoRepeat = true;
  return key;
}

constexpr int kScanA = 0x1E, kScanS = 0x1F, kScanD = 0x20, kScanH = 0x23, kScanC = 0x2E;

struct EngineRig {
  PlayerState state;
  FakeMidiService service;
  FakeUi ui;
  Mods modifiers;  // held for the strokes of Down(), as a user holds Shift or Ctrl
  RecordingDrawer drawer;
  RecordingRecorder recorder;
  MidiOutput midi{state, service};
  NoteEngine engine{state, midi, ui};
  DeviceControl devices{state, midi, engine, ui};

  EngineRig() {
    engine.SetDrawer(&drawer);
    engine.SetRecorder(&recorder);
  }
  bool OpenAtStart() { return OpenOutputAtStart(devices, service, state, ui); }
  // Opens the device as the main window's creation does, then forgets what that sent.
  void Start() {
    OpenAtStart();
    service.messages.clear();
  }
  void Down(int scan) { engine.PlayKey(testing::Down(scan, modifiers)); }
  void Up(int scan) { engine.PlayKey(testing::Up(scan)); }
};

constexpr uint32_t NoteOn(int channel, int note, int velocity = 127) {
  return 0x90u | channel | (note << 8) | (velocity << 16);
}
constexpr uint32_t NoteOff(int channel, int note) { return 0x80u | channel | (note << 8); }
constexpr uint32_t ProgramChange(int channel, int program) {
  return 0xC0u | channel | (program << 8);
}

}  // namespace velmira::testing
