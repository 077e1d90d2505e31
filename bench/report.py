#!/usr/bin/env python3
"""Turns the bench's samples into the report (markdown): medians, ratios, phases, memory,
the welcome page and the sizes. Called by bench/run.sh: report.py SAMPLES RUNS ROOT."""
import glob
import os
import statistics
import subprocess
import sys

samples, runs, root = sys.argv[1], int(sys.argv[2]), sys.argv[3]
release = os.path.join(root, "build", "release")
bench = os.path.join(root, "build", "bench")


def times(name):
    path = os.path.join(samples, name)
    if not os.path.exists(path):
        return []
    return [int(line) / 1e6 for line in open(path) if line.strip()]


def median(values):
    return statistics.median(values) if values else float("nan")


def keyed(path):
    """Each run's "key value" lines as a list of dicts (a new run starts at elapsed_ms)."""
    result = []
    if not os.path.exists(path):
        return result
    for line in open(path):
        parts = line.split()
        if len(parts) != 2:
            continue
        if parts[0] == "elapsed_ms":
            result.append({})
        if result:
            result[-1][parts[0]] = parts[1]
    return result


out = []
p = out.append
p(f"Runs: {runs} of each variant (after one uncounted warm-up round), interleaved, one "
  "wineserver; times are whole processes started from the shell (`wine64 ...`), medians in "
  "seconds, min-max in brackets.\n")
p("| Variant | median s | range s | beyond empty s |")
p("|---|---:|---:|---:|")
names = ["empty", "copy", "nsis-zlib-files", "nsis-lzma-files", "nsis-zlib-full", "nsis-lzma-full",
         "progman-one", "progman-batch", "kvsetup-old", "kvsetup"]
labels = {
    "empty": "empty Wine process",
    "copy": "plain copy of the payload (cmd /c copy)",
    "nsis-zlib-files": "NSIS zlib, files only",
    "nsis-lzma-files": "NSIS lzma, files only",
    "nsis-zlib-full": "NSIS zlib, same work as ours",
    "nsis-lzma-full": "NSIS lzma, same work as ours",
    "progman-one": "bare client: CreateGroup and 14 AddItem, one by one",
    "progman-batch": "bare client: CreateGroup and 14 AddItem in one execute string",
    "kvsetup-old": "kvsetup.exe silent, default choices, the earlier build (KV_BENCH_OLD)",
    "kvsetup": "kvsetup.exe silent, default choices",
}
med = {}
for n in names:
    t = times(n)
    if not t:
        med[n] = float("nan")
        continue
    med[n] = median(t)
    rng = f"{min(t):.3f}-{max(t):.3f}" if t else "-"
    p(f"| {labels[n]} | {med[n]:.3f} | {rng} | {med[n] - med['empty']:.3f} |")
empty = med["empty"]
p("")
p(f"- kvsetup / NSIS zlib full, whole process: **{med['kvsetup'] / med['nsis-zlib-full']:.2f}x** "
  f"(target at most 1.5x); beyond an empty process: "
  f"{(med['kvsetup'] - empty) / (med['nsis-zlib-full'] - empty):.2f}x")
p(f"- kvsetup / NSIS lzma full, whole process: {med['kvsetup'] / med['nsis-lzma-full']:.2f}x")
for n in ["kvsetup-old", "progman-one", "progman-batch"]:
    if med[n] == med[n]:
        p(f"- {labels[n]} / NSIS zlib full, whole process: {med[n] / med['nsis-zlib-full']:.2f}x")

# Phases of our own runs (bench build only): each mark ends a phase; a name that comes
# again adds to its phase.
def phase_runs(variant):
    result, order = [], []
    for path in sorted(glob.glob(os.path.join(samples, f"phases-{variant}.*"))):
        marks = [line.split() for line in open(path) if len(line.split()) == 2]
        totals, last = {}, 0.0
        for name, ms in marks:
            ms = float(ms)
            totals[name] = totals.get(name, 0.0) + ms - last
            last = ms
            if name not in order:
                order.append(name)
        totals["in process"] = last
        result.append(totals)
    return result, order


phase_med = {}
columns = [v for v in ["kvsetup-old", "kvsetup"] if phase_runs(v)[0]]
if columns:
    order = []
    for v in columns:
        for name in phase_runs(v)[1]:
            if name not in order:
                order.append(name)
    order.append("in process")
    p("")
    p("Phases of kvsetup.exe's own runs (bench build's marks; each phase ends at its mark, ms; "
      "medians over the runs):\n")
    p("| Phase | " + " | ".join(f"{v} ms" for v in columns) + " |")
    p("|---|" + "---:|" * len(columns))
    for name in order:
        cells = []
        for v in columns:
            vals = [r[name] for r in phase_runs(v)[0] if name in r]
            m = median(vals) if vals else float("nan")
            phase_med.setdefault(v, {})[name] = m
            cells.append("-" if m != m else f"{m:.1f}")
        p(f"| {name} | " + " | ".join(cells) + " |")
    p("| Wine start before the process (whole median minus in-process) | " + " | ".join(
        f"{med[v] * 1000 - phase_med[v].get('in process', 0):.1f}" for v in columns) + " |")

# Memory and welcome page.
mem = keyed(os.path.join(samples, "memory.kvsetup"))
mem_nsis = keyed(os.path.join(samples, "memory.nsis"))
welcome = keyed(os.path.join(samples, "welcome"))
p("")
if mem:
    peak = median([int(r.get("peak_pagefile_bytes", 0)) for r in mem]) / 2**20
    priv = median([int(r.get("private_bytes", 0)) for r in mem]) / 2**20
    ws = median([int(r.get("peak_working_set_bytes", 0)) for r in mem]) / 2**20
    p(f"- kvsetup.exe memory (launcher, GetProcessMemoryInfo sampled every 2 ms while it runs): "
      f"peak pagefile (private) {peak:.1f} MB, private bytes {priv:.1f} MB, peak working set "
      f"{ws:.1f} MB (target: peak private within 8 MB)")
if mem_nsis:
    peak = median([int(r.get("peak_pagefile_bytes", 0)) for r in mem_nsis]) / 2**20
    p(f"- NSIS zlib full, the same counters: peak pagefile (private) {peak:.1f} MB")
shown = [float(r["window_ms"]) for r in welcome if r.get("window_ms", "none") != "none"]
if shown:
    p(f"- welcome page (\"KORVID Pro Installation\" visible) {median(shown):.0f} ms after "
      f"CreateProcess (median of {len(shown)}; target within 300 ms)")
else:
    p("- welcome page: **pending**, no window \"KORVID Pro Installation\" appeared (the page is "
      "not on this branch yet)")

# Sizes.
p("")
exe = os.path.join(release, "kvsetup.exe")
packed = glob.glob(os.path.join(release, "product", "packed", "*"))
payload = sum(os.path.getsize(f) for f in packed)
templates = sum(os.path.getsize(f) for f in glob.glob(os.path.join(release, "product", "files", "templates", "*")))
size = os.path.getsize(exe)
p("| Size (i686) | bytes |")
p("|---|---:|")
p(f"| kvsetup.exe | {size} |")
p(f"| packed payload (SZDD resources) | {payload} |")
p(f"| everything else (code, art, templates, resource overhead; target 100 KB) | {size - payload} |")
sections = subprocess.run(["i686-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True).stdout
for line in sections.splitlines():
    parts = line.split()
    if len(parts) > 3 and parts[0].isdigit() and parts[1] != ".rsrc" and int(parts[2], 16) > 0:
        p(f"| section {parts[1]} | {int(parts[2], 16)} |")
panel = os.path.join(root, "src", "resources", "panel.bmp")
if os.path.exists(panel):
    p(f"| bitmap 21001 (panel.bmp) | {os.path.getsize(panel)} |")
p(f"| templates (plain text) | {templates} |")
for comp in ["zlib", "lzma"]:
    f = os.path.join(bench, "nsis", f"i686-{comp}-full.exe")
    if os.path.exists(f):
        p(f"| NSIS {comp} installer of the same payload (x86 stub) | {os.path.getsize(f)} |")
print("\n".join(out))
