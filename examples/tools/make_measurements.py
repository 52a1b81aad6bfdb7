#!/usr/bin/env python3
"""Writes examples/SANDY6.MIN, the measured mineral N of the example.

The "measurements" are the model's own mineral N of the topsoil and subsoil
(N1, N2) in the weeks a farm adviser would sample - late winter, after
harvest and late autumn - with a seeded sampling error of about 15 %, so
that the example can be used to try out the comparison and the calibration.

Usage (after building): python3 examples/tools/make_measurements.py build/src/cli/kelmar
"""
import csv
import io
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)
SAMPLE_WEEKS = (8, 40, 47)  # weeks of the year


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else "build/src/cli/kelmar"
    csv_path = os.path.join(OUT, "tools", "weeks.tmp.csv")
    subprocess.run([exe, "run", os.path.join(OUT, "SANDY6.DAT"), "--no-companions", "--weeks-csv", csv_path],
                   check=True)
    with open(csv_path) as f:
        rows = list(csv.DictReader(f))
    os.remove(csv_path)
    rnd = random.Random(2026)
    data = []
    for row in rows[1:313]:
        r = int(row["r"])
        if (r - 1) % 52 + 1 in SAMPLE_WEEKS:
            n1 = max(0.1, float(row["N1"]) * (1 + rnd.gauss(0, 0.15)))
            n2 = max(0.1, float(row["N2"]) * (1 + rnd.gauss(0, 0.15)))
            data.append((r, round(n1, 1), round(n2, 1)))
    lines = ["Kelmar 400 Nmin File    " + "Sandy site samples".ljust(20) + "    ", "SANDY6.MIN", "Year  week weeks",
             "%4d%6d%6d" % (1, 1, len(data)), "  wk   Ni1   Ni2", "-" * 70]
    lines += ["%4.0f%6.1f%6.1f" % d for d in data]
    with open(os.path.join(OUT, "SANDY6.MIN"), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
