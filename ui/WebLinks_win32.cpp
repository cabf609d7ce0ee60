#include "ui/WebLinks.h"

#include <QDir>
#include <QUrl>

// On Windows the pages and their pictures stand in the program folder, as the
// installer puts them and the build leaves them.
QString ProgramPage(const QString& programFolder, TLanguage language) {
    const QString folder = QDir::fromNativeSeparators(programFolder);
    const QString page = language == TLanguage::Spanish ? QStringLiteral("/README.es.html")
                                                        : QStringLiteral("/README.html");
    return QUrl::fromLocalFile(QDir::cleanPath(folder + page)).toString();
}
