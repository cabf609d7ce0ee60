// Choosing a source file: the real ostrem and quarvel run on the fixtures and
// fill the item list, the previews and the command lines.
#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "core/ShortPath.h"
#include "platform/ProgramFolder.h"
#include "tests/ui/WindowFixture.h"

namespace fs = std::filesystem;

namespace {

class SourceTest : public ToolsFixture {
  protected:
    // What a tool prints, run directly.
    static std::string Run(const std::string& tool, const QStringList& arguments) {
        QProcess process;
        process.start(QString::fromStdString(std::string(TORVANE_BIN_DIR) + "/" +
                                             torvane::ToolFileName(tool)),
                      arguments);
        process.waitForFinished(60000);
        return process.readAllStandardOutput().toStdString();
    }

    QStringList Items() {
        QStringList texts;
        auto* list = Find<QListWidget>("CheckListBox1");
        for (int k = 0; k < list->count(); ++k) {
            texts << list->item(k)->text();
        }
        return texts;
    }

    void Toggle(int k) {
        auto* item = Find<QListWidget>("CheckListBox1")->item(k);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

    void ExpectNoneChecked() {
        auto* list = Find<QListWidget>("CheckListBox1");
        for (int k = 0; k < list->count(); ++k) {
            EXPECT_EQ(list->item(k)->checkState(), Qt::Unchecked);
        }
    }
    bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
};

}  // namespace

TEST_F(SourceTest, ChoosingAFileFillsItemsPreviewsAndCommandLines) {
    Show();
    const std::string source = Fixture("full.mkv");
    const std::string s = torvane::ExtractShortPathName(NativePath(source));
    Choose(source);

    EXPECT_EQ(dialogs.lastInitialFolder, QString::fromStdString(programFolder));
    EXPECT_EQ(Find<QLineEdit>("Edit1")->text(), QString::fromStdString(NativePath(source)));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), fs::path(source).parent_path()));

    // Every listing line after the first is an item, unchecked, then the
    // previews' entries; the previews are kept as the tool's bytes and shown
    // decoded.
    const std::string listing = Run("ostrem", {"-i", QString::fromStdString(s)});
    EXPECT_EQ(mainWindow->TagsPreview(), Run("quarvel", {"tags", QString::fromStdString(s)}));
    EXPECT_EQ(mainWindow->ChaptersPreview(),
              Run("quarvel", {"chapters", QString::fromStdString(s)}));
    QStringList expected = QString::fromStdString(listing).split(QStringLiteral("\r\n"));
    expected.removeFirst();
    expected.removeLast();
    EXPECT_EQ(expected.size(), 9);
    expected << QStringLiteral("Chapters ID") << QStringLiteral("Tags ID");
    EXPECT_EQ(Items(), expected);
    ExpectNoneChecked();
    EXPECT_EQ(mainWindow->Listing().size(), static_cast<std::size_t>(Items().size()) + 1);
    EXPECT_TRUE(Find<QPlainTextEdit>("ChaptersMemo")
                    ->toPlainText()
                    .contains(QStringLiteral("Scène d'été")));

    // Nothing checked: the three start with the source, all boxes disabled.
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks " + s + " ");
    EXPECT_EQ(mainWindow->AttachmentsCommandLine(), "quarvel attachments " + s + " ");
    EXPECT_EQ(mainWindow->ChaptersCommandLine(), "quarvel chapters " + s + " ");
    EXPECT_EQ(Find<QTextEdit>("LineaComandos")->toPlainText(),
              QString::fromStdString(mainWindow->TracksCommandLine()));
    for (const char* box :
         {"LineaComandos", "LineaComandosAtt", "LineaComandosChapter", "TagsMemo", "BitBtn1"}) {
        EXPECT_FALSE(Enabled(box)) << box;
    }

    // Everything checked: what is unknown is asked once.
    const std::string typed = root.path().toStdString() + "/out/";
    fs::create_directories(typed);
    Find<QLineEdit>("Edit2")->setText(QString::fromStdString(typed));
    const std::string out = torvane::ExtractShortPathName(typed);
    dialogs.extensions = {QStringLiteral("m4v"), QStringLiteral("aac")};
    Find<QPushButton>("Button2")->click();
    ASSERT_EQ(dialogs.newFormatLabels.size(), 2u);
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks " + s + " 1:" + out +
                                                   "Track1.m4v 2:" + out + "Track2.aac 3:" + out +
                                                   "Track3.ac3 4:" + out + "Track4.ogg 5:" + out +
                                                   "Track5.srt 6:" + out + "Track6.srt ");
    EXPECT_EQ(mainWindow->AttachmentsCommandLine(), "quarvel attachments " + s + " 1:" + out +
                                                        "font_stub.ttf 2:" + out +
                                                        "cover.png 3:" + out + "notes.txt ");
    EXPECT_EQ(mainWindow->ChaptersCommandLine(),
              "quarvel chapters " + s + " > " + out + "Chapters.xml");
    for (const char* box :
         {"LineaComandos", "LineaComandosAtt", "LineaComandosChapter", "TagsMemo", "BitBtn1"}) {
        EXPECT_TRUE(Enabled(box)) << box;
    }
    // Another language touches no item nor command line.
    const std::string tracks = mainWindow->TracksCommandLine();
    Find<QAction>("Espaol1")->trigger();
    EXPECT_EQ(mainWindow->TracksCommandLine(), tracks);
    EXPECT_TRUE(Enabled("BitBtn1"));

    // The other chapter format: its line and its preview, asking nothing.
    Find<QRadioButton>("RadioButton2")->click();
    EXPECT_EQ(mainWindow->ChaptersCommandLine(),
              "quarvel chapters " + s + " > " + out + "Chapters.txt -s");
    EXPECT_EQ(mainWindow->ChaptersPreview(),
              Run("quarvel", {"chapters", QString::fromStdString(s), "-s"}));
    EXPECT_EQ(dialogs.newFormatLabels.size(), 2u);
}

TEST_F(SourceTest, AnUnknownCodecAsksOnceAndTheAnswerReachesTheTableFile) {
    Show();
    const std::string source = Fixture("codecs/h264.mkv");
    const std::string shortSource = torvane::ExtractShortPathName(NativePath(source));
    Choose(source);
    ASSERT_GE(Items().size(), 1);
    // No answer (the dialog closed from its title bar): that build goes on
    // without an extension, and the next one asks again.
    dialogs.extensions = {QString(), QStringLiteral("h264")};
    Toggle(0);
    ASSERT_EQ(dialogs.newFormatLabels.size(), 1u);
    EXPECT_TRUE(dialogs.newFormatLabels[0].startsWith(QStringLiteral("(V_MPEG4/ISO/AVC) ")));
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks " + shortSource + " 1:Track1. ");
    EXPECT_TRUE(mainWindow->Formats().Lines().empty());
    Find<QLineEdit>("Edit2")->setText(QStringLiteral("/"));
    ASSERT_EQ(dialogs.newFormatLabels.size(), 2u);
    EXPECT_EQ(mainWindow->TracksCommandLine(),
              "quarvel tracks " + shortSource + " 1:/Track1.h264 ");
    EXPECT_TRUE(Enabled("LineaComandos"));
    EXPECT_TRUE(Enabled("BitBtn1"));

    // Later builds find the entry and ask nothing.
    Choose(source);
    Find<QPushButton>("Button2")->click();
    EXPECT_EQ(dialogs.newFormatLabels.size(), 2u);
    EXPECT_TRUE(mainWindow->close());
    EXPECT_EQ(ReadFile(FormatsPath()), "(V_MPEG4/ISO/AVC) h264\r\n");
}

TEST_F(SourceTest, AFileGivenByArgumentOrDroppedIsReadAsIfConfirmedInTheDialog) {
    const std::string source = Fixture("full.mkv");
    // What the window shows of a file read: items, source, tracks line,
    // chapters preview and the current folder.
    auto outcome = [&] {
        return Items() << Find<QLineEdit>("Edit1")->text()
                       << QString::fromStdString(mainWindow->TracksCommandLine())
                       << QString::fromStdString(mainWindow->ChaptersPreview())
                       << QDir::currentPath();
    };
    auto freshWindow = [&] {
        QDir::setCurrent(QString::fromStdString(workFolder));
        CloseWindows();
        MakeWindows();
        Show();
    };
    auto drag = [&](QMimeData& data) {
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(mainWindow, &enter);
        return enter.isAccepted();
    };

    Show();
    Choose(source);
    const QStringList chosen = outcome();
    ASSERT_GE(Items().size(), 5);

    freshWindow();
    mainWindow->OpenSourceFile(QString::fromStdString(source));
    EXPECT_EQ(outcome(), chosen);
    EXPECT_EQ(dialogs.openCount, 1);  // the dialog itself was never shown again

    freshWindow();
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QString::fromStdString(source))});
    ASSERT_TRUE(drag(one));
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(mainWindow, &drop);
    EXPECT_TRUE(drop.isAccepted());
    QApplication::processEvents();
    EXPECT_EQ(outcome(), chosen);

    // Anything but one Matroska file is not taken; a missing file named on the
    // command line is reported.
    const std::string text = root.path().toStdString() + "/notes.txt";
    WriteFile(text, "x");
    for (const QList<QUrl>& urls :
         {QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(source)),
                      QUrl::fromLocalFile(QString::fromStdString(source))},
          QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(text))},
          QList<QUrl>{QUrl::fromLocalFile(root.path())},
          QList<QUrl>{QUrl(QStringLiteral("https://example.org/film.mkv"))}}) {
        QMimeData data;
        data.setUrls(urls);
        EXPECT_FALSE(drag(data)) << urls.front().toString().toStdString();
    }
    dialogs.boxes.clear();
    mainWindow->Guarded([&] { mainWindow->OpenSourceFile(QStringLiteral("/no/such/film.mkv")); });
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("File \"/no/such/film.mkv\" not found."));
    EXPECT_EQ(outcome(), chosen);
}

// A cancelled dialog before any file runs the tools without a file; after
// one, it reads that file again with every item unchecked.
TEST_F(SourceTest, CancelledDialogReadsTheFileBeforeAgain) {
    Show();
    auto* chapters = Find<QPlainTextEdit>("ChaptersMemo");
    chapters->setPlainText(QStringLiteral("kept"));
    dialogs.files.push_back(std::nullopt);
    Find<QPushButton>("Button1")->click();
    EXPECT_EQ(dialogs.openCount, 1);
    EXPECT_TRUE(Find<QLineEdit>("Edit1")->text().isEmpty());
    EXPECT_EQ(chapters->toPlainText(), QStringLiteral("kept"));
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks  ");
    EXPECT_EQ(mainWindow->ChaptersCommandLine(), "quarvel chapters  ");

    const std::string source = Fixture("codecs/ac3.mka");
    Choose(source);
    Find<QPushButton>("Button2")->click();
    const QStringList first = Items();
    // A file without chapters lists no chapters entry.
    EXPECT_FALSE(first.contains(QStringLiteral("Chapters ID")));
    EXPECT_EQ(first.back(), QStringLiteral("Tags ID"));
    dialogs.files.push_back(std::nullopt);
    Find<QPushButton>("Button1")->click();
    EXPECT_EQ(Items(), first);
    EXPECT_EQ(Find<QLineEdit>("Edit1")->text(), QString::fromStdString(NativePath(source)));
    ExpectNoneChecked();
    EXPECT_FALSE(Enabled("BitBtn1"));
    EXPECT_FALSE(Enabled("LineaComandos"));

    // Gone since: read again, or its chapters in the other format, it is
    // named in plain words, and no tool is run without it.
    fs::remove(source);
    dialogs.boxes.clear();
    dialogs.files.push_back(std::nullopt);
    Find<QPushButton>("Button1")->click();
    EXPECT_TRUE(Items().isEmpty());
    Find<QRadioButton>("RadioButton2")->click();
    const QString gone =
        QString::fromStdString("The file \"" + NativePath(source) + "\" no longer exists.");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, gone);
    EXPECT_EQ(dialogs.boxes[1].text, gone);
}

TEST_F(SourceTest, SelectionControlsRebuildAndFollowTheEnableRule) {
    Show();
    const std::string source = Fixture("codecs/ac3.mka");
    const std::string shortSource = torvane::ExtractShortPathName(NativePath(source));
    Choose(source);
    const std::string chosen = NativePath(root.path().toStdString() + "/out/");
    fs::create_directories(chosen);
    dialogs.folders = {QString::fromStdString(chosen.substr(0, chosen.size() - 1))};
    Find<QPushButton>("Button4")->click();
    EXPECT_EQ(Find<QLineEdit>("Edit2")->text(), QString::fromStdString(chosen));
    const std::string out = torvane::ExtractShortPathName(chosen);

    Toggle(0);
    EXPECT_TRUE(Enabled("BitBtn1"));
    EXPECT_EQ(mainWindow->TracksCommandLine(),
              "quarvel tracks " + shortSource + " 1:" + out + "Track1.ac3 ");
    Toggle(0);
    EXPECT_FALSE(Enabled("BitBtn1"));
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks " + shortSource + " ");

    // Cancelling the chooser leaves the folder; neither it nor the chapter
    // format changes what Extract offers.
    Toggle(0);
    Find<QPushButton>("Button4")->click();
    EXPECT_EQ(Find<QLineEdit>("Edit2")->text(), QString::fromStdString(chosen));
    Find<QRadioButton>("RadioButton2")->click();
    EXPECT_TRUE(Enabled("BitBtn1"));
    Toggle(0);
    Find<QRadioButton>("RadioButton1")->click();
    EXPECT_FALSE(Enabled("BitBtn1"));

    Find<QPushButton>("Button2")->click();
    EXPECT_TRUE(Enabled("BitBtn1"));
    Find<QPushButton>("Button3")->click();
    EXPECT_FALSE(Enabled("BitBtn1"));
    EXPECT_FALSE(Enabled("LineaComandos"));
    // Even reached some other way, Extract reports nothing, least of all success.
    mainWindow->onExtractClicked();
    EXPECT_TRUE(dialogs.boxes.empty());

    // Typing a folder rebuilds at every keystroke; a missing one gives bare names.
    Toggle(0);
    Find<QLineEdit>("Edit2")->setText(QStringLiteral("/no/such/folder/"));
    EXPECT_EQ(mainWindow->TracksCommandLine(), "quarvel tracks " + shortSource + " 1:Track1.ac3 ");
}

TEST_F(SourceTest, WhatTheListingToolSaysReachesTheUser) {
    Show();
    const std::string real = std::string(TORVANE_BIN_DIR) + "/ostrem";
    const std::string bad = root.path().toStdString() + "/not a film.mkv";
    WriteFile(bad, "not a Matroska file at all");
    const std::string badShort = torvane::ExtractShortPathName(NativePath(bad));
    const std::string notMatroska =
        "\nostrem: " + badShort +
        ": at byte 0: not a Matroska file: expected the EBML header (1A 45 DF A3), found 6E 6F 74 "
        "20.";
    const std::string warning = "\nostrem: damaged cluster at byte 999";
    struct Row {
        const char* what;
        std::string script;  // empty: the real ostrem
        bool readable;       // the fixture, else the text file named .mkv
        TDialogs::Icon icon;
        std::string text;  // empty: no box
    };
    for (const Row& row : {
             Row{"not Matroska", "", false, TDialogs::Icon::Critical,
                 "The file cannot be read: ostrem ended with exit status 2." + notMatroska},
             // Silent for longer than the old second, then the listing.
             Row{"slow", "sleep 1.5; exec \"" + real + "\" \"$@\"", true, TDialogs::Icon::None, ""},
             Row{"warnings",
                 "\"" + real + "\" \"$@\"; echo 'ostrem: damaged cluster at byte 999' >&2; exit 1",
                 true, TDialogs::Icon::Warning,
                 "ostrem read the file with warnings; the list may be incomplete:" + warning},
             Row{"silent", "exec sleep 10", true, TDialogs::Icon::Critical,
                 "ostrem -i gave no output for 0.3 seconds and was stopped."},
         }) {
        SCOPED_TRACE(row.what);
        // The first row runs the real ostrem that the fixture put in place.
        if (!row.script.empty()) {
            if (torvane::kPathSeparator != '/') {
                continue;  // the stand-ins are shell scripts
            }
            fs::remove(programFolder + "ostrem");
            WriteFile(programFolder + "ostrem", "#!/bin/sh\n" + row.script + "\n");
            fs::permissions(programFolder + "ostrem", fs::perms::owner_all);
        }
        dialogs.boxes.clear();
        mainWindow->SetCaptureSilence(
            std::string(row.what) == "silent" ? 300 : torvane::kCaptureSilenceMs);
        // Extract was possible with the previous file.
        Find<QPushButton>("Button2")->click();

        Choose(row.readable ? Fixture("codecs/ac3.mka") : bad);

        EXPECT_EQ(Items().isEmpty(),
                  row.text.empty() ? false : row.icon == TDialogs::Icon::Critical);
        EXPECT_FALSE(Enabled("BitBtn1"));
        if (row.text.empty()) {
            EXPECT_TRUE(dialogs.boxes.empty());
            continue;
        }
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Torvane"));
        EXPECT_EQ(dialogs.boxes[0].icon, row.icon);
        EXPECT_EQ(dialogs.boxes[0].text, QString::fromStdString(row.text));
    }
}
