#!/usr/bin/env bash
# The window's source benchmark: with the real tools on a generated file of
# over 1 GB, the time from confirming the file to the item list and command
# lines filled, against the same three tool runs (quarvel tags, quarvel
# chapters, ostrem -i) started directly, in the same run. Prints best and mean
# over RUNS runs (default 20) and their ratio. Runs on Qt's offscreen platform.
#
# The file (32 s of 720p raw video, the audio and subtitle tracks, attachments,
# chapters and tags of tests/fixtures/full.mkv; Cues and Tags after the
# Clusters) is made with ffmpeg in ${BENCH_DIR:-/tmp/torvane-ui-bench} on the
# first run and kept.
#   bench/ui_source_bench.sh [RUNS]
set -euo pipefail
runs="${1:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench-ui"
dir="${BENCH_DIR:-/tmp/torvane-ui-bench}"
file="$dir/big.mkv"
mkdir -p "$dir"

command -v ffmpeg >/dev/null || apt-get install -y -qq ffmpeg

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_UI=ON \
    -DTORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target ostrem quarvel torvane_default_formats ui_source_bench >/dev/null
bin="$build/bin"

if [[ ! -s $file ]]; then
    echo "generating $file ..." >&2
    ffmpeg -hide_banner -loglevel error -nostdin -y \
        -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=32" -i "$root/tests/fixtures/full.mkv" \
        -map 0:v -map 1:a -map 1:s -map 1:t -map_chapters 1 -map_metadata 1 \
        -c copy -c:v rawvideo -f matroska "$file.part"
    mv "$file.part" "$file"
fi
echo "file: $file, $(stat -c %s "$file") bytes; $(nproc) cores; $(date -u +%FT%TZ)"

if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then  # Qt wants one; a private one is made for the run
    XDG_RUNTIME_DIR=$(mktemp -d)
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
    export XDG_RUNTIME_DIR
fi
"$build/bench/bin/ui_source_bench" "$bin" "$file" "$runs"
