#!/usr/bin/env bash
# Builds the fuzz targets with clang (in build-fuzz/, every library with the
# fuzzer's instrumentation and the sanitizers) and runs one for SECONDS
# (default 300), starting from inputs made of the test fixtures. The corpus
# grows in build-fuzz/corpus/TARGET; a finding (a crash, a broken invariant, a
# leak, a time-out) is written to build-fuzz/findings/TARGET/ and is a bug:
# the run then fails. TORVANE_WERROR=ON in the environment (as CI sets it)
# makes clang's warnings on the project's code errors.
#   fuzz/run.sh reader|lacing|content_decoding [SECONDS]
set -euo pipefail
target="${1:-}"
seconds="${2:-300}"
case "$target" in
    reader | content_decoding) max_len=65536 ;;
    lacing) max_len=16384 ;;
    *) echo "usage: fuzz/run.sh reader|lacing|content_decoding [SECONDS]" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
command -v clang++ >/dev/null || apt-get install -y -qq clang

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVANE_FUZZ=ON -DTORVANE_BUILD_UI=OFF -DTORVANE_BUILD_TESTS=OFF \
    -DTORVANE_WERROR="${TORVANE_WERROR:-OFF}" "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target" fuzz_seeds >/dev/null

corpus="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"
fixtures=("$root"/tests/fixtures/*.mk? "$root"/tests/fixtures/codecs/*.mk? "$root"/tests/fixtures/codecs/*.webm)
if [[ $target == reader ]]; then
    cp "${fixtures[@]}" "$corpus"/
else
    "$build/bin/fuzz_seeds" "$target" "$corpus" "${fixtures[@]}"
fi

cd "$findings"
log="$build/fuzz-$target.log"
set +e
"$build/bin/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len="$max_len" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" 2>&1 |
    tee "$log" |
    grep -E "^(#[0-9]+ +(INITED|DONE)|Done|==[0-9]+==ERROR|stat::number_of_executed_units|SUMMARY)"
status=${PIPESTATUS[0]}
set -e
echo "findings: $(find "$findings" -type f | wc -l) file(s) in $findings"
if [ "$status" -ne 0 ]; then
    echo "fuzz_$target stopped on a finding (status $status): see $log" >&2
    exit 1
fi
