#!/usr/bin/env bash
# A warm start of a launcher executable, against the floor (a program that only
# loads the same fake jvm.dll and enters JNI_CreateJavaVM), under Wine, and for
# information against the GUI floor (the same with the launcher's resources and
# InitCommonControls), runs alternating:
#  - time from process creation to JNI_CreateJavaVM, both measured by the fake
#    jvm.dll (GetProcessTimes against the system time at entry), runs
#    alternating, medians and their ratio (target <= 1.10);
#  - child processes a warm start creates (target 0): the fake java.exe and
#    unpack200.exe record every start, and a traced run counts
#    CreateProcess calls.
# The first start of the executable probes java.exe and fills the version
# cache in the registry; it is not measured.
#   bench/launch_bench.sh [runs]
set -euo pipefail
runs=${1:-20}
source "$(dirname "$0")/lib.sh"
work=${QARVO_BENCH_DIR:-$root/build/bench-launch}
rm -rf "$work"
mkdir -p "$work"
bin=$(lay_fake_runtime "$work/jre")
jvm=$bin/server/jvm.dll
floor=$dist/bench/floor-jvm-$arch.exe
gui_floor=$dist/bench/floor-jvm-gui-$arch.exe

cat > "$work/app.toml" <<'TOML'
[application]
name = "Bench"
type = 2
main-class = "app.Main"

[java]
search-sequence = "B.\\jre"
TOML
# The measured executable is the builder's default one: it includes the
# runtime archive, which every start extracts and removes again at its end
# (and it sweeps what ended processes left, off the critical path). One
# without included files is timed beside it, for information.
cp "$work/app.toml" "$work/app-jar.toml"
printf '\n[runtime]\njar = "none"\n' >> "$work/app.toml"
"$dist/bin/qarvo-build" build "$work/app.toml" -o "$work/app.exe" --arch "$arch" >/dev/null
"$dist/bin/qarvo-build" build "$work/app-jar.toml" -o "$work/app-jar.exe" --arch "$arch" >/dev/null

# Processes a traced start created (WINEDEBUG=+process): count, then names.
# The launcher's own process is left out: a loader may create it that way
# (the 32-bit one does for a 64-bit executable).
traced_start() {
  WINEDEBUG=+process wine_run "$work/app.exe" 2>"$work/trace.log" >/dev/null || true
  grep -a 'trace:process:NtCreateUserProcess .* pid ' "$work/trace.log" |
    sed 's/.*NtCreateUserProcess L"\([^"]*\)".*/\1/' | grep -v -i '\\app\.exe$' > "$work/created.txt" || true
  echo "$(grep -c . "$work/created.txt" || true)$(sed 's/.*\\/ /' "$work/created.txt" | tr -d '\n')"
}

wine_run reg delete 'HKCU\SOFTWARE\korvath\qarvo\jvms' /f >/dev/null 2>&1 || true
cold=$(traced_start)
probes=$(grep -c '^java ' "$bin/fakejre-calls.log" || true)
[ "$probes" -ge 1 ] || echo "note: the cold start ran no java.exe (cache already warm?)" >&2
rm -f "$bin/fakejre-calls.log"

# Each start extracts the runtime archive into a directory of its own in the
# prefix's temporary directory and removes it at its end; what earlier runs
# left is removed first, so that every start meets the same temporary
# directory (Wine looks a name up by reading the whole directory; Windows
# does not).
clear_extracted

load_before=$(load)
wine_run "$work/app-jar.exe" || { echo "launcher with the runtime archive failed ($?)" >&2; exit 1; }
clear_extracted
launcher_us=() jar_us=() floor_us=() gui_us=()
for r in $(seq 1 "$runs"); do
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$work/app.exe" || { echo "launcher run $r failed ($?)" >&2; exit 1; }
  launcher_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$work/app-jar.exe" || { echo "launcher run $r with the runtime archive failed ($?)" >&2; exit 1; }
  jar_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$floor" "$(winpath "$jvm")" || { echo "floor run $r failed ($?)" >&2; exit 1; }
  floor_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
  rm -f "$bin/server/fakejre-calls.log"
  wine_run "$gui_floor" "$(winpath "$jvm")" || { echo "GUI floor run $r failed ($?)" >&2; exit 1; }
  gui_us+=("$(last_timing_us "$bin/server/fakejre-calls.log")")
done
load_after=$(load)
leftovers=$(find "$prefix_temp" -maxdepth 1 -name 'qvo*' | wc -l)
children=$(cat "$bin/fakejre-calls.log" 2>/dev/null | grep -c -E '^(java|unpack200) ' || true)

warm=$(traced_start)

# A cold start of a runtime whose home has a release file: its version comes
# from there, so no child process (target 0), and the cache is written all
# the same.
printf 'IMPLEMENTOR="Bench"\r\nJAVA_VERSION="17.0.15"\r\n' > "$work/jre/release"
wine_run reg delete 'HKCU\SOFTWARE\korvath\qarvo\jvms' /f >/dev/null 2>&1 || true
released=$(traced_start)
cached=$(wine_run reg query 'HKCU\SOFTWARE\korvath\qarvo\jvms' /s 2>/dev/null | grep -c 'Version' || true)

launcher_median=$(printf '%s\n' "${launcher_us[@]}" | median)
floor_median=$(printf '%s\n' "${floor_us[@]}" | median)
gui_median=$(printf '%s\n' "${gui_us[@]}" | median)
jar_median=$(printf '%s\n' "${jar_us[@]}" | median)
ratio=$(echo "$jar_median / $floor_median" | bc -l)
gui_ratio=$(echo "$jar_median / $gui_median" | bc -l)
printf 'arch %s, display %s, %d runs each, alternating; load %s (before), %s (after)\n' "$arch" "$display_note" "$runs" "$load_before" "$load_after"
printf 'launcher, warm:   %s\n' "$(printf '%s ' "${jar_us[@]}")"
printf 'without files:    %s\n' "$(printf '%s ' "${launcher_us[@]}")"
printf 'floor:            %s\n' "$(printf '%s ' "${floor_us[@]}")"
printf 'GUI floor:        %s\n' "$(printf '%s ' "${gui_us[@]}")"
printf 'start to JNI_CreateJavaVM, launcher (warm): %.1f ms (median; the default executable, runtime archive included)\n' "$(echo "$jar_median / 1000" | bc -l)"
printf 'start to JNI_CreateJavaVM, floor:           %.1f ms (median)\n' "$(echo "$floor_median / 1000" | bc -l)"
printf 'start to JNI_CreateJavaVM, GUI floor:       %.1f ms (median; the launcher'"'"'s manifest and InitCommonControls)\n' \
  "$(echo "$gui_median / 1000" | bc -l)"
printf 'ratio launcher / floor: %.2f (target <= 1.10)\n' "$ratio"
printf 'ratio launcher / GUI floor: %.2f (for information)\n' "$gui_ratio"
printf 'launcher without included files: %.1f ms, ratio to the floor %.2f (for information)\n' \
  "$(echo "$launcher_median / 1000" | bc -l)" "$(echo "$launcher_median / $floor_median" | bc -l)"
printf 'left in the temporary directory after %d starts: %d qvo* entries (target 0)\n' "$((runs + 1))" "$leftovers"
printf 'child processes in %d warm starts: %d java.exe/unpack200.exe runs recorded (target 0)\n' "$runs" "$children"
printf 'processes created, traced (WINEDEBUG=+process): warm start %s (target 0); cold start %s\n' "$warm" "$cold"
printf 'processes created, traced: cold start with a release file %s (target 0); version cache entries: %s\n' \
  "$released" "$cached"
