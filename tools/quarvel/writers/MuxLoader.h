// The system's side of loading the muxing module: finding its file beside the
// running program, opening it and resolving its entry points. One
// implementation per platform (MuxLoader_posix.cpp with dlopen,
// MuxLoader_win32.cpp with LoadLibraryW).
#pragma once

#include <string>

namespace quarvel {

// An opened module, or none.
struct MuxLibrary {
    void* handle = nullptr;
    std::string path;  // as the messages name it
};

// Opens the module `MuxModuleFileName()` in `folder`, or beside the running
// program when `folder` is empty. On failure the handle is null and `error`
// says why, in the loader's words; `path` is set either way.
MuxLibrary OpenMuxLibrary(const std::string& folder, std::string& error);

// The address of the entry point `name`, or null with `error` set.
void* FindMuxSymbol(const MuxLibrary& library, const char* name, std::string& error);

void CloseMuxLibrary(MuxLibrary& library);

}  // namespace quarvel
