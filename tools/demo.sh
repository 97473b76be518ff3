#!/usr/bin/env bash
# Demo: the x86_64 CarveloPPT.dll registered in a Wine prefix and loaded by
# the PowerPoint stand-in under Xvfb. The bundled 600x400 photo goes on a
# slide stretched to 600 x 300 points (800 x 400 pixels' worth), is selected,
# and "Quick Fitting" is clicked; the slide is written before and after.
#   tools/demo.sh [OUTPUT_DIR]   (default build/demo)
# CARVELO_BUILD_DIR picks another build folder (default build/win-x86_64),
# CARVELO_WINEPREFIX another Wine prefix (default /var/tmp/carvelo-wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh

build=${CARVELO_BUILD_DIR:-build/win-x86_64}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target CarveloPPT standin_ppt
dll=$build/addin/CarveloPPT.dll

out=${1:-build/demo}
mkdir -p "$out"
out=$(cd "$out" && pwd)
bars=$(mktemp)

. tools/wine-session.sh
finish() {
  tools/wine.sh regsvr32 /u /s "$dll" </dev/null >/dev/null 2>&1 || true
  rm -f "$bars"
  wine_session_stop
}
trap finish EXIT
wine_session_start

# Registered as on Windows: the COM class and PowerPoint's add-in entry.
tools/wine.sh regsvr32 /s "$dll" </dev/null
tools/wine.sh "$build/tests/standin/standin_ppt.exe" --bars "Z:$bars" \
  --insert "Z:$root/examples/coffee_600x400.png" 60 120 600 300 --select 1 \
  --render "Z:$out/slide-before.png" --click "Quick Fitting" --render "Z:$out/slide-after.png" --quit </dev/null
if cmp -s "$out/slide-before.png" "$out/slide-after.png"; then
  echo "demo: Quick Fitting left the slide as it was" >&2
  exit 1
fi

echo
echo "The slide before and after Quick Fitting:"
echo "  $out/slide-before.png"
echo "  $out/slide-after.png"
