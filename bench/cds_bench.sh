#!/usr/bin/env bash
# The launcher's class-data sharing on a real application: Clojure
# (Debian's clojure package, clojure.main -e), started by a launcher under
# Wine whose fake jvm.dll runs the launch on the host's newest JDK through
# the real-HotSpot bridge. Runs alternating, warm: with the ahead-of-time
# cache (Java 25: app.exe's starts once its cache is made), with the dynamic
# archive (dyn.exe, the same project in a folder of its own whose cache was
# marked failed, so the launcher falls back to the archive) and without
# either (app.exe with "-J-Xshare:auto", which the launcher reads as the
# user's choice and adds nothing: what "java -cp" does):
#  - time from the launcher's process creation (the fake jvm.dll's timing
#    line) to the application's first expression (clojure.main has loaded
#    the Clojure runtime; the expression prints the time) and to the end of
#    the run (the launcher's process gone); medians and ratios to the start
#    without (targets for the end: <= 0.55 with the cache, <= 0.65 with the
#    archive);
#  - the first start's cost: a start that records (and the time after its
#    end until the helper's cache is there) or writes the archive, against
#    one without, medians of a few fresh starts each.
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
[ "${version%%[.-]*}" -ge 25 ] 2>/dev/null || { echo "needs a JDK of 25 or newer (QARVO_JDK25_HOME), found $version" >&2; exit 2; }
printf 'IMPLEMENTOR="Bench"\r\nJAVA_VERSION="%s"\r\n' "$version" > "$work/jre/release"
printf 'timing=1\nmain=bridge\nbridge=%s\njdk=%s\n' "$dist/testing/fakejre/bridge" "$jdk" > "$bin/server/fakejre.ini"

# One executable with the builder's defaults: Clojure's jars as included
# files, with spec.alpha and core.specs.alpha, which its jar declares (the
# class path of Clojure's own script), and the runtime archive included;
# all come from the per-user archive cache.
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
options-from-arguments = true
user-options-folder = "$folder"
TOML
# Debian's jar names the two in its manifest by host paths (Class-Path:
# /usr/share/maven-repo/...). On Windows such a path names nothing, but the
# bridge's JVM runs on this host, where it does: their classes would come from
# jars off the class path the launcher gives, which HotSpot's caches leave
# out. The included copy has no Class-Path, as the jars are on the class path.
clojure_copy=$work/$(basename "$(readlink -f "$clojure_jar")")
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && "$jdk/bin/jar" xf "$(readlink -f "$clojure_jar")")
awk '/^Class-Path:/ { skip = 1; next } skip && /^ / { next } { skip = 0; print }' \
  "$work/unpacked/META-INF/MANIFEST.MF" > "$work/manifest"
rm "$work/unpacked/META-INF/MANIFEST.MF"
"$jdk/bin/jar" --create --file "$clojure_copy" --manifest "$work/manifest" -C "$work/unpacked" .
rm -rf "$work/unpacked"
for jar in "$clojure_copy" /usr/share/java/spec.alpha.jar /usr/share/java/core.specs.alpha.jar; do
  [ -f "$jar" ] && printf '\n[[files]]\nsource = "%s"\n' "$(readlink -f "$jar")" >> "$work/app.toml"
done
"$dist/bin/qarvo-build" build "$work/app.toml" -o "$work/app.exe" --arch "$arch" >/dev/null
sed "s/$folder/${folder}Dyn/" "$work/app.toml" > "$work/dyn.toml"
"$dist/bin/qarvo-build" build "$work/dyn.toml" -o "$work/dyn.exe" --arch "$arch" >/dev/null
cache=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/$folder/cds
dyn_cache=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/${folder}Dyn/cds
archives=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/$folder/archives
rm -rf "$(dirname "$cache")" "$(dirname "$dyn_cache")"

# Milliseconds until the helper of the last start has made its cache (its
# temporary files gone, the cache or the failure marker there).
await_cache() {
  local since; since=$(date +%s%N)
  for _ in $(seq 1 1200); do
    if [ -z "$(ls "$1" | grep '\.tmp$')" ] && ls "$1" | grep -q '\.aot\(-failed\)\?$'; then break; fi
    sleep 0.05
  done
  ls "$1" | grep -q '\.aot$' || { echo "no cache was made in $1" >&2; exit 1; }
  echo $(( ($(date +%s%N) - since) / 1000000 ))
}

# One start of EXE: "<to first expression ms> <to end ms>", from the process's creation.
start_of() {
  local exe=$1 transcript=$bin/server/fakejre-calls.log out created
  shift
  rm -f "$transcript"
  out=$(wine_run "$work/$exe" "$@") || { echo "launcher run failed ($?): $out" >&2; exit 1; }
  local end_ns; end_ns=$(date +%s%N)
  created=$(sed -n 's/^timing created=\([0-9]*\).*/\1/p' "$transcript" | tail -1)
  # FILETIME (100 ns since 1601) to Unix milliseconds.
  local created_ms=$(( (created - 116444736000000000) / 10000 ))
  local printed; printed=$(echo "$out" | grep -E '^[0-9]{13}$' | tail -1)
  echo "$(( printed - created_ms )) $(( end_ns / 1000000 - created_ms ))"
}

start() { start_of app.exe "$@"; }

load_before=$(load)
# First starts: a fresh cache each time, against a start without; the
# archive's first start after its cache was marked failed.
first_with=() first_create=() first_dyn=() first_without=()
for r in $(seq 1 "$first_runs"); do
  rm -rf "$cache"
  first_with+=("$(start | cut -d' ' -f2)")
  first_create+=("$(await_cache "$cache")")
  first_without+=("$(start -J-Xshare:auto | cut -d' ' -f2)")
  if [ "$r" = 1 ]; then
    start_of dyn.exe >/dev/null
    await_cache "$dyn_cache" >/dev/null
    for made in "$dyn_cache"/*.aot; do mv "$made" "$made-failed"; done
  fi
  rm -f "$dyn_cache"/*.jsa
  first_dyn+=("$(start_of dyn.exe | cut -d' ' -f2)")
done
[ -n "$(ls "$dyn_cache"/*.jsa 2>/dev/null)" ] || { echo "no archive was written in $dyn_cache" >&2; exit 1; }
main_with=() end_with=() main_dyn=() end_dyn=() main_without=() end_without=()
for r in $(seq 1 "$runs"); do
  read -r m e < <(start)
  main_with+=("$m"); end_with+=("$e")
  read -r m e < <(start_of dyn.exe)
  main_dyn+=("$m"); end_dyn+=("$e")
  read -r m e < <(start -J-Xshare:auto)
  main_without+=("$m"); end_without+=("$e")
done
load_after=$(load)
[ -z "$(ls "$cache" | grep -v '\.aot$')" ] || { echo "more than the cache in $cache: $(ls "$cache")" >&2; exit 1; }
[ "$(find "$archives" -name '*.jar' | wc -l)" -ge 3 ] || { echo "the jars do not come from the archive cache $archives" >&2; exit 1; }

med() { printf '%s\n' "$@" | median; }
ratio() { echo "$1 / $2" | bc -l; }
mw=$(med "${main_with[@]}") md=$(med "${main_dyn[@]}") mo=$(med "${main_without[@]}")
ew=$(med "${end_with[@]}") ed=$(med "${end_dyn[@]}") eo=$(med "${end_without[@]}")
fw=$(med "${first_with[@]}") fc=$(med "${first_create[@]}") fd=$(med "${first_dyn[@]}") fo=$(med "${first_without[@]}")
printf 'JDK %s (%s), arch %s, display %s; Clojure %s; %d runs each, alternating; load %s (before), %s (after)\n' \
  "$version" "$jdk" "$arch" "$display_note" "$(basename "$(readlink -f "$clojure_jar")")" "$runs" "$load_before" "$load_after"
printf 'cache: %s (%s bytes); archive: %s (%s bytes)\n' "$(ls "$cache" | head -1)" "$(stat -c %s "$cache"/*.aot)" \
  "$(ls "$dyn_cache" | grep jsa | head -1)" "$(stat -c %s "$dyn_cache"/*.jsa)"
printf 'to first expression, cache:   %s\n' "${main_with[*]}"
printf 'to first expression, archive: %s\n' "${main_dyn[*]}"
printf 'to first expression, without: %s\n' "${main_without[*]}"
printf 'to end, cache:                %s\n' "${end_with[*]}"
printf 'to end, archive:              %s\n' "${end_dyn[*]}"
printf 'to end, without:              %s\n' "${end_without[*]}"
printf 'to first expression: cache %s, archive %s, without %s ms (medians), ratios %.2f / %.2f\n' \
  "$mw" "$md" "$mo" "$(ratio "$mw" "$mo")" "$(ratio "$md" "$mo")"
printf 'to end:              cache %s, archive %s, without %s ms (medians), ratios %.2f (target <= 0.55) / %.2f (target <= 0.65)\n' \
  "$ew" "$ed" "$eo" "$(ratio "$ew" "$eo")" "$(ratio "$ed" "$eo")"
printf 'first start: records %s ms + cache made %s ms after its end; writes the archive %s ms; without %s ms (medians of %d)\n' \
  "$fw" "$fc" "$fd" "$fo" "$first_runs"
rm -rf "$(dirname "$cache")" "$(dirname "$dyn_cache")"
