#!/usr/bin/env bash
# The main job: set up, build, make the example application's launcher with
# qarvo-build and start it under Wine. Extra arguments go to the application.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh"
prefix=$build/example-prefix
"$root/scripts/wine-prefix.sh" "$prefix"

out=$build/example
mkdir -p "$out"
"$root/dist/bin/qarvo-build" build "$root/examples/hello/hello.toml" -o "$out/hello.exe" --arch x86
echo "run-example: starting $out/hello.exe under Wine"
set +e
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine "$out/hello.exe" "$@"
code=$?
set -e
echo "run-example: hello.exe exited with code $code"
exit $code
