#!/bin/sh
# Keeps one Wine server up for a prefix while a test run lasts.
#
#   wine-server.sh start PREFIX   creates the prefix when needed, stops a server
#                                 left from before and starts one that stays up
#                                 (wineserver -p) with its services
#   wine-server.sh stop PREFIX    stops the prefix's server (wineserver -k)
#
# Without a server, every Wine start pays about a second for a new one and its
# services (Debian's wrapper starts servers that end with their last program);
# with one kept up, a start costs a small fraction of that. A test that needs
# a server of its own (a display's desktop belongs to the server that was
# started with it) stops this one and starts it again afterwards with `start`.
#
# POSIX sh, like wine-run.sh.
set -eu
[ $# -eq 2 ] || { echo "usage: wine-server.sh start|stop PREFIX" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$(realpath -m "$2")
export WINEPREFIX
[ -n "${WINEDEBUG:-}" ] || export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case $1 in
  start)
    "$here/wine-prefix.sh" "$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    # Its standard streams must not be those of the caller: a test command
    # whose output the caller collects would otherwise never end.
    wineserver -p </dev/null >/dev/null 2>&1
    # The first program brings up the services; later starts find them.
    "$here/wine-run.sh" reg query 'HKCU\Environment' </dev/null >/dev/null 2>&1 || true
    # Tests that stop it for a while (a display of their own) start it again.
    touch "$WINEPREFIX/.qarvo-server-kept"
    ;;
  stop)
    rm -f "$WINEPREFIX/.qarvo-server-kept"
    wineserver -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: wine-server.sh start|stop PREFIX" >&2
    exit 2
    ;;
esac
