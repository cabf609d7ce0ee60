#!/usr/bin/env bash
# Reader benchmark: on a generated file of SIZE_MB (default 1100) megabytes with
# its Cues, Chapters and Tags after the Clusters, measures ostrem -i, quarvel
# chapters and quarvel tags against ffprobe -show_chapters -show_format on the
# same file in the same run, and the bytes of the file each of our runs reads.
# The same again once the SeekHead is turned into a Void, so the tools must walk
# the Clusters. The file goes to ${BENCH_DIR:-/tmp/torvane-reader-bench}.
#   bench/reader_bench.sh [SIZE_MB]
set -euo pipefail
size_mb="${1:-1100}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
dir="${BENCH_DIR:-/tmp/torvane-reader-bench}"
mkdir -p "$dir"
file="$dir/big.mkv"

if ! command -v hyperfine >/dev/null; then
    apt-get install -y -qq hyperfine >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq hyperfine; }
fi
command -v ffprobe >/dev/null || apt-get install -y -qq ffmpeg

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_UI=OFF -DTORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target ostrem quarvel reader_makebig >/dev/null
bin="$build/bin"

"$build/bench/bin/reader_makebig" "$file" "$size_mb"
echo "file: $file, $(stat -c %s "$file") bytes"
# Warm the page cache once so every command meets the file alike.
cat "$file" >/dev/null

bytes_read() {  # prints the bytes of the file one run reads
    TORVANE_REPORT_BYTES=1 "$@" 2>&1 >/dev/null | sed -n 's/^bytes read: //p'
}

measure() {
    local label="$1"
    echo
    echo "== $label"
    for cmd in "ostrem -i" "quarvel chapters" "quarvel tags"; do
        read -r tool mode <<<"$cmd"
        echo "bytes read by $cmd: $(bytes_read "$bin/$tool" "$mode" "$file")"
    done
    hyperfine -N --warmup 3 --min-runs 20 --export-markdown "$dir/$label.md" \
        -n "ostrem -i" "$bin/ostrem -i $file" \
        -n "quarvel chapters" "$bin/quarvel chapters $file" \
        -n "quarvel tags" "$bin/quarvel tags $file" \
        -n "ffprobe -show_chapters -show_format" "ffprobe -v error -show_chapters -show_format $file" |
        grep -E "^(Benchmark|  Time)"
    cat "$dir/$label.md"
}

measure indexed
"$build/bench/bin/reader_makebig" --unindex "$file"
measure unindexed
rm -f "$file"
