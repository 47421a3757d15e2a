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

/* "The larger" and "the smaller": the new value when it is at least (at most) the old one,
 * so a NaN never replaces an extent. */
static double larger(double old, double v) {
    return v >= old ? v : old;
}
static double smaller(double old, double v) {
    return v <= old ? v : old;
}
static void widen_x(uint32_t rec, double x) {
    put_d(rec + OFF_MAXX, larger(get_d(rec + OFF_MAXX), x));
    put_d(rec + OFF_MINX, smaller(get_d(rec + OFF_MINX), x));
}
static void widen_y(uint32_t rec, double y) {
    put_d(rec + OFF_MAXY, larger(get_d(rec + OFF_MAXY), y));
    put_d(rec + OFF_MINY, smaller(get_d(rec + OFF_MINY), y));
}
/* Widens the extents of record rec by an arc: the centre minus the radius for the minima,
 * plus the radius for the maxima. */
static void widen_arc(uint32_t rec, double x, double y, double radius) {
    put_d(rec + OFF_MINX, smaller(get_d(rec + OFF_MINX), x - radius));
    put_d(rec + OFF_MAXX, larger(get_d(rec + OFF_MAXX), x + radius));
    put_d(rec + OFF_MINY, smaller(get_d(rec + OFF_MINY), y - radius));
    put_d(rec + OFF_MAXY, larger(get_d(rec + OFF_MAXY), y + radius));
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
    std::strncpy(reinterpret_cast<char*>(at(rec)), text, NAMEKEEP); /* zero-filled after */
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

/* ---- resolving pass ---- */

/* Records of the store while references are resolved. Records change size as references are
 * replaced, so their offsets come from a running-sum tree over their sizes. */
static std::vector<uint32_t> recsize; /* size of each record (its next), by number */
static std::vector<int64_t> sizetree; /* Fenwick tree over recsize */
static std::vector<uint32_t> resume;  /* where the walk of each record goes on, from its start */
static std::vector<int32_t> waithead; /* first record waiting for this one, -1 for none */
static std::vector<int32_t> waitlink; /* next record waiting for the same one, -1 for none */
static std::unordered_map<std::string, uint32_t> byname; /* first record of each name */
static uint32_t store_size;                              /* the store's size in bytes */

static void tree_add(uint32_t k, int64_t d) {
    for (size_t i = size_t(k) + 1; i <= sizetree.size(); i += i & (~i + 1))
        sizetree[i - 1] += d;
}
/* Store offset of record k: the sizes of the records before it. */
static uint32_t record_offset(uint32_t k) {
    int64_t sum = 0;
    for (size_t i = k; i > 0; i -= i & (~i + 1))
        sum += sizetree[i - 1];
    return uint32_t(sum);
}

static void set_size(uint32_t k, uint32_t rec, uint32_t size) {
    tree_add(k, int64_t(size) - int64_t(recsize[k]));
    recsize[k] = size;
    put_rec_next(rec, size);
}

static int item_type(uint32_t off) {
    return dxf_trunc(get_d(off));
}

/* Replaces the reference item at store offset ins (in record number b at store offset brec)
 * by a copy of the items of record number p, placed by the reference's point and scales.
 * old_size is the reference's size. Returns the copy's size, or -1 when the store cannot
 * change (nothing is copied then). */
static int64_t replace_item(uint32_t b, uint32_t brec, uint32_t ins, uint32_t old_size,
                            uint32_t p) {
    double ix = get_d(ins + 8), iy = get_d(ins + 16);
    double sx = get_d(ins + 24), sy = get_d(ins + 32);
    uint32_t new_size = recsize[p] - BLKHDR;
    int64_t d = int64_t(new_size) - int64_t(old_size);
    if (int64_t(store_size) + d > int64_t(STOREMAX))
        return -1;
    if (emm_indel(hObj, ins, int32_t(d), &pObj) < 0)
        return -1;
    store_size = uint32_t(int64_t(store_size) + d);
    set_size(b, brec, uint32_t(int64_t(recsize[b]) + d));

    uint32_t prec = record_offset(p); /* after the change: p may lie behind b */
    double pmaxx = get_d(prec + OFF_MAXX), pminx = get_d(prec + OFF_MINX);
    double pmaxy = get_d(prec + OFF_MAXY), pminy = get_d(prec + OFF_MINY);
    double ax = std::fabs(sx), ay = std::fabs(sy);
    uint32_t src = prec + BLKHDR, end = prec + recsize[p], dst = ins;
    while (src < end) {
        int t = item_type(src);
        uint32_t n = (t == 3) ? ITEM_ARC : ITEM_POINT;
        if ((t != 0 && t != 1 && t != 3) || n > end - src) {
            std::memmove(at(dst), at(src), end - src); /* cannot occur in a resolved record */
            break;
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
        std::memcpy(at(dst), at(src), n); /* type, and an arc's angles */
        put_d(dst + 8, x);
        put_d(dst + 16, y);
        if (t == 3) {
            double radius = get_d(src + 24) * ax;
            put_d(dst + 24, radius);
            widen_arc(brec, x, y, radius);
        } else {
            widen_x(brec, x);
            widen_y(brec, y);
        }
        src += n;
        dst += n;
    }
    return new_size;
}

/* Walks record number b from where it stopped. Each reference is replaced by the items of the
 * block it names, or removed when no record bears that name. The walk stops at a reference to
 * a record that is not resolved yet (b then waits for it, *waiting set); otherwise b is
 * resolved. 0, or -1 when the store cannot change. */
static int32_t walk_record(uint32_t b, int* waiting) {
    uint32_t brec = record_offset(b);
    uint32_t pos = resume[b];
    *waiting = 0;
    while (pos < recsize[b]) {
        uint32_t item = brec + pos;
        uint32_t left = recsize[b] - pos;
        int t = item_type(item);
        if ((t == 0 || t == 1) && left >= ITEM_POINT) {
            pos += ITEM_POINT;
            continue;
        }
        if (t == 3 && left >= ITEM_ARC) {
            pos += ITEM_ARC;
            continue;
        }
        if (t != 100 || left <= ITEM_INSERT) {
            *waiting = 1; /* an item the store cannot hold: b stays unresolved */
            resume[b] = pos;
            return 0;
        }
        const char* nameI = reinterpret_cast<const char*>(at(item + ITEM_INSERT));
        uint32_t len = uint32_t(bounded_len(nameI, left - ITEM_INSERT - 1));
        uint32_t old_size = ITEM_INSERT + ((len + 8) & ~7u);
        auto found = byname.find(std::string(nameI, len < NAMEKEEP ? len : NAMEKEEP));
        if (found == byname.end()) {
            /* No record bears the name: the reference goes, the rest of b stays. */
            if (emm_indel(hObj, item, -int32_t(old_size), &pObj) < 0)
                return ST_INVALID;
            store_size -= old_size;
            set_size(b, brec, recsize[b] - old_size);
            continue;
        }
        uint32_t p = found->second;
        if (*at(record_offset(p) + OFF_INC) != 0) {
            resume[b] = pos;
            waitlink[b] = waithead[p];
            waithead[p] = int32_t(b);
            *waiting = 1;
            return 0;
        }
        int64_t n = replace_item(b, brec, item, old_size, p);
        if (n < 0)
            return ST_INVALID;
        pos += uint32_t(n);
    }
    *at(brec + OFF_INC) = 0;
    return 0;
}

/*
 * Resolves every reference. A record is copied into another only once it is resolved itself,
 * and each record's references are replaced in their order, so the result is the same
 * whatever the order of the definitions. Records that still wait when nothing more can be
 * resolved refer to themselves, directly or through others: alert, -1. -1 also when the store
 * cannot grow. The store is left consistent on every way out.
 */
static int32_t resolve(void) {
    uint32_t n = MAXOBJ;
    recsize.assign(n, 0);
    sizetree.assign(n, 0);
    resume.assign(n, BLKHDR);
    waithead.assign(n, -1);
    waitlink.assign(n, -1);
    byname.clear();
    store_size = ins_offset;

    std::vector<uint32_t> ready; /* records to walk, in the order they became walkable */
    uint32_t rec = 0;
    for (uint32_t k = 0; k < n; ++k) {
        uint32_t size = rec_next(rec);
        recsize[k] = size;
        tree_add(k, size);
        const char* name = reinterpret_cast<const char*>(at(rec));
        byname.emplace(std::string(name, bounded_len(name, NAMEKEEP)), k);
        if (*at(rec + OFF_INC) != 0)
            ready.push_back(k);
        rec += size;
    }
    for (size_t i = 0; i < ready.size(); ++i) {
        uint32_t b = ready[i];
        int waiting = 0;
        if (walk_record(b, &waiting) < 0)
            return ST_INVALID;
        if (waiting)
            continue;
        for (int32_t w = waithead[b]; w >= 0; w = waitlink[w])
            ready.push_back(uint32_t(w));
        waithead[b] = -1;
    }
    rec = 0;
    for (uint32_t k = 0; k < n; rec += recsize[k], ++k) {
        if (*at(rec + OFF_INC) != 0) {
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
    }
    return 0;
}

/* Releases the resolving pass's working memory. */
static void resolve_done(void) {
    std::vector<uint32_t>().swap(recsize);
    std::vector<int64_t>().swap(sizetree);
    std::vector<uint32_t>().swap(resume);
    std::vector<int32_t>().swap(waithead);
    std::vector<int32_t>().swap(waitlink);
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
