#!/usr/bin/env bash
# The batch window's benchmark: 50 small Matroska files (copies of
# tests/fixtures/full.mkv named "Episode NN.mkv") extracted by the real window
# with the real tools (one tracks pass, the attachments, the chapters and the
# tags per file), against the same quarvel runs started directly by a shell
# loop, in the same run. Prints best and mean over RUNS runs (default 10),
# their ratio and the batch's own overhead per file in milliseconds. Runs on
# Qt's offscreen platform.
#   bench/batch_bench.sh [RUNS]
set -euo pipefail
runs="${1:-10}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench-ui"
dir="${BENCH_DIR:-/tmp/torvane-batch-bench}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_UI=ON \
    -DTORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target ostrem quarvel torvane_default_formats batch_bench >/dev/null
bin="$build/bin"

rm -rf "$dir"
mkdir -p "$dir/sources"
trap 'rm -rf "$dir"' EXIT
for n in $(seq -w 1 50); do
    cp "$root/tests/fixtures/full.mkv" "$dir/sources/Episode $n.mkv"
done
echo "$(nproc) cores; $(date -u +%FT%TZ)"

if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then  # Qt wants one; a private one is made for the run
    XDG_RUNTIME_DIR=$(mktemp -d)
    trap 'rm -rf "$dir" "$XDG_RUNTIME_DIR"' EXIT
    export XDG_RUNTIME_DIR
fi
"$build/bench/bin/batch_bench" "$bin" "$dir/sources" "$dir/out put" "$runs"
