// The codec table against the other places that speak of codecs: the
// window's built-in rules with the default Formats.txt, and the README's
// table of output formats.
#include "core/CodecTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "core/Formats.h"
#include "tools/ostrem/ListingLines.h"

namespace torvane {
namespace {

// A CodecID the row stands for: its own, or one that only begins with it.
std::string SampleId(const CodecRow& row) {
    return std::string(row.codecId) + (row.prefix ? "X" : "");
}

// What the window makes of a track of this CodecID in ostrem's listing: its
// extension, or empty when it asks the user.
std::string WindowExtension(const std::string& codecId, FormatTable& table) {
    mkv::Track track;
    track.position = 1;
    track.type = codecId[0] == 'V'   ? mkv::kTrackVideo
                 : codecId[0] == 'A' ? mkv::kTrackAudio
                                     : mkv::kTrackSubtitle;
    track.codecId = codecId;
    const std::string kind = ClassifyCodec(ostrem::TrackLine(track), table);
    return kind == kKindUnknown ? std::string() : kind;
}

TEST(CodecTable, EveryRowIsTheFirstThatFitsItsOwnIdsAndHasAName) {
    for (const CodecRow& row : kCodecTable) {
        EXPECT_EQ(FindCodec(SampleId(row)), &row) << SampleId(row);
        EXPECT_FALSE(row.name.empty()) << row.codecId;
    }
    EXPECT_EQ(FindCodec("V_MPEG4/MS/V3"), nullptr);
}

// The name a person knows, with the code beside it; a code the table lacks
// alone.
TEST(CodecTable, ACodecIsShownByItsNameWithItsCodeBeside) {
    for (const auto& [codecId, shown] : std::vector<std::pair<std::string, std::string>>{
             {"V_MPEG4/ISO/AVC", "H.264 (V_MPEG4/ISO/AVC)"},
             {"A_AC3", "AC-3 (A_AC3)"},
             {"A_AC3/BSID9", "AC-3 (A_AC3/BSID9)"},
             {"A_AAC/MPEG4/LC/SBR", "AAC (A_AAC/MPEG4/LC/SBR)"},
             {"S_TEXT/UTF8", "SubRip (S_TEXT/UTF8)"},
             {"V_MPEG4/MS/V3", "V_MPEG4/MS/V3"},
             {"", ""},
         }) {
        EXPECT_EQ(CodecDisplayName(codecId), shown);
    }
}

TEST(CodecTable, TheWindowsDefaultsGiveEveryRowItsExtension) {
    FormatTable table;
    table.LoadFromFile(TORVANE_DEFAULT_FORMATS);
    for (const CodecRow& row : kCodecTable) {
        EXPECT_EQ(WindowExtension(SampleId(row), table), row.extension) << SampleId(row);
    }
    // The default Formats.txt speaks only of codecs the tools write.
    ASSERT_FALSE(table.Lines().empty());
    for (const std::string& line : table.Lines()) {
        const std::string key = ExtractFormatType(line);
        ASSERT_GE(key.size(), 2u) << line;
        const CodecRow* row = FindCodec(key.substr(1, key.size() - 2));
        ASSERT_NE(row, nullptr) << line;
        EXPECT_FALSE(row->prefix) << line;
        EXPECT_EQ(ExtractFormatExt(line), row->extension) << line;
    }
}

// The README's table of output formats as (CodecID, prefix, file written,
// extension) rows: "A_AAC/..." stands for a prefix, the extensions are one
// per CodecID or one for all, and "asked" is the empty extension.
using ReadmeRow = std::tuple<std::string, bool, std::string, std::string>;

std::vector<std::string> Cells(const std::string& text, const std::string& separator) {
    std::vector<std::string> cells;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos;
         from = at + separator.size()) {
        cells.push_back(text.substr(from, at - from));
    }
    cells.push_back(text.substr(from));
    return cells;
}

std::set<ReadmeRow> ReadmeOutputFormats() {
    std::ifstream in(TORVANE_README);
    std::set<ReadmeRow> rows;
    std::string line;
    while (std::getline(in, line) && line != "| CodecID | file written | extension |") {
    }
    std::getline(in, line);  // |---|---|---|
    while (std::getline(in, line) && line.starts_with("| ")) {
        const std::vector<std::string> cells = Cells(line.substr(2, line.size() - 4), " | ");
        EXPECT_EQ(cells.size(), 3u) << line;
        if (cells.size() != 3) {
            continue;
        }
        const std::vector<std::string> ids = Cells(cells[0], ", ");
        const std::vector<std::string> extensions = Cells(cells[2], ", ");
        const bool oneForAll = extensions.size() == 1;
        EXPECT_TRUE(oneForAll || extensions.size() == ids.size()) << line;
        for (size_t i = 0; i < ids.size() && (oneForAll || i < extensions.size()); ++i) {
            const std::string& extension = extensions[oneForAll ? 0 : i];
            const bool prefix = ids[i].ends_with("...");
            rows.insert({prefix ? ids[i].substr(0, ids[i].size() - 3) : ids[i], prefix, cells[1],
                         extension == "asked" ? "" : extension});
        }
    }
    return rows;
}

TEST(CodecTable, TheReadmeTableOfOutputFormatsAgrees) {
    std::set<ReadmeRow> table;
    for (const CodecRow& row : kCodecTable) {
        table.insert({std::string(row.codecId), row.prefix,
                      std::string(OutputDescription(row.output)), std::string(row.extension)});
    }
    const std::set<ReadmeRow> readme = ReadmeOutputFormats();
    for (const ReadmeRow& row : table) {
        EXPECT_TRUE(readme.count(row))
            << "the README lacks " << std::get<0>(row) << (std::get<1>(row) ? "..." : "") << " | "
            << std::get<2>(row) << " | " << std::get<3>(row);
    }
    for (const ReadmeRow& row : readme) {
        EXPECT_TRUE(table.count(row)) << "the codec table lacks the README's " << std::get<0>(row)
                                      << (std::get<1>(row) ? "..." : "") << " | "
                                      << std::get<2>(row) << " | " << std::get<3>(row);
    }
}

}  // namespace
}  // namespace torvane
