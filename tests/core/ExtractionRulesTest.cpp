// The main window's extraction without a window: the Extract button's rule,
// where the previews are saved with what bytes, and what the final box says.
#include "core/ExtractionRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "core/ShortPath.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;

TEST(ExtractEnabled, WhileAnyItemIsChecked) {
    EXPECT_FALSE(ExtractEnabled({}));
    EXPECT_FALSE(ExtractEnabled({false, false}));
    EXPECT_TRUE(ExtractEnabled({false, true, false}));
}

TEST(CheckSource, OnlyAFileThatIsStillThereHasItsShortForm) {
    TempDir dir;
    const std::string source = dir.File("Episodio 1.mkv");
    testsupport::WriteBytes(source, "x");
    const SourceCheck present = CheckSource(source);
    EXPECT_EQ(present.result, SourceCheck::Result::Present);
    EXPECT_EQ(present.shortForm, ExtractShortPathName(source));
    EXPECT_FALSE(present.shortForm.empty());
    fs::remove(source);
    for (const std::string& path : {source, dir.Path(), std::string()}) {
        SCOPED_TRACE(path);
        const SourceCheck gone = CheckSource(path);
        EXPECT_EQ(gone.result, SourceCheck::Result::Gone);
        EXPECT_EQ(gone.shortForm, "");
    }
}

TEST(SaveChosenPreviews, WritesTheChosenPreviewsPlusCrLfUnderTheFormatsName) {
    TempDir dir;
    const std::string chapters = "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=One";
    const std::string tags = "<Tags/>";
    struct Row {
        ChapterFormat format;
        ExtractionChoice choice;
        std::vector<std::string> written;
    };
    for (const Row& row : {
             Row{ChapterFormat::Xml, {false, false, true, true}, {"Chapters.xml", "Tags.xml"}},
             Row{ChapterFormat::SimpleText, {true, true, true, false}, {"Chapters.txt"}},
             Row{ChapterFormat::Xml, {false, false, false, true}, {"Tags.xml"}},
         }) {
        fs::remove(dir.File("Chapters.xml"));
        fs::remove(dir.File("Chapters.txt"));
        fs::remove(dir.File("Tags.xml"));
        // The folder as typed, without its separator.
        SaveChosenPreviews(dir.Path(), row.choice, row.format, chapters, tags);
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename().string();
            written.push_back(name);
            EXPECT_EQ(ReadBytes(entry.path().string()),
                      (name.starts_with("Chapters") ? chapters : tags) + "\r\n");
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, row.written);
    }
}

TEST(SaveChosenPreviews, AnEmptyFolderIsTheCurrentOneNamedInFullWhenAFileCannotBeWritten) {
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_EQ(PreviewPath("", "Tags.xml"), dir.File("Tags.xml"));
    fs::create_directory(dir.File("Tags.xml"));  // a folder where the file would go
    try {
        SaveChosenPreviews("", {false, false, false, true}, ChapterFormat::Xml, "", "<Tags/>");
        ADD_FAILURE() << "a folder was replaced by a file";
    } catch (const IoError& error) {
        EXPECT_EQ(std::string(error.what())
                      .rfind("Cannot create file \"" + dir.File("Tags.xml") + "\".", 0),
                  0u)
            << error.what();
    }
    fs::current_path(before);
    EXPECT_TRUE(fs::is_directory(dir.File("Tags.xml")));
}

#ifndef _WIN32
// A link planted where a preview goes is replaced by the preview: what it
// points to is never written.
TEST(SavePreview, ALinkInItsPlaceIsReplacedNotWrittenThrough) {
    TempDir dir;
    testsupport::WriteBytes(dir.File("victim"), "mine");
    fs::create_symlink(dir.File("victim"), dir.File("Tags.xml"));
    SavePreview(dir.File("Tags.xml"), "<Tags/>");
    EXPECT_FALSE(fs::is_symlink(dir.File("Tags.xml")));
    EXPECT_EQ(ReadBytes(dir.File("Tags.xml")), "<Tags/>\r\n");
    EXPECT_EQ(ReadBytes(dir.File("victim")), "mine");
}
#endif

TEST(ReportExtraction, HeadlineAndNamedRunsFromHowTheRunsEnded) {
    using H = ExtractionReport::Headline;
    using R = StepResult;
    struct Row {
        std::vector<StepResult> runs;
        bool notSaved;
        H headline;
        std::vector<std::size_t> named;
    };
    for (const Row& row : {
             Row{{}, false, H::Success, {}},
             Row{{R::Done, R::Done}, false, H::Success, {}},
             Row{{R::Warnings, R::Done}, false, H::Warnings, {0}},
             Row{{R::Done, R::Failed}, false, H::Failed, {1}},
             Row{{R::Failed, R::Warnings}, false, H::Failed, {0, 1}},
             Row{{R::Warnings, R::Cancelled}, false, H::Cancelled, {0}},
             Row{{R::Cancelled}, false, H::Cancelled, {}},
             // A preview not saved: alone after runs that went well, else as
             // a failure after the runs' own report.
             Row{{}, true, H::NotSaved, {}},
             Row{{R::Done, R::Done}, true, H::NotSaved, {}},
             Row{{R::Warnings}, true, H::Failed, {0}},
             Row{{R::Failed, R::Done}, true, H::Failed, {0}},
         }) {
        SCOPED_TRACE(::testing::Message() << row.runs.size() << " runs, not saved " << row.notSaved
                                          << ", headline " << static_cast<int>(row.headline));
        const ExtractionReport report = ReportExtraction(row.runs, row.notSaved);
        EXPECT_EQ(report.headline, row.headline);
        EXPECT_EQ(report.named, row.named);
        EXPECT_EQ(report.saveError, row.notSaved);
        // Extract waits for a change of the checks after a preview was not
        // saved, and only then.
        EXPECT_EQ(report.extractEnabled, !row.notSaved);
    }
}

}  // namespace
}  // namespace torvane
