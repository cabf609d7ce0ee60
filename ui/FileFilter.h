// Converts a file-dialog filter written as "Description|pattern; pattern"
// entries (entries also separated by "|") into Qt's name-filter form.
#pragma once

#include <QString>

QString QtNameFilter(const QString& filter);
