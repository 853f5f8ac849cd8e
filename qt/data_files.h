// The program's data files beside it: the help pages, opened in the desktop's browser, and the
// song book.
#pragma once

#include <QString>
#include <string>

namespace velmira {

// The folder of the help pages: VELMIRA_HELP_DIR, else share/velmira/help beside the program's
// folder (an installed program), else the build folder's Linux set, help-linux
// (cmake/help_pages.cmake).
QString HelpFolder();
// Opens default.htm; false when no page or no browser was found.
bool OpenHelp();
// The song book's folder: share/velmira/songs beside the program's folder (an installed
// program), else the source tree's resources/songs.
std::string SongFolder();

}  // namespace velmira
