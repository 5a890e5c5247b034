#!/usr/bin/env bash
# Builds the launcher for x86 and x64 (MinGW-w64), the host tools and tests,
# and lays out dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}
dist=$root/dist
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

rm -rf "$dist"
for arch in x86 x64; do
  toolchain=$root/cmake/mingw-i686.cmake
  [ "$arch" = x64 ] && toolchain=$root/cmake/mingw-x86_64.cmake
  cmake -S "$root" -B "$build/win-$arch" "${generator[@]}" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$dist" >/dev/null
  cmake --build "$build/win-$arch"
  cmake --install "$build/win-$arch" >/dev/null
done

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$root" -B "$build/host" "${generator[@]}" \
  -DCMAKE_INSTALL_PREFIX="$dist" -DQARVO_DIST="$dist" \
  -DQARVO_WIN_BUILD_DIRS="$build/win-x86;$build/win-x64" >/dev/null
cmake --build "$build/host"
cmake --install "$build/host" >/dev/null
echo "build: dist/ is ready"
