// Byte texts from the tools and the files are shown decoded; paths and typed
// texts go back to bytes the same way (UTF-8 on Linux, the ANSI code page on
// Windows).
#pragma once

#include <QString>
#include <string>

inline QString Decode(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string Encode(const QString& text) {
    return text.toLocal8Bit().toStdString();
}
