#!/usr/bin/env bash
# Speed and memory of `quarvel tracks` against its peers, measured in the same
# run on the same files:
#   - all tracks of a file: quarvel vs `ffmpeg -map ... -c copy` writing the
#     same outputs, and vs `cp FILE DIR/` (the same bytes read and written);
#   - one subtitle track: quarvel vs ffmpeg, and the bytes quarvel reads;
#   - peak memory (maximum resident set) of each quarvel run.
#
#   bench/tracks_bench.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR defaults to build/, WORK_DIR to /tmp/quarvel-bench (needs about
# 6 GB free). The source files (over 1 GB each) are generated there with
# ffmpeg on the first run and kept. Each timing is the median of REPS runs
# (default 3). With COLD=1 (the default when running as root) the page cache
# is dropped before every run, so every peer reads from the disk; otherwise
# every peer runs with the source already cached.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
WORK=${2:-/tmp/quarvel-bench}
REPS=${REPS:-3}
QUARVEL=$BUILD/bin/quarvel
[[ -x $QUARVEL ]] || { echo "no quarvel in $BUILD/bin: build first" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed for the benchmark" >&2; exit 2; }
mkdir -p "$WORK"
cd "$WORK"

if [[ -z ${COLD:-} ]]; then
    if [[ $(id -u) == 0 ]] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
        COLD=1
    else
        COLD=0
    fi
fi

FF=(ffmpeg -hide_banner -loglevel error -nostdin -y)

# ---- sources -----------------------------------------------------------------
# big1.mkv: 60 s of 720p H.264 (noisy, about 170 Mbit/s), AC-3, AAC and FLAC
# audio, SRT and ASS subtitles. big2.mkv: the video and the AC-3 track alone.
if [[ ! -s big1.mkv ]]; then
    echo "generating sources in $WORK ..." >&2
    "${FF[@]}" -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=10" -vf "noise=alls=60:allf=t" \
        -c:v libx264 -preset ultrafast -crf 14 -g 50 clip.mkv
    python3 - <<'PY'
def t(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
def c(ms):
    return "%d:%02d:%02d.%02d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000 // 10)
with open("subs.srt", "w") as f:
    for i in range(60):
        f.write("%d\n%s --> %s\nLine %d of the subtitles\n\n" % (i + 1, t(i * 1000 + 100), t(i * 1000 + 900), i))
with open("subs.ass", "w") as f:
    f.write("[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n"
            "Format: Name, Fontname, Fontsize, PrimaryColour, Bold\nStyle: Default,Arial,16,&Hffffff,0\n\n"
            "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n")
    for i in range(60):
        f.write("Dialogue: 0,%s,%s,Default,,0,0,0,,Event %d\n" % (c(i * 1000 + 100), c(i * 1000 + 900), i))
PY
    "${FF[@]}" -stream_loop 5 -i clip.mkv \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=60" \
        -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=60" \
        -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=60" \
        -i subs.srt -i subs.ass \
        -map 0:v -map 1:a -map 2:a -map 3:a -map 4:s -map 5:s -c:v copy \
        -c:a:0 ac3 -b:a:0 448k -c:a:1 aac -b:a:1 192k -c:a:2 flac -c:s:0 srt -c:s:1 ass -ac 2 \
        big1.mkv
    rm -f clip.mkv subs.srt subs.ass
fi
[[ -s big2.mkv ]] || "${FF[@]}" -i big1.mkv -map 0:0 -map 0:1 -c copy big2.mkv

# ---- measuring ------------------------------------------------------------------
prepare() {  # fresh output folder, nothing dirty in the cache, cold or warm source
    rm -rf out && mkdir out
    sync
    if [[ $COLD == 1 ]]; then
        echo 3 >/proc/sys/vm/drop_caches
    else
        cat "$1" >/dev/null
    fi
}

# measure NAME FILE COMMAND...: median over REPS runs of the wall time until
# the command ends (T) and until what it wrote has reached the disk (TS, the
# command followed by sync). Sets T, TS (seconds) and RSS (KiB, largest run).
measure() {
    local name=$1 file=$2
    shift 2
    local times=() stimes=() rss=0
    for ((i = 0; i < REPS; i++)); do
        prepare "$file"
        local start mid end
        start=$(date +%s.%N)
        /usr/bin/time -f "%M" -o time.txt "$@" >/dev/null 2>stderr.txt
        mid=$(date +%s.%N)
        sync
        end=$(date +%s.%N)
        times+=("$(echo "$mid - $start" | bc -l)")
        stimes+=("$(echo "$end - $start" | bc -l)")
        local m
        m=$(tail -1 time.txt)
        ((m > rss)) && rss=$m
    done
    T=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((REPS + 1) / 2))p")
    TS=$(printf '%s\n' "${stimes[@]}" | sort -g | sed -n "$(((REPS + 1) / 2))p")
    RSS=$rss
    printf '  %-34s %6.2f s  (%6.2f s with sync)   max RSS %6d KiB\n' "$name" "$T" "$TS" "$RSS"
}

ratio() { echo "scale=2; $1 / $2" | bc -l; }

echo "quarvel tracks benchmark: $(date -u +%FT%TZ), $(nproc) cores, REPS=$REPS, COLD=$COLD"
echo "  (COLD=1: page cache dropped before every run; COLD=0: source cached)"

for FILE in big1.mkv big2.mkv; do
    SIZE=$(stat -c %s "$FILE")
    # Track n's output, with the format ffmpeg must be told for the same file.
    mapfile -t CODECS < <(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$FILE")
    QARGS=()
    FARGS=(-i "$FILE")
    for i in "${!CODECS[@]}"; do
        n=$((i + 1))
        case ${CODECS[$i]} in
            h264) ext=h264 fmt=h264 ;; ac3) ext=ac3 fmt=ac3 ;; aac) ext=aac fmt=adts ;;
            flac) ext=flac fmt=flac ;; subrip) ext=srt fmt=srt ;; ass) ext=ass fmt=ass ;;
            *) echo "unexpected codec ${CODECS[$i]}" >&2; exit 2 ;;
        esac
        QARGS+=("$n:out/Track$n.$ext")
        FARGS+=(-map "0:$i" -c copy -f "$fmt" "out/Track$n.$ext")
    done
    echo
    echo "$FILE: $SIZE bytes, ${#CODECS[@]} tracks (${CODECS[*]})"
    measure "quarvel tracks (all)" "$FILE" "$QUARVEL" tracks "$FILE" "${QARGS[@]}"
    TQ=$T TQS=$TS RQ=$RSS
    measure "ffmpeg -map ... -c copy (all)" "$FILE" "${FF[@]}" "${FARGS[@]}"
    TF=$T TFS=$TS
    measure "cp FILE DIR/" "$FILE" cp "$FILE" out/
    TC=$T TCS=$TS
    echo "  all tracks: ffmpeg/quarvel = $(ratio "$TF" "$TQ")x ($(ratio "$TFS" "$TQS")x with sync)" \
         "(target >= 1.5); quarvel/cp = $(ratio "$TQ" "$TC")x ($(ratio "$TQS" "$TCS")x with sync)" \
         "(target <= 1.5); peak $((RQ / 1024)) MiB (target < 64)"

    SUB=""
    for i in "${!CODECS[@]}"; do
        [[ ${CODECS[$i]} == subrip ]] && SUB=$i
    done
    if [[ -n $SUB ]]; then
        n=$((SUB + 1))
        measure "quarvel tracks (one subtitle)" "$FILE" env TORVANE_REPORT_BYTES=1 "$QUARVEL" tracks "$FILE" \
            "$n:out/Track$n.srt"
        TQ1=$T
        READ=$(sed -n 's/^bytes read: //p' stderr.txt)
        measure "ffmpeg (one subtitle)" "$FILE" "${FF[@]}" -i "$FILE" -map "0:$SUB" -c copy -f srt \
            "out/Track$n.srt"
        TF1=$T
        echo "  one subtitle: ffmpeg/quarvel = $(ratio "$TF1" "$TQ1")x (target >= 10),"\
             "bytes read $READ = $(echo "scale=3; 100 * $READ / $SIZE" | bc -l)% of the file (target < 2%)"
    fi
done
rm -rf out time.txt stderr.txt
