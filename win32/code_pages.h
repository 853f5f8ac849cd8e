// Text between the program's code page (GBK), UTF-8 and the wide characters of the W functions.
#pragma once

#include <windows.h>

#include <string>

namespace velmira {

constexpr UINT kGbk = 936;

// The text in UTF-16; empty when it is not text of that code page.
std::wstring Wide(const std::string& text, UINT codePage);
// Text from one code page to another, through UTF-16; what the target has no code for becomes
// its default character.
std::string Convert(const std::string& text, UINT from, UINT to);

}  // namespace velmira
