#!/usr/bin/env bash
# Brings a fresh Debian 12 machine (as root) to everything the builds and tests need.
# Idempotent: on a ready machine it only checks and returns.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=$(grep -v -E '^\s*(#|$)' "$here/packages.txt")

missing=()
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  # apt-get source (libjpeg for the Windows build) needs a deb-src entry.
  src=/etc/apt/sources.list.d/carvelo-src.sources
  if [ ! -f "$src" ]; then
    cat > "$src" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: packages ready"
# libjpeg for the Windows builds (cached outside the tree; seconds when ready).
for arch in i686 x86_64; do bash "$here/build-libjpeg.sh" "$arch"; done
