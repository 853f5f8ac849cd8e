#include "app/lesson.h"

#include <algorithm>
#include <cmath>

namespace velmira {

void Lesson::Start(const Score& song, const SongKeys& keys, LessonMode mode, double quarterMs,
                   uint32_t downbeatMs) {
  keys_ = keys;
  mode_ = mode;
  targets_.clear();
  next_ = 0;
  right_ = wrong_ = 0;
  offsetSum_ = 0;
  const double sixteenth = quarterMs / 4;
  // Positions in sixteenths from the first bar line: an upbeat lies before it.
  int position = song.HasUpbeat() ? -song.bars.front().length : 0;
  bool tied = false;
  for (size_t b = 0; b < song.bars.size(); ++b) {
    for (size_t i = 0; i < song.bars[b].items.size(); ++i) {
      const ScoreItem& item = song.bars[b].items[i];
      if (!item.rest() && !tied) {
        Target target;
        target.where = ItemRef{static_cast<int>(b), static_cast<int>(i)};
        for (const Pitch& pitch : item.pitches) target.semitones.push_back(pitch.Semitones());
        target.dueMs = static_cast<uint32_t>(static_cast<int64_t>(downbeatMs) +
                                             std::lround(position * sixteenth));
        target.struck.assign(item.pitches.size(), 0);
        targets_.push_back(std::move(target));
      }
      tied = !item.rest() && item.tiedToNext;
      position += item.length;
    }
  }
  active_ = !targets_.empty();
}

bool Lesson::Untouched() const {
  if (next_ != 0 || wrong_ != 0 || targets_.empty()) return next_ == 0 && wrong_ == 0;
  const std::vector<uint32_t>& struck = targets_.front().struck;
  return std::all_of(struck.begin(), struck.end(), [](uint32_t at) { return at == 0; });
}

ItemRef Lesson::Next() const { return finished() ? ItemRef{} : targets_[next_].where; }

std::vector<KeyChoice> Lesson::NextKeys() const {
  if (finished()) return {};
  const ItemRef at = targets_[next_].where;
  return keys_[static_cast<size_t>(at.bar)][static_cast<size_t>(at.item)];
}

void Lesson::Advance(bool right, uint32_t offset) {
  if (right) {
    ++right_;
    offsetSum_ += static_cast<int32_t>(offset);
  }
  ++next_;
  if (finished()) active_ = false;
}

void Lesson::OnStroke(int semitones, uint32_t nowMs) {
  if (!active_) return;
  if (mode_ == LessonMode::Following) {
    OnTime(nowMs);
    // The note of this pitch whose moment is nearest, among those still open.
    for (size_t t = next_; t < targets_.size(); ++t) {
      Target& target = targets_[t];
      if (static_cast<int32_t>(target.dueMs - nowMs) > static_cast<int32_t>(kLessonWindowMs)) break;
      const auto at = std::find(target.semitones.begin(), target.semitones.end(), semitones);
      if (at == target.semitones.end()) continue;
      uint32_t& struck = target.struck[static_cast<size_t>(at - target.semitones.begin())];
      if (struck != 0) continue;
      struck = nowMs;
      if (std::find(target.struck.begin(), target.struck.end(), 0u) == target.struck.end()) {
        const auto [first, last] = std::minmax_element(target.struck.begin(), target.struck.end());
        while (next_ < t) Advance(false, 0);
        Advance(*last - *first <= kLessonWindowMs, nowMs - target.dueMs);
      }
      return;
    }
    ++wrong_;
    return;
  }
  // Waiting: only the next note or chord counts.
  Target& target = targets_[next_];
  const auto at = std::find(target.semitones.begin(), target.semitones.end(), semitones);
  if (at == target.semitones.end()) {
    ++wrong_;
    target.faulted = true;
    return;
  }
  uint32_t& struck = target.struck[static_cast<size_t>(at - target.semitones.begin())];
  // A chord's notes count together only within 150 ms: a note struck earlier is forgotten.
  for (uint32_t& other : target.struck) {
    if (other != 0 && nowMs - other > kLessonWindowMs) other = 0;
  }
  struck = nowMs;
  if (std::find(target.struck.begin(), target.struck.end(), 0u) == target.struck.end()) {
    Advance(!target.faulted, 0);
  }
}

void Lesson::OnTime(uint32_t nowMs) {
  if (!active_ || mode_ != LessonMode::Following) return;
  while (!finished() && static_cast<int32_t>(nowMs - targets_[next_].dueMs) >
                            static_cast<int32_t>(kLessonWindowMs)) {
    Advance(false, 0);  // its moment has gone by
  }
}

LessonResult Lesson::Result() const {
  LessonResult result;
  result.notes = static_cast<int>(targets_.size());
  result.right = right_;
  result.wrongKeys = wrong_;
  result.meanOffsetMs = right_ > 0 ? offsetSum_ / right_ : 0;
  return result;
}

}  // namespace velmira
