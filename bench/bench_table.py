#!/usr/bin/env python3
"""The import's benchmark table: tools/bench.sh builds the Release tree and runs this.

Generates the drawings (bench/gen_drawing, deterministic), then for each one runs, alternately
and RUNS times, `dxfhost DRAWING` (no output options), the parse floor `parse_floor DRAWING`
and, for the drawings full of blocks and where it was built, the general library's walk
`dime_count DRAWING`. Prints one row per drawing: its size, the medians of the times, the
median of the pair-by-pair ratios import / floor (and import / library), the import's rate,
its peak resident memory, and the size of the object it makes (one more run with --object).
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

# name, generator options, whether the library's walk is timed too
DRAWINGS = [
    ("100 MB, 770,000 entities", "large", ["--entities", "770000", "--blocks", "0",
                                           "--inserts", "0"], False),
    ("10 MB, 77,000 entities", "medium", ["--entities", "77000", "--blocks", "0",
                                          "--inserts", "0"], False),
    ("block-heavy: 5,000 blocks, 50,000 INSERTs", "blocks", ["--blocks", "5000",
                                                              "--inserts", "50000"], True),
    ("nesting-heavy: 8 levels, 2 INSERTs per level", "nesting",
     ["--nesting", "8", "--fanout", "2", "--blocks", "0", "--inserts", "3000",
      "--entities", "13000"], True),
]


def run(cmd):
    """Runs cmd with its output dropped: (wall seconds, peak resident MB, exit status)."""
    start = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - start
    p.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_maxrss / 1024.0, p.returncode


def drawing(build, data, key, options):
    """The drawing's path, generated unless it is there with the same options."""
    path = os.path.join(data, key + ".dxf")
    stamp = path + ".options"
    want = " ".join(options)
    if os.path.exists(path) and os.path.exists(stamp) and open(stamp).read() == want:
        return path
    with open(path, "wb") as out:
        subprocess.run([os.path.join(build, "bench", "gen_drawing")] + options, stdout=out,
                       check=True)
    with open(stamp, "w") as f:
        f.write(want)
    return path


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default="build-release", help="the Release build tree")
    ap.add_argument("--runs", type=int, default=5, help="runs of each program per drawing")
    ap.add_argument("--only", default="", help="drawings to time, by key: " +
                    ",".join(d[1] for d in DRAWINGS))
    ap.add_argument("--skip-large", action="store_true", help="leave out the 100 MB drawing")
    ap.add_argument("--data", default="", help="where the drawings go")
    ap.add_argument("--dxfhost", default="", help="another dxfhost to time")
    args = ap.parse_args()

    build = args.build
    data = args.data or os.path.join(build, "bench-drawings")
    os.makedirs(data, exist_ok=True)
    dxfhost = args.dxfhost or os.path.join(build, "dxfhost", "dxfhost")
    floor = os.path.join(build, "bench", "parse_floor")
    library = os.path.join(build, "bench", "dime_count")
    have_library = os.path.exists(library)
    only = set(filter(None, args.only.split(",")))

    head = ("| drawing | MB | import s | floor s | import / floor | MB/s | peak MB | object MB |"
            " library s | import / library |")
    print(head)
    print("|" + "---|" * (head.count("|") - 1))
    failed = False
    for name, key, options, with_library in DRAWINGS:
        if (only and key not in only) or (args.skip_large and key == "large"):
            continue
        path = drawing(build, data, key, options)
        mb = os.path.getsize(path) / 1e6
        with tempfile.TemporaryDirectory() as tmp:
            obj = os.path.join(tmp, "object.bin")
            _, _, status = run([dxfhost, "--object", obj, path])
            object_mb = os.path.getsize(obj) / 1e6 if os.path.exists(obj) else 0.0
        if status != 0:
            failed = True
        imports, floors, libs, peaks = [], [], [], []
        for _ in range(args.runs):
            t, peak, _ = run([dxfhost, path])
            imports.append(t)
            peaks.append(peak)
            floors.append(run([floor, path])[0])
            if with_library and have_library:
                libs.append(run([library, path])[0])
        imp = statistics.median(imports)
        ratio = statistics.median(a / b for a, b in zip(imports, floors))
        row = [name + ("" if status == 0 else " (import FAILED, status %d)" % status),
               "%.1f" % mb, "%.3f" % imp, "%.3f" % statistics.median(floors), "%.2fx" % ratio,
               "%.1f" % (mb / imp), "%.0f" % max(peaks), "%.1f" % object_mb]
        if libs:
            row += ["%.3f" % statistics.median(libs),
                    "%.2fx" % statistics.median(a / b for a, b in zip(imports, libs))]
        else:
            row += ["-", "-"]
        print("| " + " | ".join(row) + " |", flush=True)
    if not have_library:
        print("(the library's column needs libdime-dev: tools/install-deps.sh installs it)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
