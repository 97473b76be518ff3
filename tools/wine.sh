#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix (made by
# tools/wine-session.sh), with Wine's own chatter silenced.
export WINEPREFIX=${CARVELO_WINEPREFIX:-/var/tmp/carvelo-wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
