// The performance file: a RIFF file of form "QJ  " holding an INFO list (the writing software
// and the date), a 24-byte header chunk "fmt " and a "data" chunk of 16-byte event records;
// after them, only when the performance has a tempo, a 12-byte "beat" chunk (microseconds per
// quarter, the metre, a bar line), which readers that stop at "data" never see.
#pragma once

#include <cstdint>

#include "engine/clock.h"
#include "record/byte_source.h"
#include "record/event_buffer.h"
#include "record/performance_event.h"
#include "record/tempo.h"

namespace velmira {

struct PerformanceHeader {
  uint32_t eventCount;
  uint32_t keySignature;
  uint32_t bassDoubling;
  uint32_t reserved[3];
};
static_assert(sizeof(PerformanceHeader) == 24, "the header chunk is 24 bytes");

// The file's first 104 bytes for the events, as the writer produces them; the whole file is
// 104 + 16n bytes, and 20 more with a tempo. Returns false when the count is too large for a
// RIFF file.
bool EncodePerformanceFileHead(uint32_t count, uint32_t keySignature, bool bassDoubling,
                               const LocalDate& date, uint8_t head[104], bool withTempo = false);
// The "beat" chunk of a tempo: its id, its size (12) and its 12 bytes.
void EncodeBeatChunk(const Tempo& tempo, uint8_t chunk[20]);

// Writes the file safely (the previous file survives any failure). Returns null on success,
// else a message template: "不能创建文件%s." or "不能写入文件%s.".
const char* SavePerformanceFile(const PerformanceEvent* events, uint32_t count,
                                int32_t keySignature, bool bassDoubling, const char* path,
                                const LocalDate& date, const Tempo& tempo = Tempo{});

struct LoadedPerformance {
  EventArray events;  // exactly eventCount events
  uint32_t keySignature = 0;
  uint32_t bassDoubling = 0;
  Tempo tempo;  // none when the file has no "beat" chunk, or a malformed one
};

// Reads and checks a whole file before anything is handed out. Returns null on success, else
// one of the templates: cannot open, not standard, not supported, cannot read. The events'
// memory comes from the allocator of loaded->events, and never more than the file still holds
// past the data chunk's header.
const char* LoadPerformanceFile(const char* path, LoadedPerformance* loaded);
const char* ReadPerformance(ByteSource& source, LoadedPerformance* loaded);

}  // namespace velmira
