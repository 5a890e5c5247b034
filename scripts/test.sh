#!/usr/bin/env bash
# Sets up, builds and runs every test; ends with one summary line.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" || { echo "0 passed, 1 failed (setup)"; exit 1; }
"$root/scripts/build.sh" || { echo "0 passed, 1 failed (build)"; exit 1; }
"$root/scripts/wine-prefix.sh" "$build/host/wine-prefix"

log=$build/ctest.log
(cd "$build/host" && ctest --output-on-failure -j"$(nproc)" "$@") 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
WINEPREFIX=$build/host/wine-prefix wineserver -k 2>/dev/null || true

line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
if [ -z "$line" ]; then
  echo "0 passed, 1 failed (no test ran)"
  exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
echo "$((total - failed)) passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
