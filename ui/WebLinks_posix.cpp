#include "ui/WebLinks.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString ProgramPage(const QString& programFolder, TLanguage language) {
    const QString page = language == TLanguage::Spanish
                             ? QStringLiteral("share/doc/torvane/README.es.html")
                             : QStringLiteral("share/doc/torvane/README.html");
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/../../") + page);
    const QString built = QDir::cleanPath(programFolder + QStringLiteral("/../") + page);
    const QString found =
        !QFileInfo(installed).isFile() && QFileInfo(built).isFile() ? built : installed;
    return QUrl::fromLocalFile(found).toString();
}
