// The Extract button from end to end: a fixture is chosen, items are ticked,
// the real tools extract, and every output is checked. Tool misbehaviour comes
// from scripted fakes put in the program folder in place of quarvel.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <utility>

#include "process/CommandSplit.h"
#include "tests/oracle/Oracle.h"
#include "tests/ui/LargeFile.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ConsoleWindow.h"

namespace fs = std::filesystem;

namespace {

const QString kSuccessText = QStringLiteral("¡Archivos extraídos corréctamente!");

// Runs each command line to its end without a window, as the console window
// would, and keeps what happened.
class HeadlessRunner : public TConsoleRunner {
  public:
    struct Record {
        std::string commandLine;
        torvane::RunOutcome outcome;
        std::string output;
    };
    std::vector<Record> runs;
    // The search path after the program folder: a folder of the test's own
    // (ExtractionTest::SetUp), so that neither the build's tools nor an
    // installed Torvane's stand in for a tool the program folder lacks.
    std::string pathList;

    // The Extract button's state while each run went on.
    std::vector<bool> buttonDuringRun;

    TConsoleResult Run(QWidget* parent, const std::string& commandLine,
                       const std::string& programFolder) override {
        buttonDuringRun.push_back(
            parent->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->isEnabled());
        Record record{commandLine, {}, {}};
        torvane::ConsoleRun run(commandLine, programFolder, pathList);
        record.outcome = run.Wait(&record.output);
        runs.push_back(record);
        return {record.outcome, torvane::MessageLines(record.output)};
    }
};

class ExtractionTest : public ToolsFixture {
  protected:
    void SetUp() override {
        ToolsFixture::SetUp();
        if (!Ready()) {
            return;
        }
        fs::copy_file(TORVANE_DEFAULT_FORMATS, FormatsPath());
        runner.pathList = root.path().toStdString() + "/search path";
        fs::create_directories(runner.pathList);
        Show();
        mainWindow->SetConsoleRunner(&runner);
        dialogs.boxes.clear();
    }

    // A fresh output folder (with a blank too), ending in '/'.
    std::string OutputFolder(const std::string& name = "out put") {
        const std::string folder = root.path().toStdString() + "/" + name + "/";
        fs::create_directories(folder);
        return folder;
    }

    void SetFolder(const std::string& folder) {
        Find<QLineEdit>("Edit2")->setText(QString::fromStdString(folder));
    }

    // Ticks the items whose text starts with one of the prefixes.
    void Tick(std::initializer_list<const char*> prefixes) {
        auto* list = Find<QListWidget>("CheckListBox1");
        for (const char* prefix : prefixes) {
            bool found = false;
            for (int k = 0; k < list->count(); ++k) {
                if (list->item(k)->text().startsWith(QString::fromUtf8(prefix))) {
                    list->item(k)->setCheckState(Qt::Checked);
                    found = true;
                }
            }
            EXPECT_TRUE(found) << prefix;
        }
    }

    void Extract() { Find<QPushButton>("BitBtn1")->click(); }
    bool ButtonEnabled() { return Find<QPushButton>("BitBtn1")->isEnabled(); }

    void ExpectOnlySuccess() {
        EXPECT_EQ(OnlyBox(TDialogs::Icon::Information, QStringLiteral("INFO")), kSuccessText);
    }

    // The one box's text, checked for its caption and icon.
    QString OnlyBox(TDialogs::Icon icon, const QString& caption = QStringLiteral("Torvane")) {
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        if (dialogs.boxes.empty()) {
            return {};
        }
        EXPECT_EQ(dialogs.boxes[0].caption, caption);
        EXPECT_EQ(dialogs.boxes[0].icon, icon);
        return dialogs.boxes[0].text;
    }
    QString OnlyError() { return OnlyBox(TDialogs::Icon::Critical); }

    void Spanish() { Find<QAction>("Espaol1")->trigger(); }

    // The n:PATH arguments of a command line, by id.
    static std::map<std::string, std::string> Outputs(const std::string& line) {
        std::map<std::string, std::string> outputs;
        const std::vector<std::string> words = torvane::SplitCommandLine(line);
        for (std::size_t k = 3; k < words.size(); ++k) {
            outputs[words[k].substr(0, words[k].find(':'))] =
                words[k].substr(words[k].find(':') + 1);
        }
        return outputs;
    }

    static std::string RealQuarvel() { return std::string(TORVANE_BIN_DIR) + "/quarvel"; }

    // Replaces quarvel in the program folder by a script that does what
    // `cases` says for the modes it names and hands every other mode to the
    // real tool.
    void FakeQuarvel(const std::string& cases) {
        const std::string path = programFolder + "quarvel";
        fs::remove(path);
        WriteFile(path, "#!/bin/sh\ncase \"$1\" in\n" + cases + "\n*) exec \"" + RealQuarvel() +
                            "\" \"$@\";;\nesac\n");
        fs::permissions(path, fs::perms::owner_all);
    }

    // Keeps the window usable: a toggle and check all still work.
    void ExpectWindowUsable() {
        auto* list = Find<QListWidget>("CheckListBox1");
        ASSERT_GT(list->count(), 0);
        Find<QPushButton>("Button3")->click();
        EXPECT_FALSE(ButtonEnabled());
        list->item(0)->setCheckState(Qt::Checked);
        EXPECT_TRUE(ButtonEnabled());
    }

    HeadlessRunner runner;
};

TEST_F(ExtractionTest, EverythingOfAFullFileIsExtractedAndEachOutputChecked) {
    const std::string source = Fixture("full.mkv");
    Choose(source);
    const std::string out = OutputFolder();
    dialogs.folders = {QString::fromStdString(out.substr(0, out.size() - 1))};
    Find<QPushButton>("Button4")->click();
    ASSERT_EQ(Find<QLineEdit>("Edit2")->text(), QString::fromStdString(out));
    Find<QPushButton>("Button2")->click();
    ASSERT_TRUE(ButtonEnabled());
    ASSERT_FALSE(mainWindow->ChaptersPreview().empty());
    ASSERT_FALSE(mainWindow->TagsPreview().empty());

    Extract();

    ExpectOnlySuccess();
    EXPECT_TRUE(ButtonEnabled());
    // Tracks, then attachments; nothing else is run.
    ASSERT_EQ(runner.runs.size(), 2u);
    EXPECT_EQ(runner.runs[0].commandLine, mainWindow->TracksCommandLine());
    EXPECT_EQ(runner.runs[1].commandLine, mainWindow->AttachmentsCommandLine());
    for (const auto& run : runner.runs) {
        EXPECT_TRUE(run.outcome.Succeeded()) << run.output;
    }
    EXPECT_EQ(runner.buttonDuringRun, (std::vector<bool>{false, false}));

    // Each track where its line says, of its source track's codec as FFmpeg's
    // demuxer reads it (what it holds is checked with the tools), and the
    // attachments' bytes.
    const auto media = torvane::oracle::Read(source);
    ASSERT_TRUE(media.has_value());
    const auto tracks = Outputs(mainWindow->TracksCommandLine());
    ASSERT_EQ(tracks.size(), 6u);
    for (const auto& [id, path] : tracks) {
        EXPECT_TRUE(fs::equivalent(fs::path(path).parent_path(), out)) << path;
        const auto written = torvane::oracle::Read(path);
        ASSERT_TRUE(written.has_value() && written->streams.size() == 1u) << path;
        EXPECT_EQ(written->streams[0].codecName, media->streams.at(std::stoul(id) - 1).codecName)
            << path;
    }
    EXPECT_EQ(ReadFile(out + "notes.txt"), "Notes about the fixture.\nSecond line.\n");

    // The previews as captured, plus CR LF; only the chosen chapter format.
    EXPECT_EQ(ReadFile(out + "Chapters.xml"), mainWindow->ChaptersPreview() + "\r\n");
    EXPECT_EQ(ReadFile(out + "Tags.xml"), mainWindow->TagsPreview() + "\r\n");
    EXPECT_FALSE(fs::exists(out + "Chapters.txt"));
    // Nothing else: no temporary file left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 11);

    // Again: the same runs, the same files replaced without a question.
    dialogs.boxes.clear();
    fs::resize_file(out + "notes.txt", 3);
    Extract();
    ExpectOnlySuccess();
    EXPECT_EQ(runner.runs.size(), 4u);
    EXPECT_EQ(ReadFile(out + "notes.txt"), "Notes about the fixture.\nSecond line.\n");
}

TEST_F(ExtractionTest, PreviewsAloneStartNoToolAndFollowTheChapterFormat) {
    Choose(Fixture("full.mkv"));
    const std::string out = OutputFolder();
    SetFolder(out);
    Find<QRadioButton>("RadioButton2")->click();
    Tick({"Chapters ID", "Tags ID"});
    ASSERT_NE(mainWindow->ChaptersPreview().find("CHAPTER01="), std::string::npos);

    Extract();

    ExpectOnlySuccess();
    EXPECT_TRUE(runner.runs.empty());
    EXPECT_EQ(ReadFile(out + "Chapters.txt"), mainWindow->ChaptersPreview() + "\r\n");
    EXPECT_EQ(ReadFile(out + "Tags.xml"), mainWindow->TagsPreview() + "\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

// An empty folder puts the outputs beside the source; one that cannot be made
// stops everything before it starts.
TEST_F(ExtractionTest, OutputFolderEmptyOrImpossible) {
    const std::string source = Fixture("full.mkv");
    const std::string beside = fs::path(source).parent_path().string() + "/";
    Choose(source);
    Tick({"Track ID 3", "Attachment ID 3", "Chapters ID", "Tags ID"});
    Extract();
    ExpectOnlySuccess();
    EXPECT_EQ(runner.runs.size(), 2u);
    for (const char* name : {"Track3.ac3", "notes.txt", "Chapters.xml", "Tags.xml"}) {
        EXPECT_TRUE(fs::exists(beside + name)) << name;
    }

    const std::string base = root.path().toStdString();
    WriteFile(base + "/a file", "x");
    dialogs.boxes.clear();
    runner.runs.clear();
    SetFolder(base + "/a file/out");
    Extract();
    EXPECT_EQ(OnlyError(), QString::fromStdString("The output folder \"" + base +
                                                  "/a file/out\" cannot be created: Not a "
                                                  "directory. Nothing was extracted."));
    EXPECT_TRUE(runner.runs.empty());
    EXPECT_TRUE(ButtonEnabled());
}

// A source deleted after it was read: no line names an output without it,
// and Extract says so, running and making nothing.
TEST_F(ExtractionTest, ASourceThatIsGoneIsNamedAndNothingRunsOrIsMade) {
    const std::string source = Fixture("full.mkv");
    Choose(source);
    const std::string out = root.path().toStdString() + "/not yet/";
    SetFolder(out);
    Tick({"Track ID 3", "Attachment ID 1", "Chapters ID"});
    fs::remove(source);
    Tick({"Tags ID"});
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks  ");
    EXPECT_EQ(mainWindow->AttachmentsCommandLine(), "quarvel attachments  ");
    ASSERT_TRUE(ButtonEnabled());

    Extract();

    EXPECT_EQ(OnlyError(), QString::fromStdString("The file \"" + source + "\" no longer exists."));
    EXPECT_TRUE(runner.runs.empty());
    EXPECT_FALSE(fs::exists(out));
}

// ---- Failures --------------------------------------------------------------

// How the tool ends decides the box: each step that failed or warned is
// named, the steps after a failed one still run, and the window stays usable.
TEST_F(ExtractionTest, EachStepThatFailedOrWarnedIsNamedAndTheOtherStepsStillRun) {
    const QString missing = QStringLiteral(
        "could not start: no program 'quarvel' in the program folder or on the search path.");
    struct Row {
        const char* what;
        std::string script;  // the fake quarvel's cases; "missing": no quarvel at all
        TDialogs::Icon icon;
        QString text;
        std::vector<std::string> written;
        std::vector<std::string> notWritten;
    };
    for (const Row& row : {
             Row{"missing",
                 "missing",
                 TDialogs::Icon::Critical,
                 "Extraction failed.\nStep \"tracks\": " + missing +
                     "\nStep \"attachments\": " + missing,
                 {"Tags.xml", "Chapters.xml"},
                 {"Track3.ac3", "font_stub.ttf"}},
             Row{"crash",
                 "tracks) echo 'Progress: 0%'; kill -SEGV $$;;",
                 TDialogs::Icon::Critical,
                 "Extraction failed.\nStep \"tracks\": killed by signal 11 (Segmentation fault).",
                 {"font_stub.ttf", "Tags.xml"},
                 {}},
             Row{"status 2",
                 "attachments) echo 'quarvel: cannot write' >&2; exit 2;;",
                 TDialogs::Icon::Critical,
                 "Extraction failed.\nStep \"attachments\": ended with exit status 2.",
                 {"Track3.ac3", "Chapters.xml"},
                 {"font_stub.ttf"}},
             Row{"status 1",
                 "tracks) \"" + RealQuarvel() +
                     "\" \"$@\" || exit $?; echo 'quarvel: track 3: a damaged block was "
                     "skipped' >&2; exit 1;;",
                 TDialogs::Icon::Warning,
                 "Extraction completed with warnings.\nStep \"tracks\" completed with "
                 "warnings:\nquarvel: track 3: a damaged block was skipped",
                 {"Track3.ac3", "font_stub.ttf", "Chapters.xml", "Tags.xml"},
                 {}},
         }) {
        SCOPED_TRACE(row.what);
        dialogs.boxes.clear();
        // The real tool reads the previews when the file is chosen.
        fs::remove(programFolder + "quarvel");
        fs::create_symlink(RealQuarvel(), programFolder + "quarvel");
        Choose(Fixture("full.mkv"));
        if (row.script == "missing") {
            fs::remove(programFolder + "quarvel");
        } else {
            FakeQuarvel(row.script);
        }
        const std::string out = OutputFolder(row.what);
        SetFolder(out);
        Tick({"Track ID 3", "Attachment ID 1", "Chapters ID", "Tags ID"});

        Extract();

        EXPECT_EQ(OnlyBox(row.icon), row.text);
        for (const std::string& name : row.written) {
            EXPECT_TRUE(fs::exists(out + name)) << name;
        }
        for (const std::string& name : row.notWritten) {
            EXPECT_FALSE(fs::exists(out + name)) << name;
        }
        EXPECT_EQ(ReadFile(out + "Tags.xml"), mainWindow->TagsPreview() + "\r\n");
        EXPECT_TRUE(ButtonEnabled());
        ExpectWindowUsable();
    }
}

// True when nothing can be created in `folder`.
bool Unwritable(const std::string& folder) {
    if (std::ofstream(folder + "probe")) {
        fs::remove(folder + "probe");
        return false;
    }
    return true;
}

TEST_F(ExtractionTest, UnwritableFolderStopsAtTheFileWithTheButtonLeftDisabled) {
    Choose(Fixture("full.mkv"));
    // A folder nobody may write to; as root only a system folder refuses.
    std::string out = OutputFolder("locked");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
    if (!Unwritable(out)) {
        out = "/sys/";
        if (!Unwritable(out)) {
            GTEST_SKIP() << "no folder here refuses a file (root, and no sysfs mounted)";
        }
    }
    SetFolder(out);
    Tick({"Track ID 3", "Chapters ID", "Tags ID"});

    Extract();

    const QString text = OnlyError();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Extraction failed.\nStep \"tracks\": ended with "
                                               "exit status 2.\nCannot create file \"") +
                                QString::fromStdString(out) +
                                QStringLiteral("Chapters.xml\". Permission denied")))
        << text.toStdString();
    EXPECT_FALSE(fs::exists(out + "Chapters.xml"));
    EXPECT_FALSE(fs::exists(out + "Tags.xml"));
    EXPECT_FALSE(ButtonEnabled());
    ExpectWindowUsable();
    fs::permissions(root.path().toStdString() + "/locked", fs::perms::owner_all);
}

// ---- The real console window -----------------------------------------------

// Calls `step` on the console window once it shows, from inside its modal
// loop; polls every millisecond until then.
void WhenConsoleShows(QWidget& owner, std::function<void(TConsoleWindow&)> step) {
    auto* poll = new QTimer(&owner);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, &owner, [poll, &owner, step = std::move(step)] {
        auto* window = owner.findChild<TConsoleWindow*>(QStringLiteral("ConsoleWindow"));
        if (window != nullptr && window->isVisible()) {
            poll->stop();
            poll->deleteLater();
            step(*window);
        }
    });
    poll->start();
}

TEST_F(ExtractionTest, ConsoleWindowClosesByItselfUnlessTheRunFailed) {
    mainWindow->SetConsoleRunner(nullptr);
    Choose(Fixture("plain.mka"));
    // The real tool, a moment late, so that the window is seen at work.
    FakeQuarvel("tracks) sleep 0.3; exec \"" + RealQuarvel() + "\" \"$@\";;");
    const std::string out = OutputFolder();
    SetFolder(out);
    Tick({"Track ID 1"});
    QString title;
    int progress = -1;
    WhenConsoleShows(*mainWindow, [&title, &progress](TConsoleWindow& window) {
        title = window.windowTitle();
        EXPECT_TRUE(window.isModal());
        EXPECT_TRUE(window.Running());
        auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ConsoleProgress"));
        QObject::connect(bar, &QProgressBar::valueChanged, &window,
                         [&progress](int value) { progress = value; });
    });

    Extract();

    EXPECT_EQ(title, QString::fromStdString(mainWindow->TracksCommandLine()));
    // The tool's last progress line reached the bar before the window closed.
    EXPECT_EQ(progress, 100);
    ExpectOnlySuccess();
    EXPECT_TRUE(fs::exists(out + "Track1.wav"));
    auto* console = mainWindow->findChild<TConsoleWindow*>(QStringLiteral("ConsoleWindow"));
    EXPECT_TRUE(console == nullptr || !console->isVisible());

    // Done with warnings: the window closes by itself all the same, and what
    // the tool said reaches the warnings box, without its progress lines.
    FakeQuarvel("tracks) \"" + RealQuarvel() +
                "\" \"$@\" || exit $?; echo 'quarvel: a warning' >&2; exit 1;;");
    dialogs.boxes.clear();
    Extract();
    EXPECT_EQ(OnlyBox(TDialogs::Icon::Warning),
              QStringLiteral("Extraction completed with warnings.\nStep \"tracks\" completed with "
                             "warnings:\nquarvel: a warning"));

    // Failed: the window stays open with what the tool said and how it ended.
    dialogs.boxes.clear();
    FakeQuarvel(
        "tracks) printf 'Progress: 10%%\\r\\nProgress: 40%%\\r\\n'; echo 'quarvel: Track1.wav: "
        "disk full' >&2; "
        "printf 'no line end'; exit 2;;");
    Spanish();
    QString shown, status, button;
    progress = -1;
    WhenConsoleShows(*mainWindow, [&](TConsoleWindow& window) {
        // Stays open once the tool has ended: wait for the Close button.
        auto* check = new QTimer(&window);
        check->setInterval(5);
        QObject::connect(check, &QTimer::timeout, &window, [&, check] {
            auto* closeButton = window.findChild<QPushButton*>(QStringLiteral("ConsoleButton"));
            if (window.Running()) {
                return;
            }
            check->stop();
            shown =
                window.findChild<QPlainTextEdit*>(QStringLiteral("ConsoleOutput"))->toPlainText();
            status = window.findChild<QLabel*>(QStringLiteral("ConsoleStatus"))->text();
            progress = window.findChild<QProgressBar*>(QStringLiteral("ConsoleProgress"))->value();
            button = closeButton->text();
            EXPECT_TRUE(window.isVisible());
            closeButton->click();
        });
        check->start();
    });

    Extract();

    EXPECT_EQ(shown, QStringLiteral("Progress: 40%\nquarvel: Track1.wav: disk full\nno line end"));
    EXPECT_EQ(status, QStringLiteral("Terminó con el estado de salida 2."));
    EXPECT_EQ(progress, 40);
    EXPECT_EQ(button, QStringLiteral("Cerrar"));
    EXPECT_EQ(OnlyError(), QStringLiteral("La extracción ha fallado.\nPaso \"tracks\": terminó con "
                                          "el estado de salida 2."));
    EXPECT_TRUE(ButtonEnabled());
}

TEST_F(ExtractionTest, CancelOrCloseInTheConsoleWindowLeavesNoPartialFileAndRunsNothingAfter) {
    mainWindow->SetConsoleRunner(nullptr);
    const std::string source = root.path().toStdString() + "/large.mka";
    WriteLargePcmFile(source, 160);
    Choose(source);
    const std::string out = OutputFolder();
    SetFolder(out);
    WriteFile(out + "Track1.wav", "earlier extraction");
    Tick({"Track ID 1"});
    int cancelledAt = -1;
    WhenConsoleShows(*mainWindow, [&cancelledAt](TConsoleWindow& window) {
        auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ConsoleProgress"));
        auto* cancel = window.findChild<QPushButton*>(QStringLiteral("ConsoleButton"));
        // Mid-way: once the tool has told of its first percent.
        QObject::connect(bar, &QProgressBar::valueChanged, &window, [&cancelledAt, cancel](int v) {
            if (v >= 1 && cancelledAt < 0) {
                cancelledAt = v;
                // Enter on the focused button presses it.
                cancel->setFocus();
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(cancel, &enter);
            }
        });
    });

    Extract();

    ASSERT_GE(cancelledAt, 1);
    EXPECT_LT(cancelledAt, 100);
    EXPECT_EQ(OnlyBox(TDialogs::Icon::Information),
              QStringLiteral("Extraction cancelled: the remaining steps were not carried out."));
    EXPECT_EQ(ReadFile(out + "Track1.wav"), "earlier extraction");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
    EXPECT_TRUE(ButtonEnabled());
    ExpectWindowUsable();

    // Closing the window (its title bar's button, or Escape) asks the tool to
    // end; the window goes once it has, and no step after it runs.
    dialogs.boxes.clear();
    Choose(Fixture("full.mkv"));
    FakeQuarvel("tracks) echo working; sleep 30;;");
    const std::string later = OutputFolder("later");
    SetFolder(later);
    Tick({"Track ID 3", "Attachment ID 3", "Chapters ID", "Tags ID"});
    Spanish();
    bool openWhileEnding = false;
    WhenConsoleShows(*mainWindow, [&](TConsoleWindow& window) {
        window.close();
        openWhileEnding = window.isVisible() && window.Running();
    });
    QElapsedTimer clock;
    clock.start();

    Extract();

    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(openWhileEnding);
    EXPECT_TRUE(fs::is_empty(later));
    EXPECT_EQ(
        OnlyBox(TDialogs::Icon::Information),
        QStringLiteral("Extracción cancelada: los pasos restantes no se han llevado a cabo."));
    EXPECT_TRUE(ButtonEnabled());
}

}  // namespace
