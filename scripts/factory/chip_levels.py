# SPDX-License-Identifier: GPL-3.0-or-later
"""Level trims of the chip bank's programs in tl steps (0.75 dB; + is softer),
by program name, kept in chip-trims.txt: what rendering each note showed
beyond the tables' estimated loudness. `make_chip_bank.py --trim LEVELS`
folds a measurement into that file; nothing rewrites Python source."""

import os

PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "chip-trims.txt")


def read_trims(path=PATH):
    trims = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                name, steps = line.split("\t")
                trims[name] = int(steps)
    return trims


def header_lines(path=PATH):
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f if line.startswith("#")]


def write_trims(trims, path=PATH):
    """Rewrites the file's trims (a trim of 0 is left out), keeping its comment lines."""
    lines = header_lines(path) + ["%s\t%d" % (name, steps) for name, steps in sorted(trims.items()) if steps]
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


TRIMS = read_trims()
