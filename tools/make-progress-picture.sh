#!/usr/bin/env bash
# Draws the progress window's picture (job/WaitFrm.jpg, 280 x 120, the
# window's client area) with ImageMagick: a small carved landscape and the
# name on white. The strip below y = 64 stays white: the window puts its
# progress bar and the Cancel button there. The result is committed; rerun
# this only to change the art.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/job/WaitFrm.jpg}
im=/usr/bin/convert  # Debian's ImageMagick, not whatever else is on PATH
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The little landscape with the seams a carve takes through it.
"$im" -size 84x50 gradient:'#1d5e7a'-'#7fb7d1' \
  -fill '#f6d37a' -stroke none -draw "circle 64,14 70,14" \
  -fill '#2f6b4f' -draw "path 'M 0,30 C 15,22 30,24 45,30 C 58,35 72,26 84,28 L 84,50 L 0,50 Z'" \
  -fill '#183a2b' -draw "rectangle 0,42 84,50" \
  -fill none -stroke '#ff8a3d' -strokewidth 1.5 \
  -draw "path 'M 22,0 C 20,12 26,24 21,34 C 18,42 23,46 21,50'" \
  -draw "path 'M 50,0 C 53,10 47,22 51,32 C 54,40 48,46 50,50'" \
  "$tmp/art.png"
"$im" -size 84x50 xc:none -fill white -draw "roundrectangle 0,0 83,49 7,7" "$tmp/mask.png"
"$im" "$tmp/art.png" "$tmp/mask.png" -alpha off -compose copy_opacity -composite "$tmp/panel.png"

"$im" -size 280x120 xc:white \
  "$tmp/panel.png" -geometry +14+8 -compose over -composite \
  -font DejaVu-Sans-Bold -pointsize 20 -fill '#1d5e7a' -stroke none -annotate +110+32 'carvelo' \
  -font DejaVu-Sans -pointsize 10 -fill '#4a5a66' -annotate +111+50 'fitting your picture...' \
  -quality 92 -sampling-factor 1x1 -strip "$out"
echo "wrote $out"
