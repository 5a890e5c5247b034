#!/bin/sh
# Runs the host's java for the fake jvm.dll's bridge and writes its exit status
# to the file named first: a Windows process under Wine can neither wait for a
# host process nor read its exit code, so the fake polls that file.
status=$1
shift
"$@"
code=$?
echo "$code" > "$status.part" && mv "$status.part" "$status"
exit "$code"
