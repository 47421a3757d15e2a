/*
 * blocks.cpp: the BLOCKS section reader, its reading pass.
 *
 * Receives the open file from the section driver just after the pair (2, "BLOCKS"). Reads
 * every block definition into one host memory block, the block store (layout in blockstore.h):
 * per block a record of its name, the extents of its items, its base point and its items. The
 * group 2 of a BLOCK entity opens a record; ARC, LINE, POLYLINE and INSERT add items to the last
 * record; everything else, the group 2 of any other entity (an attribute's tag, a shape's name,
 * a dimension's block) included, leaves nothing. Once "ENDSEC" is read, the resolving pass
 * (resolve.cpp) replaces every reference by the items of the block it names. Hands on the
 * store (hObj, MAXOBJ), closed for writing, to the entities reader; the section driver releases
 * it.
 */
#include <cstring>
#include <new>

#include "blockstore.h"
#include "dxf.h"

int32_t hObj;
void* pObj;
uint16_t MAXOBJ;

enum : uint32_t {
    MAXRECORDS = 65535, /* records the 16-bit MAXOBJ can count */
};
static const double EXTENT_START = 1.7e308; /* a new record's extents: -this to +this */

/* Reading-pass state of the section being read. */
static uint32_t ins_offset; /* the store's size: where the next bytes are appended */
static uint32_t cur;        /* store offset of the current record (always the last one) */
static uint32_t cur_size;   /* bytes of the current record so far: where its next item goes */
static uint8_t draw;        /* 0 until a polyline's first vertex is stored, then 1 */

static void widen_x(uint32_t rec, double x) {
    store_put_d(rec + REC_MAXX, dxf_larger(store_d(rec + REC_MAXX), x));
    store_put_d(rec + REC_MINX, dxf_smaller(store_d(rec + REC_MINX), x));
}
static void widen_y(uint32_t rec, double y) {
    store_put_d(rec + REC_MAXY, dxf_larger(store_d(rec + REC_MAXY), y));
    store_put_d(rec + REC_MINY, dxf_smaller(store_d(rec + REC_MINY), y));
}

void widen_point(uint32_t rec, double x, double y) {
    widen_x(rec, x);
    widen_y(rec, y);
}

void widen_arc(uint32_t rec, double x, double y, double radius) {
    store_put_d(rec + REC_MINX, dxf_smaller(store_d(rec + REC_MINX), x - radius));
    store_put_d(rec + REC_MAXX, dxf_larger(store_d(rec + REC_MAXX), x + radius));
    store_put_d(rec + REC_MINY, dxf_smaller(store_d(rec + REC_MINY), y - radius));
    store_put_d(rec + REC_MAXY, dxf_larger(store_d(rec + REC_MAXY), y + radius));
}

void placement_group(PLACEMENT* pl, uint32_t group, const char* text) {
    switch (group) {
    case 10:
        pl->ix = dxf_atof(text);
        break;
    case 20:
        pl->iy = dxf_atof(text);
        break;
    case 41:
        pl->sx = dxf_atof(text);
        break;
    case 42:
        pl->sy = dxf_atof(text);
        break;
    case 50:
        pl->r = dxf_atof(text);
        break;
    default:
        break;
    }
}

/* Appends n zero bytes to the store. 0, or ST_NOROOM when the store cannot grow (the host's
 * limit, or the store's own); the store is then as it was. */
static int32_t append(uint32_t n) {
    if (n > STOREMAX - ins_offset)
        return ST_NOROOM;
    if (emm_ins(hObj, ins_offset, n, &pObj) < 0)
        return ST_NOROOM;
    std::memset(store_at(ins_offset), 0, n);
    ins_offset += n;
    return 0;
}

/* Grows the current record by an item of n bytes; the item's store offset in *pitem. The
 * record's next follows, so it is always the record's size. 0 or ST_NOROOM. */
static int32_t new_item(uint32_t n, uint32_t* pitem) {
    *pitem = ins_offset;
    if (append(n) < 0)
        return ST_NOROOM;
    cur_size += n;
    rec_set_next(cur, cur_size);
    return 0;
}

/* Opens a record named text (its first 39 characters) and reads its base point from the
 * groups that follow. 0; ST_INVALID (a 65536th record); ST_NOROOM; or the status of the base
 * point's read. */
static int32_t open_record(int32_t fh, const char* text) {
    if (MAXOBJ >= MAXRECORDS) {
        dxf_alert(IDD_INVALID);
        return ST_INVALID;
    }
    uint32_t rec = ins_offset;
    if (append(BLKHDR) < 0)
        return ST_NOROOM;
    MAXOBJ += 1;
    cur = rec;
    cur_size = BLKHDR;
    copy_text(reinterpret_cast<char*>(store_at(rec)), text, NAMELEN);
    rec_set_next(rec, BLKHDR);
    store_put_d(rec + REC_MAXX, -EXTENT_START);
    store_put_d(rec + REC_MINX, EXTENT_START);
    store_put_d(rec + REC_MAXY, -EXTENT_START);
    store_put_d(rec + REC_MINY, EXTENT_START);

    double bx = 0.0, by = 0.0; /* base point */
    int32_t stat = get_coordinates(fh, &bx, &by, nullptr, nullptr, nullptr);
    if (stat < 0)
        return stat;
    store_put_d(rec + REC_BASEX, bx);
    store_put_d(rec + REC_BASEY, by);
    return 0;
}

/* ARC: centre (10, 20), radius (40), start angle (50), then the end angle from the group that
 * follows, which must be 51 to 58. 0; the coordinate read's status; ST_NOROOM; or ST_READ. */
static int32_t blk_arc(int32_t fh) {
    double ix = 0.0, iy = 0.0, r = 0.0, sa = 0.0; /* centre, radius, start angle */
    int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, &r, &sa);
    if (stat < 0)
        return stat;
    uint32_t item;
    if (new_item(ARC_SIZE, &item) < 0)
        return ST_NOROOM;
    store_put_d(item, ITEM_ARC);
    store_put_d(item + ITEM_X, ix);
    store_put_d(item + ITEM_Y, iy);
    store_put_d(item + ARC_RADIUS, r);
    store_put_d(item + ARC_START, sa); /* the end angle stays 0.0 until it is read */

    char text[TEXTLEN];
    uint32_t group = 0;
    if (get_grpnm(fh, &group, text) < 0 || group < 51 || group > 58)
        return ST_READ;
    store_put_d(item + ARC_END, dxf_atof(text));
    widen_arc(cur, ix, iy, r);
    return 0;
}

/* LINE: a move item to the start point and a draw item to the end point. The start point's
 * z group, when it follows directly, is passed over. 0; a coordinate read's status; ST_NOROOM;
 * or ST_READ. */
static int32_t blk_line(int32_t fh) {
    uint32_t item;
    if (new_item(2 * POINT_SIZE, &item) < 0)
        return ST_NOROOM;
    store_put_d(item + POINT_SIZE, ITEM_DRAW); /* [0, 0, 0] and [1, 0, 0] until read */
    for (uint32_t cnt = 0; cnt < 2; ++cnt) {
        double ix = 0.0, iy = 0.0;
        int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, nullptr, nullptr);
        if (stat < 0)
            return stat;
        uint32_t pt = item + cnt * POINT_SIZE;
        store_put_d(pt + ITEM_X, ix);
        store_put_d(pt + ITEM_Y, iy);
        widen_point(cur, ix, iy);
        if (cnt == 0) {
            /* get_coordinates would refuse the start point's z as 3-D data: drop it here,
             * and give any other group back to the next read. */
            uint32_t fp = 0;
            char text[TEXTLEN];
            uint32_t group = 0;
            if (fim_ftell(fh, &fp) < 0)
                return ST_READ;
            get_grpnm(fh, &group, text); /* a failure shows in the next read */
            if ((group < 30 || group > 38) && fim_fseek(fh, fp, 0) < 0)
                return ST_READ;
        }
    }
    return 0;
}

/* POLYLINE: one item per vertex, made by its group 10 and completed by its group 20; the
 * first vertex is a move, later ones draws. Ends at "SEQEND", or at "ENDBLK" without one (the
 * next polyline then carries on drawing). 0, ST_NOROOM or ST_READ. */
static int32_t blk_polyline(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    do {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_READ;
    } while (!kw_match(text, "VERTEX"));

    uint32_t vtx = 0; /* store offset of the item the last group 10 opened */
    int have_vtx = 0; /* a group 10 of this polyline was read */
    for (;;) {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_READ;
        if (kw_match(text, "ENDBLK"))
            return 0;
        if (kw_match(text, "SEQEND")) {
            draw = 0;
            return 0;
        }
        if (group == 10) {
            if (new_item(POINT_SIZE, &vtx) < 0)
                return ST_NOROOM;
            double x = dxf_atof(text);
            store_put_d(vtx, draw); /* y stays 0.0 until its group 20 */
            store_put_d(vtx + ITEM_X, x);
            draw = 1;
            have_vtx = 1;
            widen_x(cur, x);
        } else if (group == 20 && have_vtx) {
            double y = dxf_atof(text);
            store_put_d(vtx + ITEM_Y, y);
            widen_y(cur, y);
        }
    }
}

/* INSERT: a reference item naming the block of its group 2, with its insertion point,
 * scale factors and rotation. The file is left at the group 0 that ends the INSERT.
 * 0, ST_NOROOM or ST_READ. */
static int32_t blk_insert(int32_t fh) {
    char text[TEXTLEN];
    char name[TEXTLEN];
    uint32_t group = 0;
    do {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_READ;
    } while (group != 2);
    std::strcpy(name, text);

    PLACEMENT pl = placement_start();
    uint32_t fp = 0; /* start of the last group read */
    while (group != 0) {
        if (fim_ftell(fh, &fp) < 0 || get_grpnm(fh, &group, text) < 0)
            return ST_READ;
        placement_group(&pl, group, text);
    }
    if (fim_fseek(fh, fp, 0) < 0)
        return ST_READ;

    uint32_t len = uint32_t(std::strlen(name));
    uint32_t item;
    if (new_item(insert_size(len), &item) < 0)
        return ST_NOROOM;
    *store_at(cur + REC_INC) = 1;
    store_put_d(item, ITEM_INSERT);
    store_put_d(item + ITEM_X, pl.ix);
    store_put_d(item + ITEM_Y, pl.iy);
    store_put_d(item + INSERT_SX, pl.sx);
    store_put_d(item + INSERT_SY, pl.sy);
    store_put_d(item + INSERT_ROT, pl.r);
    std::memcpy(store_at(item + INSERT_NAME), name, len); /* the NUL and fill are already 0 */
    return 0;
}

/* Reads the section through its "ENDSEC" into the new store. A group 2 opens a record only
 * inside a BLOCK entity: while the last group 0 that this loop read (not one that a handler
 * read) begins with "BLOCK". Handlers run only once a record exists. 0, or the status of the
 * failing step. */
static int32_t read_section(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    int in_block = 0; /* the loop's last group 0 begins with "BLOCK" */
    for (;;) {
        if (get_grpnm(fh, &group, text) < 0)
            return ST_READ;
        int32_t stat = 0;
        if (group == 2) {
            if (in_block)
                stat = open_record(fh, text);
        } else if (group == 0) {
            in_block = kw_match(text, "BLOCK");
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
 * Returns 0 with the store holding only move, draw and arc items. On failure: ST_READ (a failed
 * read or a malformed group), ST_NOROOM (the store cannot be made or grow), ST_INVALID (a
 * 65536th record, or blocks that refer to themselves: alert shown), or the status of a failed
 * coordinate read (ST_NOT3D after the 3-D alert). The store is closed for writing on every way
 * out; what was stored stays there for the section driver to release.
 */
int32_t GetBlocks(int32_t fh, DXF* dxfheader) {
    (void)dxfheader;
    MAXOBJ = 0;
    ins_offset = 0;
    cur = 0;
    cur_size = 0;
    draw = 0;
    hObj = 0;
    if (emm_alloc(0, 0, &hObj, &pObj) < 0) {
        hObj = 0;
        return ST_NOROOM;
    }

    int32_t stat = read_section(fh);
    if (stat >= 0) {
        try {
            stat = resolve_blocks(ins_offset);
        } catch (const std::bad_alloc&) {
            stat = ST_NOROOM; /* the working index could not be built */
        }
        resolve_done();
    }
    emm_ewrite(hObj); /* on every way out */
    return stat < 0 ? stat : 0;
}
