#!/usr/bin/env bash
# Every benchmark once, after a build (scripts/build.sh), each with its
# defaults; prints the machine's load first, as other work skews the figures.
#   bench/run-all.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) CPUs, $(/usr/lib/wine/wine64 --version 2>/dev/null || echo 'no wine'), load: $(uptime | sed 's/.*load average: //')"
# The builder first: right after the extraction benchmark's many large writes
# and deletions the disk is still busy, and its ratio swung from 1.1 to 2.6.
echo "== qarvo-build against cat (bench/builder_bench.sh)"
"$here/builder_bench.sh"
echo "== start to JNI_CreateJavaVM and child processes (bench/launch_bench.sh)"
"$here/launch_bench.sh"
echo "== included jars from the archive cache, with / without (bench/cache_bench.sh)"
"$here/cache_bench.sh"
echo "== extraction against CopyFile (bench/extract_bench.sh)"
"$here/extract_bench.sh"
echo "== class-data sharing: cache, archive, without (bench/cds_bench.sh)"
"$here/cds_bench.sh" || echo "(cds_bench.sh ended with exit code $?: 2 when Clojure is missing, see above)"
