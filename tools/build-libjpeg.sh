#!/usr/bin/env bash
# Cross-builds libjpeg-turbo from Debian's source package as a static library
# for one MinGW target, into a cache folder outside the repository. Debian
# ships no MinGW build of it.
#   build-libjpeg.sh i686|x86_64 [install prefix]
# Default prefix: ${CARVELO_CACHE:-/var/cache/carvelo}/libjpeg-<arch>.
# Idempotent: returns at once when the prefix is complete. Several builds may
# call it at the same time; a lock serialises them.
set -euo pipefail
arch=${1:?usage: build-libjpeg.sh i686|x86_64 [prefix]}
case $arch in i686|x86_64) ;; *) echo "build-libjpeg: unknown target $arch" >&2; exit 2;; esac
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${CARVELO_CACHE:-/var/cache/carvelo}
prefix=${2:-$cache/libjpeg-$arch}
stamp=$prefix/carvelo-ready

[ -f "$stamp" ] && exit 0
mkdir -p "$cache"
exec 9>"$cache/libjpeg.lock"
flock 9
[ -f "$stamp" ] && exit 0

# The source package, fetched once and shared by both targets.
src=$(find "$cache/src" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' 2>/dev/null | head -n1 || true)
if [ -z "$src" ]; then
  echo "build-libjpeg: fetching Debian's libjpeg-turbo source"
  tmp=$(mktemp -d "$cache/fetch.XXXXXX")
  # apt-get source writes into the current directory.
  (cd "$tmp" && apt-get source -q libjpeg-turbo >/dev/null)
  dir=$(find "$tmp" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
  [ -n "$dir" ] || { echo "build-libjpeg: apt-get source gave no libjpeg-turbo folder" >&2; exit 1; }
  mkdir -p "$cache/src"
  mv "$dir" "$cache/src/"
  rm -rf "$tmp"
  src=$cache/src/$(basename "$dir")
fi

echo "build-libjpeg: building $(basename "$src") for $arch into $prefix"
work=$cache/build-$arch
rm -rf "$work" "$prefix"
# SIMD needs nasm; REQUIRE_SIMD turns a missing nasm into an error instead of
# a silently slower library.
cmake -S "$src" -B "$work" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON >"$cache/build-$arch.log" 2>&1 \
  || { tail -n 30 "$cache/build-$arch.log" >&2; exit 1; }
cmake --build "$work" -j"$(nproc)" >>"$cache/build-$arch.log" 2>&1 \
  && cmake --install "$work" >>"$cache/build-$arch.log" 2>&1 \
  || { tail -n 30 "$cache/build-$arch.log" >&2; exit 1; }
rm -rf "$work"
basename "$src" >"$stamp"
echo "build-libjpeg: ready in $prefix"
