// The performance file: exact bytes, round trips, every malformed case and safe saving.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "record/atomic_file.h"
#include "record/file_messages.h"
#include "record/little_endian.h"
#include "record/performance_file.h"

// GCC 12 misreads vector::insert of small byte vectors as overflowing (a known false alarm).
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"

namespace velmira {
namespace {

using Bytes = std::vector<uint8_t>;

// A path private to the running test, since CTest runs tests side by side.
std::string TempPath(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "velmira-" + test->name() + "-" + name;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

constexpr LocalDate kDate{2026, 12, 8};

Bytes SaveToBytes(const std::vector<PerformanceEvent>& events, int32_t key = 1297,
                  bool bass = false) {
  const std::string path = TempPath("save.qji");
  EXPECT_EQ(SavePerformanceFile(events.data(), static_cast<uint32_t>(events.size()), key, bass,
                                path.c_str(), kDate),
            nullptr);
  return ReadAll(path);
}

// Bytes in memory that remember how far the reader has read.
class WatchedSource final : public ByteSource {
 public:
  explicit WatchedSource(const Bytes& bytes) : memory_(bytes.data(), bytes.size()) {}
  uint64_t Size() const override { return memory_.Size(); }
  size_t ReadAt(uint64_t offset, void* out, size_t bytes) override {
    const size_t n = memory_.ReadAt(offset, out, bytes);
    if (n > 0 && offset + n > readEnd) readEnd = offset + n;
    return n;
  }
  uint64_t readEnd = 0;

 private:
  MemorySource memory_;
};

WatchedSource* g_source = nullptr;

// Memory for the events read: the test fails, and nothing is allocated, when the reader asks for
// more bytes than the file holds past the furthest point it has read.
void* BoundedRealloc(void* block, size_t bytes) {
  const uint64_t left = g_source->Size() - g_source->readEnd;
  if (bytes > left) {
    ADD_FAILURE() << "the reader asked for " << bytes << " bytes; the file has " << left << " left";
    return nullptr;
  }
  return std::realloc(block, bytes);
}

// Every file read in these tests goes through the source and the allocator above.
const char* LoadBytes(const Bytes& bytes, LoadedPerformance* loaded) {
  WatchedSource source(bytes);
  g_source = &source;
  LoadedPerformance read{EventArray(&BoundedRealloc), 0, 0, {}};
  const char* result = ReadPerformance(source, &read);
  g_source = nullptr;
  loaded->events.Swap(read.events);
  loaded->keySignature = read.keySignature;
  loaded->bassDoubling = read.bassDoubling;
  return result;
}

TEST(PerformanceFile, OneEventFileIsExactly120Bytes) {
  const Bytes file = SaveToBytes({{0, 256, 0x001E0001, 0}});
  ASSERT_EQ(file.size(), 120u);
  // clang-format off
  const Bytes expected = {
      'R', 'I', 'F', 'F', 0x70, 0, 0, 0, 'Q', 'J', ' ', ' ',
      'L', 'I', 'S', 'T', 44, 0, 0, 0, 'I', 'N', 'F', 'O',
      'I', 'S', 'F', 'T', 11, 0, 0, 0, 'Q', 'J', ' ', 'b', 'y', ' ', 'O', 'r', 'l', 'a', 0, 0,
      'I', 'S', 'C', 'D', 11, 0, 0, 0, '2', '0', '2', '6', '-', '1', '2', '-', '0', '8', 0, 0,
      'f', 'm', 't', ' ', 24, 0, 0, 0, 1, 0, 0, 0, 0x11, 0x05, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      'd', 'a', 't', 'a', 0x10, 0, 0, 0,
      0, 0, 0, 0, 0, 1, 0, 0, 0x01, 0, 0x1E, 0, 0, 0, 0, 0};
  // clang-format on
  EXPECT_EQ(file, expected);
}

TEST(PerformanceFile, SizesAndSettingsOfALongerPerformance) {
  std::vector<PerformanceEvent> events;
  for (uint32_t i = 0; i < 37; ++i)
    events.push_back({i * 3, 256 + i % 2, i << 16, int32_t(i % 3) - 1});
  const Bytes file = SaveToBytes(events, 1319, true);
  ASSERT_EQ(file.size(), 104u + 16 * 37);
  EXPECT_EQ(ReadLe32(file.data() + 4), 96u + 16 * 37);
  EXPECT_EQ(ReadLe32(file.data() + 76), 1319u);
  EXPECT_EQ(ReadLe32(file.data() + 80), 1u);
  EXPECT_EQ(ReadLe32(file.data() + 100), 16u * 37);

  LoadedPerformance loaded;
  ASSERT_EQ(LoadBytes(file, &loaded), nullptr);
  ASSERT_EQ(loaded.events.count(), 37u);
  for (uint32_t i = 0; i < 37; ++i) {
    EXPECT_EQ(loaded.events.events()[i].deltaMs, events[i].deltaMs);
    EXPECT_EQ(loaded.events.events()[i].message, events[i].message);
    EXPECT_EQ(loaded.events.events()[i].keyData, events[i].keyData);
    EXPECT_EQ(loaded.events.events()[i].octaveShift, events[i].octaveShift);
  }
  EXPECT_EQ(loaded.keySignature, 1319u);
  EXPECT_EQ(loaded.bassDoubling, 1u);
}

Bytes ValidFile() { return SaveToBytes({{5, 256, 0x1E0000, 0}, {7, 257, 0x1E0000, 0}}); }

// A file assembled from chunks, for the malformed cases.
Bytes Riff(const char* form, const Bytes& body) {
  Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  WriteLe32(out.data() + 4, static_cast<uint32_t>(body.size() + 4));
  out.insert(out.end(), form, form + 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
Bytes Chunk(const char* id, const Bytes& data, uint32_t declared = UINT32_MAX) {
  Bytes out(id, id + 4);
  out.resize(8);
  WriteLe32(out.data() + 4, declared == UINT32_MAX ? static_cast<uint32_t>(data.size()) : declared);
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() % 2) out.push_back(0);
  return out;
}
Bytes Header(uint32_t count, uint32_t key = 1297, uint32_t bass = 0) {
  Bytes h(24, 0);
  WriteLe32(h.data(), count);
  WriteLe32(h.data() + 4, key);
  WriteLe32(h.data() + 8, bass);
  return h;
}
Bytes Events(std::initializer_list<PerformanceEvent> events) {
  Bytes out;
  for (const PerformanceEvent& e : events) {
    uint8_t b[16];
    WriteLe32(b, e.deltaMs);
    WriteLe32(b + 4, e.message);
    WriteLe32(b + 8, e.keyData);
    WriteLe32(b + 12, static_cast<uint32_t>(e.octaveShift));
    out.insert(out.end(), b, b + 16);
  }
  return out;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(PerformanceFile, EveryMalformedFileGetsItsMessage) {
  const Bytes one = Events({{0, 256, 0x1E0000, 0}});
  struct Case {
    const char* what;
    Bytes bytes;
    const char* message;
  } cases[] = {
      {"empty", {}, kNotStandardFile},
      {"a wave file", Riff("WAVE", Chunk("fmt ", Header(1))), kNotStandardFile},
      {"no fmt chunk", Riff("QJ  ", Chunk("data", one)), kNotStandardFile},
      {"data before fmt", Riff("QJ  ", Cat({Chunk("data", one), Chunk("fmt ", Header(1))})),
       kNotStandardFile},
      {"no data chunk", Riff("QJ  ", Chunk("fmt ", Header(1))), kNotStandardFile},
      {"fmt of 20 bytes", Riff("QJ  ", Cat({Chunk("fmt ", Bytes(20, 0)), Chunk("data", one)})),
       kNotSupportedFile},
      {"count 0", Riff("QJ  ", Cat({Chunk("fmt ", Header(0)), Chunk("data", {})})),
       kNotSupportedFile},
      {"data not 16 x count", Riff("QJ  ", Cat({Chunk("fmt ", Header(2)), Chunk("data", one)})),
       kNotSupportedFile},
      {"count overflowing 32 bits",
       Riff("QJ  ", Cat({Chunk("fmt ", Header(0x10000001)), Chunk("data", one)})),
       kNotSupportedFile},
      {"fmt shorter than it says",
       Cat({Bytes{'R', 'I', 'F', 'F', 100, 0, 0, 0, 'Q', 'J', ' ', ' '},
            Chunk("fmt ", Bytes(10, 0), 24)}),
       kCannotReadFile},
      {"data shorter than it says",
       Riff("QJ  ", Cat({Chunk("fmt ", Header(4)), Chunk("data", one, 64)})), kCannotReadFile},
      {"huge count, tiny file",
       Riff("QJ  ", Cat({Chunk("fmt ", Header(0x0FFFFFFF)), Chunk("data", one, 0xFFFFFFF0)})),
       kCannotReadFile},
      {"key id in a gap", Riff("QJ  ", Cat({Chunk("fmt ", Header(1, 1306)), Chunk("data", one)})),
       kNotSupportedFile},
      {"key id out of range", Riff("QJ  ", Cat({Chunk("fmt ", Header(1, 7)), Chunk("data", one)})),
       kNotSupportedFile},
      {"unknown message",
       Riff("QJ  ", Cat({Chunk("fmt ", Header(1)), Chunk("data", Events({{0, 258, 0, 0}}))})),
       kNotSupportedFile},
      {"octave shift 2",
       Riff("QJ  ", Cat({Chunk("fmt ", Header(1)), Chunk("data", Events({{0, 256, 0, 2}}))})),
       kNotSupportedFile},
  };
  for (const Case& c : cases) {
    LoadedPerformance loaded;
    EXPECT_EQ(LoadBytes(c.bytes, &loaded), c.message) << c.what;
    EXPECT_EQ(loaded.events.count(), 0u) << c.what;
  }
}

TEST(PerformanceFile, TolerantOfInfoAndOtherChunks) {
  const Bytes one = Events({{0, 256, 0x1E0000, 1}});
  LoadedPerformance loaded;
  // No INFO list at all, an unknown chunk of odd length before fmt, bass flag 2.
  const Bytes file = Riff("QJ  ", Cat({Chunk("junk", Bytes(3, 9)),
                                       Chunk("fmt ", Header(1, 1320, 2)), Chunk("data", one)}));
  ASSERT_EQ(LoadBytes(file, &loaded), nullptr);
  EXPECT_EQ(loaded.keySignature, 1320u);
  EXPECT_EQ(loaded.bassDoubling, 2u);  // loads as off: only exactly 1 means on
  EXPECT_EQ(loaded.events.events()[0].octaveShift, 1);
  // A different ISFT text loads normally.
  Bytes other = ValidFile();
  other[32] = 'X';
  LoadedPerformance again;
  EXPECT_EQ(LoadBytes(other, &again), nullptr);
}

TEST(PerformanceFile, MissingFileCannotBeOpened) {
  LoadedPerformance loaded;
  EXPECT_EQ(LoadPerformanceFile(TempPath("no-such-file.qji").c_str(), &loaded), kCannotOpenFile);
}

TEST(PerformanceFile, FailedSaveLeavesTheOldFileByteIdentical) {
  const std::string folder = TempPath("readonly-folder");
  ::mkdir(folder.c_str(), 0755);
  const std::string path = folder + "/song.qji";
  const PerformanceEvent one[1] = {{0, 256, 0x1E0000, 0}};
  ASSERT_EQ(SavePerformanceFile(one, 1, 1297, false, path.c_str(), kDate), nullptr);
  const Bytes before = ReadAll(path);
  ::chmod(folder.c_str(), 0555);
  const bool enforced = ::access(folder.c_str(), W_OK) != 0;  // root ignores the mode
  const PerformanceEvent two[2] = {{0, 256, 0x1F0000, 0}, {1, 257, 0x1F0000, 0}};
  const char* result = SavePerformanceFile(two, 2, 1301, true, path.c_str(), kDate);
  ::chmod(folder.c_str(), 0755);
  if (enforced) {
    EXPECT_EQ(result, kCannotCreateFile);
    EXPECT_EQ(ReadAll(path), before);
  }
  // A folder that does not exist: cannot create, nothing left behind.
  EXPECT_EQ(SavePerformanceFile(one, 1, 1297, false, (folder + "/none/x.qji").c_str(), kDate),
            kCannotCreateFile);
}

TEST(PerformanceFile, FailedWriteLeavesTheOldFileByteIdentical) {
  // A file-size limit makes every write past 1000 bytes fail (with SIGXFSZ ignored).
  const std::string path = TempPath("limited.qji");
  const PerformanceEvent one[1] = {{0, 256, 0x1E0000, 0}};
  ASSERT_EQ(SavePerformanceFile(one, 1, 1297, false, path.c_str(), kDate), nullptr);
  const Bytes before = ReadAll(path);
  std::vector<PerformanceEvent> many(5000, PerformanceEvent{1, 256, 0x1E0000, 0});
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const char* result = SavePerformanceFile(many.data(), 5000, 1297, false, path.c_str(), kDate);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, kCannotWriteFile);
  EXPECT_EQ(ReadAll(path), before);
  struct stat info;
  EXPECT_NE(::lstat(TemporaryPathFor(path, 0).c_str(), &info), 0) << "the temporary file is gone";
}

// The temporary name never makes a path longer than the target's (Windows refuses paths of 260
// characters and more), stays in the target's folder, and a read-only target is refused as it
// is on Windows, even for root.
TEST(PerformanceFile, TemporaryNameFitsWhereTheTargetFitsAndReadOnlyTargetsAreRefused) {
  for (const std::string target : {"a", "C:\\music\\b.qji", "/x/yz", "dir/a-long-file-name.qji"}) {
    for (unsigned attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      const std::string temporary = TemporaryPathFor(target, attempt);
      if (temporary.empty()) continue;
      EXPECT_LE(temporary.size(), target.size()) << target;
      EXPECT_NE(temporary, target);
      const size_t folder = target.find_last_of("/\\") + 1;
      EXPECT_EQ(temporary.substr(0, folder), target.substr(0, folder));
    }
  }
  EXPECT_NE(TemporaryPathFor("/x/yz", 0), TemporaryPathFor("/x/yz", 1));

  const std::string path = TempPath("readonly.qji");
  const PerformanceEvent one[1] = {{0, 256, 0x1E0000, 0}};
  ASSERT_EQ(SavePerformanceFile(one, 1, 1297, false, path.c_str(), kDate), nullptr);
  const Bytes before = ReadAll(path);
  ::chmod(path.c_str(), 0444);
  const PerformanceEvent two[2] = {{0, 256, 0x1F0000, 0}, {1, 257, 0x1F0000, 0}};
  EXPECT_EQ(SavePerformanceFile(two, 2, 1297, false, path.c_str(), kDate), kCannotCreateFile);
  ::chmod(path.c_str(), 0644);
  EXPECT_EQ(ReadAll(path), before);
  // A folder of that name is no target either, and it is no file that opens.
  const std::string folder = TempPath("folder.qji");
  ::mkdir(folder.c_str(), 0755);
  EXPECT_EQ(SavePerformanceFile(one, 1, 1297, false, folder.c_str(), kDate), kCannotCreateFile);
  LoadedPerformance loaded;
  EXPECT_EQ(LoadPerformanceFile(folder.c_str(), &loaded), kCannotOpenFile);
  ::rmdir(folder.c_str());
}

// A tempo travels in a "beat" chunk after the data, counted in the RIFF size; a file without one
// keeps its layout, and a malformed chunk costs the tempo, never the notes.
TEST(PerformanceFile, TheTempoChunkIsWrittenOnlyWithATempoAndAMalformedOneIsIgnored) {
  const std::vector<PerformanceEvent> events = {{0, 256, 0x001E0001, 0}, {500, 257, 0xC01E0001, 0}};
  const Bytes plain = SaveToBytes(events);
  const std::string path = TempPath("tempo.qji");
  const Tempo tempo{500000, 6, 8, 1500};
  ASSERT_EQ(SavePerformanceFile(events.data(), 2, 1297, false, path.c_str(), kDate, tempo),
            nullptr);
  const Bytes file = ReadAll(path);
  ASSERT_EQ(file.size(), plain.size() + 20);
  EXPECT_TRUE(std::equal(plain.begin() + 8, plain.end(), file.begin() + 8));
  EXPECT_EQ(ReadLe32(file.data() + 4), file.size() - 8);
  const Bytes chunk(file.end() - 20, file.end());
  // clang-format off
  EXPECT_EQ(chunk, (Bytes{'b', 'e', 'a', 't', 12, 0, 0, 0, 0x20, 0xA1, 0x07, 0x00,
                          6, 8, 0, 0, 0xDC, 0x05, 0, 0}));
  // clang-format on
  LoadedPerformance loaded;
  ASSERT_EQ(LoadPerformanceFile(path.c_str(), &loaded), nullptr);
  EXPECT_EQ(loaded.tempo, tempo);
  EXPECT_EQ(loaded.events.count(), 2u);

  for (const auto& [at, value] : std::vector<std::pair<size_t, uint8_t>>{
           {4, 10},    // the chunk's size
           {12, 13},   // a numerator above 12
           {13, 3},    // a denominator that is not 2, 4 or 8
           {10, 0x40}  // more than 2000000 microseconds a quarter
       }) {
    Bytes bad = file;
    bad[file.size() - 20 + at] = value;
    LoadedPerformance read;
    ASSERT_EQ(LoadBytes(bad, &read), nullptr) << at;
    EXPECT_FALSE(read.tempo.known()) << at;
    EXPECT_EQ(read.events.count(), 2u);
  }
}

}  // namespace
}  // namespace velmira
