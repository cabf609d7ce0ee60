#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and the machine lacks.
# Nothing is downloaded any other way. With the argument "windows": what the
# Windows cross builds (64-bit and 32-bit), the installer and their runs under
# Wine need instead (`make windows`, `make windows-test`): the 32-bit Wine
# comes from Debian's i386 architecture, which is added to dpkg for it. Both
# without the recommended extras (fonts among them, which would change what the
# window's tests draw with). Qt for MinGW-w64 is not a Debian package: see
# cmake/WindowsQt.cmake.
set -euo pipefail

apt_options=()
if [ "${1:-}" = windows ]; then
    packages=(
        cmake wine64 wine32:i386 xvfb xauth
        g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
        googletest nsis qt6-base-dev-tools
    )
    apt_options=(--no-install-recommends)
else
    packages=(
        build-essential cmake pkg-config
        qt6-base-dev libgl-dev qt6-translations-l10n
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
    # Another apt run on the machine is waited for, up to a quarter of an hour.
    apt_lock=(-o DPkg::Lock::Timeout=900)
    if [[ " ${missing[*]} " == *:i386\ * ]] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get "${apt_lock[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${apt_lock[@]}" install -y -qq \
        "${apt_options[@]}" "${missing[@]}"
fi
