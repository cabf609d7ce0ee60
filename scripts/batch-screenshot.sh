#!/usr/bin/env bash
# Photographs the batch window with its preview in both languages into
# docs/batch-en.png and docs/batch-es.png. A developer tool, not a test: it
# runs the real window and tools under a virtual X server.
#
# The sources are copies of the test fixtures named as a season's episodes
# (and one file that is not Matroska), in SHOT_DIR (default /tmp/Series, short
# and neutral, since the window shows it), removed afterwards.
#   scripts/batch-screenshot.sh [BUILD_DIR]     (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
dir="${SHOT_DIR:-/tmp/Series}"

. "$root/scripts/screenshot-setup.sh"
install_missing xvfb-run:xvfb xauth:xauth
build_for_shots "$root" "$build" batch_shot
bin="$build/bin"

mkdir -p "$dir" "$root/docs"
trap 'rm -rf "$dir"' EXIT
fixtures="$root/tests/fixtures"
cp "$fixtures/full.mkv" "$dir/Episode 01.mkv"
cp "$fixtures/subs.mks" "$dir/Episode 02.mks"
cp "$fixtures/plain.mka" "$dir/Episode 03.mka"
cp "$fixtures/codecs/multi.mkv" "$dir/Episode 04.mkv"
echo "This is not a Matroska file." > "$dir/Episode 05.mkv"

for language in Castellano English; do
    case $language in
        Castellano) tag=es ;;
        English) tag=en ;;
    esac
    out="$root/docs/batch-$tag.png"
    # From a neutral folder: the window shows no path of the build.
    (cd "$dir" && xvfb-run -a -s "-screen 0 1024x768x24" \
        "$build/bench/bin/batch_shot" "$bin" "$language" "$out" "$dir/Extracted" "$dir")
    echo "$out"
done
