/*
 * blocks.cpp: the BLOCKS section reader and the block store.
 *
 * Receives the open file from the section driver just after the pair (2, "BLOCKS"). Reads
 * every block definition into one host memory block, the block store: per block a record of
 * its name, the extents of its items, its base point and its items (move and line points,
 * arcs, and references to other blocks). Every group 2 of the section opens a record; ARC,
 * LINE, POLYLINE and INSERT add items to the last record; everything else leaves nothing.
 * Once "ENDSEC" is read, each reference is replaced by a moved and scaled copy of the items of
 * the block it names, until no record refers to another. Hands on the store (hObj, MAXOBJ),
 * closed for writing, to the entities reader; the section driver releases it.
 *
 * Store layout: records follow one another without gaps, each `next` bytes long. A record is
 * the BLOCK header (80 bytes), the base point (two doubles) and the items from offset 96.
 * Items are doubles in the machine's byte order, the first one the item's type:
 *   0, 1  move to / line to: type, x, y                                   (24 bytes)
 *   3     arc: type, centre x, centre y, radius, start and end angle      (48 bytes)
 *   100   reference: type, x, y, x scale, y scale, rotation, then the
 *         block's name and its NUL in a field of (length + 8) & ~7 bytes (48 + field)
 * The store is only ever touched through byte offsets from pObj (it moves whenever it grows).
 */
#include "dxf.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

int32_t hObj;    /* the block store; 0 when there is none */
void* pObj;      /* the store's first byte while it is open */
uint16_t MAXOBJ; /* block records in the store */

enum : uint32_t {
    ITEM_POINT = 24,        /* bytes of a move or line item */
    ITEM_ARC = 48,          /* bytes of an arc item */
    ITEM_INSERT = 48,       /* bytes of a reference item before its name field */
    NAMEKEEP = NAMELEN - 1, /* characters of a block name that are kept and compared */
    MAXRECORDS = 65535,     /* records the 16-bit MAXOBJ can count */
    STOREMAX = 0x7FFFFFFFu, /* the store never grows past this many bytes */
    OFF_NEXT = 40,          /* BLOCK field offsets inside a record */
    OFF_INC = 44,
    OFF_MAXX = 48,
    OFF_MINX = 56,
    OFF_MAXY = 64,
    OFF_MINY = 72,
    OFF_BASEX = 80,
    OFF_BASEY = 88,
};
static const double EXTENT_START = 1.7e308; /* a new record's extents: -this to +this */

/* Reading-pass state of the section being read. */
static uint32_t ins_offset; /* the store's size: where the next bytes are appended */
static uint32_t cur;        /* store offset of the current record (always the last one) */
static uint32_t offset;     /* bytes of the current record so far: where its next item goes */
static uint8_t draw;        /* 0 until a polyline's first vertex is stored, then 1 */

/* ---- the store, by byte offsets ---- */

static unsigned char* at(uint32_t off) {
    return static_cast<unsigned char*>(pObj) + off;
}
static double get_d(uint32_t off) {
    double v;
    std::memcpy(&v, at(off), sizeof v);
    return v;
}
static void put_d(uint32_t off, double v) {
    std::memcpy(at(off), &v, sizeof v);
}
static uint32_t rec_next(uint32_t rec) {
    uint32_t v;
    std::memcpy(&v, at(rec + OFF_NEXT), sizeof v);
    return v;
}
static void put_rec_next(uint32_t rec, uint32_t v) {
    std::memcpy(at(rec + OFF_NEXT), &v, sizeof v);
}

static void widen_x(uint32_t rec, double x) {
    put_d(rec + OFF_MAXX, dxf_larger(get_d(rec + OFF_MAXX), x));
    put_d(rec + OFF_MINX, dxf_smaller(get_d(rec + OFF_MINX), x));
}
static void widen_y(uint32_t rec, double y) {
    put_d(rec + OFF_MAXY, dxf_larger(get_d(rec + OFF_MAXY), y));
    put_d(rec + OFF_MINY, dxf_smaller(get_d(rec + OFF_MINY), y));
}
/* Widens the extents of record rec by an arc: the centre minus the radius for the minima,
 * plus the radius for the maxima. */
static void widen_arc(uint32_t rec, double x, double y, double radius) {
    put_d(rec + OFF_MINX, dxf_smaller(get_d(rec + OFF_MINX), x - radius));
    put_d(rec + OFF_MAXX, dxf_larger(get_d(rec + OFF_MAXX), x + radius));
    put_d(rec + OFF_MINY, dxf_smaller(get_d(rec + OFF_MINY), y - radius));
    put_d(rec + OFF_MAXY, dxf_larger(get_d(rec + OFF_MAXY), y + radius));
}
/* Length of the string at s, looking at most at max bytes. */
static uint32_t bounded_len(const char* s, uint32_t max) {
    uint32_t n = 0;
    while (n < max && s[n])
        ++n;
    return n;
}

/* Appends n zero bytes to the store. 0, or -1 when the store cannot grow (the host's limit,
 * or the store's own); the store is then as it was. */
static int32_t append(uint32_t n) {
    if (n > STOREMAX - ins_offset)
        return ST_INVALID;
    if (emm_ins(hObj, ins_offset, n, &pObj) < 0)
        return ST_INVALID;
    std::memset(at(ins_offset), 0, n);
    ins_offset += n;
    return 0;
}

/* Grows the current record by an item of n bytes; the item's store offset in *pitem. The
 * record's next follows, so it is always the record's size. */
static int32_t new_item(uint32_t n, uint32_t* pitem) {
    *pitem = ins_offset;
    if (append(n) < 0)
        return ST_INVALID;
    offset += n;
    put_rec_next(cur, offset);
    return 0;
}

/* ---- reading pass ---- */

/* Opens a record named text (its first 39 characters) and reads its base point from the
 * groups that follow. 0; -1 (65536th record: alert shown; or the store cannot grow); or the
 * status of the base point's read. */
static int32_t open_record(int32_t fh, const char* text) {
    if (MAXOBJ >= MAXRECORDS) {
        dxf_alert(IDD_INVALID);
        return ST_INVALID;
    }
    uint32_t rec = ins_offset;
    if (append(BLKHDR) < 0)
        return ST_INVALID;
    MAXOBJ += 1;
    cur = rec;
    offset = BLKHDR;
    std::memcpy(at(rec), text, bounded_len(text, NAMEKEEP)); /* the rest is zero */
    put_rec_next(rec, BLKHDR);
    put_d(rec + OFF_MAXX, -EXTENT_START);
    put_d(rec + OFF_MINX, EXTENT_START);
    put_d(rec + OFF_MAXY, -EXTENT_START);
    put_d(rec + OFF_MINY, EXTENT_START);

    double ix = 0.0, iy = 0.0; /* base point */
    int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, nullptr, nullptr);
    if (stat < 0)
        return stat;
    put_d(rec + OFF_BASEX, ix);
    put_d(rec + OFF_BASEY, iy);
    return 0;
}

/* ARC: centre (10, 20), radius (40), start angle (50), then the end angle from the group that
 * follows, which must be 51 to 58. 0; the coordinate read's status; or -1. */
static int32_t blk_arc(int32_t fh) {
    double ix = 0.0, iy = 0.0, r = 0.0, sa = 0.0; /* centre, radius, start angle */
    int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, &r, &sa);
    if (stat < 0)
        return stat;
    uint32_t item;
    if (new_item(ITEM_ARC, &item) < 0)
        return ST_INVALID;
    put_d(item, 3.0);
    put_d(item + 8, ix);
    put_d(item + 16, iy);
    put_d(item + 24, r);
    put_d(item + 32, sa); /* the end angle stays 0.0 until it is read */

    char text[TEXTLEN];
    uint32_t group = 0;
    if (get_grpnm(fh, &group, text) < 0 || group < 51 || group > 58)
        return ST_INVALID;
    put_d(item + 40, dxf_atof(text));
    widen_arc(cur, ix, iy, r);
    return 0;
}

/* LINE: a move item to the start point and a line item to the end point. The start point's
 * z group, when it follows directly, is passed over. 0; a coordinate read's status; or -1. */
static int32_t blk_line(int32_t fh) {
    uint32_t item;
    if (new_item(2 * ITEM_POINT, &item) < 0)
        return ST_INVALID;
    put_d(item + ITEM_POINT, 1.0); /* the items are [0, 0, 0] and [1, 0, 0] until read */
    for (uint32_t cnt = 0; cnt < 2; ++cnt) {
        double ix = 0.0, iy = 0.0;
        int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, nullptr, nullptr);
        if (stat < 0)
            return stat;
        uint32_t pt = item + cnt * ITEM_POINT;
        put_d(pt + 8, ix);
        put_d(pt + 16, iy);
        widen_x(cur, ix);
        widen_y(cur, iy);
        if (cnt == 0) {
            /* get_coordinates would refuse the start point's z as 3-D data: drop it here,
             * and give any other group back to the next read. */
            uint32_t fp = 0;
            char text[TEXTLEN];
            uint32_t group = 0;
            if (fim_ftell(fh, &fp) < 0)
                return ST_INVALID;
            get_grpnm(fh, &group, text); /* a failure shows in the next read */
            if ((group < 30 || group > 38) && fim_fseek(fh, fp, 0) < 0)
                return ST_INVALID;
        }
    }
    return 0;
}

/* POLYLINE: one item per vertex, made by its group 10 and completed by its group 20; the
 * first vertex is a move, later ones lines. Ends at "SEQEND", or at "ENDBLK" without one (the
 * next polyline then carries on drawing). 0, or -1. */
static int32_t blk_polyline(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    do {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_INVALID;
    } while (!kw_match(text, "VERTEX"));

    uint32_t vtx = 0; /* store offset of the item the last group 10 opened */
    int have_vtx = 0; /* a group 10 of this polyline was read */
    for (;;) {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_INVALID;
        if (kw_match(text, "ENDBLK"))
            return 0;
        if (kw_match(text, "SEQEND")) {
            draw = 0;
            return 0;
        }
        if (group == 10) {
            if (new_item(ITEM_POINT, &vtx) < 0)
                return ST_INVALID;
            double x = dxf_atof(text);
            put_d(vtx, draw); /* y stays 0.0 until its group 20 */
            put_d(vtx + 8, x);
            draw = 1;
            have_vtx = 1;
            widen_x(cur, x);
        } else if (group == 20 && have_vtx) {
            double y = dxf_atof(text);
            put_d(vtx + 16, y);
            widen_y(cur, y);
        }
    }
}

/* INSERT: a reference item naming the block of its group 2, with its insertion point,
 * scale factors and rotation. The file is left at the group 0 that ends the INSERT.
 * 0, or -1. */
static int32_t blk_insert(int32_t fh) {
    char text[TEXTLEN];
    char name[TEXTLEN];
    uint32_t group = 0;
    do {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_INVALID;
    } while (group != 2);
    std::strcpy(name, text);

    double ix = 0.0, iy = 0.0, r = 0.0, sx = 1.0, sy = 1.0;
    uint32_t fp = 0; /* start of the last group read */
    while (group != 0) {
        if (fim_ftell(fh, &fp) < 0 || get_grpnm(fh, &group, text) < 0)
            return ST_INVALID;
        switch (group) {
        case 10:
            ix = dxf_atof(text);
            break;
        case 20:
            iy = dxf_atof(text);
            break;
        case 41:
            sx = dxf_atof(text);
            break;
        case 42:
            sy = dxf_atof(text);
            break;
        case 50:
            r = dxf_atof(text);
            break;
        default:
            break;
        }
    }
    if (fim_fseek(fh, fp, 0) < 0)
        return ST_INVALID;

    uint32_t len = uint32_t(std::strlen(name));
    uint32_t item;
    if (new_item(ITEM_INSERT + ((len + 8) & ~7u), &item) < 0)
        return ST_INVALID;
    *at(cur + OFF_INC) = 1;
    put_d(item, 100.0);
    put_d(item + 8, ix);
    put_d(item + 16, iy);
    put_d(item + 24, sx);
    put_d(item + 32, sy);
    put_d(item + 40, r);
    std::memcpy(at(item + ITEM_INSERT), name, len); /* the NUL and fill are already zero */
    return 0;
}

/* ---- resolving pass ----
 *
 * A reference is replaced by the items of the record it names once that record is resolved
 * itself; the items of a record never change after that, and each record's references are
 * replaced in their order, so the store that results does not depend on the order in which
 * the replacements are made. They are made in sweeps over the whole store: a sweep plans the
 * replacements that can be made (and removes references to names without a record), grows the
 * store once and moves every byte at most twice, so a sweep costs the store's size however
 * many references it replaces. Sweeps run alternately from the first record to the last and
 * from the last to the first; a sweep may copy records resolved earlier in the same sweep, so
 * nesting defined in either order needs one or two sweeps. */

/* One replacement of a sweep. */
struct PIECE {
    uint32_t rec;      /* number of the record that holds the reference */
    uint32_t src;      /* store offset of the reference item before the sweep */
    uint32_t old_size; /* bytes of the reference item */
    int32_t p;         /* number of the record copied; -1: the reference is removed */
    uint32_t new_size; /* bytes of the copy */
    uint32_t dst;      /* store offset of the copy after the sweep */
};

static std::vector<uint32_t> recoff;  /* store offset of each record, by number */
static std::vector<uint32_t> recsize; /* size of each record (its next) */
static std::vector<uint32_t> newsize; /* size of each record after the planned sweep */
static std::vector<uint32_t> resume;  /* where a record's walk goes on, from its start */
static std::vector<uint8_t> pending;  /* the record still holds references */
static std::vector<uint8_t> done_now; /* the planned sweep resolves the record */
static std::vector<PIECE> pieces;     /* replacements of the planned sweep, by src */
static std::unordered_map<std::string, uint32_t> byname; /* first record of each name */
static uint32_t store_size;                              /* the store's size in bytes */

static int item_type(uint32_t off) {
    return dxf_trunc(get_d(off));
}

/* Plans one sweep: for every record that holds references, its references from where its
 * walk stopped, up to the first one naming a record that is not resolved (or resolved in this
 * sweep but not yet passed by it). Returns non-zero when the sweep changes anything. */
static int plan_sweep(int forward) {
    uint32_t n = uint32_t(recsize.size());
    pieces.clear();
    newsize = recsize;
    done_now.assign(n, 0);
    int progress = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t k = forward ? i : n - 1 - i;
        if (!pending[k])
            continue;
        uint32_t base = recoff[k], pos = resume[k];
        int64_t grow = 0;
        size_t first = pieces.size();
        while (pos < recsize[k]) {
            uint32_t left = recsize[k] - pos;
            int t = item_type(base + pos);
            if ((t == 0 || t == 1) && left >= ITEM_POINT) {
                pos += ITEM_POINT;
                continue;
            }
            if (t == 3 && left >= ITEM_ARC) {
                pos += ITEM_ARC;
                continue;
            }
            if (t != 100 || left <= ITEM_INSERT)
                break; /* cannot occur: the record stays unresolved */
            const char* nameI = reinterpret_cast<const char*>(at(base + pos + ITEM_INSERT));
            uint32_t len = bounded_len(nameI, left - ITEM_INSERT - 1);
            uint32_t old_size = ITEM_INSERT + ((len + 8) & ~7u);
            auto found = byname.find(std::string(nameI, len < NAMEKEEP ? len : NAMEKEEP));
            PIECE piece = {k, base + pos, old_size, -1, 0, 0};
            if (found != byname.end()) {
                uint32_t p = found->second;
                /* Resolved before the sweep, or by it already: the sweep has passed p. */
                if (pending[p] && !done_now[p])
                    break;
                piece.p = int32_t(p);
                piece.new_size = newsize[p] - BLKHDR;
            }
            pieces.push_back(piece);
            grow += int64_t(piece.new_size) - int64_t(old_size);
            pos += old_size;
        }
        if (pos >= recsize[k])
            done_now[k] = 1;
        if (pieces.size() != first || done_now[k])
            progress = 1;
        int64_t size = int64_t(recsize[k]) + grow;
        newsize[k] = size > int64_t(STOREMAX) ? STOREMAX + 1u : uint32_t(size);
        resume[k] = uint32_t(int64_t(pos) + grow); /* in the record as the sweep leaves it */
    }
    if (!forward) {
        /* Planned record by record from the last; carried out by store offset. */
        std::sort(pieces.begin(), pieces.end(),
                  [](const PIECE& a, const PIECE& b) { return a.src < b.src; });
    }
    return progress;
}

/* Writes at dst the items of record number p (whose record starts at store offset prec),
 * placed by the reference whose point and scales are given. */
static void copy_items(uint32_t dst, uint32_t prec, uint32_t psize, double ix, double iy, double sx,
                       double sy) {
    double pmaxx = get_d(prec + OFF_MAXX), pminx = get_d(prec + OFF_MINX);
    double pmaxy = get_d(prec + OFF_MAXY), pminy = get_d(prec + OFF_MINY);
    double ax = std::fabs(sx), ay = std::fabs(sy);
    uint32_t src = prec + BLKHDR, end = prec + psize;
    while (src < end) {
        int t = item_type(src);
        uint32_t n = (t == 3) ? ITEM_ARC : ITEM_POINT;
        if ((t != 0 && t != 1 && t != 3) || n > end - src) {
            std::memmove(at(dst), at(src), end - src); /* cannot occur in a resolved record */
            return;
        }
        /* Points and arc centres alike: scaled about p's lower-left extent corner, mirrored
         * inside the scaled extents, then moved to the insertion point. */
        double x = ax * (get_d(src + 8) - pminx) + pminx;
        double y = ay * (get_d(src + 16) - pminy) + pminy;
        if (sx < 0)
            x = ax * pmaxx - x;
        if (sy < 0)
            y = ay * pmaxy - y;
        x += ix;
        y += iy;
        std::memmove(at(dst), at(src), n); /* type, and an arc's angles */
        put_d(dst + 8, x);
        put_d(dst + 16, y);
        if (t == 3)
            put_d(dst + 24, get_d(src + 24) * ax);
        src += n;
        dst += n;
    }
}

/* Replaces the reference item now at ref by its copy at dst; the referenced record starts at
 * prec. The reference is read before anything is written. */
static void replace_piece(const PIECE& piece, uint32_t ref, uint32_t dst, uint32_t prec) {
    if (piece.p < 0)
        return;
    double ix = get_d(ref + 8), iy = get_d(ref + 16);
    double sx = get_d(ref + 24), sy = get_d(ref + 32);
    copy_items(dst, prec, newsize[uint32_t(piece.p)], ix, iy, sx, sy);
}

/* Widens the extents of the record whose header is at rec by the copy of size bytes at q. */
static void widen_copy(uint32_t rec, uint32_t q, uint32_t size) {
    for (uint32_t end = q + size; q < end;) {
        int t = item_type(q);
        if (t == 3) {
            widen_arc(rec, get_d(q + 8), get_d(q + 16), get_d(q + 24));
            q += ITEM_ARC;
        } else if (t == 0 || t == 1) {
            widen_x(rec, get_d(q + 8));
            widen_y(rec, get_d(q + 16));
            q += ITEM_POINT;
        } else {
            break;
        }
    }
}

/* Carries out the planned sweep. 0, or -1 when the store cannot grow (the store is then as it
 * was) or cannot be cut back to its size afterwards. */
static int32_t run_sweep(int forward) {
    uint32_t n = uint32_t(recsize.size());
    int64_t gpos = 0, gneg = 0; /* bytes the replacements add, and remove */
    for (const PIECE& piece : pieces) {
        int64_t d = int64_t(piece.new_size) - int64_t(piece.old_size);
        (d > 0 ? gpos : gneg) += d > 0 ? d : -d;
    }
    uint32_t S = store_size;
    if (int64_t(S) + gpos > int64_t(STOREMAX))
        return ST_INVALID;
    uint32_t F = uint32_t(int64_t(S) + gpos - gneg); /* the store's size after the sweep */
    uint32_t W = uint32_t(int64_t(S) + gpos);        /* its size while the sweep runs */
    if (W > S && emm_resz(hObj, W, &pObj) < 0)
        return ST_INVALID;

    /* Where records and copies go. */
    std::vector<uint32_t> newoff(n);
    uint32_t off = 0;
    for (uint32_t k = 0; k < n; ++k) {
        newoff[k] = off;
        off += newsize[k];
    }
    int64_t shift = 0; /* bytes the earlier pieces of the same record add */
    for (size_t i = 0; i < pieces.size(); ++i) {
        PIECE& piece = pieces[i];
        if (i == 0 || pieces[i - 1].rec != piece.rec)
            shift = 0;
        piece.dst = uint32_t(int64_t(newoff[piece.rec]) + (piece.src - recoff[piece.rec]) + shift);
        shift += int64_t(piece.new_size) - int64_t(piece.old_size);
    }

    if (forward) {
        /* Everything moves up by gpos, then is written down from the start: the writes never
         * reach bytes still to be read. A record copied lies before the reference, already
         * written, or after it, still unmoved (it was resolved before the sweep). */
        uint32_t g = uint32_t(gpos);
        std::memmove(at(g), at(0), S);
        uint32_t sp = 0, dp = 0; /* read position (before the move), write position */
        for (const PIECE& piece : pieces) {
            uint32_t raw = piece.src - sp;
            std::memmove(at(dp), at(sp + g), raw);
            dp += raw;
            uint32_t p = uint32_t(piece.p);
            uint32_t prec = piece.p < 0 ? 0 : p < piece.rec ? newoff[p] : recoff[p] + g;
            replace_piece(piece, piece.src + g, dp, prec);
            widen_copy(newoff[piece.rec], dp, piece.new_size); /* its header is in place */
            dp += piece.new_size;
            sp = piece.src + piece.old_size;
        }
        std::memmove(at(dp), at(sp + g), S - sp);
    } else {
        /* Written from the end down into a layout that starts gneg bytes up, so the writes
         * never reach bytes still to be read; then moved down into place. A record copied lies
         * after the reference, already written, or before it, still unmoved. */
        uint32_t g = uint32_t(gneg);
        uint32_t sp = S, dp = g + F;
        for (size_t i = pieces.size(); i-- > 0;) {
            const PIECE& piece = pieces[i];
            uint32_t after = piece.src + piece.old_size;
            uint32_t raw = sp - after;
            dp -= raw;
            std::memmove(at(dp), at(after), raw);
            dp -= piece.new_size;
            uint32_t p = uint32_t(piece.p);
            uint32_t prec = piece.p < 0 ? 0 : p > piece.rec ? g + newoff[p] : recoff[p];
            replace_piece(piece, piece.src, dp, prec);
            sp = piece.src;
            if (i == 0 || pieces[i - 1].rec != piece.rec) {
                /* The record's copies are all written: widen its extents by them in their
                 * order, in its header, which is not moved yet. */
                for (size_t j = i; j < pieces.size() && pieces[j].rec == piece.rec; ++j)
                    widen_copy(recoff[piece.rec], g + pieces[j].dst, pieces[j].new_size);
            }
        }
        std::memmove(at(dp - sp), at(0), sp);
        std::memmove(at(0), at(g), F);
    }
    if (F < W && emm_resz(hObj, F, &pObj) < 0)
        return ST_INVALID;
    store_size = F;

    /* The records as the sweep left them: their sizes and resolved marks. */
    for (uint32_t k = 0; k < n; ++k) {
        recoff[k] = newoff[k];
        if (recsize[k] != newsize[k])
            put_rec_next(newoff[k], newsize[k]);
        if (done_now[k]) {
            pending[k] = 0;
            *at(newoff[k] + OFF_INC) = 0;
        }
    }
    recsize = newsize;
    return 0;
}

/*
 * Resolves every reference. Records that still hold references when no sweep can change
 * anything refer to themselves, directly or through others: alert, -1. -1 also when the store
 * cannot grow. The store is left consistent on every way out.
 */
static int32_t resolve(void) {
    uint32_t n = MAXOBJ;
    recoff.assign(n, 0);
    recsize.assign(n, 0);
    resume.assign(n, BLKHDR);
    pending.assign(n, 0);
    byname.clear();
    store_size = ins_offset;

    uint32_t rec = 0, left = 0;
    for (uint32_t k = 0; k < n; ++k) {
        recoff[k] = rec;
        recsize[k] = rec_next(rec);
        const char* name = reinterpret_cast<const char*>(at(rec));
        byname.emplace(std::string(name, bounded_len(name, NAMEKEEP)), k);
        pending[k] = *at(rec + OFF_INC) != 0;
        left += pending[k];
        rec += recsize[k];
    }
    for (int forward = 1; left > 0; forward = !forward) {
        if (!plan_sweep(forward)) {
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
        int32_t stat = run_sweep(forward);
        if (stat < 0)
            return stat;
        left = 0;
        for (uint32_t k = 0; k < n; ++k)
            left += pending[k];
    }
    return 0;
}

/* Releases the resolving pass's working memory. */
static void resolve_done(void) {
    std::vector<uint32_t>().swap(recoff);
    std::vector<uint32_t>().swap(recsize);
    std::vector<uint32_t>().swap(newsize);
    std::vector<uint32_t>().swap(resume);
    std::vector<uint8_t>().swap(pending);
    std::vector<uint8_t>().swap(done_now);
    std::vector<PIECE>().swap(pieces);
    std::unordered_map<std::string, uint32_t>().swap(byname);
}

/* Reads the section through its "ENDSEC" into a new store and resolves its references.
 * Handlers run only once a record exists. */
static int32_t read_section(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    for (;;) {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_INVALID;
        int32_t stat = 0;
        if (group == 2) {
            stat = open_record(fh, text);
        } else if (group == 0) {
            if (kw_match(text, "ENDSEC"))
                return 0;
            if (MAXOBJ == 0)
                continue;
            if (kw_match(text, "ARC"))
                stat = blk_arc(fh);
            else if (kw_match(text, "LINE"))
                stat = blk_line(fh);
            else if (kw_match(text, "POLYLINE"))
                stat = blk_polyline(fh);
            else if (kw_match(text, "INSERT"))
                stat = blk_insert(fh);
        }
        if (stat < 0)
            return stat;
    }
}

/*
 * GetBlocks: reads the BLOCKS section into a new block store (hObj, MAXOBJ) and resolves it.
 * Returns 0 with the store holding only move, line and arc items; on failure -1 (the store
 * cannot be made or grow, a malformed group, a 65536th record, self-reference) or the status
 * of a failed coordinate read (-2 after the 3-D alert). The store is closed for writing on
 * every way out; what was stored stays there for the section driver to release.
 */
int32_t GetBlocks(int32_t fh, DXF* dxfheader) {
    (void)dxfheader;
    MAXOBJ = 0;
    ins_offset = 0;
    cur = 0;
    offset = 0;
    draw = 0;
    hObj = 0;
    if (emm_alloc(0, 0, &hObj, &pObj) < 0) {
        hObj = 0;
        return ST_INVALID;
    }

    int32_t stat = read_section(fh);
    if (stat >= 0) {
        try {
            stat = resolve();
        } catch (const std::bad_alloc&) {
            stat = ST_INVALID; /* the working index could not be built */
        }
        resolve_done();
    }
    emm_ewrite(hObj); /* on every way out */
    return stat < 0 ? stat : 0;
}
