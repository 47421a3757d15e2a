#!/usr/bin/env python3
"""Compares the resources inside a Windows image (the plug-in DLL) with a compiled .res file.

    tools/compare-resources.py <image.dll> <resources.res>

Every resource is keyed by type, name and language; both sides must hold the same resources with
byte-identical data. The module's own resources must be there: the string block holding strings
0 "DXF Import" and 1 "Import DXF File", dialog templates 32000 and 32001, icon groups 31000 to
31004 and the icon images they name. Exits 1, naming each difference, when anything is off.
"""

import struct
import sys

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON = 3, 5, 6, 14
TYPE_NAMES = {RT_ICON: "icon", RT_DIALOG: "dialog", RT_STRING: "string block",
              RT_GROUP_ICON: "icon group"}


class Damaged(Exception):
    pass


def need(cond, what):
    if not cond:
        raise Damaged(what)


def read_res(data):
    """Entries of a .res file: {(type, name, language): bytes}. Names given as text are kept
    as text."""
    out = {}
    off = 0
    while off + 8 <= len(data):
        size, hdr = struct.unpack_from("<II", data, off)
        need(hdr >= 8 and off + hdr + size <= len(data), "entry at %d runs past the end" % off)
        p = off + 8
        ids = []
        for _ in range(2):
            need(p + 2 <= off + hdr, "entry at %d: cut type or name" % off)
            if struct.unpack_from("<H", data, p)[0] == 0xFFFF:
                ids.append(struct.unpack_from("<H", data, p + 2)[0])
                p += 4
            else:
                s = ""
                while True:
                    need(p + 2 <= off + hdr, "entry at %d: unterminated name" % off)
                    c = struct.unpack_from("<H", data, p)[0]
                    p += 2
                    if c == 0:
                        break
                    s += chr(c)
                ids.append(s)
        p = (p + 3) & ~3
        need(p + 16 <= off + hdr, "entry at %d: header too short" % off)
        lang = struct.unpack_from("<H", data, p + 6)[0]
        if not (ids[0] == 0 and ids[1] == 0 and size == 0):  # the empty first entry
            out[(ids[0], ids[1], lang)] = data[off + hdr:off + hdr + size]
        off = (off + hdr + size + 3) & ~3
    return out


def read_pe(data):
    """Resources of a PE image: {(type, name, language): bytes}, and the image's machine."""
    need(data[:2] == b"MZ", "not an executable image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    need(data[pe:pe + 4] == b"PE\0\0", "no PE signature")
    machine, nsect = struct.unpack_from("<HH", data, pe + 4)
    optsize = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
    sections = []
    for i in range(nsect):
        s = opt + optsize + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def at(rva, n):
        for va, span, rawptr, rawsize in sections:
            if va <= rva and rva + n <= va + span:
                need(rva - va + n <= rawsize, "data at RVA 0x%x lies outside the file" % rva)
                return rawptr + (rva - va)
        raise Damaged("RVA 0x%x lies in no section" % rva)

    out = {}
    if rsrc_rva == 0:
        return out, machine
    base = at(rsrc_rva, rsrc_size)

    def name_of(field):
        if field & 0x80000000:
            p = base + (field & 0x7FFFFFFF)
            n = struct.unpack_from("<H", data, p)[0]
            return data[p + 2:p + 2 + 2 * n].decode("utf-16-le")
        return field

    def walk(off, path):
        named, ided = struct.unpack_from("<HH", data, base + off + 12)
        for i in range(named + ided):
            field, target = struct.unpack_from("<II", data, base + off + 16 + 8 * i)
            key = path + [name_of(field)]
            if target & 0x80000000:
                need(len(key) < 3, "resource tree deeper than type, name, language")
                walk(target & 0x7FFFFFFF, key)
            else:
                need(len(key) == 3, "resource data above the language level")
                rva, size = struct.unpack_from("<II", data, base + target)
                p = at(rva, size)
                out[tuple(key)] = data[p:p + size]

    walk(0, [])
    return out, machine


def strings_of(block):
    """The 16 strings of a string block."""
    out, p = [], 0
    for _ in range(16):
        n = struct.unpack_from("<H", block, p)[0]
        out.append(block[p + 2:p + 2 + 2 * n].decode("utf-16-le"))
        p += 2 + 2 * n
    return out


def label(key):
    t, n, lang = key
    return "%s %s (language 0x%04x)" % (TYPE_NAMES.get(t, "type %s" % (t,)), n, lang)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    problems = []
    try:
        image, machine = read_pe(open(sys.argv[1], "rb").read())
        res = read_res(open(sys.argv[2], "rb").read())
    except (Damaged, struct.error, UnicodeDecodeError) as e:
        sys.exit("FAIL: cannot read the resources: %s" % e)

    for key in sorted(set(image) | set(res), key=str):
        if key not in image:
            problems.append("%s is missing from the image" % label(key))
        elif key not in res:
            problems.append("%s is in the image only" % label(key))
        elif image[key] != res[key]:
            problems.append("%s differs (%d bytes in the image, %d compiled)"
                            % (label(key), len(image[key]), len(res[key])))

    def find(t, n):
        return [v for (kt, kn, _), v in image.items() if kt == t and kn == n]

    block = find(RT_STRING, 1)
    if len(block) != 1:
        problems.append("the image has no single block for strings 0 to 15")
    else:
        texts = strings_of(block[0])
        if texts[0] != "DXF Import" or texts[1] != "Import DXF File":
            problems.append("strings 0 and 1 are %r and %r" % (texts[0], texts[1]))
    for dlg in (32000, 32001):
        if len(find(RT_DIALOG, dlg)) != 1:
            problems.append("dialog %d is not in the image once" % dlg)
    for grp in range(31000, 31005):
        g = find(RT_GROUP_ICON, grp)
        if len(g) != 1:
            problems.append("icon group %d is not in the image once" % grp)
            continue
        count = struct.unpack_from("<H", g[0], 4)[0]
        for i in range(count):
            w, h, colours = struct.unpack_from("<BBB", g[0], 6 + 14 * i)
            icon_id = struct.unpack_from("<H", g[0], 6 + 14 * i + 12)[0]
            if (w, h, colours) != (32, 32, 16):
                problems.append("icon group %d: image of %dx%d in %d colours"
                                % (grp, w, h, colours))
            if len(find(RT_ICON, icon_id)) != 1:
                problems.append("icon group %d names icon %d, which is missing" % (grp, icon_id))

    for p in problems:
        print("FAIL: resources: " + p)
    if problems:
        sys.exit(1)
    print("resources: %d in the image, byte-identical to the compiled .res "
          "(strings 0 and 1, dialogs 32000 and 32001, icons 31000 to 31004)" % len(image))


if __name__ == "__main__":
    main()
