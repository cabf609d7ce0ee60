#include "ui/WebLinks.h"

#include <QDir>
#include <QUrl>

// On Windows the page and its pictures stand in the program folder, as the
// installer puts them and the build leaves them.
QString ProgramPage(const QString& programFolder) {
    const QString folder = QDir::fromNativeSeparators(programFolder);
    return QUrl::fromLocalFile(QDir::cleanPath(folder + QStringLiteral("/README.html"))).toString();
}
