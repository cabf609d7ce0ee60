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
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "bench/WindowDrivers.h"
#include "ui/ConsoleWindow.h"

namespace {

// The bar's value at which the picture is taken.
constexpr int kShotPercent = 40;

// The tool the console window runs: this process's child named quarvel (the
// window manager may be a child too, when its starter became this process).
pid_t ToolChild() {
    const std::string self = std::to_string(getpid());
    std::ifstream children("/proc/" + self + "/task/" + self + "/children");
    pid_t child = -1;
    while (children >> child) {
        std::string name;
        std::ifstream("/proc/" + std::to_string(child) + "/comm") >> name;
        if (name == "quarvel") {
            return child;
        }
    }
    return -1;
}

// The window with its frame, as the window manager drew it around it.
QString GrabGeometry(const QWidget& window) {
    QRect r = window.frameGeometry();
    if (r == window.geometry()) {  // no frame known: twm's title bar and border
        r = window.geometry().adjusted(-3, -31, 3, 2);
    }
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

// The screen around the console window, by ImageMagick's import.
bool Photograph(const TConsoleWindow& console, const QString& png) {
    return QProcess::execute(
               QStringLiteral("import"),
               {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                GrabGeometry(console), QStringLiteral("+repage"), png}) == 0;
}

// The tool is far quicker than the eye: it is paused as soon as its window
// shows and let go a millisecond at a time until the bar passes the mark;
// then, still paused, the window is photographed and the tool let go.
void PhotographAtTheMark(TConsoleWindow& console, const QString& png, bool& shot) {
    const pid_t child = ToolChild();
    if (child <= 0) {
        std::fprintf(stderr, "no tool running under the console window\n");
        QApplication::exit(1);
        return;
    }
    kill(child, SIGSTOP);
    auto* bar = console.findChild<QProgressBar*>(QStringLiteral("ConsoleProgress"));
    auto* step = new QTimer(&console);
    step->setInterval(20);
    QObject::connect(step, &QTimer::timeout, &console, [&console, &png, &shot, bar, step, child] {
        if (bar->value() < kShotPercent) {
            kill(child, SIGCONT);
            usleep(1000);
            kill(child, SIGSTOP);
            return;
        }
        step->stop();
        // Give the paused window time to paint its last progress.
        QTimer::singleShot(700, &console, [&console, &png, &shot, child] {
            shot = Photograph(console, png);
            kill(child, SIGCONT);
        });
    });
    step->start();
}

// The console window exists only while the extraction runs: `then` is
// called once it shows.
void WhenConsoleShows(MainWindow& mainWindow, std::function<void(TConsoleWindow&)> then) {
    auto* poll = new QTimer(&mainWindow);
    poll->setInterval(1);
    QObject::connect(
        poll, &QTimer::timeout, &mainWindow, [&mainWindow, poll, then = std::move(then)] {
            auto* console = mainWindow.findChild<TConsoleWindow*>(QStringLiteral("ConsoleWindow"));
            if (console != nullptr && console->isVisible()) {
                poll->stop();
                then(*console);
            }
        });
    poll->start();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: console_shot BIN_DIR SOURCE OUT_FOLDER PNG\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString outFolder = AbsolutePath(argv[3]) + "/";
    const QString png = AbsolutePath(argv[4]);
    TUnattendedDialogs dialogs;
    dialogs.source = AbsolutePath(argv[2]);
    TDrivenWindows windows(dialogs, argv[1], "English");
    MainWindow& mainWindow = windows.Main();
    mainWindow.show();

    bool shot = false;
    QTimer::singleShot(500, &mainWindow, [&] {
        windows.Find<QPushButton>("Button1").click();
        windows.Find<QLineEdit>("Edit2").setText(outFolder);
        auto& list = windows.Find<QListWidget>("CheckListBox1");
        if (list.count() == 0) {
            std::fprintf(stderr, "the source gave no items\n");
            QApplication::exit(1);
            return;
        }
        list.item(0)->setCheckState(Qt::Checked);
        WhenConsoleShows(mainWindow, [&png, &shot](TConsoleWindow& console) {
            PhotographAtTheMark(console, png, shot);
        });
        // The extraction runs modally inside this click; quit once it is over.
        QTimer::singleShot(300, &mainWindow, [&] {
            windows.Find<QPushButton>("BitBtn1").click();
            QTimer::singleShot(300, [] { QApplication::quit(); });
        });
    });
    GiveUpAfter(120000);
    const int status = app.exec();
    return ShotStatus(status, shot);
}
