// Converts a file-dialog filter written as "Description|pattern; pattern"
// entries (entries also separated by "|") into Qt's name-filter form.
#pragma once

#include <QString>

QString QtNameFilter(const QString& filter);

// True when the file name matches one of the filter's patterns, whatever the
// case of its letters.
bool FilterAccepts(const QString& filter, const QString& fileName);
// The filter of the source files' open-file dialogs, the same in both
// interface languages.
inline const QString kSourceFilter =
    QStringLiteral("Archivos Matroska (*.mkv; *.mka; *.mks)|*.mkv; *.mka; *.mks");
