#!/usr/bin/env bash
# Hostile-input benchmark: runs ostrem and every quarvel mode on the files of
# tests/support/HostileFiles.h (values that add up to gigabytes, counts far
# past a limit, a zlib frame expanding to 1 GiB) and on 4,000 outputs of one
# call, and prints for each run its exit status, peak resident memory
# (/usr/bin/time) and time. The tools' budget is 64 MB whatever the file. As
# the peer, ffprobe -show_format -show_chapters on the same file in the same
# run. The files are sparse: gigabytes named, little on disk.
#   bench/hostile_bench.sh [BIN_FOLDER]   (default: a Release build in build-bench)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
dir="${BENCH_DIR:-/tmp/torvane-hostile-bench}"
[ -x /usr/bin/time ] || apt-get install -y -qq time

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVANE_BUILD_UI=OFF -DTORVANE_BUILD_TESTS=OFF >/dev/null
if [ $# -ge 1 ]; then
    bin="$1"
    cmake --build "$build" -j2 --target hostile_makefiles >/dev/null
else
    bin="$build/bin"
    cmake --build "$build" -j2 --target ostrem quarvel quarvel_mux hostile_makefiles >/dev/null
fi

rm -rf "$dir"
mkdir -p "$dir/files"
"$build/bench/bin/hostile_makefiles" "$dir/files"

printf '%-34s %-30s %6s %8s %8s %11s\n' case run status "peak MB" seconds "ffprobe MB"
for runs in "$dir"/files/*.runs; do
    file="${runs%.runs}.mkv"
    name="$(head -1 "$runs" | cut -c3-)"
    peer="-"
    if command -v ffprobe >/dev/null; then
        /usr/bin/time -f "%M" -o "$dir/peer.txt" ffprobe -v quiet -show_format -show_chapters \
            "$file" >/dev/null 2>&1 || true
        peer="$(tail -1 "$dir/peer.txt" | awk '{printf "%.1f", $1 / 1024}')"
    fi
    # Every tool on every file, and the file's own track runs.
    { printf 'ostrem\t-i\tF\nquarvel\tchapters\tF\nquarvel\tchapters\tF\t-s\n'
      printf 'quarvel\ttags\tF\nquarvel\tattachments\tF\t1:O/a\n'
      tail -n +2 "$runs" | grep '^quarvel.tracks' || true; } | while IFS=$'\t' read -r -a words; do
        rm -rf "$dir/out" && mkdir -p "$dir/out"
        args=()
        for w in "${words[@]:1}"; do
            w="${w//O\//$dir/out/}"
            [ "$w" = F ] && w="$file"
            args+=("$w")
        done
        status=0
        /usr/bin/time -f "%M %e" -o "$dir/time.txt" "$bin/${words[0]}" "${args[@]}" \
            >/dev/null 2>"$dir/stderr.txt" || status=$?
        read -r kib seconds < <(tail -1 "$dir/time.txt")
        label="${words[0]} ${words[1]}"
        [ "${words[3]:-}" = -s ] && label+=" -s"
        [ "${words[1]}" = tracks ] && label+=" ($((${#words[@]} - 3)) outputs)"
        printf '%-34s %-30s %6s %8s %8s %11s\n' "$name" "$label" "$status" \
            "$(awk -v k="$kib" 'BEGIN {printf "%.1f", k / 1024}')" "$seconds" "$peer"
    done
done
