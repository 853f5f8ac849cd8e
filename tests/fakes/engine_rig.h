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
constexpr uint32_t kRepeat = 1u << 30;

constexpr int kScanA = 0x1E, kScanS = 0x1F, kScanD = 0x20, kScanH = 0x23, kScanC = 0x2E;

struct EngineRig {
  PlayerState state;
  FakeMidiService service;
  FakeUi ui;
  FakeModifiers modifiers;
  RecordingDrawer drawer;
  RecordingRecorder recorder;
  MidiOutput midi{state, service};
  NoteEngine engine{state, midi, ui, modifiers};
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
  void Down(int scan) { engine.PlayKeyEvent(256, KeyData(scan)); }
  void Up(int scan) { engine.PlayKeyEvent(257, KeyData(scan)); }
};

constexpr uint32_t NoteOn(int channel, int note, int velocity = 127) {
  return 0x90u | channel | (note << 8) | (velocity << 16);
}
constexpr uint32_t NoteOff(int channel, int note) { return 0x80u | channel | (note << 8); }
constexpr uint32_t ProgramChange(int channel, int program) {
  return 0xC0u | channel | (program << 8);
}

}  // namespace velmira::testing
