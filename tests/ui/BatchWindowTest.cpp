// The batch window from end to end: opened from the File menu, sources
// dropped and chosen, a rule set, the real tools identify and extract, and
// every output is checked, a source deleted meanwhile is named and left
// alone; then a Cancel in the middle of a run.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <map>

#include "tests/oracle/Oracle.h"
#include "tests/support/BatchSourceFile.h"
#include "tests/support/RunProgram.h"
#include "tests/ui/LargeFile.h"
#include "tests/ui/WindowFixture.h"
#include "ui/BatchWindow.h"

namespace fs = std::filesystem;

namespace {

class BatchWindowTest : public ToolsFixture {
  protected:
    void SetUp() override {
        ToolsFixture::SetUp();
        if (!Ready()) {
            return;
        }
        Show();
        Find<QAction>("Varios1")->trigger();
        batch = Find<TBatchWindow>("BatchWindow");
        ASSERT_TRUE(batch->isVisible());
        out = root.path().toStdString() + "/out put/";
    }

    template <class T>
    T* InBatch(const char* name) {
        T* found = batch->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Turns the event loop until `done` holds, for at most 60 s.
    static bool Await(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 60000) {
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        return true;
    }

    void Drop(const std::vector<std::string>& paths) {
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(batch, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(batch, &drop);
    }

    // Spanish audio and all subtitles, chapters as XML.
    void SetRule() {
        auto* languages = InBatch<QListWidget>("BatchAudioLanguages");
        for (int k = 0; k < languages->count(); ++k) {
            if (languages->item(k)->text() == QStringLiteral("Spanish (spa)")) {
                languages->item(k)->setCheckState(Qt::Checked);
            }
        }
        InBatch<QComboBox>("BatchChapters")->setCurrentIndex(1);
        InBatch<QLineEdit>("BatchFolder")->setText(QString::fromStdString(out));
    }

    void Start() {
        InBatch<QPushButton>("BatchStart")->click();
        ASSERT_TRUE(Await([this] { return !batch->Running(); }));
    }

    // The names in a folder, sorted.
    static std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TBatchWindow* batch = nullptr;
    std::string out;
};

QStringList TopLevelTexts(QTreeWidget& tree, int column) {
    QStringList texts;
    for (int k = 0; k < tree.topLevelItemCount(); ++k) {
        texts << tree.topLevelItem(k)->text(column);
    }
    return texts;
}

TEST_F(BatchWindowTest, SpanishAudioAndAllSubtitlesWithXmlChaptersFromThreeFilesAndABrokenOne) {
    // A folder dropped gives its Matroska files in name order; a file chosen
    // again is passed over.
    const std::string full = Fixture("full.mkv");
    const std::string plain = Fixture("plain.mka");
    const std::string subs = Fixture("subs.mks");
    WriteFile(fs::path(full).parent_path().string() + "/notes.txt", "not a source");
    fs::create_directories(root.path().toStdString() + "/other place");
    const std::string broken = root.path().toStdString() + "/other place/broken.mkv";
    WriteFile(broken, "This is not a Matroska file.\n");
    // Read, then deleted before the extraction.
    const std::string gone = root.path().toStdString() + "/other place/gone.mkv";
    fs::copy_file(full, gone);
    Drop({fs::path(full).parent_path().string()});
    dialogs.fileLists = {{QString::fromStdString(broken), QString::fromStdString(full),
                          QString::fromStdString(gone)}};
    InBatch<QPushButton>("BatchAddFiles")->click();
    ASSERT_TRUE(Await([this] { return !batch->Identifying(); }));
    fs::remove(gone);

    auto* sources = InBatch<QTreeWidget>("BatchSourceList");
    EXPECT_EQ(TopLevelTexts(*sources, 0),
              (QStringList{"full.mkv", "plain.mka", "subs.mks", "broken.mkv", "gone.mkv"}));
    const QString fullContents = QStringLiteral(
        "video: undetermined · audio: Spanish (spa), English (eng), German (ger) · subtitles: "
        "French (fre), Spanish (spa) · 3 attachments · chapters · tags");
    EXPECT_EQ(
        TopLevelTexts(*sources, 1),
        (QStringList{fullContents, "audio: undetermined · tags", "subtitles: Spanish (spa) · tags",
                     QString::fromStdString("cannot be read: ostrem: " + broken +
                                            ": at byte 0: not a Matroska file: expected the EBML "
                                            "header (1A 45 DF A3), found 54 68 69 73"),
                     fullContents}));

    // No table knows A_AAC here: the preview says so, and it is asked once
    // when the extraction starts.
    SetRule();
    auto* preview = InBatch<QTreeWidget>("BatchPreview");
    EXPECT_EQ(TopLevelTexts(*preview, 1).mid(1),
              (QStringList{"nothing for this rule", "1 file", sources->topLevelItem(3)->text(1),
                           "3 files"}));
    ASSERT_EQ(preview->topLevelItem(0)->childCount(), 4);
    EXPECT_EQ(preview->topLevelItem(0)->child(3)->text(0), QStringLiteral("full/Track2.?"));
    EXPECT_EQ(preview->topLevelItem(0)->child(3)->text(1),
              QStringLiteral("no extension known for AAC (A_AAC): asked when you extract"));
    // The rule names codecs as the preview does.
    QStringList codecs;
    for (int k = 0; k < InBatch<QListWidget>("BatchAudioCodecs")->count(); ++k) {
        codecs << InBatch<QListWidget>("BatchAudioCodecs")->item(k)->text();
    }
    EXPECT_EQ(codecs, (QStringList{"any", "AAC (A_AAC)", "AC-3 (A_AC3)", "PCM (A_PCM/INT/LIT)",
                                   "Vorbis (A_VORBIS)"}));
    dialogs.extensions = {QStringLiteral("aac")};

    Start();

    ASSERT_EQ(dialogs.newFormatLabels.size(), 1u);
    EXPECT_TRUE(dialogs.newFormatLabels[0].startsWith(QStringLiteral("(A_AAC)")));
    EXPECT_EQ(Names(out), (std::vector<std::string>{"full", "subs"}));
    EXPECT_EQ(Names(out + "full"),
              (std::vector<std::string>{"Chapters.xml", "Track2.aac", "Track5.srt", "Track6.srt"}));
    EXPECT_EQ(Names(out + "subs"), (std::vector<std::string>{"Track1.ass"}));
    // Each output of its source track's codec, as FFmpeg's demuxer reads it.
    const auto fullMedia = torvane::oracle::Read(full);
    const auto subsMedia = torvane::oracle::Read(subs);
    ASSERT_TRUE(fullMedia && subsMedia);
    for (const auto& [path, original] :
         {std::pair{out + "full/Track2.aac", fullMedia->streams.at(1)},
          std::pair{out + "full/Track5.srt", fullMedia->streams.at(4)},
          std::pair{out + "full/Track6.srt", fullMedia->streams.at(5)},
          std::pair{out + "subs/Track1.ass", subsMedia->streams.at(0)}}) {
        const auto written = torvane::oracle::Read(path);
        ASSERT_TRUE(written && written->streams.size() == 1u) << path;
        EXPECT_EQ(written->streams[0].codecName, original.codecName) << path;
    }
    EXPECT_EQ(ReadFile(out + "full/Chapters.xml"),
              torvane::testsupport::RunProgram(std::string(TORVANE_BIN_DIR) + "/quarvel",
                                               {"chapters", full})
                      .out +
                  "\r\n");

    const QString summary = batch->Summary();
    EXPECT_EQ(summary, QString::fromStdString(
                           "2 done, 0 with warnings, 2 failed, 0 cancelled, 1 skipped.\n\n"
                           "full.mkv: done\n"
                           "plain.mka: skipped\n"
                           "    The rule gives nothing for this file.\n"
                           "subs.mks: done\n"
                           "broken.mkv: failed\n"
                           "    The file cannot be read: ostrem ended with exit status 2.\n"
                           "    ostrem: " +
                           broken +
                           ": at byte 0: not a Matroska file: expected the EBML header (1A 45 DF "
                           "A3), found 54 68 69 73\n"
                           "gone.mkv: failed\n"
                           "    The file \"" +
                           gone + "\" no longer exists.\n"));
    InBatch<QPushButton>("BatchCopySummary")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), summary);

    // The window and its menu item follow the interface language.
    Find<QAction>("Espaol1")->trigger();
    EXPECT_EQ(Find<QAction>("Varios1")->text(), QStringLiteral("Extraer de varios archivos…"));
    EXPECT_EQ(batch->windowTitle(), QStringLiteral("Torvane: extraer de varios archivos"));
    EXPECT_EQ(InBatch<QPushButton>("BatchStart")->text(), QStringLiteral("Extraer"));
    EXPECT_EQ(sources->topLevelItem(0)->text(1),
              QStringLiteral("vídeo: indeterminado · audio: español (spa), inglés (eng), alemán "
                             "(ger) · subtítulos: francés (fre), español (spa) · 3 attachments · "
                             "capítulos · tags"));
    EXPECT_EQ(preview->topLevelItem(0)->child(0)->text(1),
              QStringLiteral("audio · español (spa) · AAC (A_AAC)"));
}

TEST_F(BatchWindowTest, CancelInTheMiddleLeavesNoPartFileAndRunsNothingAfter) {
    fs::copy_file(TORVANE_DEFAULT_FORMATS, FormatsPath());
    mainWindow->LoadTextFormats();
    const std::string full = Fixture("full.mkv");
    const std::string large = root.path().toStdString() + "/large.mka";
    WriteLargePcmFile(large, 160, "spa");
    const std::string subs = Fixture("subs.mks");
    batch->AddPaths({QString::fromStdString(full), QString::fromStdString(large),
                     QString::fromStdString(subs)});
    ASSERT_TRUE(Await([this] { return !batch->Identifying(); }));
    SetRule();
    InBatch<QCheckBox>("BatchTags")->setChecked(true);
    // Mid-way through the large file: while its track is being written,
    // under a temporary name beside its own.
    std::string seen;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, batch, [&] {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(out + "large", error)) {
            seen = entry.path().filename().string();
            watch.stop();
            InBatch<QPushButton>("BatchCancel")->click();
            return;
        }
    });
    watch.start();
    Start();

    EXPECT_TRUE(seen.starts_with("Track1.wav") && seen != "Track1.wav") << seen;
    EXPECT_EQ(Names(out + "full"),
              (std::vector<std::string>{"Chapters.xml", "Tags.xml", "Track2.aac", "Track5.srt",
                                        "Track6.srt"}));
    // Nothing of the cancelled file, not even a temporary one, and nothing
    // of the file after it.
    EXPECT_EQ(Names(out), (std::vector<std::string>{"full", "large"}));
    EXPECT_TRUE(fs::is_empty(out + "large"));
    EXPECT_EQ(batch->Summary(),
              QStringLiteral("1 done, 0 with warnings, 0 failed, 1 cancelled, 1 skipped.\n\n"
                             "full.mkv: done\n"
                             "large.mka: cancelled\n"
                             "subs.mks: skipped\n"
                             "    Not run: the extraction was cancelled before.\n"));
    EXPECT_TRUE(InBatch<QPushButton>("BatchStart")->isEnabled());
    // The bar and its label count the file done, not the cancelled one.
    const auto done = fs::file_size(full);
    const auto total = done + fs::file_size(large) + fs::file_size(subs);
    EXPECT_EQ(InBatch<QProgressBar>("BatchOverallProgress")->value(),
              static_cast<int>(1000 * done / total));
    const QLocale english(QLocale::English);
    EXPECT_EQ(InBatch<QLabel>("BatchOverallLabel")->text(),
              QStringLiteral("File 2 of 3 · %1 of %2")
                  .arg(english.formattedDataSize(static_cast<qint64>(done)),
                       english.formattedDataSize(static_cast<qint64>(total))));
}

// Every file under the folder, as its path below it with its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] =
                torvane::testsupport::ReadBytes(entry.path().string());
        }
    }
    return files;
}

// A rule tried in the window, saved, then run by `torvane --batch` on the
// same folder: the same files, byte for byte, and the same summary; a codec
// neither can ask for left out by both, attachments taken by kind.
TEST_F(BatchWindowTest, TheCommandLineRunsTheSavedRuleToTheWindowsFilesAndSummary) {
    fs::copy_file(TORVANE_DEFAULT_FORMATS, FormatsPath());
    mainWindow->LoadTextFormats();
    const std::string season = root.path().toStdString() + "/season one";
    fs::create_directories(season);
    for (const char* name : {"full.mkv", "subs.mks", "plain.mka"}) {
        fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/" + name, season + "/" + name);
    }
    torvane::testsupport::WriteBatchSourceFile(season + "/odd.mkv");
    WriteFile(season + "/broken.mkv", "This is not a Matroska file.\n");
    batch->AddPaths({QString::fromStdString(season)});
    ASSERT_TRUE(Await([this] { return !batch->Identifying(); }));
    SetRule();
    InBatch<QCheckBox>("BatchAttachmentFonts")->setChecked(true);
    InBatch<QCheckBox>("BatchAttachmentImages")->setChecked(true);
    InBatch<QCheckBox>("BatchTags")->setChecked(true);
    InBatch<QRadioButton>("BatchPrefixedNames")->setChecked(true);
    // The preview names each attachment's kind.
    auto* preview = InBatch<QTreeWidget>("BatchPreview");
    QStringList oddOutputs;
    for (int k = 0; k < preview->topLevelItem(2)->childCount(); ++k) {
        oddOutputs << preview->topLevelItem(2)->child(k)->text(0) + " = " +
                          preview->topLevelItem(2)->child(k)->text(1);
    }
    EXPECT_EQ(oddOutputs,
              (QStringList{"odd.Track2.srt = subtitles · Spanish (spa) · SubRip (S_TEXT/UTF8)",
                           "odd.odd_font.ttf = attachment 1 · font",
                           "odd.back.JPG = attachment 2 · image",
                           "odd.Track1.? = no extension known for A_ODD: asked when you extract"}));
    // The question for A_ODD closed without an answer.
    dialogs.extensions = {QString()};
    Start();
    ASSERT_EQ(dialogs.newFormatLabels.size(), 1u);
    const QString windowSummary = batch->Summary();
    EXPECT_TRUE(windowSummary.contains(
        QStringLiteral("odd.mkv: done with warnings\n    Track 1 left out: no extension for "
                       "A_ODD.\n")))
        << windowSummary.toStdString();
    const auto windowFiles = Files(out);
    EXPECT_EQ(windowFiles.count("odd.back.JPG"), 1u);
    EXPECT_EQ(windowFiles.count("full.notes.txt"), 0u);
    fs::remove_all(out);

    const std::string rule = root.path().toStdString() + "/season.rule";
    dialogs.saveFiles = {QString::fromStdString(rule)};
    InBatch<QPushButton>("BatchSaveRule")->click();
    ASSERT_TRUE(fs::exists(rule));

    // The command line from the same program folder (its table, its tools),
    // in the folder the window started in.
    const std::string command = programFolder + "torvane";
    std::error_code linkError;
    fs::create_hard_link(std::string(TORVANE_BIN_DIR) + "/torvane", command, linkError);
    if (linkError) {
        fs::copy_file(std::string(TORVANE_BIN_DIR) + "/torvane", command);
    }
    const auto run = torvane::testsupport::RunProgram(
        command, {"--batch", rule, season, "--output", out},
        {.env = {"XDG_CONFIG_HOME=" + root.path().toStdString() + "/no config"},
         .timeoutSeconds = 120,
         .folder = workFolder});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(QString::fromStdString(run.out), windowSummary);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(Files(out) == windowFiles);
}

TEST_F(BatchWindowTest, ALoadedRuleIsShownAndABadOneRefusedWithItsLine) {
    const std::string rule = root.path().toStdString() + "/a.rule";
    WriteFile(rule,
              "torvane batch rule 1\n"
              "video = yes\n"
              "audio languages = eng\n"
              "attachments = other\n"
              "chapters = text\n"
              "tags = yes\n"
              "layout = prefixed\n");
    batch->AddPaths({QString::fromStdString(Fixture("full.mkv"))});
    ASSERT_TRUE(Await([this] { return !batch->Identifying(); }));
    dialogs.files = {QString::fromStdString(rule)};
    InBatch<QPushButton>("BatchLoadRule")->click();
    EXPECT_TRUE(InBatch<QCheckBox>("BatchVideo")->isChecked());
    EXPECT_FALSE(InBatch<QCheckBox>("BatchAudio")->isChecked());
    EXPECT_FALSE(InBatch<QCheckBox>("BatchAttachmentFonts")->isChecked());
    EXPECT_TRUE(InBatch<QCheckBox>("BatchAttachmentOther")->isChecked());
    EXPECT_EQ(InBatch<QComboBox>("BatchChapters")->currentIndex(), 2);
    EXPECT_TRUE(InBatch<QCheckBox>("BatchTags")->isChecked());
    EXPECT_TRUE(InBatch<QRadioButton>("BatchPrefixedNames")->isChecked());
    QStringList checked;
    auto* languages = InBatch<QListWidget>("BatchAudioLanguages");
    for (int k = 0; k < languages->count(); ++k) {
        if (languages->item(k)->checkState() == Qt::Checked) {
            checked << languages->item(k)->text();
        }
    }
    EXPECT_EQ(checked, QStringList{"English (eng)"});
    // The preview follows the rule loaded.
    auto* preview = InBatch<QTreeWidget>("BatchPreview");
    QStringList outputs;
    for (int k = 0; k < preview->topLevelItem(0)->childCount(); ++k) {
        outputs << preview->topLevelItem(0)->child(k)->text(0);
    }
    EXPECT_EQ(outputs, (QStringList{"full.notes.txt", "full.Chapters.txt", "full.Tags.xml",
                                    "full.Track1.?"}));

    WriteFile(rule, "torvane batch rule 1\nvideo = yes\naudio = perhaps\n");
    dialogs.files = {QString::fromStdString(rule)};
    InBatch<QPushButton>("BatchLoadRule")->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QString::fromStdString("\"" + rule +
                                     "\", line 3: \"perhaps\" is not a value of \"audio\"; "
                                     "expected yes | no."));
    // Nothing of the bad file was taken.
    EXPECT_EQ(InBatch<QComboBox>("BatchChapters")->currentIndex(), 2);
}

}  // namespace
