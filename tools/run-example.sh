#!/usr/bin/env bash
# Quick start: sets the machine up, builds carvelo and fits the bundled
# sample photo (600x400) to 800x400 by seam carving.
# CARVELO_BUILD_DIR picks another build folder (default build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh --native

build=${CARVELO_BUILD_DIR:-build/native}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target carvelo

mkdir -p build/example
out=build/example/coffee_800x400.png
"$build/cli/carvelo" examples/coffee_600x400.png "$out" --size 800x400
echo
echo "carvelo fitted examples/coffee_600x400.png (600x400) to 800x400:"
echo "  $root/$out"
