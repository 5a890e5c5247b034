#!/bin/bash
# Runs the bridge program (fakejre-bridge) for the fake jvm.dll:
#   bridge.sh STATUS-FILE COMMAND...
# A Windows process under Wine can neither wait for a host process nor read
# its exit code, so the exit status goes to STATUS-FILE, which the fake polls.
# Wine gives a host program started by a GUI process no standard output
# (/dev/null); it then goes to STATUS-FILE.out, which the fake copies to the
# launcher's own standard output.
# Host paths that go through the prefix's drive links (.../dosdevices/c:/...)
# are given in their real form: a ":" in them would split a class path.
status=$1
shift
if [ "$(readlink /proc/$$/fd/1)" = /dev/null ]; then
  exec 1>"$status.out"
fi
# The drive links are read off the arguments themselves: a service's
# environment names no prefix (Wine passes no WINEPREFIX to it).
links=()
while IFS= read -r link; do
  [ -e "$link" ] && links+=("$link")
done < <(printf '%s\n' "$@" | grep -o '[^:]*/dosdevices/[a-z]:' | sed 's|^.*=||' | sort -u)
command=()
for argument in "$@"; do
  for link in "${links[@]}"; do
    target=$(readlink -f "$link")
    argument=${argument//"$link/"/"${target%/}/"}
  done
  command+=("$argument")
done
"${command[@]}"
code=$?
echo "$code" > "$status.part" && mv "$status.part" "$status"
exit "$code"
