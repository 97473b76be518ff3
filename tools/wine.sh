#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix (made by
# tools/wine-session.sh), with Wine's own chatter silenced.
export WINEPREFIX=${CARVELO_WINEPREFIX:-/var/tmp/carvelo-wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# Debian's wine wrapper prefers the 32-bit loader, which cannot start on a
# kernel without 32-bit support; the 64-bit loader runs 64-bit programs there.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  exec wine "$@"
fi
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
