// Standard MIDI File export: the melody on channel 0 (format 0), and with bass doubling a
// second track with the bass voice on channel 15 (format 1). 192 ticks per quarter note; no
// quantisation. A performance without a tempo is written at 759494 microseconds per quarter; one
// with a tempo at its own, with its time signature, its bar lines on the file's.
#pragma once

#include <cstdint>
#include <vector>

#include "record/performance_event.h"
#include "record/tempo.h"

namespace velmira {

// Ticks from the start of the performance to a moment totalMs milliseconds in, rounded down.
uint64_t TicksAtMs(uint64_t totalMs);

// Appends a variable-length quantity (at most 0x0FFFFFFF).
void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value);

// The whole file. False (and nothing usable in out) when the key signature is not one of the
// 24, or a pause is longer than the format can express.
bool EncodeMidiFile(const PerformanceEvent* events, uint32_t count, int32_t keySignature,
                    int program, bool bassDoubling, std::vector<uint8_t>* out,
                    const Tempo& tempo = Tempo{});

// Writes the file safely: on failure no file is left and an existing one is untouched. Returns
// null, or the template of the file error (one "%s" for the file name); running out of memory
// is such a failure too.
const char* ExportMidiFile(const PerformanceEvent* events, uint32_t count, int32_t keySignature,
                           int program, bool bassDoubling, const char* path,
                           const Tempo& tempo = Tempo{});

}  // namespace velmira
