// The program's data files, which lie beside it wherever it was started from: the help file
// and the song book.
#pragma once

#include <string>

namespace velmira {

// Opens the topic "default.htm" of the help file qj.chm beside the program, through the HTML
// Help viewer loaded at the moment of use; where no viewer is installed, nothing happens.
void OpenHelp();
// The song book's folder: songs beside the program.
std::string SongFolder();

}  // namespace velmira
