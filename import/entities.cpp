/*
 * entities.cpp: the ENTITIES section reader.
 *
 * Receives the open file from the section driver just after the pair (2, "ENTITIES"), with
 * the drawing-to-object mapping derived (dminx, dminy, dwidth, dheight) and the block store
 * of the BLOCKS section, if there was one (hObj, pObj, MAXOBJ). Hands LINE and POLYLINE to
 * their converters, makes one record of each CIRCLE and ARC, and one record of each INSERT
 * holding every item of the block it names: the block's base point lands on the insertion
 * point, the block is scaled (and mirrored by a negative scale) about it, and the record's box
 * is the placed block's extents. Rotation is read but not applied. Every other entity is passed
 * over. Hands on the records through
 * the record writer; the file is left after the section's "ENDSEC".
 */
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "blockstore.h"
#include "dxf.h"

/* Things the main loop does at a keyword. */
enum : int { ENT_END, ENT_SKIP, ENT_LINE, ENT_CIRCLE, ENT_ARC, ENT_POLYLINE, ENT_INSERT };

/* The keywords, in the order they are compared; the first that begins the value decides. */
static const struct {
    const char* keyword; /* compared over its own length */
    int action;          /* what the main loop does */
} keywords[] = {
    {"ENDSEC", ENT_END},  {"LINE", ENT_LINE},     {"POINT", ENT_SKIP},  {"CIRCLE", ENT_CIRCLE},
    {"ARC", ENT_ARC},     {"SOLID", ENT_SKIP},    {"TEXT", ENT_SKIP},   {"SHAPE", ENT_SKIP},
    {"BLOCK", ENT_SKIP},  {"ATTDEF", ENT_SKIP},   {"ATTRIB", ENT_SKIP}, {"POLYLINE", ENT_POLYLINE},
    {"3DFACE", ENT_SKIP}, {"INSERT", ENT_INSERT},
};

/* Block records by name (their first 39 characters) -> store offset of the first record in
 * store order with that name. Built at the section's first INSERT; the store does not change
 * while the section is read, so the offsets hold. */
static std::unordered_map<std::string, uint32_t> blockindex;
static int indexed; /* blockindex is built for this section */

/* A value kept in a 16-bit word: its low 16 bits. */
static int16_t low16(int32_t v) {
    return int16_t(uint16_t(uint32_t(v) & 0xFFFFu));
}

/* Indexes the records of the open store: at most MAXOBJ of them, none past its end. */
static void build_index(void) {
    blockindex.clear();
    uint32_t size = 0;
    if (emm_size(hObj, &size) < 0)
        return;
    uint32_t rec = 0;
    for (uint32_t k = 0; k < MAXOBJ && size - rec >= BLKHDR; ++k) {
        uint32_t next = rec_next(rec);
        if (next < BLKHDR || next > size - rec)
            break;
        const char* name = reinterpret_cast<const char*>(store_at(rec));
        /* the first of a name stays */
        blockindex.emplace(std::string(name, bounded_len(name, NAMEKEEP)), rec);
        rec += next;
    }
}

/* Store offset of the record named text (first 39 characters compared); 0 with *found clear
 * when none is. */
static uint32_t find_block(const char* text, int* found) {
    std::size_t len = std::strlen(text);
    auto it = blockindex.find(
        std::string(text, len < std::size_t(NAMEKEEP) ? len : std::size_t(NAMEKEEP)));
    *found = it != blockindex.end();
    return *found ? it->second : 0;
}

/* Writes the box of a circle of radius r about (ix, iy), as the circle and the arc have it. */
static void circle_box(double ix, double iy, double r) {
    double height = r * 2.0;
    double width = height;
    pvoh->xpos = dxf_t16(grid_x(ix - r));
    pvoh->width = uint16_t(dxf_t16(grid_w(width)));
    pvoh->height = uint16_t(dxf_t16(grid_h(height)));
    pvoh->ypos = low16(GRID - dxf_t16(grid_y(r + iy)));
}

/* CIRCLE: one record with a full circle filling its box. 0; the coordinate read's status;
 * or the writer's status. */
static int32_t circle(int32_t fh) {
    double ix = 0.0, iy = 0.0, r = 0.0; /* centre, radius */
    int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, &r, nullptr);
    if (stat < 0)
        return stat;
    stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    circle_box(ix, iy, r);
    stat = insert_nexel(9, 8192, 8192, 8192, 0, 0, 0);
    if (stat >= 0)
        stat = insert_nexel(15, 0, 0, 0, 0, 0, 0);
    if (stat >= 0)
        set_fixed_attributes(1);
    return stat;
}

/* ARC: one record with an arc in the box of its full circle. The end angle is the value of
 * the group after the start angle, whatever its code. 0; the coordinate read's status; or the
 * writer's status. */
static int32_t arc(int32_t fh) {
    double ix = 0.0, iy = 0.0, r = 0.0, sx = 0.0, sy = 0.0; /* centre, radius, angles */
    int32_t stat = get_coordinates(fh, &ix, &iy, nullptr, &r, &sx);
    if (stat < 0)
        return stat;
    stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    char text[TEXTLEN];
    uint32_t group = 0;
    get_grpnm(fh, &group, text); /* a failure shows in the main loop's next read */
    sy = dxf_atof(text);
    circle_box(ix, iy, r);
    stat = insert_nexel(3, 8192, 8192, 8192, 8192, dxf_t16(sx), dxf_t16(sy));
    if (stat >= 0)
        stat = insert_nexel(15, 0, 0, 0, 0, 0, 0);
    if (stat >= 0)
        set_fixed_attributes(1);
    return stat;
}

/* Makes the record of an INSERT of the block at store offset rec (which has items), placed
 * by pl: the block's base point on the insertion point, scaled by sx, sy about it. The box is
 * the block's extents so placed (mirrored blocks extend to the left or below), and every item
 * is mapped into it; the arcs of a mirrored block get mirrored angles. An item of an unknown
 * type ends the items. 0, or the writer's first negative status. */
static int32_t expand(uint32_t rec, PLACEMENT pl) {
    double maxx = store_d(rec + REC_MAXX), minx = store_d(rec + REC_MINX);
    double maxy = store_d(rec + REC_MAXY), miny = store_d(rec + REC_MINY);
    double bx = store_d(rec + REC_BASEX), by = store_d(rec + REC_BASEY);
    uint32_t items = rec_next(rec) - BLKHDR; /* bytes of items */
    double sx = pl.sx, sy = pl.sy;
    double width = (maxx - minx) * sx;
    double height = (maxy - miny) * sy;
    int32_t stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    /* Where the extents' lower-left corner lands when the base point is on the insertion
     * point; then the placed box's lower-left corner. */
    double ix = pl.ix + sx * (minx - bx);
    double iy = pl.iy + sy * (miny - by);
    if (width < 0)
        ix += width;
    if (height < 0)
        iy += height;
    width = std::fabs(width);
    height = std::fabs(height);
    pvoh->xpos = dxf_t16(grid_x(ix));
    pvoh->width = uint16_t(dxf_t16(grid_w(width)));
    pvoh->height = uint16_t(dxf_t16(grid_h(height)));
    pvoh->ypos = dxf_t16(grid_h(dheight - (iy - dminy) - height));

    double ax = std::fabs(sx), ay = std::fabs(sy);
    uint32_t cnt = 0;
    while (cnt < items) {
        uint32_t item = rec + BLKHDR + cnt;
        int type = item_type(item);
        uint32_t size = type == ITEM_ARC ? ARC_SIZE : POINT_SIZE;
        if ((type != ITEM_MOVE && type != ITEM_DRAW && type != ITEM_ARC) || size > items - cnt)
            break; /* nothing but moves, draws and arcs is drawn */
        int16_t x = dxf_t16(ax * (store_d(item + ITEM_X) - minx) * GRID / width + 0.5);
        int16_t y = dxf_t16(ay * (store_d(item + ITEM_Y) - miny) * GRID / height + 0.5);
        if (sx < 0)
            x = low16(GRID - x);
        if (sy < 0)
            y = low16(GRID - y);
        if (type == ITEM_ARC) {
            double radius = store_d(item + ARC_RADIUS);
            double start = store_d(item + ARC_START), stop = store_d(item + ARC_END);
            mirror_angles(sx, sy, &start, &stop);
            int16_t arc_rx = dxf_t16(ax * radius * GRID / width + 0.5);
            int16_t arc_ry = dxf_t16(ay * radius * GRID / height + 0.5);
            stat =
                insert_nexel(3, x, low16(GRID - y), arc_rx, arc_ry, dxf_t16(start), dxf_t16(stop));
        } else {
            stat = insert_nexel(int16_t(type), x, low16(GRID - y), 0, 0, 0, 0);
        }
        if (stat < 0)
            return stat;
        cnt += size;
    }
    stat = insert_nexel(15, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    set_fixed_attributes(1);
    return 0;
}

/*
 * INSERT: reads the entity's groups, noting where each begins, up to the group 0 that ends
 * it (attribute entities announced by a group 66 of 1 are read through their "SEQEND"), then
 * makes the record of the named block and puts the file back at the start of the last group
 * read, for the main loop to read it again. An INSERT that names no block, or a block with
 * no record or no items, or that comes without a block store, makes no record. Returns the
 * status of ending the store's read access and of the return in the file; a failed read
 * inside the entity leaves the main loop to meet the failure again. The host's status when
 * the store cannot be opened, the file position cannot be taken, or the record cannot grow.
 */
static int32_t insert(int32_t fh) {
    int32_t stat = 0;
    int store = hObj != 0; /* a block store exists */
    if (store) {
        stat = emm_read(hObj, &pObj, 0);
        if (stat < 0)
            return stat;
        if (!indexed) {
            build_index();
            indexed = 1;
        }
    }

    char text[TEXTLEN];
    uint32_t group = 0;
    PLACEMENT pl = placement_start();
    int found = 0;     /* a block is chosen */
    uint32_t rec = 0;  /* its record's store offset */
    uint32_t last = 0; /* start of the last group read */
    do {
        stat = fim_ftell(fh, &last);
        if (stat < 0) {
            /* Without the position the file cannot be put back: the section ends. */
            if (store)
                emm_eread(hObj);
            return stat;
        }
        stat = get_grpnm(fh, &group, text);
        if (group == 2) {
            rec = store ? find_block(text, &found) : 0;
        } else if (group == 66) {
            if (dxf_atol(text) == 1) {
                while (stat >= 0) {
                    stat = get_grpnm(fh, &group, text);
                    if (kw_match(text, "SEQEND"))
                        break;
                }
            }
        } else {
            placement_group(&pl, group, text);
        }
    } while (group != 0 && stat >= 0);

    if (found && rec_next(rec) > BLKHDR) {
        stat = expand(rec, pl);
        if (stat < 0) {
            emm_eread(hObj);
            return stat;
        }
    }
    stat = store ? emm_eread(hObj) : 0;
    if (stat >= 0)
        stat = fim_fseek(fh, last, 0);
    return stat;
}

/* Which keyword the value begins with; ENT_SKIP for none. */
static int keyword_action(const char* text) {
    for (const auto& k : keywords)
        if (kw_match(text, k.keyword))
            return k.action;
    return ENT_SKIP;
}

/*
 * GetEntities: converts the section's entities into records, up to and including its
 * "ENDSEC". Returns 0 then; otherwise the negative status that ended the section: a failed
 * read, -2 after the 3-D alert (a z coordinate in a circle or an arc), a converter's failure,
 * or the host's status when the object or the block store fails.
 */
int32_t GetEntities(int32_t fh, DXF* dxfheader) {
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    indexed = 0;
    try {
        while (stat >= 0) {
            stat = get_grpnm(fh, &group, text); /* the group counts even if the read failed */
            if (group != 0)
                continue;
            switch (keyword_action(text)) {
            case ENT_END:
                blockindex.clear();
                return 0;
            case ENT_LINE:
                stat = draw_line(fh, dxfheader);
                break;
            case ENT_CIRCLE:
                stat = circle(fh);
                break;
            case ENT_ARC:
                stat = arc(fh);
                break;
            case ENT_POLYLINE:
                stat = draw_polyline(fh, dxfheader);
                break;
            case ENT_INSERT:
                stat = insert(fh);
                break;
            default:
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        /* The block index could not be built; the store is open for reading then. */
        emm_eread(hObj);
        stat = KST_NOMEMORY;
    }
    blockindex.clear();
    return stat;
}
