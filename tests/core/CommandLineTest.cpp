#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/CapturedCommands.h"
#include "core/Listing.h"
#include "core/ShortPath.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace torvane {
namespace {

// The operations with a short-form table that stands for the file system.
struct Fixture {
    std::map<std::string, std::string> shortForms;
    std::map<std::string, std::string> kinds;

    CommandLines Build(const std::string& source, const std::string& folder,
                       const std::vector<CommandItem>& items,
                       ChapterFormat format = ChapterFormat::Xml) {
        const TextOperation classify = [this](const std::string& line) { return kinds.at(line); };
        const TextOperation shortForm = [this](const std::string& path) {
            const auto it = shortForms.find(path);
            return it == shortForms.end() ? std::string() : it->second;
        };
        return ComposeCommandLines(
            source, folder, items, format, classify,
            [](const std::string& l) { return AttachmentId(l); },
            [](const std::string& l) { return AttachmentFileName(l); }, shortForm);
    }
};

const std::string kVideo = "Track ID 1: video (V_MS/VFW/FOURCC)";
const std::string kAc3 = "Track ID 2: audio (A_AC3)";
const std::string kVorbis = "Track ID 3: audio (A_VORBIS)";
const std::string kAttachment =
    "Attachment ID 1: type 'image/jpeg', size 100 bytes, file name 'portada grande.jpg'";

Fixture WorkedExample() {
    Fixture f;
    f.shortForms = {{"E:\\Pelis\\Origen largo.mkv", "E:\\PELIS\\ORIGEN.MKV"},
                    {"D:\\Salida larga\\", "D:\\SALIDA\\"}};
    f.kinds = {{kVideo, "avi"},
               {kAc3, "ac3"},
               {kVorbis, "ogg"},
               {kAttachment, "att"},
               {"Chapters ID", "Chapters"},
               {"Tags ID", "Tags"}};
    return f;
}

std::vector<CommandItem> WorkedItems() {
    return {{kVideo, true},      {kAc3, true},          {kVorbis, false},
            {kAttachment, true}, {"Chapters ID", true}, {"Tags ID", true}};
}

TEST(ComposeCommandLines, WorkedExample) {
    Fixture f = WorkedExample();
    const CommandLines xml =
        f.Build("E:\\Pelis\\Origen largo.mkv", "D:\\Salida larga\\", WorkedItems());
    EXPECT_EQ(xml.tracks,
              "quarvel tracks E:\\PELIS\\ORIGEN.MKV 1:D:\\SALIDA\\Track1.avi "
              "2:D:\\SALIDA\\Track2.ac3 ");
    EXPECT_EQ(xml.attachments,
              "quarvel attachments E:\\PELIS\\ORIGEN.MKV 1:D:\\SALIDA\\portada_grande.jpg ");
    EXPECT_EQ(xml.chapters, "quarvel chapters E:\\PELIS\\ORIGEN.MKV > D:\\SALIDA\\Chapters.xml");
    EXPECT_TRUE(xml.tracksSelected && xml.attachmentsSelected && xml.chaptersSelected &&
                xml.tagsSelected);

    const CommandLines txt = f.Build("E:\\Pelis\\Origen largo.mkv", "D:\\Salida larga\\",
                                     WorkedItems(), ChapterFormat::SimpleText);
    EXPECT_EQ(txt.chapters, "quarvel chapters E:\\PELIS\\ORIGEN.MKV > D:\\SALIDA\\Chapters.txt -s");
    EXPECT_EQ(txt.tracks, xml.tracks);
    EXPECT_EQ(txt.attachments, xml.attachments);
}

// Each line holds what is checked of its kind: track ids are positions in the
// list, a folder gets its separator, and a folder with no short form leaves
// bare file names. The flags say which lines have something: Tracks,
// Attachments, Chapters, taGs.
TEST(ComposeCommandLines, LinesAndFlagsFollowTheCheckedItems) {
    Fixture f = WorkedExample();
    f.shortForms["/data/out"] = "/data/out";
    const std::string sep(1, kPathSeparator);
    struct Row {
        std::string folder;
        std::vector<CommandItem> items;
        std::string tracks, attachments, chapters;
        std::string selected;
    };
    for (const Row& row : {
             Row{"Z:\\nowhere\\", WorkedItems(), " 1:Track1.avi 2:Track2.ac3 ",
                 " 1:portada_grande.jpg ", " > Chapters.xml", "TACG"},
             Row{"/data/out",
                 {{kVideo, true}, {"Chapters ID", true}},
                 " 1:/data/out" + sep + "Track1.avi ",
                 " ",
                 " > /data/out" + sep + "Chapters.xml",
                 "TC"},
             Row{"D:\\Salida larga\\",
                 {{kAc3, true}, {kVorbis, false}, {kVideo, true}},
                 " 1:D:\\SALIDA\\Track1.ac3 3:D:\\SALIDA\\Track3.avi ",
                 " ",
                 " ",
                 "T"},
             Row{"D:\\Salida larga\\", {{kVideo, false}, {"Tags ID", true}}, " ", " ", " ", "G"},
         }) {
        SCOPED_TRACE(row.folder + row.selected);
        const CommandLines l = f.Build("E:\\Pelis\\Origen largo.mkv", row.folder, row.items);
        EXPECT_EQ(l.tracks, "quarvel tracks E:\\PELIS\\ORIGEN.MKV" + row.tracks);
        EXPECT_EQ(l.attachments, "quarvel attachments E:\\PELIS\\ORIGEN.MKV" + row.attachments);
        EXPECT_EQ(l.chapters, "quarvel chapters E:\\PELIS\\ORIGEN.MKV" + row.chapters);
        const std::string selected = std::string(l.tracksSelected ? "T" : "") +
                                     (l.attachmentsSelected ? "A" : "") +
                                     (l.chaptersSelected ? "C" : "") + (l.tagsSelected ? "G" : "");
        EXPECT_EQ(selected, row.selected);
    }
    const CommandLines none = f.Build("", "", {});
    EXPECT_EQ(none.tracks + "|" + none.attachments + "|" + none.chapters,
              "quarvel tracks  |quarvel attachments  |quarvel chapters  ");
    EXPECT_FALSE(none.tracksSelected || none.attachmentsSelected || none.chaptersSelected ||
                 none.tagsSelected);
    // A source that is gone has no short form: no line names an output
    // without it (the tool would take the first one for the file to read),
    // while the flags still say what was asked for.
    const CommandLines gone =
        f.Build("E:\\Pelis\\borrada.mkv", "D:\\Salida larga\\", WorkedItems());
    EXPECT_EQ(gone.tracks + "|" + gone.attachments + "|" + gone.chapters,
              "quarvel tracks  |quarvel attachments  |quarvel chapters  ");
    EXPECT_TRUE(gone.tracksSelected && gone.attachmentsSelected && gone.chaptersSelected &&
                gone.tagsSelected);
}

TEST(ComposeCommandLines, OutputsThatWouldShareAPathGetDistinctNames) {
    Fixture f = WorkedExample();
    const auto attachment = [](int id, const std::string& name) {
        return "Attachment ID " + std::to_string(id) + ": type 'x', size 1 bytes, file name '" +
               name + "'";
    };
    std::vector<CommandItem> items = {{kVideo, true}};
    const std::vector<std::string> names = {"l'aube.ttf", "l'ete.ttf",  "cover.jpg", "COVER.jpg",
                                            "cover.jpg",  "Track1.avi", "Tags.xml",  "Chapters.xml",
                                            ".hidden",    ".hidden",    "README",    "README"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        items.push_back({attachment(static_cast<int>(k + 1), names[k]), true});
        f.kinds[items.back().text] = "att";
    }
    items.push_back({"Chapters ID", true});
    items.push_back({"Tags ID", true});
    const CommandLines l = f.Build("E:\\Pelis\\Origen largo.mkv", "D:\\Salida larga\\", items);
    EXPECT_EQ(l.attachments,
              "quarvel attachments E:\\PELIS\\ORIGEN.MKV 1:D:\\SALIDA\\l'aube.ttf "
              "2:D:\\SALIDA\\l'ete.ttf 3:D:\\SALIDA\\cover.jpg 4:D:\\SALIDA\\COVER_(2).jpg "
              "5:D:\\SALIDA\\cover_(3).jpg 6:D:\\SALIDA\\Track1_(2).avi "
              "7:D:\\SALIDA\\Tags_(2).xml 8:D:\\SALIDA\\Chapters_(2).xml "
              "9:D:\\SALIDA\\.hidden 10:D:\\SALIDA\\.hidden_(2) 11:D:\\SALIDA\\README "
              "12:D:\\SALIDA\\README_(2) ");
    EXPECT_EQ(l.tracks, "quarvel tracks E:\\PELIS\\ORIGEN.MKV 1:D:\\SALIDA\\Track1.avi ");
    EXPECT_EQ(l.chapters, "quarvel chapters E:\\PELIS\\ORIGEN.MKV > D:\\SALIDA\\Chapters.xml");

    // With the simple chapter format and no tags, those names are free.
    items.pop_back();
    const CommandLines txt = f.Build("E:\\Pelis\\Origen largo.mkv", "D:\\Salida larga\\", items,
                                     ChapterFormat::SimpleText);
    EXPECT_NE(txt.attachments.find(" 7:D:\\SALIDA\\Tags.xml 8:D:\\SALIDA\\Chapters.xml "),
              std::string::npos)
        << txt.attachments;
}

#ifdef _WIN32
// Where the volume keeps no 8.3 names, a short form still holds its blanks:
// it goes into the command line quoted, so that it stays one argument.
TEST(ComposeCommandLines, ShortFormStillHoldingABlankIsQuoted) {
    Fixture f = WorkedExample();
    f.shortForms = {{"E:\\Pelis\\Origen largo.mkv", "E:\\Pelis\\Origen largo.mkv"},
                    {"D:\\Salida larga\\", "D:\\Salida larga\\"}};
    const CommandLines l =
        f.Build("E:\\Pelis\\Origen largo.mkv", "D:\\Salida larga\\", {{kVideo, true}});
    EXPECT_EQ(l.tracks,
              "quarvel tracks \"E:\\Pelis\\Origen largo.mkv\" 1:\"D:\\Salida larga\"\\Track1.avi ");
    EXPECT_EQ(ListingCommand("C:\\Torvane\\", "C:\\Mis videos\\a.mkv"),
              "C:\\Torvane\\ostrem.exe -i \"C:\\Mis videos\\a.mkv\"");
}
#endif

TEST(CapturedCommands, ListingThroughTheLongFolderChaptersAndTagsThroughTheShortOne) {
    testsupport::TempDir dir;
    const std::string folder = dir.File("");
    const std::string quarvel = ExtractShortPathName(folder) + ToolFileName(kExtractToolName);
    EXPECT_EQ(ListingCommand("/long folder/", "/S/a.mkv"),
              "/long folder/" + ToolFileName(kIdentifyToolName) + " -i /S/a.mkv");
    EXPECT_EQ(ChaptersCommand(folder, "/S/a.mkv", ChapterFormat::Xml),
              quarvel + " chapters /S/a.mkv");
    EXPECT_EQ(ChaptersCommand(folder, "/S/a.mkv", ChapterFormat::SimpleText),
              quarvel + " chapters /S/a.mkv -s");
    EXPECT_EQ(TagsCommand(folder, "/S/a.mkv"), quarvel + " tags /S/a.mkv");
}

}  // namespace
}  // namespace torvane
