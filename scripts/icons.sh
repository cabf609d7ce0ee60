#!/usr/bin/env bash
# Renders Torvane's icon, packaging/torvane.svg, into the PNG sizes of the
# desktop's hicolor icon theme (packaging/icons/SIZExSIZE/torvane.png) and into
# the window's own icon (ui/torvane.png, 64 pixels), and those sizes into the
# Windows programs' icon (packaging/windows/torvane.ico, with ImageMagick; the
# 256-pixel picture is kept as PNG inside it). A developer tool: the pictures
# are committed, so a build needs no SVG renderer or ImageMagick.
#   scripts/icons.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v rsvg-convert >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y -qq librsvg2-bin ||
        { "${sudo_cmd[@]}" apt-get update -qq && "${sudo_cmd[@]}" apt-get install -y -qq librsvg2-bin; }
fi

for size in 16 22 24 32 48 64 128 256; do
    folder="packaging/icons/${size}x${size}"
    mkdir -p "$folder"
    rsvg-convert -w "$size" -h "$size" packaging/torvane.svg -o "$folder/torvane.png"
    echo "$folder/torvane.png"
done
cp packaging/icons/64x64/torvane.png ui/torvane.png
echo ui/torvane.png
pictures=()
for size in 16 24 32 48 64 256; do
    pictures+=("packaging/icons/${size}x${size}/torvane.png")
done
convert "${pictures[@]}" packaging/windows/torvane.ico
echo packaging/windows/torvane.ico
