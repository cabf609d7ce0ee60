// A temporary folder for one test, and plain whole-file reads and writes.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace torvane::testsupport {

// A fresh folder under the system's temporary folder, removed with its content
// when the object goes.
class TempDir {
  public:
    TempDir() {
#ifdef _WIN32
        // Windows has no mkdtemp: a random name, taken only if new.
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                                 ("torvane-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(folder)) {
                path_ = folder.string();
            } else if (attempt == 100) {
                throw std::runtime_error("cannot create a temporary folder in " +
                                         std::filesystem::temp_directory_path().string());
            }
        }
#else
        std::string pattern =
            (std::filesystem::temp_directory_path() / "torvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(),
                                    "cannot create a temporary folder from " + pattern);
        }
        path_ = pattern;
#endif
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing separator.
    const std::string& Path() const {
        return path_;
    }
    // `name` inside the folder; File("") is the folder with its trailing
    // separator ('\\' on Windows, '/' elsewhere).
    std::string File(const std::string& name) const {
        return path_ + kSeparator + name;
    }

  private:
#ifdef _WIN32
    static constexpr char kSeparator = '\\';
#else
    static constexpr char kSeparator = '/';
#endif
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The same as octets, for files built with the test EBML writer.
inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}
inline std::vector<uint8_t> ReadOctets(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace torvane::testsupport
