# Shared by the MinGW-w64 toolchain files: the compilers, the target's own
# libraries (zlib from Debian's MinGW package) and a statically linked
# runtime, so the tools run on a bare Windows. The window, which runs beside
# Qt's DLLs, takes TORVANE_MINGW_STATIC_RUNTIME out again (ui/CMakeLists.txt).
set(CMAKE_C_COMPILER ${TORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVANE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(TORVANE_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${TORVANE_MINGW_STATIC_RUNTIME}")
# A release ships without its symbol tables: less than half the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON)
# pkg-config looks at the target's libraries only (Debian has no FFmpeg for
# MinGW, so the muxing module is not built).
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TORVANE_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
# GCC 12 warns falsely inside libstdc++'s string and vector code once it is
# inlined for these targets (GCC bugs 105329 and 106199).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict -Wno-stringop-overflow")
