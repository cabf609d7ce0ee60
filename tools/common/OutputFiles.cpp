#include "tools/common/OutputFiles.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>

namespace tools {

namespace {

constexpr std::string_view kPartMark = ".quarvel-part-";

}  // namespace

TemporaryFile::~TemporaryFile() {
    if (stream_ != nullptr) {
        Discard();
    }
}

bool TemporaryFile::Create(const std::string& target, std::string& error) {
    target_ = target;
    torvane::NewFile created = torvane::CreateFileBeside(target, kPartMark);
    if (created.file == nullptr) {
        error = "cannot create '" + target + "': " + created.reason;
        path_.clear();
        return false;
    }
    stream_ = created.file;
    path_ = std::move(created.path);
    return true;
}

bool TemporaryFile::Close(std::string& error) {
    if (stream_ == nullptr) {
        return true;
    }
    errno = 0;
    const bool ok = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!ok) {
        error = "cannot write '" + target_ + "': " + std::strerror(errno);
    }
    return ok;
}

bool TemporaryFile::Commit(std::string& error) {
    if (Close(error) && ReplaceTarget(path_, target_, error)) {
        path_.clear();  // it is the target now
        return true;
    }
    Discard();
    return false;
}

void TemporaryFile::Discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
        path_.clear();
    }
}

std::string NotReplaceable(const std::string& target) {
    std::error_code ec;
    const auto status = std::filesystem::status(target, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) {
        return {};
    }
    return "'" + target + "' is not a regular file; it is left as it is";
}

bool ReplaceTarget(const std::string& temporary, const std::string& target, std::string& error) {
    error = NotReplaceable(target);
    if (!error.empty()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        error = "cannot write '" + target + "': " + ec.message();
        return false;
    }
    return true;
}

bool ReplaceTargets(const std::vector<std::pair<std::string, std::string>>& files,
                    std::string& error) {
    // The files belong together (an index and its data): none replaces its
    // target unless every target may be replaced.
    for (const auto& file : files) {
        error = NotReplaceable(file.second);
        if (!error.empty()) {
            return false;
        }
    }
    for (const auto& [temporary, target] : files) {
        if (!ReplaceTarget(temporary, target, error)) {
            return false;
        }
    }
    return true;
}

OutputPaths::OutputPaths(const std::string& source) {
    std::error_code ec;
    folder_ = std::filesystem::current_path(ec);
    FileId id;
    if (IdentifyFile(source, id)) {
        source_ = id;
    }
}

std::string OutputPaths::Place(const std::string& path) const {
    const std::filesystem::path full = folder_ / path;
    const std::string name = full.filename().string();
    FileId folder;
    if (name.empty() || name == "." || name == ".." ||
        !IdentifyFile(full.parent_path().string(), folder)) {
        return full.lexically_normal().string();
    }
    // The folder as the system finds it, through any link on the way. A name
    // never holds a '/', so no two places share a text.
    return std::to_string(folder.device) + ":" + std::to_string(folder.index) + "/" + name;
}

OutputPaths::Claim OutputPaths::Take(const std::string& path) {
    FileId id;
    const bool exists = IdentifyFile(path, id);
    const bool newPath = paths_.insert(Place(path)).second;
    const bool newFile = !exists || files_.insert(id).second;
    if (exists && source_ && id == *source_) {
        return Claim::kSource;
    }
    return newPath && newFile ? Claim::kFree : Claim::kTaken;
}

std::string OutputPaths::Refusal(const std::string& path, const std::string& item) {
    switch (Take(path)) {
        case Claim::kSource:
            return "'" + path + "' is the source file itself";
        case Claim::kTaken:
            return "'" + path + "' is the output of another " + item + " already";
        case Claim::kFree:
            break;
    }
    return NotReplaceable(path);
}

}  // namespace tools
