#!/usr/bin/env bash
# Runs every fuzzer (or those named) for as long as asked, from its seed
# corpus; new inputs collect in build/host/fuzz-work/<name>, crashes in the
# current directory.
#   scripts/fuzz.sh [SECONDS] [NAME...]      e.g. scripts/fuzz.sh 600 block project
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QARVO_BUILD_DIR:-$root/build}
seconds=${1:-300}
shift || true
cmake --build "$build/host" >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$build"/host/fuzz_*; do [ -x "$f" ] && names+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi
for name in "${names[@]}"; do
  mkdir -p "$build/host/fuzz-work/$name"
  echo "fuzz: $name for ${seconds}s"
  "$build/host/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    "$build/host/fuzz-work/$name" "$root/tests/fuzz/corpus/$name"
done
