#!/usr/bin/env bash
# The launcher's class-data archive on a real application: Clojure
# (Debian's clojure package, clojure.main -e), started by a launcher under
# Wine whose fake jvm.dll runs the launch on the host's newest JDK through
# the real-HotSpot bridge. Runs alternating, with the archive (third and later
# starts) and without it (the same executable, "-J-Xshare:auto", which the
# launcher reads as the user's choice and adds nothing):
#  - time from the launcher's process creation (the fake jvm.dll's timing
#    line) to the application's first expression (clojure.main has loaded
#    the Clojure runtime; the expression prints the time) and to the end of
#    the run (the launcher's process gone); medians and with/without ratio
#    (target <= 0.70 for the end);
#  - the first start's overhead: a start that writes the archive against one
#    without, medians of a few fresh starts each.
#   bench/cds_bench.sh [runs] [first-start runs]
set -euo pipefail
runs=${1:-11}
first_runs=${2:-3}
source "$(dirname "$0")/lib.sh"
clojure_jar=/usr/share/java/clojure.jar
[ -f "$clojure_jar" ] || { echo "missing: Debian's clojure package (apt-get install clojure)" >&2; exit 2; }
jdk=${QARVO_JDK25_HOME:-/usr/lib/jvm/temurin-25-jdk-amd64}
[ -f "$jdk/lib/server/libjvm.so" ] || jdk=/usr/lib/jvm/default-java
work=${QARVO_BENCH_DIR:-$root/build/bench-cds}
rm -rf "$work"
mkdir -p "$work"
bin=$(lay_fake_runtime "$work/jre")
version=$(sed -n 's/^JAVA_VERSION="\(.*\)"/\1/p' "$jdk/release")
printf 'IMPLEMENTOR="Bench"\r\nJAVA_VERSION="%s"\r\n' "$version" > "$work/jre/release"
printf 'timing=1\nmain=bridge\nbridge=%s\njdk=%s\n' "$dist/testing/fakejre/bridge" "$jdk" > "$bin/server/fakejre.ini"

# The class path as Clojure's own script has it, with spec.alpha and
# core.specs.alpha, which its jar declares.
cp_entries=""
for jar in "$clojure_jar" /usr/share/java/spec.alpha.jar /usr/share/java/core.specs.alpha.jar; do
  [ -f "$jar" ] && cp_entries+="{ archive = '$(winpath "$jar")' }, "
done
folder="QarvoCdsBench"
cat > "$work/app.toml" <<TOML
[application]
name = "CdsBench"
type = 2
main-class = "clojure.main"
product-kind = "q"
arguments = ["-e", "(println (System/currentTimeMillis))"]

[java]
search-sequence = "B.\\\\jre"
class-path = [ ${cp_entries} ]
options-from-arguments = true
user-options-folder = "$folder"

[runtime]
jar = "beside"
TOML
"$dist/bin/qarvo-build" build "$work/app.toml" -o "$work/app.exe" --arch "$arch" >/dev/null
cache=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/$folder/cds
rm -rf "$(dirname "$cache")"

# One start: "<to first expression ms> <to end ms>", from the process's creation.
start() {
  local transcript=$bin/server/fakejre-calls.log out created
  rm -f "$transcript"
  out=$(wine_run "$work/app.exe" "$@") || { echo "launcher run failed ($?): $out" >&2; exit 1; }
  local end_ns; end_ns=$(date +%s%N)
  created=$(sed -n 's/^timing created=\([0-9]*\).*/\1/p' "$transcript" | tail -1)
  # FILETIME (100 ns since 1601) to Unix milliseconds.
  local created_ms=$(( (created - 116444736000000000) / 10000 ))
  local printed; printed=$(echo "$out" | grep -E '^[0-9]{13}$' | tail -1)
  echo "$(( printed - created_ms )) $(( end_ns / 1000000 - created_ms ))"
}

load_before=$(load)
# First starts: a fresh cache each time, against a start without.
first_with=() first_without=()
for r in $(seq 1 "$first_runs"); do
  rm -rf "$cache"
  first_with+=("$(start | cut -d' ' -f2)")
  first_without+=("$(start -J-Xshare:auto | cut -d' ' -f2)")
done
[ -n "$(ls "$cache"/*.jsa 2>/dev/null)" ] || { echo "no archive was written in $cache" >&2; exit 1; }
start >/dev/null  # the second start: the archive is there from now on
main_with=() end_with=() main_without=() end_without=()
for r in $(seq 1 "$runs"); do
  read -r m e < <(start)
  main_with+=("$m"); end_with+=("$e")
  read -r m e < <(start -J-Xshare:auto)
  main_without+=("$m"); end_without+=("$e")
done
load_after=$(load)

med() { printf '%s\n' "$@" | median; }
mw=$(med "${main_with[@]}") mo=$(med "${main_without[@]}")
ew=$(med "${end_with[@]}") eo=$(med "${end_without[@]}")
fw=$(med "${first_with[@]}") fo=$(med "${first_without[@]}")
printf 'JDK %s (%s), arch %s, display %s; Clojure %s; %d runs each, alternating; load %s (before), %s (after)\n' \
  "$version" "$jdk" "$arch" "$display_note" "$(basename "$(readlink -f "$clojure_jar")")" "$runs" "$load_before" "$load_after"
printf 'archive: %s (%s bytes)\n' "$(ls "$cache"/*.jsa | head -1 | xargs basename)" "$(stat -c %s "$(ls "$cache"/*.jsa | head -1)")"
printf 'to first expression, with:    %s\n' "${main_with[*]}"
printf 'to first expression, without: %s\n' "${main_without[*]}"
printf 'to end, with:                 %s\n' "${end_with[*]}"
printf 'to end, without:              %s\n' "${end_without[*]}"
printf 'to first expression: with %s ms, without %s ms (medians), ratio %.2f\n' "$mw" "$mo" "$(echo "$mw / $mo" | bc -l)"
printf 'to end:              with %s ms, without %s ms (medians), ratio %.2f (target <= 0.70)\n' "$ew" "$eo" \
  "$(echo "$ew / $eo" | bc -l)"
printf 'first start (writes the archive): %s ms against %s ms without (medians of %d), overhead %.2f\n' \
  "$fw" "$fo" "$first_runs" "$(echo "$fw / $fo" | bc -l)"
rm -rf "$(dirname "$cache")"
