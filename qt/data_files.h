// The program's data files beside it: the help pages, opened in the desktop's browser, and the
// song book.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace velmira {

// share/velmira beside the program's folder (an installed program: demo.qji, the songs, the help
// pages), or empty.
QString InstalledDataFolder();
// The folder of the help pages: VELMIRA_HELP_DIR, else share/velmira/help beside the program's
// folder (an installed program), else the build folder's Linux set, help-linux
// (cmake/help_pages.cmake).
QString HelpFolder();
// Opens default.htm in the desktop's browser; where there is no page or no browser took it,
// calls failed with the page's path (later, from the event loop, when the browser was asked).
void OpenHelp(QObject* owner, const std::function<void(const QString& page)>& failed);
// The song book's folder: share/velmira/songs beside the program's folder (an installed
// program), else the source tree's resources/songs.
std::string SongFolder();

}  // namespace velmira
