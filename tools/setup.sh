#!/usr/bin/env bash
# Brings a fresh Debian 12 machine (as root) to everything the builds and tests need.
#   setup.sh           everything: native core, Windows cross builds, Wine
#   setup.sh --native  only what the native core and the command-line tool need
# Idempotent: on a ready machine it only checks and returns. A package index
# that fails to load (a mirror caught mid-sync) does not stop it as long as
# the packages can still be installed; 32-bit Wine is optional.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native_only=0
[ "${1:-}" = --native ] && native_only=1

packages_in() { grep -v -E '^\s*(#|$)' "$here/$1"; }
is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing_of() { local p; for p in "$@"; do is_installed "$p" || echo "$p"; done; }

export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update() {  # retries; an index that still fails is reported, not fatal
  [ $updated = 1 ] && return 0
  local try
  for try in 1 2 3; do
    if apt-get update -q; then updated=1; return 0; fi
    echo "setup: apt-get update reported errors (try $try of 3)" >&2
    sleep $((try * 5))
  done
  echo "setup: going on with the package indexes that did load" >&2
  updated=1
}
install() {  # install PACKAGE... (only the missing ones)
  local missing
  missing=$(missing_of "$@")
  [ -z "$missing" ] && return 0
  echo "setup: installing" $missing
  apt_update
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
}

install $(packages_in packages-native.txt)
if [ $native_only = 1 ]; then
  echo "setup: native packages ready"
  exit 0
fi

# apt-get source (libjpeg for the Windows builds) needs a deb-src entry.
src=/etc/apt/sources.list.d/carvelo-src.sources
if [ ! -f "$src" ]; then
  cat > "$src" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  updated=0
fi
install $(packages_in packages.txt)

# Whether this kernel runs 32-bit programs: a 93-byte i386 program that only
# exits (some kernels have IA-32 emulation off).
kernel_runs_32bit() {
  local probe
  probe=$(mktemp -p /var/tmp carvelo-probe.XXXXXX)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local ok=1
  "$probe" 2>/dev/null || ok=0
  rm -f "$probe"
  [ $ok = 1 ]
}

# 32-bit Wine runs the i686 test suite; without it (no usable i386 packages,
# or a kernel that cannot run 32-bit programs) that suite is skipped.
if ! is_installed wine32:i386 && ! kernel_runs_32bit; then
  echo "setup: this kernel cannot run 32-bit programs; 32-bit Wine is not installed and the i686 tests will not run here" >&2
elif ! is_installed wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
  if ! install wine32:i386; then
    echo "setup: 32-bit Wine could not be installed; the i686 tests will not run here" >&2
  fi
fi
echo "setup: packages ready"
# libjpeg for the Windows builds (cached outside the tree; seconds when ready).
for arch in i686 x86_64; do bash "$here/build-libjpeg.sh" "$arch"; done
