#!/usr/bin/env bash
# Draws the installer's icon (the entry in "Apps & features"): a framed
# picture of sky and meadow with one seam running down through it, at the
# sizes Windows asks for. Run by hand when the drawing changes; its output,
# CarveloPPT.ico, is kept in the repository.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#1F4E79' -draw 'roundrectangle 8,24 247,231 24,24' \
  -fill '#8EC9F0' -draw 'rectangle 24,40 231,150' \
  -fill '#4E9A3A' -draw 'rectangle 24,150 231,215' \
  -fill '#F8D030' -draw 'circle 170,85 170,112' \
  -stroke '#E0302A' -strokewidth 14 -fill none \
  -draw 'path "M 104,40 C 120,80 88,120 110,150 S 96,190 112,215"' \
  "$work/big.png"
sizes=()
for s in 16 24 32 48 256; do
  convert "$work/big.png" -resize "${s}x${s}" "$work/$s.png"
  sizes+=("$work/$s.png")
done
convert "${sizes[@]}" "$here/CarveloPPT.ico"
