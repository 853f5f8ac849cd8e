// What differs between velmira.exe and its simulation build velmira-sim.exe: the MIDI output
// service, and (simulation only) a dump of the menu bar for the end-to-end tests.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/midi_output_service.h"
#include "record/playback.h"

namespace velmira {

std::unique_ptr<MidiOutputService> CreateMidiOutputService();
// Called after the main window is created and after every command it handles.
void ReportMenuBar(HWND window);
// How playback schedules its events (the simulation build can be asked for the chained
// baseline with VELMIRA_SIM_SCHEDULING=chained, for timing measurements).
Scheduling PlaybackScheduling();

}  // namespace velmira
