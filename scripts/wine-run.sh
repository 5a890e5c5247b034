#!/bin/sh
# The one way this project starts a Windows program under Wine.
#
#   wine-run.sh PROGRAM [ARGS...]   PROGRAM: a host path of an .exe, or one of
#                                   Wine's own programs (reg, cmd, wineboot...)
#   wine-run.sh --x86               prints "yes" when 32-bit programs run here,
#                                   "no" otherwise
#
# x64 executables and Wine's own programs go through the 64-bit loader
# directly; x86 executables through the 32-bit loader, which some machines
# cannot execute at all (no IA-32 support in the kernel). Debian's `wine`
# command starts everything through the 32-bit loader, so it is not used.
#
# Whether 32-bit programs run is decided by running the 32-bit loader
# (--version), once: a script exports the answer as QARVO_WINE_X86 and every
# later call takes it from there. QARVO_NO_32BIT=1 forces "no" on any machine.
# An x86 executable that cannot run here ends with exit code 77 and a line
# on standard error.
#
# POSIX sh, not bash: bash warns on standard error when LC_ALL names a locale
# the host lacks, and the tests set such locales for the programs they run.
set -eu

wine_dir=${QARVO_WINE_DIR:-/usr/lib/wine}
loader32=$wine_dir/wine
loader64=$wine_dir/wine64

x86_support() {
  if [ "${QARVO_NO_32BIT:-}" = 1 ]; then
    echo no
  elif [ -n "${QARVO_WINE_X86:-}" ]; then
    echo "$QARVO_WINE_X86"
  elif "$loader32" --version >/dev/null 2>&1; then
    echo yes
  else
    echo no
  fi
}

# The machine field of a PE file's header: i386, amd64 or other.
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || true
  [ -n "$offset" ] || { echo other; return; }
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ') || true
  case $machine in
    014c) echo i386 ;;
    8664) echo amd64 ;;
    *) echo other ;;
  esac
}

if [ "${1:-}" = --x86 ]; then
  x86_support
  exit 0
fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh PROGRAM [ARGS...] | --x86" >&2; exit 2; }

[ -n "${WINEDEBUG:-}" ] || export WINEDEBUG=-all
program=$1
if [ -f "$program" ] && [ "$(pe_machine "$program")" = i386 ]; then
  if [ "$(x86_support)" != yes ]; then
    echo "wine-run: 32-bit programs cannot run on this machine: $program" >&2
    exit 77
  fi
  exec "$loader32" "$@"
fi
exec "$loader64" "$@"
