#!/usr/bin/env bash
# Seeds small faults into the product one at a time and tells which of them
# the test suite catches: a measure of what the tests are worth, to be kept
# when tests are merged or removed.
#
# The faults are listed in scripts/faults.txt, one a line. For each fault the
# script checks that it still applies to exactly one place, makes the change,
# rebuilds in its own build folder, runs the suite and puts the file back as
# it was. A fault is
#   caught          a test failed, crashed or ran past the time-out, and did
#                   so again when its folder of tests was run a second time
#   missed          every test passed
#   does not build  the changed product did not compile (fix the list)
#   does not apply  its line is no longer in the file, or not once (fix the list)
# The last line says how many of the faults the suite caught.
#
# The faults are made in the working tree itself: leave the tree alone while
# the script runs. Ctrl-C puts the changed file back; after a harder stop the
# next run does it.
#
# Usage: scripts/fault-check.sh [-b BUILD_DIR] [-t SECONDS] [-j JOBS] [-l LIST]
#                               [--no-baseline] [--dry-run] [N|N-M ...]
#   -b  build folder (default build-faults; configured on first use)
#   -t  time-out of one test in seconds (default 60): a hang counts as caught
#   -j  tests and compile jobs run at once (default 2)
#   -l  the list of faults (default scripts/faults.txt)
#   --no-baseline  skip the run of the unchanged suite, which must pass first
#   --dry-run  only check that each fault applies, and put it back at once
#   N, N-M  only these faults, by their number in the list (default all)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1

build="build-faults"
timeout=60
jobs=2
list=scripts/faults.txt
baseline=1
dry=0
selected=()

usage() {
    sed -n '/^# Usage:/,/^[^#]/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
}

while (($#)); do
    case $1 in
        -b) build=${2:?}; shift 2 ;;
        -t) timeout=${2:?}; shift 2 ;;
        -j) jobs=${2:?}; shift 2 ;;
        -l) list=${2:?}; shift 2 ;;
        --no-baseline) baseline=0; shift ;;
        --dry-run) dry=1; shift ;;
        -h|--help) usage ;;
        [0-9]*) selected+=("$1"); shift ;;
        *) echo "unknown argument: $1" >&2; usage ;;
    esac
done

[[ -f $list ]] || { echo "no list of faults at $list" >&2; exit 2; }
logs=$build/fault-logs
tmp=$(cd "$(dirname "$build")" && pwd)/$(basename "$build")/fault-tmp
marker=$build/fault-check.applied  # the changed file while a fault is in place
backup=$build/fault-check.original

# ---- the list --------------------------------------------------------------

# Fields of one fault: file | text | replacement | description. TEXT is a
# piece of one line, found exactly once in the file; "CONTEXT => TEXT" takes
# the TEXT on the first of the three lines after the one line holding CONTEXT.
trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }
files=() texts=() replacements=() descriptions=()
while IFS= read -r line || [[ -n $line ]]; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    rest=$line" | "
    fields=()
    while [[ $rest == *" | "* ]]; do
        fields+=("${rest%%" | "*}")
        rest=${rest#*" | "}
    done
    if ((${#fields[@]} != 4)); then
        echo "$list: not four fields separated by ' | ': $line" >&2
        exit 2
    fi
    files+=("$(trim "${fields[0]}")")
    texts+=("$(trim "${fields[1]}")")
    replacements+=("$(trim "${fields[2]}")")
    descriptions+=("$(trim "${fields[3]}")")
done <"$list"
count=${#files[@]}

numbers=()
if ((${#selected[@]} == 0)); then
    mapfile -t numbers < <(seq 1 "$count")
else
    for s in "${selected[@]}"; do
        if [[ $s =~ ^([0-9]+)-([0-9]+)$ ]]; then
            mapfile -t -O "${#numbers[@]}" numbers < <(seq "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")
        elif [[ $s =~ ^[0-9]+$ ]]; then
            numbers+=("$s")
        else
            echo "not a fault number or range: $s" >&2; exit 2
        fi
    done
fi
for n in "${numbers[@]}"; do
    ((n >= 1 && n <= count)) || { echo "no fault $n: the list has $count" >&2; exit 2; }
done

# ---- putting files back ----------------------------------------------------

restore() {
    if [[ -f $marker ]]; then
        local changed
        changed=$(<"$marker")
        cp "$backup" "$changed" && rm -f "$marker" "$backup"
    fi
}

mkdir -p "$logs"
if [[ -f $marker ]]; then
    echo "putting back $(<"$marker"), left changed by an interrupted run"
    restore
fi
trap 'restore' EXIT
trap 'restore; echo; echo "interrupted"; exit 130' INT TERM

# Makes fault N: 0 when done, 1 (with a reason on stdout) when it does not apply.
apply() {
    local n=$1 file=${files[$1 - 1]}
    [[ -f $file ]] || { echo "no file $file"; return 1; }
    cp "$file" "$backup" && echo "$file" >"$marker" || return 1
    FAULT_TEXT=${texts[$n - 1]} FAULT_REPLACEMENT=${replacements[$n - 1]} perl -e '
        my ($file, $out) = @ARGV;
        my ($text, $with) = ($ENV{FAULT_TEXT}, $ENV{FAULT_REPLACEMENT});
        my $context;
        ($context, $text) = ($1, $2) if $text =~ /^(.*?) => (.*)$/;
        open(my $in, "<", $file) or die "cannot read $file\n";
        my @lines = <$in>;
        close $in;
        my @at;
        if (defined $context) {
            my @ctx = grep { index($lines[$_], $context) >= 0 } 0 .. $#lines;
            if (@ctx != 1) { print scalar(@ctx) . " lines hold \"$context\"\n"; exit 1; }
            for my $i ($ctx[0] + 1 .. $ctx[0] + 3) {
                if ($i <= $#lines && index($lines[$i], $text) >= 0) { @at = ($i); last; }
            }
        } else {
            @at = grep { index($lines[$_], $text) >= 0 } 0 .. $#lines;
        }
        if (@at != 1) { print scalar(@at) . " lines hold \"$text\"\n"; exit 1; }
        my $line = $lines[$at[0]];
        my $count = () = $line =~ /\Q$text\E/g;
        if ($count != 1) { print "line " . ($at[0] + 1) . " holds \"$text\" $count times\n"; exit 1; }
        $line =~ s/\Q$text\E/$with/;
        $lines[$at[0]] = $line;
        open(my $o, ">", $out) or die "cannot write $out\n";
        print $o @lines;
        close $o;
    ' "$backup" "$file" || { restore; return 1; }
}

if ((dry)); then
    applies=0
    for n in "${numbers[@]}"; do
        if reason=$(apply "$n"); then
            applies=$((applies + 1))
            printf '%2d  applies         %s: %s\n' "$n" "${files[$n - 1]}" "${descriptions[$n - 1]}"
            git --no-pager diff -U0 --no-color -- "${files[$n - 1]}" | sed -n 's/^\([-+]\)\([^-+]\)/      \1\2/p'
        else
            printf '%2d  does not apply  %s: %s (%s)\n' "$n" "${files[$n - 1]}" "${descriptions[$n - 1]}" "$reason"
        fi
        restore
    done
    echo "$applies of ${#numbers[@]} apply"
    exit $((applies == ${#numbers[@]} ? 0 : 1))
fi

# ---- building and testing --------------------------------------------------

if [[ ! -f $build/CMakeCache.txt ]]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
        >"$logs/configure.log" 2>&1 || { echo "cmake failed: $logs/configure.log" >&2; exit 1; }
fi

rebuild() {
    cmake --build "$build" -j "$jobs" >"$1" 2>&1
}

# The suite, folder by folder under tests/, the folder of the changed module
# first: a fault is usually caught there, and --stop-on-failure ends the run.
suite_folders=()
for d in "$build"/tests/*/; do
    [[ -f $d/CTestTestfile.cmake ]] && suite_folders+=("$(basename "$d")")
done
total_tests() { ctest --test-dir "$1" -N 2>/dev/null | sed -n 's/^Total Tests: //p'; }
sum=0
for d in "${suite_folders[@]}"; do sum=$((sum + $(total_tests "$build/tests/$d"))); done
if [[ $sum != "$(total_tests "$build")" ]]; then
    suite_folders=(.)  # some tests live elsewhere: run the suite whole
fi

# Runs the suite, appending to log $1; the module of the fault ($2) goes first.
# 0 when every test passed. A folder that fails is run again: a failure the
# second run does not repeat is a flaky test, not the fault, and is named in
# $flaky instead. The tests keep their temporary files in a folder of this
# run's own, apart from any other run of the suite on the machine.
run_suite() {
    local log=$1 module=$2 order=() d dir
    for d in "${suite_folders[@]}"; do [[ $d == "$module" ]] && order+=("$d"); done
    for d in "${suite_folders[@]}"; do [[ $d != "$module" ]] && order+=("$d"); done
    for d in "${order[@]}"; do
        dir=$build/tests/$d
        [[ $d == . ]] && dir=$build
        run_folder "$dir" "$log" && continue
        local first
        first=$(failed_tests "$log")
        echo "---- run again" >>"$log"
        run_folder "$dir" "$log" || return 1
        flaky+=("$first")
    done
}

run_folder() {
    rm -rf "$tmp" && mkdir -p "$tmp"
    TMPDIR=$tmp ctest --test-dir "$1" -j "$jobs" --timeout "$timeout" --stop-on-failure \
        --output-on-failure >>"$2" 2>&1
}

# The tests that failed in the last run logged in $1.
failed_tests() {
    awk '/^---- run again/ { names = "" }
         /^[[:space:]]*[0-9]+ - [^ ]/ { names = names " " $3 }
         END { print substr(names, 2) }' "$1" | tr ' ' '\n' | sort -u | head -3 | paste -sd' ' -
}

duration() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

started=$SECONDS
if ((baseline)); then
    echo "building and running the unchanged suite"
    rebuild "$logs/baseline.log" || { echo "the unchanged product does not build: $logs/baseline.log" >&2; exit 1; }
    t=$SECONDS
    flaky=()
    if ! run_suite "$logs/baseline.log" ""; then
        echo "the unchanged suite fails ($(failed_tests "$logs/baseline.log")): see $logs/baseline.log" >&2
        exit 1
    fi
    echo "the unchanged suite passes ($(duration $((SECONDS - t))))${flaky[*]:+; flaky: ${flaky[*]}}"
fi

caught=0 missed=() nobuild=() noapply=()
for n in "${numbers[@]}"; do
    file=${files[$n - 1]}
    what=${descriptions[$n - 1]}
    log=$logs/$(printf '%02d' "$n").log
    : >"$log"
    t=$SECONDS
    flaky=()
    if ! reason=$(apply "$n"); then
        result="does not apply ($reason)"
        noapply+=("$n")
    elif ! rebuild "$log"; then
        result="does not build"
        nobuild+=("$n")
    elif run_suite "$log" "${file%%/*}"; then
        result="missed"
        missed+=("$n")
    else
        result="caught by $(failed_tests "$log")"
        caught=$((caught + 1))
    fi
    restore
    ((${#flaky[@]})) && result+=" (flaky, passed when run again: ${flaky[*]})"
    printf '%2d  %-40s %s: %s (%s)\n' "$n" "$result" "$file" "$what" "$(duration $((SECONDS - t)))"
done

echo
echo "missed: ${missed[*]:-none}"
((${#nobuild[@]})) && echo "does not build: ${nobuild[*]}"
((${#noapply[@]})) && echo "does not apply: ${noapply[*]}"
echo "time: $(duration $((SECONDS - started)))"
echo "caught ${caught} of ${#numbers[@]}"
