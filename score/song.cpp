#include "score/song.h"

#include <algorithm>
#include <cmath>

#include "commands/command_ids.h"
#include "engine/key_map.h"
#include "record/key_data.h"
#include "score/jianpu_text.h"

namespace velmira {

namespace {

// The middle rows (Q and A) before the number row and the Z row.
int RowRank(int row) { return row == 1 || row == 2 ? 0 : 1; }

}  // namespace

bool ChooseKey(int semitones, int shift, KeyChoice* choice) {
  int best = -1;
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    const KeySlot* key = PlayableSlot(slot);
    if (key == nullptr || BaseNote(*key) - 60 + 12 * shift != semitones) continue;
    if (best < 0 || RowRank(key->row) < RowRank(KeyMap[best].row)) best = slot;
  }
  if (best < 0) return false;
  *choice = KeyChoice{best, shift};
  return true;
}

bool ChooseKey(int semitones, KeyChoice* choice) {
  if (ChooseKey(semitones, 0, choice)) return true;
  KeyChoice up, down;
  const bool canUp = ChooseKey(semitones, 1, &up);
  const bool canDown = ChooseKey(semitones, -1, &down);
  if (canUp && (!canDown || RowRank(KeyMap[up.slot].row) <= RowRank(KeyMap[down.slot].row))) {
    *choice = up;
    return true;
  }
  if (canDown) *choice = down;
  return canDown;
}

bool ChooseSongKeys(const Score& score, SongKeys* keys, std::string* error) {
  keys->assign(score.bars.size(), {});
  for (size_t b = 0; b < score.bars.size(); ++b) {
    for (const ScoreItem& item : score.bars[b].items) {
      std::vector<KeyChoice> chosen;
      bool reached = true;
      if (item.pitches.size() == 1) {
        chosen.resize(1);
        reached = ChooseKey(item.pitches[0].Semitones(), &chosen[0]);
      } else if (!item.pitches.empty()) {
        reached = false;
        for (int shift : {0, 1, -1}) {
          chosen.assign(item.pitches.size(), KeyChoice{});
          reached = true;
          for (size_t p = 0; p < item.pitches.size() && reached; ++p) {
            reached = ChooseKey(item.pitches[p].Semitones(), shift, &chosen[p]);
          }
          if (reached) break;
        }
      }
      if (!reached) {
        std::string what;
        for (const Pitch& pitch : item.pitches)
          what += (what.empty() ? "" : " ") + PitchText(pitch);
        const std::string place = item.line > 0 ? TextPlace(item.line, item.column)
                                                : "第 " + std::to_string(b + 1) + " 小节: ";
        *error = place + (item.pitches.size() > 1 ? "和弦 [" + what + "]" : "音 " + what) +
                 " 在键盘上弹不到 (按 Shift 或 Ctrl 也不行)";
        return false;
      }
      (*keys)[b].push_back(std::move(chosen));
    }
  }
  return true;
}

std::vector<PerformanceEvent> SongPerformance(const Score& score, const SongKeys& keys,
                                              Tempo* tempo) {
  *tempo = Tempo{};
  tempo->microsPerQuarter = MicrosPerQuarter(score.bpm);
  tempo->numerator = score.numerator;
  tempo->denominator = score.denominator;
  const double sixteenth = tempo->microsPerQuarter / 4000.0;
  struct Stroke {
    uint32_t at;
    bool down;
    KeyChoice key;
  };
  std::vector<Stroke> strokes;
  int position = 0;  // sixteenths from the song's start
  bool tiedFromBefore = false;
  std::vector<size_t> open;  // key-ups waiting at the end of a tied note
  for (size_t b = 0; b < score.bars.size(); ++b) {
    if (b == 1) tempo->downbeatMs = static_cast<uint32_t>(std::lround(position * sixteenth));
    for (size_t i = 0; i < score.bars[b].items.size(); ++i) {
      const ScoreItem& item = score.bars[b].items[i];
      const uint32_t start = static_cast<uint32_t>(std::lround(position * sixteenth));
      position += item.length;
      const uint32_t end = static_cast<uint32_t>(std::lround(position * sixteenth));
      if (item.rest()) continue;
      if (!tiedFromBefore) {
        open.clear();
        for (const KeyChoice& key : keys[b][i]) {
          strokes.push_back(Stroke{start, true, key});
          open.push_back(strokes.size());
          strokes.push_back(Stroke{end, false, key});
        }
      } else {
        for (size_t index : open) strokes[index].at = end;  // the tie holds the keys on
      }
      tiedFromBefore = item.tiedToNext;
    }
  }
  if (score.bars.size() == 1 || !score.HasUpbeat()) tempo->downbeatMs = 0;
  // In time; at one moment the key-ups come before the key-downs.
  std::stable_sort(strokes.begin(), strokes.end(), [](const Stroke& a, const Stroke& b) {
    return a.at != b.at ? a.at < b.at : (!a.down && b.down);
  });
  std::vector<PerformanceEvent> events;
  events.reserve(strokes.size());
  uint32_t last = 0;
  for (const Stroke& s : strokes) {
    const KeyEvent key = KeyStroke(s.key.slot, s.down);
    events.push_back(PerformanceEvent{s.at - last, s.down ? kKeyDownMessage : kKeyUpMessage,
                                      PackKeyData(key), s.key.shift});
    last = s.at;
  }
  return events;
}

}  // namespace velmira
