#!/usr/bin/env bash
# Timestamps of the video track of a 1 GB file: `quarvel timestamps` against
# its peer `ffprobe -select_streams v:0 -show_entries packet=pts_time`, FFmpeg's
# demuxer listing the times of the same packets, in the same run on the same
# file: first with the file not in memory (the page cache dropped before every
# run, as root; otherwise the script says so), then with it in memory.
#
#   bench/timestamps_bench.sh [BUILD_DIR] [WORK_DIR]
#
# WORK_DIR (default /tmp/quarvel-cold-bench) holds close.mkv and large.mkv as
# bench/tracks_cold_bench.sh makes them: run that first, or name the folder
# where they are. FILES="close.mkv" measures one file only. Reported: the
# median wall time over REPS runs (default 5; the two peers take turns within
# each round), the ratio ffprobe/quarvel, quarvel's peak memory, and whether
# the two lists agree to the millisecond once ffprobe's is sorted.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
WORK=${2:-/tmp/quarvel-cold-bench}
REPS=${REPS:-5}
QUARVEL=$BUILD/bin/quarvel
[[ -x $QUARVEL ]] || { echo "no quarvel in $BUILD/bin: build first" >&2; exit 2; }
command -v ffprobe >/dev/null || { echo "ffprobe is needed for the benchmark" >&2; exit 2; }
cd "$WORK"
for f in ${FILES:-close.mkv large.mkv}; do
    [[ -s $f ]] || { echo "no $f in $WORK: run bench/tracks_cold_bench.sh first" >&2; exit 2; }
done
# The outputs go to a folder of this run's own: other benchmarks may be
# using WORK_DIR at the same time.
OUT=$(mktemp -d "$WORK/timestamps-bench.XXXXXX")
trap 'rm -rf "$OUT"' EXIT

COLD=1
if [[ $(id -u) != 0 ]] || ! { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    COLD=0
    echo "the page cache cannot be dropped here (not root): the cold runs are WARM" >&2
fi

# The programs and the libraries they load, read back in after every drop so
# that the runs differ only in how they read the file.
PROGRAMS=()
for p in "$QUARVEL" "$(command -v ffprobe)"; do
    PROGRAMS+=("$p")
    while read -r lib; do PROGRAMS+=("$lib"); done < <(ldd "$p" | awk '$3 ~ /^\// { print $3 }')
done

prepare() {  # prepare FILE cold|warm
    rm -f "$OUT"/*
    sync
    if [[ $2 == cold && $COLD == 1 ]]; then
        echo 3 >/proc/sys/vm/drop_caches
        cat "${PROGRAMS[@]}" >/dev/null
    else
        cat "$1" >/dev/null
    fi
}

QUARVEL_RUN=()
FFPROBE_RUN=()
once() {  # once FILE cold|warm quarvel|ffprobe: one run; sets SECS
    prepare "$1" "$2"
    local start=$EPOCHREALTIME
    if [[ $3 == quarvel ]]; then
        "${QUARVEL_RUN[@]}" >/dev/null 2>"$OUT/err.txt"
    else
        "${FFPROBE_RUN[@]}" >"$OUT/ffprobe.txt" 2>"$OUT/err.txt"
    fi
    SECS=$(echo "$EPOCHREALTIME - $start" | bc -l)
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }

echo "quarvel timestamps: $(date -u +%FT%TZ), $(nproc) cores, REPS=$REPS," \
    "load $(cut -d' ' -f1-3 /proc/loadavg), cache dropped: $([[ $COLD == 1 ]] && echo yes || echo NO)"

for FILE in ${FILES:-close.mkv large.mkv}; do
    SIZE=$(stat -c %s "$FILE")
    # The first video stream, and the track the listing numbers for it.
    V=$(ffprobe -v error -show_entries stream=index,codec_type -of csv=p=0 "$FILE" |
        awk -F, '$2 == "video" { print $1; exit }')
    QUARVEL_RUN=("$QUARVEL" timestamps "$FILE" "$((V + 1)):$OUT/v.txt")
    FFPROBE_RUN=(ffprobe -v error -select_streams "v:0" -show_entries packet=pts_time -of csv=p=0
        "$FILE")
    echo
    echo "$FILE: $SIZE bytes, video track $((V + 1))"
    for how in cold warm; do
        q="" f=""
        for ((r = 0; r < REPS; r++)); do
            if ((r % 2 == 0)); then
                once "$FILE" $how quarvel && q+="$SECS "
                once "$FILE" $how ffprobe && f+="$SECS "
            else
                once "$FILE" $how ffprobe && f+="$SECS "
                once "$FILE" $how quarvel && q+="$SECS "
            fi
        done
        TQ=$(median <<<"$q") TF=$(median <<<"$f")
        printf '  %s: quarvel %6.3f s, ffprobe %6.3f s: ffprobe/quarvel = %sx  (runs: %s / %s)\n' \
            "$how" "$TQ" "$TF" "$(ratio "$TF" "$TQ")" "${q% }" "${f% }"
    done
    # One more run of each, kept: their lists must agree, and quarvel's peak memory.
    "${FFPROBE_RUN[@]}" | awk '{ printf "%.0f\n", $1 * 1000 }' | sort -n >"$OUT/ffprobe-ms.txt"
    /usr/bin/time -f "%M" -o "$OUT/time.txt" "${QUARVEL_RUN[@]}" >/dev/null
    tail -n +2 "$OUT/v.txt" | awk '{ printf "%.0f\n", $1 }' >"$OUT/quarvel-ms.txt"
    if cmp -s "$OUT/ffprobe-ms.txt" "$OUT/quarvel-ms.txt"; then
        agree="the same $(wc -l <"$OUT/quarvel-ms.txt") times"
    else
        agree="THE LISTS DIFFER"
    fi
    echo "  quarvel peak $(($(tail -1 "$OUT/time.txt") / 1024)) MiB; quarvel and ffprobe sorted: $agree"
done
