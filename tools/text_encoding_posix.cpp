#include <iconv.h>

#include <cerrno>
#include <vector>

#include "tools/text_encoding.h"

namespace velmira {
namespace cli {

bool GbkToUtf8(const std::string& gbk, std::string* out) {
  iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  // A GBK character of one byte becomes one byte, one of two bytes at most three.
  std::vector<char> buffer(gbk.size() * 2 + 4);
  char* in = const_cast<char*>(gbk.data());
  size_t inLeft = gbk.size();
  char* to = buffer.data();
  size_t toLeft = buffer.size();
  const size_t result = iconv(converter, &in, &inLeft, &to, &toLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return false;
  out->assign(buffer.data(), static_cast<size_t>(to - buffer.data()));
  return true;
}

std::string ArgumentToUtf8(const std::string& argument) { return argument; }

void WriteUtf8(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace cli
}  // namespace velmira
