#!/usr/bin/env bash
# quarvel.exe cancelled by the console's control event in the middle of
# writing a track: it must end with status 2 and leave neither the track nor
# a temporary file. Wine turns SIGINT into the console's CTRL_C_EVENT.
#
# usage: cancel_under_wine.sh READER_MAKEBIG WINDOWS_BIN_DIR WINEPREFIX
# WINE names the loader (the 32-bit one for the 32-bit programs).
set -euo pipefail

makebig=$1 windows_bin=$2
export WINEPREFIX=$3 WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Big enough that the run is still writing when the event comes (about a
# second and a half under Wine).
"$makebig" big.mka 300

"${WINE:-/usr/lib/wine/wine64}" "$windows_bin/quarvel.exe" tracks big.mka 1:out.wav >progress 2>errors &
pid=$!
for _ in $(seq 1000); do
    grep -q Progress progress && break
    sleep 0.01
done
kill -INT "$pid"
status=0
wait "$pid" || status=$?

rm big.mka
left=$(ls)
echo "status $status; last progress: $(tail -n1 progress | tr -d '\r'); left: ${left//$'\n'/ }"
cat errors
if [ "$status" -ne 2 ] || [ "$left" != "$(printf 'errors\nprogress')" ]; then
    echo "FAILED: quarvel.exe did not stop cleanly on the console's cancel"
    exit 1
fi
