#include "Unit4.h"

#include "AboutWindow.h"
#include "WebLinks.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    SetUpAboutWindow(*this, QStringLiteral("About..."), AboutLines());
}

QStringList TForm4::AboutLines() {
    const QString rule = AboutRule();
    QStringList lines{
        QString(),
        QStringLiteral("Torvane 1.5.2"),
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
