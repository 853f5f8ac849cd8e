// The help pages, opened in the desktop's browser.
#pragma once

#include <QString>

namespace velmira {

// The folder of the help pages: VELMIRA_HELP_DIR, else share/velmira/help beside the program's
// folder (an installed program), else the build folder's copy (cmake/help_pages.cmake).
QString HelpFolder();
// Opens default.htm; false when no page or no browser was found.
bool OpenHelp();

}  // namespace velmira
