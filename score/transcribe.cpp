#include "score/transcribe.h"

#include <algorithm>
#include <cmath>

#include "engine/key_map.h"
#include "record/key_data.h"
#include "score/notation.h"
#include "score/tempo_estimate.h"

namespace velmira {

namespace {

// A note or chord on the grid, in sixteenths from the first bar line.
struct Stroke {
  int onset;
  int end;
  std::vector<Pitch> pitches;
};

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

std::vector<Stroke> Strokes(const std::vector<PlayedNote>& notes, const Tempo& tempo) {
  const double sixteenth = QuarterMs(tempo) / 4;
  auto grid = [&](uint32_t ms) {
    return static_cast<int>(std::lround((static_cast<double>(ms) - tempo.downbeatMs) / sixteenth));
  };
  // Onsets to the grid; notes of one sixteenth are a chord, which ends with its shortest note.
  std::vector<Stroke> strokes;
  std::vector<uint32_t> releases;
  std::vector<uint32_t> struck;  // when each stroke's first key went down
  strokes.reserve(notes.size());
  releases.reserve(notes.size());
  struck.reserve(notes.size());
  for (const PlayedNote& note : notes) {
    const int onset = grid(note.onMs);
    if (!strokes.empty() && strokes.back().onset == onset) {
      Stroke& chord = strokes.back();
      if (std::find(chord.pitches.begin(), chord.pitches.end(), note.pitch) ==
          chord.pitches.end()) {
        chord.pitches.push_back(note.pitch);
      }
      releases.back() = std::min(releases.back(), note.offMs);
      continue;
    }
    strokes.push_back(Stroke{onset, onset, {note.pitch}});
    releases.push_back(note.offMs);
    struck.push_back(note.onMs);
  }
  for (size_t i = 0; i < strokes.size(); ++i) {
    Stroke& s = strokes[i];
    std::sort(s.pitches.begin(), s.pitches.end(),
              [](const Pitch& a, const Pitch& b) { return a.Semitones() < b.Semitones(); });
    const bool last = i + 1 == strokes.size();
    const int next = last ? 0 : strokes[i + 1].onset;
    // Lifted less than a sixteenth before the next note was struck (measured from the stroke,
    // not its grid point, so that a note struck a little early does not turn a legato into a
    // rest).
    if (!last && static_cast<double>(struck[i + 1]) - releases[i] < sixteenth) {
      s.end = next;  // lifted a little early: it lasts to the next onset
    } else {
      s.end = std::max(grid(releases[i]), s.onset + 1);
      if (!last) s.end = std::min(s.end, next);
    }
  }
  return strokes;
}

// Appends to the bars what lies between from and to (in sixteenths from the first bar line):
// a rest, or the stroke's pitches, split at the bar lines and tied across them.
void Place(std::vector<ScoreBar>& bars, int barStart0, int barLength, int from, int to,
           std::vector<Pitch>&& pitches) {
  while (from < to) {
    const int bar = FloorDiv(from - barStart0, barLength);
    const int barStart = barStart0 + bar * barLength;
    const int piece = std::min(to, barStart + barLength) - from;
    ScoreBar& target = bars[static_cast<size_t>(bar)];
    ScoreItem item;
    item.start = from - barStart;
    item.length = piece;
    from += piece;
    item.tiedToNext = !pitches.empty() && from < to;
    item.pitches = from < to ? pitches : std::move(pitches);  // the last piece takes them
    target.items.push_back(std::move(item));
  }
}

}  // namespace

std::vector<PlayedNote> PlayedNotes(const PerformanceEvent* events, uint32_t count) {
  std::vector<PlayedNote> notes;
  notes.reserve(count / 2 + 1);
  int open[kKeySlotCount];
  std::fill(std::begin(open), std::end(open), -1);
  uint32_t at = 0;
  for (uint32_t i = 0; i < count; ++i) {
    at += events[i].deltaMs;
    const int slot = KeySlotOf(events[i].keyData);
    const KeySlot* key = PlayableSlot(slot);
    if (key == nullptr || events[i].octaveShift < -1 || events[i].octaveShift > 1) continue;
    if (open[slot] >= 0) {
      notes[static_cast<size_t>(open[slot])].offMs = at;  // its key-up, or a second key-down
      open[slot] = -1;
    }
    if (events[i].message != 256) continue;
    const int semitones = BaseNote(*key) - 60 + 12 * events[i].octaveShift;
    open[slot] = static_cast<int>(notes.size());
    notes.push_back(PlayedNote{at, at, PitchOfSemitones(semitones)});
  }
  for (int index : open) {
    if (index >= 0) notes[static_cast<size_t>(index)].offMs = at;  // still held at the end
  }
  return notes;
}

Score TranscribeNotes(const std::vector<PlayedNote>& notes, int keySignature, const Tempo& given,
                      const std::string& title, uint8_t numerator, uint8_t denominator) {
  Score score;
  score.title = title;
  score.majorKey = MajorKeyOfKeySignature(keySignature);
  Tempo tempo = given;
  if (!tempo.known()) {
    tempo = EstimateTempo(notes, numerator, denominator);
    score.estimated = true;
  }
  score.numerator = tempo.numerator;
  score.denominator = tempo.denominator;
  score.bpm = TempoBpm(tempo);
  if (notes.empty()) return score;

  std::vector<Stroke> strokes = Strokes(notes, tempo);
  const int barLength = score.BarLength();
  const int first = strokes.front().onset;
  const int end = strokes.back().end;
  // The first bar written: the upbeat from the first note before the first bar line, else the
  // bar the first note falls in.
  const int firstBar = FloorDiv(first, barLength);
  const int start = first < 0 ? first : firstBar * barLength;
  const int bars = FloorDiv(end - 1 - (first < 0 ? firstBar * barLength : start), barLength) + 1;
  std::vector<ScoreBar> written(static_cast<size_t>(bars));
  for (ScoreBar& bar : written) bar.items.reserve(8);
  const int grid0 = first < 0 ? firstBar * barLength : start;
  int at = start;
  for (Stroke& s : strokes) {
    Place(written, grid0, barLength, at, s.onset, {});
    Place(written, grid0, barLength, s.onset, s.end, std::move(s.pitches));
    at = s.end;
  }
  for (size_t b = 0; b < written.size(); ++b) {
    int length = 0;
    for (const ScoreItem& item : written[b].items) length += item.length;
    written[b].length = length;
    if (b == 0 && first < 0) {
      // The upbeat's items start where the bar is cut.
      for (ScoreItem& item : written[b].items) item.start -= barLength - length;
    }
  }
  written.erase(std::remove_if(written.begin(), written.end(),
                               [](const ScoreBar& bar) { return bar.items.empty(); }),
                written.end());
  score.bars = std::move(written);
  SplitForWriting(score);
  return score;
}

Score Transcribe(const PerformanceEvent* events, uint32_t count, int keySignature,
                 const Tempo& tempo, const std::string& title, uint8_t numerator,
                 uint8_t denominator) {
  return TranscribeNotes(PlayedNotes(events, count), keySignature, tempo, title, numerator,
                         denominator);
}

}  // namespace velmira
