#!/usr/bin/env bash
# `quarvel tracks` on four kinds of storage, against its peers in the same run:
# reading the whole file with `cat` and with `dd bs=1M`, and ffmpeg copying
# the same tracks. Two files, three extractions each (the subtitle track, one
# audio track, every track), four conditions:
#
#   warm      the file in memory (and `cp` of the file beside all tracks);
#   cold      the page cache dropped before every run (as root), so the file
#             comes from this machine's disk; the bytes read from the disk are
#             reported too;
#   rotating  every read of the file charged by a rotating-disk model: a seek
#             of SEEK_MS unless the read lands within NEAR_KIB past the last
#             one (the bytes passed over cost their time), then RATE_DISK MB/s;
#   network   every read charged by a network-share model: RTT_MS per request
#             that needs bytes not yet read, then RATE_NET MB/s.
#
# The models are bench/StorageModel.c, preloaded into every program alike; it
# makes each program wait for what it is charged, serves the bytes from the
# page cache (the file is read in before every run) and refuses a program
# whose reads it cannot see.
#
#   bench/tracks_storage_bench.sh [BUILD_DIR] [WORK_DIR]
#
# Two files of about 1 GB are made with ffmpeg on the first run (kept in
# WORK_DIR, default /tmp/quarvel-storage-bench; about 3 GB free needed):
#   close.mkv  10 Mbit/s MPEG-4 video, one frame of about 50 KB per block,
#              AC-3, AAC and a subtitle track;
#   large.mkv  intra-coded MPEG-4 video, about 480 KB per block, AC-3 and a
#              subtitle track.
# Every figure is the median wall time over the rounds (REPS, default 5, for
# warm and cold; MODEL_REPS, default 3, for the models, whose time is mostly
# the time charged); within a round the programs take turns in a different
# order each round. Printed per row: the times, quarvel's ratio to the faster
# of cat and dd, ffmpeg's time over quarvel's, quarvel's peak memory, and
# every target with "met" or "NOT met". Every quarvel output is compared with
# the first one of its row, across conditions and builds.
#
# BASELINE=/path/to/quarvel adds the same rows for another build ("before").
# CONDITIONS="warm cold rotating network" and FILES="close.mkv large.mkv"
# choose what is measured. The models' constants: SEEK_MS=8 NEAR_KIB=128
# RATE_DISK=150 RTT_MS=1 RATE_NET=110.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
WORK=${2:-/tmp/quarvel-storage-bench}
REPS=${REPS:-5}
MODEL_REPS=${MODEL_REPS:-3}
CONDITIONS=${CONDITIONS:-warm cold rotating network}
SEEK_MS=${SEEK_MS:-8} NEAR_KIB=${NEAR_KIB:-128} RATE_DISK=${RATE_DISK:-150}
RTT_MS=${RTT_MS:-1} RATE_NET=${RATE_NET:-110}
QUARVEL=$BUILD/bin/quarvel
MODEL=$BUILD/bench/bin/storage_model.so
[[ -x $QUARVEL ]] || { echo "no quarvel in $BUILD/bin: build first" >&2; exit 2; }
[[ -e $MODEL ]] || { echo "no $MODEL: build the storage_model target" >&2; exit 2; }
for tool in ffmpeg ffprobe /usr/bin/time bc; do
    command -v "$tool" >/dev/null || { echo "$tool is needed for the benchmark" >&2; exit 2; }
done
[[ -z ${BASELINE:-} || -x $BASELINE ]] || { echo "BASELINE=$BASELINE is not a program" >&2; exit 2; }
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
    # 8 s of intra-coded noisy 720p (about 480 KB a frame), played 10 times.
    "${FF[@]}" -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=8" -vf "noise=alls=40:allf=t" \
        -c:v mpeg4 -g 1 -q:v 7 clip.mkv
    subtitles 80
    "${FF[@]}" -stream_loop 9 -i clip.mkv \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=80" -i subs.srt \
        -map 0:v -map 1:a -map 2:s -c:v copy -c:a ac3 -b:a 448k -ac 2 -c:s srt large.mkv
    rm -f clip.mkv subs.srt
fi

# ---- running one program ----------------------------------------------------------
CAN_DROP=0
if [[ $(id -u) == 0 ]] && { sync && echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; then
    CAN_DROP=1
fi

# The programs and the libraries they load, read back in after every drop so
# that the cold runs differ only in how they read the file.
PROGRAMS=()
for p in "$QUARVEL" "$BUILD/bin/libquarvel_mux.so" "$(command -v ffmpeg)" "$(command -v cat)" \
    "$(command -v dd)" "$(command -v cp)" "$MODEL" \
    ${BASELINE:+"$BASELINE" "$(dirname "$BASELINE")/libquarvel_mux.so"}; do
    [[ -e $p ]] || continue
    PROGRAMS+=("$p")
    while read -r lib; do PROGRAMS+=("$lib"); done < <(ldd "$p" | awk '$3 ~ /^\// { print $3 }')
done

prepare() {  # prepare FILE CONDITION
    rm -rf out && mkdir out
    sync
    if [[ $2 == cold ]]; then
        echo 3 >/proc/sys/vm/drop_caches
        cat "${PROGRAMS[@]}" >/dev/null
    else
        cat "$1" >/dev/null
    fi
}

# once FILE CONDITION COMMAND...: one run. Sets SECS (wall time), MEM (peak
# KiB), READ (bytes from the disk) and CHARGED (seconds the model charged).
once() {
    local file=$1 how=$2 pre=()
    shift 2
    prepare "$file" "$how"
    rm -f model.txt
    case $how in
        rotating) pre=(env LD_PRELOAD="$MODEL" STORAGE_MODEL=rotating STORAGE_MODEL_FILE="$WORK/$file"
            STORAGE_MODEL_SEEK_MS="$SEEK_MS" STORAGE_MODEL_NEAR_KIB="$NEAR_KIB"
            STORAGE_MODEL_MB_S="$RATE_DISK" STORAGE_MODEL_REPORT="$WORK/model.txt") ;;
        network) pre=(env LD_PRELOAD="$MODEL" STORAGE_MODEL=network STORAGE_MODEL_FILE="$WORK/$file"
            STORAGE_MODEL_RTT_MS="$RTT_MS" STORAGE_MODEL_MB_S="$RATE_NET"
            STORAGE_MODEL_REPORT="$WORK/model.txt") ;;
    esac
    local start=$EPOCHREALTIME status=0
    # The inner shell reaps the command, so its own counters include it.
    # shellcheck disable=SC2016
    /usr/bin/time -f %M -o mem.txt bash -c '"$@" >/dev/null 2>err.txt; s=$?; cat /proc/$$/io >io.txt; exit $s' \
        _ "${pre[@]}" "$@" || status=$?
    SECS=$(echo "$EPOCHREALTIME - $start" | bc -l)
    if ((status != 0)); then
        echo "failed ($status): $*" >&2
        cat err.txt >&2
        exit 2
    fi
    MEM=$(tail -1 mem.txt)
    READ=$(awk '$1 == "read_bytes:" { print $2 }' io.txt)
    CHARGED=0
    if [[ $how == rotating || $how == network ]]; then
        [[ -s model.txt ]] || { echo "the model did not report on: $*" >&2; exit 2; }
        CHARGED=$(awk '{ s += $3 } END { print s }' model.txt)
    fi
}

# Every quarvel output of a row must be the same, whatever the storage and build.
declare -A SUMS
check_outputs() {  # check_outputs KEY
    local sums
    sums=$(cd out && find . -type f -print0 | sort -z | xargs -0 -r cksum)
    if [[ -z ${SUMS[$1]:-} ]]; then
        SUMS[$1]=$sums
    elif [[ ${SUMS[$1]} != "$sums" ]]; then
        echo "outputs differ for $1:" >&2
        diff <(echo "${SUMS[$1]}") <(echo "$sums") >&2 || true
        ls -la out >&2
        cat err.txt >&2
        exit 2
    fi
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
mb() { echo $(($1 / 1000000)); }

# ---- one condition of one file ------------------------------------------------------
declare -A T M RD CH  # medians by "file condition peer": seconds, peak KiB, bytes read, charged
measure() {  # measure FILE CONDITION ROUNDS NAME=COMMAND...
    local file=$1 how=$2 rounds=$3
    shift 3
    local names=() cmds=() n r k
    for peer in "$@"; do
        names+=("${peer%%=*}")
        cmds+=("${peer#*=}")
    done
    n=${#names[@]}
    declare -A secs mems reads charged
    for ((r = 0; r < rounds; r++)); do
        for ((k = 0; k < n; k++)); do
            local i=$(((k + r) % n))
            # shellcheck disable=SC2086
            once "$file" "$how" ${cmds[$i]}
            secs[$i]+="$SECS " mems[$i]+="$MEM " reads[$i]+="$READ " charged[$i]+="$CHARGED "
            case ${names[$i]} in
                quarvel* | before*) check_outputs "$file ${names[$i]#* }" ;;
            esac
        done
    done
    for ((k = 0; k < n; k++)); do
        local key="$file $how ${names[$k]}"
        T[$key]=$(median <<<"${secs[$k]}")
        M[$key]=$(tr ' ' '\n' <<<"${mems[$k]}" | grep . | sort -g | tail -1)
        RD[$key]=$(median <<<"${reads[$k]}")
        CH[$key]=$(median <<<"${charged[$k]}")
    done
}

# ---- the runs -------------------------------------------------------------------------
FILES=${FILES:-close.mkv large.mkv}
tracks_of() {  # sets SUB, AUDIO, ALL, FFALL for a file
    if [[ $1 == close.mkv ]]; then
        SUB=4 AUDIO=2 ALL="1:out/v.m4v 2:out/a.ac3 3:out/a.aac 4:out/s.srt"
        FFALL="-map 0:0 -c copy -f m4v out/v.m4v -map 0:1 -c copy out/a.ac3 -map 0:2 -c copy -f adts out/a.aac -map 0:3 -c copy out/s.srt"
    else
        SUB=3 AUDIO=2 ALL="1:out/v.m4v 2:out/a.ac3 3:out/s.srt"
        FFALL="-map 0:0 -c copy -f m4v out/v.m4v -map 0:1 -c copy out/a.ac3 -map 0:2 -c copy out/s.srt"
    fi
}

echo "quarvel tracks on four kinds of storage: $(date -u +%FT%TZ)"
echo "machine: $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')), " \
    "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1e6 }' /proc/meminfo) memory," \
    "$(df -T . | awk 'NR == 2 { print $2 }') on $(lsblk -no NAME,ROTA,MODEL "$(df . | awk 'NR == 2 { print $1 }')" 2>/dev/null | head -1 | awk '{ print $1 " (rotational " $2 ")" }')," \
    "kernel $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "models: rotating disk seek $SEEK_MS ms unless within $NEAR_KIB KiB, $RATE_DISK MB/s;" \
    "network share $RTT_MS ms per request, $RATE_NET MB/s"
echo "rounds: $REPS (warm, cold), $MODEL_REPS (models); quarvel: $QUARVEL${BASELINE:+; before: $BASELINE}"
[[ $CAN_DROP == 1 ]] || echo "the page cache cannot be dropped here (not root): no cold rows" >&2

for FILE in $FILES; do
    tracks_of "$FILE"
    for HOW in $CONDITIONS; do
        [[ $HOW != cold || $CAN_DROP == 1 ]] || continue
        rounds=$REPS
        [[ $HOW == rotating || $HOW == network ]] && rounds=$MODEL_REPS
        peers=("cat=cat $FILE" "dd=dd if=$FILE of=/dev/null bs=1M status=none"
            "ffmpeg subtitle=${FF[*]} -i $FILE -map 0:$((SUB - 1)) -c copy out/s.srt"
            "ffmpeg audio=${FF[*]} -i $FILE -map 0:$((AUDIO - 1)) -c copy out/a.ac3"
            "ffmpeg all=${FF[*]} -i $FILE $FFALL"
            "quarvel subtitle=$QUARVEL tracks $FILE $SUB:out/s.srt"
            "quarvel audio=$QUARVEL tracks $FILE $AUDIO:out/a.ac3"
            "quarvel all=$QUARVEL tracks $FILE $ALL")
        [[ $HOW == warm ]] && peers+=("cp=cp $FILE out/")
        if [[ -n ${BASELINE:-} ]]; then
            peers+=("before subtitle=$BASELINE tracks $FILE $SUB:out/s.srt"
                "before audio=$BASELINE tracks $FILE $AUDIO:out/a.ac3"
                "before all=$BASELINE tracks $FILE $ALL")
        fi
        echo "  measuring $FILE $HOW ..." >&2
        measure "$FILE" "$HOW" "$rounds" "${peers[@]}"
    done
done

# ---- the table ------------------------------------------------------------------------
target() {  # target DESCRIPTION MET
    if [[ $2 == 1 ]]; then
        TARGETS+=("met:     $1")
    else
        TARGETS+=("NOT met: $1")
    fi
}
TARGETS=()
le() { [[ $(echo "$1 <= $2" | bc -l) == 1 ]] && echo 1 || echo 0; }
BUILDS=(quarvel)
[[ -n ${BASELINE:-} ]] && BUILDS+=(before)
echo
printf '%-6s %-8s %-8s %-7s %7s %7s %7s %7s %7s %7s %4s %6s %7s\n' file storage tracks build \
    seconds ffmpeg cat dd x_whole ff/x MiB read% charged
for FILE in $FILES; do
    SIZE=$(stat -c %s "$FILE")
    for HOW in $CONDITIONS; do
        [[ -n ${T[$FILE $HOW cat]:-} ]] || continue
        whole=${T[$FILE $HOW cat]}
        [[ $(le "${T[$FILE $HOW dd]}" "$whole") == 1 ]] && whole=${T[$FILE $HOW dd]}
        for what in subtitle audio all; do
            f=${T[$FILE $HOW ffmpeg $what]}
            for build in "${BUILDS[@]}"; do
                key="$FILE $HOW $build $what"
                q=${T[$key]}
                mem=$((M[$key] / 1024))
                printf '%-6s %-8s %-8s %-7s %7.3f %7.3f %7.3f %7.3f %7.2f %7.2f %4d %6.1f %7.2f\n' \
                    "${FILE%.mkv}" "$HOW" "$what" "$build" "$q" "$f" "${T[$FILE $HOW cat]}" \
                    "${T[$FILE $HOW dd]}" "$(ratio "$q" "$whole")" "$(ratio "$f" "$q")" "$mem" \
                    "$(echo "scale=1; 100 * ${RD[$key]} / $SIZE" | bc -l)" "${CH[$key]}"
                [[ $build == quarvel ]] || continue
                target "peak memory under 64 MB: $FILE $HOW $what ($mem MiB)" $((mem < 61 ? 1 : 0))
                if [[ $HOW == rotating || $HOW == network ]]; then
                    target "$HOW, $FILE $what: no slower than reading the whole file ($(ratio "$q" "$whole")x)" \
                        "$(le "$q" "$whole")"
                    target "$HOW, $FILE $what: no slower than ffmpeg (ffmpeg/quarvel $(ratio "$f" "$q")x)" \
                        "$(le "$q" "$f")"
                fi
            done
        done
        if [[ $HOW == warm ]]; then
            cp=${T[$FILE warm cp]}
            printf '%-6s %-8s %-8s %-7s %7.3f\n' "${FILE%.mkv}" warm all cp "$cp"
            q=${T[$FILE warm quarvel all]}
            b=${T[$FILE warm before all]:-}
            met=$(le "$(ratio "$q" "$cp")" 1.33)
            [[ -n $b && $(le "$q" "$b") == 1 ]] && met=1
            target "warm, $FILE all tracks: $(ratio "$q" "$cp")x the time of cp${b:+ (before $(ratio "$b" "$cp")x)}: <= 1.33, or no slower than before" "$met"
        fi
    done
done

# The remaining targets, where their rows were measured.
has() { [[ -n ${T[$1]:-} ]]; }
if has "close.mkv warm quarvel subtitle"; then
    r=$(ratio "${T[close.mkv warm ffmpeg subtitle]}" "${T[close.mkv warm quarvel subtitle]}")
    target "warm, close.mkv subtitle: ffmpeg/quarvel ${r}x (>= 10)" "$(le 10 "$r")"
fi
for what in subtitle audio; do
    if has "close.mkv cold quarvel $what"; then
        r=$(ratio "${T[close.mkv cold quarvel $what]}" "${T[close.mkv cold cat]}")
        target "cold, close.mkv $what: quarvel ${r}x the time of cat (<= 1.1)" "$(le "$r" 1.1)"
    fi
    if has "large.mkv cold quarvel $what"; then
        r=$(ratio "${T[large.mkv cold cat]}" "${T[large.mkv cold quarvel $what]}")
        target "cold, large.mkv $what: cat/quarvel ${r}x (>= 2.5)" "$(le 2.5 "$r")"
    fi
    if has "large.mkv network quarvel $what"; then
        r=$(ratio "${T[large.mkv network ffmpeg $what]}" "${T[large.mkv network quarvel $what]}")
        target "network, large.mkv $what: ffmpeg/quarvel ${r}x (>= 4)" "$(le 4 "$r")"
    fi
done
echo
echo "seconds: medians; x_whole: the build's time over the faster of cat and dd; ff/x: ffmpeg's"
echo "time over the build's; MiB: peak memory; read%: of the file, from the disk; charged: by the model"
echo
printf '%s\n' "${TARGETS[@]}"
rm -rf out err.txt io.txt mem.txt model.txt
