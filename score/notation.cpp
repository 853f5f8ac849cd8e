#include "score/notation.h"

#include <algorithm>

namespace velmira {

bool WritableRestLength(int length) { return (length >= 1 && length <= 4) || length == 6; }

bool WritableNoteLength(int length) {
  return WritableRestLength(length) || length == 8 || length == 12 || length == 16;
}

int BeatLength(const Score& score) {
  if (score.denominator == 8) return score.numerator % 3 == 0 ? 6 : 2;
  return 16 / score.denominator;
}

namespace {

// The next piece of an item that starts at `start` with `left` sixteenths to go: up to the next
// beat first when it starts off the beat, then the longest length that one token writes. In a
// compound metre (a dotted quarter's beat) the pieces follow its beats; elsewhere a piece is
// never dotted (a dotted quarter is written only where the item is exactly that long).
int PieceLength(int start, int left, int beat, bool rest) {
  int limit = left;
  const int toBeat = beat - start % beat;
  if (toBeat != beat && toBeat < limit) limit = toBeat;
  for (int length : {16, 12, 8, 6, 4, 3, 2, 1}) {
    if (length > limit || !(rest ? WritableRestLength(length) : WritableNoteLength(length))) {
      continue;
    }
    if ((length == 6) != (beat == 6) && (length == 6 || length == 8 || length == 16)) continue;
    return length;
  }
  return 1;
}

}  // namespace

void SplitForWriting(Score& score, size_t firstBar) {
  const int beat = BeatLength(score);
  auto writable = [](const ScoreItem& item) {
    return item.rest() ? WritableRestLength(item.length) : WritableNoteLength(item.length);
  };
  for (size_t b = firstBar; b < score.bars.size(); ++b) {
    ScoreBar& bar = score.bars[b];
    if (std::all_of(bar.items.begin(), bar.items.end(), writable)) continue;
    std::vector<ScoreItem> items;
    items.reserve(bar.items.size() + 4);
    for (ScoreItem& item : bar.items) {
      if (writable(item)) {
        items.push_back(std::move(item));
        continue;
      }
      int start = item.start;
      int left = item.length;
      while (left > 0) {
        ScoreItem piece = item;
        piece.start = start;
        piece.length = PieceLength(start, left, beat, item.rest());
        left -= piece.length;
        start += piece.length;
        piece.tiedToNext = item.rest() ? false : (left > 0 || item.tiedToNext);
        items.push_back(piece);
      }
    }
    bar.items = std::move(items);
  }
}

}  // namespace velmira
