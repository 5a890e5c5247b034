#!/bin/sh
# Runs the host's java for the fake jvm.dll's bridge:
#   bridge.sh STATUS-FILE COMMAND...
# A Windows process under Wine can neither wait for a host process nor read
# its exit code, so the exit status goes to STATUS-FILE, which the fake polls.
# Wine gives a host program started by a GUI process no standard output
# (/dev/null); it then goes to STATUS-FILE.out, which the fake copies to the
# launcher's own standard output.
status=$1
shift
if [ "$(readlink /proc/$$/fd/1)" = /dev/null ]; then
  exec 1>"$status.out"
fi
"$@"
code=$?
echo "$code" > "$status.part" && mv "$status.part" "$status"
exit "$code"
