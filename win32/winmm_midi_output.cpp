#include "win32/winmm_midi_output.h"

#include <windows.h>

#include <mmsystem.h>

namespace velmira {

unsigned WinmmMidiOutput::DeviceCount() { return midiOutGetNumDevs(); }

bool WinmmMidiOutput::DeviceName(int device, std::string* name) {
  MIDIOUTCAPSA caps{};
  // Device -1 is MIDI_MAPPER.
  if (midiOutGetDevCapsA(static_cast<UINT_PTR>(static_cast<UINT>(device)), &caps, sizeof caps) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  caps.szPname[sizeof caps.szPname - 1] = '\0';
  *name = caps.szPname;
  return true;
}

bool WinmmMidiOutput::Open(int device, MidiOutHandle* handle) {
  HMIDIOUT out = nullptr;
  if (midiOutOpen(&out, static_cast<UINT>(device), 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    return false;
  }
  *handle = reinterpret_cast<MidiOutHandle>(out);
  return true;
}

void WinmmMidiOutput::ShortMessage(MidiOutHandle handle, uint32_t message) {
  midiOutShortMsg(reinterpret_cast<HMIDIOUT>(handle), message);
}

void WinmmMidiOutput::Close(MidiOutHandle handle) {
  midiOutClose(reinterpret_cast<HMIDIOUT>(handle));
}

}  // namespace velmira
