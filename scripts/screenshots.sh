#!/usr/bin/env bash
# Photographs the main window's two pages in both languages into docs/, with a
# fixture chosen as the source and some items ticked. A developer tool, not a
# test: it runs the real window and tools under a virtual X server.
#
# The fixture is copied to SHOT_DIR (default /tmp/media) as film.mkv and removed
# afterwards, so the pictures show a path a user might have, not the project's.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
dir="${SHOT_DIR:-/tmp/media}"
source_file="$dir/film.mkv"

. "$root/scripts/screenshot-setup.sh"
install_missing xvfb-run:xvfb xauth:xauth
build_for_shots "$root" "$build" window_shot

mkdir -p "$root/docs" "$dir"
trap 'rm -f "$source_file"; rmdir "$dir" 2>/dev/null || true' EXIT
cp "$root/tests/fixtures/full.mkv" "$source_file"

for language in Castellano English; do
    case $language in
        Castellano) tag=es ;;
        English) tag=en ;;
    esac
    for page in 0 1; do
        out="$root/docs/main-$tag-page$((page + 1)).png"
        xvfb-run -a -s "-screen 0 1024x768x24" \
            "$build/bench/bin/window_shot" "$build/bin" "$language" "$out" "$page" "$source_file"
        echo "$out"
    done
done
