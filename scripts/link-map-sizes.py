#!/usr/bin/env python3
"""What each library and object contributes to an executable, from a GNU ld
link map (-Wl,-Map=FILE): bytes of code and data per archive (or object),
largest first. Debug sections and .bss (no file bytes) are left out.

    scripts/link-map-sizes.py build/win-x64/launcher-x64.map [--members]
"""
import collections
import os
import re
import sys

KEPT = ('.text', '.data', '.rdata', '.pdata', '.xdata', '.idata', '.CRT', '.tls', '.rsrc', '.reloc', '.eh_frame')
ENTRY = re.compile(r'^\s+(\S+)?\s*0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$')


def owner(path, members):
    if path == 'dll stuff':
        return '(made by the linker: base relocations, import tables)'
    m = re.match(r'^(.*?\.a)\((.*)\)$', path)
    if m:
        return os.path.basename(m.group(1)) + ('(' + m.group(2) + ')' if members else '')
    return os.path.basename(path)


def main():
    members = '--members' in sys.argv
    path = [a for a in sys.argv[1:] if not a.startswith('--')][0]
    sizes = collections.Counter()
    output = None
    pending = None
    in_memory_map = False
    for line in open(path, errors='replace'):
        line = line.rstrip('\n')
        if line.startswith('Linker script and memory map'):
            in_memory_map = True
            continue
        if not in_memory_map:
            continue
        if line and not line[0].isspace():
            output = line.split()[0]
            pending = None
            continue
        if output is None or not output.startswith(KEPT):
            continue
        stripped = line.strip()
        if re.match(r'^\S+$', stripped) and not stripped.startswith('0x') and line.startswith(' '):
            pending = stripped  # the input section name on its own line
            continue
        m = ENTRY.match(line)
        if not m or (m.group(1) is None and pending is None):
            pending = None
            continue
        name = m.group(1) or pending
        pending = None
        if name.startswith('*') or name.startswith('0x'):
            continue
        size = int(m.group(2), 16)
        if size and not m.group(3).startswith('0x'):
            sizes[owner(m.group(3).strip(), members)] += size
    total = sum(sizes.values())
    try:
        for name, size in sizes.most_common(40 if members else 100):
            print(f'{size:>9}  {100.0 * size / total:5.1f}%  {name}')
        print(f'{total:>9}  total')
    except BrokenPipeError:
        pass


if __name__ == '__main__':
    main()
