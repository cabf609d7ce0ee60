// Reading Info, Tracks, Attachments, Chapters and Tags from inline bytes.
#include <gtest/gtest.h>

#include "tests/matroska/Helpers.h"

namespace {

using namespace ebmltest;
using mkvtest::FileOf;
using mkvtest::OpenBytes;

TEST(Metadata, InfoAndEveryTrackField) {
    const Bytes file = FileOf({
        Master(kInfo,
               {Uint(kTimestampScale, 100000), Float(kDuration, 1234.5), Str(kTitle, "Título")}),
        Tracks({
            TrackEntry(1, 1, "V_MPEG4/ISO/AVC",
                       {Bin(kCodecPrivate, {1, 2, 3}), Uint(kDefaultDuration, 41708333),
                        Master(kVideo, {Uint(kPixelWidth, 1920), Uint(kPixelHeight, 1080),
                                        Uint(kDisplayWidth, 1440), Uint(kDisplayHeight, 1080)})}),
            TrackEntry(2, 2, "A_AAC",
                       {Str(kLanguage, "spa"), Str(kLanguageBcp47, "es-MX"), Str(kName, "Español"),
                        Uint(kFlagDefault, 0), Uint(kFlagForced, 1), Uint(kFlagEnabled, 0),
                        Master(kAudio, {Float(kSamplingFrequency, 24000),
                                        Float(kOutputSamplingFrequency, 48000), Uint(kChannels, 6),
                                        Uint(kBitDepth, 16)})}),
        }),
    });
    auto r = OpenBytes(file);
    ASSERT_FALSE(r->Fatal()) << r->Fatal()->ToString();
    EXPECT_TRUE(r->Problems().empty()) << mkvtest::Problems(*r);
    EXPECT_EQ(r->DocType(), "matroska");
    EXPECT_EQ(r->Info().timestampScale, 100000u);
    EXPECT_EQ(r->Info().duration.value(), 1234.5);
    EXPECT_EQ(r->Info().title, "Título");
    ASSERT_EQ(r->Tracks().size(), 2u);
    const mkv::Track& v = r->Tracks()[0];
    EXPECT_EQ(v.position, 1u);
    EXPECT_EQ(v.number, 1u);
    EXPECT_EQ(v.uid, 1001u);
    EXPECT_EQ(v.type, mkv::kTrackVideo);
    EXPECT_EQ(v.codecPrivate, (Bytes{1, 2, 3}));
    EXPECT_EQ(v.defaultDuration.value(), 41708333u);
    ASSERT_TRUE(v.video);
    EXPECT_EQ(v.video->pixelWidth, 1920u);
    EXPECT_EQ(v.video->displayWidth, 1440u);
    EXPECT_EQ(v.language, "eng");  // absent: the format's default
    EXPECT_TRUE(v.flagDefault && v.flagEnabled && !v.flagForced);
    const mkv::Track& a = r->Tracks()[1];
    EXPECT_EQ(a.position, 2u);
    EXPECT_EQ(a.DisplayLanguage(), "es-MX");
    EXPECT_EQ(a.language, "spa");
    EXPECT_EQ(a.name, "Español");
    EXPECT_TRUE(!a.flagDefault && a.flagForced && !a.flagEnabled);
    ASSERT_TRUE(a.audio);
    EXPECT_EQ(a.audio->samplingFrequency, 24000.0);
    EXPECT_EQ(a.audio->outputSamplingFrequency.value(), 48000.0);
    EXPECT_EQ(a.audio->channels, 6u);
    EXPECT_EQ(a.audio->bitDepth.value(), 16u);
    EXPECT_EQ(r->FindTrack(2), &a);
    EXPECT_EQ(r->FindTrack(9), nullptr);
}

TEST(Metadata, EmptyElementsTakeTheirDefaultsAndOddFloatsAreIgnored) {
    const Bytes file = FileOf({
        Info(),
        Tracks(
            {TrackEntry(1, 2, "A_PCM/INT/LIT",
                        {Empty(kFlagDefault), Empty(kFlagEnabled), Empty(kLanguage),
                         Master(kAudio, {Empty(kSamplingFrequency), Empty(kChannels)})}),
             TrackEntry(2, 2, "A_OPUS", {Master(kAudio, {Element(kSamplingFrequency, {1, 2, 3})})}),
             TrackEntry(3, 1, "V_VP9",
                        {Master(kVideo, {Uint(kPixelWidth, 640), Uint(kPixelHeight, 480),
                                         Uint(0x54CC, 10), Uint(0x54DD, 30)})})}),
    });
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Tracks().size(), 3u);
    const mkv::Track& t = r->Tracks()[0];
    EXPECT_TRUE(t.flagDefault && t.flagEnabled);
    EXPECT_EQ(t.language, "eng");
    EXPECT_EQ(t.audio->samplingFrequency, 8000.0);
    EXPECT_EQ(t.audio->channels, 1u);
    EXPECT_EQ(r->Tracks()[1].audio->samplingFrequency, 8000.0);
    EXPECT_TRUE(mkvtest::HasProblem(*r, "a float of 3 bytes is not valid"));
    // Display size defaults to the cropped pixel size.
    EXPECT_EQ(r->Tracks()[2].video->displayWidth * 1000 + r->Tracks()[2].video->displayHeight,
              600480u);
}

TEST(Metadata, ContentEncodingsKeepOrderScopeAndSettings) {
    const Bytes file = FileOf({
        Info(),
        Tracks({TrackEntry(1, 17, "S_VOBSUB",
                           {Master(kContentEncodings,
                                   {Master(kContentEncoding, {Uint(kContentEncodingOrder, 1),
                                                              Uint(kContentEncodingScope, 3),
                                                              Master(kContentCompression, {})}),
                                    Master(kContentEncoding,
                                           {Master(kContentCompression,
                                                   {Uint(kContentCompAlgo, 3),
                                                    Bin(kContentCompSettings, {0x0B, 0x77})})})})}),
                TrackEntry(
                    2, 2, "A_AAC",
                    {Master(kContentEncodings,
                            {Master(kContentEncoding,
                                    {Uint(kContentEncodingType, 1),
                                     Master(kContentEncryption, {Uint(kContentEncAlgo, 5)})})})})}),
    });
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Tracks().size(), 2u);
    const auto& enc = r->Tracks()[0].contentEncodings;
    ASSERT_EQ(enc.size(), 2u);
    EXPECT_EQ(enc[0].order, 1u);
    EXPECT_EQ(enc[0].scope, 3u);
    EXPECT_TRUE(enc[0].hasCompression);
    EXPECT_EQ(enc[0].compAlgo, 0u);  // zlib when the algorithm is absent
    EXPECT_EQ(enc[1].order, 0u);
    EXPECT_EQ(enc[1].scope, 1u);
    EXPECT_EQ(enc[1].compAlgo, 3u);
    EXPECT_EQ(enc[1].compSettings, (Bytes{0x0B, 0x77}));
    EXPECT_TRUE(!r->Tracks()[0].Encrypted() && r->Tracks()[1].Encrypted());
    EXPECT_EQ(r->Tracks()[1].contentEncodings[0].encAlgo, 5u);
}

TEST(Metadata, AttachmentsGiveWhereTheirDataIs) {
    const Bytes data = {0, 1, 2, 0x0D, 0x0A, 0xFF};
    const Bytes file = FileOf(
        {Info(), Master(kAttachments, {AttachedFile("a b.ttf", "font/ttf", data, 7),
                                       Master(kAttachedFile, {Str(kFileName, "no data")})})});
    auto r = OpenBytes(file);
    ASSERT_EQ(r->Attachments().size(), 1u);
    const mkv::Attachment& a = r->Attachments()[0];
    EXPECT_EQ(a.name, "a b.ttf");
    EXPECT_EQ(a.mediaType, "font/ttf");
    EXPECT_EQ(a.uid, 7u);
    ASSERT_EQ(a.dataSize, data.size());
    Bytes copy(data.size());
    EXPECT_EQ(r->Source().ReadAt(a.dataOffset, copy.data(), copy.size()), copy.size());
    EXPECT_EQ(copy, data);
    EXPECT_TRUE(mkvtest::HasProblem(*r, "AttachedFile 'no data' has no whole FileData"));
}

TEST(Metadata, ChaptersKeepEditionsNestingFlagsAndDisplays) {
    const Bytes file = FileOf({
        Info(),
        Master(
            kChapters,
            {Master(kEditionEntry,
                    {Uint(kEditionUid, 11), Uint(kEditionFlagDefault, 1),
                     Atom(1, 0,
                          {Uint(kChapterTimeEnd, 5000000000),
                           Display("Un", {Str(kChapLanguage, "fre"), Str(kChapLanguage, "fra"),
                                          Str(kChapCountry, "fr")}),
                           Display("One"), Atom(2, 1000000000, {Uint(kChapterFlagHidden, 1)})}),
                     Atom(3, 5000000000, {Uint(kChapterFlagEnabled, 0)})}),
             Master(kEditionEntry, {Uint(kEditionFlagHidden, 1), Uint(kEditionFlagOrdered, 1),
                                    Atom(4, 0,
                                         {Master(kChapterTrack, {Uint(kChapterTrackUid, 5),
                                                                 Uint(kChapterTrackUid, 6)})})})}),
    });
    auto r = OpenBytes(file);
    ASSERT_TRUE(r->GetChapters());
    const auto& eds = r->GetChapters()->editions;
    ASSERT_EQ(eds.size(), 2u);
    EXPECT_EQ(eds[0].uid.value(), 11u);
    EXPECT_TRUE(eds[0].flagDefault && !eds[0].flagHidden);
    ASSERT_EQ(eds[0].atoms.size(), 2u);
    const mkv::ChapterAtom& first = eds[0].atoms[0];
    EXPECT_EQ(first.timeEnd.value(), 5000000000u);
    ASSERT_EQ(first.displays.size(), 2u);
    EXPECT_EQ(first.displays[0].string, "Un");
    EXPECT_EQ(first.displays[0].languages, (std::vector<std::string>{"fre", "fra"}));
    EXPECT_EQ(first.displays[0].countries, (std::vector<std::string>{"fr"}));
    ASSERT_EQ(first.children.size(), 1u);
    EXPECT_TRUE(first.children[0].flagHidden);
    EXPECT_EQ(first.children[0].timeStart, 1000000000u);
    EXPECT_FALSE(eds[0].atoms[1].flagEnabled);
    EXPECT_TRUE(eds[1].flagHidden && eds[1].flagOrdered);
    EXPECT_FALSE(eds[1].uid);
    EXPECT_EQ(eds[1].atoms[0].trackUids, (std::vector<uint64_t>{5, 6}));
}

TEST(Metadata, EveryTagsElementIsMergedInFileOrder) {
    const Bytes file = FileOf({
        Info(),
        Master(kTags,
               {Master(kTag, {Master(kTargets, {}), SimpleTagOf("TITLE", "Uno",
                                                                {SimpleTagOf("SORT_WITH", "1"),
                                                                 Str(kTagLanguage, "spa")})})}),
        Cluster(0, {}),
        Master(kTags,
               {Master(kTag,
                       {Master(kTargets, {Uint(kTargetTypeValue, 30), Str(kTargetType, "TRACK"),
                                          Uint(kTagTrackUid, 1001), Uint(kTagAttachmentUid, 9)}),
                        Master(kSimpleTag, {Str(kTagName, "COVER"), Bin(kTagBinary, {0xDE, 0xAD}),
                                            Uint(kTagDefaultBogus, 0)})})}),
    });
    auto r = OpenBytes(file);
    ASSERT_TRUE(r->GetTags());
    const auto& tags = r->GetTags()->tags;
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_FALSE(tags[0].targetTypeValue);
    ASSERT_EQ(tags[0].simpleTags.size(), 1u);
    EXPECT_EQ(tags[0].simpleTags[0].string.value(), "Uno");
    EXPECT_EQ(tags[0].simpleTags[0].language.value(), "spa");
    ASSERT_EQ(tags[0].simpleTags[0].children.size(), 1u);
    EXPECT_EQ(tags[0].simpleTags[0].children[0].name, "SORT_WITH");
    EXPECT_EQ(tags[1].targetTypeValue.value(), 30u);
    EXPECT_EQ(tags[1].targetType.value(), "TRACK");
    EXPECT_EQ(tags[1].trackUids, (std::vector<uint64_t>{1001}));
    EXPECT_EQ(tags[1].attachmentUids, (std::vector<uint64_t>{9}));
    EXPECT_EQ(tags[1].simpleTags[0].binary.value(), (Bytes{0xDE, 0xAD}));
    EXPECT_FALSE(tags[1].simpleTags[0].string);
    EXPECT_EQ(tags[1].simpleTags[0].tagDefault.value(), 0u);  // the old TagDefault ID
}

// Regression: with only Tags asked for, the first Tags element used to end
// the search, losing those written after the Clusters.
TEST(Metadata, TagsAfterTheClustersAreMergedWhenOnlyTagsAreAskedFor) {
    const Bytes tags = Master(kTags, {Master(kTag, {SimpleTagOf("N", "v")})});
    auto r = OpenBytes(FileOf({Info(), tags, Cluster(0, {}), tags, Cluster(1, {}), tags}),
                       mkv::kSectionTags);
    ASSERT_TRUE(r->GetTags());
    EXPECT_EQ(r->GetTags()->tags.size(), 3u);
}

TEST(Metadata, AbsentChaptersAndTagsAreEmptyNotPresent) {
    auto r = OpenBytes(FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")})}));
    EXPECT_TRUE(!r->GetChapters() && !r->GetTags() && r->Attachments().empty());
}

TEST(Metadata, OnlyTheSectionsAskedForAreRead) {
    auto r = OpenBytes(FileOf({Info(), Tracks({TrackEntry(1, 2, "A_AC3")}),
                               Master(kChapters, {Master(kEditionEntry, {Atom(1, 0)})})}),
                       mkv::kSectionChapters);
    EXPECT_TRUE(r->Tracks().empty() && r->GetChapters());
}

TEST(Metadata, CrcIsCheckedAndVoidPassedOver) {
    const Bytes good =
        FileOf({Void(20), MasterWithCrc(kInfo, {Uint(kTimestampScale, 1000000), Void(3)}),
                MasterWithCrc(kTracks, {Void(12), TrackEntry(1, 2, "A_AC3", {Void(2)})})});
    auto r = OpenBytes(good);
    EXPECT_TRUE(r->Problems().empty()) << mkvtest::Problems(*r);
    ASSERT_EQ(r->Tracks().size(), 1u);
    EXPECT_EQ(r->Tracks()[0].codecId, "A_AC3");

    const Bytes bad = FileOf({Info(), MasterWithCrc(kTracks, {TrackEntry(1, 2, "A_AC3")}, true)});
    auto b = OpenBytes(bad);
    EXPECT_TRUE(mkvtest::HasProblem(*b, "CRC-32 of Tracks does not match"))
        << mkvtest::Problems(*b);
    ASSERT_EQ(b->Tracks().size(), 1u);  // the data is used all the same
}

TEST(Metadata, WebmIsAcceptedOtherDocTypesAreNot) {
    auto w = OpenBytes(Cat({EbmlHeader("webm"), Segment({Info()})}));
    EXPECT_FALSE(w->Fatal());
    EXPECT_EQ(w->DocType(), "webm");
    auto o = OpenBytes(Cat({EbmlHeader("other"), Segment({Info()})}));
    ASSERT_TRUE(o->Fatal());
    EXPECT_EQ(o->Fatal()->message,
              "not a Matroska file: DocType is 'other', expected 'matroska' or 'webm'");
    auto newer = OpenBytes(Cat({EbmlHeader("matroska", 5), Segment({Info()})}));
    EXPECT_FALSE(newer->Fatal());
    EXPECT_TRUE(mkvtest::HasProblem(*newer, "DocTypeReadVersion 5 is newer than this reader"));
}

}  // namespace
