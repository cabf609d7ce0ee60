#pragma once

#include <string>
#include <string_view>

namespace torvane {

inline constexpr std::string_view kSettingsFileName = "Torvane.cfg";

// The two language words the settings file may hold. Any other word, the
// empty one included, is unrecognised.
inline constexpr std::string_view kWordSpanish = "Castellano";
inline constexpr std::string_view kWordEnglish = "English";

enum class Language { Spanish, English, Unrecognised };

// Exact, case-sensitive comparison of the whole word; no trimming.
Language LanguageFromWord(std::string_view word);

// The settings file Torvane.cfg. Its path is fixed when the object is made:
// the open-file dialog later changes the current folder, and Exit and About
// must keep finding the file that start-up read.
class SettingsFile {
  public:
    explicit SettingsFile(std::string absolutePath);

    // Torvane.cfg in the current folder at the moment of the call. Call it once
    // at start-up and keep the object.
    static SettingsFile InStartupFolder();

    const std::string& Path() const { return path_; }

    // The first line: the bytes up to the first CR, LF, character 26 or the end
    // of the file. An empty file gives the empty word.
    // Throws IoError("File not found") when the file does not exist, and an
    // IoError naming the file and the reason when it cannot be read.
    std::string ReadWord() const;

    // Replaces the file's content with the word followed by CR LF. The new
    // content is written beside the file and renamed over it, so a failed write
    // leaves the old file as it was. Throws IoError naming the file and the
    // reason ("Cannot create file \"PATH\". REASON").
    void WriteWord(std::string_view word) const;

  private:
    std::string path_;
};

}  // namespace torvane
