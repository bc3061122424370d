#!/usr/bin/env python3
"""Writes the description files (ddf/<name>.xdf) of the installation's seven
data files: a 16-bit little-endian length, then the creation block (the
record length and the key segments, laid out as storage/creation_block.h
describes).

The files are those that "kepdata init" writes into a new installation, from
the data files' table (storage/data_files_table.h), so that the shipped ones
cannot describe other records than the programs read. Build kepdata first.

    installation/make_descriptions.py [KEPDATA]

KEPDATA: the kepdata to run (default: build/release/tools/kepdata of the
source tree)."""
import os
import shutil
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
kepdata = os.path.abspath(
    sys.argv[1] if len(sys.argv) > 1
    else os.path.join(here, "..", "build", "release", "tools", "kepdata"))
with tempfile.TemporaryDirectory() as scratch:
    root = os.path.join(scratch, "installation")
    subprocess.run([kepdata, "init", root, "--no-cpi"], check=True, cwd=scratch)
    made = os.path.join(root, "ddf")
    for name in sorted(os.listdir(made)):
        if name.endswith(".xdf"):
            shutil.copyfile(os.path.join(made, name), os.path.join(here, "ddf", name))
