#include "record/midi_export.h"

#include <new>

#include "engine/key_map.h"
#include "engine/key_signature.h"
#include "record/atomic_file.h"
#include "record/file_messages.h"
#include "record/key_data.h"
#include "record/little_endian.h"

namespace velmira {

namespace {

constexpr uint64_t kTicksPerQuarter = 192;
constexpr uint64_t kMicrosecondsPerQuarter = 759494;
constexpr uint32_t kLargestVariableLength = 0x0FFFFFFF;
constexpr uint8_t kTempo[] = {0x00, 0xFF, 0x51, 0x03, 0x0B, 0x96, 0xC6};
constexpr uint8_t kEndOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};
// 399 ticks of silence with a silent note 1, so that the last note is not cut off.
constexpr uint8_t kMelodyTail[] = {0x83, 0x0F, 0x90, 0x01, 0x00, 0x00, 0x80, 0x01, 0x00};

void Append(std::vector<uint8_t>& out, const uint8_t* bytes, size_t n) {
  out.insert(out.end(), bytes, bytes + n);
}

void AppendNote(std::vector<uint8_t>& out, uint32_t delta, int status, int note) {
  AppendVariableLength(out, delta);
  out.push_back(static_cast<uint8_t>(status));
  out.push_back(static_cast<uint8_t>(note));
  out.push_back(0x7F);
}

// The notes one key's key-downs started and its key-up has not yet ended, in order, each once.
struct StartedNotes {
  int notes[3];  // a key sounds at most three pitches: shifted down, unshifted, shifted up
  int count = 0;
  void Add(int note) {
    for (int n = 0; n < count; ++n) {
      if (notes[n] == note) return;
    }
    if (count < 3) notes[count++] = note;
  }
};

int64_t RoundedDivision(int64_t n, int64_t d) {
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

// Where a moment of the performance lies in the file. Without a tempo: at 759494 microseconds a
// quarter from the start, rounded down. With one: at its tempo, rounded to the nearest tick,
// and moved so that its bar line falls on a bar line of the file (the first one that leaves
// room for what comes before it).
class TickClock {
 public:
  explicit TickClock(const Tempo& tempo) : tempo_(tempo) {
    if (!tempo.known()) return;
    const int64_t bar = 192 * 4 * tempo.numerator / tempo.denominator;
    const int64_t downbeat =
        RoundedDivision(int64_t{tempo.downbeatMs} * 192000, tempo.microsPerQuarter);
    downbeatTick_ = (downbeat + bar - 1) / bar * bar;
  }
  uint64_t At(uint64_t totalMs) const {
    if (!tempo_.known()) return TicksAtMs(totalMs);
    const int64_t sinceDownbeat = static_cast<int64_t>(totalMs) - tempo_.downbeatMs;
    return static_cast<uint64_t>(downbeatTick_ +
                                 RoundedDivision(sinceDownbeat * 192000, tempo_.microsPerQuarter));
  }

 private:
  Tempo tempo_;
  int64_t downbeatTick_ = 0;
};

// The tempo of a performance that has one, and its time signature, at the track's start.
void AppendTempo(std::vector<uint8_t>& out, const Tempo& tempo) {
  if (!tempo.known()) {
    Append(out, kTempo, sizeof kTempo);
    return;
  }
  const uint32_t micros = tempo.microsPerQuarter;
  const uint8_t setTempo[] = {0x00,
                              0xFF,
                              0x51,
                              0x03,
                              static_cast<uint8_t>(micros >> 16),
                              static_cast<uint8_t>(micros >> 8),
                              static_cast<uint8_t>(micros)};
  Append(out, setTempo, sizeof setTempo);
  const uint8_t power = tempo.denominator == 2 ? 1 : (tempo.denominator == 4 ? 2 : 3);
  // MIDI clocks a click: 24 a quarter; the beat of a compound metre is a dotted quarter.
  const uint8_t clocks = static_cast<uint8_t>(24 * BeatQuarters(tempo));
  const uint8_t signature[] = {0x00, 0xFF, 0x58, 0x04, tempo.numerator, power, clocks, 8};
  Append(out, signature, sizeof signature);
}

// One track: tempo, program change, one message per playable or pedal event, then the tail.
bool AppendTrack(std::vector<uint8_t>& out, const PerformanceEvent* events, uint32_t count,
                 int offset, int program, uint8_t channel, int transpose, bool melodyTail,
                 const Tempo& tempo) {
  const size_t lengthAt = out.size() + 4;
  Append(out, reinterpret_cast<const uint8_t*>("MTrk\0\0\0\0"), 8);
  const size_t start = out.size();
  AppendTempo(out, tempo);
  const TickClock clock(tempo);
  out.push_back(0x00);
  out.push_back(static_cast<uint8_t>(0xC0 | channel));
  out.push_back(static_cast<uint8_t>(program));
  uint64_t totalMs = 0, writtenTicks = 0;
  StartedNotes started[kKeySlotCount];
  for (uint32_t i = 0; i < count; ++i) {
    totalMs += events[i].deltaMs;
    const KeySlot* slot = PlayableSlot(KeySlotOf(events[i].keyData));
    const bool pedal = KeySlotOf(events[i].keyData) == kPedalScanCode;
    if (slot == nullptr && !pedal) continue;  // its pause is carried to the next event
    const uint64_t ticks = clock.At(totalMs);
    const uint64_t delta = ticks - writtenTicks;
    if (delta > kLargestVariableLength) return false;
    writtenTicks = ticks;
    const bool down = events[i].message == 256;
    if (pedal) {
      // The damper pedal: control change 64.
      AppendVariableLength(out, static_cast<uint32_t>(delta));
      out.push_back(static_cast<uint8_t>(0xB0 | channel));
      out.push_back(64);
      out.push_back(down ? 0x7F : 0x00);
      continue;
    }
    StartedNotes& notes = started[KeySlotOf(events[i].keyData)];
    if (down) {
      // The pitch playback gives it: transposed, and shifted by its own Shift (+1) or Ctrl (-1).
      const int note = BaseNote(*slot) + offset + transpose + 12 * events[i].octaveShift;
      AppendNote(out, static_cast<uint32_t>(delta), 0x90 | channel, note);
      notes.Add(note);
      continue;
    }
    // A key-up ends every note its key's key-downs started (one, unless the file holds more
    // key-downs of the key with other shifts); without any, the note of its own shift.
    if (notes.count == 0)
      notes.Add(BaseNote(*slot) + offset + transpose + 12 * events[i].octaveShift);
    for (int n = 0; n < notes.count; ++n) {
      AppendNote(out, n == 0 ? static_cast<uint32_t>(delta) : 0, 0x80 | channel, notes.notes[n]);
    }
    notes.count = 0;
  }
  if (melodyTail) Append(out, kMelodyTail, sizeof kMelodyTail);
  Append(out, kEndOfTrack, sizeof kEndOfTrack);
  WriteBe32(out.data() + lengthAt, static_cast<uint32_t>(out.size() - start));
  return true;
}

}  // namespace

uint64_t TicksAtMs(uint64_t totalMs) {
  // totalMs * 192000 / 759494 without overflow for any 64-bit total.
  const uint64_t perQuarter = kMicrosecondsPerQuarter;
  const uint64_t scale = kTicksPerQuarter * 1000;
  return (totalMs / perQuarter) * scale + (totalMs % perQuarter) * scale / perQuarter;
}

void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[4];
  int n = 0;
  do {
    groups[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0 && n < 4);
  while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

bool EncodeMidiFile(const PerformanceEvent* events, uint32_t count, int32_t keySignature,
                    int program, bool bassDoubling, std::vector<uint8_t>* out, const Tempo& tempo) {
  int offset;
  if (!KeySignatureOffset(keySignature, &offset)) return false;
  if (program < 0 || program > 127) return false;
  out->clear();
  out->reserve(14 + 2 * (31 + size_t{count} * 7));
  const uint8_t header[] = {'M',  'T',
                            'h',  'd',
                            0,    0,
                            0,    6,
                            0,    bassDoubling ? uint8_t{1} : uint8_t{0},
                            0,    bassDoubling ? uint8_t{2} : uint8_t{1},
                            0x00, 0xC0};
  Append(*out, header, sizeof header);
  if (!AppendTrack(*out, events, count, offset, program, 0, 0, true, tempo)) return false;
  if (bassDoubling && !AppendTrack(*out, events, count, offset, program, 15, -12, false, tempo)) {
    return false;
  }
  return true;
}

const char* ExportMidiFile(const PerformanceEvent* events, uint32_t count, int32_t keySignature,
                           int program, bool bassDoubling, const char* path, const Tempo& tempo) {
  std::vector<uint8_t> bytes;
  try {
    if (!EncodeMidiFile(events, count, keySignature, program, bassDoubling, &bytes, tempo)) {
      return kCannotWriteFile;
    }
  } catch (const std::bad_alloc&) {
    return kCannotWriteFile;
  }
  return WriteFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace velmira
