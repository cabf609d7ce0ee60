// Whole runs of `quarvel tracks` on files written by FFmpeg, each output read
// back by FFmpeg's own demuxers and compared with the source track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "tests/oracle/Oracle.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace {

namespace oracle = torvane::oracle;
using namespace torvane::testsupport;
using Bytes = std::vector<uint8_t>;

std::string Codec(const std::string& name) {
    return Fixture("codecs/" + name);
}

oracle::Media Demux(const std::string& path, const std::string& format = "") {
    std::string error;
    auto media = oracle::Read(path, {.format = format}, &error);
    EXPECT_TRUE(media.has_value()) << error;
    if (!media || media->streams.empty()) {
        ADD_FAILURE() << path << ": no stream";
        media.emplace().streams.resize(1);
    }
    return *media;
}

std::string FixtureName(const ::testing::TestParamInfo<std::string>& p) {
    return p.param.substr(0, p.param.find('.'));
}

class TracksOracle : public ::testing::TestWithParam<std::string> {
  protected:
    // Extracts track 1 of the fixture to `name` and returns the output's path.
    std::string Extract(const std::string& fixture, const std::string& name) {
        const std::string out = dir_.File(name);
        ProgramRun r = RunProgram(Program("quarvel"), {"tracks", Codec(fixture), "1:" + out});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return out;
    }
    TempDir dir_;
};

// ---- raw elementary streams: the file is the frames back to back ----------

class RawStreams : public TracksOracle {};

TEST_P(RawStreams, FileIsTheFramesBackToBack) {
    const oracle::Media src = Demux(Codec(GetParam()));
    const std::string out = Extract(GetParam(), "Track1.raw");
    EXPECT_EQ(ReadOctets(out), oracle::Concat(src.streams[0]));
    const oracle::Media got = Demux(out);
    EXPECT_EQ(got.streams[0].codecName, src.streams[0].codecName);
}

INSTANTIATE_TEST_SUITE_P(Audio, RawStreams,
                         ::testing::Values("ac3.mka", "eac3.mka", "dts.mka", "truehd.mka",
                                           "mp2.mka", "mp3.mka"),
                         FixtureName);

class MpegVideo : public TracksOracle {};

TEST_P(MpegVideo, FramesWithTheSequenceHeaderInFront) {
    const oracle::Media src = Demux(Codec(GetParam()));
    const std::string out = Extract(GetParam(), "Track1.m2v");
    const Bytes file = ReadOctets(out);
    const Bytes frames = oracle::Concat(src.streams[0]);
    Bytes withHeader = src.streams[0].extradata;
    withHeader.insert(withHeader.end(), frames.begin(), frames.end());
    EXPECT_TRUE(file == frames || file == withHeader);
    const oracle::Media got = Demux(out);
    EXPECT_EQ(got.streams[0].codecName, src.streams[0].codecName);
    EXPECT_EQ(got.streams[0].width, src.streams[0].width);
    EXPECT_EQ(oracle::Concat(got.streams[0]).size(), file.size());
}

INSTANTIATE_TEST_SUITE_P(Video, MpegVideo,
                         ::testing::Values("mpeg1.mkv", "mpeg2.mkv", "mpeg4asp.mkv"), FixtureName);

TEST_F(TracksOracle, FlacKeepsStreamInfoAndFrames) {
    const oracle::Media src = Demux(Codec("flac.mka"));
    const oracle::Media got = Demux(Extract("flac.mka", "Track1.flac"));
    EXPECT_EQ(got.streams[0].codecName, "flac");
    EXPECT_EQ(got.streams[0].extradata, src.streams[0].extradata);
    EXPECT_EQ(oracle::Concat(got.streams[0]), oracle::Concat(src.streams[0]));
}

// ---- AAC to ADTS: the frames come back once the 7-octet headers are removed --

TEST_F(TracksOracle, AacBecomesAdts) {
    const oracle::Media src = Demux(Codec("aac.mka"));
    const std::string out = Extract("aac.mka", "Track1.aac");
    const Bytes file = ReadOctets(out);
    Bytes payload;
    size_t frames = 0;
    for (size_t pos = 0; pos + 7 <= file.size(); ++frames) {
        ASSERT_EQ(file[pos], 0xFF);
        ASSERT_EQ(file[pos + 1] & 0xF7, 0xF1);  // sync, layer 0, no CRC
        const size_t len =
            ((file[pos + 3] & 3) << 11) | (file[pos + 4] << 3) | (file[pos + 5] >> 5);
        ASSERT_GE(len, 7u);
        ASSERT_LE(pos + len, file.size());
        payload.insert(payload.end(), file.begin() + pos + 7, file.begin() + pos + len);
        pos += len;
    }
    EXPECT_EQ(frames, src.streams[0].packets.size());
    EXPECT_EQ(payload, oracle::Concat(src.streams[0]));
    const oracle::Media got = Demux(out);
    EXPECT_EQ(got.streams[0].codecName, "aac");
    EXPECT_EQ(got.streams[0].sampleRate, src.streams[0].sampleRate);
    EXPECT_EQ(got.streams[0].channels, src.streams[0].channels);
}

// ---- AVC and HEVC: Annex B start codes back to NAL units --------------------

std::vector<Bytes> NalsFromLengths(const oracle::Stream& s, size_t lengthSize) {
    std::vector<Bytes> nals;
    for (const oracle::Packet& p : s.packets) {
        for (size_t pos = 0; pos + lengthSize <= p.data.size();) {
            size_t len = 0;
            for (size_t i = 0; i < lengthSize; ++i) {
                len = (len << 8) | p.data[pos++];
            }
            nals.emplace_back(p.data.begin() + pos, p.data.begin() + pos + len);
            pos += len;
        }
    }
    return nals;
}

std::vector<Bytes> NalsFromAnnexB(const Bytes& b) {
    std::vector<Bytes> nals;
    const Bytes startCode = {0, 0, 1};
    auto at = std::search(b.begin(), b.end(), startCode.begin(), startCode.end());
    while (at != b.end()) {
        const auto from = at + 3;
        at = std::search(from, b.end(), startCode.begin(), startCode.end());
        auto to = at;
        while (to != b.end() && to > from && *(to - 1) == 0) {
            --to;  // a four-octet start code, or trailing zeros
        }
        nals.emplace_back(from, to);
    }
    return nals;
}

class AnnexB : public TracksOracle {};

// The units of the configuration record (parameter sets, SEI) open the
// stream and come again before random-access frames; the others are the
// frames' own, in order.
TEST_P(AnnexB, NalUnitsComeBackWithParameterSetsFirst) {
    const oracle::Stream s = Demux(Codec(GetParam())).streams[0];
    const size_t lengthSize = (s.extradata.at(GetParam() == "hevc.mkv" ? 21 : 4) & 3) + 1;
    const std::string out = Extract(GetParam(), "Track1.h26x");
    const std::vector<Bytes> got = NalsFromAnnexB(ReadOctets(out));
    auto fromConfig = [&s](const Bytes& nal) {
        return std::search(s.extradata.begin(), s.extradata.end(), nal.begin(), nal.end()) !=
               s.extradata.end();
    };
    auto frames = [&](std::vector<Bytes> nals) {
        std::erase_if(nals, fromConfig);
        return nals;
    };
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(fromConfig(got[0])) << "the stream must open with the configuration's units";
    EXPECT_TRUE(frames(got) == frames(NalsFromLengths(s, lengthSize)));
    const oracle::Stream dem = Demux(out).streams[0];
    EXPECT_EQ(dem.codecName + " " + std::to_string(dem.width) + "x" + std::to_string(dem.height),
              s.codecName + " " + std::to_string(s.width) + "x" + std::to_string(s.height));
}

INSTANTIATE_TEST_SUITE_P(Video, AnnexB, ::testing::Values("h264.mkv", "hevc.mkv"), FixtureName);

// ---- IVF: one packet per frame, with its time ---------------------------------

class Ivf : public TracksOracle {};

TEST_P(Ivf, PacketsAndTimesMatch) {
    const oracle::Media src = Demux(Codec(GetParam()));
    const oracle::Media got = Demux(Extract(GetParam(), "Track1.ivf"), "ivf");
    const auto& a = src.streams[0].packets;
    const auto& b = got.streams[0].packets;
    EXPECT_EQ(got.streams[0].codecName, src.streams[0].codecName);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        Bytes data = b[i].data;
        if (GetParam() == "av1.mkv" && data.size() >= 2 && data[0] == 0x12 && data[1] == 0) {
            data.erase(data.begin(), data.begin() + 2);  // the temporal delimiter we add
        }
        EXPECT_EQ(data, a[i].data) << "frame " << i;
        EXPECT_EQ(b[i].ptsNs, a[i].ptsNs) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Video, Ivf, ::testing::Values("vp8.webm", "vp9.webm", "av1.mkv"),
                         FixtureName);

// ---- WAV: the samples, little-endian ------------------------------------------

class Wav : public TracksOracle {};

TEST_P(Wav, SamplesMatch) {
    const oracle::Media src = Demux(Codec(GetParam()));
    const oracle::Media got = Demux(Extract(GetParam(), "Track1.wav"));
    Bytes want = oracle::Concat(src.streams[0]);
    const size_t swap = GetParam() == "pcm_s16be.mka" ? 2 : GetParam() == "pcm_s32be.mka" ? 4 : 0;
    for (size_t i = 0; swap && i + swap <= want.size(); i += swap) {
        std::reverse(want.begin() + i, want.begin() + i + swap);
    }
    EXPECT_EQ(oracle::Concat(got.streams[0]), want);
    EXPECT_EQ(got.streams[0].sampleRate, src.streams[0].sampleRate);
    EXPECT_EQ(got.streams[0].channels, src.streams[0].channels);
    if (!swap) {
        EXPECT_EQ(got.streams[0].codecName, src.streams[0].codecName);
    }
}

INSTANTIATE_TEST_SUITE_P(Audio, Wav,
                         ::testing::Values("pcm_s16le.mka", "pcm_s24le.mka", "pcm_u8.mka",
                                           "pcm_f32le.mka", "pcm_s16be.mka", "pcm_s32be.mka",
                                           "acm_alaw.mka"),
                         FixtureName);

// ---- subtitles: events by time and text -----------------------------------------

struct Event {
    int64_t start, duration;
    std::string text;
    auto operator<=>(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << e.start << "+" << e.duration << " '" << e.text << "'";
}

// Text with LF line ends and no trailing break; for SSA/ASS without ReadOrder.
std::vector<Event> Events(const oracle::Stream& s, bool dropReadOrder) {
    std::vector<Event> events;
    for (const oracle::Packet& p : s.packets) {
        std::string t(p.data.begin(), p.data.end());
        for (size_t at; (at = t.find("\r\n")) != std::string::npos;) {
            t.erase(at, 1);
        }
        while (!t.empty() && t.back() == '\n') {
            t.pop_back();
        }
        if (dropReadOrder) {
            t = t.substr(t.find(',') + 1);
        }
        events.push_back({p.ptsNs, p.durationNs, t});
    }
    std::sort(events.begin(), events.end());
    return events;
}

class TextSubtitles : public TracksOracle {};

TEST_P(TextSubtitles, EventsByTimeAndText) {
    const std::string format = GetParam().substr(0, GetParam().find('.'));
    const oracle::Media src = Demux(Codec(GetParam()));
    const oracle::Media got = Demux(Extract(GetParam(), "Track1." + format), format);
    EXPECT_EQ(Events(got.streams[0], false), Events(src.streams[0], false));
    EXPECT_FALSE(src.streams[0].packets.empty());
}

INSTANTIATE_TEST_SUITE_P(Text, TextSubtitles, ::testing::Values("srt.mks", "webvtt.mks"),
                         FixtureName);

TEST_F(TracksOracle, AssHeaderAndEventsInReadOrder) {
    const oracle::Media src = Demux(Codec("ass.mks"));
    const std::string out = Extract("ass.mks", "Track1.ass");
    const oracle::Media got = Demux(out, "ass");
    EXPECT_EQ(Events(got.streams[0], true), Events(src.streams[0], true));
    EXPECT_EQ(got.streams[0].extradata.size() > 0, true);
    // Read order puts the overlapping third event last, as the script had it.
    const std::string text = ReadBytes(out);
    EXPECT_LT(text.find("Second, with commas"), text.find("Third overlaps"));
    EXPECT_EQ(text.rfind("[Script Info]", 0), 0u);
}

TEST_F(TracksOracle, VobSubIndexAndPacks) {
    const oracle::Media src = Demux(Codec("vobsub.mks"));
    Extract("vobsub.mks", "Track1.sub");
    ASSERT_TRUE(std::filesystem::exists(dir_.File("Track1.idx")));
    const oracle::Media got = Demux(dir_.File("Track1.idx"), "vobsub");
    const auto& a = src.streams[0].packets;
    const auto& b = got.streams[0].packets;
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(b[i].data, a[i].data);
        EXPECT_EQ(b[i].ptsNs, a[i].ptsNs);
    }
}

// ---- timestamps: FFmpeg's packet times, in presentation order -------------------

class Timestamps : public TracksOracle {};

// The video track's times, to the millisecond, against the demuxer's packets
// sorted: the fixtures with B-frames (HEVC, MPEG-2, MPEG-4 ASP) store their
// frames out of presentation order.
TEST_P(Timestamps, AreThePacketTimesSorted) {
    const std::string file = Fixture(GetParam());
    const oracle::Media src = Demux(file);
    const auto video = std::find_if(src.streams.begin(), src.streams.end(),
                                    [](const oracle::Stream& s) { return s.mediaType == "video"; });
    ASSERT_NE(video, src.streams.end());
    std::vector<int64_t> want;
    for (const oracle::Packet& p : video->packets) {
        ASSERT_NE(p.ptsNs, oracle::kNoTimestamp);
        want.push_back(std::llround(p.ptsNs / 1e6));
    }
    const bool reordered = GetParam().find("hevc") != std::string::npos ||
                           GetParam().find("mpeg2") != std::string::npos ||
                           GetParam().find("mpeg4asp") != std::string::npos;
    EXPECT_EQ(std::is_sorted(want.begin(), want.end()), !reordered);
    std::sort(want.begin(), want.end());
    ASSERT_FALSE(want.empty());
    // The listing numbers the tracks in file order, as FFmpeg numbers its streams.
    const std::string out = dir_.File("Track.txt");
    const ProgramRun r = RunProgram(
        Program("quarvel"),
        {"timestamps", file, std::to_string(video - src.streams.begin() + 1) + ":" + out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::istringstream text(ReadBytes(out));
    std::string line;
    ASSERT_TRUE(std::getline(text, line));
    EXPECT_EQ(line, "# timestamp format v2");
    std::vector<int64_t> got;
    while (std::getline(text, line)) {
        got.push_back(std::llround(std::stod(line)));
    }
    EXPECT_EQ(got, want);
}

std::string FixtureParamName(const ::testing::TestParamInfo<std::string>& p) {
    std::string name = p.param.substr(p.param.find('/') + 1);
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Video, Timestamps,
                         ::testing::Values("full.mkv", "codecs/av1.mkv", "codecs/h264.mkv",
                                           "codecs/hevc.mkv", "codecs/mpeg1.mkv",
                                           "codecs/mpeg2.mkv", "codecs/mpeg4asp.mkv",
                                           "codecs/multi.mkv", "codecs/theora.mkv",
                                           "codecs/vfw_msmpeg4v2.mkv", "codecs/vp8.webm",
                                           "codecs/vp9.webm"),
                         FixtureParamName);

// ---- several tracks in one pass -------------------------------------------------

TEST_F(TracksOracle, AllTracksOfOneFileInOnePass) {
    const oracle::Media src = Demux(Codec("multi.mkv"));
    ASSERT_EQ(src.streams.size(), 4u);
    std::vector<std::string> args = {"tracks", Codec("multi.mkv")};
    const char* names[4] = {"Track1.h264", "Track2.ogg", "Track3.aac", "Track4.srt"};
    for (int i = 0; i < 4; ++i) {
        args.push_back(std::to_string(i + 1) + ":" + dir_.File(names[i]));
    }
    ProgramRun r = RunProgram(Program("quarvel"), args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (int i = 0; i < 4; ++i) {
        const oracle::Media got = Demux(dir_.File(names[i]));
        EXPECT_EQ(got.streams[0].codecName, src.streams[i].codecName) << names[i];
    }
    const oracle::Media srt = Demux(dir_.File(names[3]), "srt");
    EXPECT_EQ(Events(srt.streams[0], false), Events(src.streams[3], false));
}

}  // namespace
