#!/usr/bin/env bash
# Compiles (syntax and types, no link) every window-free source for Windows with
# the MinGW-w64 cross compiler, so the *_win32.cpp files and the _WIN32 branches
# are checked on a Linux machine. Installs the compiler with apt-get if missing.
# Not part of the tests: Qt, zlib and the run-time module loader are left out.
set -euo pipefail
cd "$(dirname "$0")/.."

CXX=x86_64-w64-mingw32-g++-posix
if ! command -v "$CXX" >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq g++-mingw-w64-x86-64-posix
fi

# POSIX implementations have their _win32 twins; these two need zlib or dlopen,
# and the muxing module needs FFmpeg's headers.
skip='_posix\.cpp$|tools/quarvel/pass/ContentDecoder\.cpp$|tools/quarvel/writers/MuxWriter\.cpp$|^tools/quarvel/mux/'
failed=0
count=0
for f in $(git ls-files core process matroska tools/common tools/ostrem tools/quarvel |
           grep '\.cpp$' | grep -Ev "$skip"); do
    count=$((count + 1))
    if ! "$CXX" -std=c++20 -fsyntax-only -Wall -Wextra -DTORVANE_VERSION='"check"' \
        -I. "$f"; then
        echo "FAILED: $f"
        failed=$((failed + 1))
    fi
done
echo "$((count - failed)) of $count sources compile for Windows"
[ "$failed" -eq 0 ]
