// Random-access reading of a file or of bytes in memory, for the file readers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace velmira {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads up to `bytes` at `offset`; returns how many were read.
  virtual size_t ReadAt(uint64_t offset, void* out, size_t bytes) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* out, size_t bytes) override {
    if (offset >= size_) return 0;
    const size_t n = bytes < size_ - offset ? bytes : static_cast<size_t>(size_ - offset);
    std::memcpy(out, data_ + offset, n);
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class FileSource final : public ByteSource {
 public:
  // Opens the file for reading; ok() tells whether that worked.
  explicit FileSource(const char* path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  bool ok() const { return file_ != nullptr; }
  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t offset, void* out, size_t bytes) override;

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

// The whole file as bytes; false when it cannot be opened or read, or is longer than limit.
bool ReadWholeFile(const std::string& path, uint64_t limit, std::string* bytes);

}  // namespace velmira
