#include <windows.h>

#include <string>

#include "tools/quarvel/writers/MuxLoader.h"
#include "tools/quarvel/writers/MuxWriter.h"

namespace quarvel {
namespace {

// The folder of the running program in the system's own (UTF-16) form, up to
// and including its last separator, so that a folder whose name the ANSI
// code page cannot spell still finds its module.
std::wstring ProgramFolderW() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) {
            return {};
        }
        if (got < buffer.size()) {
            buffer.resize(got);
            const size_t sep = buffer.find_last_of(L"\\/");
            return sep == std::wstring::npos ? std::wstring() : buffer.substr(0, sep + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The tools' texts (arguments, messages) are in the ANSI code page.
std::wstring Wide(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                        nullptr, nullptr);
    return narrow;
}

std::string LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    if (message.empty()) {
        return "system error " + std::to_string(code);
    }
    return Narrow(message);
}

}  // namespace

std::string MuxModuleFileName() {
    return "quarvel_mux.dll";
}

MuxLibrary OpenMuxLibrary(const std::string& folder, std::string& error) {
    const std::wstring where = folder.empty() ? ProgramFolderW() : Wide(folder) + L"\\";
    const std::wstring path = where + Wide(MuxModuleFileName());
    MuxLibrary library;
    library.path = Narrow(path);
    // The module's own dependencies (FFmpeg's DLLs) are searched for in its
    // folder first, then in the system's folders; never in the current one.
    library.handle = LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library.handle == nullptr) {
        error = LastErrorText();
    }
    return library;
}

void* FindMuxSymbol(const MuxLibrary& library, const char* name, std::string& error) {
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(library.handle), name);
    if (symbol == nullptr) {
        error = LastErrorText();
    }
    return reinterpret_cast<void*>(symbol);
}

void CloseMuxLibrary(MuxLibrary& library) {
    if (library.handle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library.handle));
        library.handle = nullptr;
    }
}

}  // namespace quarvel
