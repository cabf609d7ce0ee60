#!/usr/bin/env bash
# What loading the FFmpeg muxing module costs quarvel: the same small file,
# one run writing a subtitle track (no module loaded) and one writing the
# Vorbis track (module and FFmpeg's libraries loaded), measured in the same
# run so that the two figures are comparable.
#
#   bench/mux_startup.sh [BIN_DIR]      (default: build/bin)
#
# Uses hyperfine when present, else a loop of 50 runs of each.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
BIN=${1:-"$HERE/../build/bin"}
QUARVEL="$BIN/quarvel"
FILE="$HERE/../tests/fixtures/codecs/multi.mkv"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

[[ -x "$QUARVEL" ]] || { echo "no quarvel in $BIN" >&2; exit 2; }
[[ -f "$BIN/libquarvel_mux.so" ]] || { echo "no libquarvel_mux.so in $BIN" >&2; exit 2; }

WITHOUT=("$QUARVEL" tracks "$FILE" "4:$OUT/subs.srt")
WITH=("$QUARVEL" tracks "$FILE" "2:$OUT/audio.ogg")

if command -v hyperfine >/dev/null; then
    # hyperfine splits a command as a shell would: blanks in paths escaped.
    hyperfine -N --warmup 5 --runs 50 \
        -n "subtitle track (no module)" "$(printf '%q ' "${WITHOUT[@]}")" \
        -n "Vorbis track (module loaded)" "$(printf '%q ' "${WITH[@]}")"
    exit 0
fi

mean_ms() {  # mean wall time of 50 runs of "$@", in ms
    local start end
    start=$(date +%s%N)
    for _ in $(seq 50); do "$@" >/dev/null; done
    end=$(date +%s%N)
    echo $(((end - start) / 50 / 1000000))
}
"${WITHOUT[@]}" >/dev/null && "${WITH[@]}" >/dev/null  # warm the cache
a=$(mean_ms "${WITHOUT[@]}")
b=$(mean_ms "${WITH[@]}")
echo "subtitle track (no module):    ${a} ms"
echo "Vorbis track (module loaded):  ${b} ms"
