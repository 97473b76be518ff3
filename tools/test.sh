#!/usr/bin/env bash
# Sets the machine up, builds every target and runs every test:
# native (plain and with sanitizers), then the 32-bit and 64-bit Windows
# builds under Wine. Stops at the first failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash tools/setup.sh

section() { printf '\n==== %s ====\n' "$*"; }

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

check_no_mingw_runtime() {  # DIR ARCH
  local bad=0 f
  while IFS= read -r f; do
    if "$2-w64-mingw32-objdump" -p "$f" | grep -i 'DLL Name' | grep -i -E 'libgcc|libstdc|libwinpthread|mingw'; then
      echo "$f imports a MinGW runtime DLL"; bad=1
    fi
  done < <(find "$1" \( -name CMakeFiles -o -name googletest \) -prune -o \( -name '*.exe' -o -name '*.dll' \) -print)
  return $bad
}

section "native build"
build build/native
section "native build with AddressSanitizer and UndefinedBehaviorSanitizer"
build build/asan -DCARVELO_SANITIZE=ON
for arch in i686 x86_64; do
  section "Windows $arch build"
  build "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake"
  check_no_mingw_runtime "build/win-$arch" "$arch"
done

section "native tests"
(cd build/native && ctest --output-on-failure -j"$jobs")
section "native tests with sanitizers"
(cd build/asan && ctest --output-on-failure -j"$jobs")

. tools/wine-session.sh
trap wine_session_stop EXIT
wine_session_start
if wine_runs_32bit; then
  section "Windows i686 tests under Wine"
  (cd build/win-i686 && ctest --output-on-failure --timeout 600)
else
  section "Windows i686 tests: not run"
  if [ -x /usr/lib/wine/wine ]; then
    echo "This kernel cannot run 32-bit programs (IA-32 emulation is off), so Wine"
    echo "cannot start the 32-bit build here; it was built and checked above."
  else
    echo "32-bit Wine (wine32:i386) is not installed (see setup's message above), so"
    echo "the 32-bit build was only built and checked above."
  fi
fi
section "Windows x86_64 tests under Wine"
(cd build/win-x86_64 && ctest --output-on-failure --timeout 600)
