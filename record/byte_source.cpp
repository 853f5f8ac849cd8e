#include "record/byte_source.h"

namespace velmira {

namespace {
bool Seek(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

int64_t Tell(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}
}  // namespace

FileSource::FileSource(const char* path) {
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return;
  int64_t end = -1;
  if (std::fseek(file_, 0, SEEK_END) == 0) end = Tell(file_);
  // A folder opens on some systems but reads nothing: it is no file that can be opened.
  char probe;
  const bool readable =
      Seek(file_, 0) && (std::fread(&probe, 1, 1, file_) == 1 || !std::ferror(file_));
  if (end < 0 || !readable) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  size_ = static_cast<uint64_t>(end);
}

FileSource::~FileSource() {
  if (file_ != nullptr) std::fclose(file_);
}

size_t FileSource::ReadAt(uint64_t offset, void* out, size_t bytes) {
  if (file_ == nullptr || !Seek(file_, offset)) return 0;
  return std::fread(out, 1, bytes, file_);
}

bool ReadWholeFile(const std::string& path, uint64_t limit, std::string* bytes) {
  FileSource file(path.c_str());
  if (!file.ok() || file.Size() > limit) return false;
  bytes->resize(static_cast<size_t>(file.Size()));
  return file.ReadAt(0, bytes->data(), bytes->size()) == bytes->size();
}

}  // namespace velmira
