// The program's behaviour behind the main window: every key, scroll and command message that
// the window procedure receives becomes one call here. Owns the performance settings and the
// engine; reaches the screen and the devices only through its interfaces.
#pragma once

#include <cstdint>

#include "engine/device_control.h"
#include "engine/held_keys.h"
#include "engine/midi_output.h"
#include "engine/note_engine.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"

namespace velmira {

class AppController {
 public:
  AppController(MidiOutputService& midi, UiEffects& ui, ModifierKeys& modifiers);

  // Main window creation: false refuses the window (no MIDI output device).
  bool OnCreate();
  // Main window destruction, after the switch-off command has been handled.
  void OnDestroy();

  // WM_KEYDOWN / WM_KEYUP; plays only while switched on.
  void OnKey(uint32_t message, uint32_t keyData);
  // WM_CHAR.
  void OnChar(uint32_t character);
  // The main window lost the keyboard focus: release the keys still held.
  void OnFocusLost();
  // WM_VSCROLL from the scroll bar with the given control id.
  void OnScroll(int controlId, int code, int thumbPosition);
  // WM_COMMAND; returns the command's result (0 for every command but save and save-as).
  intptr_t OnCommand(unsigned commandId);
  // WM_CLOSE: true when the window may be destroyed.
  bool OnCloseRequest();
  // WM_QUERYENDSESSION: true when the session may end.
  bool OnQueryEndSession();

  void SetDrawer(KeyCapDrawer* drawer) { engine_.SetDrawer(drawer); }
  const PlayerState& state() const { return state_; }
  NoteEngine& engine() { return engine_; }

 private:
  // Recording, playback and the performance file: not yet part of the program. Their menu
  // items and buttons stay greyed except start recording and load, which do nothing.
  void OnTransportCommand(unsigned commandId);
  intptr_t OnFileCommand(unsigned commandId);

  PlayerState state_;
  UiEffects& ui_;
  MidiOutput midi_;
  NoteEngine engine_;
  DeviceControl devices_;
  HeldKeys held_;
};

}  // namespace velmira
