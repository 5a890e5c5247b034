#!/usr/bin/env bash
# Extraction of one bundled file (256 MiB by default) by a warm start of a
# launcher executable, against CopyFile of the same bytes by the floor
# program, under Wine. Extraction time = (process start to JNI_CreateJavaVM of
# the executable with the file) - (the same of the executable without it),
# medians; the copy is timed inside the floor around CopyFile. Reported as the
# throughput ratio extraction / CopyFile (target >= 0.9). Both write into the
# prefix's temporary directory; the launcher removes its extraction directory at
# its end, and what the floor wrote is removed after each run.
#   bench/extract_bench.sh [MiB] [runs]
set -euo pipefail
mib=${1:-256}
runs=${2:-15}
source "$(dirname "$0")/lib.sh"
work=${QARVO_BENCH_DIR:-$root/build/bench-extract}
mkdir -p "$work"
rm -rf "$work/jre" "$work"/*.exe
bin=$(lay_fake_runtime "$work/jre")
floor=$dist/bench/floor-copy-$arch.exe
data=$work/data.bin
if [ ! -f "$data" ] || [ "$(stat -c %s "$data")" -ne $((mib * 1048576)) ]; then
  head -c $((mib * 1048576)) /dev/urandom > "$data"
fi

project() {
  printf '[application]\nname = "Bench"\ntype = 2\nmain-class = "app.Main"\n\n[java]\nsearch-sequence = "B.\\\\jre"\n'
  [ -n "$1" ] && printf '\n[[files]]\nsource = "%s"\nname = "data.bin"\n' "$1"
  return 0
}
project "" > "$work/base.toml"
project "$data" > "$work/big.toml"
"$dist/bin/qarvo-build" build "$work/base.toml" -o "$work/base.exe" --arch "$arch" >/dev/null
"$dist/bin/qarvo-build" build "$work/big.toml" -o "$work/big.exe" --arch "$arch" >/dev/null

temp=$prefix_temp
clean_temp() { clear_extracted; rm -f "$temp"/floor-copy.*; }

timed_start() {  # exe -> microseconds from process start to JNI_CreateJavaVM
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$1" || { echo "$1 failed ($?)" >&2; exit 1; }
  last_timing_us "$bin/server/fakejre-calls.log"
}

# Warm the version cache and the page cache.
wine_run reg delete 'HKCU\SOFTWARE\korvath\qarvo\jvms' /f >/dev/null 2>&1 || true
timed_start "$work/base.exe" >/dev/null
timed_start "$work/big.exe" >/dev/null
clean_temp

load_before=$(load)
base_us=() big_us=() copy_ms=()
for r in $(seq 1 "$runs"); do
  base_us+=("$(timed_start "$work/base.exe")")
  clean_temp
  # A start whose extraction fails ends with an error (timed_start stops the
  # benchmark); the directory is gone again when the start has ended.
  big_us+=("$(timed_start "$work/big.exe")")
  clean_temp
  wine_run "$floor" "$(winpath "$data")" "$(winpath "$temp/floor-copy.bin")" >/dev/null ||
    { echo "floor copy failed ($?)" >&2; exit 1; }
  copy_ms+=("$(cat "$temp/floor-copy.bin.ms")")
  clean_temp
done
load_after=$(load)

base=$(printf '%s\n' "${base_us[@]}" | median)
big=$(printf '%s\n' "${big_us[@]}" | median)
copy=$(printf '%s\n' "${copy_ms[@]}" | median)
extract_ms=$(echo "($big - $base) / 1000" | bc -l)
printf 'arch %s, %d MiB, %d runs each, alternating; load %s (before), %s (after)\n' "$arch" "$mib" "$runs" \
  "$load_before" "$load_after"
printf 'start to JNI_CreateJavaVM without files (us): %s\n' "$(printf '%s ' "${base_us[@]}")"
printf 'start to JNI_CreateJavaVM with the file (us):  %s\n' "$(printf '%s ' "${big_us[@]}")"
printf 'CopyFile (ms):                                 %s\n' "$(printf '%.1f ' "${copy_ms[@]}")"
printf 'CopyFile:   %.1f ms (median), %.0f MiB/s\n' "$copy" "$(echo "$mib * 1000 / $copy" | bc -l)"
# With a small file the difference of two medians can drown in the noise.
if [ "$(echo "$extract_ms > 0.5" | bc -l)" -eq 1 ]; then
  printf 'extraction: %.1f ms (difference of medians), %.0f MiB/s\n' "$extract_ms" "$(echo "$mib * 1000 / $extract_ms" | bc -l)"
  printf 'throughput ratio extraction / CopyFile: %.2f (target >= 0.9)\n' "$(echo "$copy / $extract_ms" | bc -l)"
else
  printf 'extraction: %.1f ms (difference of medians): within the noise, no ratio (use a larger file)\n' "$extract_ms"
fi
