// What differs between velmira and its simulation build velmira-sim: the MIDI output service,
// and (simulation only) a dump of the live menu bar for the end-to-end tests.
#pragma once

#include <memory>

#include "engine/clock.h"
#include "engine/midi_output_service.h"

class QMenuBar;

namespace velmira {

std::unique_ptr<MidiOutputService> CreateMidiOutputService(Clock& clock);
// Called after the main window is created and after every command it handles.
void ReportMenuBar(const QMenuBar* menuBar);

}  // namespace velmira
