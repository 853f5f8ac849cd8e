// The program's one document: the performance in the EventBuffer, its file and whether it
// has unsaved changes.
#pragma once

#include <string>

#include "record/tempo.h"

namespace velmira {

struct DocumentState {
  std::string filePath;     // full path of the performance file
  std::string fileTitle;    // shown in the title and in messages; empty: untitled
  bool modified = false;    // changes not yet saved
  Tempo tempo;              // the performance's tempo, metre and bar line, if it has them
  uint32_t revision = 0;    // counts the changes of the performance (for its recovery copy)
  std::string exportPath;   // full path of the last MIDI export
  std::string exportTitle;  // its file-name part
};

// Paths of 260 bytes or more are refused, in both programs: the Windows program's file
// functions take no longer ones.
constexpr size_t kPathBytes = 260;
inline bool PathFits(const std::string& path) { return path.size() < kPathBytes; }

// The file-name part of a path (after the last "/" or "\").
inline std::string FileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The path without its file name's extension (a name's leading dot starts no extension).
inline std::string WithoutExtension(const std::string& path) {
  const size_t name = path.find_last_of("/\\") + 1;  // 0 without a folder
  const size_t dot = path.find_last_of('.');
  return dot == std::string::npos || dot <= name ? path : path.substr(0, dot);
}

}  // namespace velmira
