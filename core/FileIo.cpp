#include "core/FileIo.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "core/Exception.h"

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

void ReplaceFile(const std::string& path, std::string_view bytes) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        if (std::filesystem::is_directory(path, ec)) {
            ThrowCannotCreate(path, EISDIR);
        }
        // Renaming over a read-only file would succeed; honour the protection.
        errno = 0;
        FilePtr probe(std::fopen(path.c_str(), "ab"));
        if (!probe) {
            ThrowCannotCreate(path, errno != 0 ? errno : EACCES);
        }
    }

    // Unique per call and per process, so two programs saving at once never
    // share a temporary file.
    static std::atomic<unsigned> counter{0};
    static const unsigned processTag = std::random_device{}();
    const std::string temp =
        path + ".tmp" + std::to_string(processTag) + "-" + std::to_string(counter++);
    errno = 0;
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file) {
        ThrowCannotCreate(path, errno != 0 ? errno : EACCES);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        const int error = writeError != 0 ? writeError : (errno != 0 ? errno : EIO);
        std::remove(temp.c_str());
        ThrowCannotCreate(path, error);
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        ThrowCannotCreate(path, ec.value());
    }
}

}  // namespace torvane::fileio
