/*
 * blockstore.h: the layout of the block store, shared by the BLOCKS section's reading pass
 * (blocks.cpp), its resolving pass (resolve.cpp) and the INSERT expansion of the ENTITIES
 * section (entities.cpp).
 *
 * The store is one host memory block (hObj, addressed by pObj while it is open). Records follow
 * one another without gaps, in the order of the file; a record is the BLOCK header, the block's
 * base point (two doubles) and its items. Every item is a run of doubles in the machine's byte
 * order whose first double is its type:
 *   ITEM_MOVE, ITEM_DRAW  move to / draw to a point: type, x, y                 (24 bytes)
 *   ITEM_ARC              type, centre x, centre y, radius, start and end angle (48 bytes)
 *   ITEM_INSERT           a reference to another block: type, insertion x, y, x scale,
 *                         y scale, rotation, then the block's name and its NUL in a field of
 *                         (length + 8) rounded down to a multiple of 8 bytes     (48 + field)
 * After the resolving pass only moves, draws and arcs are left. The store moves whenever it
 * grows, so it is only ever addressed by byte offsets from pObj, through the functions below.
 */
#ifndef IMPORT_BLOCKSTORE_H
#define IMPORT_BLOCKSTORE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dxf.h"

struct BLOCK {
    char name[NAMELEN]; /* block name, at most 39 characters */
    uint32_t next;      /* size of the record in bytes; 96 without items */
    uint8_t inc;        /* 1 while an insert item is unresolved */
    double maxx;        /* extents of the record's items, drawing units */
    double minx;
    double maxy;
    double miny;
};
static_assert(sizeof(BLOCK) == 80, "block record header is 80 bytes");
static_assert(offsetof(BLOCK, next) == 40 && offsetof(BLOCK, inc) == 44, "BLOCK layout");
static_assert(offsetof(BLOCK, maxx) == 48 && offsetof(BLOCK, minx) == 56, "BLOCK layout");
static_assert(offsetof(BLOCK, maxy) == 64 && offsetof(BLOCK, miny) == 72, "BLOCK layout");
enum : int { BLKHDR = 96 }; /* record header and base point; items follow */

/* A block record as it lies in the store, up to its first item. */
struct BLOCKREC {
    BLOCK hdr;    /* name, size, unresolved mark and extents */
    double basex; /* base point: the point of the block that lands on an insertion point */
    double basey;
};
static_assert(sizeof(BLOCKREC) == BLKHDR, "items start 96 bytes into a record");

/* Offsets of the fields inside a record. */
enum : uint32_t {
    REC_NEXT = offsetof(BLOCK, next),
    REC_INC = offsetof(BLOCK, inc),
    REC_MAXX = offsetof(BLOCK, maxx),
    REC_MINX = offsetof(BLOCK, minx),
    REC_MAXY = offsetof(BLOCK, maxy),
    REC_MINY = offsetof(BLOCK, miny),
    REC_BASEX = offsetof(BLOCKREC, basex),
    REC_BASEY = offsetof(BLOCKREC, basey),
};

enum : uint32_t { STOREMAX = 0x7FFFFFFFu }; /* the store never grows past this many bytes */

/* Item types, as the first double of an item holds them. */
enum : int { ITEM_MOVE = 0, ITEM_DRAW = 1, ITEM_ARC = 3, ITEM_INSERT = 100 };

/* Item sizes, and offsets of the doubles after an item's type. */
enum : uint32_t {
    POINT_SIZE = 24,        /* a move or a draw */
    ARC_SIZE = 48,          /* an arc */
    INSERT_FIXED = 48,      /* a reference, before its name field */
    ITEM_X = 8,             /* point, arc centre or insertion point */
    ITEM_Y = 16,            /* ditto */
    ARC_RADIUS = 24,        /* arc */
    ARC_START = 32,         /* arc, degrees */
    ARC_END = 40,           /* arc, degrees */
    INSERT_SX = 24,         /* reference: x scale */
    INSERT_SY = 32,         /* reference: y scale */
    INSERT_ROT = 40,        /* reference: rotation (kept, never applied) */
    INSERT_NAME = 48,       /* reference: the name field */
    NAMEKEEP = NAMELEN - 1, /* characters of a block name that are kept and compared */
};

/* Bytes of a reference item whose name has len characters. */
inline uint32_t insert_size(uint32_t len) {
    return INSERT_FIXED + ((len + 8) & ~7u);
}

inline unsigned char* store_at(uint32_t off) {
    return static_cast<unsigned char*>(pObj) + off;
}
inline double store_d(uint32_t off) {
    double v;
    std::memcpy(&v, store_at(off), sizeof v);
    return v;
}
inline void store_put_d(uint32_t off, double v) {
    std::memcpy(store_at(off), &v, sizeof v);
}
/* Size of the record at rec, its next. */
inline uint32_t rec_next(uint32_t rec) {
    uint32_t v;
    std::memcpy(&v, store_at(rec + REC_NEXT), sizeof v);
    return v;
}
inline void rec_set_next(uint32_t rec, uint32_t v) {
    std::memcpy(store_at(rec + REC_NEXT), &v, sizeof v);
}
/* The item's type: its first double, truncated. */
inline int item_type(uint32_t item) {
    return dxf_trunc(store_d(item));
}

/* Length of the string at s, looking at most at max bytes. */
inline uint32_t bounded_len(const char* s, uint32_t max) {
    uint32_t n = 0;
    while (n < max && s[n])
        ++n;
    return n;
}

/* Widen the extents of the record at rec: by a point, and by an arc (its centre minus its
 * radius for the minima, plus its radius for the maxima). (blocks.cpp) */
void widen_point(uint32_t rec, double x, double y);
void widen_arc(uint32_t rec, double x, double y, double radius);

/* The resolving pass over the store of size bytes that the reading pass left: replaces every
 * reference by the items it names. 0; ST_INVALID when records that still hold references refer
 * to themselves, directly or through others, so that no sweep can change anything (alert
 * shown); ST_NOROOM when the store cannot grow. The store is consistent on every way out.
 * (resolve.cpp) */
int32_t resolve_blocks(uint32_t size);
/* Releases the resolving pass's working memory. */
void resolve_done(void);

/* Where one INSERT places its block: the values of its groups 10, 20, 41, 42 and 50. */
struct PLACEMENT {
    double ix, iy; /* insertion point, drawing units */
    double sx, sy; /* scale factors; a negative one mirrors the block */
    double r;      /* rotation, degrees: read, never applied */
};
/* An INSERT's values before any of its groups: at the origin, unscaled. */
inline PLACEMENT placement_start(void) {
    return PLACEMENT{0.0, 0.0, 1.0, 1.0, 0.0};
}
/* Takes the group into pl when it is one of an INSERT's placement groups; other groups leave
 * it as it is. (blocks.cpp) */
void placement_group(PLACEMENT* pl, uint32_t group, const char* text);
/* The start and end angles (degrees) of an arc of a block placed with the scale factors sx and
 * sy: mirrored across the axis that a negative factor flips, each then brought once into
 * 0 .. 360. Unchanged when neither factor is negative. (resolve.cpp) */
void mirror_angles(double sx, double sy, double* start, double* end);

#endif
