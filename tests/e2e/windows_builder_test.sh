#!/usr/bin/env bash
# qarvo-build.exe under Wine against the host's qarvo-build: the example
# project, given by Windows paths through a directory outside the ANSI code
# page, gives the same executable byte for byte and the same inspect output;
# an included file named by an absolute Windows path is taken as it stands;
# a bad project file gives the same message.
#   windows_builder_test.sh DIST WORK
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
dist=$1
work=$2/grüße-日本
run=$root/scripts/wine-run.sh
export LC_ALL=C.UTF-8
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

rm -rf "$2"
mkdir -p "$work/host" "$work/win"
windows() { printf 'Z:%s' "${1//\//\\}"; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for arch in x64 x86; do
  cp "$root/examples/hello/hello.toml" "$work/host/" && cp "$root/examples/hello/hello.toml" "$work/win/"
  "$dist/bin/qarvo-build" build "$work/host/hello.toml" -o "$work/host/hello.exe" --arch $arch >/dev/null
  "$run" "$dist/bin/qarvo-build.exe" build "$(windows "$work/win/hello.toml")" \
         -o "$(windows "$work/win/hello.exe")" --arch $arch >/dev/null || fail "build $arch under Wine"
  cmp "$work/host/hello.exe" "$work/win/hello.exe" || fail "$arch executables differ"
  cmp "$work/host/qarvo-runtime.jar" "$work/win/qarvo-runtime.jar" || fail "runtime archive beside ($arch)"
  ls "$work/win" | grep -q part && fail "a partial file was left: $(ls "$work/win")"

  host=$("$dist/bin/qarvo-build" inspect "$work/host/hello.exe")
  win=$("$run" "$dist/bin/qarvo-build.exe" inspect "$(windows "$work/win/hello.exe")" | tr -d '\r')
  [ -n "$host" ] && [ "$host" = "$win" ] || fail "inspect ($arch) differs: $(diff <(echo "$host") <(echo "$win"))"
done

# An included file by an absolute path with a drive, as the host's by its own.
printf 'included data\n' > "$work/data.bin"
printf '[application]\nmain-class = "hello.Main"\n[runtime]\njar = "none"\n[[files]]\nsource = '"'"'%s'"'"'\n' \
       "$(windows "$work/data.bin")" > "$work/win/files.toml"
printf '[application]\nmain-class = "hello.Main"\n[runtime]\njar = "none"\n[[files]]\nsource = '"'"'%s'"'"'\n' \
       "$work/data.bin" > "$work/host/files.toml"
"$dist/bin/qarvo-build" build "$work/host/files.toml" -o "$work/host/files.exe" --arch x64 >/dev/null
"$run" "$dist/bin/qarvo-build.exe" build "$(windows "$work/win/files.toml")" -o "$(windows "$work/win/files.exe")" \
       --arch x64 >/dev/null || fail "an included file by a drive path under Wine"
cmp "$work/host/files.exe" "$work/win/files.exe" || fail "executables with an included file by a drive path differ"

# The output never replaces an input, also under another name of it.
"$run" "$dist/bin/qarvo-build.exe" build "$(windows "$work/win/hello.toml")" \
       -o "$(windows "$work/win/../win/HELLO.toml")" 2>/dev/null && fail "the project file was the output"
cmp -s "$root/examples/hello/hello.toml" "$work/win/hello.toml" || fail "the project file was replaced"

printf '[application]\nmain-class = "hello.Main"\nno-such-key = 1\n' > "$work/bad.toml"
set +e
host=$("$dist/bin/qarvo-build" build "$work/bad.toml" -o "$work/bad.exe" 2>&1 >/dev/null); host_code=$?
win=$("$run" "$dist/bin/qarvo-build.exe" build "$(windows "$work/bad.toml")" -o "$(windows "$work/bad.exe")" \
      2>&1 >/dev/null); win_code=$?
set -e
host=${host//"$work/bad.toml"/PROJECT}
win=${win//$'\r'/}
win=${win//"$(windows "$work/bad.toml")"/PROJECT}
[ "$host_code" = 1 ] && [[ "$host" == *PROJECT:3* ]] || fail "host message: $host_code $host"
[ "$host" = "$win" ] && [ "$win_code" = 1 ] || fail "bad project: host says '$host', Windows says '$win'"

[ $failures -eq 0 ] && echo "windows builder: same executables, inspect output and messages"
exit $((failures > 0))
