#include "core/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/Exception.h"
#include "platform/NewFile.h"

namespace torvane::fileio {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string Reason(int error) {
    return std::generic_category().message(error);
}

[[noreturn]] void ThrowCannotCreate(const std::string& path, int error) {
    throw IoError("Cannot create file \"" + path + "\". " + Reason(error));
}

}  // namespace

std::optional<std::string> ReadUntilAny(const std::string& path, std::string_view stops) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        throw IoError("Cannot open file \"" + path + "\". " + Reason(EISDIR));
    }
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const int error = errno;
        if (error == ENOENT) {
            return std::nullopt;
        }
        throw IoError("Cannot open file \"" + path + "\". " + Reason(error));
    }
    std::string content;
    char buffer[16384];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        const std::string_view chunk(buffer, got);
        const std::size_t stop =
            stops.empty() ? std::string_view::npos : chunk.find_first_of(stops);
        if (stop != std::string_view::npos) {
            content.append(chunk.substr(0, stop));
            return content;
        }
        content.append(chunk);
        if (got < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        const int error = errno != 0 ? errno : EIO;
        throw IoError("Cannot read file \"" + path + "\". " + Reason(error));
    }
    return content;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    return ReadUntilAny(path, std::string_view());
}

namespace {

namespace fs = std::filesystem;

// More links than this in a row are taken for a loop, as the system does.
constexpr int kMostLinks = 40;

// The file that writing `path` lands in: the end of its chain of symbolic
// links, each relative target read against its link's folder. A link whose
// target is missing leads to that target, which is then created.
fs::path WriteTarget(const std::string& path) {
    fs::path target(path);
    for (int links = 0; links <= kMostLinks; ++links) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) {
            return target;
        }
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            ThrowCannotCreate(path, ec.value());
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    ThrowCannotCreate(path, ELOOP);
}

bool WriteAt(std::FILE* file, long offset, std::string_view bytes) {
    return std::fseek(file, offset, SEEK_SET) == 0 &&
           std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
           std::fflush(file) == 0;
}

// What the temporary file beside a settings file, format table or preview
// carries after the target's name, before its random part.
constexpr std::string_view kTemporaryMark = ".torvane-part-";

int LastError() {
    return errno != 0 ? errno : EIO;
}

// Rewrites an existing file in place, for when no file can be made beside
// it. The file grows first, so that a full disk stops the write before any
// old byte has changed; an overwrite that fails puts the old bytes back.
void RewriteInPlace(const std::string& path, const fs::path& target, std::string_view bytes) {
    std::string old;
    try {
        old = ReadWholeFile(target.string()).value_or(std::string());
    } catch (const IoError&) {
        ThrowCannotCreate(path, EACCES);
    }
    errno = 0;
    FilePtr file(std::fopen(target.string().c_str(), "r+b"));
    if (!file) {
        ThrowCannotCreate(path, LastError());
    }
    const long oldSize = static_cast<long>(old.size());
    std::error_code ec;
    if (bytes.size() > old.size() && !WriteAt(file.get(), oldSize, bytes.substr(old.size()))) {
        const int error = LastError();
        file.reset();
        fs::resize_file(target, old.size(), ec);
        ThrowCannotCreate(path, error);
    }
    if (!WriteAt(file.get(), 0, bytes.substr(0, std::min(bytes.size(), old.size())))) {
        const int error = LastError();
        WriteAt(file.get(), 0, old);
        file.reset();
        fs::resize_file(target, old.size(), ec);
        ThrowCannotCreate(path, error);
    }
    errno = 0;
    if (std::fclose(file.release()) != 0) {
        ThrowCannotCreate(path, LastError());
    }
    if (bytes.size() < old.size()) {
        fs::resize_file(target, bytes.size(), ec);
        if (ec) {
            ThrowCannotCreate(path, ec.value());
        }
    }
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes, Links links) {
    const fs::path target = links == Links::WriteThrough ? WriteTarget(path) : fs::path(path);
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    // In place, a link would be written through.
    const bool inPlace = exists && !fs::is_symlink(fs::symlink_status(target, ec));
    if (exists) {
        if (fs::is_directory(status)) {
            ThrowCannotCreate(path, EISDIR);
        }
        // Renaming over a read-only file would succeed; honour the protection.
        errno = 0;
        FilePtr probe(std::fopen(target.string().c_str(), "ab"));
        if (!probe) {
            ThrowCannotCreate(path, LastError());
        }
    }

    // A new file under a name nobody can predict, never one found there: two
    // programs saving at once never share it, and a link planted beside the
    // target is never written through.
    NewFile created = CreateFileBeside(target.string(), kTemporaryMark);
    if (created.file == nullptr) {
        const int error = LastError();
        if (inPlace) {
            RewriteInPlace(path, target, bytes);
            return;
        }
        ThrowCannotCreate(path, error);
    }
    FilePtr file(created.file);
    const std::string& temp = created.path;
    if (exists) {
        // Before any byte is in it: the new file is no more open than the old.
        fs::permissions(temp, status.permissions(), fs::perm_options::replace, ec);
    }
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        const int error = writeError != 0 ? writeError : LastError();
        std::remove(temp.c_str());
        ThrowCannotCreate(path, error);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::remove(temp.c_str());
        if (!inPlace) {
            ThrowCannotCreate(path, ec.value());
        }
        // A file the folder will not let be replaced (a mount point, say)
        // can still be written.
        RewriteInPlace(path, target, bytes);
    }
}

}  // namespace torvane::fileio
