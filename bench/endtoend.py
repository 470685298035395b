#!/usr/bin/env python3
"""End-to-end figures of `zarnet -E`: time and peak memory per MB of input, for each
generator shape at several sizes, and GNU `cpp -P` on twin content (the same lines, with
the #define lines, references, comments and conditionals written in C) side by side.

    python3 bench/endtoend.py build/release/zarnet [--sizes 1,8,64] [--shapes plain,crlf] [--runs 3]

Each figure is the best of --runs runs (the machine is shared; the best run is the one
least disturbed). Wall time is taken around the run with a fine clock (GNU time's own
figure has a resolution of 10 ms, a quarter of a run at 8 MB), less what starting a program
under GNU time costs here (measured once on `true`); peak resident memory comes from GNU time
(/usr/bin/time).
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

ORDINARY = [
    "begin-procedure process-row",
    "  let #total = #total + #amount   ! running sum",
    "  show 'Value: ' $name edit 999,999.99",
    "  print {title} (+1, {col3}) bold",
    "  do get-next-row($key, #count)",
    "  if #count > {limit} and $state != 'CA'",
    "    move $name to $saved-name",
    "  end-if",
    "  begin-select",
    "emplid &emplid",
    "  from ps_job where effdt <= {as_of} and company = $company",
    "  end-select",
    "end-procedure",
]
COMMENTS = ["! ------------------------------------------------------------", "! Totals by company"]
NAMES = ["title", "col3", "limit", "as_of"]

SHAPES = ["plain", "conditionals", "includes", "long-lines", "windows-1252", "crlf"]


def sqr_to_c(line):
    """The C twin of one generated SQR line."""
    s = line.lstrip()
    if s.startswith("!"):
        return "// " + s[1:]
    if s.startswith("#end-if"):
        return "#endif"
    if s.startswith("#include"):
        return line.replace("'", '"').replace(".sqc", ".h")
    if "!" in line and not s.startswith("#"):
        line = line[: line.index("!")] + "//" + line[line.index("!") + 1:]
    for n in NAMES:
        line = line.replace("{" + n + "}", n)
    return line


def generate(shape, megabytes, folder):
    rng = random.Random(20240601)
    target = int(megabytes * 1_000_000)
    sqr, c = [], []
    size = 0
    defines = ["#define %s V%d" % (n, i) for i, n in enumerate(NAMES)]
    for d in defines:
        sqr.append(d)
        c.append(d)
    if shape == "includes":
        with open(os.path.join(folder, "inc.sqc"), "w") as f:
            f.write("! included\n  show 'from the include'\n")
        with open(os.path.join(folder, "inc.h"), "w") as f:
            f.write("// included\n  show 'from the include'\n")
    n = 0
    while size < target:
        n += 1
        if shape == "long-lines":
            line = "  print " + " || ".join("{%s} $v%d" % (NAMES[i % 4], i) for i in range(120))
        else:
            r = rng.randrange(20)
            if r < 2:
                line = rng.choice(COMMENTS)
            elif r == 2:
                line = ""
            elif r == 3:
                line = "#define d%d V%d" % (n, n)  # a new name: cpp warns on redefinitions
            else:
                line = rng.choice(ORDINARY)
            if shape == "windows-1252" and r == 5:
                line = "  show 'Caf\u00e9 \u20ac Stra\u00dfe'"
        if shape == "conditionals" and n % 10 == 0:
            block = ["#ifdef title", "  show 'yes'", "#else", "  show 'no'", "#end-if"]
        elif shape == "includes" and n % 50 == 0:
            block = ["#include 'inc.sqc'"]
        else:
            block = [line]
        for b in block:
            sqr.append(b)
            c.append(sqr_to_c(b))
            size += len(b) + 1
    end = "\r\n" if shape == "crlf" else "\n"
    encoding = "cp1252" if shape == "windows-1252" else "utf-8"
    with open(os.path.join(folder, "main.sqr"), "wb") as f:
        f.write((end.join(sqr) + end).encode(encoding))
    with open(os.path.join(folder, "main.c"), "wb") as f:
        f.write(("\n".join(c) + "\n").encode(encoding))
    return os.path.getsize(os.path.join(folder, "main.sqr")) / 1e6


def measure(argv, cwd, runs, overhead=0.0):
    """Best wall time (s), less overhead, and its peak resident set (MB) of runs of argv,
    output discarded.
    GNU time reports the resident set of the program alone: a child forked from this
    script would count the script's own memory too."""
    best = None
    for _ in range(runs):
        with tempfile.NamedTemporaryFile("r") as report, open(os.devnull, "wb") as null, \
                tempfile.TemporaryFile() as errors:
            start = time.perf_counter()
            r = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", report.name] + argv, cwd=cwd,
                               stdout=null, stderr=errors)
            wall = time.perf_counter() - start
            if r.returncode != 0:
                errors.seek(0)
                sys.exit("%s failed: %s" % (" ".join(argv), errors.read().decode(errors="replace")))
            kb = report.read().split()[-1]
        seconds, rss = max(wall - overhead, 1e-4), int(kb) / 1024
        if best is None or seconds < best[0]:
            best = (seconds, rss)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("zarnet")
    ap.add_argument("--sizes", default="1,8,64")
    ap.add_argument("--shapes", default=",".join(SHAPES))
    ap.add_argument("--runs", type=int, default=3)
    a = ap.parse_args()
    zarnet = os.path.abspath(a.zarnet)
    cpp = shutil.which("cpp")
    # What starting a program under GNU time costs, taken off every figure.
    overhead = measure(["true"], ".", 20)[0]
    print("| shape | MB | zarnet -E s/MB | zarnet -E MB/s | peak RSS / input | cpp -P MB/s | zarnet / cpp |")
    print("|---|---|---|---|---|---|---|")
    for shape in a.shapes.split(","):
        for mb in (float(x) for x in a.sizes.split(",")):
            with tempfile.TemporaryDirectory() as d:
                real = generate(shape, mb, d)
                t, rss = measure([zarnet, "-E", "main.sqr"], d, a.runs, overhead)
                ct = measure([cpp, "-P", "main.c"], d, a.runs, overhead)[0] if cpp else None
                cpp_cols = ("%.0f" % (real / ct), "%.2fx" % (ct / t)) if ct else ("-", "-")
                print("| %s | %.0f | %.4f | %.0f | %.1fx | %s | %s |"
                      % (shape, real, t / real, real / t, rss / real, *cpp_cols), flush=True)


if __name__ == "__main__":
    main()
