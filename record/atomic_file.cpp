#include "record/atomic_file.h"

#include "record/file_messages.h"

namespace velmira {

std::string TemporaryPathFor(const std::string& target, unsigned attempt) {
  const size_t separator = target.find_last_of("/\\:");
  const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  const size_t nameLength = target.size() - nameStart;
  if (nameLength == 0) return std::string();
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  const size_t length = nameLength < 8 ? nameLength : 8;
  std::string name;
  if (length == 1) {
    if (attempt >= 36) return std::string();
    name.assign(1, kDigits[attempt]);
  } else {
    // "~vm" and the attempt in base 36 where there is room, else "~" and the attempt.
    name = length >= 5 ? "~vm" : "~";
    std::string number;
    for (unsigned n = attempt; number.size() < length - name.size(); n /= 36) {
      number.insert(number.begin(), kDigits[n % 36]);
    }
    name += number;
  }
  if (target.compare(nameStart, std::string::npos, name) == 0) return std::string();
  return target.substr(0, nameStart) + name;
}

const char* WriteFileAtomically(const std::string& path, const void* data, size_t bytes) {
  AtomicFileWriter file;
  if (!file.Open(path.c_str())) return kCannotCreateFile;
  if (!file.Write(data, bytes) || !file.Commit()) return kCannotWriteFile;
  return nullptr;
}

}  // namespace velmira
