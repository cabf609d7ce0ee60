#include "AboutWindow.h"

#include <QDialog>
#include <QFont>
#include <QPalette>
#include <QPlainTextEdit>

QString AboutRule() {
    return QString(64, QLatin1Char('-'));
}

QStringList AboutOtherWebs() {
    return {
        QStringLiteral("    https://www.rfc-editor.org/rfc/rfc9559"),
        QStringLiteral("    https://www.rfc-editor.org/rfc/rfc8794"),
        QStringLiteral("    https://www.qt.io/"),
        QStringLiteral("    https://ffmpeg.org/"),
    };
}

void SetUpAboutWindow(QDialog& window, const QString& caption, const QStringList& lines) {
    window.setWindowTitle(caption);
    window.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    window.setFont(font);

    auto* memo = new QPlainTextEdit(&window);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setGeometry(0, 0, 337, 158);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::HighlightedText));
    memo->setPalette(palette);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    window.setFixedSize(337, 158);
}
