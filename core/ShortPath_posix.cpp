#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/ShortPath.h"

// Linux has no 8.3 names, yet command lines are split at blanks and never
// quoted. A path that holds a blank is therefore replaced by a symbolic link
// whose own path holds none.

namespace torvane {
namespace {

// Longest part of the file's own name kept in an alias, so that a person
// reading the command line still recognises the file.
constexpr std::size_t kAliasNameKeep = 64;

bool HasBlank(std::string_view text) {
    return text.find_first_of(" \t\r\n") != std::string_view::npos;
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::uint64_t Fnv1a64(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

// Creates every missing folder of an absolute path, private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t pos = folder.find('/', 1); pos != std::string::npos;
         pos = folder.find('/', pos + 1)) {
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A shared folder such as /tmp must hold a folder that is really ours, or
// another user could plant links in it.
bool OwnedPrivateFolder(const std::string& folder) {
    std::string bare = folder;
    while (bare.size() > 1 && bare.back() == '/') {
        bare.pop_back();
    }
    struct stat st {};
    return ::lstat(bare.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string AliasFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        const std::string folder = std::string(xdg) + "/torvane/short/";
        if (!HasBlank(folder) && MakeFolders(folder)) {
            return folder;
        }
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        const std::string folder = std::string(home) + "/.cache/torvane/short/";
        if (!HasBlank(folder) && MakeFolders(folder)) {
            return folder;
        }
    }
    const std::string folder = "/tmp/torvane-" + std::to_string(::getuid()) + "/";
    if (MakeFolders(folder) && OwnedPrivateFolder(folder)) {
        return folder;
    }
    return {};
}

std::string ReadLink(const std::string& link) {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t got = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (got < 0) {
            return {};
        }
        if (static_cast<std::size_t>(got) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(got));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Makes link point at target, replacing a link that points elsewhere.
bool PlaceLink(const std::string& target, const std::string& link) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (ReadLink(link) == target) {
            return true;
        }
        if (::symlink(target.c_str(), link.c_str()) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
        // Something else sits there: replace it in one step so that another
        // program using the alias never sees it missing.
        const std::string temp = link + ".new" + std::to_string(::getpid());
        ::unlink(temp.c_str());
        if (::symlink(target.c_str(), temp.c_str()) != 0) {
            return false;
        }
        if (std::rename(temp.c_str(), link.c_str()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    return ReadLink(link) == target;
}

std::string AliasName(const std::string& target) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a64(target)));
    std::string base = target.substr(target.rfind('/') + 1);
    if (base.size() > kAliasNameKeep) {
        base.erase(0, base.size() - kAliasNameKeep);  // keep the extension
    }
    for (char& c : base) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            c = '_';
        }
    }
    return std::string(hex) + "-" + base;
}

}  // namespace

std::string ExtractShortPathName(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {};
    }
    std::string absolute = path;
    if (absolute.front() != '/') {
        const std::string cwd = CurrentFolder();
        if (cwd.empty()) {
            return {};
        }
        absolute = cwd + (cwd.back() == '/' ? "" : "/") + path;
    }
    if (!HasBlank(absolute)) {
        return absolute;
    }

    const bool trailingSlash = absolute.back() == '/';
    std::string target = absolute;
    while (target.size() > 1 && target.back() == '/') {
        target.pop_back();
    }
    const std::string folder = AliasFolder();
    if (folder.empty()) {
        return {};
    }
    const std::string link = folder + AliasName(target);
    if (!PlaceLink(target, link)) {
        return {};
    }
    return trailingSlash ? link + "/" : link;
}

std::string CommandWord(const std::string& shortPath) {
    return shortPath;
}

}  // namespace torvane
