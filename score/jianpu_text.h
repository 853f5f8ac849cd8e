// The score as plain text (UTF-8), as the program writes it and reads songs:
//
//   title: 两只老虎
//   # comments
//   1=C 4/4 ♩=100
//   | 1 2 3 1 | 1 2 3 1 | 3 4 5 - | 3 4 5 - |
//   | 5_ 6_ 5_ 4_ 3 1 | [1 3 5] - - - ||
//
// The head names "1=" (C D E F G A B #F #C bB bE bA), the metre and the tempo ("♩=" or, when it
// was guessed, "♩≈"; "q=" and "q~" are read too). Bars stand between "|", at most four a line,
// the last closed by "||". A note is an optional "#" or "b", a digit 1 to 7 (0 a rest), octave
// marks ("'" an octave up, "," down) and duration marks ("_" an eighth, "__" a sixteenth, then
// "." for dotted); "-" lengthens the note before it by a quarter; a chord is "[" notes "]" with
// its duration marks; "~" before a note or chord ties it to the one before. The first bar may be
// short (an upbeat); every other bar but the last is full.
#pragma once

#include <string>

#include "score/score.h"

namespace velmira {

// The score as text. Items one token cannot write are split first (tied), as SplitForWriting.
std::string WriteJianpuText(const Score& score);
// A pitch as the text writes it: "b7", "#4", "5'", "1,,".
std::string PitchText(const Pitch& pitch);

// Reads a score; on a fault returns false and *error names the line, the column and what was
// expected there ("第 3 行第 14 列: ...", GBK text in the Windows program).
bool ReadJianpuText(const std::string& text, Score* score, std::string* error);

// "第 3 行第 14 列: ", the start of such a message.
std::string TextPlace(int line, int column);

}  // namespace velmira
