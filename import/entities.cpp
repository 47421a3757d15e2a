/*
 * entities.cpp: the ENTITIES section reader.
 *
 * Receives the open file from the section driver just after the pair (2, "ENTITIES"), with
 * the drawing-to-object mapping derived (dminx, dminy, dwidth, dheight) and the block store
 * of the BLOCKS section, if there was one (hObj, pObj, MAXOBJ). Hands LINE and POLYLINE to
 * their converters, makes one record of each CIRCLE and ARC, and one record of each INSERT
 * holding every item of the block it names, placed in the box of the block's extents scaled
 * at the insertion point. Every other entity is passed over. Hands on the records through
 * the record writer; the file is left after the section's "ENDSEC".
 */
#include "dxf.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

enum : uint32_t {
    NAMEKEEP = NAMELEN - 1, /* characters of a block name that are compared */
    ITEM_POINT = 24,        /* bytes of a move or line item */
    ITEM_ARC = 48,          /* bytes of an arc item */
};

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

static double get_d(uint32_t off) {
    double v;
    std::memcpy(&v, static_cast<const unsigned char*>(pObj) + off, sizeof v);
    return v;
}
static uint32_t get_u32(uint32_t off) {
    uint32_t v;
    std::memcpy(&v, static_cast<const unsigned char*>(pObj) + off, sizeof v);
    return v;
}

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
        uint32_t next = get_u32(rec + offsetof(BLOCK, next));
        if (next < BLKHDR || next > size - rec)
            break;
        const char* name = static_cast<const char*>(pObj) + rec;
        uint32_t len = 0;
        while (len < NAMEKEEP && name[len])
            ++len;
        blockindex.emplace(std::string(name, len), rec); /* the first of a name stays */
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
    pvoh->xpos = dxf_t16((ix - r - dminx) * 16384.0 / dwidth);
    pvoh->width = uint16_t(dxf_t16(width * 16384.0 / dwidth));
    pvoh->height = uint16_t(dxf_t16(height * 16384.0 / dheight));
    pvoh->ypos = low16(GRID - dxf_t16((r + iy - dminy) * 16384.0 / dheight));
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

/* Makes the record of an INSERT of the block at store offset rec (which has items): the box
 * of the block's extents scaled by sx, sy with its lower-left corner at (ix, iy) (mirrored
 * blocks extend to the left or below), and every item mapped into it. An item of an unknown
 * type ends the items. 0, or the writer's first negative status. */
static int32_t expand(uint32_t rec, double ix, double iy, double sx, double sy) {
    double maxx = get_d(rec + offsetof(BLOCK, maxx)), minx = get_d(rec + offsetof(BLOCK, minx));
    double maxy = get_d(rec + offsetof(BLOCK, maxy)), miny = get_d(rec + offsetof(BLOCK, miny));
    uint32_t items = get_u32(rec + offsetof(BLOCK, next)) - BLKHDR; /* bytes of items */
    double width = (maxx - minx) * sx;
    double height = (maxy - miny) * sy;
    int32_t stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
    if (stat < 0)
        return stat;
    if (width < 0)
        ix += width;
    if (height < 0)
        iy += height;
    width = std::fabs(width);
    height = std::fabs(height);
    pvoh->xpos = dxf_t16((ix - dminx) * 16384.0 / dwidth);
    pvoh->width = uint16_t(dxf_t16(width * 16384.0 / dwidth));
    pvoh->height = uint16_t(dxf_t16(height * 16384.0 / dheight));
    pvoh->ypos = dxf_t16((dheight - (iy - dminy) - height) * 16384.0 / dheight);

    double ax = std::fabs(sx), ay = std::fabs(sy);
    uint32_t cnt = 0;
    while (cnt < items) {
        uint32_t item = rec + BLKHDR + cnt;
        int type = dxf_trunc(get_d(item));
        uint32_t size = type == 3 ? ITEM_ARC : ITEM_POINT;
        if ((type != 0 && type != 1 && type != 3) || size > items - cnt)
            break; /* nothing but moves, lines and arcs is drawn */
        int16_t x = dxf_t16(ax * (get_d(item + 8) - minx) * 16384.0 / width + 0.5);
        int16_t y = dxf_t16(ay * (get_d(item + 16) - miny) * 16384.0 / height + 0.5);
        if (sx < 0)
            x = low16(GRID - x);
        if (sy < 0)
            y = low16(GRID - y);
        if (type == 3) {
            double radius = get_d(item + 24);
            int16_t arc_rx = dxf_t16(ax * radius * 16384.0 / width + 0.5);
            int16_t arc_ry = dxf_t16(ay * radius * 16384.0 / height + 0.5);
            stat = insert_nexel(3, x, low16(GRID - y), arc_rx, arc_ry, dxf_t16(get_d(item + 32)),
                                dxf_t16(get_d(item + 40)));
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
    double ix = 0.0, iy = 0.0, sx = 1.0, sy = 1.0, r = 0.0; /* r: rotation, not applied */
    int found = 0;                                          /* a block is chosen */
    uint32_t rec = 0;                                       /* its record's store offset */
    uint32_t last = 0;                                      /* start of the last group read */
    do {
        stat = fim_ftell(fh, &last);
        if (stat < 0) {
            /* Without the position the file cannot be put back: the section ends. */
            if (store)
                emm_eread(hObj);
            return stat;
        }
        stat = get_grpnm(fh, &group, text);
        switch (group) {
        case 2:
            rec = store ? find_block(text, &found) : 0;
            break;
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
        case 66:
            if (dxf_atol(text) == 1) {
                while (stat >= 0) {
                    stat = get_grpnm(fh, &group, text);
                    if (kw_match(text, "SEQEND"))
                        break;
                }
            }
            break;
        default:
            break;
        }
    } while (group != 0 && stat >= 0);
    (void)r;

    if (found && get_u32(rec + offsetof(BLOCK, next)) > BLKHDR) {
        stat = expand(rec, ix, iy, sx, sy);
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
