// Program entry: the application titled "Torvane", its four windows made in
// order, the event loop. One argument may name a file to open, as the
// desktop's "Open with" passes it: `torvane [FILE]`. `torvane --help` and
// `torvane --version` print and end; `torvane --batch ...` runs a batch
// extraction without a window.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "core/Settings.h"
#include "core/StartFolder.h"
#include "core/Version.h"
#include "platform/ProgramFolder.h"
#include "process/BatchCommand.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/ProgramWindows.h"

namespace {

// Every handler of the windows guards itself; this is the last net for an
// exception thrown anywhere else in an event, so that none crosses the loop.
class TApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            Report(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            Report(Message(UserText::UnknownError));
        }
        return false;
    }

  private:
    void Report(const QString& message) {
        TQtDialogs dialogs;
        dialogs.MessageBox(activeWindow(), QStringLiteral("Torvane"), ErrorText(message),
                           TDialogs::Buttons::Ok, TDialogs::Icon::Critical);
    }
};

// An argument naming the file to open, made absolute: Qt has taken its own
// options out by now, and a relative path is resolved against the folder the
// program started in. Qt's list, not argv: on Windows argv spells the name in
// the ANSI code page, which may not hold every letter of it. Empty when none
// is given.
QString SourceArgument(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments[1].isEmpty()) {
        return {};
    }
    return QFileInfo(arguments[1]).absoluteFilePath();
}

constexpr const char* kHelp =
    "Usage: torvane [FILE]\n"
    "       torvane --batch RULE FOLDER_OR_FILE... [--output DIR]\n"
    "Opens the window that lists what a Matroska file (.mkv, .mka, .mks) holds\n"
    "and writes the items ticked to files of their own. FILE is read as if\n"
    "chosen with Browse.\n"
    "  --batch    extract without a window from the files and folders given, by\n"
    "             a rule saved in the batch window (Save rule...), into DIR\n"
    "             (without --output, beside each source); prints the summary.\n"
    "             Exit status 0 done, 1 done with warnings, 2 a file failed\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

// Answered before the application exists, so they need no display.
bool AnswersInformationOption(int argc, char** argv) {
    if (argc < 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("torvane %s\n", TORVANE_VERSION_TEXT);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswersInformationOption(argc, argv)) {
        return 0;
    }
    // Without a window, and so without a display: from a script or a server.
    if (argc >= 2 && std::strcmp(argv[1], "--batch") == 0) {
        return torvane::BatchCommandMain({argv + 2, argv + argc});
    }
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/torvane/torvane.png")));

    const QString sourceArgument = SourceArgument(QApplication::arguments());
    TQtDialogs dialogs;
    // Where the Linux launcher would have started the window (Windows).
    torvane::EnterStartFolder(torvane::UserFolder());
    // The settings file is fixed now: the file dialog moves the current
    // folder later on.
    TProgramWindows windows(dialogs, torvane::ProgramFolder(), torvane::UserFolder(),
                            torvane::SettingsFile::InStartupFolder());
    MainWindow& form1 = windows.mainWindow;
    form1.show();
    if (!sourceArgument.isEmpty()) {
        // Once the window is up, as if the file had been chosen in it.
        QTimer::singleShot(0, &form1, [&form1, sourceArgument] {
            form1.Guarded([&] { form1.OpenSourceFile(sourceArgument); });
        });
    }
    return app.exec();
}
