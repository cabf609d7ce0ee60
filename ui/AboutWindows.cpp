#include "ui/AboutWindows.h"

#include <QDialog>
#include <QFont>
#include <QPalette>
#include <QPlainTextEdit>

#include "core/Version.h"
#include "ui/WebLinks.h"

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

SpanishAboutWindow::SpanishAboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    SetUpAboutWindow(*this, QStringLiteral("Acerca de..."), AboutLines());
}

QStringList SpanishAboutWindow::AboutLines() {
    const QString rule = AboutRule();
    QStringList lines{
        QString(),
        QStringLiteral("Torvane 1.5.1.1"),
        QString(),
        rule,
        QString(),
        QStringLiteral("Torvane: ventana para las herramientas ostrem y quarvel."),
        QStringLiteral("Programa y herramientas: el equipo de Torvane."),
        QStringLiteral("Construido con Qt, FFmpeg y zlib."),
        QString(),
        rule,
        QStringLiteral("IMPORTANTE"),
        QString(),
        QStringLiteral("quarvel.exe y ostrem.exe deben hallarse en la misma "),
        QStringLiteral("carpeta que Torvane.exe."),
        QString(),
        rule,
        QStringLiteral("USO"),
        QString(),
        QStringLiteral("Torvane facilita la extracción de vídeo, audio, subtítulos, attachments y "
                       "tags"),
        QString(),
        QStringLiteral("El listado de capítulos puede ser extraído en formato .xml (matroska) o "
                       "texto simple .txt (como el formato para OGM)."),
        QString(),
        QStringLiteral("Elige tu fichero matroska (.mkv, .mka, .mks) y la carpeta de salida, "
                       "selecciona los archivos que quieras y pulsa \"Extraer\"."),
        QString(),
        rule,
        QStringLiteral("AGRADECIMIENTOS"),
        QString(),
        QStringLiteral("A quienes escribieron los estándares abiertos de EBML y Matroska."),
        QString(),
        QStringLiteral("A quienes prueban Torvane y nos cuentan lo que falla."),
        QString(),
        rule,
        QStringLiteral("Documentación de Torvane: README, en el menú Ayuda"),
        QStringLiteral("Web del formato Matroska: ") + QString::fromLatin1(kFormatPage),
        QString(),
        QStringLiteral("OTRAS WEBS:"),
    };
    lines << AboutOtherWebs();
    lines << QStringList{
        QString(),
        QString(),
        QStringLiteral("        El equipo de Torvane, diciembre de 2026"),
    };
    return lines;
}

EnglishAboutWindow::EnglishAboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    SetUpAboutWindow(*this, QStringLiteral("About..."), AboutLines());
}

QStringList EnglishAboutWindow::AboutLines() {
    const QString rule = AboutRule();
    QStringList lines{
        QString(),
        QStringLiteral("Torvane " TORVANE_VERSION_TEXT),
        QString(),
        rule,
        QString(),
        QStringLiteral("Torvane: a window for the ostrem and quarvel tools."),
        QStringLiteral("Program and tools: the Torvane team."),
        QStringLiteral("Built with Qt, FFmpeg and zlib."),
        QString(),
        rule,
        QStringLiteral("WARNING"),
        QString(),
        QStringLiteral("quarvel.exe and ostrem.exe must be located at the "),
        QStringLiteral("same folder of Torvane.exe."),
        QString(),
        rule,
        QStringLiteral("USAGE"),
        QString(),
        QStringLiteral("Torvane provide the video, audio, subtitles, "),
        QStringLiteral("attachments, chapters division and tags demuxing."),
        QString(),
        QStringLiteral("Chapters list can be demuxed in .xml (matroska) format or .txt "),
        QStringLiteral("simple text (like OGM format)."),
        QString(),
        QStringLiteral("Select a Matroska file (.mkv, .mka, .mks) and a ouput folder, "),
        QStringLiteral("check the desired tracks, etc and press \"Extract\"."),
        rule,
        QStringLiteral("ACKNOWLEDGMENTS"),
        QString(),
        QStringLiteral("To the authors of the open EBML and Matroska standards."),
        QString(),
        QStringLiteral("To everyone who tries Torvane and tells us"),
        QStringLiteral("what goes wrong."),
        QString(),
        rule,
        QStringLiteral("Torvane's documentation: README, in the Help menu"),
        QStringLiteral("Matroska format's web: ") + QString::fromLatin1(kFormatPage),
        QString(),
        QStringLiteral("OTHER WEBS:"),
    };
    lines << AboutOtherWebs();
    lines << QStringList{
        QString(),
        QString(),
        QStringLiteral("        The Torvane team, December 2026"),
    };
    return lines;
}
