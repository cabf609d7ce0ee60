#include "tools/quarvel/Modes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "matroska/Reader.h"
#include "tools/common/Cancel.h"
#include "tools/common/ExitStatus.h"
#include "tools/common/OutputFiles.h"
#include "tools/common/StandardOutput.h"
#include "tools/quarvel/ChapterAndTagText.h"

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

bool ParseIndex(const std::string& text, size_t& k) {
    if (text.empty() || text.size() > 9)
        return false;
    k = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        k = k * 10 + static_cast<size_t>(c - '0');
    }
    return k > 0;
}

// Copies one attachment to `path` through a temporary file beside it.
bool WriteAttachment(mkv::Reader& reader, const mkv::Attachment& a, const std::string& path,
                     std::string& error) {
    tools::TemporaryFile temp;
    if (!temp.Create(path, error))
        return false;
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, a.dataSize)));
    for (uint64_t done = 0; done < a.dataSize;) {
        if (tools::CancelOnSignal::Cancelled()) {
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
    if (!temp.Close(error) || !tools::ReplaceTarget(temp.Path(), path, error)) {
        temp.Discard();
        return false;
    }
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
    const auto& attachments = reader->Attachments();
    bool failed = false;
    // Cancel (SIGINT, SIGTERM) stops the copy at the next chunk; the
    // temporary file is removed and the target left as it was.
    tools::CancelOnSignal cancel;
    tools::OutputPaths outputs(file);
    for (const std::string& target : targets) {
        if (tools::CancelOnSignal::Cancelled()) {
            tools::PrintError(kProgram, "attachments: cancelled");
            return tools::kExitFailed;
        }
        const size_t colon = target.find(':');
        size_t k = 0;
        if (colon == std::string::npos || !ParseIndex(target.substr(0, colon), k) ||
            colon + 1 == target.size()) {
            tools::PrintError(kProgram, "attachments: '" + target + "' is not k:PATH");
            failed = true;
            continue;
        }
        const std::string path = target.substr(colon + 1);
        // Writing over the source, or twice to one file, would destroy data
        // the run still needs or has just written.
        const tools::OutputPaths::Claim claim = outputs.Take(path);
        if (k > attachments.size()) {
            tools::PrintError(kProgram, "attachments: " + file + " has no attachment " +
                                            std::to_string(k) + " (it has " +
                                            std::to_string(attachments.size()) + ")");
            failed = true;
            continue;
        }
        const mkv::Attachment& a = attachments[k - 1];
        std::string error;
        if (claim == tools::OutputPaths::Claim::kSource) {
            error = "'" + path + "' is the source file itself";
        } else if (claim == tools::OutputPaths::Claim::kTaken) {
            error = "'" + path + "' is the output of another attachment already";
        } else {
            error = tools::NotReplaceable(path);
        }
        if (!error.empty() || !WriteAttachment(*reader, a, path, error)) {
            tools::PrintError(kProgram, "attachments: attachment " + std::to_string(k) + " ('" +
                                            a.name + "'): " + error);
            failed = true;
            continue;
        }
        tools::PrintLine("Attachment " + std::to_string(k) + " written to " + path + ", " +
                         std::to_string(a.dataSize) + " bytes");
    }
    const int status = Finish("attachments", file, *reader);
    return failed ? tools::kExitFailed : status;
}

}  // namespace quarvel
