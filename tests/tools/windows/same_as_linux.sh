#!/usr/bin/env bash
# ostrem.exe and quarvel.exe under Wine against the Linux build's ostrem and
# quarvel on every committed fixture: `ostrem -i`, `quarvel tracks` and
# `quarvel timestamps` of every track, `quarvel attachments` of every
# attachment, `quarvel chapters` (both forms) and `quarvel tags` must give
# the same standard output, the same exit status and the same files, byte
# for byte. The Linux quarvel runs from a folder of its own, without the
# muxing module, as quarvel.exe has none here: both must then fail the same
# tracks with the same message and write the rest.
# One more run writes names with blanks and letters beyond ASCII, one of them
# over an existing file, which Windows' side must name and replace alike.
#
# With PART and PARTS, only every PARTS-th fixture from the PART-th on, so that
# the parts can run side by side.
#
# usage: same_as_linux.sh LINUX_BIN_DIR WINDOWS_BIN_DIR FIXTURES_DIR WINEPREFIX [PART PARTS]
set -uo pipefail

linux_bin=$1 windows_bin=$2 fixtures=$3 part=${5:-1} parts=${6:-1}
export WINEPREFIX=$4 WINEDEBUG=-all
# WINE: the loader, the 32-bit one for the 32-bit programs.
wine=${WINE:-/usr/lib/wine/wine64}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$linux_bin/ostrem" "$linux_bin/quarvel" "$work/"
mkdir "$work/linux" "$work/windows"

# The module's message names its path and the loader's reason, which differ.
same_message() {
    sed -e 's/\(cannot load the muxing module\).*/\1/' -e 's/\r$//' "$1"
}

failures=0
compared=0
# run NAME ARGS...: each side in its own folder, the fixture by the same
# relative path, so every byte of output can be compared. Files named in
# $existing are there before the run.
existing=()
run() {
    local name=$1
    shift
    rm -rf "$work/linux/out" "$work/windows/out"
    mkdir "$work/linux/out" "$work/windows/out"
    for file in "${existing[@]}"; do
        echo old >"$work/linux/out/$file"
        echo old >"$work/windows/out/$file"
    done
    (cd "$work/linux" && "$work/$name" "$@" >stdout 2>stderr; echo $? >status)
    (cd "$work/windows" && "$wine" "$windows_bin/$name.exe" "$@" >stdout 2>stderr
     echo $? >status)
    compared=$((compared + 1))
    local what="$name $*"
    if ! cmp -s "$work/linux/stdout" "$work/windows/stdout" ||
        ! cmp -s "$work/linux/status" "$work/windows/status" ||
        ! diff -q <(same_message "$work/linux/stderr") <(same_message "$work/windows/stderr") \
            >/dev/null ||
        ! diff -r "$work/linux/out" "$work/windows/out" >/dev/null; then
        echo "DIFFERENT: $what"
        for side in linux windows; do
            echo "  $side: status $(cat "$work/$side/status"), $(find "$work/$side/out" -mindepth 1 -maxdepth 1 | wc -l) files"
            sed 's/^/    /' "$work/$side/stderr" | head -5
        done
        diff -r "$work/linux/out" "$work/windows/out" | head -5
        failures=$((failures + 1))
    fi
}

ln -s "$fixtures" "$work/linux/fixtures"
ln -s "$fixtures" "$work/windows/fixtures"
while IFS= read -r file; do
    run ostrem -i "fixtures/$file"
    listing=$work/linux/stdout
    tracks=() times=() attachments=()
    while read -r n; do
        tracks+=("$n:out/track$n")
        times+=("$n:out/times$n")
    done < <(sed -n 's/^Track ID \([0-9]*\):.*/\1/p' "$listing")
    while read -r n; do
        attachments+=("$n:out/attachment$n")
    done < <(sed -n 's/^Attachment ID \([0-9]*\):.*/\1/p' "$listing")
    [ ${#tracks[@]} -eq 0 ] || run quarvel tracks "fixtures/$file" "${tracks[@]}"
    [ ${#times[@]} -eq 0 ] || run quarvel timestamps "fixtures/$file" "${times[@]}"
    [ ${#attachments[@]} -eq 0 ] || run quarvel attachments "fixtures/$file" "${attachments[@]}"
    run quarvel chapters "fixtures/$file"
    run quarvel chapters "fixtures/$file" -s
    run quarvel tags "fixtures/$file"
done < <(cd "$fixtures" && find . -name '*.mk[vas]' | sed 's|^\./||' | sort |
    awk -v part="$part" -v parts="$parts" '(NR - part) % parts == 0')

if [ "$part" -eq 1 ]; then
    existing=("Película 2.aac")
    run quarvel tracks fixtures/full.mkv "2:out/Película 2.aac" "5:out/carátula [fr].srt"
fi

echo "$compared runs compared, $failures different"
[ "$failures" -eq 0 ]
