#include "tools/quarvel/Modes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "matroska/Reader.h"
#include "matroska/SafeText.h"
#include "platform/StopRequests.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/OutputFiles.h"
#include "tools/common/StandardOutput.h"
#include "tools/quarvel/ChapterAndTagText.h"
#include "tools/quarvel/NumberedPath.h"

namespace quarvel {

namespace {

constexpr const char* kProgram = "quarvel";
constexpr size_t kCopyChunk = 1 << 20;

// Opens FILE for `sections`; on failure reports it and returns null.
std::unique_ptr<mkv::Reader> OpenReader(const std::string& mode, const std::string& file,
                                        unsigned sections) {
    std::string error;
    auto source = mkv::OpenFile(file, &error);
    if (!source) {
        tools::PrintError(kProgram, mode + ": " + file + ": cannot open: " + error);
        return nullptr;
    }
    auto reader = std::make_unique<mkv::Reader>(std::move(source));
    if (!reader->Open(sections)) {
        tools::PrintError(kProgram, mode + ": " + file + ": " + reader->Fatal()->ToString());
        return nullptr;
    }
    return reader;
}

// Reports what the reader found damaged; returns the matching status.
int Finish(const std::string& mode, const std::string& file, mkv::Reader& reader) {
    for (const mkv::Error& e : reader.Problems()) {
        tools::PrintError(kProgram, mode + ": " + file + ": warning: " + e.ToString());
    }
    tools::ReportBytesRead(reader.Source().BytesRead());
    return reader.Problems().empty() ? tools::kExitOk : tools::kExitWarnings;
}

// Copies one attachment to `path` through a temporary file beside it.
bool WriteAttachment(mkv::Reader& reader, const mkv::Attachment& a, const std::string& path,
                     std::string& error) {
    tools::TemporaryFile temp;
    if (!temp.Create(path, error))
        return false;
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, a.dataSize)));
    for (uint64_t done = 0; done < a.dataSize;) {
        if (torvane::StopRequestWatch::Requested()) {
            error = "cancelled";
            return false;
        }
        const auto n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), a.dataSize - done));
        const size_t got = reader.Source().ReadAt(a.dataOffset + done, chunk.data(), n);
        if (got != n) {
            error = "read only " + std::to_string(done + got) + " of " +
                    std::to_string(a.dataSize) + " bytes of its data";
            return false;
        }
        if (std::fwrite(chunk.data(), 1, n, temp.Stream()) != n) {
            error = "cannot write '" + path + "': " + std::strerror(errno);
            return false;
        }
        done += n;
    }
    return temp.Commit(error);
}

// One k:PATH of the attachments mode; false when it could not be written
// (told on standard error).
bool ExtractAttachment(mkv::Reader& reader, const std::string& file, const std::string& argument,
                       tools::OutputPaths& outputs) {
    const std::optional<NumberedPath> item = ParseNumberedPath(argument);
    if (!item) {
        tools::PrintError(kProgram, "attachments: '" + argument + "' is not k:PATH");
        return false;
    }
    // Writing over the source, or twice to one file, would destroy data the
    // run still needs or has just written.
    std::string error = outputs.Refusal(item->path, "attachment");
    const auto& attachments = reader.Attachments();
    const std::string k = std::to_string(item->number);
    if (item->number > attachments.size()) {
        tools::PrintError(kProgram, "attachments: " + file + " has no attachment " + k +
                                        " (it has " + std::to_string(attachments.size()) + ")");
        return false;
    }
    const mkv::Attachment& a = attachments[item->number - 1];
    if (!error.empty() || !WriteAttachment(reader, a, item->path, error)) {
        tools::PrintError(kProgram, "attachments: attachment " + k + " ('" + mkv::SafeText(a.name) +
                                        "'): " + error);
        return false;
    }
    tools::PrintReport("Attachment " + k + " written to " + item->path + ", " +
                       std::to_string(a.dataSize) + " bytes");
    return true;
}

}  // namespace

int RunChapters(const std::string& file, bool simple) {
    auto reader = OpenReader("chapters", file, mkv::kSectionChapters);
    if (!reader)
        return tools::kExitFailed;
    if (const auto& chapters = reader->GetChapters()) {
        (simple ? WriteChaptersSimple : WriteChaptersXml)(*chapters, tools::PrintRaw);
    }
    return Finish("chapters", file, *reader);
}

int RunTags(const std::string& file) {
    auto reader = OpenReader("tags", file, mkv::kSectionTags);
    if (!reader)
        return tools::kExitFailed;
    if (const auto& tags = reader->GetTags())
        WriteTagsXml(*tags, tools::PrintRaw);
    return Finish("tags", file, *reader);
}

int RunAttachments(const std::string& file, const std::vector<std::string>& targets) {
    if (targets.empty()) {
        tools::PrintError(kProgram, "attachments: no k:PATH given (see --help)");
        return tools::kExitFailed;
    }
    auto reader = OpenReader("attachments", file, mkv::kSectionAttachments);
    if (!reader)
        return tools::kExitFailed;
    bool failed = false;
    // Cancel (SIGINT, SIGTERM) stops the copy at the next chunk; the
    // temporary file is removed and the target left as it was.
    torvane::StopRequestWatch cancel;
    tools::OutputPaths outputs(file);
    for (const std::string& target : targets) {
        if (torvane::StopRequestWatch::Requested()) {
            tools::PrintError(kProgram, "attachments: cancelled");
            return tools::kExitFailed;
        }
        failed = !ExtractAttachment(*reader, file, target, outputs) || failed;
    }
    const int status = Finish("attachments", file, *reader);
    return failed ? tools::kExitFailed : status;
}

}  // namespace quarvel
