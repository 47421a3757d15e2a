#!/usr/bin/env python3
"""Differential test: seeded drawings through the reference model and through dxfhost.

For every seed, gendxf makes a drawing; dxfmodel says what the import must produce; dxfhost
runs the real import. The exit status, the alert captions in order and the data block (bytes
the model marks as meaningful) must agree. A mismatch is reported with its seed, what
differs (for bytes: the first differing offset and both values), and, with --minimise, the
smallest drawing found that still differs in the same way.

Without FILEs, the hand-made drawings of gendxf.edge_cases() run first, then the seeds.

With --legacy the seeds make only drawings whose import does not depend on block base points,
on entities with a group 2 inside blocks or on the angles of mirrored arcs (and the hand-made
drawings are left out): a check of everything else against a module without those rules.

Usage: difftest.py --dxfhost PATH [--count N] [--seed S] [--hard] [--legacy] [--minimise]
                   [--keep DIR] [FILE...]
The last line is "N passed, M failed"; the exit status is 1 when anything failed.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxfmodel  # noqa: E402
import gendxf  # noqa: E402


def run_host(dxfhost, data, workdir):
    path = os.path.join(workdir, "drawing.dxf")
    out = os.path.join(workdir, "object.bin")
    with open(path, "wb") as f:
        f.write(data)
    if os.path.exists(out):
        os.remove(out)
    p = subprocess.run([dxfhost, "--object", out, path], stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, timeout=60)
    alerts = []
    for line in p.stderr.decode("latin-1").splitlines():
        if line.startswith("alert: "):
            alerts.append(line[len("alert: "):].split(": ", 1)[0])
    blk = b""
    if os.path.exists(out):
        with open(out, "rb") as f:
            blk = f.read()
    return p.returncode, alerts, blk


def compare(dxfhost, data, workdir):
    """None when both agree, else a short text of the first difference."""
    rc, alerts, blk, mask = dxfmodel.model(data)
    hrc, halerts, hblk = run_host(dxfhost, data, workdir)
    if rc != hrc:
        return "exit status: model %d, dxfhost %d" % (rc, hrc)
    if alerts != halerts:
        return "alerts: model %s, dxfhost %s" % (alerts, halerts)
    for i in range(min(len(blk), len(hblk))):
        if mask[i] and blk[i] != hblk[i]:
            return "object byte %d (0x%x): model 0x%02x, dxfhost 0x%02x" % (i, i, blk[i], hblk[i])
    if len(blk) != len(hblk):
        return "object size: model %d, dxfhost %d" % (len(blk), len(hblk))
    return None


def kind(diff):
    return diff.split(":", 1)[0].split(" (")[0].rstrip("0123456789 ")


def minimise(dxfhost, data, workdir, want, deadline):
    """Greedy removal of line pairs, then single lines, keeping the same kind of mismatch."""
    lines = data.split(b"\n")
    for step in (16, 8, 4, 2, 1):
        i = 0
        while i < len(lines) and time.time() < deadline:
            trial = lines[:i] + lines[i + step:]
            d = compare(dxfhost, b"\n".join(trial), workdir)
            if d is not None and kind(d) == want:
                lines = trial
            else:
                i += step
    return b"\n".join(lines)


def main(argv):
    ap = argparse.ArgumentParser(description="reference model against dxfhost")
    ap.add_argument("--dxfhost", required=True)
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--minimise", action="store_true")
    ap.add_argument("--keep", help="directory for the drawings that fail")
    ap.add_argument("--no-edge-cases", action="store_true",
                    help="leave out the hand-made drawings that run before the seeds")
    ap.add_argument("--hard", action="store_true", help="only drawings with odd values")
    ap.add_argument("--legacy", action="store_true",
                    help="only drawings without base points away from (0, 0), group 2 "
                         "entities in blocks or mirrored arcs; no hand-made drawings")
    ap.add_argument("--verbose", action="store_true")
    ap.add_argument("files", nargs="*", help="drawings to compare instead of generated ones")
    a = ap.parse_args(argv)

    cases = []
    if a.files:
        for fn in a.files:
            with open(fn, "rb") as f:
                cases.append((fn, f.read()))
    else:
        if not a.no_edge_cases and not a.legacy:
            cases = gendxf.edge_cases()
        cases += [(str(s), None) for s in range(a.seed, a.seed + a.count)]

    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="oracle-") as wd:
        for name, data in cases:
            if data is None:
                data = gendxf.generate(int(name), a.hard, a.legacy)
            try:
                d = compare(a.dxfhost, data, wd)
            except subprocess.TimeoutExpired:
                d = "dxfhost did not finish"
            if d is None:
                passed += 1
                if a.verbose:
                    print("ok %s" % name)
                continue
            failed += 1
            what = "file" if a.files else ("seed" if name.isdigit() else "case")
            print("MISMATCH %s %s: %s" % (what, name, d))
            small = None
            if a.minimise and d != "dxfhost did not finish":
                small = minimise(a.dxfhost, data, wd, kind(d), time.time() + 20)
                print("  minimised to %d bytes: %s" % (len(small), compare(a.dxfhost, small, wd)))
            if a.keep:
                os.makedirs(a.keep, exist_ok=True)
                base = os.path.join(a.keep, "case_%s" % os.path.basename(name))
                with open(base + ".dxf", "wb") as f:
                    f.write(data)
                if small is not None:
                    with open(base + ".min.dxf", "wb") as f:
                        f.write(small)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
