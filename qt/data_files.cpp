#include "qt/data_files.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace velmira {

QString HelpFolder() {
  const QByteArray given = qgetenv("VELMIRA_HELP_DIR");
  if (!given.isEmpty()) return QString::fromLocal8Bit(given);
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath("../share/velmira/help");
  if (QFileInfo::exists(installed + "/default.htm")) return QDir(installed).canonicalPath();
  return QStringLiteral(VELMIRA_BUILD_HELP_DIR);
}

bool OpenHelp() {
  const QString page = HelpFolder() + "/default.htm";
  if (!QFileInfo::exists(page)) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

std::string SongFolder() {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath("../share/velmira/songs");
  if (QFileInfo(installed).isDir()) return QDir(installed).canonicalPath().toStdString();
  return VELMIRA_BUILD_SONG_DIR;
}

}  // namespace velmira
