#!/usr/bin/env bash
# Draws the about window's background (addin/about.jpg, 528 x 346, the
# window's client area) from plain shapes, gradients and text with
# ImageMagick. The result is committed; rerun this only to change the art.
# The right-hand side and the bottom strip stay light and calm: the window
# draws its texts and the Close button there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/addin/about.jpg}
im=/usr/bin/convert  # Debian's ImageMagick, not whatever else is on PATH
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The art panel: a little landscape "picture" with the seams a carve would
# take through it, in a rounded frame.
"$im" -size 284x284 gradient:'#1d5e7a'-'#7fb7d1' "$tmp/sky.png"
"$im" "$tmp/sky.png" \
  -fill '#f6d37a' -stroke none -draw "circle 206,70 230,70" \
  -fill '#2f6b4f' -draw "path 'M 0,170 C 50,120 100,130 150,165 C 190,190 240,140 284,150 L 284,284 L 0,284 Z'" \
  -fill '#24523d' -draw "path 'M 0,215 C 70,185 130,200 180,225 C 220,240 260,220 284,210 L 284,284 L 0,284 Z'" \
  -fill '#183a2b' -draw "rectangle 0,250 284,284" \
  -fill none -stroke '#ff8a3d' -strokewidth 2 \
  -draw "path 'M 62,0 C 58,60 72,120 60,170 C 52,210 66,250 58,284'" \
  -draw "path 'M 118,0 C 126,50 110,110 122,160 C 130,200 114,245 120,284'" \
  -stroke '#ffc08a' -strokewidth 1 \
  -draw "path 'M 88,0 C 96,70 80,130 92,190 C 98,230 86,260 90,284'" \
  "$tmp/art.png"
"$im" -size 284x284 xc:none -fill white -draw "roundrectangle 0,0 283,283 14,14" "$tmp/mask.png"
"$im" "$tmp/art.png" "$tmp/mask.png" -alpha off -compose copy_opacity -composite "$tmp/panel.png"

"$im" -size 528x346 gradient:'#fbfcfd'-'#dfe6ed' \
  -fill '#cfd9e2' -draw "rectangle 0,298 527,299" \
  "$tmp/panel.png" -geometry +12+10 -compose over -composite \
  -font DejaVu-Sans-Bold -pointsize 34 -fill white -stroke none \
  -annotate +26+246 'carvelo' \
  -font DejaVu-Sans -pointsize 11 -fill '#e8f1f6' \
  -annotate +29+274 'content-aware picture fitting' \
  -fill '#1d5e7a' -draw "rectangle 302,12 304,286" \
  -quality 90 -sampling-factor 2x2 -strip "$out"
echo "wrote $out"
