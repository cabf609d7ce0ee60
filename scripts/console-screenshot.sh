#!/usr/bin/env bash
# Photographs the console window mid-way through a real extraction into
# docs/console.png. A developer tool, not a test: it runs the real window and
# tools under a virtual X server with twm, so the window has a title bar, and
# grabs the screen with ImageMagick's import.
#
# The source, about 160 MB of PCM audio with chapters and tags, is written by
# bench's big-file generator into SHOT_DIR (default /tmp/media, short so the
# window title shows the whole command line) and removed afterwards, with the
# extracted track.
#   scripts/console-screenshot.sh [BUILD_DIR]     (default: build-bench-ui)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-bench-ui}"
dir="${SHOT_DIR:-/tmp/media}"
out="$root/docs/console.png"

. "$root/scripts/screenshot-setup.sh"
install_missing xvfb-run:xvfb xauth:xauth twm:twm import:imagemagick
build_for_shots "$root" "$build" reader_makebig console_shot
bin="$build/bin"

mkdir -p "$dir/out" "$root/docs"
source_file="$dir/concert.mka"
trap 'rm -f "$source_file" "$dir/out/Track1.wav"; rmdir "$dir/out" "$dir" 2>/dev/null || true' EXIT
"$build/bench/bin/reader_makebig" "$source_file" 160

# twm first, then the driver once it has had time to take the screen.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    twm >/dev/null 2>&1 &
    sleep 1
    "$@"
' driver "$build/bench/bin/console_shot" "$bin" "$source_file" "$dir/out" "$out"
echo "$out"
