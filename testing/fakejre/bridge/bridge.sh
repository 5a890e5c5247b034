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
# Every start of the fake runs this, so it starts no other program: the
# bridge's own cost is part of every start a benchmark measures.
status=$1
shift
if [[ /proc/$$/fd/1 -ef /dev/null ]]; then
  exec 1>"$status.out"
fi
# The drive links are read off the arguments themselves: a service's
# environment names no prefix (Wine passes no WINEPREFIX to it).
declare -A targets=()
for argument in "$@"; do
  rest=$argument
  while [[ $rest =~ ([^:]*/dosdevices/[a-z]:)(.*) ]]; do
    link=${BASH_REMATCH[1]##*=}
    rest=${BASH_REMATCH[2]}
    if [[ -z ${targets[$link]+set} && -e $link ]]; then
      target=$(cd -P "$link" 2>/dev/null && pwd) && targets[$link]=$target
    fi
  done
done
command=()
for argument in "$@"; do
  for link in "${!targets[@]}"; do
    argument=${argument//"$link/"/"${targets[$link]%/}/"}
  done
  command+=("$argument")
done
"${command[@]}"
code=$?
echo "$code" > "$status.part" && mv "$status.part" "$status"
exit "$code"
