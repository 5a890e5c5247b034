#!/usr/bin/env bash
# The benchmarks run from their documented commands, here with small sizes and
# one round each, headless, in a Wine prefix of their own. No speed is judged
# (that is the benchmarks' job); what is checked is that each one completes
# and reports its figures, and the facts a single round does establish: a
# warm start starts no child process while the cold start's java.exe probe is
# counted, and the bundled file is extracted whole (the script checks that).
#   tests/bench/smoke_test.sh WORK_DIRECTORY
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(realpath -m "${1:?usage: smoke_test.sh WORK_DIRECTORY}")
mkdir -p "$work"
export QARVO_BENCH_DISPLAY=none QARVO_BENCH_WINEPREFIX=$work/wine-prefix

failures=0
expect() {  # name output pattern...
  local name=$1 output=$2
  shift 2
  for pattern in "$@"; do
    if ! grep -q -E -- "$pattern" <<<"$output"; then
      echo "FAIL $name: no line matches /$pattern/" >&2
      failures=$((failures + 1))
    fi
  done
}
run() {  # name command...: output in $out (and shown); a failing run fails the test
  local name=$1
  shift
  local status=0
  QARVO_BENCH_DIR=$work/$name "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  out=$(cat "$work/$name.out")
  echo "$out"
  if [ "$status" -ne 0 ]; then
    echo "FAIL $name: exit code $status" >&2
    cat "$work/$name.err" >&2
    failures=$((failures + 1))
  fi
}

run launch "$root/bench/launch_bench.sh" 1
expect launch "$out" \
  '^ratio launcher / floor: [0-9]+\.[0-9]+ \(target <= 1\.10\)$' \
  '^child processes in 1 warm starts: 0 ' \
  '^processes created, traced \(WINEDEBUG=\+process\): warm start 0 \(target 0\); cold start 1 java\.exe$' \
  '^processes created, traced: cold start with a release file 0 \(target 0\); version cache entries: [1-9]'

run extract "$root/bench/extract_bench.sh" 16 1
expect extract "$out" '^CopyFile: +[0-9]+\.[0-9] ms' '^extraction: -?[0-9]+\.[0-9] ms'

run cache "$root/bench/cache_bench.sh" 4 1
expect cache "$out" '^ratio with / without: [0-9]+\.[0-9]+ \(target <= 1\.05\)$' \
  'jars in the cache: 4$' '^left in the temporary directory: 0 qvo\* entries'

run builder "$root/bench/builder_bench.sh" 16 1
expect builder "$out" '^time ratio: +[0-9]+\.[0-9]+ \(target <= 1\.2\)$' '^peak memory: [0-9]+\.[0-9] MiB \(target < 32\)$'

# Needs Debian's clojure package and a JDK of 25 or newer; says so otherwise.
if [ -f /usr/share/java/clojure.jar ] && [ -f "${QARVO_JDK25_HOME:-/usr/lib/jvm/temurin-25-jdk-amd64}/lib/server/libjvm.so" ]; then
  run cds "$root/bench/cds_bench.sh" 1 1
  expect cds "$out" '^to end: +cache [0-9]+, archive [0-9]+, without [0-9]+ ms \(medians\), ratios [0-9]+\.[0-9]+ \(target <= 0\.55\) / [0-9]+\.[0-9]+ \(target <= 0\.65\)$' \
    '^first start: records [0-9]+ ms \+ cache made [0-9]+ ms after its end; writes the archive [0-9]+ ms' \
    '^cache: app-[0-9.]+-[0-9a-f]{16}\.aot \([0-9]+ bytes\); archive: dyn-[0-9.]+-[0-9a-f]{16}\.jsa'
else
  echo "cds: skipped (no clojure package or no JDK 25)"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "benchmarks ran"
