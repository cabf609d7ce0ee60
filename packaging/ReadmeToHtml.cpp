// Turns README.md into the page the window's Help menu opens: the same text as
// one HTML page, its pictures named as in the README (docs/...), so they are
// found beside the page. Each page is named as its source, so a link to a
// neighbouring NAME.md leads to NAME.html. A build step, not a shipped program.
//   readme_to_html README.md README.html
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
    // Laying out text needs fonts, so a GUI application, but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: readme_to_html README.md README.html\n", stderr);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "readme_to_html: %s: %s\n", argv[1], qPrintable(in.errorString()));
        return 2;
    }
    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(in.readAll()), QTextDocument::MarkdownDialectGitHub);
    document.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Torvane"));

    QString html = document.toHtml();
    html.replace(QRegularExpression(QStringLiteral(R"(href="([^":/]+)\.md")")),
                 QStringLiteral(R"(href="\1.html")"));

    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(html.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "readme_to_html: %s: %s\n", argv[2], qPrintable(out.errorString()));
        return 2;
    }
    return 0;
}
