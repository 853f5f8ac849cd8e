// Replays the fuzzer's seed corpus without libFuzzer: every file goes through the fuzz target
// (its checks abort on a violation), and its outcome must match the prefix of its name:
// ok-, not-standard-, not-supported- or cannot-read-.
//   velmira_fuzz_corpus_check CORPUS_DIR
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "record/byte_source.h"
#include "record/file_messages.h"
#include "record/performance_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

const char* OutcomeName(const char* error) {
  if (error == nullptr) return "ok";
  // Compared by content: each translation unit may hold its own copy of a template.
  if (std::strcmp(error, velmira::kNotStandardFile) == 0) return "not-standard";
  if (std::strcmp(error, velmira::kNotSupportedFile) == 0) return "not-supported";
  if (std::strcmp(error, velmira::kCannotReadFile) == 0) return "cannot-read";
  return "unexpected";
}

// Memory for the events read, held against the input's size: without the sanitizers' malloc
// hooks this is what shows that reading allocates no more than the file holds.
size_t g_inputSize = 0;
bool g_askedTooMuch = false;
void* BoundedRealloc(void* block, size_t bytes) {
  if (bytes > g_inputSize) {
    g_askedTooMuch = true;
    return nullptr;
  }
  return std::realloc(block, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmira_fuzz_corpus_check CORPUS_DIR\n");
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  int failures = 0;
  int seen[4] = {0, 0, 0, 0};
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    velmira::MemorySource source(bytes.data(), bytes.size());
    velmira::LoadedPerformance loaded{velmira::EventArray(&BoundedRealloc), 0, 0, {}};
    g_inputSize = bytes.size();
    g_askedTooMuch = false;
    const std::string outcome = OutcomeName(velmira::ReadPerformance(source, &loaded));
    const std::string name = path.filename().string();
    const bool matches = name.compare(0, outcome.size() + 1, outcome + "-") == 0;
    std::printf("%-40s %s%s%s\n", name.c_str(), outcome.c_str(), matches ? "" : "  <-- unexpected",
                g_askedTooMuch ? "  <-- asked for more memory than the file holds" : "");
    if (!matches || g_askedTooMuch) ++failures;
    const char* kinds[4] = {"ok", "not-standard", "not-supported", "cannot-read"};
    for (int k = 0; k < 4; ++k) {
      if (outcome == kinds[k]) ++seen[k];
    }
  }
  // Every outcome must be represented, so that an emptied corpus cannot pass.
  for (int k = 0; k < 4; ++k) {
    if (seen[k] == 0) {
      std::printf("no corpus file has outcome %d\n", k);
      ++failures;
    }
  }
  std::printf("%zu files, %d unexpected\n", files.size(), failures);
  return failures == 0 ? 0 : 1;
}
