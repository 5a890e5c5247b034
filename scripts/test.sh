#!/usr/bin/env bash
# Sets up, builds and runs every test; ends with one summary line.
# Where 32-bit programs cannot run (or with QARVO_NO_32BIT=1), the tests run
# the x64 launcher and those about x86 in particular are skipped.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" || { echo "0 passed, 1 failed (setup)"; exit 1; }
"$root/scripts/build.sh" || { echo "0 passed, 1 failed (build)"; exit 1; }
QARVO_WINE_X86=$("$root/scripts/wine-run.sh" --x86)
export QARVO_WINE_X86
if [ "$QARVO_WINE_X86" != yes ]; then
  why="32-bit programs cannot run on this machine"
  [ "${QARVO_NO_32BIT:-}" = 1 ] && why="$why (QARVO_NO_32BIT=1)"
  echo "test: $why: the tests run the x64 launcher, those about x86 are skipped"
fi
"$root/scripts/wine-prefix.sh" "$build/host/wine-prefix"

log=$build/ctest.log
(cd "$build/host" && ctest --output-on-failure -j"$(nproc)" "$@") 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
# ctest starts and stops the prefix's server (wine.server.*); this is for runs
# that were cut short.
"$root/scripts/wine-server.sh" stop "$build/host/wine-prefix"

line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
if [ -z "$line" ]; then
  echo "0 passed, 1 failed (no test ran)"
  exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
# ctest lists the skipped ones under "The following tests did not run:".
skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log")
echo "$((total - failed - skipped)) passed, $failed failed, $skipped skipped"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
