#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "record/atomic_file.h"

namespace velmira {

namespace {
int Fd(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)) - 1; }
void* Handle(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd + 1)); }
}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Open(const char* targetPath) {
  Discard();
  target_ = targetPath;
  // Renaming would replace a read-only file too (even for root): refuse it as Windows does.
  struct stat info;
  if (::stat(targetPath, &info) == 0 && (S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0)) {
    return false;
  }
  for (unsigned attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const std::string candidate = TemporaryPathFor(target_, attempt);
    if (candidate.empty()) continue;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      temporary_ = candidate;
      handle_ = Handle(fd);
      failed_ = false;
      return true;
    }
    if (errno != EEXIST) return false;  // e.g. a missing or read-only folder
  }
  return false;
}

bool AtomicFileWriter::Write(const void* data, size_t bytes) {
  if (handle_ == nullptr || failed_) return false;
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t n = ::write(Fd(handle_), p, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      return false;
    }
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (handle_ == nullptr) return false;
  const int fd = Fd(handle_);
  bool ok = !failed_ && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  handle_ = nullptr;
  if (ok) ok = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    std::remove(temporary_.c_str());
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::Discard() {
  if (handle_ != nullptr) {
    ::close(Fd(handle_));
    handle_ = nullptr;
  }
  if (!temporary_.empty()) std::remove(temporary_.c_str());
  temporary_.clear();
}

}  // namespace velmira
