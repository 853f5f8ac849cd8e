// The note engine: turns live and replayed key strokes into MIDI notes, and owns the controls
// that change the performance settings (channel, program, key signature, bass doubling,
// velocity, pitch bend, Esc).
#pragma once

#include <cstdint>

#include "engine/key_event.h"
#include "engine/key_map.h"
#include "engine/midi_output.h"
#include "engine/note_ledger.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"

namespace velmira {

// What the user did to the velocity or pitch-bend bar.
enum class BarAction {
  LineUp,    // the arrow at the top
  LineDown,  // the arrow at the bottom
  PageUp,    // the trough above the thumb
  PageDown,  // the trough below the thumb
  Track,     // the thumb dragged to a position
  Release,   // the thumb let go at a position
  Other,     // anything else (to the top, to the end ...): ignored
};

constexpr int kPitchBendCentrePosition = 8192;

class NoteEngine {
 public:
  NoteEngine(PlayerState& state, MidiOutput& midi, UiEffects& ui);

  // The recorder and the key-cap drawer may be absent; the engine uses no result of either.
  void SetRecorder(KeyEventRecorder* recorder) { recorder_ = recorder; }
  void SetDrawer(KeyCapDrawer* drawer) { drawer_ = drawer; }

  // A live stroke. A key-down counts the key as held; a key-down of a key held already, an
  // auto-repeat, or one struck with Alt (a menu's or an accelerator's) plays nothing; a key-up
  // ends only a key that was counted, so a key-up whose key-down was never seen changes nothing.
  void PlayKey(const KeyEvent& key);
  // A recorded stroke of a slot, played with its recorded octave shift and the current settings.
  void ReplayKey(bool down, int slot, int32_t octaveShift);
  // The window lost the keyboard: every live key held (and the pedal held by the space bar) comes
  // up as its key-up would.
  void ReleaseLiveKeys();
  // Counters to 0, the live keys forgotten, All Notes Off on all 16 channels.
  void StopAllNotes();
  // The Esc character: stop all notes and repaint every cap released.
  void OnEscape();

  void OnVelocityBar(BarAction action, int position);
  // The pitch-bend bar bends only while its thumb is dragged and springs back to rest otherwise.
  void OnPitchBendBar(BarAction action, int position);

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

  // Forget every sounding note and every live key (after All Notes Off, or when the device is
  // closed): nothing is held any more.
  void ForgetSoundingNotes();
  bool HasSoundingNotes() const { return !ledger_.Empty(); }
  // A live key (or the space bar's pedal) is held down.
  bool AnyLiveKeyHeld() const;

 private:
  struct LiveKey {
    bool held = false;
    KeyEvent key;  // as it went down: what its key-up repeats on focus loss
  };
  void StartNotes(NoteSource source, int slotIndex, const KeySlot& slot, int shift);
  void StartNote(NoteSource source, int slotIndex, int channel, int note);
  void EndNote(SoundingNote note);
  void SendProgramChanges();
  void PlayPedal(bool down, const KeyEvent* live);
  void PressPedal();
  void KeyDown(const KeyEvent& key, int slotIndex, const KeySlot& slot);
  void KeyUp(const KeyEvent& key, int slotIndex);
  void ForgetLiveKeys();

  PlayerState& state_;
  MidiOutput& midi_;
  UiEffects& ui_;
  KeyEventRecorder* recorder_ = nullptr;
  KeyCapDrawer* drawer_ = nullptr;
  NoteLedger ledger_;
  uint16_t pedalChannels_ = 0;  // one bit per channel where the pedal is down
  LiveKey live_[kKeySlotCount];
  LiveKey pedalKey_;  // the space bar (or the pedal on screen) while it holds the pedal
};

}  // namespace velmira
