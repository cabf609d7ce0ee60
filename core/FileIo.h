#pragma once

#include <optional>
#include <string>
#include <string_view>

// File access shared by the settings file and the format table. Bytes in,
// bytes out: nothing is transcoded.
namespace torvane::fileio {

// The whole content of the file, or std::nullopt when it does not exist.
// Throws IoError naming the file and the reason when it exists but cannot be
// read (a folder, no permission, a read error).
std::optional<std::string> ReadWholeFile(const std::string& path);

// The bytes of the file up to, not including, the first byte that is one of
// stops, or the whole file when none occurs. Reads no further than needed.
// std::nullopt when the file does not exist; IoError as ReadWholeFile.
std::optional<std::string> ReadUntilAny(const std::string& path, std::string_view stops);

// What becomes of a symbolic link at the path being replaced.
enum class Links {
    // The file it leads to (through any chain of links) gets the bytes: a
    // settings file or format table the user keeps elsewhere stays there.
    WriteThrough,
    // The link itself is replaced by the file: an output never lands where
    // a link planted in the output folder points.
    Replace,
};

// Replaces (or creates) the file with the bytes, keeping its permission
// bits. The bytes are written to a temporary file beside it which is then
// renamed over it, so the old content survives any failure. Where no
// temporary file can be made or renamed there (a writable file in a
// read-only folder), a file that is not a link is rewritten in place,
// growing it first and restoring the old bytes when a write fails. An
// existing file that is not writable is refused.
// Throws IoError("Cannot create file \"PATH\". REASON").
void ReplaceFile(const std::string& path, std::string_view bytes, Links links);

}  // namespace torvane::fileio
