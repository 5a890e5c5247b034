#!/usr/bin/env bash
# The main job: set up, build, make the example application's launcher with
# qarvo-build and start it under Wine. Extra arguments go to the application.
#
# The launcher finds a Java runtime through QARVO_JAVA_HOME: the test suite's
# fake runtime, whose jvm.dll runs the launch it is given on the host's real
# java (its bridge mode), so a real Java program runs, started by the Windows
# launcher with the options and arguments it assembled.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}
dist=$root/dist

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
prefix=$build/example-prefix
"$root/scripts/wine-prefix.sh" "$prefix"

out=$build/example
rm -rf "$out"
mkdir -p "$out/classes"
javac --release 8 -encoding UTF-8 -d "$out/classes" $(find "$root/examples/hello/src" -name '*.java')
jar cf "$out/hello.jar" -C "$out/classes" .
"$dist/bin/qarvo-build" build "$root/examples/hello/hello.toml" -o "$out/hello.exe" --arch x86

# A runtime for the launcher to find: the fake one, bridged to the host's java.
fake=$dist/testing/fakejre
mkdir -p "$out/jre/bin/server"
cp "$fake/x86/java.exe" "$out/jre/bin/"
cp "$fake/x86/java.exe" "$out/jre/bin/javaw.exe"
cp "$fake/x86/jvm.dll" "$out/jre/bin/server/"
cp "$fake/x86/fakejre-base.dll" "$out/jre/bin/"
java=$(readlink -f "$(command -v java)")
printf 'main=bridge\nbridge=%s\njava=%s\n' "$fake/bridge" "$java" > "$out/jre/bin/server/fakejre.ini"
windows_home="Z:$(tr / '\\' <<<"$out/jre")"

echo "run-example: starting $out/hello.exe under Wine"
set +e
QARVO_JAVA_HOME=$windows_home LC_ALL=${LC_ALL:-C.UTF-8} WINEPREFIX=$prefix WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" wine "$out/hello.exe" "$@"
code=$?
set -e
echo "run-example: hello.exe exited with code $code"
exit $code
