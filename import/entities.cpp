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

/* A record that INSERTs can name: its store offset, and the bytes of point data its items
 * make, counted at its first INSERT. */
struct INDEXED {
    uint32_t rec;   /* store offset of the record */
    uint32_t drawn; /* bytes of point data of its items, or NOT_COUNTED */
};
enum : uint32_t { NOT_COUNTED = UINT32_MAX }; /* more than any record's items can make */

/* Block records by name (their first 39 characters) -> the first record in store order with
 * that name. Built at the section's first INSERT; the store does not change while the section
 * is read, so the offsets and counts hold. */
static std::unordered_map<std::string, INDEXED> blockindex;
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
        blockindex.emplace(std::string(name, bounded_len(name, NAMEKEEP)),
                           INDEXED{rec, NOT_COUNTED});
        rec += next;
    }
}

/* The index entry of the record named text (first 39 characters compared), or null when
 * there is none. */
static INDEXED* find_block(const char* text) {
    std::size_t len = std::strlen(text);
    auto it = blockindex.find(
        std::string(text, len < std::size_t(NAMEKEEP) ? len : std::size_t(NAMEKEEP)));
    return it == blockindex.end() ? nullptr : &it->second;
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

/* How the items of a block land in an INSERT's record: the block's extents, the placed box's
 * size on the drawing, and the scale factors (with their sizes). */
struct PLACED {
    double minx, miny;    /* lower-left corner of the block's extents, drawing units */
    double width, height; /* the placed box, drawing units */
    double sx, sy;        /* scale factors; a negative one mirrors */
    double ax, ay;        /* their sizes */
};

/* Bytes of point data the element of an item of this type takes, or 0 when the type is not
 * drawn (the items end there). */
static uint32_t element_bytes(int type) {
    if (type == ITEM_ARC)
        return 20;
    return type == ITEM_MOVE || type == ITEM_DRAW ? 6 : 0;
}

/* The element of the item at store offset item, of type type (a move, a draw or an arc),
 * placed by pm onto the record grid: its insert_nexel arguments in e. */
static void placed_element(uint32_t item, int type, const PLACED* pm, int16_t e[6]) {
    int16_t x = dxf_t16(pm->ax * (store_d(item + ITEM_X) - pm->minx) * GRID / pm->width + 0.5);
    int16_t y = dxf_t16(pm->ay * (store_d(item + ITEM_Y) - pm->miny) * GRID / pm->height + 0.5);
    if (pm->sx < 0)
        x = low16(GRID - x);
    if (pm->sy < 0)
        y = low16(GRID - y);
    e[0] = x;
    e[1] = low16(GRID - y);
    e[2] = e[3] = e[4] = e[5] = 0;
    if (type == ITEM_ARC) {
        double radius = store_d(item + ARC_RADIUS);
        double start = store_d(item + ARC_START), stop = store_d(item + ARC_END);
        mirror_angles(pm->sx, pm->sy, &start, &stop);
        e[2] = dxf_t16(pm->ax * radius * GRID / pm->width + 0.5);
        e[3] = dxf_t16(pm->ay * radius * GRID / pm->height + 0.5);
        e[4] = dxf_t16(start);
        e[5] = dxf_t16(stop);
    }
}

/* Bytes of point data that the items of the record at rec (items bytes of them) make: every
 * item up to the first that is not drawn or does not fit. */
static uint32_t items_bytes(uint32_t rec, uint32_t items) {
    uint32_t bytes = 0;
    for (uint32_t cnt = 0; cnt < items;) {
        int type = item_type(rec + BLKHDR + cnt);
        uint32_t size = type == ITEM_ARC ? ARC_SIZE : POINT_SIZE;
        uint32_t b = element_bytes(type);
        if (b == 0 || size > items - cnt)
            break;
        bytes += b;
        cnt += size;
    }
    return bytes;
}

/* Appends the elements of the items of the record of block to the open record, all of them
 * in one resize and written in place. 0, or the writer's negative status when the block cannot
 * grow by all of them (nothing of them is written then). */
static int32_t place_items(INDEXED* block, const PLACED* pm) {
    uint32_t rec = block->rec;
    uint32_t items = rec_next(rec) - BLKHDR; /* bytes of items */
    if (block->drawn == NOT_COUNTED)
        block->drawn = items_bytes(rec, items);
    unsigned char* p = nullptr;
    int32_t stat = reserve_elements(block->drawn, &p);
    if (stat < 0)
        return stat;
    for (uint32_t cnt = 0; cnt < items;) {
        uint32_t item = rec + BLKHDR + cnt;
        int type = item_type(item);
        uint32_t size = type == ITEM_ARC ? ARC_SIZE : POINT_SIZE;
        if (element_bytes(type) == 0 || size > items - cnt)
            break;
        int16_t e[6];
        placed_element(item, type, pm, e);
        p = element_at(p, int16_t(type), e[0], e[1], e[2], e[3], e[4], e[5]);
        cnt += size;
    }
    return 0;
}

/* Makes the record of an INSERT of the block of the index entry block (which has items),
 * placed by pl: the block's base point on the insertion point, scaled by sx, sy about it. The box
 * is the block's extents so placed (mirrored blocks extend to the left or below), and every item is
 * mapped into it; the arcs of a mirrored block get mirrored angles. An item of an unknown type ends
 * the items. 0, or the writer's first negative status. */
static int32_t expand(INDEXED* block, PLACEMENT pl) {
    uint32_t rec = block->rec;
    double maxx = store_d(rec + REC_MAXX), minx = store_d(rec + REC_MINX);
    double maxy = store_d(rec + REC_MAXY), miny = store_d(rec + REC_MINY);
    double bx = store_d(rec + REC_BASEX), by = store_d(rec + REC_BASEY);
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

    PLACED pm = {minx, miny, width, height, sx, sy, std::fabs(sx), std::fabs(sy)};
    stat = place_items(block, &pm);
    if (stat < 0)
        return stat;
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
    INDEXED* block = nullptr; /* the record of the block chosen, if any */
    uint32_t last = 0;        /* start of the last group read */
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
            block = store ? find_block(text) : nullptr;
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

    if (block && rec_next(block->rec) > BLKHDR) {
        stat = expand(block, pl);
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
