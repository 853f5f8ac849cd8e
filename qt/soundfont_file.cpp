#include "qt/soundfont_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velmira {

namespace {
uint32_t LittleEndian32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
}  // namespace

std::string SoundFontHeaderProblem(const unsigned char* head, size_t length, uint64_t fileSize) {
  // "RIFF", the chunk's size (little-endian, the form and what follows it), "sfbk".
  if (length < 12 || std::memcmp(head, "RIFF", 4) != 0) {
    return "不是 SoundFont 文件 (没有 RIFF 文件头)";
  }
  if (std::memcmp(head + 8, "sfbk", 4) != 0) {
    std::string form(reinterpret_cast<const char*>(head + 8), 4);
    for (char& c : form) {
      if (c < 0x20 || c > 0x7E) c = '?';
    }
    return "不是 SoundFont 文件 (RIFF 类型是 " + form + ", 不是 sfbk)";
  }
  const uint64_t needed = uint64_t{LittleEndian32(head + 4)} + 8;
  if (needed > fileSize) {
    return "文件不完整 (应有 " + std::to_string(needed) + " 字节, 只有 " +
           std::to_string(fileSize) + " 字节)";
  }
  return std::string();
}

std::string SoundFontFileProblem(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return errno == ENOENT ? "没有这个文件" : std::string("打不开: ") + std::strerror(errno);
  }
  unsigned char head[12];
  const size_t length = std::fread(head, 1, sizeof head, file);
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  const bool failed = std::ferror(file) != 0 || size < 0;
  std::fclose(file);
  if (failed) return "读不出来 (是文件夹吗?)";
  return SoundFontHeaderProblem(head, length, static_cast<uint64_t>(size));
}

}  // namespace velmira
