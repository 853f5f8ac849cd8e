// What differs between velmira and its simulation build velmira-sim: the MIDI output service
// (the built-in synthesizer and the ALSA ports, or the simulated synthesizer), the menu items
// of the synthesizer, and (simulation only) a dump of the live menu bar for the tests.
#pragma once

#include <memory>
#include <string>

#include "engine/clock.h"
#include "engine/midi_output_service.h"
#include "qt/options.h"

class QMenuBar;
class QWidget;

namespace velmira {

std::unique_ptr<MidiOutputService> CreateMidiOutputService(Clock& clock,
                                                           const ProgramOptions& options);
// After the menu bar is built: the program's own items.
void ExtendMenuBar(QMenuBar* bar, QWidget* window);
// Called after the main window is created and after every command it handles.
void ReportMenuBar(const QMenuBar* menuBar);
// Why the output device failed to open, for the player (shown under "Cannot open MIDI
// device"); empty when there is nothing to say. Taken once.
std::string TakeDeviceError();

}  // namespace velmira
