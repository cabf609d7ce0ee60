# Cross build for 32-bit Windows with Debian's MinGW-w64 (the posix thread
# model, for std::thread). `make windows` uses it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TORVANE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-common.cmake)
