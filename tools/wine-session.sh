# Sourced by the test scripts: a private X display and a quiet, warm Wine
# session for running the Windows builds' tests.
#   wine_session_start   starts Xvfb, makes the prefix once, starts a persistent
#                        wineserver whose helpers do not hold our output pipes
#   wine_session_stop    stops both (install it in a trap)

export WINEPREFIX=${CARVELO_WINEPREFIX:-/var/tmp/carvelo-wine}
export CARVELO_WINEPREFIX=$WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH  # a 64-bit prefix runs the 32-bit build too, as on 64-bit Windows

_xvfb_pid=

# Whether this kernel runs 32-bit programs (some have IA-32 emulation off).
wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
_wine() { "$(dirname "${BASH_SOURCE[0]}")/wine.sh" "$@"; }

_free_display() {
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { echo "$n"; return; }
  done
  echo 199
}

wine_session_start() {
  # The wineserver binds to the display of its first GUI client: stop any
  # server left in this prefix before switching to our display.
  wineserver -k >/dev/null 2>&1 || true
  local n; n=$(_free_display)
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX (once)"
    mkdir -p "$WINEPREFIX"
    _wine wineboot -i </dev/null >/dev/null 2>&1
    # No window manager here: without Managed=N every window close waits 2 s.
    _wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    # A crash must end the process, not open a dialog that waits forever.
    _wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  # A persistent server, warmed up with its helper processes on /dev/null, so
  # that they never hold ctest's output pipe open.
  wineserver -p </dev/null >/dev/null 2>&1
  _wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$_xvfb_pid" ] && kill "$_xvfb_pid" >/dev/null 2>&1 || true
  _xvfb_pid=
}
