#!/usr/bin/env bash
# `quarvel tracks` on files that are not in memory, against its peers in the
# same run: `cat FILE > /dev/null`, ffmpeg copying the one track, and quarvel
# taking the subtitle alone, one audio track, and all tracks. Then, with the
# file in memory, all tracks against `cp` of the file.
#
#   bench/tracks_cold_bench.sh [BUILD_DIR] [WORK_DIR]
#
# Two files of about 1 GB are made with ffmpeg on the first run (kept in
# WORK_DIR, default /tmp/quarvel-cold-bench; about 3 GB free needed):
#   close.mkv  10 Mbit/s MPEG-4 video, one frame of about 45 KB per block,
#              AC-3, AAC and a subtitle track;
#   large.mkv  intra-coded MPEG-4 video at about 100 Mbit/s (about 500 KB per
#              block), AC-3 and a subtitle track.
# Before every timed run the outputs are removed and `sync` is run, then the
# page cache is dropped (as root; otherwise the script says so and every run
# is warm) and the programs themselves are read back in, so what is timed is
# the reading of the file. Reported: the median wall time over REPS runs
# (default 5; the peers take turns within each round), the ratio to `cat` and
# to ffmpeg, and the bytes read from storage (read_bytes of /proc/PID/io).
# BASELINE=/path/to/quarvel adds the same quarvel rows for another build;
# FILES="close.mkv" measures one file only, WARM=0 leaves out the last table.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
WORK=${2:-/tmp/quarvel-cold-bench}
REPS=${REPS:-5}
QUARVEL=$BUILD/bin/quarvel
[[ -x $QUARVEL ]] || { echo "no quarvel in $BUILD/bin: build first" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed for the benchmark" >&2; exit 2; }
mkdir -p "$WORK"
cd "$WORK"

FF=(ffmpeg -hide_banner -loglevel error -nostdin -y)

# ---- sources -----------------------------------------------------------------
subtitles() {  # subtitles SECONDS: one cue every two seconds
    python3 - "$1" <<'PY'
import sys
def t(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
with open("subs.srt", "w") as f:
    for i in range(int(sys.argv[1]) // 2):
        f.write("%d\n%s --> %s\nLine %d of the subtitles\n\n" % (i + 1, t(i * 2000 + 100), t(i * 2000 + 1500), i))
PY
}

if [[ ! -s close.mkv ]]; then
    echo "making close.mkv in $WORK ..." >&2
    # 20 s of noisy 720p at 10 Mbit/s, played 40 times: 800 s, about 1 GB.
    "${FF[@]}" -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=20" -vf "noise=alls=30:allf=t" \
        -c:v mpeg4 -b:v 10M -minrate 10M -maxrate 10M -bufsize 4M clip.mkv
    subtitles 800
    "${FF[@]}" -stream_loop 39 -i clip.mkv \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=800" \
        -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=800" -i subs.srt \
        -map 0:v -map 1:a -map 2:a -map 3:s -c:v copy -c:a:0 ac3 -b:a:0 448k \
        -c:a:1 aac -b:a:1 192k -ac 2 -c:s srt close.mkv
    rm -f clip.mkv subs.srt
fi
if [[ ! -s large.mkv ]]; then
    echo "making large.mkv in $WORK ..." >&2
    # 8 s of intra-coded noisy 720p (about 500 KB a frame), played 10 times.
    "${FF[@]}" -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=8" -vf "noise=alls=40:allf=t" \
        -c:v mpeg4 -g 1 -q:v 7 clip.mkv
    subtitles 80
    "${FF[@]}" -stream_loop 9 -i clip.mkv \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=80" -i subs.srt \
        -map 0:v -map 1:a -map 2:s -c:v copy -c:a ac3 -b:a 448k -ac 2 -c:s srt large.mkv
    rm -f clip.mkv subs.srt
fi

# ---- measuring ------------------------------------------------------------------
COLD=1
if [[ $(id -u) != 0 ]] || ! { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    COLD=0
    echo "the page cache cannot be dropped here (not root): every run is WARM" >&2
fi

# The programs and the libraries they load, read back in after every drop so
# that the runs differ only in how they read the file.
PROGRAMS=()
for p in "$QUARVEL" "$BUILD/bin/libquarvel_mux.so" "$(command -v ffmpeg)" "$(command -v cat)" \
    "$(command -v cp)" ${BASELINE:+"$BASELINE" "$(dirname "$BASELINE")/libquarvel_mux.so"}; do
    [[ -e $p ]] || continue
    PROGRAMS+=("$p")
    while read -r lib; do PROGRAMS+=("$lib"); done < <(ldd "$p" | awk '$3 ~ /^\// { print $3 }')
done

prepare() {  # prepare FILE cold|warm
    rm -rf out && mkdir out
    sync
    if [[ $2 == cold && $COLD == 1 ]]; then
        echo 3 >/proc/sys/vm/drop_caches
        cat "${PROGRAMS[@]}" >/dev/null
    else
        cat "$1" >/dev/null
    fi
}

# once FILE cold|warm COMMAND...: one run; sets SECS and READ (bytes from storage).
once() {
    local file=$1 how=$2
    shift 2
    prepare "$file" "$how"
    local start=$EPOCHREALTIME io
    # The inner shell reaps the command, so its own counters include it.
    io=$(bash -c '"$@" >/dev/null 2>err.txt || echo "failed: $*" >&2; read -r -d "" io </proc/$$/io; echo "$io"' \
        _ "$@" || true)
    SECS=$(echo "$EPOCHREALTIME - $start" | bc -l)
    READ=$(awk '$1 == "read_bytes:" { print $2 }' <<<"$io")
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }

# table FILE cold|warm NAME=COMMAND...: REPS rounds, the peers in a different
# order each round; prints one line per peer; T[NAME] and R[NAME] keep medians.
declare -A T R
table() {
    local file=$1 how=$2
    shift 2
    local names=() cmds=() k r
    for peer in "$@"; do
        names+=("${peer%%=*}")
        cmds+=("${peer#*=}")
    done
    local n=${#names[@]}
    declare -A secs reads
    for ((r = 0; r < REPS; r++)); do
        for ((k = 0; k < n; k++)); do
            local i=$(((k + r) % n))
            # shellcheck disable=SC2086
            once "$file" "$how" ${cmds[$i]}
            secs[$i]+="$SECS "
            reads[$i]+="$READ "
        done
    done
    for ((k = 0; k < n; k++)); do
        T[${names[$k]}]=$(tr ' ' '\n' <<<"${secs[$k]}" | grep . | median)
        R[${names[$k]}]=$(tr ' ' '\n' <<<"${reads[$k]}" | grep . | median)
        printf '  %-28s %6.3f s   read %5d MB  (runs: %s)\n' "${names[$k]}" "${T[${names[$k]}]}" \
            $((R[${names[$k]}] / 1000000)) "${secs[$k]% }"
    done
}

echo "quarvel tracks, file not in memory: $(date -u +%FT%TZ), $(nproc) cores, REPS=$REPS," \
    "load $(cut -d' ' -f1-3 /proc/loadavg), cache dropped: $([[ $COLD == 1 ]] && echo yes || echo NO)"

for FILE in ${FILES:-close.mkv large.mkv}; do
    SIZE=$(stat -c %s "$FILE")
    if [[ $FILE == close.mkv ]]; then
        AUDIO=2 SUB=4 ALL="1:out/v.m4v 2:out/a.ac3 3:out/a.aac 4:out/s.srt"
    else
        AUDIO=2 SUB=3 ALL="1:out/v.m4v 2:out/a.ac3 3:out/s.srt"
    fi
    echo
    echo "$FILE: $SIZE bytes ($(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$FILE" |
        paste -sd' '))"
    peers=("cat=cat $FILE"
        "ffmpeg subtitle=${FF[*]} -i $FILE -map 0:$((SUB - 1)) -c copy out/s.srt"
        "ffmpeg audio=${FF[*]} -i $FILE -map 0:$((AUDIO - 1)) -c copy out/a.ac3"
        "quarvel subtitle=$QUARVEL tracks $FILE $SUB:out/s.srt"
        "quarvel audio=$QUARVEL tracks $FILE $AUDIO:out/a.ac3"
        "quarvel all=$QUARVEL tracks $FILE $ALL")
    if [[ -n ${BASELINE:-} ]]; then
        peers+=("baseline subtitle=$BASELINE tracks $FILE $SUB:out/s.srt"
            "baseline audio=$BASELINE tracks $FILE $AUDIO:out/a.ac3"
            "baseline all=$BASELINE tracks $FILE $ALL")
    fi
    table "$FILE" cold "${peers[@]}"
    for who in subtitle audio; do
        echo "  quarvel $who: $(ratio "${T[quarvel $who]}" "${T[cat]}")x the time of cat," \
            "ffmpeg/quarvel = $(ratio "${T[ffmpeg $who]}" "${T[quarvel $who]}")x," \
            "read $(echo "scale=1; 100 * ${R[quarvel $who]} / $SIZE" | bc -l)% of the file"
    done
done

[[ ${WARM:-1} == 1 ]] || { rm -rf out err.txt; exit 0; }
echo
echo "close.mkv, all tracks, file in memory:"
table close.mkv warm "cp=cp close.mkv out/" \
    "quarvel all=$QUARVEL tracks close.mkv 1:out/v.m4v 2:out/a.ac3 3:out/a.aac 4:out/s.srt" \
    ${BASELINE:+"baseline all=$BASELINE tracks close.mkv 1:out/v.m4v 2:out/a.ac3 3:out/a.aac 4:out/s.srt"}
echo "  quarvel all: $(ratio "${T[quarvel all]}" "${T[cp]}")x the time of cp"
rm -rf out err.txt
