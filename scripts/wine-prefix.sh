#!/usr/bin/env bash
# Creates the tests' Wine prefix once (the first start takes a while).
set -euo pipefail
prefix=$(realpath -m "${1:?usage: wine-prefix.sh PREFIX}")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  echo "wine: creating prefix $prefix"
  "$(dirname "$0")/wine-run.sh" wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
