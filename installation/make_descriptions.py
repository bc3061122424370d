#!/usr/bin/env python3
"""Writes the description files (ddf/<name>.xdf) of the installation's seven
data files: a 16-bit little-endian length, then the creation block (the
record length and the key segments, laid out as storage/creation_block.h
describes)."""
import os
import struct

FILES = {
    # name: (record length, [(position, length)] of key 0, unique)
    "UIpc": (16, [(1, 7)]),
    "PropietV": (324, [(1, 2)]),
    "FinquesV": (204, [(1, 2)]),
    "DepartaV": (447, [(1, 4)]),
    "TranLauV": (60, [(1, 4)]),
    "TVRebut": (28, [(1, 1)]),
    "Textos": (100, [(1, 4)]),
}

def creation_block(length, segments):
    block = struct.pack("<HHH", length, 4096, 1).ljust(16, b"\0")
    for i, (pos, seg_len) in enumerate(segments):
        flags = 0x10 if i + 1 < len(segments) else 0
        block += struct.pack("<HHH", pos, seg_len, flags).ljust(16, b"\0")
    return block

here = os.path.dirname(os.path.abspath(__file__))
for name, (length, segments) in FILES.items():
    block = creation_block(length, segments)
    with open(os.path.join(here, "ddf", name + ".xdf"), "wb") as f:
        f.write(struct.pack("<H", len(block)) + block)
