#include "engine/note_engine.h"

#include "commands/command_ids.h"
#include "engine/key_map.h"

namespace velmira {

namespace {

int32_t* HoldCounter(PlayerState& state, int32_t shift) {
  if (shift < 0) return &state.holdLowered;
  if (shift > 0) return &state.holdRaised;
  return &state.holdPlain;
}

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

// The key-up that a held key's own key-up would be.
KeyEvent KeyUpOf(const KeyEvent& held) {
  KeyEvent up = held;
  up.down = false;
  up.autoRepeat = false;
  up.repeatCount = 1;
  return up;
}

}  // namespace

NoteEngine::NoteEngine(PlayerState& state, MidiOutput& midi, UiEffects& ui)
    : state_(state), midi_(midi), ui_(ui) {}

void NoteEngine::StartNote(NoteSource source, int slotIndex, int channel, int note) {
  if (note < 0 || !state_.switchedOn) return;
  SoundingNote evicted;
  if (ledger_.Add(source, slotIndex,
                  SoundingNote{static_cast<uint8_t>(channel), static_cast<uint8_t>(note)},
                  &evicted)) {
    EndNote(evicted);
  }
}

void NoteEngine::EndNote(SoundingNote note) {
  midi_.SendShortMessage(0x80, note.channel, note.note, 0);
}

void NoteEngine::StartNotes(NoteSource source, int slotIndex, const KeySlot& slot, int shift) {
  StartNote(source, slotIndex, state_.channel,
            midi_.SendNoteOn(state_.channel, slot.octave + shift, slot.semitone, state_.velocity));
  if (state_.bassDoubling) {
    StartNote(
        source, slotIndex, kBassChannel,
        midi_.SendNoteOn(kBassChannel, slot.octave + shift - 1, slot.semitone, state_.velocity));
  }
}

void NoteEngine::PressPedal() {
  if (!state_.switchedOn) return;
  pedalChannels_ = static_cast<uint16_t>(1u << state_.channel);
  if (state_.bassDoubling) pedalChannels_ |= 1u << kBassChannel;
  for (int c = 0; c < 16; ++c) {
    if (pedalChannels_ & (1u << c)) midi_.SendSustain(c, true);
  }
}

void NoteEngine::LiftPedal() {
  for (int c = 0; c < 16; ++c) {
    if (pedalChannels_ & (1u << c)) midi_.SendSustain(c, false);
  }
  pedalChannels_ = 0;
}

// A pedal stroke changes nothing of the octave latch. A live pedal stroke counts like a key: the
// space bar held already, an auto-repeat or Alt press nothing, and only the key-up of the stroke
// that pressed the pedal lifts it. A key-down while the pedal is down and a key-up while it is up
// (lifted by Esc or a lost focus) are not strokes.
// live: the stroke of the space bar, or nullptr for a replayed one.
void NoteEngine::PlayPedal(bool down, const KeyEvent* live) {
  if (live != nullptr) {
    if (down && (live->alt || live->autoRepeat || pedalKey_.held)) return;
    if (!down && !pedalKey_.held) return;
    pedalKey_.held = down && !PedalDown();
    pedalKey_.key = *live;
  }
  if (down == PedalDown()) return;
  if (live != nullptr && recorder_ != nullptr) recorder_->RecordKey(*live, 0);
  if (down) {
    PressPedal();
  } else {
    LiftPedal();
  }
  if (drawer_ != nullptr) drawer_->DrawPedal(PedalDown());
}

void NoteEngine::PlayKey(const KeyEvent& key) {
  if (!state_.switchedOn) return;
  if (key.scanCode == kPedalScanCode) return PlayPedal(key.down, &key);
  const KeySlot* slot = PlayableSlot(key.scanCode);
  if (slot == nullptr) return;
  if (!key.down) return KeyUp(key, key.scanCode);
  if (key.alt || key.autoRepeat || live_[key.scanCode].held) return;
  KeyDown(key, key.scanCode, *slot);
}

void NoteEngine::KeyDown(const KeyEvent& key, int slotIndex, const KeySlot& slot) {
  if (state_.holdLowered == 0 && state_.holdPlain == 0 && state_.holdRaised == 0) {
    // No key is held: latch the shift from the modifiers; Shift wins over Ctrl.
    state_.shiftState = key.shift ? 1 : (key.ctrl ? -1 : 0);
  }
  ++*HoldCounter(state_, state_.shiftState);
  live_[slotIndex] = LiveKey{true, key};
  if (recorder_ != nullptr) recorder_->RecordKey(key, state_.shiftState);
  StartNotes(NoteSource::Live, slotIndex, slot, state_.shiftState);
  if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, true, false, 0);
}

void NoteEngine::KeyUp(const KeyEvent& key, int slotIndex) {
  if (!live_[slotIndex].held) return;  // never counted, or released already
  live_[slotIndex].held = false;
  if (recorder_ != nullptr) recorder_->RecordKey(key, state_.shiftState);
  int32_t* counter = HoldCounter(state_, state_.shiftState);
  if (--*counter == 0) state_.shiftState = 0;
  // End exactly the notes that this key's key-down started.
  const SoundingNotes notes = ledger_.Take(NoteSource::Live, slotIndex);
  for (int i = 0; i < notes.count; ++i) EndNote(notes.notes[i]);
  if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, false, false, 0);
}

void NoteEngine::ReleaseLiveKeys() {
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (live_[slot].held) KeyUp(KeyUpOf(live_[slot].key), slot);
  }
  if (pedalKey_.held) {
    const KeyEvent up = KeyUpOf(pedalKey_.key);
    PlayPedal(false, &up);
  }
}

void NoteEngine::ReplayKey(bool down, int slotIndex, int32_t octaveShift) {
  if (slotIndex == kPedalScanCode) return PlayPedal(down, nullptr);
  const KeySlot* slot = PlayableSlot(slotIndex);
  if (slot == nullptr) return;
  // Only a file can carry another shift; its notes could leave 0..127, so it is skipped.
  if (octaveShift < -1 || octaveShift > 1) return;

  if (!down) {
    const SoundingNotes notes = ledger_.Take(NoteSource::Replay, slotIndex);
    // The melody's note-off, the cap, then the bass note's.
    if (notes.count > 0) EndNote(notes.notes[0]);
    if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, false, true, octaveShift);
    for (int i = 1; i < notes.count; ++i) EndNote(notes.notes[i]);
    return;
  }
  StartNotes(NoteSource::Replay, slotIndex, *slot, octaveShift);
  if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, true, true, octaveShift);
}

void NoteEngine::ForgetLiveKeys() {
  for (LiveKey& key : live_) key.held = false;
  pedalKey_.held = false;
  state_.holdLowered = 0;
  state_.holdPlain = 0;
  state_.holdRaised = 0;
  state_.shiftState = 0;
}

bool NoteEngine::AnyLiveKeyHeld() const {
  for (const LiveKey& key : live_) {
    if (key.held) return true;
  }
  return pedalKey_.held;
}

void NoteEngine::ForgetSoundingNotes() {
  ledger_.Clear();
  ForgetLiveKeys();
}

void NoteEngine::StopAllNotes() {
  LiftPedal();
  midi_.SendAllNotesOff();
  ForgetSoundingNotes();
}

void NoteEngine::OnEscape() {
  StopAllNotes();
  ui_.Invalidate(true);
}

void NoteEngine::OnVelocityBar(BarAction action, int position) {
  int velocity;
  switch (action) {
    case BarAction::LineUp: velocity = state_.velocity + 1; break;
    case BarAction::LineDown: velocity = state_.velocity - 1; break;
    case BarAction::PageUp: velocity = state_.velocity + 8; break;
    case BarAction::PageDown: velocity = state_.velocity - 8; break;
    case BarAction::Track:
    case BarAction::Release: velocity = 128 - position; break;
    default: return;
  }
  state_.velocity = Clamp(velocity, 1, 127);
  ui_.SetScrollPosition(IDC_VELOCITY, 128 - state_.velocity);
}

void NoteEngine::OnPitchBendBar(BarAction action, int position) {
  switch (action) {
    case BarAction::Track: {
      const int bend = Clamp(16383 - position, 0, 16383);
      ui_.SetScrollPosition(IDC_PITCH_BEND, 16383 - bend);
      if (state_.switchedOn) midi_.SendPitchBend(state_.channel, bend);
      return;
    }
    case BarAction::Release:
      // Let go: the bar springs back to the centre, and so does the pitch.
      ui_.SetScrollPosition(IDC_PITCH_BEND, kPitchBendCentrePosition);
      if (state_.switchedOn) midi_.SendPitchBend(state_.channel, 8191);
      return;
    case BarAction::LineUp:
    case BarAction::LineDown:
    case BarAction::PageUp:
    case BarAction::PageDown:
      // Arrows and trough bend nothing; a bar that moved by itself goes back to rest.
      ui_.SetScrollPosition(IDC_PITCH_BEND, kPitchBendCentrePosition);
      return;
    case BarAction::Other: return;
  }
}

void NoteEngine::SendProgramChanges() {
  if (!state_.switchedOn) return;
  midi_.SendProgramChange(state_.channel, state_.program);
  midi_.SendProgramChange(kBassChannel, state_.program);
}

void NoteEngine::OnChannelCommand(int channel) {
  if (channel < 0 || channel >= kChannelCount) return;  // no menu item sends these
  ui_.CheckMenuItem(CMD_CHANNEL_BASE + state_.channel, false);
  if (PedalDown() && channel != state_.channel) {
    // The pedal stays down, on the new channel instead of the one left.
    midi_.SendSustain(state_.channel, false);
    midi_.SendSustain(channel, true);
    pedalChannels_ =
        static_cast<uint16_t>((pedalChannels_ & ~(1u << state_.channel)) | (1u << channel));
  }
  state_.channel = channel;
  ui_.CheckMenuItem(CMD_CHANNEL_BASE + channel, true);
  SendProgramChanges();
  ui_.Invalidate(true);
}

void NoteEngine::OnProgramCommand(int program) {
  if (program < 0 || program >= kProgramCount) return;  // no menu item sends these
  ui_.CheckMenuItem(CMD_PROGRAM_BASE + state_.program, false);
  state_.program = program;
  ui_.CheckMenuItem(CMD_PROGRAM_BASE + program, true);
  SendProgramChanges();
  ui_.Invalidate(true);
}

void NoteEngine::OnKeySignatureCommand(int keySignature) {
  if (keySignature < CMD_KEY_FIRST || keySignature > CMD_KEY_LAST) return;
  ui_.CheckMenuItem(state_.keySignature, false);
  ui_.CheckMenuItem(keySignature, true);
  state_.keySignature = keySignature;
  ui_.Invalidate(true);
}

void NoteEngine::OnBassCommand() {
  state_.bassDoubling = !state_.bassDoubling;
  if (PedalDown()) {
    // The bass voice holds the pedal exactly while it doubles the melody.
    midi_.SendSustain(kBassChannel, state_.bassDoubling);
    if (state_.bassDoubling) {
      pedalChannels_ |= 1u << kBassChannel;
    } else {
      pedalChannels_ &= static_cast<uint16_t>(~(1u << kBassChannel));
    }
  }
  ui_.CheckMenuItem(CMD_BASS, state_.bassDoubling);
}

}  // namespace velmira
