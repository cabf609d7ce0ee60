#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every C and C++ source
# of the repository that the build in BUILD (default build/) compiles, one
# file per core at a time; any finding fails the run. The build must have
# been built (its compile_commands.json gives each file's flags, and the
# window's sources need the code Qt's moc generated).
#   scripts/clang-tidy.sh [BUILD] [REF]
# Given REF (a commit, say origin/main), only the sources changed since the
# point where HEAD left it, with the sources beside a changed header (X.cpp
# and X_*.cpp for X.h), are checked: every source takes about a quarter of
# an hour on two cores, which CI spends once the base is at hand. A REF git
# does not know checks everything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
ref="${2:-}"

# The sources the build compiles, less the code generated into the build.
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
    grep "^$root/" | grep -v "^$build/" | sort -u)
if [ ${#files[@]} -eq 0 ]; then
    echo "clang-tidy: no sources in $build/compile_commands.json" >&2
    exit 2
fi
if [ -n "$ref" ] && base=$(git -C "$root" merge-base "$ref" HEAD 2>/dev/null); then
    mapfile -t stems < <(git -C "$root" diff --name-only "$base" -- '*.cpp' '*.h' '*.c' |
        sed 's/\.\(cpp\|h\|c\)$//')
    changed=()
    for file in "${files[@]}"; do
        relative=${file#"$root"/}
        for stem in "${stems[@]}"; do
            case $relative in
                "$stem".cpp | "$stem".c | "$stem"_*.cpp) changed+=("$file"); break ;;
            esac
        done
    done
    echo "clang-tidy: the sources changed since $ref"
    if [ ${#changed[@]} -eq 0 ]; then
        echo "clang-tidy: no findings"
        exit 0
    fi
    files=("${changed[@]}")
elif [ -n "$ref" ]; then
    echo "clang-tidy: $ref unknown here, every source"
fi
echo "clang-tidy: ${#files[@]} files"

# Findings in headers only where they are ours: the folders of .clang-tidy's
# HeaderFilterRegex, anchored at the repository, so that the code Qt's moc
# generates into the build (included by a source, as tests/install/Driver.cpp
# includes Driver.moc) is left out like other generated code.
folders=$(sed -n "s|^HeaderFilterRegex: '/(\(.*\))/'$|\1|p" "$root/.clang-tidy")
anchored="^$(printf '%s' "$root" | sed 's/[][\.*^$+?(){}|]/\\&/g')/($folders)/"

# clang-tidy counts on stderr the warnings it kept quiet (in other people's
# headers, in checks left out); only the findings are worth reading.
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build" --quiet --header-filter="$anchored" 2> >(
        grep -Ev '^[0-9]+ (warning|error)s? (and [0-9]+ (warning|error)s? )?generated\.$' >&2) ||
    status=$?
if [ "$status" -ne 0 ]; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings"
