#!/usr/bin/env python3
"""Checks the reference model's block placement against the plain geometry of DXF blocks.

Seeded drawings of nested blocks (base points anywhere, scales of one size per insert but
either sign on each axis, no rotation) go through dxfmodel; every resolved block record must
hold the items that direct composition of the inserts gives: a point p of a block inserted
at q with scales s and base point b lands on q + s * (p - b); an arc keeps its turning sense
on screen, so a mirrored arc runs between the images of its end points. Positions are
compared with a small tolerance, angles as directions.

Usage: placement_check.py [--count N] [--seed S]; the last line is "N passed, M failed".
"""

import argparse
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dxfmodel  # noqa: E402
import edgecases  # noqa: E402


def drawing(rng):
    """(DXF bytes, block definitions): a definition is (base, [primitive]), a primitive
    ("P", x0, y0, x1, y1), ("A", cx, cy, r, a0, a1) or ("I", name, qx, qy, sx, sy)."""
    n = rng.randint(1, 4)
    defs = {}
    text = []
    for i in reversed(range(n)):
        base = (rng.randint(-20, 20), rng.randint(-20, 20))
        prims, ents = [], []
        for _ in range(rng.randint(1, 4)):
            k = rng.random()
            v = [rng.randint(-30, 30) for _ in range(4)]
            if k < 0.4:
                prims.append(("P", *v))
                ents.append(edgecases._line(*map(str, v)))
            elif k < 0.7 or i == n - 1:
                a = (v[0], v[1], rng.randint(1, 9), rng.randint(0, 359), rng.randint(0, 359))
                prims.append(("A", *a))
                ents.append(edgecases._arc(*map(str, a)))
            else:
                m = rng.choice([0.5, 1, 2])
                ins = ("B%d" % rng.randint(i + 1, n - 1), v[2], v[3], m * rng.choice([1, -1]),
                       m * rng.choice([1, -1]))
                prims.append(("I", *ins))
                ents.append(edgecases._insert(ins[0], (10, str(v[2])), (20, str(v[3])),
                                           (41, str(ins[3])), (42, str(ins[4]))))
        defs["B%d" % i] = (base, prims)
        text += edgecases._based("B%d" % i, str(base[0]), str(base[1]), *ents)
    lines = (edgecases._header() + edgecases._section("BLOCKS", text) +
             edgecases._grp((0, "EOF")))
    return ("\n".join(lines) + "\n").encode(), defs


def flatten(defs, name):
    """The block's items as [type, x, y] / [3, cx, cy, r, a0, a1], nested inserts placed."""
    out = []
    for p in defs[name][1]:
        if p[0] == "P":
            out += [[0, p[1], p[2]], [1, p[3], p[4]]]
        elif p[0] == "A":
            out.append([3, *p[1:]])
        else:
            _, child, qx, qy, sx, sy = p
            bx, by = defs[child][0]
            for it in flatten(defs, child):
                x, y = qx + sx * (it[1] - bx), qy + sy * (it[2] - by)
                if it[0] != 3:
                    out.append([it[0], x, y])
                    continue
                # End points' images; a mirror (one negative factor) swaps start and end.
                ends = [math.radians(a) for a in it[4:6]]
                img = [math.degrees(math.atan2(sy * math.sin(a), sx * math.cos(a)))
                       for a in ends]
                if sx * sy < 0:
                    img.reverse()
                out.append([3, x, y, it[3] * abs(sx), *img])
    return out


def same_angle(a, b):
    return abs((a - b + 180.0) % 360.0 - 180.0) < 1e-9


def check(seed):
    rng = random.Random(seed)
    data, defs = drawing(rng)
    m = dxfmodel.Model(data)
    if m.run() != 0:
        return "the import failed"
    for b in m.store:
        want = flatten(defs, b.name.decode())
        if len(want) != len(b.items):
            return "%s: %d items, %d expected" % (b.name, len(b.items), len(want))
        for got, exp in zip(b.items, want):
            n = 4 if exp[0] == 3 else 3
            if got[0] != exp[0] or any(abs(g - e) > 1e-9 for g, e in zip(got[1:n], exp[1:n])):
                return "%s: item %s, expected %s" % (b.name, got, exp)
            if exp[0] == 3 and not all(map(same_angle, got[4:6], exp[4:6])):
                return "%s: arc %s, expected %s" % (b.name, got, exp)
    return None


def main(argv):
    ap = argparse.ArgumentParser(description="block placement of the model against geometry")
    ap.add_argument("--count", type=int, default=500)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args(argv)
    passed = failed = 0
    for s in range(a.seed, a.seed + a.count):
        d = check(s)
        if d is None:
            passed += 1
        else:
            failed += 1
            print("MISMATCH seed %d: %s" % (s, d))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
