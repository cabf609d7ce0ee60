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
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/WindowDrivers.h"
#include "core/BatchSteps.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/BatchWindow.h"

namespace {

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

// The batch window opened from the main window's File menu, with every
// source of a folder identified.
TBatchWindow& OpenWithSources(TDrivenWindows& windows, const QString& sources) {
    windows.Find<QAction>("Varios1").trigger();
    auto& batch = windows.Find<TBatchWindow>("BatchWindow");
    batch.AddPaths({sources});
    while (batch.Identifying()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return batch;
}

// The rule measured: Spanish audio, all subtitles, all attachments, chapters
// as XML, tags, into `out`.
void ChooseRule(TBatchWindow& batch, const std::string& out) {
    auto* languages = batch.findChild<QListWidget*>(QStringLiteral("BatchAudioLanguages"));
    for (int k = 0; k < languages->count(); ++k) {
        // A language is listed by its name with its code beside it.
        if (languages->item(k)->text().endsWith(QStringLiteral("(spa)"))) {
            languages->item(k)->setCheckState(Qt::Checked);
        }
    }
    for (const char* kind :
         {"BatchAttachmentFonts", "BatchAttachmentImages", "BatchAttachmentOther"}) {
        batch.findChild<QCheckBox*>(QLatin1String(kind))->setChecked(true);
    }
    batch.findChild<QComboBox*>(QStringLiteral("BatchChapters"))->setCurrentIndex(1);
    batch.findChild<QCheckBox*>(QStringLiteral("BatchTags"))->setChecked(true);
    batch.findChild<QLineEdit*>(QStringLiteral("BatchFolder"))
        ->setText(QString::fromStdString(out));
}

std::size_t FilesWithOutputs(const std::vector<torvane::FilePlan>& plan) {
    std::size_t files = 0;
    for (const torvane::FilePlan& file : plan) {
        files += file.state == torvane::FilePlan::State::Outputs ? 1 : 0;
    }
    return files;
}

// One batch run from Extract to the summary, in milliseconds; false when the
// batch did not do every file.
bool TimeBatch(TBatchWindow& batch, std::size_t files, TTimes& times) {
    QElapsedTimer clock;
    clock.start();
    batch.findChild<QPushButton*>(QStringLiteral("BatchStart"))->click();
    while (batch.Running()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    times.ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    if (!batch.Summary().startsWith(QStringLiteral("%1 done,").arg(files))) {
        std::fprintf(stderr, "the batch did not do every file:\n%s\n", qPrintable(batch.Summary()));
        return false;
    }
    return true;
}

// One run of the shell loop, in milliseconds; false when it failed.
bool TimeLoop(const std::string& shell, TTimes& times) {
    QElapsedTimer clock;
    clock.start();
    if (std::system(shell.c_str()) != 0) {
        std::fprintf(stderr, "the shell loop failed\n");
        return false;
    }
    times.ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    return true;
}

void PrintResults(std::size_t files, int runs, const TTimes& batch, const TTimes& loop) {
    const double count = static_cast<double>(files);
    std::printf("%zu files, %d runs each\n", files, runs);
    std::printf("batch window: best %.1f ms, mean %.1f ms\n", batch.Best(), batch.Mean());
    std::printf("shell loop:   best %.1f ms, mean %.1f ms\n", loop.Best(), loop.Mean());
    std::printf("ratio batch / shell loop: best %.3f, mean %.3f\n", batch.Best() / loop.Best(),
                batch.Mean() / loop.Mean());
    std::printf("batch overhead per file: best %.2f ms, mean %.2f ms (goal: under 20 ms)\n",
                (batch.Best() - loop.Best()) / count, (batch.Mean() - loop.Mean()) / count);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: batch_bench BIN_DIR SOURCE_FOLDER OUT_FOLDER [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string out = AbsolutePath(argv[3]).toStdString();
    const int runs = argc == 5 ? std::atoi(argv[4]) : 10;
    ScriptedDialogs dialogs;
    TDrivenWindows windows(dialogs, argv[1], "English");
    windows.Main().show();
    TBatchWindow& batch = OpenWithSources(windows, AbsolutePath(argv[2]));
    ChooseRule(batch, out);
    const std::size_t files = FilesWithOutputs(batch.Plan());
    if (files == 0) {
        std::fprintf(stderr, "the rule gives nothing for the files in %s\n", argv[2]);
        return 1;
    }
    const std::string script = windows.WorkFolder() + "loop.sh";
    std::ofstream(script) << ShellLoop(batch.Plan(), Quoted(windows.BinFolder() + "quarvel"));
    const std::string shell = "bash " + Quoted(script);

    TTimes batchTimes;
    TTimes loopTimes;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove_all(out);
        if (!TimeBatch(batch, files, batchTimes)) {
            return 1;
        }
        std::filesystem::remove_all(out);
        if (!TimeLoop(shell, loopTimes)) {
            return 1;
        }
    }
    std::filesystem::remove_all(out);
    PrintResults(files, runs, batchTimes, loopTimes);
    return 0;
}
