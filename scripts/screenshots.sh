#!/usr/bin/env bash
# Photographs the main window's two pages in both languages into docs/, with a
# fixture chosen as the source and some items ticked. A developer tool, not a
# test: it runs the real window under a virtual X server.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
torvane="$root/$build/bin/torvane"
source_file="$root/tests/fixtures/full.mkv"

if [ ! -x "$torvane" ]; then
    echo "No $torvane: build first (make build)." >&2
    exit 1
fi
need=()
command -v xvfb-run >/dev/null || need+=(xvfb)
command -v xauth >/dev/null || need+=(xauth)
if [ ${#need[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"

for language in Castellano English; do
    case $language in
        Castellano) tag=es ;;
        English) tag=en ;;
    esac
    for page in 0 1; do
        printf '%s\r\n' "$language" > "$work/Torvane.cfg"
        out="$root/docs/main-$tag-page$((page + 1)).png"
        (cd "$work" && TORVANE_SCREENSHOT="$out,$page,$source_file" \
            xvfb-run -a -s "-screen 0 1024x768x24" "$torvane")
        echo "$out"
    done
done
