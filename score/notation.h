// Lengths as jianpu writes them: which lengths one token can write, and how a longer or odd
// length is cut into pieces that can be written (tied notes, or rests one after the other).
#pragma once

#include "score/score.h"

namespace velmira {

// A note token writes 1, 2, 3, 4 or 6 sixteenths (a sixteenth, an eighth, a dotted eighth, a
// quarter, a dotted quarter), and a quarter with one, two or three dashes 8, 12 or 16; a rest
// writes 1, 2, 3, 4 or 6 (longer rests are "0 0").
bool WritableNoteLength(int length);
bool WritableRestLength(int length);

// Cuts every item of the score whose length one token cannot write into pieces that can be
// written: at the beat (beatLength sixteenths) first, then as long as possible; the pieces of a
// note are tied, the pieces of a rest are rests. Items that can be written are left alone. Bars
// before firstBar are left as they are.
void SplitForWriting(Score& score, size_t firstBar = 0);

// The beat of the score's metre in sixteenths: 4 in x/4, 8 in x/2, 6 in 6/8, 9/8 and 12/8,
// 2 in other x/8.
int BeatLength(const Score& score);

}  // namespace velmira
