// The program's one document: the performance in the EventBuffer, its file and whether it
// has unsaved changes.
#pragma once

namespace velmira {

constexpr int kPathBytes = 260;

struct DocumentState {
  char filePath[kPathBytes] = "";     // full path of the performance file
  char fileTitle[kPathBytes] = "";    // shown in the title and in messages; empty: untitled
  bool modified = false;              // changes not yet saved
  char exportPath[kPathBytes] = "";   // full path of the last MIDI export
  char exportTitle[kPathBytes] = "";  // its file-name part
};

}  // namespace velmira
