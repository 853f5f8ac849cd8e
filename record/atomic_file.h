// Writing a file so that a failure never destroys the previous one: the bytes go to a
// temporary file beside the target, are flushed to the disk, and the temporary file then
// replaces the target. On any failure the target is untouched and the temporary file removed.
// A target that exists but cannot be replaced (read-only, a folder, in use) is refused at Open.
#pragma once

#include <cstddef>
#include <string>

namespace velmira {

// The name of the temporary file for one attempt (0, 1, ...): in the target's folder and never
// longer than the target's own name, so that it fits wherever the target fits. Empty when the
// attempt has no name to offer (or the target names no file); Open creates it exclusively and
// moves on to the next attempt when the name is taken.
std::string TemporaryPathFor(const std::string& target, unsigned attempt);
constexpr unsigned kTemporaryAttempts = 64;

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // an uncommitted writer removes its temporary file
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file; false when it cannot be created.
  bool Open(const char* targetPath);
  // False once any write failed (later writes are ignored).
  bool Write(const void* data, size_t bytes);
  // Flushes, closes and moves the temporary file onto the target; false on any failure.
  bool Commit();

 private:
  void Discard();

  std::string target_;
  std::string temporary_;
  void* handle_ = nullptr;  // platform file handle
  bool failed_ = false;
};

// The bytes written as the whole file, safely as above: nullptr, or the file message of what
// failed (kCannotCreateFile: the target cannot be created; kCannotWriteFile: writing failed).
const char* WriteFileAtomically(const std::string& path, const void* data, size_t bytes);

}  // namespace velmira
