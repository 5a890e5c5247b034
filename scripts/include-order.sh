#!/bin/sh
# Checks that the folders below DIR (default: builder) include each other
# without a loop: every '#include "DIR/FOLDER/..."' line gives the edge
# FOLDER -> including folder, and tsort fails on a loop. Prints the order
# from the bottom up.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-builder}
cd "$root"
grep -r --include='*.h' --include='*.cpp' -H "^#include \"$dir/[a-z_]*/" "$dir" |
  sed -E "s#^$dir/(([a-z_]+)/)?[^:]*:\#include \"$dir/([a-z_]+)/.*#\3 \2#" |
  awk '{ if ($2 == "") $2 = "main"; print $1, $2 }' | tsort
