// How long the window takes from the confirmed source file to a filled item
// list and command lines (onChooseSourceClicked with the real tools), against its peer
// in the same run: the same three tool runs started directly, one after the
// other, their output read to the end. The two are interleaved so that both
// meet the same machine state.
//
//   ui_source_bench BIN_DIR FILE [RUNS]     (BIN_DIR holds ostrem and quarvel)
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/WindowDrivers.h"
#include "tests/ui/ScriptedDialogs.h"

namespace {

// One tool run started directly, its standard output read to the end.
bool RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1)) {
        return false;
    }
    process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit;
}

class SourceBench {
  public:
    SourceBench(const char* binFolder, const char* file)
        : file_(AbsolutePath(file)), windows_(dialogs_, binFolder, "English") {
        windows_.Main().show();
    }

    // What the start-up said, if anything: a benchmark of a window that
    // warned measures nothing worth having.
    QString FirstBox() const {
        return dialogs_.boxes.empty() ? QString() : dialogs_.boxes.front().text;
    }

    // The window's run: the file confirmed in the source button's dialog.
    double Window() {
        dialogs_.files.push_back(file_);
        QElapsedTimer timer;
        timer.start();
        windows_.Find<QPushButton>("Button1").click();
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    // The peer's run: the window's three tool runs, started directly.
    double Peer() {
        const QString quarvel = QString::fromStdString(windows_.BinFolder() + "quarvel");
        const QString ostrem = QString::fromStdString(windows_.BinFolder() + "ostrem");
        QElapsedTimer timer;
        timer.start();
        const bool ok = RunTool(quarvel, {QStringLiteral("tags"), file_}) &&
                        RunTool(quarvel, {QStringLiteral("chapters"), file_}) &&
                        RunTool(ostrem, {QStringLiteral("-i"), file_});
        if (!ok) {
            std::fprintf(stderr, "a tool run failed\n");
            std::exit(1);
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    int Items() { return windows_.Find<QListWidget>("CheckListBox1").count(); }
    const MainWindow& Main() { return windows_.Main(); }

  private:
    QString file_;
    ScriptedDialogs dialogs_;
    TDrivenWindows windows_;
};

void PrintTimes(const char* what, const TTimes& times, int runs) {
    std::printf("%-52s best %7.1f ms  mean %7.1f ms  (%d runs)\n", what, times.Best(), times.Mean(),
                runs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: ui_source_bench BIN_DIR FILE [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc == 4 ? std::atoi(argv[3]) : 20;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be a positive number\n");
        return 2;
    }
    SourceBench bench(argv[1], argv[2]);
    if (!bench.FirstBox().isEmpty()) {
        std::fprintf(stderr, "start-up: %s\n", qPrintable(bench.FirstBox()));
        return 1;
    }

    // One untimed round of each brings the file's head and tail and the
    // tools into the page cache.
    bench.Window();
    bench.Peer();
    const int items = bench.Items();
    if (items == 0 || bench.Main().TracksCommandLine().empty() || !bench.FirstBox().isEmpty()) {
        std::fprintf(stderr, "the window did not fill the list and command lines%s%s\n",
                     bench.FirstBox().isEmpty() ? "" : ": ", qPrintable(bench.FirstBox()));
        return 1;
    }

    TTimes window;
    TTimes peer;
    for (int i = 0; i < runs; ++i) {
        window.ms.push_back(bench.Window());
        peer.ms.push_back(bench.Peer());
        if (bench.Items() != items) {
            std::fprintf(stderr, "run %d: %d items, not %d\n", i + 1, bench.Items(), items);
            return 1;
        }
    }

    std::printf("items in the list: %d; listing lines: %zu; tracks command line: %zu bytes\n",
                items, bench.Main().Listing().size(), bench.Main().TracksCommandLine().size());
    PrintTimes("window: confirm file -> list and command lines", window, runs);
    PrintTimes("peer: quarvel tags, quarvel chapters, ostrem -i", peer, runs);
    std::printf("window / peer: best %.2fx, mean %.2fx; target: window under 100 ms -> %s\n",
                window.Best() / peer.Best(), window.Mean() / peer.Mean(),
                window.Mean() < 100 ? "met" : "NOT met");
    return 0;
}
