// Helper of the velmira-cli tests; makes files through the core itself:
//   velmira_cli_test_helper save OUT.qji KEY BASS        events on stdin, one per line:
//                                                         "<deltaMs> <message> <keyData hex>
//                                                         <shift>"
//   velmira_cli_test_helper encode FILE PROGRAM KEY BASS OUT.mid
//                                                         EncodeMidiFile's bytes for the file
// Exit 0 on success, 1 when the core refused, 2 on wrong usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "record/midi_export.h"
#include "record/performance_file.h"

namespace {

using velmira::PerformanceEvent;

int Save(int argc, char** argv) {
  if (argc != 5) return 2;
  const int key = std::atoi(argv[3]);
  const bool bass = std::atoi(argv[4]) != 0;
  std::vector<PerformanceEvent> events;
  unsigned long delta, message, keyData;
  long shift;
  while (std::scanf("%lu %lu %lx %ld", &delta, &message, &keyData, &shift) == 4) {
    events.push_back({static_cast<uint32_t>(delta), static_cast<uint32_t>(message),
                      static_cast<uint32_t>(keyData), static_cast<int32_t>(shift)});
  }
  const velmira::LocalDate date{2026, 12, 8};
  const char* error = velmira::SavePerformanceFile(
      events.data(), static_cast<uint32_t>(events.size()), key, bass, argv[2], date);
  return error == nullptr ? 0 : 1;
}

int Encode(int argc, char** argv) {
  if (argc != 7) return 2;
  velmira::LoadedPerformance loaded;
  if (velmira::LoadPerformanceFile(argv[2], &loaded) != nullptr) return 1;
  std::vector<uint8_t> bytes;
  if (!velmira::EncodeMidiFile(loaded.events.events(), loaded.events.count(), std::atoi(argv[4]),
                               std::atoi(argv[3]), std::atoi(argv[5]) != 0, &bytes)) {
    return 1;
  }
  std::FILE* out = std::fopen(argv[6], "wb");
  if (out == nullptr) return 1;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "save") return Save(argc, argv);
  if (argc >= 2 && std::string(argv[1]) == "encode") return Encode(argc, argv);
  std::fprintf(stderr, "usage: velmira_cli_test_helper save|encode ...\n");
  return 2;
}
