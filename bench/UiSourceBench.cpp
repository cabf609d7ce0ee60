// How long the window takes from the confirmed source file to a filled item
// list and command lines (Button1Click with the real tools), against its peer
// in the same run: the same three tool runs started directly, one after the
// other, their output read to the end. The two are interleaved so that both
// meet the same machine state.
//
//   ui_source_bench BIN_DIR FILE [RUNS]     (BIN_DIR holds ostrem and quarvel)
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ProgramFolder.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/AboutWindows.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

namespace {

struct Times {
    std::vector<double> ms;
    double Best() const { return *std::min_element(ms.begin(), ms.end()); }
    double Mean() const {
        double total = 0;
        for (double t : ms)
            total += t;
        return total / static_cast<double>(ms.size());
    }
};

// One tool run started directly, its standard output read to the end.
bool RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1))
        return false;
    process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: ui_source_bench BIN_DIR FILE [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Absolute, since confirming a file moves the current folder to the file's.
    const std::string bin =
        QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString() + "/";
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const int runs = argc == 4 ? std::atoi(argv[3]) : 20;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be a positive number\n");
        return 2;
    }

    // The settings file lives in a folder of its own, so the run leaves
    // nothing behind; the window never closes, so Formats.txt in BIN_DIR is
    // read but not rewritten.
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string settings = work.path().toStdString() + "/Torvane.cfg";
    if (std::FILE* f = std::fopen(settings.c_str(), "wb")) {
        std::fputs("English\r\n", f);
        std::fclose(f);
    }

    ScriptedDialogs dialogs;
    TForm1 form1(dialogs, bin, torvane::FolderOf(settings), torvane::SettingsFile(settings));
    TForm2 form2(dialogs);
    TForm3 form3;
    TForm4 form4;
    form1.AttachWindows(form2, form3, form4);
    form1.show();
    auto* button1 = form1.findChild<QPushButton*>(QStringLiteral("Button1"));
    auto* list = form1.findChild<QListWidget*>(QStringLiteral("CheckListBox1"));
    if (!dialogs.boxes.empty()) {
        std::fprintf(stderr, "start-up: %s\n", qPrintable(dialogs.boxes.front().text));
        return 1;
    }

    const QString quarvel = QString::fromStdString(bin + "quarvel");
    const QString ostrem = QString::fromStdString(bin + "ostrem");
    auto window = [&] {
        dialogs.files.push_back(file);
        QElapsedTimer timer;
        timer.start();
        button1->click();
        return timer.nsecsElapsed() / 1e6;
    };
    auto peer = [&] {
        QElapsedTimer timer;
        timer.start();
        const bool ok = RunTool(quarvel, {QStringLiteral("tags"), file}) &&
                        RunTool(quarvel, {QStringLiteral("chapters"), file}) &&
                        RunTool(ostrem, {QStringLiteral("-i"), file});
        if (!ok) {
            std::fprintf(stderr, "a tool run failed\n");
            std::exit(1);
        }
        return timer.nsecsElapsed() / 1e6;
    };

    // One untimed round of each brings the file's head and tail and the
    // tools into the page cache.
    window();
    peer();
    if (list->count() == 0 || form1.ComandoTracks().empty() || !dialogs.boxes.empty()) {
        std::fprintf(stderr, "the window did not fill the list and command lines%s%s\n",
                     dialogs.boxes.empty() ? "" : ": ",
                     dialogs.boxes.empty() ? "" : qPrintable(dialogs.boxes.front().text));
        return 1;
    }
    const int items = list->count();

    Times windowTimes, peerTimes;
    for (int i = 0; i < runs; ++i) {
        windowTimes.ms.push_back(window());
        peerTimes.ms.push_back(peer());
        if (list->count() != items) {
            std::fprintf(stderr, "run %d: %d items, not %d\n", i + 1, list->count(), items);
            return 1;
        }
    }

    std::printf("items in the list: %d; listing lines: %zu; tracks command line: %zu bytes\n",
                items, form1.Listing().size(), form1.ComandoTracks().size());
    std::printf("%-52s best %7.1f ms  mean %7.1f ms  (%d runs)\n",
                "window: confirm file -> list and command lines", windowTimes.Best(),
                windowTimes.Mean(), runs);
    std::printf("%-52s best %7.1f ms  mean %7.1f ms  (%d runs)\n",
                "peer: quarvel tags, quarvel chapters, ostrem -i", peerTimes.Best(),
                peerTimes.Mean(), runs);
    std::printf("window / peer: best %.2fx, mean %.2fx; target: window under 100 ms -> %s\n",
                windowTimes.Best() / peerTimes.Best(), windowTimes.Mean() / peerTimes.Mean(),
                windowTimes.Mean() < 100 ? "met" : "NOT met");
    return 0;
}
