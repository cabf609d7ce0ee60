// quarvel's chapters, tags and attachments modes, run as the window runs them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef TORVANE_HAVE_QT_XML
#include <QXmlStreamReader>
#endif

#include <map>

#include "tests/support/EbmlWriter.h"
#include "tests/support/RunProgram.h"
#include "tests/tools/ToolRunner.h"

namespace {

using namespace ebmltest;
using tooltest::Fixture;
using tooltest::ReadBytes;
using tooltest::RunTool;
using tooltest::Tool;

std::string AsString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// The text with every LF turned into the tools' CR LF.
std::string WithCrLf(const std::string& text) {
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
}

// A Matroska file holding one attachment, "big.bin", with `data`.
Bytes OneAttachmentFile(const Bytes& data) {
    return Cat(
        {EbmlHeader(),
         Segment({Info(), Master(kAttachments, {AttachedFile("big.bin", "application/octet-stream",
                                                             data, 1)})})});
}

// (element name, text) of every element that holds text, in document order;
// fails the test when the document is not well-formed XML.
std::vector<std::pair<std::string, std::string>> ParseXml(const std::string& xml) {
    std::vector<std::pair<std::string, std::string>> out;
#ifdef TORVANE_HAVE_QT_XML
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    std::string name;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            name = reader.name().toString().toStdString();
        } else if (token == QXmlStreamReader::Characters && !reader.isWhitespace()) {
            out.emplace_back(name, reader.text().toString().toStdString());
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << xml;
#else
    (void)xml;
    ADD_FAILURE() << "Qt's XML reader is needed to check the XML";
#endif
    return out;
}

std::vector<std::string> ValuesOf(const std::vector<std::pair<std::string, std::string>>& items,
                                  const std::string& element) {
    std::vector<std::string> out;
    for (const auto& [name, text] : items) {
        if (name == element)
            out.push_back(text);
    }
    return out;
}

void ExpectCrLfOnly(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
        }
    }
    if (!text.empty()) {
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}

// Two editions, nested and hidden chapters, a disabled one, escaping.
Bytes ChaptersFile() {
    return Cat(
        {EbmlHeader(),
         Segment({
             Info(),
             Master(kChapters,
                    {
                        Master(kEditionEntry,
                               {
                                   Uint(kEditionUid, 100),
                                   Uint(kEditionFlagDefault, 1),
                                   Atom(1, 0,
                                        {Uint(kChapterTimeEnd, 61500000000),
                                         Display("Intro <1> & \"más\"", {Str(kChapLanguage, "spa"),
                                                                         Str(kChapCountry, "es")}),
                                         Display("Intro", {Str(kChapLanguageBcp47, "en-GB")}),
                                         Atom(2, 30000000000,
                                              {Uint(kChapterFlagHidden, 1),
                                               Display("Line\r\nbreak\x1b[2J")})}),
                                   Atom(3, 3723004005006,
                                        {Uint(kChapterFlagEnabled, 0),
                                         Master(kChapterTrack, {Uint(kChapterTrackUid, 77)})}),
                               }),
                        Master(kEditionEntry,
                               {Uint(kEditionFlagHidden, 1), Uint(kEditionFlagOrdered, 1),
                                Atom(4, 999999999,
                                     {Bin(kChapterSegmentUuid, {0x01, 0xAB}), Display("Otra")})}),
                    }),
         })});
}

TEST(Chapters, XmlOfTwoEditionsWithNestedAndHiddenChaptersIsExact) {
    tooltest::TempDir dir;
    tooltest::WriteBytes(dir.File("c.mkv"), AsString(ChaptersFile()));
    const auto run = RunTool(Tool("quarvel"), {"chapters", dir.File("c.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- <!DOCTYPE Chapters SYSTEM \"matroskachapters.dtd\"> -->\n"
        "<Chapters>\n"
        "  <EditionEntry>\n"
        "    <EditionUID>100</EditionUID>\n"
        "    <EditionFlagHidden>0</EditionFlagHidden>\n"
        "    <EditionFlagDefault>1</EditionFlagDefault>\n"
        "    <EditionFlagOrdered>0</EditionFlagOrdered>\n"
        "    <ChapterAtom>\n"
        "      <ChapterUID>1</ChapterUID>\n"
        "      <ChapterTimeStart>00:00:00.000000000</ChapterTimeStart>\n"
        "      <ChapterTimeEnd>00:01:01.500000000</ChapterTimeEnd>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>1</ChapterFlagEnabled>\n"
        "      <ChapterDisplay>\n"
        "        <ChapterString>Intro &lt;1&gt; &amp; \"más\"</ChapterString>\n"
        "        <ChapterLanguage>spa</ChapterLanguage>\n"
        "        <ChapterCountry>es</ChapterCountry>\n"
        "      </ChapterDisplay>\n"
        "      <ChapterDisplay>\n"
        "        <ChapterString>Intro</ChapterString>\n"
        "        <ChapterLanguage>eng</ChapterLanguage>\n"
        "        <ChapLanguageIETF>en-GB</ChapLanguageIETF>\n"
        "      </ChapterDisplay>\n"
        "      <ChapterAtom>\n"
        "        <ChapterUID>2</ChapterUID>\n"
        "        <ChapterTimeStart>00:00:30.000000000</ChapterTimeStart>\n"
        "        <ChapterFlagHidden>1</ChapterFlagHidden>\n"
        "        <ChapterFlagEnabled>1</ChapterFlagEnabled>\n"
        "        <ChapterDisplay>\n"
        "          <ChapterString>Line&#13;&#10;break[2J</ChapterString>\n"
        "          <ChapterLanguage>eng</ChapterLanguage>\n"
        "        </ChapterDisplay>\n"
        "      </ChapterAtom>\n"
        "    </ChapterAtom>\n"
        "    <ChapterAtom>\n"
        "      <ChapterUID>3</ChapterUID>\n"
        "      <ChapterTimeStart>01:02:03.004005006</ChapterTimeStart>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>0</ChapterFlagEnabled>\n"
        "      <ChapterTrack>\n"
        "        <ChapterTrackNumber>77</ChapterTrackNumber>\n"
        "      </ChapterTrack>\n"
        "    </ChapterAtom>\n"
        "  </EditionEntry>\n"
        "  <EditionEntry>\n"
        "    <EditionFlagHidden>1</EditionFlagHidden>\n"
        "    <EditionFlagDefault>0</EditionFlagDefault>\n"
        "    <EditionFlagOrdered>1</EditionFlagOrdered>\n"
        "    <ChapterAtom>\n"
        "      <ChapterUID>4</ChapterUID>\n"
        "      <ChapterTimeStart>00:00:00.999999999</ChapterTimeStart>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>1</ChapterFlagEnabled>\n"
        "      <ChapterSegmentUID format=\"hex\">01ab</ChapterSegmentUID>\n"
        "      <ChapterDisplay>\n"
        "        <ChapterString>Otra</ChapterString>\n"
        "        <ChapterLanguage>eng</ChapterLanguage>\n"
        "      </ChapterDisplay>\n"
        "    </ChapterAtom>\n"
        "  </EditionEntry>\n"
        "</Chapters>\n";
    EXPECT_EQ(run.out, WithCrLf(expected));
    ParseXml(run.out);
}

TEST(Chapters, SimpleTextFlattensEveryEditionInOrder) {
    tooltest::TempDir dir;
    tooltest::WriteBytes(dir.File("c.mkv"), AsString(ChaptersFile()));
    const auto run = RunTool(Tool("quarvel"), {"chapters", dir.File("c.mkv"), "-s"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Intro <1> & \"más\"\r\n"
              "CHAPTER02=00:00:30.000\r\nCHAPTER02NAME=Line  break?[2J\r\n"
              "CHAPTER03=01:02:03.004\r\nCHAPTER03NAME=\r\n"
              "CHAPTER04=00:00:00.999\r\nCHAPTER04NAME=Otra\r\n");
}

TEST(Chapters, TheFixturesChaptersParseWithTheirTimesAndAccentedTitles) {
    const auto run = RunTool(Tool("quarvel"), {"chapters", Fixture("full.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectCrLfOnly(run.out);
    const auto items = ParseXml(run.out);
    EXPECT_EQ(ValuesOf(items, "ChapterTimeStart"),
              (std::vector<std::string>{"00:00:00.000000000", "00:00:00.500000000",
                                        "00:00:01.250000000"}));
    EXPECT_EQ(ValuesOf(items, "ChapterTimeEnd"),
              (std::vector<std::string>{"00:00:00.500000000", "00:00:01.250000000",
                                        "00:00:02.000000000"}));
    EXPECT_EQ(ValuesOf(items, "ChapterString"),
              (std::vector<std::string>{"Ouverture & générique", "Scène d'été", "Épilogue – fin"}));

    const auto simple = RunTool(Tool("quarvel"), {"chapters", "-s", Fixture("full.mkv")});
    EXPECT_EQ(simple.out,
              "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Ouverture & générique\r\n"
              "CHAPTER02=00:00:00.500\r\nCHAPTER02NAME=Scène d'été\r\n"
              "CHAPTER03=00:00:01.250\r\nCHAPTER03NAME=Épilogue – fin\r\n");
}

TEST(Chapters, AFileWithoutChaptersPrintsNothing) {
    for (const char* flag : {"", "-s"}) {
        std::vector<std::string> args = {"chapters", Fixture("plain.mka")};
        if (*flag)
            args.push_back(flag);
        const auto run = RunTool(Tool("quarvel"), args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
}

TEST(Tags, XmlIsExactAndComplete) {
    tooltest::TempDir dir;
    const Bytes file = Cat(
        {EbmlHeader(),
         Segment({
             Info(),
             Master(kTags, {Master(kTag, {Master(kTargets, {}),
                                          SimpleTagOf(
                                              "TITLE", "Ça & <ok>",
                                              {SimpleTagOf("SORT_WITH", "Ca"),
                                               Str(kTagLanguage, "fre"), Uint(kTagDefault, 1)})})}),
             Cluster(0, {}),
             Master(kTags,
                    {Master(kTag,
                            {Master(kTargets,
                                    {Uint(kTargetTypeValue, 30), Str(kTargetType, "TRACK"),
                                     Uint(kTagTrackUid, 18446744073709551615ull),
                                     Uint(kTagChapterUid, 3), Uint(kTagEditionUid, 4),
                                     Uint(kTagAttachmentUid, 5)}),
                             Master(kSimpleTag,
                                    {Str(kTagName, "COVER"), Bin(kTagBinary, {0x00, 0xFF, 0x10}),
                                     Str(kTagLanguageBcp47, "und"), Uint(kTagDefaultBogus, 0)}),
                             Master(kSimpleTag, {Str(kTagName, "EMPTY"), Str(kTagString, "")})})}),
         })});
    tooltest::WriteBytes(dir.File("t.mkv"), AsString(file));
    const auto run = RunTool(Tool("quarvel"), {"tags", dir.File("t.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- <!DOCTYPE Tags SYSTEM \"matroskatags.dtd\"> -->\n"
        "<Tags>\n"
        "  <Tag>\n"
        "    <Targets/>\n"
        "    <Simple>\n"
        "      <Name>TITLE</Name>\n"
        "      <String>Ça &amp; &lt;ok&gt;</String>\n"
        "      <TagLanguage>fre</TagLanguage>\n"
        "      <DefaultLanguage>1</DefaultLanguage>\n"
        "      <Simple>\n"
        "        <Name>SORT_WITH</Name>\n"
        "        <String>Ca</String>\n"
        "      </Simple>\n"
        "    </Simple>\n"
        "  </Tag>\n"
        "  <Tag>\n"
        "    <Targets>\n"
        "      <TargetTypeValue>30</TargetTypeValue>\n"
        "      <TargetType>TRACK</TargetType>\n"
        "      <TrackUID>18446744073709551615</TrackUID>\n"
        "      <EditionUID>4</EditionUID>\n"
        "      <ChapterUID>3</ChapterUID>\n"
        "      <AttachmentUID>5</AttachmentUID>\n"
        "    </Targets>\n"
        "    <Simple>\n"
        "      <Name>COVER</Name>\n"
        "      <Binary format=\"hex\">00ff10</Binary>\n"
        "      <TagLanguageIETF>und</TagLanguageIETF>\n"
        "      <DefaultLanguage>0</DefaultLanguage>\n"
        "    </Simple>\n"
        "    <Simple>\n"
        "      <Name>EMPTY</Name>\n"
        "      <String></String>\n"
        "    </Simple>\n"
        "  </Tag>\n"
        "</Tags>\n";
    EXPECT_EQ(run.out, WithCrLf(expected));
    ParseXml(run.out);
}

TEST(Tags, TheFixturesGlobalAndPerTrackTagsAreAllThere) {
    const auto run = RunTool(Tool("quarvel"), {"tags", Fixture("full.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectCrLfOnly(run.out);
    const auto items = ParseXml(run.out);
    // Pair each Simple's Name with its String, and note the track it targets.
    std::map<std::string, std::string> global;
    std::map<std::string, std::vector<std::string>> perTrack;
    std::string track, name;
    for (const auto& [element, text] : items) {
        if (element == "TrackUID")
            track = text;
        if (element == "Name")
            name = text;
        if (element == "String") {
            if (track.empty()) {
                global[name] = text;
            } else {
                perTrack[track].push_back(name + "=" + text);
            }
        }
    }
    EXPECT_EQ(global["ARTIST"], "Torvane tests");
    EXPECT_EQ(global["COMMENT"], "Global tag with <angle> & ampersand");
    EXPECT_EQ(perTrack.size(), 6u);
    EXPECT_EQ(perTrack["4"].front(), "LEAD_PERFORMER=Orchester");
    for (const auto& [uid, values] : perTrack) {
        EXPECT_EQ(values.back().rfind("DURATION=00:00:0", 0), 0u) << uid;
    }
}

TEST(Tags, AFileWithoutTagsPrintsNothing) {
    tooltest::TempDir dir;
    tooltest::WriteBytes(
        dir.File("n.mkv"),
        AsString(Cat({EbmlHeader(), Segment({Info(), Tracks({TrackEntry(1, 2, "A_AC3")})})})));
    const auto run = RunTool(Tool("quarvel"), {"tags", dir.File("n.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(Attachments, SeveralInOneCallAreByteIdentical) {
    tooltest::TempDir dir, elsewhere;
    // A link planted at a temporary name of old is never written through.
    tooltest::WriteBytes(elsewhere.File("victim"), "precious");
    std::filesystem::create_symlink(elsewhere.File("victim"),
                                    dir.File("font stub.ttf.quarvel-part"));
    const auto run = RunTool(Tool("quarvel"),
                             {"attachments", Fixture("full.mkv"), "1:" + dir.File("font stub.ttf"),
                              "3:" + dir.File("notes.txt"), "2:" + dir.File("cover.png")});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    EXPECT_EQ(ReadBytes(dir.File("font stub.ttf")), every + every + every + every);
    EXPECT_EQ(ReadBytes(dir.File("notes.txt")), "Notes about the fixture.\nSecond line.\n");
    const std::string png = ReadBytes(dir.File("cover.png"));
    EXPECT_EQ(png.size(), 275u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);
    EXPECT_EQ(ReadBytes(elsewhere.File("victim")), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("font stub.ttf.quarvel-part")));
}

TEST(Attachments, ALargeAttachmentIsCopiedWholeInChunks) {
    tooltest::TempDir dir;
    Bytes data(3 * 1024 * 1024 + 17);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    tooltest::WriteBytes(dir.File("a.mkv"), AsString(OneAttachmentFile(data)));
    tooltest::WriteBytes(dir.File("out.bin"), "old content");
    const auto run =
        RunTool(Tool("quarvel"), {"attachments", dir.File("a.mkv"), "1:" + dir.File("out.bin")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.File("out.bin")), AsString(data));
}

// The temporary files beside `target` in its folder.
size_t PartFilesOf(const std::string& target) {
    const std::filesystem::path t(target);
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(t.parent_path())) {
        n += e.path().filename().string().rfind(t.filename().string() + ".quarvel-part-", 0) == 0;
    }
    return n;
}

TEST(Attachments, ACancelledCopyLeavesNoPartialFileAndKeepsTheOldOne) {
    tooltest::TempDir dir;
    const Bytes data(64 * 1024 * 1024, 0x5A);
    tooltest::WriteBytes(dir.File("a.mkv"), AsString(OneAttachmentFile(data)));
    // Cancel from the console window, and a closed terminal.
    for (int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        tooltest::WriteBytes(dir.File("out.bin"), "old content");
        torvane::testsupport::RunningProgram quarvel(
            Tool("quarvel"), {"attachments", dir.File("a.mkv"), "1:" + dir.File("out.bin")});
        // Signal as soon as the copy has begun.
        for (int i = 0; i < 5000 && PartFilesOf(dir.File("out.bin")) == 0; ++i) {
            usleep(200);
        }
        kill(quarvel.Pid(), signal);
        const auto run = quarvel.Finish();

        EXPECT_EQ(PartFilesOf(dir.File("out.bin")), 0u);
        const std::string out = ReadBytes(dir.File("out.bin"));
        if (run.status == 0) {  // the copy was done before the signal came
            EXPECT_EQ(out.size(), data.size());
        } else {
            EXPECT_EQ(run.status, 2) << run.err;
            EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
            EXPECT_EQ(out, "old content");
        }
    }
}

TEST(Attachments, BadRequestsFailWithoutTouchingOtherFiles) {
    tooltest::TempDir dir;
    const std::string source = dir.File("source.mkv");
    const std::string full = ReadBytes(Fixture("full.mkv"));
    tooltest::WriteBytes(source, full);
    tooltest::WriteBytes(dir.File("keep.txt"), "keep me");
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const auto run =
        RunTool(Tool("quarvel"),
                {"attachments", source, "9:" + dir.File("keep.txt"), "x:" + dir.File("y"),
                 "3:" + dir.File("notes.txt"), "1:" + dir.Path() + "/./notes.txt", "1:" + source,
                 "2:" + dir.File("fifo"), "2:" + dir.File("no such folder") + "/c.png"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadBytes(dir.File("keep.txt")), "keep me");
    EXPECT_EQ(ReadBytes(dir.File("notes.txt")), "Notes about the fixture.\nSecond line.\n");
    EXPECT_EQ(ReadBytes(source), full);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.File("fifo")));
    for (const std::string& message :
         {source + " has no attachment 9 (it has 3)", "'x:" + dir.File("y") + "' is not k:PATH",
          "attachment 1 ('font stub.ttf'): '" + dir.Path() +
              "/./notes.txt' is the output of another attachment already",
          "attachment 1 ('font stub.ttf'): '" + source + "' is the source file itself",
          "attachment 2 ('cover.png'): '" + dir.File("fifo") + "' is not a regular file",
          std::string("attachment 2 ('cover.png'): cannot create")}) {
        EXPECT_NE(run.err.find("quarvel: attachments: " + message), std::string::npos)
            << message << "\n"
            << run.err;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);
}

TEST(Quarvel, HelpVersionAndUsageErrors) {
    const auto help = RunTool(Tool("quarvel"), {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"quarvel tracks FILE n:PATH", "quarvel attachments FILE k:PATH",
                             "quarvel chapters FILE [-s]", "quarvel tags FILE",
                             "hidden and disabled ones included", "Exit status: 0 done"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
    ExpectCrLfOnly(help.out);
    EXPECT_EQ(RunTool(Tool("quarvel"), {"--version"}).out.rfind("quarvel ", 0), 0u);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{},
                                               {"extract"},
                                               {"chapters"},
                                               {"chapters", "-s"},
                                               {"tags"},
                                               {"attachments", Fixture("full.mkv")}}) {
        const auto run = RunTool(Tool("quarvel"), args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("(see --help)"), std::string::npos) << run.err;
    }
}

}  // namespace
