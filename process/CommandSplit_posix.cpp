#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/ProgramFolder.h"
#include "process/CommandSplit.h"

namespace torvane {
namespace {

constexpr std::string_view kBlanks = " \t";

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::size_t pos = line.find_first_not_of(kBlanks);
    while (pos != std::string_view::npos) {
        const std::size_t end = line.find_first_of(kBlanks, pos);
        words.emplace_back(line.substr(pos, end == std::string_view::npos ? end : end - pos));
        pos = line.find_first_not_of(kBlanks, end);
    }
    return words;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string FindProgram(const std::string& name, const std::string& programFolder,
                        std::string_view pathList) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return IsExecutableFile(name) ? name : std::string();
    }
    if (!programFolder.empty() && IsExecutableFile(programFolder + name)) {
        return programFolder + name;
    }
    std::size_t start = 0;
    while (start <= pathList.size()) {
        std::size_t end = pathList.find(':', start);
        if (end == std::string_view::npos) {
            end = pathList.size();
        }
        // An empty entry would mean the current folder; the tools are never
        // looked for there.
        if (end > start) {
            std::string candidate(pathList.substr(start, end - start));
            if (candidate.back() != '/') {
                candidate += '/';
            }
            candidate += name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

std::optional<ResolvedCommand> ResolveCommand(std::string_view commandLine,
                                              const std::string& programFolder,
                                              std::string_view pathList) {
    const std::size_t first = commandLine.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    // Try the first word, then the first two with what stood between them,
    // and so on.
    std::size_t end = commandLine.find_first_of(kBlanks, first);
    for (;;) {
        const std::string word(commandLine.substr(
            first, end == std::string_view::npos ? std::string_view::npos : end - first));
        const std::string program = FindProgram(word, programFolder, pathList);
        if (!program.empty()) {
            ResolvedCommand resolved;
            resolved.program = program;
            resolved.argv.push_back(word);
            if (end != std::string_view::npos) {
                for (std::string& arg : SplitCommandLine(commandLine.substr(end))) {
                    resolved.argv.push_back(std::move(arg));
                }
            }
            return resolved;
        }
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t next = commandLine.find_first_not_of(kBlanks, end);
        if (next == std::string_view::npos) {
            return std::nullopt;
        }
        end = commandLine.find_first_of(kBlanks, next);
    }
}

std::optional<ResolvedCommand> ResolveCommand(std::string_view commandLine) {
    return ResolveCommand(commandLine, ProgramFolder(), SearchPath());
}

}  // namespace torvane
