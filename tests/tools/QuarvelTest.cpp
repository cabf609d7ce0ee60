// quarvel's chapters, tags and attachments modes, run as the window runs them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QXmlStreamReader>

#include <algorithm>

#include "tests/support/EbmlWriter.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

using namespace ebmltest;
using namespace torvane::testsupport;

ProgramRun Quarvel(const std::vector<std::string>& args) {
    return RunProgram(Program("quarvel"), args);
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

// Fails the test when `xml` is not a well-formed document.
void ExpectWellFormedXml(const std::string& xml) {
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << xml;
}

// Two editions, nested and hidden chapters, a disabled one, escaping. Control
// characters never reach a terminal: C0 is dropped from the XML (which cannot
// hold it) and C1 written as a character reference; in the simple text both
// become '?'.
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
                                               Display("Line\r\nbreak\x1b[2J\xc2\x9b"
                                                       "1m")})}),
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

// The exact XML, then the simple text flattening every edition in order.
TEST(Chapters, TwoEditionsWithNestedAndHiddenChaptersAsXmlAndSimpleText) {
    TempDir dir;
    WriteBytes(dir.File("c.mkv"), ChaptersFile());
    const auto run = Quarvel({"chapters", dir.File("c.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- <!DOCTYPE Chapters SYSTEM \"matroskachapters.dtd\"> -->\n<Chapters>\n"
        "  <EditionEntry>\n    <EditionUID>100</EditionUID>\n"
        "    <EditionFlagHidden>0</EditionFlagHidden>\n"
        "    <EditionFlagDefault>1</EditionFlagDefault>\n"
        "    <EditionFlagOrdered>0</EditionFlagOrdered>\n    <ChapterAtom>\n"
        "      <ChapterUID>1</ChapterUID>\n"
        "      <ChapterTimeStart>00:00:00.000000000</ChapterTimeStart>\n"
        "      <ChapterTimeEnd>00:01:01.500000000</ChapterTimeEnd>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>1</ChapterFlagEnabled>\n      <ChapterDisplay>\n"
        "        <ChapterString>Intro &lt;1&gt; &amp; \"más\"</ChapterString>\n"
        "        <ChapterLanguage>spa</ChapterLanguage>\n"
        "        <ChapterCountry>es</ChapterCountry>\n      </ChapterDisplay>\n"
        "      <ChapterDisplay>\n        <ChapterString>Intro</ChapterString>\n"
        "        <ChapterLanguage>eng</ChapterLanguage>\n"
        "        <ChapLanguageIETF>en-GB</ChapLanguageIETF>\n      </ChapterDisplay>\n"
        "      <ChapterAtom>\n        <ChapterUID>2</ChapterUID>\n"
        "        <ChapterTimeStart>00:00:30.000000000</ChapterTimeStart>\n"
        "        <ChapterFlagHidden>1</ChapterFlagHidden>\n"
        "        <ChapterFlagEnabled>1</ChapterFlagEnabled>\n        <ChapterDisplay>\n"
        "          <ChapterString>Line&#13;&#10;break[2J&#155;1m</ChapterString>\n"
        "          <ChapterLanguage>eng</ChapterLanguage>\n        </ChapterDisplay>\n"
        "      </ChapterAtom>\n    </ChapterAtom>\n    <ChapterAtom>\n"
        "      <ChapterUID>3</ChapterUID>\n"
        "      <ChapterTimeStart>01:02:03.004005006</ChapterTimeStart>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>0</ChapterFlagEnabled>\n      <ChapterTrack>\n"
        "        <ChapterTrackNumber>77</ChapterTrackNumber>\n      </ChapterTrack>\n"
        "    </ChapterAtom>\n  </EditionEntry>\n  <EditionEntry>\n"
        "    <EditionFlagHidden>1</EditionFlagHidden>\n"
        "    <EditionFlagDefault>0</EditionFlagDefault>\n"
        "    <EditionFlagOrdered>1</EditionFlagOrdered>\n    <ChapterAtom>\n"
        "      <ChapterUID>4</ChapterUID>\n"
        "      <ChapterTimeStart>00:00:00.999999999</ChapterTimeStart>\n"
        "      <ChapterFlagHidden>0</ChapterFlagHidden>\n"
        "      <ChapterFlagEnabled>1</ChapterFlagEnabled>\n"
        "      <ChapterSegmentUID format=\"hex\">01ab</ChapterSegmentUID>\n      <ChapterDisplay>\n"
        "        <ChapterString>Otra</ChapterString>\n"
        "        <ChapterLanguage>eng</ChapterLanguage>\n      </ChapterDisplay>\n"
        "    </ChapterAtom>\n  </EditionEntry>\n"
        "</Chapters>\n";
    EXPECT_EQ(run.out, WithCrLf(expected));
    ExpectWellFormedXml(run.out);
    const auto simple = Quarvel({"chapters", dir.File("c.mkv"), "-s"});
    EXPECT_EQ(simple.status, 0) << simple.err;
    EXPECT_EQ(simple.out,
              "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Intro <1> & \"más\"\r\n"
              "CHAPTER02=00:00:30.000\r\nCHAPTER02NAME=Line  break?[2J?1m\r\n"
              "CHAPTER03=01:02:03.004\r\nCHAPTER03NAME=\r\n"
              "CHAPTER04=00:00:00.999\r\nCHAPTER04NAME=Otra\r\n");
}

// The real fixture, with its accented titles, in the simple form.
TEST(Chapters, TheFixturesChaptersInTheSimpleForm) {
    const auto simple = Quarvel({"chapters", "-s", Fixture("full.mkv")});
    EXPECT_EQ(simple.status, 0) << simple.err;
    EXPECT_EQ(simple.out,
              "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Ouverture & générique\r\n"
              "CHAPTER02=00:00:00.500\r\nCHAPTER02NAME=Scène d'été\r\n"
              "CHAPTER03=00:00:01.250\r\nCHAPTER03NAME=Épilogue – fin\r\n");
}

TEST(Quarvel, AFileWithoutChaptersOrTagsPrintsNothing) {
    TempDir dir;
    const std::string file = dir.File("n.mkv");
    WriteBytes(file, Cat({EbmlHeader(), Segment({Info(), Tracks({TrackEntry(1, 2, "A_AC3")})})}));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"chapters", file}, {"chapters", file, "-s"}, {"tags", file}}) {
        const auto run = Quarvel(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out + run.err, "") << args.back();
    }
}

TEST(Tags, XmlIsExactAndComplete) {
    TempDir dir;
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
    WriteBytes(dir.File("t.mkv"), file);
    const auto run = Quarvel({"tags", dir.File("t.mkv")});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- <!DOCTYPE Tags SYSTEM \"matroskatags.dtd\"> -->\n<Tags>\n  <Tag>\n    <Targets/>\n"
        "    <Simple>\n      <Name>TITLE</Name>\n      <String>Ça &amp; &lt;ok&gt;</String>\n"
        "      <TagLanguage>fre</TagLanguage>\n      <DefaultLanguage>1</DefaultLanguage>\n"
        "      <Simple>\n        <Name>SORT_WITH</Name>\n        <String>Ca</String>\n"
        "      </Simple>\n    </Simple>\n  </Tag>\n  <Tag>\n    <Targets>\n"
        "      <TargetTypeValue>30</TargetTypeValue>\n      <TargetType>TRACK</TargetType>\n"
        "      <TrackUID>18446744073709551615</TrackUID>\n      <EditionUID>4</EditionUID>\n"
        "      <ChapterUID>3</ChapterUID>\n      <AttachmentUID>5</AttachmentUID>\n    </Targets>\n"
        "    <Simple>\n      <Name>COVER</Name>\n      <Binary format=\"hex\">00ff10</Binary>\n"
        "      <TagLanguageIETF>und</TagLanguageIETF>\n      <DefaultLanguage>0</DefaultLanguage>\n"
        "    </Simple>\n    <Simple>\n      <Name>EMPTY</Name>\n      <String></String>\n"
        "    </Simple>\n  </Tag>\n"
        "</Tags>\n";
    EXPECT_EQ(run.out, WithCrLf(expected));
    ExpectWellFormedXml(run.out);
}

TEST(Attachments, SeveralInOneCallAreByteIdentical) {
    TempDir dir;
    const auto run = Quarvel({"attachments", Fixture("full.mkv"), "1:" + dir.File("font stub.ttf"),
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST(Attachments, ALargeAttachmentIsCopiedWholeInChunks) {
    TempDir dir;
    Bytes data(3 * 1024 * 1024 + 17);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    WriteBytes(dir.File("a.mkv"), OneAttachmentFile(data));
    WriteBytes(dir.File("out.bin"), "old content");
    const auto run = Quarvel({"attachments", dir.File("a.mkv"), "1:" + dir.File("out.bin")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadOctets(dir.File("out.bin")), data);
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
    TempDir dir;
    const Bytes data(size_t{64} * 1024 * 1024, 0x5A);
    WriteBytes(dir.File("a.mkv"), OneAttachmentFile(data));
    // Cancel from the console window, and a closed terminal.
    for (int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        WriteBytes(dir.File("out.bin"), "old content");
        RunningProgram quarvel(Program("quarvel"),
                               {"attachments", dir.File("a.mkv"), "1:" + dir.File("out.bin")});
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
    TempDir dir;
    const std::string source = dir.File("source.mkv");
    const std::string full = ReadBytes(Fixture("full.mkv"));
    WriteBytes(source, full);
    WriteBytes(dir.File("keep.txt"), "keep me");
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const auto run =
        Quarvel({"attachments", source, "9:" + dir.File("keep.txt"), "x:" + dir.File("y"),
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

// Names from the file reach standard error cleaned as they reach the listing.
TEST(Attachments, NamesFromTheFileAreCleanedInMessages) {
    TempDir dir;
    const std::string name = "evil\x1b]0;owned\x07\xc2\x9b.txt";
    WriteBytes(dir.File("a.mkv"),
               Cat({EbmlHeader(),
                    Segment({Info(), Master(kAttachments,
                                            {AttachedFile(name, "text/plain", {1, 2}, 1),
                                             Master(kAttachedFile, {Str(kFileName, name)})})})}));
    const auto run = Quarvel({"attachments", dir.File("a.mkv"), "1:" + dir.File("no/x.txt")});
    EXPECT_EQ(run.status, 2);
    // In a write error, and in the reader's warning about the second.
    for (const std::string& message :
         {std::string(
              "quarvel: attachments: attachment 1 ('evil?]0;owned??.txt'): cannot create '") +
              dir.File("no/x.txt") + "': ",
          std::string(": AttachedFile 'evil?]0;owned??.txt' has no whole FileData; left out\n")}) {
        EXPECT_NE(run.err.find(message), std::string::npos) << message << "\n" << run.err;
    }
}

// The listing, the chapters and the tags are the result: when they cannot all
// be written, the run fails with the reason, as a script must know.
TEST(StandardOutput, AResultThatCannotBeWrittenFailsTheRun) {
    const std::string file = Fixture("full.mkv");
    const std::vector<std::vector<std::string>> runs = {
        {"ostrem", "-i", file},
        {"quarvel", "chapters", file},
        {"quarvel", "chapters", file, "-s"},
        {"quarvel", "tags", file},
        {"ostrem", "--help"},
    };
    struct Output {
        const char* name;
        RunOptions options;
        std::string reason;
    };
    const Output outputs[] = {
        {"a full disk", {.outputPath = "/dev/full"}, "No space left on device"},
        {"closed", {.closed = {1}}, "Bad file descriptor"},
        {"a reader gone, SIGPIPE ignored",
         {.readerGone = true, .sigpipeIgnored = true},
         "Broken pipe"},
    };
    for (const Output& output : outputs) {
        for (const auto& argv : runs) {
            SCOPED_TRACE(argv[1] + " to " + output.name);
            const auto run =
                RunProgram(Program(argv[0]), {argv.begin() + 1, argv.end()}, output.options);
            EXPECT_EQ(run.signal, 0);
            EXPECT_EQ(run.status, 2) << run.err;
            EXPECT_EQ(run.err,
                      argv[0] + ": cannot write to standard output: " + output.reason + "\n");
        }
    }
}

TEST(Quarvel, HelpVersionAndUsageErrors) {
    const auto help = Quarvel({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text :
         {"quarvel tracks FILE n:PATH", "quarvel timestamps FILE n:PATH",
          "tracks also takes --timestamps n:PATH", "quarvel attachments FILE k:PATH",
          "quarvel chapters FILE [-s]", "quarvel tags FILE", "hidden and disabled ones included",
          "Exit status: 0 done"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
    std::string lf = help.out;
    std::erase(lf, '\r');
    EXPECT_EQ(WithCrLf(lf), help.out);
    EXPECT_EQ(Quarvel({"--version"}).out.rfind("quarvel ", 0), 0u);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{},
                                               {"extract"},
                                               {"chapters"},
                                               {"chapters", "-s"},
                                               {"tags"},
                                               {"timestamps", Fixture("full.mkv")},
                                               {"attachments", Fixture("full.mkv")}}) {
        const auto run = Quarvel(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("(see --help)"), std::string::npos) << run.err;
    }
}

}  // namespace
