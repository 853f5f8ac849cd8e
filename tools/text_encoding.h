// Text conversions for velmira-cli: the core's messages are GBK (code page 936) and the tool
// prints UTF-8. One implementation per system: text_encoding_posix.cpp (iconv) and
// text_encoding_win32.cpp (MultiByteToWideChar / WideCharToMultiByte).
#pragma once

#include <cstdio>
#include <string>

namespace velmira {
namespace cli {

// GBK text as UTF-8. False (out untouched) when the text is not valid GBK or the system has no
// converter for it.
bool GbkToUtf8(const std::string& gbk, std::string* out);

// A command-line argument (a file name in the system's narrow encoding: UTF-8 on Linux, the
// ANSI code page on Windows) as UTF-8. Bytes that cannot be converted are kept as they are.
std::string ArgumentToUtf8(const std::string& argument);

// Writes UTF-8 text to the stream: the bytes as they are, except on a Windows console, which
// gets the text through the wide-character console API so that it shows correctly.
void WriteUtf8(std::FILE* stream, const std::string& text);

}  // namespace cli
}  // namespace velmira
