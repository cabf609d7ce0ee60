#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every C and C++ source
# of the repository that the build in BUILD (default build/) compiles, one
# file per core at a time; any finding fails the run. The build must have
# been built (its compile_commands.json gives each file's flags, and the
# window's sources need the code Qt's moc generated).
#   scripts/clang-tidy.sh [BUILD]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"

# The sources the build compiles, less the code generated into the build.
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
    grep "^$root/" | grep -v "^$build/" | sort -u)
if [ ${#files[@]} -eq 0 ]; then
    echo "clang-tidy: no sources in $build/compile_commands.json" >&2
    exit 2
fi
echo "clang-tidy: ${#files[@]} files"

# clang-tidy counts on stderr the warnings it kept quiet (in other people's
# headers, in checks left out); only the findings are worth reading.
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet 2> >(
        grep -Ev '^[0-9]+ (warning|error)s? (and [0-9]+ (warning|error)s? )?generated\.$' >&2) ||
    status=$?
if [ "$status" -ne 0 ]; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings"
