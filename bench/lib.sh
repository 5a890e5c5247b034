# Shared by the Wine benchmarks: the prefix, the fake runtime, medians.
# Sourced, not run.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dist=$root/dist

# Every Windows program starts through the project's runner, which picks the
# loader. The architecture: QARVO_BENCH_ARCH, else x86 where 32-bit programs
# run and x64 otherwise.
wine_run() { "$root/scripts/wine-run.sh" "$@"; }
QARVO_WINE_X86=${QARVO_WINE_X86:-$(wine_run --x86)}
export QARVO_WINE_X86
if [ -n "${QARVO_BENCH_ARCH:-}" ]; then
  arch=$QARVO_BENCH_ARCH
elif [ "$QARVO_WINE_X86" = yes ]; then
  arch=x86
else
  arch=x64
  echo "note: x64 (32-bit programs cannot run on this machine)" >&2
fi
if [ "$arch" = x86 ] && [ "$QARVO_WINE_X86" != yes ]; then
  echo "x86: 32-bit programs cannot run on this machine" >&2
  exit 1
fi
[ -x "$dist/bin/qarvo-build" ] && [ -f "$dist/bench/floor-jvm-$arch.exe" ] ||
  { echo "build first: scripts/build.sh" >&2; exit 1; }

# A prefix of the benchmarks' own, with a server that stays up for the whole
# run so that every start meets the same warm Wine (and its background
# programs); stopped at the end.
export WINEPREFIX=${QARVO_BENCH_WINEPREFIX:-$root/build/bench-wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset QARVO_LOG MORVANTIC_LOG QARVO_JAVA_HOME MORVANTIC_JAVA_HOME JAVA_HOME JDK_HOME JRE_HOME MANPATH
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

# The launcher is a GUI program: without a display Wine's desktop process
# (explorer.exe /desktop) fails to start and GUI programs run without a
# desktop, unlike on any Windows machine. So the starts run on an X server of
# their own (Xvfb) unless QARVO_BENCH_DISPLAY names one ("none": headless).
xvfb_pid=
stop_all() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop_all EXIT
if [ "${QARVO_BENCH_DISPLAY:-}" = none ]; then
  unset DISPLAY
elif [ -n "${QARVO_BENCH_DISPLAY:-}" ]; then
  export DISPLAY=$QARVO_BENCH_DISPLAY
elif command -v Xvfb >/dev/null; then
  for n in $(seq $((150 + $$ % 40)) 240); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    [ -e /tmp/.X11-unix/X$n ] && { export DISPLAY=:$n; break; }
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  done
fi
display_note=${DISPLAY:-none}
# The server outlives the starts: it stays up (with the desktop) until the end.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
wine_run cmd /c exit >/dev/null 2>&1 || true

# The prefix's temporary directory, where the launcher extracts included files.
prefix_temp=$WINEPREFIX/drive_c/users/${USER:-root}/AppData/Local/Temp
[ -d "$prefix_temp" ] || prefix_temp=$WINEPREFIX/drive_c/users/${USER:-root}/Temp
# Removes the directories (and their marker files) that starts extracted into.
clear_extracted() { rm -rf "$prefix_temp"/qvo*; }

# The Windows path of a host path (Z: is the host's root).
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# Lays out a fake runtime under $1 as the tests do (bin\java.exe, javaw.exe,
# unpack200.exe, bin\server\jvm.dll); prints its bin directory.
lay_fake_runtime() {
  local home=$1 fake=$dist/testing/fakejre/$arch
  mkdir -p "$home/bin/server"
  cp "$fake/java.exe" "$home/bin/java.exe"
  cp "$fake/java.exe" "$home/bin/javaw.exe"
  cp "$fake/unpack200.exe" "$home/bin/unpack200.exe"
  cp "$fake/fakejre-base.dll" "$home/bin/fakejre-base.dll"
  cp "$fake/jvm.dll" "$home/bin/server/jvm.dll"
  printf 'banner=openjdk version "17.0.15" 2025-04-15\nexit=0\n' > "$home/bin/fakejre.ini"
  printf 'timing=1\n' > "$home/bin/server/fakejre.ini"
  rm -f "$home/bin/fakejre-calls.log" "$home/bin/server/fakejre-calls.log"
  echo "$home/bin"
}

# The elapsed_us of the last timing line of a transcript (empty when none).
last_timing_us() { sed -n 's/^timing .* elapsed_us=\([0-9]*\).*/\1/p' "$1" 2>/dev/null | tail -1; }

median() { sort -g | awk '{a[NR]=$1} END {if (NR) print (NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2)}'; }

load() { uptime | sed 's/.*load average: //'; }
