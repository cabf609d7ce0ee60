// How both quarvel modes that write files keep the user's files safe: each
// output is written to a new file of its own beside the target, created
// exclusively under a name nobody can predict, and renamed over the target
// only once complete; a target that is not a regular file (a device, a pipe,
// a folder) is never replaced; no output may land on the source or on
// another output of the same run.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tools/common/FileSystem.h"

namespace tools {

// A new file beside `target`, named TARGET.quarvel-part-RANDOM, the name of
// TARGET shortened as far as needed for the whole to fit the folder's name
// limit. Dropped while still open it is removed: an unfinished file never
// stays behind.
class TemporaryFile {
  public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file. Returns false with `error` set ("cannot create
    // 'TARGET': REASON") when it cannot.
    bool Create(const std::string& target, std::string& error);
    // Open for reading and writing while the file is open, else null.
    std::FILE* Stream() const { return stream_; }
    const std::string& Path() const { return path_; }
    const std::string& Target() const { return target_; }
    // Closes the file, which stays for ReplaceTarget. Returns false with
    // `error` set when its data did not all reach it.
    bool Close(std::string& error);
    // Closes the file and renames it over the target (ReplaceTarget). Returns
    // false with `error` set, the file removed, when either fails.
    bool Commit(std::string& error);
    // Closes the file if open and removes it.
    void Discard();

  private:
    std::FILE* stream_ = nullptr;
    std::string path_;
    std::string target_;
};

// Why `target` may not be replaced by a file of ours: it exists and is not a
// regular file (after symbolic links). Empty when it may be.
std::string NotReplaceable(const std::string& target);

// Renames the complete file `temporary` over `target`, unless NotReplaceable
// says no. Returns false with `error` set; `temporary` is then left for the
// caller to remove.
bool ReplaceTarget(const std::string& temporary, const std::string& target, std::string& error);

// ReplaceTarget for each (temporary, target) pair in turn, stopping at the
// first that fails; when one target is not replaceable, none is replaced.
bool ReplaceTargets(const std::vector<std::pair<std::string, std::string>>& files,
                    std::string& error);

// The outputs of one run, checked as they are claimed, each against the
// source file and every earlier output, in time linear in their number.
class OutputPaths {
  public:
    explicit OutputPaths(const std::string& source);

    enum class Claim { kFree, kSource, kTaken };
    // kSource when `path` names the source file, kTaken when it names the
    // same file as an earlier claim (the same name in the same folder, that
    // folder reached through any path or link, or another name of the same
    // existing file), else kFree. Every path is remembered, whatever the
    // answer.
    Claim Take(const std::string& path);
    // Takes `path` and says why it may not be written: "'PATH' is the source
    // file itself", "'PATH' is the output of another ITEM already" (`item`
    // names what the run writes: "track", "attachment"), or what
    // NotReplaceable says. Empty when it may.
    std::string Refusal(const std::string& path, const std::string& item);

  private:
    // Where `path` puts its file: its folder's identity and its name, or,
    // where the folder cannot be identified, the path made absolute and
    // lexically normal.
    std::string Place(const std::string& path) const;

    struct FileIdHash {
        size_t operator()(const FileId& id) const {
            return std::hash<uint64_t>()(id.index ^ (id.device << 1));
        }
    };
    std::filesystem::path folder_;  // the current folder, asked once
    std::optional<FileId> source_;
    std::unordered_set<std::string> paths_;  // as Place gives them
    std::unordered_set<FileId, FileIdHash> files_;
};

}  // namespace tools
