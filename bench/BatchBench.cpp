// The batch window's own cost per file: the time from Extract to the summary
// for a folder of small files (rule: Spanish audio, all subtitles, all
// attachments, chapters as XML, tags), against its peer in the same run: the
// same quarvel runs started directly by a shell loop, one file after
// another, with the same paths. The two are interleaved so that both meet the
// same machine state. Prints best and mean of each and the batch's overhead
// per file in milliseconds.
//
//   batch_bench BIN_DIR SOURCE_FOLDER OUT_FOLDER [RUNS]
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/BatchSteps.h"
#include "core/ProgramFolder.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/AboutWindows.h"
#include "ui/BatchWindow.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

namespace {

struct Times {
    std::vector<double> ms;
    double Best() const { return *std::min_element(ms.begin(), ms.end()); }
    double Mean() const {
        double total = 0;
        for (double t : ms) {
            total += t;
        }
        return total / static_cast<double>(ms.size());
    }
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The plan's runs as a shell script: every folder made by one mkdir first,
// then per file one tracks pass, one attachments run, the chapters and the
// tags printed into their files.
std::string ShellLoop(const std::vector<torvane::FilePlan>& plan, const std::string& quarvel) {
    using Kind = torvane::PlannedOutput::Kind;
    std::string folders = "mkdir -p";
    std::string script;
    for (const torvane::FilePlan& file : plan) {
        if (file.state != torvane::FilePlan::State::Outputs) {
            continue;
        }
        const std::string source = Quoted(file.source);
        std::string tracks = quarvel + " tracks " + source;
        std::string attachments = quarvel + " attachments " + source;
        std::string saved;
        for (const torvane::PlannedOutput& output : file.outputs) {
            const std::string path = Quoted(file.folder + output.name);
            if (output.kind == Kind::Track) {
                tracks += " " + output.id + ":" + path;
            } else if (output.kind == Kind::Attachment) {
                attachments += " " + output.id + ":" + path;
            } else {
                saved += quarvel + (output.kind == Kind::Chapters ? " chapters " : " tags ") +
                         source + " > " + path + "\n";
            }
        }
        folders += " " + Quoted(file.folder);
        script += tracks + " >/dev/null\n" + attachments + " >/dev/null\n" + saved;
    }
    return "set -e\n" + folders + "\n" + script;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: batch_bench BIN_DIR SOURCE_FOLDER OUT_FOLDER [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string bin =
        QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString() + "/";
    const QString sources = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const std::string out =
        QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath().toStdString();
    const int runs = argc == 5 ? std::atoi(argv[4]) : 10;

    QTemporaryDir work;
    const std::string settings = work.path().toStdString() + "/Torvane.cfg";
    std::ofstream(settings, std::ios::binary) << "English\r\n";
    ScriptedDialogs dialogs;
    TForm1 form1(dialogs, bin, torvane::FolderOf(settings), torvane::SettingsFile(settings));
    TForm2 form2(dialogs);
    TForm3 form3;
    TForm4 form4;
    form1.AttachWindows(form2, form3, form4);
    form1.show();
    form1.findChild<QAction*>(QStringLiteral("Varios1"))->trigger();
    auto* batch = form1.findChild<TBatchWindow*>(QStringLiteral("BatchWindow"));

    batch->AddPaths({sources});
    while (batch->Identifying()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    auto* languages = batch->findChild<QListWidget*>(QStringLiteral("BatchAudioLanguages"));
    for (int k = 0; k < languages->count(); ++k) {
        if (languages->item(k)->text() == QStringLiteral("spa")) {
            languages->item(k)->setCheckState(Qt::Checked);
        }
    }
    batch->findChild<QCheckBox*>(QStringLiteral("BatchAttachments"))->setChecked(true);
    batch->findChild<QComboBox*>(QStringLiteral("BatchChapters"))->setCurrentIndex(1);
    batch->findChild<QCheckBox*>(QStringLiteral("BatchTags"))->setChecked(true);
    batch->findChild<QLineEdit*>(QStringLiteral("BatchFolder"))
        ->setText(QString::fromStdString(out));
    std::size_t files = 0;
    for (const torvane::FilePlan& file : batch->Plan()) {
        files += file.state == torvane::FilePlan::State::Outputs ? 1 : 0;
    }
    if (files == 0) {
        std::fprintf(stderr, "the rule gives nothing for the files in %s\n", argv[2]);
        return 1;
    }
    const std::string script = work.path().toStdString() + "/loop.sh";
    std::ofstream(script) << ShellLoop(batch->Plan(), Quoted(bin + "quarvel"));
    const std::string shell = "bash " + Quoted(script);
    auto* start = batch->findChild<QPushButton*>(QStringLiteral("BatchStart"));

    Times batchTimes;
    Times loopTimes;
    QElapsedTimer clock;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove_all(out);
        clock.start();
        start->click();
        while (batch->Running()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        batchTimes.ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!batch->Summary().startsWith(QStringLiteral("%1 done,").arg(files))) {
            std::fprintf(stderr, "the batch did not do every file:\n%s\n",
                         qPrintable(batch->Summary()));
            return 1;
        }

        std::filesystem::remove_all(out);
        clock.start();
        if (std::system(shell.c_str()) != 0) {
            std::fprintf(stderr, "the shell loop failed\n");
            return 1;
        }
        loopTimes.ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::filesystem::remove_all(out);

    const double perFileBest = (batchTimes.Best() - loopTimes.Best()) / static_cast<double>(files);
    const double perFileMean = (batchTimes.Mean() - loopTimes.Mean()) / static_cast<double>(files);
    std::printf("%zu files, %d runs each\n", files, runs);
    std::printf("batch window: best %.1f ms, mean %.1f ms\n", batchTimes.Best(), batchTimes.Mean());
    std::printf("shell loop:   best %.1f ms, mean %.1f ms\n", loopTimes.Best(), loopTimes.Mean());
    std::printf("ratio batch / shell loop: best %.3f, mean %.3f\n",
                batchTimes.Best() / loopTimes.Best(), batchTimes.Mean() / loopTimes.Mean());
    std::printf("batch overhead per file: best %.2f ms, mean %.2f ms (goal: under 20 ms)\n",
                perFileBest, perFileMean);
    return 0;
}
