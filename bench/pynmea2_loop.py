#!/usr/bin/env python3
"""Parses every line of a file with pynmea2, the way a Python peer would."""
import sys

import pynmea2

ok = 0
with open(sys.argv[1], encoding="ascii", errors="replace") as f:
    for linje in f:
        try:
            pynmea2.parse(linje.strip(), check=True)
            ok += 1
        except Exception:
            pass
print(ok, file=sys.stderr)
