#!/usr/bin/env bash
# The main job: set up, build, make the example application's launcher with
# qarvo-build and start it under Wine. Extra arguments go to the application.
#
# The launcher finds a Java runtime through QARVO_JAVA_HOME: the test suite's
# fake runtime, whose jvm.dll runs the launch it is given on the host's real
# java (its bridge mode), so a real Java program runs, started by the Windows
# launcher with the options and arguments it assembled.
#
# --arch x86|x64 picks the launcher; without it, x86 where 32-bit programs run
# and x64 otherwise (QARVO_NO_32BIT=1 forces x64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}
dist=$root/dist

arch=
if [ "${1:-}" = --arch ]; then
  arch=${2:?usage: run-example.sh [--arch x86|x64] [ARGS...]}
  shift 2
fi
case $arch in
  x86|x64|"") ;;
  *) echo "run-example: unknown architecture $arch (x86 or x64)" >&2; exit 2 ;;
esac

# One line per step with the time it took; the steps' own output goes to a
# log, shown when a step fails.
mkdir -p "$build"
log=$build/run-example.log
: >"$log"
step() {  # step TEXT COMMAND...
  local text=$1 start end
  shift
  start=$(date +%s%N)
  if ! "$@" >>"$log" 2>&1; then
    echo "run-example: $text failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  end=$(date +%s%N)
  awk -v t="$text" -v ns=$((end - start)) 'BEGIN { printf "run-example: %-44s %6.1f s\n", t, ns / 1e9 }'
}

step "set-up (packages)" "$root/scripts/setup.sh"
run=$root/scripts/wine-run.sh
QARVO_WINE_X86=$("$run" --x86)
export QARVO_WINE_X86
if [ -z "$arch" ]; then
  if [ "$QARVO_WINE_X86" = yes ]; then
    arch=x86
    echo "run-example: x86 launcher (32-bit programs run on this machine)"
  else
    arch=x64
    why="32-bit programs cannot run on this machine"
    [ "${QARVO_NO_32BIT:-}" = 1 ] && why="QARVO_NO_32BIT=1"
    echo "run-example: x64 launcher ($why)"
  fi
elif [ "$arch" = x86 ] && [ "$QARVO_WINE_X86" != yes ]; then
  echo "run-example: the x86 launcher cannot run here: 32-bit programs cannot run on this machine" >&2
  exit 1
else
  echo "run-example: $arch launcher (asked for)"
fi

# Only what the example runs: the launcher and the fake runtime of its
# architecture, the builder, the Java-side runtime and the bridge (the test
# command builds the rest).
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
toolchain=$root/cmake/mingw-i686.cmake
[ "$arch" = x64 ] && toolchain=$root/cmake/mingw-x86_64.cmake
step "configure the $arch launcher" cmake -S "$root" -B "$build/win-$arch" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$dist"
step "build the $arch launcher and fake runtime" cmake --build "$build/win-$arch" \
  --target launcher fake-java fake-jvm fake-jre-base
step "install them into dist/" cmake --install "$build/win-$arch" --component example
step "configure the builder" env CC="${CC:-clang}" CXX="${CXX:-clang++}" cmake -S "$root" -B "$build/host" \
  "${generator[@]}" -DCMAKE_INSTALL_PREFIX="$dist" -DQARVO_DIST="$dist"
step "build the builder, runtime jar and bridge" cmake --build "$build/host" \
  --target qarvo-build qarvo_runtime fakejre-bridge
step "install them into dist/" cmake --install "$build/host" --component example
prefix=$build/example-prefix
step "Wine prefix" "$root/scripts/wine-prefix.sh" "$prefix"

out=$build/example
rm -rf "$out"
mkdir -p "$out/classes"
compile_example() {
  javac --release 8 -encoding UTF-8 -d "$out/classes" $(find "$root/examples/hello/src" -name '*.java') &&
    jar cf "$out/hello.jar" -C "$out/classes" .
}
step "compile hello.jar" compile_example
"$dist/bin/qarvo-build" build "$root/examples/hello/hello.toml" -o "$out/hello.exe" --arch "$arch"

# A runtime for the launcher to find: the fake one, bridged to the host JDK of java.
fake=$dist/testing/fakejre
mkdir -p "$out/jre/bin/server"
cp "$fake/$arch/java.exe" "$out/jre/bin/"
cp "$fake/$arch/java.exe" "$out/jre/bin/javaw.exe"
cp "$fake/$arch/jvm.dll" "$out/jre/bin/server/"
cp "$fake/$arch/fakejre-base.dll" "$out/jre/bin/"
java=$(readlink -f "$(command -v java)")
printf 'main=bridge\nbridge=%s\njava=%s\n' "$fake/bridge" "$java" > "$out/jre/bin/server/fakejre.ini"
windows_home="Z:$(tr / '\\' <<<"$out/jre")"

echo "run-example: starting $out/hello.exe under Wine"
set +e
QARVO_JAVA_HOME=$windows_home LC_ALL=${LC_ALL:-C.UTF-8} WINEPREFIX=$prefix WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" "$run" "$out/hello.exe" "$@"
code=$?
set -e
echo "run-example: hello.exe exited with code $code"
exit $code
