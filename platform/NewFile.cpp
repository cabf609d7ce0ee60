#include "platform/NewFile.h"

#include <cerrno>
#include <cstring>

namespace torvane {

namespace {

constexpr size_t kRandomLength = 10;

// Ten characters of 32 kinds: 50 bits nobody can guess.
std::string RandomSuffix() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz234567";
    unsigned char bytes[kRandomLength];
    if (!RandomBytes(bytes, sizeof bytes)) {
        return {};
    }
    std::string suffix;
    for (unsigned char b : bytes) {
        suffix += kLetters[b & 31];
    }
    return suffix;
}

// The first bytes of `name`, at most `size`, never ending inside a UTF-8
// sequence.
std::string NamePrefix(const std::string& name, size_t size) {
    if (name.size() <= size) {
        return name;
    }
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) {
        --size;
    }
    return name.substr(0, size);
}

}  // namespace

NewFile CreateFileBeside(const std::string& target, std::string_view mark) {
    // The name is the target's, shortened where the mark and the random part
    // would take it past what the folder allows: a target of the longest
    // name the folder allows must be writable too.
    const size_t nameAt = NameStart(target);
    const std::string folder = target.substr(0, nameAt);
    const size_t tail = mark.size() + kRandomLength;
    const size_t longest = LongestName(folder);
    const std::string stem =
        folder + NamePrefix(target.substr(nameAt), longest > tail ? longest - tail : 0);
    // A name taken by chance (or by someone who guessed it) is never
    // opened: another is drawn.
    NewFile created;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string suffix = RandomSuffix();
        if (suffix.empty()) {
            errno = 0;
            created.reason = "the system gives no random numbers";
            return created;
        }
        created.path = stem + std::string(mark) + suffix;
        errno = 0;
        created.file = CreateNewFile(created.path);
        if (created.file != nullptr) {
            return created;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const int error = errno;
    created.path.clear();
    created.reason = std::strerror(error);
    errno = error;
    return created;
}

}  // namespace torvane
