// Windows: the program keeps its texts (paths, command lines, the system's
// messages) in UTF-8; the ANSI calls of the system take and give the ANSI
// code page. Every text crosses over here, on its way in and on its way out.
// A text on its way in that is not UTF-8 is taken to be in the code page
// already (a path the window took from the system as it came) and passes
// unchanged: no ANSI path with an accented letter reads as UTF-8 in practice.
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

namespace ansitext {

// `text` in code page `codePage` as UTF-16, or std::nullopt when it is not
// valid in that code page.
inline std::optional<std::wstring> Widen(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int wide =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wide <= 0) {
        return std::nullopt;
    }
    std::wstring result(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, result.data(), wide);
    return result;
}

// UTF-16 in code page `codePage`; `lossy` (when given) tells whether a
// character had no form there and was replaced.
inline std::string Narrow(UINT codePage, std::wstring_view text, BOOL* lossy) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int narrow =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, lossy);
    std::string result(static_cast<std::size_t>(std::max(narrow, 0)), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), narrow, nullptr, lossy);
    return result;
}

}  // namespace ansitext

// UTF-16 of a UTF-8 text, or std::nullopt when the text is not UTF-8.
inline std::optional<std::wstring> WideFromUtf8(std::string_view utf8) {
    return ansitext::Widen(CP_UTF8, utf8);
}

// A text of the program as an ANSI call takes it.
struct AnsiText {
    std::string text;        // in the ANSI code page
    std::size_t characters;  // as the system counts them (UTF-16 units)
    bool fromUtf8;           // converted from UTF-8, to be converted back
};

// std::nullopt for a UTF-8 text holding a character the code page has no
// form for: passing a look-alike instead would name another file.
inline std::optional<AnsiText> ToAnsiCall(std::string_view text) {
    if (const std::optional<std::wstring> wide = WideFromUtf8(text)) {
        BOOL lossy = FALSE;
        std::string ansi = ansitext::Narrow(CP_ACP, *wide, &lossy);
        if (lossy) {
            return std::nullopt;
        }
        return AnsiText{std::move(ansi), wide->size(), true};
    }
    const std::optional<std::wstring> wide = ansitext::Widen(CP_ACP, text);
    return AnsiText{std::string(text), wide ? wide->size() : text.size(), false};
}

// An ANSI text in UTF-8 (every ANSI byte has a UTF-8 form).
inline std::string Utf8FromAnsi(std::string_view ansi) {
    const std::optional<std::wstring> wide = ansitext::Widen(CP_ACP, ansi);
    return wide ? ansitext::Narrow(CP_UTF8, *wide, nullptr) : std::string(ansi);
}

// The system's text for an error code, in UTF-8, without its final stop.
inline std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? Utf8FromAnsi({text, length}) : "";
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(error) : result;
}

}  // namespace torvane
