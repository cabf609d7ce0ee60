// The batch extraction's window-free logic: listings read into tracks, the
// rule, the names and places of the outputs, the steps and the summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/BatchPlan.h"
#include "core/BatchSteps.h"
#include "core/Formats.h"
#include "core/Listing.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

// An identification listing as the tool prints it, for a file at `path`:
// the tracks (given from their type on) numbered from 1, then the
// attachments.
std::string Listing(const std::string& path, const std::vector<std::string>& items) {
    std::string text = "File '" + path + "': container: Matroska\r\n";
    int number = 0;
    for (const std::string& item : items) {
        const bool track = !item.starts_with("Attachment ID");
        text += (track ? "Track ID " + std::to_string(++number) + ": " : "") + item + "\r\n";
    }
    return text;
}

BatchSource Readable(const std::string& path, const std::vector<std::string>& items,
                     bool chapters = false, bool tags = false) {
    BatchSource source;
    source.path = path;
    source.state = BatchSource::State::Readable;
    source.contents = ReadSourceContents(BuildListing(Listing(path, items), false, false).items);
    source.contents.chapters = chapters;
    source.contents.tags = tags;
    return source;
}

BatchSource Unreadable(const std::string& path,
                       BatchSource::State state = BatchSource::State::Unreadable) {
    BatchSource source;
    source.path = path;
    source.state = state;
    return source;
}

const std::string kVideo = "video (V_MS/VFW/FOURCC) [language: und, 64x48]";
const std::string kSpaAac =
    "audio (A_AAC) [language: spa, name: Español [cine], 48000 Hz, 1 channel]";
const std::string kEngAc3 = "audio (A_AC3) [language: eng, 44100 Hz, 1 channel]";
const std::string kSpaAc3 = "audio (A_AC3) [language: spa, 44100 Hz, 1 channel]";
const std::string kFreSrt = "subtitles (S_TEXT/UTF8) [language: fre, default]";
const std::string kSpaSsa = "subtitles (S_TEXT/SSA) [language: spa]";
const std::string kOddAudio = "audio (A_ODD) [language: spa, 8000 Hz, 1 channel]";
std::string Attachment(int id, const std::string& type, const std::string& name) {
    return "Attachment ID " + std::to_string(id) + ": type '" + type +
           "', size 9 bytes, file name '" + name + "'";
}
std::string Font(int id, const std::string& name) {
    return Attachment(id, "font/ttf", name);
}

const std::set<AttachmentKind> kAllAttachments(kAttachmentKinds.begin(), kAttachmentKinds.end());

// The main window's classification: the built-in table, then the user's.
std::vector<FilePlan> Plan(const std::vector<BatchSource>& sources, const BatchRule& rule,
                           OutputLayout layout = OutputLayout::FolderPerSource,
                           const std::string& folder = "/out") {
    FormatTable table;
    table.LoadFromBytes("(A_AAC) aac\r\n");
    return PlanBatch(sources, rule, layout, folder,
                     [&table](const std::string& line) { return ClassifyCodec(line, table); });
}

// Spanish audio and all subtitles, chapters as XML.
BatchRule SpanishAudioAllSubtitles() {
    BatchRule rule;
    rule.For(TrackType::Audio) = {true, std::set<std::string>{"spa"}, std::nullopt};
    rule.For(TrackType::Subtitles).wanted = true;
    rule.chapters = ChapterFormat::Xml;
    return rule;
}

// A path the plan joined with the platform's separator, as the tables here
// write it: with '/'.
std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), kPathSeparator, '/');
    return path;
}

// Every file's state and its outputs' paths as the preview shows them, one
// text per file: "Outputs: a/Track2.aac a/Chapters.xml".
std::vector<std::string> Shown(const std::vector<FilePlan>& plan) {
    std::vector<std::string> shown;
    for (const FilePlan& file : plan) {
        static const char* const kStates[] = {"Identifying", "Unreadable", "Nothing", "Outputs"};
        std::string text = kStates[static_cast<int>(file.state)];
        for (const PlannedOutput& output : file.outputs) {
            text += " " + Slashed(ShownPath(file, output));
        }
        for (const UnnamedTrack& track : file.unnamed) {
            text += " " + Slashed(ShownPath(file, track)) + ":" + track.codec;
        }
        shown.push_back(text);
    }
    return shown;
}

TEST(BatchSource, TrackAndAttachmentLinesAreReadAndOtherLinesPassedOver) {
    const std::string aac = "Track ID 2: " + kSpaAac;
    const SourceContents contents = ReadSourceContents(
        {"Track ID 1: " + kVideo, aac, "Track ID 3: complex (X_ODD) [language: es-ES]",
         "Track ID 4: subtitles (S_TEXT/UTF8) []", "a line of some other kind",
         Font(1, "l'aube bold.ttf")});
    ASSERT_EQ(contents.tracks.size(), 4u);
    const SourceTrack& track = contents.tracks[1];
    EXPECT_EQ(track.number, 2u);
    EXPECT_EQ(track.type, TrackType::Audio);
    EXPECT_EQ(track.codec, "A_AAC");
    EXPECT_EQ(track.language, "spa");
    EXPECT_EQ(track.line, aac);
    EXPECT_EQ(contents.tracks[0].type, TrackType::Video);
    EXPECT_EQ(contents.tracks[2].type, TrackType::Other);
    EXPECT_EQ(contents.tracks[2].language, "es-ES");
    // No language in the details: undetermined.
    EXPECT_EQ(contents.tracks[3].language, "und");
    ASSERT_EQ(contents.attachments.size(), 1u);
    EXPECT_EQ(contents.attachments[0].id, "1");
    EXPECT_EQ(contents.attachments[0].name, "l'aube_bold.ttf");
    EXPECT_EQ(contents.attachments[0].type, "font/ttf");
    EXPECT_EQ(contents.attachments[0].kind, AttachmentKind::Font);
}

// Fonts often travel as application/octet-stream: a type that names neither
// a font nor an image leaves the word to the name.
TEST(BatchSource, AnAttachmentsKindByItsTypeElseByItsName) {
    using K = AttachmentKind;
    struct Row {
        const char* type;
        const char* name;
        AttachmentKind kind;
    };
    for (const Row& row : {
             Row{"application/x-truetype-font", "a.bin", K::Font},
             Row{"application/vnd.ms-opentype", "a", K::Font},
             Row{"font/collection", "a", K::Font},
             Row{"Application/X-Font-TTF", "a", K::Font},
             Row{"application/octet-stream", "Sub Font.TTC", K::Font},
             Row{"", "a.otf", K::Font},
             Row{"image/jpeg", "cover.ttf", K::Image},
             Row{"application/octet-stream", "cover.JPG", K::Image},
             Row{"text/plain", "notes.txt", K::Other},
             Row{"application/octet-stream", ".ttf", K::Other},
             Row{"application/x-font-ttf-not", "a", K::Other},
         }) {
        EXPECT_EQ(AttachmentKindOf(row.type, row.name), row.kind) << row.type << " " << row.name;
    }
    // The type runs to the quote before ", size": a quote inside it stays.
    const SourceContents contents =
        ReadSourceContents({"Attachment ID 1: type 'image/x-it's', size 9 bytes, file name 'x'"});
    EXPECT_EQ(contents.attachments.at(0).type, "image/x-it's");
}

TEST(BatchRule, OffersHoldWhatTheReadableSourcesHoldByType) {
    const auto offers =
        OffersOf({Readable("/a.mkv", {kVideo, kSpaAac, kEngAc3}),
                  Readable("/b.mkv", {kVideo, kSpaAac, kSpaAc3, kFreSrt}), Unreadable("/c.mkv")});
    EXPECT_EQ(offers[0].languages, (std::set<std::string>{"und"}));
    EXPECT_EQ(offers[1].languages, (std::set<std::string>{"eng", "spa"}));
    EXPECT_EQ(offers[1].codecs, (std::set<std::string>{"A_AAC", "A_AC3"}));
    EXPECT_EQ(offers[2].codecs, (std::set<std::string>{"S_TEXT/UTF8"}));
}

TEST(BatchPlan, OutputsByRuleAndLayout) {
    BatchRule audioByCodec = SpanishAudioAllSubtitles();
    audioByCodec.For(TrackType::Audio).codecs = std::set<std::string>{"A_AC3"};
    audioByCodec.For(TrackType::Subtitles).languages = std::set<std::string>{};
    BatchRule everything;
    for (TrackChoice& choice : everything.tracks) {
        choice.wanted = true;
    }
    everything.attachments = kAllAttachments;
    everything.chapters = ChapterFormat::SimpleText;
    everything.tags = true;
    BatchRule attachmentsOnly;
    attachmentsOnly.attachments = kAllAttachments;

    struct Row {
        const char* what;
        std::vector<BatchSource> sources;
        BatchRule rule;
        std::vector<std::string> shown;
        OutputLayout layout = OutputLayout::FolderPerSource;
        std::string folder = "/out";
    };
    const Row rows[] = {
        {"no track of the chosen language; chapters only where there are some",
         {Readable("/in/ep 1.mkv", {kVideo, kEngAc3}),
          Readable("/in/ep 2.mkv", {kVideo, kEngAc3}, true)},
         SpanishAudioAllSubtitles(),
         {"Nothing", "Outputs ep 2/Chapters.xml"}},
        {"two tracks of the chosen language, and the subtitles of any",
         {Readable("/in/ep 1.mkv", {kVideo, kSpaAac, kSpaAc3, kFreSrt, kSpaSsa}, true, true)},
         SpanishAudioAllSubtitles(),
         {"Outputs ep 1/Track2.aac ep 1/Track3.ac3 ep 1/Track4.srt ep 1/Track5.ssa "
          "ep 1/Chapters.xml"},
         OutputLayout::FolderPerSource,
         "/out/"},
        {"by codec; an empty choice of languages takes none",
         {Readable("/in/a.mkv", {kVideo, kSpaAac, kSpaAc3, kFreSrt})},
         audioByCodec,
         {"Outputs a/Track3.ac3"}},
        {"a file that could not be read, and one still being identified",
         {Unreadable("/in/bad.mkv"), Unreadable("/in/new.mkv", BatchSource::State::Identifying),
          Readable("/in/good.mkv", {kSpaAac})},
         SpanishAudioAllSubtitles(),
         {"Unreadable", "Identifying", "Outputs good/Track1.aac"}},
        {"equal attachment names across files: a folder each",
         {Readable("/in/a.mkv", {Font(1, "font.ttf")}),
          Readable("/in/b.mkv", {Font(1, "font.ttf")})},
         attachmentsOnly,
         {"Outputs a/font.ttf", "Outputs b/font.ttf"}},
        {"equal attachment names across files: prefixed in one folder",
         {Readable("/in/my film.mkv", {Font(1, "font.ttf"), Font(2, "font.ttf")}),
          Readable("/in/other.mkv", {Font(1, "font.ttf")})},
         attachmentsOnly,
         {"Outputs my_film.font.ttf my_film.font_(2).ttf", "Outputs other.font.ttf"},
         OutputLayout::PrefixedNames,
         "/out"},
        {"sources of one name from two folders, and a name of no extension",
         {Readable("/in/ep.mkv", {kSpaAac}), Readable("/other/EP.mka", {kSpaAac}),
          Readable("/in/..mkv", {kSpaAac})},
         SpanishAudioAllSubtitles(),
         {"Outputs ep/Track1.aac", "Outputs EP_(2)/Track1.aac", "Outputs ..mkv/Track1.aac"}},
        {"the same, prefixed",
         {Readable("/in/ep.mkv", {kSpaAac}), Readable("/other/ep.mkv", {kSpaAac})},
         SpanishAudioAllSubtitles(),
         {"Outputs ep.Track1.aac", "Outputs ep_(2).Track1.aac"},
         OutputLayout::PrefixedNames,
         "/out"},
        {"beside each source, an attachment never replaces a source nor a track",
         {Readable("/in/x.mkv", {kSpaAac, Font(1, "y.Track1.aac"), Font(2, "mkv")}),
          Readable("/in/x.y.mkv", {kSpaAac})},
         []() {
             BatchRule rule = SpanishAudioAllSubtitles();
             rule.attachments = kAllAttachments;
             return rule;
         }(),
         {"Outputs x.Track1.aac x.y.Track1_(2).aac x_(2).mkv", "Outputs x.y.Track1.aac"},
         OutputLayout::PrefixedNames,
         ""},
        {"attachments by kind: fonts and other, no images",
         {Readable("/in/a.mkv", {Font(1, "f.ttf"), Attachment(2, "image/png", "cover.png"),
                                 Attachment(3, "application/octet-stream", "g.otf"),
                                 Attachment(4, "text/plain", "notes.txt")}),
          Readable("/in/b.mkv", {Attachment(1, "image/jpeg", "cover.jpg")})},
         []() {
             BatchRule rule;
             rule.attachments = {AttachmentKind::Font, AttachmentKind::Other};
             return rule;
         }(),
         {"Outputs a/f.ttf a/g.otf a/notes.txt", "Nothing"}},
        {"everything, and a codec no table knows",
         {Readable("/in/a.mkv", {kVideo, kSpaAac, kOddAudio, Font(1, "Tags.xml")}, true, true)},
         everything,
         {"Outputs a/Track1.avi a/Track2.aac a/Tags_(2).xml a/Chapters.txt a/Tags.xml "
          "a/Track3.?:A_ODD"}},
        {"only a codec no table knows: placed as any other file",
         {Readable("/in/b c.mkv", {kOddAudio}), Readable("/in/d.mkv", {kVideo})},
         everything,
         {"Nothing b c/Track1.?:A_ODD", "Outputs d/Track1.avi"}},
        {"the same, prefixed",
         {Readable("/in/b c.mkv", {kOddAudio}), Readable("/in/d.mkv", {kVideo})},
         everything,
         {"Nothing b_c.Track1.?:A_ODD", "Outputs d.Track1.avi"},
         OutputLayout::PrefixedNames},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<FilePlan> plan = Plan(row.sources, row.rule, row.layout, row.folder);
        EXPECT_EQ(Shown(plan), row.shown);
    }
}

TEST(BatchPlan, FoldersEndInASeparatorAndUnknownCodecsAreAskedOnce) {
    BatchRule rule;
    rule.For(TrackType::Audio).wanted = true;
    const auto plan = Plan({Readable("/in/a.mkv", {kOddAudio}), Readable("/in/b.mkv", {kOddAudio}),
                            Readable("/in/c.mkv", {kSpaAac})},
                           rule, OutputLayout::FolderPerSource, "/out");
    EXPECT_EQ(plan[0].state, FilePlan::State::Nothing);
    EXPECT_EQ(UnknownCodecLines(plan), std::vector<std::string>{"Track ID 1: " + kOddAudio});
    // A track to be asked for is something to extract; a video file under an
    // audio rule is not.
    EXPECT_TRUE(PlanGivesOutputs({plan[0]}));
    EXPECT_FALSE(PlanGivesOutputs(
        Plan({Readable("/in/v.mkv", {kVideo})}, rule, OutputLayout::FolderPerSource, "/out")));
    EXPECT_EQ(Slashed(plan[2].folder), "/out/c/");
    EXPECT_EQ(plan[2].source, "/in/c.mkv");
    const auto beside =
        Plan({Readable("/in/c.mkv", {kSpaAac})}, rule, OutputLayout::PrefixedNames, "");
    EXPECT_EQ(Slashed(beside[0].folder), "/in/");
}

TEST(BatchSteps, OneTracksPassThenAttachmentsChaptersAndTags) {
    BatchRule rule = SpanishAudioAllSubtitles();
    rule.attachments = kAllAttachments;
    rule.chapters = ChapterFormat::SimpleText;
    rule.tags = true;
    const auto plan =
        Plan({Readable("/in/a b.mkv", {kSpaAac, kFreSrt, Font(1, "f.ttf")}, true, true),
              Readable("/in/c.mkv", {kSpaAac})},
             rule);
    const FilePlan& full = plan[0];
    EXPECT_EQ(StepsOf(full),
              (std::vector<BatchStep>{BatchStep::Folder, BatchStep::Tracks, BatchStep::Attachments,
                                      BatchStep::Chapters, BatchStep::Tags}));
    EXPECT_EQ(StepsOf(plan[1]), (std::vector<BatchStep>{BatchStep::Folder, BatchStep::Tracks}));
    EXPECT_EQ(StepCommandLine(full, BatchStep::Tracks, "/S/ab.mkv", "/O/"),
              "quarvel tracks /S/ab.mkv 1:/O/Track1.aac 2:/O/Track2.srt");
    EXPECT_EQ(StepCommandLine(full, BatchStep::Attachments, "/S/ab.mkv", "/O/"),
              "quarvel attachments /S/ab.mkv 1:/O/f.ttf");
    EXPECT_EQ(SavedOutput(full, BatchStep::Chapters)->name, "Chapters.txt");
    EXPECT_EQ(SavedOutput(full, BatchStep::Tracks), nullptr);
    EXPECT_TRUE(StepsOf(Plan({Unreadable("/in/x.mkv")}, rule)[0]).empty());
}

TEST(BatchSteps, StatusOfAFileFromItsSteps) {
    using R = StepResult;
    using S = FileStatus;
    struct Row {
        std::vector<StepResult> results;
        bool leftOut;
        FileStatus status;
    };
    for (const Row& row : {
             Row{{R::Done, R::Done}, false, S::Done},
             Row{{R::Done, R::Done}, true, S::DoneWithWarnings},
             Row{{R::Done, R::Warnings, R::Done}, false, S::DoneWithWarnings},
             Row{{R::Done, R::Failed, R::Warnings}, false, S::Failed},
             Row{{R::Done, R::Failed, R::Cancelled}, false, S::Cancelled},
         }) {
        EXPECT_EQ(StatusOfSteps(row.results, row.leftOut), row.status);
    }
}

TEST(BatchSteps, ProgressByBytesOrByFiles) {
    struct Row {
        BatchProgress progress;
        int permille;
        std::size_t fileShown;
    };
    for (const Row& row : {
             Row{{0, 0, 0, 0, 0, 0}, 0, 0},
             Row{{0, 2, 0, 1000, 600, 50}, 300, 1},
             Row{{1, 2, 600, 1000, 400, 25}, 700, 2},
             Row{{2, 2, 1000, 1000, 0, 0}, 1000, 2},
             // Files that hold no byte count by files.
             Row{{1, 4, 0, 0, 0, 0}, 250, 2},
         }) {
        EXPECT_EQ(row.progress.Permille(), row.permille);
        EXPECT_EQ(row.progress.FileShown(), row.fileShown);
    }
}

// A file that ran through counts whole, failed or not; a cancelled one adds
// nothing to what was done, and stays the file shown.
TEST(BatchSteps, ProgressCountsOnlyTheFilesThatRanThrough) {
    BatchProgress progress{0, 3, 0, 1000, 600, 80};
    progress.FileEnded(600, false);
    EXPECT_EQ(progress.Permille(), 600);
    EXPECT_EQ(progress.FileShown(), 2u);
    progress.currentBytes = 300;
    progress.currentPercent = 99;
    progress.FileEnded(300, true);
    EXPECT_EQ(progress.Permille(), 600);
    EXPECT_EQ(progress.BytesDone(), 600u);
    EXPECT_EQ(progress.FileShown(), 2u);
}

TEST(BatchSource, FolderGivesItsMatroskaFilesInNaturalOrder) {
    testsupport::TempDir dir;
    for (const char* name :
         {"Ep 10.mkv", "ep 2.MKA", "Ep 1.mks", "notes.txt", "Ep 3.mkv.part", ".mkv"}) {
        testsupport::WriteBytes(dir.File(name), "x");
    }
    std::filesystem::create_directory(dir.File("Ep 4.mkv"));
    const auto names = [](const std::vector<std::string>& paths) {
        std::vector<std::string> result;
        for (const std::string& path : paths) {
            result.push_back(FileNameOf(path));
        }
        return result;
    };
    EXPECT_EQ(names(MatroskaFilesIn(dir.Path())),
              (std::vector<std::string>{"Ep 1.mks", "ep 2.MKA", "Ep 10.mkv"}));
    EXPECT_TRUE(MatroskaFilesIn(dir.File("missing")).empty());
    // Added to a list: a folder's files first, then the files given by name
    // order, each once.
    const std::vector<std::string> added =
        NewSources({dir.File("ep 2.MKA"), dir.File("Ep 10.mkv"), dir.Path(), dir.File("ep 2.MKA")},
                   {dir.File("Ep 1.mks")});
    EXPECT_EQ(names(added), (std::vector<std::string>{"ep 2.MKA", "Ep 10.mkv"}));
    EXPECT_TRUE(NaturalLess("ep 007", "ep 10"));
    EXPECT_FALSE(NaturalLess("ep 10", "ep 9"));
    EXPECT_NE(NaturalLess("a1", "A01"), NaturalLess("A01", "a1"));
}

}  // namespace
}  // namespace torvane
