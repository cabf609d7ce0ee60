#!/usr/bin/env bash
# Torvane's Windows installer and the installed window under Wine, against the
# Linux window.
#
# The installer runs silently (/S) in the Wine prefix; what it installed is
# looked at (program folder, Start-menu entry, "Open with" of .mkv/.mka/.mks,
# the entry of Settings > Apps). The installed torvane.exe is then started on
# the virtual display with a fixture named on its command line, from a folder
# holding no Torvane.cfg (so it starts in %APPDATA%\Torvane, made with the
# settings file), and worked by the driver plugin (Driver.cpp, built for
# Windows): it reads the list, ticks every item, extracts them through the
# console runs into a folder, and closes. The Linux window does the same on the
# same fixture, worked by the same driver. Both must list the same items, end
# with the same boxes and console statuses, and write the same files, byte for
# byte. Each runs without the muxing module (Debian has no FFmpeg for MinGW):
# a track that needs it fails the tracks step the same way on both, and the
# other items are still written. Last, the uninstaller runs silently and must
# leave nothing of what was installed, and the user's own folder as it was.
#
# usage: installed_under_wine.sh INSTALLER WINDOWS_DRIVER_DIR LINUX_BUILD_DIR
#                                FIXTURES_DIR WINEPREFIX
set -uo pipefail

installer=$(realpath "$1") windows_driver=$(realpath "$2") linux_build=$(realpath "$3")
fixtures=$(realpath "$4")
WINEPREFIX=$(realpath "$5")
export WINEPREFIX WINEDEBUG=-all
wine=/usr/lib/wine/wine64

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# A path of this machine as Windows programs under Wine name it.
windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

program_folder="$WINEPREFIX/drive_c/Program Files/Torvane"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Torvane.lnk"
user_folder="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Torvane"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$user_folder"

# A key's values, or nothing when it does not exist.
registry() {
    local values
    values=$("$wine" reg query "$1" 2>/dev/null) && printf '%s\n' "$values" | tr -d '\r'
}

# --- Install ------------------------------------------------------------------
"$wine" "$installer" /S
status=$?
[ "$status" -eq 0 ] || fail "the installer ended with status $status"
for file in torvane.exe ostrem.exe quarvel.exe Qt6Widgets.dll libstdc++-6.dll \
    platforms/qwindows.dll Formats.txt README.html uninstall.exe; do
    [ -f "$program_folder/$file" ] || fail "not installed: $file"
done
[ -f "$start_menu" ] || fail "no Start-menu entry"
for extension in mkv mka mks; do
    registry "HKLM\\Software\\Classes\\.$extension\\OpenWithProgids" |
        grep -q Torvane.MatroskaFile || fail "Torvane is not in the \"Open with\" list of .$extension"
done
registry 'HKLM\Software\Classes\Torvane.MatroskaFile\shell\open\command' |
    grep -qF '"C:\Program Files\Torvane\torvane.exe" "%1"' || fail "no open command"
installed_kib=$(registry 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane' |
    sed -n 's/.*EstimatedSize *REG_DWORD *0x\([0-9a-f]*\)/\1/p')
[ -n "$installed_kib" ] || fail "no entry in Settings > Apps"
echo "installed: $((16#${installed_kib:-0})) KiB in $(find "$program_folder" -type f | wc -l) files"

# --- The same session on both windows ------------------------------------------
# session SIDE FIXTURE: copies the fixture under a name with a blank and an
# accent, runs the window of SIDE on it and leaves its report in
# $work/SIDE.report and its outputs in "$work/SIDE out/".
session() {
    local side=$1 fixture=$2
    local films="$work/$side películas"
    mkdir -p "$films" "$work/$side out"
    cp "$fixtures/$fixture" "$films/la película.${fixture##*.}"
    local source="$films/la película.${fixture##*.}"
    local script="$work/$side.script" report="$work/$side.report"
    rm -f "$report"
    local out="$work/$side out/"
    [ "$side" = windows ] && out="$(windows_path "$out")\\"
    printf '%s\n' window items "folder $out" checkall extract close >"$script"
    local status
    if [ "$side" = windows ]; then
        # Started from a folder without a settings file, as the Start menu
        # and Explorer start it.
        (cd "$work" && WINEQT_PLUGIN_PATH="$(windows_path "$windows_driver")" \
            WINEQT_QPA_GENERIC_PLUGINS="torvanedriver:$(windows_path "$script")" \
            TORVANE_DRIVER_REPORT="$(windows_path "$report")" \
            timeout 300 "$wine" 'C:\Program Files\Torvane\torvane.exe' "$(windows_path "$source")")
        status=$?
    else
        # The Linux programs in a folder of their own, without the module.
        local program="$work/linux program" home="$work/linux home"
        mkdir -p "$program" "$home"
        cp "$linux_build/bin/torvane" "$linux_build/bin/ostrem" "$linux_build/bin/quarvel" \
            "$program_folder/Formats.txt" "$program/"
        printf 'English\r\n' >"$home/Torvane.cfg"
        (cd "$home" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home" \
            QT_PLUGIN_PATH="$linux_build/tests/install/plugins" \
            QT_QPA_GENERIC_PLUGINS="torvanedriver:$script" TORVANE_DRIVER_REPORT="$report" \
            timeout 300 "$program/torvane" "$source")
        status=$?
    fi
    [ "$status" -eq 0 ] || fail "the $side window on $fixture ended with status $status"
    tail -n1 "$report" | grep -qx quit || fail "the $side window on $fixture did not end by closing"
}

# What the user was told, without the tools' own lines (the Linux window
# shows them in its boxes; on Windows they are in the tool's console).
told() {
    grep -E '^(items|box|console|new-format|quit)' "$1"
}

for fixture in full.mkv subs.mks; do
    rm -rf "${work:?}"/*
    session windows "$fixture"
    session linux "$fixture"
    echo "== $fixture, what the Windows window told:"
    sed 's/^/  /' "$work/windows.report"
    if ! diff <(told "$work/linux.report") <(told "$work/windows.report"); then
        fail "the windows told different things on $fixture"
    fi
    if ! diff -r "$work/linux out" "$work/windows out"; then
        fail "different outputs on $fixture"
    fi
    echo "  outputs: $(find "$work/windows out" -type f | wc -l) files, the same on both"
done
[ "$(cat "$user_folder/Torvane.cfg" 2>/dev/null)" = "$(printf 'English\r\n')" ] ||
    fail "no Torvane.cfg in %APPDATA%\\Torvane"

# --- Uninstall -----------------------------------------------------------------
# The uninstaller copies itself away and runs from there, so its end is not
# the end of this command: wait for its last step, the entry of Settings >
# Apps going, after the folder and the Start-menu entry.
"$wine" "$program_folder/uninstall.exe" /S
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane'
for _ in $(seq 120); do
    [ -e "$program_folder" ] || [ -n "$(registry "$uninstall_key")" ] || break
    sleep 0.5
done
[ -e "$program_folder" ] && fail "left in the program folder: $(cd "$program_folder" && find . -type f)"
[ -e "$start_menu" ] && fail "the Start-menu entry is left"
for key in 'HKLM\Software\Classes\Torvane.MatroskaFile' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane'; do
    [ -z "$(registry "$key")" ] || fail "left in the registry: $key"
done
registry 'HKLM\Software\Classes\.mkv\OpenWithProgids' | grep -q Torvane &&
    fail "Torvane is left in the \"Open with\" list"
[ -f "$user_folder/Torvane.cfg" ] || fail "the uninstaller took the user's settings"

echo "$failures failures"
[ "$failures" -eq 0 ]
