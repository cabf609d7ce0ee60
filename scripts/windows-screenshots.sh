#!/usr/bin/env bash
# Photographs the installed Windows program under Wine: the window in English and
# in Spanish with a file listed, and the console of an extraction while it
# runs. A developer tool, not a test: it installs the built installer silently
# into a Wine prefix of its own and works the installed torvane.exe with the
# test driver plugin, inside Wine's own desktop (which draws the title bars),
# on a virtual X server. The language is the one Wine takes from LANG: the
# first start in a fresh %APPDATA%\Torvane writes it into Torvane.cfg. The
# pictures are window-en.png, window-es.png and console-en.png.
#
#   scripts/windows-screenshots.sh OUT_DIR [WIN64_BUILD] [LINUX_BUILD]
#
# Needs `make windows-test` (or `make windows-installer` with the driver target
# torvane_test_driver of both builds and the Linux bench/bin/reader_makebig).
set -euo pipefail
# The rest runs on the virtual X server.
if [ "${1:-}" != --on-display ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display "$@"
fi
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
out=$(realpath -m "$1")
win64=$(realpath "${2:-$root/build-win64}")
linux=$(realpath "${3:-$root/build}")
wine=/usr/lib/wine/wine64

work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$out"

windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# The films, under the names a user might give them; a large one keeps the
# console busy long enough to be seen.
mkdir -p "$work/Mis vídeos"
cp "$root/tests/fixtures/full.mkv" "$work/Mis vídeos/Concierto en directo.mkv"
"$linux/bench/bin/reader_makebig" "$work/Mis vídeos/Ensayo largo.mka" 1000 >/dev/null

# Wine takes its language from the C library's locale: a Spanish one is made
# for it here, as the system may have none.
locales="$work/locales"
mkdir -p "$locales"
localedef -i es_ES -f UTF-8 "$locales/es_ES.UTF-8"

# shoot NAME LANG FILM STEPS...: starts the installed window on FILM inside
# Wine's desktop, runs the driver's STEPS (a step "shot" is replaced by a wait
# for the picture), and photographs the screen when the report shows a line
# beginning with the text after "shot:" in the steps.
shoot() {
    local name=$1 lang=$2 film=$3
    shift 3
    local script="$work/$name.script" report="$work/$name.report" done="$work/$name.done"
    local trigger=""
    rm -f "$report" "$done"
    : >"$script"
    for step in "$@"; do
        case $step in
            shot:*)
                trigger=${step#shot:}
                echo "wait $(windows_path "$done")" >>"$script"
                ;;
            *) echo "$step" >>"$script" ;;
        esac
    done
    rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Torvane"
    (cd "$work" && LOCPATH=$locales LANG=$lang \
        WINEQT_PLUGIN_PATH="$(windows_path "$win64/tests/install/plugins")" \
        WINEQT_QPA_GENERIC_PLUGINS="torvanedriver:$(windows_path "$script")" \
        TORVANE_DRIVER_REPORT="$(windows_path "$report")" \
        "$wine" explorer /desktop=Torvane,1024x768 'C:\Program Files\Torvane\torvane.exe' \
        "$(windows_path "$film")") &
    local program=$!
    for _ in $(seq 600); do
        if [ -n "$trigger" ] && grep -q "^$trigger" "$report" 2>/dev/null; then
            sleep "${SETTLE:-2}"
            import -window root "$out/$name.png"
            echo "$out/$name.png"
            touch "$done"
            break
        fi
        sleep 0.1
    done
    wait "$program" || true
}

main() {
    "$wine" wineboot -i >/dev/null 2>&1
    "$wine" "$win64"/Torvane-*-setup.exe /S
    local film="$work/Mis vídeos/Concierto en directo.mkv"
    shoot window-en C.UTF-8 "$film" window items shot:items close
    shoot window-es es_ES.UTF-8 "$film" window items shot:items close
    # The console, once quarvel is writing the large track (its unfinished
    # file is there).
    local folder="$work/salida"
    mkdir -p "$folder"
    shoot console-en C.UTF-8 "$work/Mis vídeos/Ensayo largo.mka" window items \
        "folder $(windows_path "$folder")\\" checkall extract close &
    local extraction=$!
    for _ in $(seq 600); do
        if compgen -G "$folder/*quarvel-part*" >/dev/null; then
            sleep 0.5
            import -window root "$out/console-en.png"
            echo "$out/console-en.png"
            break
        fi
        sleep 0.1
    done
    wait "$extraction"
}

main
