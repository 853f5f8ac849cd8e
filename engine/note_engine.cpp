#include "engine/note_engine.h"

#include "commands/command_ids.h"
#include "engine/key_map.h"

namespace velmira {

namespace {

constexpr uint32_t kAutoRepeatBit = 1u << 30;

int32_t* HoldCounter(PlayerState& state, int32_t shift) {
  if (shift < 0) return &state.holdLowered;
  if (shift > 0) return &state.holdRaised;
  return &state.holdPlain;
}

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

}  // namespace

NoteEngine::NoteEngine(PlayerState& state, MidiOutput& midi, UiEffects& ui, ModifierKeys& modifiers)
    : state_(state), midi_(midi), ui_(ui), modifiers_(modifiers) {}

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

// A pedal stroke changes nothing of the octave latch. A key-down while the pedal is down and a
// key-up while it is up (lifted by Esc or a lost focus) are not strokes.
void NoteEngine::PlayPedal(NoteSource source, uint32_t message, uint32_t keyData,
                           int32_t octaveShift) {
  const bool down = message == kKeyDownMessage;
  if (down == PedalDown() || (message != kKeyDownMessage && message != kKeyUpMessage)) return;
  if (source == NoteSource::Live) {
    if (down && (keyData & kAutoRepeatBit) != 0) return;
    if (recorder_ != nullptr) recorder_->RecordKeyEvent(message, keyData, octaveShift);
  }
  if (down) {
    PressPedal();
  } else {
    LiftPedal();
  }
  if (drawer_ != nullptr) drawer_->DrawPedal(PedalDown());
}

void NoteEngine::PlayKeyEvent(uint32_t message, uint32_t keyData) {
  if (IsPedalKey(keyData)) return PlayPedal(NoteSource::Live, message, keyData, 0);
  const KeySlot* slot = PlayableSlot(keyData);
  if (slot == nullptr) return;
  const int slotIndex = SlotIndexOf(keyData);

  if (message == kKeyDownMessage) {
    const bool autoRepeat = (keyData & kAutoRepeatBit) != 0;
    if (state_.holdLowered == 0 && state_.holdPlain == 0 && state_.holdRaised == 0) {
      // No key is held: latch the shift from the modifiers; Shift wins over Ctrl.
      if (modifiers_.ShiftDown()) {
        state_.shiftState = 1;
        state_.holdRaised = 1;
      } else if (modifiers_.CtrlDown()) {
        state_.shiftState = -1;
        state_.holdLowered = 1;
      } else {
        state_.shiftState = 0;
        state_.holdPlain = 1;
      }
      if (autoRepeat) return;
    } else {
      if (autoRepeat) return;
      ++*HoldCounter(state_, state_.shiftState);
    }
    if (recorder_ != nullptr)
      recorder_->RecordKeyEvent(kKeyDownMessage, keyData, state_.shiftState);
    StartNotes(NoteSource::Live, slotIndex, *slot, state_.shiftState);
    if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, true, false, 0);
    return;
  }

  if (message != kKeyUpMessage) return;
  if (recorder_ != nullptr) recorder_->RecordKeyEvent(kKeyUpMessage, keyData, state_.shiftState);
  int32_t* counter = HoldCounter(state_, state_.shiftState);
  if (--*counter == 0) state_.shiftState = 0;
  // End exactly the notes that this key's key-down started.
  const SoundingNotes notes = ledger_.Take(NoteSource::Live, slotIndex);
  for (int i = 0; i < notes.count; ++i) EndNote(notes.notes[i]);
  if (drawer_ != nullptr) drawer_->DrawKeyCap(slotIndex, false, false, 0);
}

void NoteEngine::ReplayKeyEvent(uint32_t message, uint32_t keyData, int32_t octaveShift) {
  if (IsPedalKey(keyData)) return PlayPedal(NoteSource::Replay, message, keyData, octaveShift);
  const KeySlot* slot = PlayableSlot(keyData);
  if (slot == nullptr) return;
  // Only a file can carry another shift; its notes could leave 0..127, so it is skipped.
  if (octaveShift < -1 || octaveShift > 1) return;
  const int slotIndex = SlotIndexOf(keyData);

  if (message == kKeyUpMessage) {
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

void NoteEngine::StopAllNotes() {
  LiftPedal();
  state_.holdLowered = 0;
  state_.holdPlain = 0;
  state_.holdRaised = 0;
  midi_.SendAllNotesOff();
  ledger_.Clear();
}

void NoteEngine::OnEscape() {
  StopAllNotes();
  ui_.Invalidate(true);
}

void NoteEngine::OnVelocityScroll(int code, int thumbPosition) {
  int velocity;
  switch (code) {
    case kScrollLineUp: velocity = state_.velocity + 1; break;
    case kScrollLineDown: velocity = state_.velocity - 1; break;
    case kScrollPageUp: velocity = state_.velocity + 8; break;
    case kScrollPageDown: velocity = state_.velocity - 8; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: velocity = 128 - thumbPosition; break;
    default: return;
  }
  state_.velocity = Clamp(velocity, 1, 127);
  ui_.SetScrollPosition(IDC_VELOCITY, 128 - state_.velocity);
}

void NoteEngine::OnPitchBendScroll(int code, int thumbPosition) {
  int bend;
  if (code == kScrollThumbTrack) {
    bend = Clamp(16383 - thumbPosition, 0, 16383);
  } else if (code == kScrollThumbPosition) {
    bend = 8191;  // released: the bar springs back to the centre
  } else {
    return;
  }
  ui_.SetScrollPosition(IDC_PITCH_BEND, 16383 - bend);
  if (state_.switchedOn) midi_.SendPitchBend(state_.channel, bend);
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
