#include "record/performance_file.h"

#include <cstdio>
#include <cstring>

#include "engine/key_signature.h"
#include "record/atomic_file.h"
#include "record/file_messages.h"
#include "record/little_endian.h"

namespace velmira {

namespace {

constexpr size_t kHeadBytes = 104;
constexpr size_t kBeatChunkBytes = 20;

void PutId(uint8_t* p, const char id[5]) { std::memcpy(p, id, 4); }

// Events as they lie in the file: four little-endian 32-bit fields.
void ToFileOrder(PerformanceEvent* events, uint32_t count) {
  if (kHostIsLittleEndian) return;
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&events[i]);
    for (int f = 0; f < 4; ++f) {
      uint32_t v;
      std::memcpy(&v, p + 4 * f, 4);
      WriteLe32(p + 4 * f, v);
    }
  }
}

}  // namespace

bool EncodePerformanceFileHead(uint32_t count, uint32_t keySignature, bool bassDoubling,
                               const LocalDate& date, uint8_t head[104], bool withTempo) {
  const uint64_t dataBytes = uint64_t{count} * 16;
  const uint64_t riffBytes = 96 + dataBytes + (withTempo ? kBeatChunkBytes : 0);
  if (riffBytes > UINT32_MAX) return false;
  std::memset(head, 0, kHeadBytes);
  PutId(head + 0, "RIFF");
  WriteLe32(head + 4, static_cast<uint32_t>(riffBytes));
  PutId(head + 8, "QJ  ");
  PutId(head + 12, "LIST");
  WriteLe32(head + 16, 44);
  PutId(head + 20, "INFO");
  PutId(head + 24, "ISFT");
  WriteLe32(head + 28, 11);
  std::memcpy(head + 32, "QJ by Orla", 11);  // with its terminating zero; byte 43 pads
  PutId(head + 44, "ISCD");
  WriteLe32(head + 48, 11);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year % 10000, date.month % 100,
                date.day % 100);
  std::memcpy(head + 52, text, 11);
  PutId(head + 64, "fmt ");
  WriteLe32(head + 68, 24);
  WriteLe32(head + 72, count);
  WriteLe32(head + 76, keySignature);
  WriteLe32(head + 80, bassDoubling ? 1 : 0);
  PutId(head + 96, "data");
  WriteLe32(head + 100, static_cast<uint32_t>(dataBytes));
  return true;
}

void EncodeBeatChunk(const Tempo& tempo, uint8_t chunk[20]) {
  std::memset(chunk, 0, kBeatChunkBytes);
  PutId(chunk, "beat");
  WriteLe32(chunk + 4, 12);
  WriteLe32(chunk + 8, tempo.microsPerQuarter);
  chunk[12] = tempo.numerator;
  chunk[13] = tempo.denominator;
  WriteLe32(chunk + 16, tempo.downbeatMs);
}

const char* SavePerformanceFile(const PerformanceEvent* events, uint32_t count,
                                int32_t keySignature, bool bassDoubling, const char* path,
                                const LocalDate& date, const Tempo& tempo) {
  uint8_t head[kHeadBytes];
  AtomicFileWriter file;
  if (!file.Open(path)) return kCannotCreateFile;
  if (!EncodePerformanceFileHead(count, static_cast<uint32_t>(keySignature), bassDoubling, date,
                                 head, tempo.known())) {
    return kCannotWriteFile;
  }
  bool ok = file.Write(head, kHeadBytes);
  if (kHostIsLittleEndian) {
    ok = ok && (count == 0 || file.Write(events, size_t{count} * sizeof(PerformanceEvent)));
  } else {
    for (uint32_t i = 0; ok && i < count; ++i) {
      PerformanceEvent e = events[i];
      ToFileOrder(&e, 1);
      ok = file.Write(&e, sizeof e);
    }
  }
  if (tempo.known()) {
    uint8_t beat[kBeatChunkBytes];
    EncodeBeatChunk(tempo, beat);
    ok = ok && file.Write(beat, kBeatChunkBytes);
  }
  if (!ok || !file.Commit()) return kCannotWriteFile;
  return nullptr;
}

namespace {

struct Chunk {
  char id[4];
  uint32_t size;
  uint64_t dataOffset;
};

bool ReadChunkHeader(ByteSource& source, uint64_t offset, Chunk* chunk) {
  uint8_t header[8];
  if (source.ReadAt(offset, header, 8) != 8) return false;
  std::memcpy(chunk->id, header, 4);
  chunk->size = ReadLe32(header + 4);
  chunk->dataOffset = offset + 8;
  return true;
}

uint64_t ChunkEnd(const Chunk& chunk) { return chunk.dataOffset + chunk.size + (chunk.size & 1); }

// Searches the chunks from `offset` up to `end` for one with the id.
bool FindChunk(ByteSource& source, uint64_t offset, uint64_t end, const char id[5], Chunk* out) {
  Chunk chunk;
  while (offset + 8 <= end && ReadChunkHeader(source, offset, &chunk)) {
    if (std::memcmp(chunk.id, id, 4) == 0) {
      *out = chunk;
      return true;
    }
    offset = ChunkEnd(chunk);
  }
  return false;
}

// The top-level RIFF chunk of form "QJ  ".
bool FindPerformanceRiff(ByteSource& source, Chunk* riff) {
  uint64_t offset = 0;
  Chunk chunk;
  while (offset + 12 <= source.Size() && ReadChunkHeader(source, offset, &chunk)) {
    char form[4];
    if (std::memcmp(chunk.id, "RIFF", 4) == 0 && source.ReadAt(chunk.dataOffset, form, 4) == 4 &&
        std::memcmp(form, "QJ  ", 4) == 0) {
      *riff = chunk;
      return true;
    }
    offset = ChunkEnd(chunk);
  }
  return false;
}

// The tempo of a "beat" chunk after the data, if it is there and sound; anything else is no tempo
// (the notes are what matters: a malformed chunk never refuses the file).
Tempo ReadTempo(ByteSource& source, uint64_t from, uint64_t end) {
  Chunk beat;
  uint8_t bytes[12];
  if (!FindChunk(source, from, end, "beat", &beat) || beat.size != 12 ||
      beat.dataOffset + 12 > end || source.ReadAt(beat.dataOffset, bytes, 12) != 12) {
    return Tempo{};
  }
  Tempo tempo;
  tempo.microsPerQuarter = ReadLe32(bytes);
  tempo.numerator = bytes[4];
  tempo.denominator = bytes[5];
  tempo.downbeatMs = ReadLe32(bytes + 8);
  return TempoIsValid(tempo) ? tempo : Tempo{};
}

bool EventsAreSound(const PerformanceEvent* events, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const PerformanceEvent& e = events[i];
    if (e.message != 256 && e.message != 257) return false;
    if (e.octaveShift < -1 || e.octaveShift > 1) return false;
  }
  return true;
}

}  // namespace

const char* ReadPerformance(ByteSource& source, LoadedPerformance* loaded) {
  Chunk riff;
  if (!FindPerformanceRiff(source, &riff)) return kNotStandardFile;
  const uint64_t riffEnd = riff.dataOffset + riff.size;
  Chunk fmt;
  if (!FindChunk(source, riff.dataOffset + 4, riffEnd, "fmt ", &fmt)) return kNotStandardFile;
  if (fmt.size != sizeof(PerformanceHeader)) return kNotSupportedFile;
  uint8_t header[24];
  if (source.ReadAt(fmt.dataOffset, header, 24) != 24) return kCannotReadFile;
  const uint32_t count = ReadLe32(header);
  const uint32_t keySignature = ReadLe32(header + 4);
  const uint32_t bassDoubling = ReadLe32(header + 8);
  if (count == 0) return kNotSupportedFile;
  Chunk data;
  if (!FindChunk(source, ChunkEnd(fmt), riffEnd, "data", &data)) return kNotStandardFile;
  const uint64_t bytes = uint64_t{count} * sizeof(PerformanceEvent);
  if (data.size != bytes) return kNotSupportedFile;
  if (!IsKeySignature(static_cast<int32_t>(keySignature))) return kNotSupportedFile;
  // Never allocate more than the file really holds.
  if (data.dataOffset + bytes > source.Size()) return kCannotReadFile;
  EventArray read(loaded->events.reallocator());
  PerformanceEvent* events = read.Allocate(count);
  if (events == nullptr) return kCannotReadFile;
  if (source.ReadAt(data.dataOffset, events, static_cast<size_t>(bytes)) != bytes) {
    return kCannotReadFile;
  }
  ToFileOrder(events, count);  // the same swap turns file order into host order
  if (!EventsAreSound(events, count)) return kNotSupportedFile;
  loaded->events.Swap(read);  // the array held before goes with `read`
  loaded->keySignature = keySignature;
  loaded->bassDoubling = bassDoubling;
  loaded->tempo = ReadTempo(source, ChunkEnd(data), riffEnd);
  return nullptr;
}

const char* LoadPerformanceFile(const char* path, LoadedPerformance* loaded) {
  FileSource source(path);
  if (!source.ok()) return kCannotOpenFile;
  return ReadPerformance(source, loaded);
}

}  // namespace velmira
