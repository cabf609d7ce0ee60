// Photographs the console window mid-way through a real extraction, for
// docs/console.png (scripts/console-screenshot.sh runs it under a virtual X
// server with a window manager, so the picture has a title bar).
//
//   console_shot BIN_DIR SOURCE OUT_FOLDER PNG
//
// The window confirms SOURCE, ticks its first item and extracts it into
// OUT_FOLDER. Once the console window's bar passes 40 %, the screen is grabbed
// around the console window with ImageMagick's import while the tool is
// paused. Exits 0 only when the picture was written.
#include <signal.h>
#include <unistd.h>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/ProgramFolder.h"
#include "ui/AboutWindows.h"
#include "ui/ConsoleWindow.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

namespace {

// The real dialogs, but the open-file dialog answers with the source at once
// and a message box is printed and answered OK.
class ShotDialogs : public TQtDialogs {
  public:
    QString source;
    Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    bool OpenFile(QWidget*, const QString&, const QString&, QString& fileName) override {
        fileName = source;
        return true;
    }
};

// The tool the console window runs: this process's child named quarvel (the
// window manager may be a child too, when its starter became this process).
pid_t ToolChild() {
    const std::string self = std::to_string(getpid());
    std::ifstream children("/proc/" + self + "/task/" + self + "/children");
    pid_t child = -1;
    while (children >> child) {
        std::string name;
        std::ifstream("/proc/" + std::to_string(child) + "/comm") >> name;
        if (name == "quarvel")
            return child;
    }
    return -1;
}

// The window with its frame, as the window manager drew it around it.
QString GrabGeometry(const QWidget& window) {
    QRect r = window.frameGeometry();
    if (r == window.geometry())  // no frame known: twm's title bar and border
        r = window.geometry().adjusted(-3, -31, 3, 2);
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: console_shot BIN_DIR SOURCE OUT_FOLDER PNG\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string bin =
        QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString() + "/";
    const QString outFolder = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath() + "/";
    const QString png = QFileInfo(QString::fromLocal8Bit(argv[4])).absoluteFilePath();

    QTemporaryDir work;
    const std::string settings = work.path().toStdString() + "/Torvane.cfg";
    std::ofstream(settings, std::ios::binary) << "English\r\n";

    ShotDialogs dialogs;
    dialogs.source = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    TForm1 form1(dialogs, bin, torvane::FolderOf(settings), torvane::SettingsFile(settings));
    TForm2 form2(dialogs);
    TForm3 form3;
    TForm4 form4;
    form1.AttachWindows(form2, form3, form4);
    form1.show();

    bool shot = false;
    // The tool is far quicker than the eye: it is paused as soon as its
    // window shows and let go a millisecond at a time until the bar passes
    // 40 %; then, still paused, the window is photographed.
    auto follow = [&](TConsoleWindow* console) {
        const pid_t child = ToolChild();
        if (child <= 0) {
            std::fprintf(stderr, "no tool running under the console window\n");
            QApplication::exit(1);
            return;
        }
        kill(child, SIGSTOP);
        auto* bar = console->findChild<QProgressBar*>(QStringLiteral("ConsoleProgress"));
        auto* step = new QTimer(console);
        step->setInterval(20);
        QObject::connect(step, &QTimer::timeout, console, [&, console, bar, step, child] {
            if (bar->value() < 40) {
                kill(child, SIGCONT);
                usleep(1000);
                kill(child, SIGSTOP);
                return;
            }
            step->stop();
            // Give the paused window time to paint its last progress.
            QTimer::singleShot(700, console, [&, console, child] {
                shot = QProcess::execute(QStringLiteral("import"),
                                         {QStringLiteral("-window"), QStringLiteral("root"),
                                          QStringLiteral("-crop"), GrabGeometry(*console),
                                          QStringLiteral("+repage"), png}) == 0;
                kill(child, SIGCONT);
            });
        });
        step->start();
    };

    QTimer::singleShot(500, &form1, [&] {
        form1.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        form1.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(outFolder);
        auto* list = form1.findChild<QListWidget*>(QStringLiteral("CheckListBox1"));
        if (list->count() == 0) {
            std::fprintf(stderr, "the source gave no items\n");
            QApplication::exit(1);
            return;
        }
        list->item(0)->setCheckState(Qt::Checked);
        // The console window exists only while the extraction runs: wait for
        // it, then follow its bar.
        auto* poll = new QTimer(&form1);
        poll->setInterval(1);
        QObject::connect(poll, &QTimer::timeout, &form1, [&, poll] {
            auto* console = form1.findChild<TConsoleWindow*>(QStringLiteral("ConsoleWindow"));
            if (console == nullptr || !console->isVisible())
                return;
            poll->stop();
            follow(console);
        });
        poll->start();
        // The extraction runs modally inside this click; quit once it is over.
        QTimer::singleShot(300, &form1, [&] {
            form1.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
            QTimer::singleShot(300, [] { QApplication::quit(); });
        });
    });
    // Should anything wait for ever, give up.
    QTimer::singleShot(120000, [] { QApplication::exit(1); });
    const int status = app.exec();
    if (!shot)
        std::fprintf(stderr, "no picture was taken\n");
    return status == 0 && shot ? 0 : 1;
}
