#!/usr/bin/env bash
# Builds the reader's fuzz target with clang (build-fuzz/) and runs it for
# SECONDS (default 600), seeded with the committed fixtures. Findings are
# written to build-fuzz/findings/.
#   bench/fuzz_reader.sh [SECONDS]
set -euo pipefail
seconds="${1:-600}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTORVANE_FUZZ=ON -DTORVANE_BUILD_UI=OFF -DTORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_reader >/dev/null
corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
cp "$root"/tests/fixtures/*.mk? "$corpus"/
cd "$findings"
"$build/bench/bin/fuzz_reader" "$corpus" -max_total_time="$seconds" -max_len=65536 \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" 2>&1 |
    tee "$build/fuzz.log" | grep -E "^(#[0-9]+ +(INITED|DONE)|Done|==[0-9]+==ERROR|stat::number_of_executed_units|SUMMARY)" || true
echo "findings: $(ls "$findings" | wc -l) file(s) in $findings"
