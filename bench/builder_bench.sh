#!/usr/bin/env bash
# qarvo-build writing an executable with 1 GiB of bundled files, against cat
# of the same bytes: wall time ratio (target <= 1.2) and the builder's peak
# memory (target < 32 MiB). Files are made once in a work directory.
#   bench/builder_bench.sh [MiB=1024] [runs=5]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-1024}
runs=${2:-5}
work=${QARVO_BENCH_DIR:-$root/build/bench-builder}
builder=$root/dist/bin/qarvo-build
stub=$root/dist/stubs/launcher-x86.exe
[ -x "$builder" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }
mkdir -p "$work"

parts=4
part=$((mib / parts))
project=$work/bench.toml
{
  echo '[application]'
  echo 'name = "Bench"'
  echo 'type = 2'
} > "$project"
files=()
for i in $(seq 1 $parts); do
  f=$work/part$i.bin
  if [ ! -f "$f" ] || [ "$(stat -c %s "$f")" -ne $((part * 1048576)) ]; then
    head -c $((part * 1048576)) /dev/urandom > "$f"
  fi
  files+=("$f")
  printf '\n[[files]]\nsource = "%s"\nname = "part%d.bin"\n' "$f" "$i" >> "$project"
done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s.%N); "$@"; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

# Each timed write starts with nothing waiting to be written back: data left
# dirty by an earlier write (or an earlier benchmark) throttles the next one
# and made the ratio swing between 1 and 6.
cat_times=() build_times=() peaks=()
for r in $(seq 1 "$runs"); do
  sync
  cat_times+=("$(seconds sh -c "cat '$stub' ${files[*]} > '$work/cat.out'")")
  rm -f "$work/cat.out"
  sync
  start=$(date +%s.%N)
  /usr/bin/time -f %M -o "$work/peak" "$builder" build "$project" -o "$work/bench.exe"
  end=$(date +%s.%N)
  build_times+=("$(echo "$end - $start" | bc -l)")
  peaks+=("$(cat "$work/peak")")
  rm -f "$work/bench.exe"
done
cat_median=$(printf '%s\n' "${cat_times[@]}" | median)
build_median=$(printf '%s\n' "${build_times[@]}" | median)
peak_kib=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
ratio=$(echo "$build_median / $cat_median" | bc -l)
printf 'bundled data: %d MiB in %d files, %d runs\n' "$mib" "$parts" "$runs"
printf 'cat:         %.3f s (median)\n' "$cat_median"
printf 'qarvo-build: %.3f s (median)\n' "$build_median"
printf 'time ratio:  %.2f (target <= 1.2)\n' "$ratio"
printf 'peak memory: %.1f MiB (target < 32)\n' "$(echo "$peak_kib / 1024" | bc -l)"
