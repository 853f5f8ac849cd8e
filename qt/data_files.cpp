#include "qt/data_files.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace velmira {

QString InstalledDataFolder() {
  const QString installed =
      QDir(QCoreApplication::applicationDirPath()).filePath("../share/velmira");
  return QFileInfo(installed).isDir() ? QDir(installed).canonicalPath() : QString();
}

QString HelpFolder() {
  const QByteArray given = qgetenv("VELMIRA_HELP_DIR");
  if (!given.isEmpty()) return QString::fromLocal8Bit(given);
  const QString installed = InstalledDataFolder() + "/help";
  if (QFileInfo::exists(installed + "/default.htm")) return installed;
  return QStringLiteral(VELMIRA_BUILD_HELP_DIR);
}

void OpenHelp(QObject* owner, const std::function<void(const QString& page)>& failed) {
  const QString page = HelpFolder() + "/default.htm";
  if (!QFileInfo::exists(page)) return failed(page);
  // xdg-open tells by its exit status whether a browser took the page; Qt's own opening only
  // tells whether xdg-open started.
  auto* opener = new QProcess(owner);
  QObject::connect(opener, &QProcess::finished, owner, [opener, page, failed](int status) {
    if (status != 0) failed(page);
    opener->deleteLater();
  });
  QObject::connect(opener, &QProcess::errorOccurred, owner,
                   [opener, page, failed](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) failed(page);
                     opener->deleteLater();
                   });
  opener->start(QStringLiteral("xdg-open"), {page});
}

std::string SongFolder() {
  const QString installed = InstalledDataFolder() + "/songs";
  if (!InstalledDataFolder().isEmpty() && QFileInfo(installed).isDir()) {
    return installed.toStdString();
  }
  return VELMIRA_BUILD_SONG_DIR;
}

}  // namespace velmira
