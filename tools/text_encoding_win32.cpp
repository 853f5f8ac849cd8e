#include <windows.h>

#include "tools/text_encoding.h"

namespace velmira {
namespace cli {

namespace {

constexpr UINT kGbkCodePage = 936;

bool ToWide(UINT codePage, DWORD flags, const std::string& text, std::wstring* wide) {
  if (text.empty()) {
    wide->clear();
    return true;
  }
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  std::wstring result(static_cast<size_t>(needed), L'\0');
  if (MultiByteToWideChar(codePage, flags, text.data(), length, &result[0], needed) != needed) {
    return false;
  }
  *wide = result;
  return true;
}

bool WideToUtf8(const std::wstring& wide, std::string* out) {
  if (wide.empty()) {
    out->clear();
    return true;
  }
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  std::string result(static_cast<size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &result[0], needed, nullptr, nullptr) !=
      needed) {
    return false;
  }
  *out = result;
  return true;
}

}  // namespace

bool GbkToUtf8(const std::string& gbk, std::string* out) {
  std::wstring wide;
  return ToWide(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk, &wide) && WideToUtf8(wide, out);
}

std::string ArgumentToUtf8(const std::string& argument) {
  std::wstring wide;
  std::string utf8;
  if (ToWide(CP_ACP, 0, argument, &wide) && WideToUtf8(wide, &utf8)) return utf8;
  return argument;
}

void WriteUtf8(std::FILE* stream, const std::string& text) {
  const int fd = _fileno(stream);
  HANDLE handle = fd == 2   ? GetStdHandle(STD_ERROR_HANDLE)
                  : fd == 1 ? GetStdHandle(STD_OUTPUT_HANDLE)
                            : INVALID_HANDLE_VALUE;
  DWORD mode;
  std::wstring wide;
  if (handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) &&
      ToWide(CP_UTF8, 0, text, &wide)) {
    std::fflush(stream);
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace cli
}  // namespace velmira
