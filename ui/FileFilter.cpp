#include "ui/FileFilter.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The patterns of one entry: "*.mkv; *.mka" gives "*.mkv" and "*.mka".
QStringList Patterns(const QString& part) {
    QStringList patterns;
    for (const QString& p : part.split(QLatin1Char(';'))) {
        if (!p.trimmed().isEmpty()) {
            patterns << p.trimmed();
        }
    }
    return patterns;
}

}  // namespace

QString QtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QStringList patterns = Patterns(parts[i + 1]);
        // Qt reads the patterns from the last parenthesised group, separated by
        // blanks, so a group already in the description is replaced.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            description = description.left(open).trimmed();
        }
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

bool FilterAccepts(const QString& filter, const QString& fileName) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        for (const QString& pattern : Patterns(parts[i + 1])) {
            const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern),
                                           QRegularExpression::CaseInsensitiveOption);
            if (match.match(fileName).hasMatch()) {
                return true;
            }
        }
    }
    return false;
}
