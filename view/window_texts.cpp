#include "view/window_texts.h"

#include "commands/instrument_table.h"

namespace velmira {

std::vector<TextRun> MainWindowTexts(const PaintLayout& at, const PlayerState& state,
                                     MidiOutputService& midi) {
  std::string device;
  if (!midi.DeviceName(state.outputDevice, &device)) device = kUnknownDeviceText;
  return {
      {at.switchText, state.switchedOn ? kSwitchedOnText : kSwitchedOffText},
      {at.deviceName, device},
      {at.channelText, ChannelText(state.channel)},
      {at.hint, kHintText},
      {at.caption, KeyCaption(state.keySignature, InstrumentName(state.program))},
      {at.velocityCaption, kVelocityCaption},
      {at.pitchCaption, kPitchCaption},
  };
}

}  // namespace velmira
