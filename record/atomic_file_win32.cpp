#include <windows.h>

#include "record/atomic_file.h"

namespace velmira {

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Open(const char* targetPath) {
  Discard();
  target_ = targetPath;
  temporary_ = TemporaryPathFor(target_);
  HANDLE file = CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    temporary_.clear();
    return false;
  }
  handle_ = file;
  failed_ = false;
  return true;
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
