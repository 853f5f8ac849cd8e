// libFuzzer target: ReadPerformance on arbitrary bytes.
//
// Checked for every input, beyond what AddressSanitizer and UndefinedBehaviorSanitizer catch:
//  - reading allocates at most the input's size plus a small constant (a malloc hook counts
//    every byte allocated by this thread while ReadPerformance runs);
//  - a refusal is one of the four message templates and hands nothing out;
//  - an accepted file holds exactly the count its header chunk states, with the header's key
//    signature and bass value, and events that are the data chunk's bytes, each valid
//    (message 256 or 257, octave shift -1..1);
//  - an independent walk of the chunks, written here from the file layout, agrees with the
//    reader on whether the file is acceptable.
//
// Built with clang (-fsanitize=fuzzer,address,undefined) by tests/fuzz/CMakeLists.txt; the same
// source is also linked with a plain main() (corpus_check.cpp) for the native unit tests.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "record/byte_source.h"
#include "record/file_messages.h"
#include "record/performance_file.h"

#if defined(__has_include)
#if __has_include(<sanitizer/allocator_interface.h>) && \
    (defined(__SANITIZE_ADDRESS__) || defined(VELMIRA_FUZZ_HOOKS))
#include <sanitizer/allocator_interface.h>
#define VELMIRA_HAVE_MALLOC_HOOKS 1
#endif
#endif

#ifndef VELMIRA_HAVE_MALLOC_HOOKS
#define VELMIRA_HAVE_MALLOC_HOOKS 0
#endif

namespace {

// What reading may allocate beyond the input's own size.
constexpr size_t kAllocationSlack = 256;

[[noreturn]] void Fail(const char* what, size_t size) {
  std::fprintf(stderr, "performance_reader_fuzz: %s (input of %zu bytes)\n", what, size);
  std::abort();
}

#define FUZZ_CHECK(condition, size)           \
  do {                                        \
    if (!(condition)) Fail(#condition, size); \
  } while (0)

// --- Counting what the reader allocates --------------------------------------------------

thread_local bool g_counting = false;
thread_local size_t g_allocated = 0;
thread_local size_t g_allocations = 0;

#if VELMIRA_HAVE_MALLOC_HOOKS
void OnMalloc(const volatile void*, size_t bytes) {
  if (g_counting) {
    g_allocated += bytes;
    ++g_allocations;
  }
}
void OnFree(const volatile void*) {}

struct HookInstaller {
  HookInstaller() { __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree); }
} g_hookInstaller;
#endif

// --- An independent reading of the layout -----------------------------------------------

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool IdIs(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

bool IsOneOfTheKeys(uint32_t id) {
  // C D E F G A B #F #C, bB bE bA, c d e f g a b, #f #c #g #d #a
  return (id >= 1297 && id <= 1305) || (id >= 1312 && id <= 1321) || (id >= 1328 && id <= 1332);
}

struct Layout {
  bool acceptable = false;
  uint32_t count = 0;
  uint32_t keySignature = 0;
  uint32_t bassDoubling = 0;
  uint64_t eventsAt = 0;  // offset of the first event record
};

// Finds the first chunk with the id among the chunks in [begin, end) of the input.
bool FindChunkIn(const uint8_t* data, uint64_t size, uint64_t begin, uint64_t end, const char* id,
                 uint64_t* chunkAt, uint32_t* chunkSize) {
  uint64_t at = begin;
  while (at + 8 <= end && at + 8 <= size) {
    const uint32_t length = Le32(data + at + 4);
    if (IdIs(data + at, id)) {
      *chunkAt = at;
      *chunkSize = length;
      return true;
    }
    at += 8 + uint64_t{length} + (length & 1u);
  }
  return false;
}

Layout ReadLayout(const uint8_t* data, uint64_t size) {
  Layout layout;
  // The first top-level RIFF chunk of form "QJ  ".
  uint64_t at = 0, riffEnd = 0;
  bool found = false;
  while (at + 12 <= size) {
    const uint32_t length = Le32(data + at + 4);
    if (IdIs(data + at, "RIFF") && IdIs(data + at + 8, "QJ  ")) {
      riffEnd = at + 8 + uint64_t{length};
      found = true;
      break;
    }
    at += 8 + uint64_t{length} + (length & 1u);
  }
  if (!found) return layout;
  uint64_t fmtAt = 0, dataAt = 0;
  uint32_t fmtSize = 0, dataSize = 0;
  if (!FindChunkIn(data, size, at + 12, riffEnd, "fmt ", &fmtAt, &fmtSize)) return layout;
  if (fmtSize != 24 || fmtAt + 8 + 24 > size) return layout;
  layout.count = Le32(data + fmtAt + 8);
  layout.keySignature = Le32(data + fmtAt + 12);
  layout.bassDoubling = Le32(data + fmtAt + 16);
  if (layout.count == 0 || !IsOneOfTheKeys(layout.keySignature)) return layout;
  const uint64_t afterFmt = fmtAt + 8 + 24;
  if (!FindChunkIn(data, size, afterFmt, riffEnd, "data", &dataAt, &dataSize)) return layout;
  if (uint64_t{dataSize} != uint64_t{layout.count} * 16) return layout;
  layout.eventsAt = dataAt + 8;
  if (layout.eventsAt + dataSize > size) return layout;
  for (uint32_t i = 0; i < layout.count; ++i) {
    const uint8_t* record = data + layout.eventsAt + 16 * uint64_t{i};
    const uint32_t message = Le32(record + 4);
    const int32_t shift = static_cast<int32_t>(Le32(record + 12));
    if (message != 256 && message != 257) return layout;
    if (shift < -1 || shift > 1) return layout;
  }
  layout.acceptable = true;
  return layout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velmira::MemorySource source(data, size);
  velmira::LoadedPerformance loaded;

  g_allocated = 0;
  g_allocations = 0;
  g_counting = true;
  const char* error = velmira::ReadPerformance(source, &loaded);
  g_counting = false;

  FUZZ_CHECK(g_allocated <= size + kAllocationSlack, size);
  // A correct reader allocates once at most: the events.
  FUZZ_CHECK(g_allocations <= 1, size);

  const Layout layout = ReadLayout(data, size);
  if (error != nullptr) {
    // Compared by content: each translation unit may hold its own copy of a template.
    FUZZ_CHECK(std::strcmp(error, velmira::kNotStandardFile) == 0 ||
                   std::strcmp(error, velmira::kNotSupportedFile) == 0 ||
                   std::strcmp(error, velmira::kCannotReadFile) == 0,
               size);
    FUZZ_CHECK(loaded.events.count() == 0 && loaded.events.events() == nullptr, size);
    FUZZ_CHECK(!layout.acceptable, size);
    return 0;
  }

  FUZZ_CHECK(layout.acceptable, size);
  FUZZ_CHECK(loaded.events.count() == layout.count, size);
  FUZZ_CHECK(loaded.events.events() != nullptr, size);
  FUZZ_CHECK(loaded.keySignature == layout.keySignature, size);
  FUZZ_CHECK(loaded.bassDoubling == layout.bassDoubling, size);
  FUZZ_CHECK(uint64_t{loaded.events.count()} * 16 <= size, size);
  const velmira::PerformanceEvent* events = loaded.events.events();
  for (uint32_t i = 0; i < loaded.events.count(); ++i) {
    const velmira::PerformanceEvent& e = events[i];
    FUZZ_CHECK(e.message == 256 || e.message == 257, size);
    FUZZ_CHECK(e.octaveShift >= -1 && e.octaveShift <= 1, size);
    const uint8_t* record = data + layout.eventsAt + 16 * uint64_t{i};
    FUZZ_CHECK(e.deltaMs == Le32(record), size);
    FUZZ_CHECK(e.message == Le32(record + 4), size);
    FUZZ_CHECK(e.keyData == Le32(record + 8), size);
    FUZZ_CHECK(e.octaveShift == static_cast<int32_t>(Le32(record + 12)), size);
  }

  // Reading again into a performance that already holds events replaces them (LeakSanitizer
  // reports the old array if it were lost) and gives the same result.
  const char* again = velmira::ReadPerformance(source, &loaded);
  FUZZ_CHECK(again == nullptr && loaded.events.count() == layout.count, size);
  return 0;
}
