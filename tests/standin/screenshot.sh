#!/usr/bin/env bash
# Takes docs/ribbon.png: the x86_64 CarveloPPT.dll registered, loaded by the
# PowerPoint stand-in, its ribbon tab and its toolbar shown with a stretched
# picture selected.
#   tests/standin/screenshot.sh [BUILD_DIR]   (default build/win-x86_64)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/win-x86_64}
cd "$root"
. tools/wine-session.sh
trap wine_session_stop EXIT
wine_session_start
bars=$(mktemp)
tools/wine.sh regsvr32 /s "$build/addin/CarveloPPT.dll" </dev/null
said=$(mktemp)
tools/wine.sh "$build/tests/standin/standin_ppt.exe" --bars "Z:$bars" --seconds 12 --picture </dev/null >"$said" 2>/dev/null &
standin=$!
# The window is complete a moment after the add-in has connected (a loaded
# machine takes a while to get there).
for _ in $(seq 120); do grep -q OnConnection "$said" && break; sleep 0.5; done
sleep 4
mkdir -p docs
import -window root -crop 902x752+38+38 docs/ribbon.png
wait "$standin"  # not a bare wait: the session's Xvfb is a child of this shell too
tools/wine.sh regsvr32 /u /s "$build/addin/CarveloPPT.dll" </dev/null
rm -f "$bars" "$said"
echo "docs/ribbon.png written"
