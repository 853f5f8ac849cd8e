#include <windows.h>

#include "record/atomic_file.h"

namespace velmira {

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

namespace {
// A target that exists must be replaceable: not read-only, not a folder, not held open by a
// program that forbids its deletion.
bool CanReplace(const char* target) {
  const DWORD attributes = GetFileAttributesA(target);
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // a new file
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
  HANDLE file = CreateFileA(target, GENERIC_WRITE | DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}
}  // namespace

bool AtomicFileWriter::Open(const char* targetPath) {
  Discard();
  target_ = targetPath;
  if (!CanReplace(targetPath)) return false;
  for (unsigned attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    const std::string candidate = TemporaryPathFor(target_, attempt);
    if (candidate.empty()) continue;
    HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      temporary_ = candidate;
      handle_ = file;
      failed_ = false;
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool AtomicFileWriter::Write(const void* data, size_t bytes) {
  if (handle_ == nullptr || failed_) return false;
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const DWORD chunk = bytes > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes);
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), p, chunk, &written, nullptr) || written == 0) {
      failed_ = true;
      return false;
    }
    p += written;
    bytes -= written;
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (handle_ == nullptr) return false;
  HANDLE file = static_cast<HANDLE>(handle_);
  bool ok = !failed_ && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  handle_ = nullptr;
  if (ok) {
    ok = MoveFileExA(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) {
    DeleteFileA(temporary_.c_str());
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::Discard() {
  if (handle_ != nullptr) {
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
  }
  if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
  temporary_.clear();
}

}  // namespace velmira
