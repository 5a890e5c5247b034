#!/usr/bin/env bash
# A one-file application whose included jars (40 MiB by default, in four
# jars) come from the per-user archive cache, against the same executable
# without them, under Wine: time from process creation to JNI_CreateJavaVM
# (measured by the fake jvm.dll), warm starts alternating, medians and their
# ratio (target <= 1.05). The first start writes the cache and is not
# measured; the later ones check each cached copy (its size and marker) and
# read nothing of the jars from the executable.
#   bench/cache_bench.sh [MiB] [runs]
set -euo pipefail
mib=${1:-40}
runs=${2:-20}
source "$(dirname "$0")/lib.sh"
work=${QARVO_BENCH_DIR:-$root/build/bench-cache}
rm -rf "$work"
mkdir -p "$work"
bin=$(lay_fake_runtime "$work/jre")
folder=qarvo-cache-bench

project() {
  cat <<TOML
[application]
name = "CacheBench"
type = 2
main-class = "app.Main"

[java]
search-sequence = "B.\\\\jre"
user-options-folder = "$folder"

[runtime]
jar = "none"
TOML
}
project > "$work/none.toml"
project > "$work/jars.toml"
for n in 1 2 3 4; do
  head -c $((mib * 1048576 / 4)) /dev/urandom > "$work/lib$n.jar"
  printf '\n[[files]]\nsource = "lib%s.jar"\n' "$n" >> "$work/jars.toml"
done
"$dist/bin/qarvo-build" build "$work/none.toml" -o "$work/none.exe" --arch "$arch" >/dev/null
"$dist/bin/qarvo-build" build "$work/jars.toml" -o "$work/jars.exe" --arch "$arch" >/dev/null
cache=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/$folder
rm -rf "$cache"

began=$(date +%s%N)
wine_run "$work/jars.exe" || { echo "the first start failed ($?)" >&2; exit 1; }
first_start=$(echo "($(date +%s%N) - $began) / 1000000000" | bc -l)
cached=$(find "$cache/archives" -name 'lib*.jar' 2>/dev/null | wc -l)
wine_run "$work/none.exe"
load_before=$(load)
jars_us=() none_us=()
for r in $(seq 1 "$runs"); do
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$work/jars.exe" || { echo "run $r with the jars failed ($?)" >&2; exit 1; }
  jars_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$work/none.exe" || { echo "run $r without them failed ($?)" >&2; exit 1; }
  none_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
done
load_after=$(load)
leftovers=$(find "$prefix_temp" -maxdepth 1 -name 'qvo*' | wc -l)
jars_median=$(printf '%s\n' "${jars_us[@]}" | median)
none_median=$(printf '%s\n' "${none_us[@]}" | median)
printf 'arch %s, %d MiB in 4 jars, %d runs each, alternating; load %s (before), %s (after)\n' \
  "$arch" "$mib" "$runs" "$load_before" "$load_after"
printf 'with the jars:    %s\n' "$(printf '%s ' "${jars_us[@]}")"
printf 'without:          %s\n' "$(printf '%s ' "${none_us[@]}")"
printf 'first start (writes the cache): %.2f s to the end; jars in the cache: %d\n' "$first_start" "$cached"
printf 'start to JNI_CreateJavaVM, with the jars (warm): %.1f ms (median)\n' "$(echo "$jars_median / 1000" | bc -l)"
printf 'start to JNI_CreateJavaVM, without:             %.1f ms (median)\n' "$(echo "$none_median / 1000" | bc -l)"
printf 'ratio with / without: %.2f (target <= 1.05)\n' "$(echo "$jars_median / $none_median" | bc -l)"
printf 'left in the temporary directory: %d qvo* entries (target 0)\n' "$leftovers"
rm -rf "$cache"
