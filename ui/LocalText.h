// Byte texts from the tools and the files are shown decoded; paths and typed
// texts go back to bytes in the system's 8-bit encoding (UTF-8 on Linux, the
// ANSI code page on Windows).
//
// The tools print what the file holds (names, chapters, tags) in UTF-8 on
// every platform, while paths the system gave come in its own encoding: a
// text that is valid UTF-8 is read as UTF-8, any other in the system's
// encoding. On Linux both are UTF-8; on Windows no ANSI path with an accented
// letter reads as valid UTF-8 in practice.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <string>

inline QString Decode(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string Encode(const QString& text) {
    return text.toLocal8Bit().toStdString();
}
