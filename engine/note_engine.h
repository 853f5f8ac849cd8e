// The note engine: turns live and replayed key strokes into MIDI notes, and owns the controls
// that change the performance settings (channel, program, key signature, bass doubling,
// velocity, pitch bend, Esc).
#pragma once

#include <cstdint>

#include "engine/midi_output.h"
#include "engine/note_ledger.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"

namespace velmira {

// Scroll codes of a scroll-bar message (low word of wParam).
constexpr int kScrollLineUp = 0;
constexpr int kScrollLineDown = 1;
constexpr int kScrollPageUp = 2;
constexpr int kScrollPageDown = 3;
constexpr int kScrollThumbPosition = 4;
constexpr int kScrollThumbTrack = 5;

constexpr int kPitchBendCentrePosition = 8192;

class NoteEngine {
 public:
  NoteEngine(PlayerState& state, MidiOutput& midi, UiEffects& ui, ModifierKeys& modifiers);

  // The recorder and the key-cap drawer may be absent; the engine uses no result of either.
  void SetRecorder(KeyEventRecorder* recorder) { recorder_ = recorder; }
  void SetDrawer(KeyCapDrawer* drawer) { drawer_ = drawer; }

  // A live stroke: message 256 (key down) or 257 (key up) with the key message's lparam.
  void PlayKeyEvent(uint32_t message, uint32_t keyData);
  // A recorded event, played with its recorded octave shift and the current settings.
  void ReplayKeyEvent(uint32_t message, uint32_t keyData, int32_t octaveShift);
  // Counters to 0, All Notes Off on all 16 channels.
  void StopAllNotes();
  // The Esc character: stop all notes and repaint every cap released.
  void OnEscape();

  void OnVelocityScroll(int code, int thumbPosition);
  void OnPitchBendScroll(int code, int thumbPosition);

  void OnChannelCommand(int channel);
  void OnProgramCommand(int program);
  void OnKeySignatureCommand(int keySignature);
  void OnBassCommand();

  // The sustain pedal (the space bar, the pedal on screen, or a recorded pedal stroke): down on
  // the melody channel and, with bass doubling, on channel 15.
  bool PedalDown() const { return pedalChannels_ != 0; }
  // Lifts the pedal on every channel that holds it; the caller repaints. Everything that
  // silences notes does this first: All Notes Off does not end notes the pedal holds.
  void LiftPedal();

  // Forget every sounding note (after All Notes Off or when the device is closed).
  void ForgetSoundingNotes() { ledger_.Clear(); }
  bool HasSoundingNotes() const { return !ledger_.Empty(); }

 private:
  void StartNotes(NoteSource source, int slotIndex, const KeySlot& slot, int shift);
  void StartNote(NoteSource source, int slotIndex, int channel, int note);
  void EndNote(SoundingNote note);
  void SendProgramChanges();
  void PlayPedal(NoteSource source, uint32_t message, uint32_t keyData, int32_t octaveShift);
  void PressPedal();

  PlayerState& state_;
  MidiOutput& midi_;
  UiEffects& ui_;
  ModifierKeys& modifiers_;
  KeyEventRecorder* recorder_ = nullptr;
  KeyCapDrawer* drawer_ = nullptr;
  NoteLedger ledger_;
  uint16_t pedalChannels_ = 0;  // one bit per channel where the pedal is down
};

}  // namespace velmira
