#include "score/transcribe.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "engine/key_map.h"
#include "record/key_data.h"
#include "score/notation.h"
#include "score/tempo_estimate.h"

namespace velmira {

namespace {

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

LiveTranscription::LiveTranscription() : open_(kKeySlotCount, -1) {}

void LiveTranscription::Start(int keySignature, const Tempo& tempo, const std::string& title,
                              uint8_t numerator, uint8_t denominator) {
  *this = LiveTranscription();
  score_.title = title;
  score_.majorKey = MajorKeyOfKeySignature(keySignature);
  estimating_ = !tempo.known();
  Tempo metre;
  metre.numerator = numerator;
  metre.denominator = denominator;
  SetTempo(estimating_ ? metre : tempo);
}

void LiveTranscription::SetTempo(const Tempo& tempo) {
  tempo_ = tempo;
  score_.estimated = estimating_;
  score_.numerator = tempo.numerator;
  score_.denominator = tempo.denominator;
  score_.bpm = TempoBpm(tempo);
}

size_t LiveTranscription::ReadNotes(const PerformanceEvent* events, uint32_t count) {
  size_t changed = notes_.size();
  if (count <= read_) return changed;
  // The notes still held end with the last event: they change as time goes on.
  for (int index : open_) {
    if (index >= 0) changed = std::min(changed, static_cast<size_t>(index));
  }
  for (uint32_t i = read_; i < count; ++i) {
    atMs_ += events[i].deltaMs;
    const int slot = KeySlotOf(events[i].keyData);
    const KeySlot* key = PlayableSlot(slot);
    if (key == nullptr || events[i].octaveShift < -1 || events[i].octaveShift > 1) continue;
    int& open = open_[static_cast<size_t>(slot)];
    if (open >= 0) {
      notes_[static_cast<size_t>(open)].offMs = atMs_;  // its key-up, or a second key-down
      open = -1;
    }
    if (events[i].message != 256) continue;
    const int semitones = BaseNote(*key) - 60 + 12 * events[i].octaveShift;
    open = static_cast<int>(notes_.size());
    notes_.push_back(PlayedNote{atMs_, atMs_, PitchOfSemitones(semitones)});
  }
  for (int index : open_) {
    if (index >= 0) notes_[static_cast<size_t>(index)].offMs = atMs_;  // still held
  }
  read_ = count;
  return changed;
}

int LiveTranscription::Update(const PerformanceEvent* events, uint32_t count) {
  const size_t changed = ReadNotes(events, count);
  if (changed == notes_.size()) return static_cast<int>(score_.bars.size());
  return Rewrite(changed);
}

// What lies between from and to (in sixteenths from the first bar line), appended to the bars
// placed: a rest, or the pitches, split at the bar lines and tied across them.
void LiveTranscription::Place(int from, int to, std::vector<Pitch> pitches) {
  const int barLength = score_.BarLength();
  while (from < to) {
    const int bar = FloorDiv(from - grid0_, barLength);
    const int barStart = grid0_ + bar * barLength;
    const int piece = std::min(to, barStart + barLength) - from;
    ScoreItem item;
    item.start = from - barStart;
    item.length = piece;
    from += piece;
    item.tiedToNext = !pitches.empty() && from < to;
    item.pitches = from < to ? pitches : std::move(pitches);  // the last piece takes them
    placed_[static_cast<size_t>(bar)].items.push_back(std::move(item));
  }
}

int LiveTranscription::Rewrite(size_t changed, bool once) {
  if (estimating_ && (notes_.size() < 16 || notes_.size() >= 2 * estimatedAt_)) {
    const Tempo guess = EstimateTempo(notes_, tempo_.numerator, tempo_.denominator);
    estimatedAt_ = notes_.size();
    if (!(guess == tempo_)) changed = 0;  // a new grid: everything moves
    SetTempo(guess);
  }
  if (notes_.empty()) {
    strokes_.clear();
    placed_.clear();
    score_.bars.clear();
    return 0;
  }
  // The strokes from the one that holds the note before the first that changed: a new note may
  // join that chord, and its end depends on the stroke after it. The ones before it stay.
  size_t first = 0;
  if (changed > 0 && exact_) {
    size_t s = strokes_.size();
    while (s > 0 && strokes_[s - 1].firstNote > changed - 1) --s;
    first = s >= 1 ? s - 1 : 0;
  }
  const size_t fromNote = first < strokes_.size() ? strokes_[first].firstNote : 0;
  strokes_.resize(std::min(first, strokes_.size()));
  if (strokes_.empty()) first = 0;

  // Onsets to the grid; notes of one sixteenth are a chord, which ends with its shortest note.
  const double sixteenth = QuarterMs(tempo_) / 4;
  auto grid = [&](uint32_t ms) {
    return static_cast<int>(std::lround((static_cast<double>(ms) - tempo_.downbeatMs) / sixteenth));
  };
  for (size_t n = first == 0 ? 0 : fromNote; n < notes_.size(); ++n) {
    const PlayedNote& note = notes_[n];
    const int onset = grid(note.onMs);
    if (!strokes_.empty() && strokes_.back().onset == onset && strokes_.size() > first) {
      Stroke& chord = strokes_.back();
      if (std::find(chord.pitches.begin(), chord.pitches.end(), note.pitch) ==
          chord.pitches.end()) {
        chord.pitches.push_back(note.pitch);
      }
      chord.releaseMs = std::min(chord.releaseMs, note.offMs);
      continue;
    }
    strokes_.push_back(Stroke{onset, onset, {note.pitch}, n, note.onMs, note.offMs});
  }
  for (size_t i = first; i < strokes_.size(); ++i) {
    Stroke& s = strokes_[i];
    std::sort(s.pitches.begin(), s.pitches.end(),
              [](const Pitch& a, const Pitch& b) { return a.Semitones() < b.Semitones(); });
    const bool last = i + 1 == strokes_.size();
    const int next = last ? 0 : strokes_[i + 1].onset;
    // Lifted less than a sixteenth before the next note was struck (measured from the stroke,
    // not its grid point, so that a note struck a little early does not turn a legato into a
    // rest).
    if (!last && static_cast<double>(strokes_[i + 1].struckMs) - s.releaseMs < sixteenth) {
      s.end = next;  // lifted a little early: it lasts to the next onset
    } else {
      s.end = std::max(grid(s.releaseMs), s.onset + 1);
      if (!last) s.end = std::min(s.end, next);
    }
  }

  // The first bar written: the upbeat from the first note before the first bar line, else the
  // bar the first note falls in. Bars before the one the first rewritten stroke begins in stay.
  const int barLength = score_.BarLength();
  const int firstOnset = strokes_.front().onset;
  const int firstBar = FloorDiv(firstOnset, barLength);
  const int start = firstOnset < 0 ? firstOnset : firstBar * barLength;
  grid0_ = firstOnset < 0 ? firstBar * barLength : start;
  const int bars = FloorDiv(strokes_.back().end - 1 - grid0_, barLength) + 1;
  int keep = first == 0 ? 0 : FloorDiv(strokes_[first].onset - grid0_, barLength);
  if (keep <= 0) {
    keep = 0;
    first = 0;
  }
  const int from = keep == 0 ? start : grid0_ + keep * barLength;
  size_t s = first;
  while (s > 0 && strokes_[s - 1].end > from) --s;  // what rings on into the first bar rewritten
  placed_.resize(static_cast<size_t>(keep));
  placed_.resize(static_cast<size_t>(bars));
  int at = from;
  for (; s < strokes_.size(); ++s) {
    Stroke& stroke = strokes_[s];
    Place(at, stroke.onset, {});
    Place(std::max(at, stroke.onset), stroke.end,
          once ? std::move(stroke.pitches) : stroke.pitches);
    at = stroke.end;
  }
  bool empty = false;
  for (size_t b = static_cast<size_t>(keep); b < placed_.size(); ++b) {
    ScoreBar& bar = placed_[b];
    int length = 0;
    for (const ScoreItem& item : bar.items) length += item.length;
    bar.length = length;
    empty = empty || bar.items.empty();
    if (b == 0 && firstOnset < 0) {
      // The upbeat's items start where the bar is cut.
      for (ScoreItem& item : bar.items) item.start -= barLength - length;
    }
  }
  score_.bars.resize(static_cast<size_t>(keep));
  if (once) {
    score_.bars.insert(score_.bars.end(), std::make_move_iterator(placed_.begin() + keep),
                       std::make_move_iterator(placed_.end()));
  } else {
    score_.bars.insert(score_.bars.end(), placed_.begin() + keep, placed_.end());
  }
  exact_ = !empty;
  if (empty) {
    score_.bars.erase(std::remove_if(score_.bars.begin(), score_.bars.end(),
                                     [](const ScoreBar& bar) { return bar.items.empty(); }),
                      score_.bars.end());
  }
  SplitForWriting(score_, static_cast<size_t>(keep));
  return keep;
}

std::vector<PlayedNote> PlayedNotes(const PerformanceEvent* events, uint32_t count) {
  LiveTranscription reader;
  reader.notes_.reserve(count / 2 + 1);
  reader.ReadNotes(events, count);
  return std::move(reader.notes_);
}

Score TranscribeNotes(const std::vector<PlayedNote>& notes, int keySignature, const Tempo& tempo,
                      const std::string& title, uint8_t numerator, uint8_t denominator) {
  LiveTranscription live;
  live.Start(keySignature, tempo, title, numerator, denominator);
  live.notes_ = notes;
  live.Rewrite(0, true);
  return std::move(live.score_);
}

Score Transcribe(const PerformanceEvent* events, uint32_t count, int keySignature,
                 const Tempo& tempo, const std::string& title, uint8_t numerator,
                 uint8_t denominator) {
  LiveTranscription live;
  live.Start(keySignature, tempo, title, numerator, denominator);
  live.notes_.reserve(count / 2 + 1);
  live.ReadNotes(events, count);
  live.Rewrite(0, true);
  return std::move(live.score_);
}

}  // namespace velmira
