// Program entry: the application titled "Torvane", its four windows made in
// order, the event loop. One argument may name a file to open, as the
// desktop's "Open with" passes it: `torvane [FILE]`.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <memory>

#include "core/ProgramFolder.h"
#include "core/Settings.h"
#include "ui/AboutWindows.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/NewFormatDialog.h"
#include "ui/Screenshot.h"

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
            Report(Message(TMessage::UnknownError));
        }
        return false;
    }

  private:
    void Report(const QString& message) {
        TQtDialogs dialogs;
        dialogs.MessageBox(activeWindow(), QStringLiteral("Torvane"), TForm1::ErrorText(message),
                           TDialogs::Buttons::Ok, TDialogs::Icon::Critical);
    }
};

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/torvane/torvane.png")));

    // Fixed now: the file dialog moves the current folder later on.
    torvane::SettingsFile settings = torvane::SettingsFile::InStartupFolder();
    std::string programFolder = torvane::ProgramFolder();
    // Qt has taken its own options out of argv by now; a relative path is
    // resolved against the folder the program started in.
    const QString sourceArgument =
        argc > 1 && argv[1][0] != '\0'
            ? QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath()
            : QString();

    const TScreenshotRequest screenshot = ScreenshotRequestFromEnvironment();
    std::unique_ptr<TDialogs> dialogs;
    if (screenshot.active) {
        dialogs = std::make_unique<TScreenshotDialogs>(screenshot.source);
    } else {
        dialogs = std::make_unique<TQtDialogs>();
    }

    TForm1 form1(*dialogs, programFolder, torvane::UserFolder(), settings);
    TForm2 form2(*dialogs);
    TForm3 form3;
    TForm4 form4;
    form1.AttachWindows(form2, form3, form4);

    form1.show();
    if (screenshot.active) {
        TakeScreenshotLater(form1, screenshot);
    } else if (!sourceArgument.isEmpty()) {
        // Once the window is up, as if the file had been chosen in it.
        QTimer::singleShot(0, &form1, [&form1, sourceArgument] {
            form1.Guarded([&] { form1.OpenSourceFile(sourceArgument); });
        });
    }
    return app.exec();
}
