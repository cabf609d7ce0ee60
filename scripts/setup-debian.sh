#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and the machine lacks.
# Nothing is downloaded any other way. With the argument "windows": what the
# 64-bit Windows cross build and its run under Wine need instead (`make
# windows-test`), and with "windows i686" the 32-bit compiler too (`make
# windows`); both without the recommended extras (fonts among them, which
# would change what the window's tests on Linux draw with).
set -euo pipefail

apt_options=()
if [ "${1:-}" = windows ]; then
    packages=(
        cmake wine64 xvfb xauth
        g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
        googletest
    )
    [ "${2:-}" != i686 ] || packages+=(g++-mingw-w64-i686-posix)
    apt_options=(--no-install-recommends)
else
    packages=(
        build-essential cmake pkg-config
        qt6-base-dev libgl-dev
        libavformat-dev libavcodec-dev libavutil-dev
        zlib1g-dev
        libgtest-dev
        clang libclang-rt-14-dev clang-format clang-tidy
        shellcheck
        fonts-dejavu-core
        dpkg-dev file desktop-file-utils
        scdoc man-db lintian appstream
    )
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${apt_options[@]}" "${missing[@]}"
fi
