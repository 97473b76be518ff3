#!/usr/bin/env bash
# Takes docs/setup.png, docs/about.png, docs/progress.png (a carve held
# halfway) and docs/mask-editor.png: shows each window under Xvfb with the
# Windows build's ui_show (the mask editor with paint_show, on the example
# picture) and grabs the screen around it.
#   tests/ui/screenshots.sh [build dir [window...]]
#   (default build/win-x86_64, all of setup about progress mask-editor)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/win-x86_64}" && pwd)
cd "$root"
. tools/wine-session.sh
trap wine_session_stop EXIT
wine_session_start
# The windows use Tahoma. Wine only finds its own copy (Debian's fonts-wine)
# in the prefix's font folder; without it everything falls back to a much
# wider face.
cp -n /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
tmp=$(mktemp -d)
shift || true
for which in ${@:-setup about progress mask-editor}; do
  rm -f "$tmp/ready" "$tmp/done"
  if [ "$which" = mask-editor ]; then
    convert examples/coffee_600x400.png -type TrueColor "BMP3:$tmp/picture.bmp"
    tools/wine.sh "$build/tests/maskedit/paint_show.exe" "Z:$tmp/picture.bmp" "Z:$tmp/ready" "Z:$tmp/done" &
  else
    tools/wine.sh "$build/tests/ui/ui_show.exe" "$which" "Z:$tmp/ready" "Z:$tmp/done" &
  fi
  pid=$!
  for _ in $(seq 200); do [ -s "$tmp/ready" ] && break; sleep 0.1; done
  [ -s "$tmp/ready" ] || { echo "screenshots: no $which window" >&2; kill "$pid"; exit 1; }
  sleep 0.5  # let the X server finish drawing
  # A few pixels of desktop around the window show its border.
  geometry=$(tr -d '\r\n' < "$tmp/ready")
  w=${geometry%%x*}; rest=${geometry#*x}; h=${rest%%+*}; rest=${rest#*+}; x=${rest%%+*}; y=${rest#*+}
  import -window root -crop "$((w + 8))x$((h + 8))+$((x - 4))+$((y - 4))" +repage "docs/$which.png"
  touch "$tmp/done"
  wait "$pid"
  echo "wrote docs/$which.png"
done
rm -rf "$tmp"
