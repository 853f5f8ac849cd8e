#include "win32/code_pages.h"

namespace velmira {

std::wstring Wide(const std::string& text, UINT codePage) {
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], needed);
  return wide;
}

std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  const std::wstring middle = Wide(text, from);
  const int wide = static_cast<int>(middle.size());
  if (wide == 0) return std::string();
  const int narrow = WideCharToMultiByte(to, 0, middle.data(), wide, nullptr, 0, nullptr, nullptr);
  if (narrow <= 0) return std::string();
  std::string result(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(to, 0, middle.data(), wide, &result[0], narrow, nullptr, nullptr);
  return result;
}

}  // namespace velmira
