#include <dlfcn.h>

#include "platform/ProgramFolder.h"
#include "tools/quarvel/writers/MuxLoader.h"
#include "tools/quarvel/writers/MuxWriter.h"

namespace quarvel {
namespace {

std::string DlError() {
    const char* e = dlerror();
    return e != nullptr ? e : "unknown error";
}

}  // namespace

std::string MuxModuleFileName() {
    return "libquarvel_mux.so";
}

MuxLibrary OpenMuxLibrary(const std::string& folder, std::string& error) {
    // The folder of the running program, as the window finds the tools.
    std::string where = folder.empty() ? torvane::ProgramFolder() : folder + "/";
    if (where.empty()) {
        where = "./";
    }
    MuxLibrary library;
    library.path = where + MuxModuleFileName();
    dlerror();
    library.handle = dlopen(library.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
        error = DlError();
    }
    return library;
}

void* FindMuxSymbol(const MuxLibrary& library, const char* name, std::string& error) {
    dlerror();
    void* symbol = dlsym(library.handle, name);
    if (symbol == nullptr) {
        error = DlError();
    }
    return symbol;
}

void CloseMuxLibrary(MuxLibrary& library) {
    if (library.handle != nullptr) {
        dlclose(library.handle);
        library.handle = nullptr;
    }
}

}  // namespace quarvel
