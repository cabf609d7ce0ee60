// Photographs one page of the main window, for docs/main-*.png
// (scripts/screenshots.sh runs it under a virtual X server).
//
//   window_shot BIN_DIR LANGUAGE PNG PAGE [SOURCE]
//
// LANGUAGE is the settings file's word (Castellano or English), PAGE the
// page shown (0 or 1). The window confirms SOURCE, if given, and ticks a few
// of its items so that the command lines show what they hold; then the page
// is grabbed. Exits 0 only when the picture was written.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "bench/WindowDrivers.h"

namespace {

// Every other item or so, starting with the first.
void TickSome(QListWidget& list) {
    for (int k = 0; k < list.count(); k += (k % 3 == 0) ? 2 : 1) {
        list.item(k)->setCheckState(Qt::Checked);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: window_shot BIN_DIR LANGUAGE PNG PAGE [SOURCE]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString png = AbsolutePath(argv[3]);
    const int page = std::atoi(argv[4]);
    TUnattendedDialogs dialogs;
    if (argc == 6) {
        dialogs.source = AbsolutePath(argv[5]);
    }
    TDrivenWindows windows(dialogs, argv[1], argv[2]);
    MainWindow& mainWindow = windows.Main();
    mainWindow.show();

    bool shot = false;
    QTimer::singleShot(300, &mainWindow, [&] {
        if (!dialogs.source.isEmpty()) {
            windows.Find<QPushButton>("Button1").click();
            TickSome(windows.Find<QListWidget>("CheckListBox1"));
        }
        windows.Find<QTabWidget>("Pest").setCurrentIndex(page);
        QTimer::singleShot(300, &mainWindow, [&] {
            shot = mainWindow.grab().save(png);
            QApplication::quit();
        });
    });
    GiveUpAfter(60000);
    const int status = app.exec();
    return ShotStatus(status, shot);
}
