#!/usr/bin/env python3
# Prints the SHA-256 of each WAV file's audio data (its "data" chunk), so that
# renders can be compared whatever else the headers hold.
#   audio-hash.py FILE.wav...
# SPDX-License-Identifier: GPL-3.0-or-later
import hashlib
import struct
import sys


def data_chunk(path):
    with open(path, "rb") as f:
        riff, _, wave = struct.unpack("<4sI4s", f.read(12))
        if riff != b"RIFF" or wave != b"WAVE":
            raise ValueError(f"{path}: not a RIFF WAVE file")
        while True:
            header = f.read(8)
            if len(header) < 8:
                raise ValueError(f"{path}: no data chunk")
            name, size = struct.unpack("<4sI", header)
            if name == b"data":
                return f.read(size)
            f.seek(size + (size & 1), 1)


status = 0
for path in sys.argv[1:]:
    try:
        print(hashlib.sha256(data_chunk(path)).hexdigest(), path)
    except (OSError, ValueError) as error:
        print(error, file=sys.stderr)
        status = 1
sys.exit(status)
