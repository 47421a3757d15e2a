#!/usr/bin/env python3
"""The PNG picture's cost beside a plain import: tools/bench-png.sh builds the Release tree and
runs this.

For each drawing (generated as bench_table.py makes them), runs `dxfhost DRAWING` and
`dxfhost --png PICTURE DRAWING` alternately, RUNS times each, and prints the medians of their
times, the median of the run-by-run ratios png / plain, the largest resident size of each, and
the size of the picture's pixels in memory (4 bytes a pixel, the width and height read from the
PNG file).
"""

import argparse
import os
import statistics
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench_table import DRAWINGS, drawing, run  # noqa: E402

KEYS = ["medium", "large", "nesting"]


def image_mb(path):
    """Bytes of the picture's pixels in memory, in MB, from the PNG's IHDR."""
    with open(path, "rb") as f:
        head = f.read(24)
    width, height = struct.unpack(">II", head[16:24])
    return width * height * 4 / 1e6


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default="build-release", help="the Release build tree")
    ap.add_argument("--runs", type=int, default=5, help="runs of each form per drawing")
    ap.add_argument("--only", default="", help="drawings, by key: " + ",".join(KEYS))
    ap.add_argument("--width", default="1024", help="the picture's width in pixels")
    ap.add_argument("--data", default="", help="where the drawings go")
    ap.add_argument("--dxfhost", default="", help="another dxfhost to time")
    args = ap.parse_args()

    data = args.data or os.path.join(args.build, "bench-drawings")
    os.makedirs(data, exist_ok=True)
    dxfhost = args.dxfhost or os.path.join(args.build, "dxfhost", "dxfhost")
    only = set(filter(None, args.only.split(",")))

    head = ("| drawing | plain s | --png s | png / plain | plain peak MB | --png peak MB |"
            " image MB |")
    print(head)
    print("|" + "---|" * (head.count("|") - 1))
    failed = False
    for name, key, options, _ in DRAWINGS:
        if key not in KEYS or (only and key not in only):
            continue
        path = drawing(args.build, data, key, options)
        plain, png, plain_peak, png_peak = [], [], [], []
        with tempfile.TemporaryDirectory() as tmp:
            picture = os.path.join(tmp, "picture.png")
            status = 0
            for _ in range(args.runs):
                t, peak, s1 = run([dxfhost, path])
                plain.append(t)
                plain_peak.append(peak)
                t, peak, s2 = run([dxfhost, "--png", picture, "--width", args.width, path])
                png.append(t)
                png_peak.append(peak)
                status = status or s1 or s2
            image = image_mb(picture) if os.path.exists(picture) else 0.0
        failed = failed or status != 0
        row = [name + ("" if status == 0 else " (FAILED, status %d)" % status),
               "%.3f" % statistics.median(plain), "%.3f" % statistics.median(png),
               "%.2fx" % statistics.median(b / a for a, b in zip(plain, png)),
               "%.0f" % max(plain_peak), "%.0f" % max(png_peak), "%.1f" % image]
        print("| " + " | ".join(row) + " |", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
