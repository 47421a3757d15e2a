#!/usr/bin/env python3
"""Reference model of the DXF import, written independently of the module's C++ code.

Given the bytes of a drawing, it tells what `dxfhost DRAWING` must end with:
  - the exit status (0 when the import succeeded, 2 when it failed),
  - the captions of the alerts shown, in order ("Invalid DXF File", "Not Supported"),
  - the frame's data block after the import, with a mask marking the bytes that carry
    meaning (0 for the 2 bytes after a record's type, the fill at a record's end, and the
    header bytes of a record that was begun but never ended).

The file is read as bytes with a position, one group (code line and value line) at a time,
with the same saves and returns of the position that the module makes, so that the groups
read twice are the same. Every rounding, truncation and 16-bit wrap is done as the module
does it: R = add 0.5 then truncate toward zero, T = truncate toward zero, NaN, infinities and
values beyond the signed 32-bit range truncate to 0x80000000, and 16-bit fields keep the low
16 bits. Header extents are 32-bit reals.

Usage as a program: dxfmodel.py DRAWING [--object OUT.bin] prints the exit status and alerts.
"""

import math
import re
import struct
import sys

G = 16384.0
INT_MIN = -(2**31)
INVALID = "Invalid DXF File"
NOT_SUPPORTED = "Not Supported"
READ_FAILED = -100  # status of a read past the end of the file (any negative but -2)

_WS = rb"[ \t\n\v\f\r]*"
_REAL = re.compile(_WS + rb"([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)")
_INT = re.compile(_WS + rb"([+-]?[0-9]+)")


def atof(text):
    """Decimal real at the start of text; 0.0 without one; overflow gives an infinity."""
    m = _REAL.match(text)
    if not m:
        return 0.0
    return float(m.group(1))


def atol(text):
    """Decimal integer at the start of text, saturated to the signed 32-bit range."""
    m = _INT.match(text)
    if not m:
        return 0
    v = int(m.group(1))
    return max(-(2**31), min(2**31 - 1, v))


def f32(v):
    """The double rounded to a 32-bit real (and back to a double)."""
    try:
        return struct.unpack("<f", struct.pack("<f", v))[0]
    except OverflowError:
        return math.copysign(math.inf, v)


def fdiv(a, b):
    """IEEE division: a zero divisor gives an infinity or NaN instead of an exception."""
    try:
        return a / b
    except ZeroDivisionError:
        if math.isnan(a) or a == 0.0:
            return math.nan
        neg = (math.copysign(1.0, a) < 0) != (math.copysign(1.0, b) < 0)
        return -math.inf if neg else math.inf


def trunc32(v):
    """Truncate toward zero to a signed 32-bit integer; NaN, inf, out of range -> INT_MIN."""
    if math.isnan(v) or math.isinf(v):
        return INT_MIN
    t = math.trunc(v)
    if t < -(2**31) or t > 2**31 - 1:
        return INT_MIN
    return t


def T(v):
    return trunc32(v)


def R(v):
    return trunc32(v + 0.5)


def lo16(i):
    return i & 0xFFFF


def smaller(old, new):
    return new if new <= old else old


def larger(old, new):
    return new if new >= old else old


def mirror_angles(s, e, sx, sy):
    """Start and end angle (degrees) of an arc placed with the factors sx, sy: mirrored in X
    (180 - e, 180 - s), in Y (360 - e, 360 - s) or in both (s + 180, e + 180), each result
    then brought once into [0, 360) by one addition or subtraction of 360. Unchanged when
    neither factor is negative; a NaN factor matches none of the three rules."""
    if sx < 0 and sy >= 0:
        s2, e2 = 180.0 - e, 180.0 - s
    elif sy < 0 and sx >= 0:
        s2, e2 = 360.0 - e, 360.0 - s
    elif sx < 0 and sy < 0:
        s2, e2 = s + 180.0, e + 180.0
    else:
        return s, e
    return wrap360(s2), wrap360(e2)


def wrap360(a):
    if a >= 360.0:
        return a - 360.0
    if a < 0.0:
        return a + 360.0
    return a


def text_of(buf):
    """A NUL ends the line's text as every string function sees it."""
    i = buf.find(b"\0")
    return bytes(buf if i < 0 else buf[:i])


# Header variables: number of value groups, and whether an optional z group (code 30) follows.
_POINT_XY = ["$AXISUNIT", "$LIMMAX", "$LIMMIN", "$PLIMMAX", "$PLIMMIN"]
_POINT_XYZ = ["$EXTMAX", "$EXTMIN", "$INSBASE", "$PEXTMAX", "$PEXTMIN", "$PUCSORG",
              "$PUCSXDIR", "$PUCSYDIR", "$UCSORG", "$UCSXDIR", "$UCSYDIR"]
_ONE = ("$ACADVER $ANGBASE $ANGDIR $ATTDIA $ATTMODE $ATTREQ $AUNITS $AUPREC $AXISMODE "
        "$BLIPMODE $CECOLOR $CELTYPE $CHAMFERA $CHAMFERB $CLAYER $COORDS $DIMALT $DIMALTD "
        "$DIMALTF $DIMAPOST $DIMASO $DIMASZ $DIMBLK $DIMBLK1 $DIMBLK2 $DIMCEN $DIMCLRD "
        "$DIMCLRE $DIMCLRT $DIMDLE $DIMDLI $DIMEXE $DIMEXO $DIMGAP $DIMLFAC $DIMLIM $DIMPOST "
        "$DIMRND $DIMSAH $DIMSCALE $DIMSE1 $DIMSE2 $DIMSHO $DIMSOXD $DIMSTYLE $DIMTAD "
        "$DIMTFAC $DIMTIH $DIMTIX $DIMTM $DIMTOFL $DIMTOH $DIMTOL $DIMTP $DIMTSZ $DIMTVP "
        "$DIMTXT $DIMZIN $DWGCODEPAGE $DRAGMODE $ELEVATION $FILLETRAD $FILLMODE $HANDLING "
        "$HANDSEED $LIMCHECK $LTSCALE $LUNITS $LUPREC $MAXACTVP $MENU $MIRRTEXT $ORTHOMODE "
        "$OSMODE $PDMODE $PDSIZE $PELEVATION $PLIMCHECK $PLINEGEN $PLINEWID $PSLTSCALE "
        "$PUCSNAME $QTEXTMODE $REGENMODE $SHADEDGE $SHADEDIF $SKETCHINC $SKPOLY $SPLFRAME "
        "$SPLINESEGS $SPLINETYPE $SURFTAB1 $SURFTAB2 $SURFTYPE $SURFU $SURFV $TDCREATE "
        "$TDINDWG $TDUPDATE $TDUSRTIMER $TEXTSIZE $TEXTSTYLE $THICKNESS $TILEMODE $TRACEWID "
        "$UCSNAME $UNITMODE $USRTIMER $VISRETAIN $WORLDVIEW "
        "$FASTZOOM $GRIDMODE $SNAPANG $SNAPISOPAIR $SNAPMODE $SNAPSTYLE $VIEWSIZE $USER").split()
_TWO = ["$GRIDUNIT", "$SNAPBASE", "$SNAPUNIT", "$VIEWCTR"] + _POINT_XY
_TWO_Z = ["$PINSBASE", "$VIEWDIR"] + _POINT_XYZ
HEADER_VARS = {}
for _n in _ONE:
    HEADER_VARS[_n.encode()] = (1, False)
for _n in _TWO:
    HEADER_VARS[_n.encode()] = (2, False)
for _n in _TWO_Z:
    HEADER_VARS[_n.encode()] = (2, True)
# Longest names first, so that "$DIMALTD" wins over "$DIMALT".
_HEADER_ORDER = sorted(HEADER_VARS, key=len, reverse=True)

ITEM_SIZE = {0: 24, 1: 24, 3: 48}


class Block:
    """One record of the block store."""

    def __init__(self, name):
        self.name = name[:39]
        self.inc = 0
        self.maxx = -1.7e308
        self.minx = 1.7e308
        self.maxy = -1.7e308
        self.miny = 1.7e308
        self.bx = self.by = 0.0  # base point: lands on the insertion point
        self.items = []  # lists: [type, x, y] / [3, cx, cy, r, a0, a1] / [100, ix, iy, sx, sy, r, name]

    def widen(self, x, y):
        self.maxx = larger(self.maxx, x)
        self.minx = smaller(self.minx, x)
        self.maxy = larger(self.maxy, y)
        self.miny = smaller(self.miny, y)


class Model:
    def __init__(self, data):
        self.d = bytes(data)
        self.pos = 0
        self.alerts = []
        self.blk = bytearray(24)
        self.mask = bytearray(b"\x01" * 24)
        self.tSize = 24
        self.Offset = 24
        self.VOHOffset = 24
        self.vohSize = 0
        self.pvoh = 0
        self.dminx = self.dminy = self.dmaxx = self.dmaxy = 0.0
        self.dwidth = self.dheight = 0.0
        self.mapping = False  # a usable mapping was derived in this walk
        self.store = None  # list of Block, None when there is no block store
        self.blocks_seen = False
        self.maxobj = 0
        self.ext = {b"$EXTMIN": [0.0, 0.0], b"$EXTMAX": [0.0, 0.0]}

    # ---- file and group reader -------------------------------------------------------
    def tell(self):
        return self.pos

    def seek(self, p):
        self.pos = p
        return 0

    def get_next(self):
        buf = bytearray()
        d = self.d
        while True:
            if self.pos >= len(d):
                return READ_FAILED, text_of(buf)
            c = d[self.pos]
            self.pos += 1
            if c == 13:
                continue
            if c == 10:
                return 0, text_of(buf)
            if len(buf) < 199:
                buf.append(c)

    def get_grpnm(self):
        _, t = self.get_next()
        code = atol(t) & 0xFFFFFFFF
        st, t = self.get_next()
        return st, code, t

    def get_coordinates(self, vals, want_x, want_y, want_sx, want_r):
        """vals: dict with keys 'x','y','sx','r' updated in place for the wanted ones."""
        ok = False
        st = 0
        while True:
            if st < 0:
                return st
            st, code, t = self.get_grpnm()
            if 10 <= code <= 18:
                if want_x:
                    vals["x"] = atof(t)
            elif 20 <= code <= 28:
                if want_y:
                    vals["y"] = atof(t)
                ok = True
                if not want_sx and not want_r:
                    return 0
            elif 30 <= code <= 38:
                self.alerts.append(NOT_SUPPORTED)
                return -2
            elif 40 <= code <= 48:
                if want_sx:
                    vals["sx"] = atof(t)
                if not want_r and ok:
                    return 0
            elif 50 <= code <= 58:
                if want_r:
                    vals["r"] = atof(t)
                if ok:
                    return 0

    def drop_table(self):
        st = 0
        while st >= 0:
            st, code, t = self.get_grpnm()
            if code == 0 and t.startswith(b"ENDTAB"):
                return 0
        return st

    # ---- object block ----------------------------------------------------------------
    def _grow(self, n):
        self.tSize += n
        self.blk.extend(bytes(n))
        self.mask.extend(bytes(n))

    def w16(self, off, v):
        struct.pack_into("<H", self.blk, off, v & 0xFFFF)
        self.mask[off:off + 2] = b"\x01\x01"

    def w32(self, off, v):
        struct.pack_into("<I", self.blk, off, v & 0xFFFFFFFF)
        self.mask[off:off + 4] = b"\x01" * 4

    def insert_nexel(self, typ, x=0, y=0, x1=0, y1=0, x2=0, y2=0):
        if typ == 14:
            self.vohSize = 28
            self._grow(28)
            self.Offset = self.tSize
            self.pvoh = self.VOHOffset
            return 0
        if typ in (0, 1):
            words = [typ, x, y]
        elif typ == 3:
            words = [0, x, y, 3, x, y, x1, y1, x2, y2]
        elif typ == 9:
            words = [0, 16384, 8192, 3, x, y, x1, x1, 0, 360]
        elif typ == 15:
            words = [15]
        else:
            return -1
        self._grow(2 * len(words))
        self.vohSize += 2 * len(words)
        for w in words:
            self.w16(self.Offset, w)
            self.Offset += 2
        if typ == 15:
            fill = (self.vohSize + 3) // 4 * 4 - self.vohSize
            if fill:
                self._grow(2)
            self.pvoh = self.VOHOffset
            self.VOHOffset = self.tSize
            self.w16(self.pvoh, 4)
            self.w32(self.pvoh + 4, self.vohSize + fill)
        return 0

    def set_box(self, xpos, ypos, width, height):
        p = self.pvoh
        self.w16(p + 8, xpos)
        self.w16(p + 10, ypos)
        self.w16(p + 12, width)
        self.w16(p + 14, height)

    def set_attrs(self, ldef):
        p = self.pvoh
        self.w32(p + 16, 0x20)  # area: spec 2
        self.w32(p + 20, 0)
        self.w32(p + 24, ldef)

    # ---- section driver --------------------------------------------------------------
    def run(self):
        """Returns the result of the walk (0, -1, or another negative status)."""
        breakflag = 0
        stat = 0
        while stat >= 0 and breakflag == 0:
            stat, group, text = self.get_grpnm()
            if group != 0:
                self.alerts.append(INVALID)
                breakflag = 2
                continue
            if text.startswith(b"SECTION"):
                stat, group, text = self.get_grpnm()
                if text.startswith(b"HEADER"):
                    stat = self.get_header()
                    if self.store is not None:
                        self.store = None
                    self.maxobj = 0
                    if not self.derive(stat):
                        self.alerts.append(INVALID)
                        breakflag = 2
                    continue
                reader = None
                if text.startswith(b"TABLES"):
                    reader = self.get_tables
                elif text.startswith(b"BLOCKS"):
                    if self.blocks_seen:
                        self.alerts.append(INVALID)
                        breakflag = 2
                        continue
                    self.blocks_seen = True
                    reader = self.get_blocks
                elif text.startswith(b"ENTITIES"):
                    if not self.mapping:
                        self.alerts.append(INVALID)
                        breakflag = 2
                        continue
                    reader = self.get_entities
                if reader is not None:
                    stat = reader()
                    if stat >= 0:
                        continue
                    breakflag = 2
            if breakflag == 0 and text.startswith(b"EOF"):
                breakflag = 1
                continue
            if stat != -2:
                self.alerts.append(INVALID)
            breakflag = 2
        if breakflag == 1:
            stat = 0
        if stat < 0:
            return stat
        self._grow(2)
        self.w16(self.VOHOffset, 255)
        return 0 if breakflag == 1 else -1

    def derive(self, hdr_stat):
        """Mapping and best size from the extents. False when a header read through its end
        gives extents without a positive finite width and height."""
        self.mapping = False
        self.dmaxx, self.dmaxy = self.ext[b"$EXTMAX"]
        self.dminx, self.dminy = self.ext[b"$EXTMIN"]
        self.dwidth = self.dmaxx - self.dminx
        self.dheight = self.dmaxy - self.dminy

        def good(v):
            return v > 0.0 and not math.isinf(v)

        # Each side is scaled on its own. A side that is not positive (zero, negative, NaN)
        # gets best size 0 and no loop; an infinite one gives the clamped 4294967295.
        for off, side in ((8, self.dwidth), (12, self.dheight)):
            best = 0
            if side > 0.0:
                b = side * 100.0
                while b < 100000.0:
                    b *= 10.0
                best = 0xFFFFFFFF if b >= 2.0**32 else math.trunc(b)
            self.w32(off, best)
        if not (good(self.dwidth) and good(self.dheight)):
            return hdr_stat < 0
        self.mapping = hdr_stat >= 0
        return True

    # ---- header ----------------------------------------------------------------------
    def get_header(self):
        while True:
            status, code, text = self.get_grpnm()
            if code == 9:
                status = self.parse_var(text)
            elif code == 0:
                if text.startswith(b"ENDSEC"):
                    return 0
                if not text.startswith(b"SECTION"):
                    self.alerts.append(INVALID)
                    return -1
            elif code == 2:
                if not text.startswith(b"HEADER"):
                    self.alerts.append(INVALID)
                    return -1
            elif code != 999:
                self.alerts.append(INVALID)
                return -1
            if status < 0:
                return -1

    def parse_var(self, name):
        if len(name) < 2 or not (65 <= name[1] <= 90):
            return -1
        for var in _HEADER_ORDER:
            if name.startswith(var):
                break
        else:
            return -1
        ngroups, zstep = HEADER_VARS[var]
        vals = []
        for _ in range(ngroups):
            _, _, t = self.get_grpnm()
            vals.append(t)
        if var in self.ext:
            self.ext[var] = [f32(atof(vals[0])), f32(atof(vals[1]))]
        if zstep:
            p = self.tell()
            _, code, _ = self.get_grpnm()
            if code != 30:
                self.seek(p)
        return 0

    # ---- tables ----------------------------------------------------------------------
    def get_tables(self):
        status = 0
        while status >= 0:
            status, code, text = self.get_grpnm()
            if code == 0:
                if text.startswith(b"ENDSEC"):
                    return 0
            elif code in (1, 2):
                if text.startswith(b"HEADER"):
                    self.alerts.append(INVALID)
                    return -1
                for kw in (b"APPID", b"DIMSTYLE", b"LTYPE", b"LAYER", b"STYLE", b"UCS", b"VIEW",
                           b"VPORT"):
                    if text.startswith(kw):
                        self.get_grpnm()
                        if kw in (b"LTYPE", b"LAYER"):
                            status = self.get_entries()
                        else:
                            status = self.drop_table()
                        break
            else:
                self.alerts.append(INVALID)
                return -1
        return -1

    def get_entries(self):
        st, code, text = self.get_grpnm()
        if st < 0:
            return st
        if code == 0 and text.startswith(b"ENDTAB"):
            return 0
        while st >= 0:
            st, code, text = self.get_grpnm()
            if code == 0 and text.startswith(b"ENDTAB"):
                return 0
        return st

    # ---- blocks ----------------------------------------------------------------------
    def find_block(self, name):
        if self.store is None:
            return None
        want = name[:39]
        for b in self.store:
            if b.name == want:
                return b
        return None

    def get_blocks(self):
        self.store = []
        self.maxobj = 0
        store = self.store
        draw = 0
        # Value of the last group 0 that this loop read itself (not a handler): a group 2
        # names a new record only inside a BLOCK entity.
        last0 = None
        while True:
            st, code, text = self.get_grpnm()
            if st < 0:
                return -1
            if code == 0:
                last0 = text
                if text.startswith(b"ENDSEC"):
                    break
                if not store:
                    continue
                cur = store[-1]
                if text.startswith(b"ARC"):
                    v = {"x": 0.0, "y": 0.0, "sx": 0.0, "r": 0.0}
                    st = self.get_coordinates(v, True, True, True, True)
                    if st < 0:
                        return st
                    st, code, t = self.get_grpnm()
                    if st < 0 or not (51 <= code <= 58):
                        return -1
                    ix, iy, r = v["x"], v["y"], v["sx"]
                    cur.items.append([3, ix, iy, r, v["r"], atof(t)])
                    cur.minx = smaller(cur.minx, ix - r)
                    cur.maxx = larger(cur.maxx, ix + r)
                    cur.miny = smaller(cur.miny, iy - r)
                    cur.maxy = larger(cur.maxy, iy + r)
                elif text.startswith(b"LINE"):
                    for cnt in (0, 1):
                        v = {"x": 0.0, "y": 0.0}
                        st = self.get_coordinates(v, True, True, False, False)
                        if st < 0:
                            return st
                        if cnt == 0:
                            p = self.tell()
                            _, zc, _ = self.get_grpnm()
                            if not (30 <= zc <= 38):
                                self.seek(p)
                        cur.items.append([cnt, v["x"], v["y"]])
                        cur.widen(v["x"], v["y"])
                elif text.startswith(b"POLYLINE"):
                    while True:
                        st, code, t = self.get_grpnm()
                        if st < 0:
                            return -1
                        if t.startswith(b"VERTEX"):
                            break
                    last = None
                    while True:
                        st, code, t = self.get_grpnm()
                        if st < 0:
                            return -1
                        if t.startswith(b"ENDBLK"):
                            break
                        if t.startswith(b"SEQEND"):
                            draw = 0
                            break
                        if code == 10:
                            x = atof(t)
                            last = [draw, x, 0.0]
                            cur.items.append(last)
                            draw = 1
                            cur.maxx = larger(cur.maxx, x)
                            cur.minx = smaller(cur.minx, x)
                        elif code == 20 and last is not None:
                            y = atof(t)
                            last[2] = y
                            cur.maxy = larger(cur.maxy, y)
                            cur.miny = smaller(cur.miny, y)
                elif text.startswith(b"INSERT"):
                    while True:
                        st, code, t = self.get_grpnm()
                        if st < 0:
                            return -1
                        if code == 2:
                            break
                    name = t
                    ix = iy = r = 0.0
                    sx = sy = 1.0
                    code = 2
                    fp = self.tell()
                    while code != 0:
                        fp = self.tell()
                        st, code, t = self.get_grpnm()
                        if st < 0:
                            return -1
                        if code == 10:
                            ix = atof(t)
                        elif code == 20:
                            iy = atof(t)
                        elif code == 41:
                            sx = atof(t)
                        elif code == 42:
                            sy = atof(t)
                        elif code == 50:
                            r = atof(t)
                    self.seek(fp)
                    cur.inc = 1
                    cur.items.append([100, ix, iy, sx, sy, r, name])
            elif code == 2:
                if last0 is None or not last0.startswith(b"BLOCK"):
                    continue  # a tag, a shape or dimension name: dropped
                self.maxobj += 1
                if self.maxobj >= 65536:
                    self.alerts.append(INVALID)
                    return -1
                b = Block(text)
                store.append(b)
                v = {"x": 0.0, "y": 0.0}
                st = self.get_coordinates(v, True, True, False, False)
                if st < 0:
                    return st
                b.bx, b.by = v["x"], v["y"]
        return self.resolve()

    def resolve(self):
        store = self.store
        ok = False
        while not ok:
            ok = True
            progress = False
            for b in store:
                if b.inc != 1:
                    continue
                this_is_ok = True
                i = 0
                while i < len(b.items):
                    it = b.items[i]
                    if it[0] != 100:
                        i += 1
                        continue
                    p = self.find_block(it[6])
                    if p is None:
                        del b.items[i]
                        progress = True
                        continue
                    if p.inc == 1:
                        this_is_ok = False
                        ok = False
                        break
                    copy = self.copy_items(b, p, it)
                    b.items[i:i + 1] = copy
                    i += len(copy)
                    progress = True
                if this_is_ok:
                    b.inc = 0
            if not ok and not progress:
                self.alerts.append(INVALID)
                return -1
        return 0

    @staticmethod
    def copy_items(b, p, it):
        """The items of p placed by the insert item it of b: p's base point goes to the
        insertion point, every point and arc centre x' = ix + sx * (x - bx) (the difference,
        then the product, then the sum), radius * |sx|, angles mirrored."""
        _, ix, iy, sx, sy, _r, _name = it
        ax = abs(sx)
        out = []
        for src in p.items:
            xp = ix + sx * (src[1] - p.bx)
            yp = iy + sy * (src[2] - p.by)
            if src[0] == 3:
                rad = src[3] * ax
                a0, a1 = mirror_angles(src[4], src[5], sx, sy)
                out.append([3, xp, yp, rad, a0, a1])
                b.minx = smaller(b.minx, xp - rad)
                b.maxx = larger(b.maxx, xp + rad)
                b.miny = smaller(b.miny, yp - rad)
                b.maxy = larger(b.maxy, yp + rad)
            else:
                out.append([src[0], xp, yp])
                b.widen(xp, yp)
        return out

    # ---- entities --------------------------------------------------------------------
    def get_entities(self):
        stat = 0
        while True:
            if stat < 0:
                return stat
            stat, code, text = self.get_grpnm()
            if code != 0:
                continue
            if text.startswith(b"ENDSEC"):
                return 0
            if text.startswith(b"LINE"):
                stat = self.draw_line()
            elif text.startswith(b"POINT"):
                pass
            elif text.startswith(b"CIRCLE") or text.startswith(b"ARC"):
                arc = not text.startswith(b"CIRCLE")
                v = {"x": 0.0, "y": 0.0, "sx": 0.0, "r": 0.0}
                st = self.get_coordinates(v, True, True, True, arc)
                if st < 0:
                    return st
                self.insert_nexel(14)
                sy = 0.0
                if arc:
                    _, _, t = self.get_grpnm()
                    sy = atof(t)
                ix, iy, r = v["x"], v["y"], v["sx"]
                height = r * 2.0
                width = height
                self.set_box(T(fdiv((ix - r - self.dminx) * 16384.0, self.dwidth)),
                             16384 - T(fdiv((r + iy - self.dminy) * 16384.0, self.dheight)),
                             T(fdiv(width * 16384.0, self.dwidth)),
                             T(fdiv(height * 16384.0, self.dheight)))
                if arc:
                    self.insert_nexel(3, 8192, 8192, 8192, 8192, T(v["r"]), T(sy))
                else:
                    self.insert_nexel(9, 8192, 8192, 8192)
                stat = self.insert_nexel(15)
                self.set_attrs(144)
            elif text.startswith(b"POLYLINE"):
                stat = self.draw_polyline()
            elif text.startswith(b"INSERT"):
                stat = self.draw_insert()

    def draw_line(self):
        x1 = y1 = x2 = y2 = 0.0
        st = 0
        while st >= 0:
            p = self.tell()
            st, code, t = self.get_grpnm()
            if code == 10:
                x1 = atof(t)
            elif code == 20:
                y1 = atof(t)
            elif code == 11:
                x2 = atof(t)
            elif code == 21:
                y2 = atof(t)
                self.line_record(x1, y1, x2, y2)
                return 0
            elif code == 0:
                self.seek(p)
                return 0
        return -1

    def line_record(self, x1, y1, x2, y2):
        self.insert_nexel(14)
        minx = smaller(x1, x2)
        maxx = larger(x1, x2)
        miny = smaller(y1, y2)
        maxy = larger(y1, y2)
        w = maxx - minx
        h = maxy - miny
        height = R(fdiv(h * G, self.dheight))
        self.set_box(R(fdiv((minx - self.dminx) * G, self.dwidth)),
                     16384 - R(fdiv((miny - self.dminy) * G, self.dheight)) - lo16(height),
                     R(fdiv(w * G, self.dwidth)), height)
        for typ, x, y in ((0, x1, y1), (1, x2, y2)):
            self.insert_nexel(typ, R(fdiv((x - minx) * G, w)), R(G - fdiv((y - miny) * G, h)))
        self.insert_nexel(15)
        self.set_attrs(144)

    def draw_polyline(self):
        st = 0
        while st >= 0:
            st, code, t = self.get_grpnm()
            if code == 0:
                if t.startswith(b"SEQEND"):
                    return 0
                if t.startswith(b"VERTEX"):
                    self.draw_vertex()
        return -1

    def draw_vertex(self):
        minx = miny = 16384.0
        maxx = maxy = -16384.0
        start = False
        brk = False
        sv = self.tell()
        self.insert_nexel(14)
        st = 0
        while st >= 0 and not brk:
            st, code, t = self.get_grpnm()
            if code == 0:
                if t.startswith(b"SEQEND"):
                    brk = True
            elif code == 10:
                x = atof(t)
                minx = smaller(minx, x)
                maxx = larger(maxx, x)
            elif code == 20:
                y = atof(t)
                miny = smaller(miny, y)
                maxy = larger(maxy, y)
        width = maxx - minx
        height = maxy - miny
        hgt = T(fdiv(height * G, self.dheight))
        self.set_box(T(fdiv((minx - self.dminx) * G, self.dwidth)),
                     16384 - R(fdiv((miny - self.dminy) * G, self.dheight)) - lo16(hgt),
                     T(fdiv(width * G, self.dwidth)), hgt)
        st = self.seek(sv)
        brk = False
        xp = 0.0
        while st >= 0 and not brk:
            sv = self.tell()
            st, code, t = self.get_grpnm()
            if code == 10:
                xp = fdiv((atof(t) - minx) * G, width)
            elif code == 20:
                y = fdiv((atof(t) - miny) * G, height)
                self.insert_nexel(1 if start else 0, R(xp), 16384 - R(y))
                start = True
            elif code == 0 and t.startswith(b"SEQEND"):
                self.seek(sv)
                brk = True
                self.insert_nexel(15)
                self.set_attrs(128)
        return 0

    def draw_insert(self):
        ix = iy = r = 0.0
        sx = sy = 1.0
        blk = None
        code = None
        st = 0
        last = self.tell()
        while code != 0 and st >= 0:
            last = self.tell()
            st, code, t = self.get_grpnm()
            if code == 2:
                blk = self.find_block(t)
            elif code == 10:
                ix = atof(t)
            elif code == 20:
                iy = atof(t)
            elif code == 41:
                sx = atof(t)
            elif code == 42:
                sy = atof(t)
            elif code == 50:
                r = atof(t)
            elif code == 66 and atol(t) == 1:
                while True:
                    st, code, t = self.get_grpnm()
                    if t.startswith(b"SEQEND") or st < 0:
                        break
        if blk is not None and blk.items:
            self.expand(blk, ix, iy, sx, sy)
        return self.seek(last)

    def expand(self, p, ix, iy, sx, sy):
        width = (p.maxx - p.minx) * sx
        height = (p.maxy - p.miny) * sy
        self.insert_nexel(14)
        # The base point lands on the insertion point: move to where the extents corner goes.
        ix = ix + sx * (p.minx - p.bx)
        iy = iy + sy * (p.miny - p.by)
        if width < 0:
            ix += width
        if height < 0:
            iy += height
        width = abs(width)
        height = abs(height)
        self.set_box(T(fdiv((ix - self.dminx) * 16384.0, self.dwidth)),
                     T(fdiv((self.dheight - (iy - self.dminy) - height) * 16384.0, self.dheight)),
                     T(fdiv(width * 16384.0, self.dwidth)),
                     T(fdiv(height * 16384.0, self.dheight)))
        ax, ay = abs(sx), abs(sy)
        for it in p.items:
            x = lo16(T(fdiv(ax * (it[1] - p.minx) * 16384.0, width) + 0.5))
            y = lo16(T(fdiv(ay * (it[2] - p.miny) * 16384.0, height) + 0.5))
            if sx < 0:
                x = 16384 - x
            if sy < 0:
                y = 16384 - y
            typ = T(it[0])
            if typ in (0, 1):
                self.insert_nexel(typ, x, 16384 - y)
            elif typ == 3:
                rx = T(fdiv(ax * it[3] * 16384.0, width) + 0.5)
                ry = T(fdiv(ay * it[3] * 16384.0, height) + 0.5)
                a0, a1 = mirror_angles(it[4], it[5], sx, sy)
                self.insert_nexel(3, x, 16384 - y, rx, ry, T(a0), T(a1))
            else:
                break
        self.insert_nexel(15)
        self.set_attrs(144)


def model(data):
    """Runs the model on the drawing's bytes: (exit status, alerts, object bytes, mask)."""
    m = Model(data)
    res = m.run()
    # Unwritten bytes (the 2 after a record's type, fill, an unfinished record's header)
    # carry no meaning.
    return (0 if res == 0 else 2), m.alerts, bytes(m.blk), bytes(m.mask)


def main(argv):
    import argparse

    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("drawing")
    ap.add_argument("--object", help="write the modelled data block here")
    a = ap.parse_args(argv)
    with open(a.drawing, "rb") as f:
        rc, alerts, blk, _mask = model(f.read())
    for al in alerts:
        print("alert:", al)
    if a.object:
        with open(a.object, "wb") as f:
            f.write(blk)
    print("exit:", rc)
    return rc


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
