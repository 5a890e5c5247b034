#!/usr/bin/env bash
# Compiler launcher for the launcher's objects: compiles to assembly, gives
# every function's section an alignment of one byte, and assembles.
#
# With one section per function the assembler aligns each to 16 bytes on x64
# (4 on x86) and pads its end with NOPs to that size; the linker cannot take
# the padding out again. At -Oz GCC itself asks for no function alignment, so
# the padding only made the stub larger: about 6 KiB of NOPs on x64. A digit
# in a COFF section's flags is its alignment as a power of two ("x0": code,
# aligned to 1).
#
# Usage (CMake's CXX_COMPILER_LAUNCHER): pack-code-sections.sh COMPILER ARGS...
set -euo pipefail
args=("$@")
out=
object=
compile=()
for ((i = 0; i < ${#args[@]}; i++)); do
  case ${args[i]} in
    -o) out=${args[i + 1]}; i=$((i + 1)) ;;
    -c) compile+=(-S); object=1 ;;
    *) compile+=("${args[i]}") ;;
  esac
done
# Anything but a compile to an object (CMake's own checks) runs unchanged.
if [ -z "$out" ] || [ -z "$object" ]; then
  exec "${args[@]}"
fi
asm=$out.s
trap 'rm -f "$asm"' EXIT
"${compile[@]}" -o "$asm"
sed -i 's/^\(\t\.section\t\.text\$[^,]*\),"x"$/\1,"x0"/' "$asm"
"${args[0]}" -c "$asm" -o "$out"
