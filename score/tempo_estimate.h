// The tempo of a performance recorded without one, guessed from its onsets: the typical distance
// between onsets gives candidate beats; each is fitted to the onsets on a sixteenth grid (a line
// through them, so a steady drift of the player does not throw it off), and the candidate that
// fits best with the simplest rhythm at a usual tempo wins. The first bar line is the first
// onset's grid point.
#pragma once

#include <vector>

#include "record/tempo.h"
#include "score/transcribe.h"

namespace velmira {

Tempo EstimateTempo(const std::vector<PlayedNote>& notes, uint8_t numerator = 4,
                    uint8_t denominator = 4);

}  // namespace velmira
