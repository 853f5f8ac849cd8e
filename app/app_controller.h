// The program's behaviour behind the main window: every key, scroll, command and timer message
// that the window procedure receives becomes one call here. Owns the performance settings, the
// engine, the recording and its playback; reaches the screen, the devices and the timers only
// through its interfaces.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/clock.h"
#include "engine/device_control.h"
#include "engine/held_keys.h"
#include "engine/midi_output.h"
#include "engine/note_engine.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"
#include "record/document.h"
#include "record/document_state.h"
#include "record/event_buffer.h"
#include "record/playback.h"
#include "record/recorder.h"
#include "record/timer_service.h"

namespace velmira {

struct AppServices {
  MidiOutputService& midi;
  UiEffects& ui;
  ModifierKeys& modifiers;
  Clock& clock;
  OneShotTimerService& timers;
  PlaybackSink& playbackSink;
  Calendar& calendar;
  // Chained delays exist only as a baseline for timing measurements.
  Scheduling scheduling = Scheduling::Timeline;
  // Memory of the EventBuffer and the PlaybackBuffer; tests substitute one that fails or pads.
  Reallocate reallocate = &std::realloc;
};

class AppController {
 public:
  explicit AppController(const AppServices& services);

  // Main window creation: false refuses the window (no MIDI output device). Loads the file
  // named on the command line, if any.
  bool OnCreate(const char* commandLine = "");
  // Main window destruction, after the switch-off command has been handled: stops playback,
  // then releases both event buffers.
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
  // MSG_PLAY_EVENT: one event of the PlaybackBuffer, by its array and index.
  void OnPlayEvent(const PerformanceEvent* events, uint32_t index);
  // Timer 1 (the automatic play after a start-up load): true when play should be sent.
  bool OnStartupTimer();
  // The periodic tick that runs while recording.
  void OnRecordingTick() { recorder_.OnTick(); }
  // What the recording indicator shows ("录音中 1:05"), or "" when not recording.
  std::string RecordingIndicator() const;
  // WM_CLOSE: true when the window may be destroyed.
  bool OnCloseRequest();
  // WM_QUERYENDSESSION: true when the session may end.
  bool OnQueryEndSession();

  void SetDrawer(KeyCapDrawer* drawer) { engine_.SetDrawer(drawer); }
  const PlayerState& state() const { return state_; }
  const DocumentState& document() const { return document_; }
  const EventBuffer& events() const { return events_; }
  const PlaybackBuffer& playbackBuffer() const { return playbackBuffer_; }
  const Playback& playback() const { return playback_; }
  const Recorder& recorder() const { return recorder_; }
  NoteEngine& engine() { return engine_; }

 private:
  // Runs a handler so that no exception leaves it into the window procedure: running out of
  // memory is told to the user and the handler's result is then failed.
  template <typename Result, typename Handler>
  Result Guarded(Result failed, Handler handler);
  bool Create(const char* commandLine);
  intptr_t Command(unsigned commandId);
  void OnRecordStart();
  void OnPlay(bool loop);
  void OnPlayStop();
  intptr_t OnFileCommand(unsigned commandId);

  PlayerState state_;
  UiEffects& ui_;
  MidiOutput midi_;
  NoteEngine engine_;
  DeviceControl devices_;
  HeldKeys held_;
  DocumentState document_;
  EventBuffer events_;
  PlaybackBuffer playbackBuffer_;
  Recorder recorder_;
  Playback playback_;
  Document file_;
  bool playingRow_ = false;  // the transport shows the Playing row
};

}  // namespace velmira
