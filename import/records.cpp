/*
 * records.cpp: the record writer of the vector object.
 *
 * Receives from the converters one call per step of a record: begin (type 14), one element
 * (move 0, line 1, arc 3, full circle 9), end (type 15). Each call grows the frame's data
 * block, locked for writing by the section driver, by exactly the bytes of that step and
 * writes them in place. A run of elements known in advance (the items of an INSERT's block)
 * may instead be reserved in one resize and written in place by the caller, word for word the
 * same. Hands on the grown block through pogr and the header of the record
 * being built through pvoh, for the converter to fill in its box and attributes. A failed
 * resize writes nothing and leaves tSize equal to the block's real size.
 */
#include "dxf.h"

#include <cstring>

int32_t hogr;
OGR* pogr;
uint32_t tSize;
uint32_t Offset;
uint32_t VOHOffset;
uint32_t vohSize;
VOH* pvoh;
double dminx, dminy;
double dmaxx, dmaxy;
double dwidth;
double dheight;

enum : uint32_t { VOHSIZE = sizeof(VOH) }; /* bytes of a record header */

/* Grows (or keeps) the block at newsize. On success tSize is newsize and pogr the block's
 * new address; on failure both are left as they were and the host's status is returned. */
static int32_t grow_to(uint32_t newsize) {
    void* p = pogr;
    int32_t stat = emm_resz(hogr, newsize, &p);
    if (stat < 0)
        return stat;
    pogr = static_cast<OGR*>(p);
    tSize = newsize;
    return stat;
}

/* Stores one 16-bit word at Offset and steps Offset past it. */
static void put_word(int16_t w) {
    word_at(reinterpret_cast<unsigned char*>(pogr) + Offset, w);
    Offset += 2;
}

enum : int { UNKNOWN_TYPE = -1 }; /* element_words of a type the writer does not know */

/* Words of the point-data element of a type, or UNKNOWN_TYPE. */
static int element_words(int16_t type) {
    switch (type) {
    case 0:
    case 1:
        return 3;
    case 3:
    case 9:
        return 10;
    case 15:
        return 1;
    case 14:
        return 0;
    default:
        return UNKNOWN_TYPE;
    }
}

/*
 * Appends one step of a record (see the file comment). Returns 0, the host's negative status
 * when the block cannot grow (nothing of the step is written then, and tSize stays the
 * block's real size), or ST_BADSTEP without touching anything for an unknown type or for a call
 * that the record state cannot take (an element or an end without room behind the write offset).
 */
int32_t insert_nexel(int16_t type, int16_t x, int16_t y, int16_t x1, int16_t y1, int16_t x2,
                     int16_t y2) {
    int words = element_words(type);
    if (words == UNKNOWN_TYPE)
        return ST_BADSTEP;
    uint32_t bytes = uint32_t(words) * 2;
    /* The writes below stay inside the block only while the state is consistent: the write
     * offset within the block, and an open record's header within it for the end. */
    if (Offset > tSize || (type == 15 && (VOHOffset > tSize || tSize - VOHOffset < VOHSIZE)))
        return ST_BADSTEP;
    if (tSize > UINT32_MAX - (bytes + VOHSIZE + 2))
        return KST_NOMEMORY; /* the object cannot grow past 4 GiB */

    int32_t stat = grow_to(tSize + bytes);
    if (stat < 0)
        return stat;
    vohSize += bytes;

    switch (type) {
    case 0:
    case 1:
    case 3:
        element_at(reinterpret_cast<unsigned char*>(pogr) + Offset, type, x, y, x1, y1, x2, y2);
        Offset += bytes;
        return 0;
    case 9:
        put_word(0);
        put_word(GRID);
        put_word(GRID / 2);
        put_word(3);
        put_word(x);
        put_word(y);
        put_word(x1);
        put_word(x1);
        put_word(0);
        put_word(360);
        return 0;
    case 14: {
        /* The header's bytes are reserved, not cleared: the converter and the end fill them. */
        stat = grow_to(tSize + VOHSIZE);
        if (stat < 0)
            return stat;
        vohSize = VOHSIZE;
        Offset = tSize;
        pvoh = reinterpret_cast<VOH*>(reinterpret_cast<unsigned char*>(pogr) + VOHOffset);
        return 0;
    }
    default: { /* 15 */
        put_word(15);
        uint32_t fill = ((vohSize + 3u) & ~3u) - vohSize; /* 0 or 2: records start at 4n */
        if (fill != 0) {
            stat = grow_to(tSize + fill);
            if (stat < 0)
                return stat;
        }
        pvoh = reinterpret_cast<VOH*>(reinterpret_cast<unsigned char*>(pogr) + VOHOffset);
        VOHOffset = tSize;
        pvoh->type = 4;
        dword_set(&pvoh->nxtoff, vohSize + fill);
        return 0;
    }
    }
}

int32_t reserve_elements(uint32_t bytes, unsigned char** pdata) {
    if (bytes % 2 != 0 || Offset > tSize || VOHOffset > tSize || tSize - VOHOffset < VOHSIZE)
        return ST_BADSTEP;
    if (tSize > UINT32_MAX - VOHSIZE - 2 || bytes > UINT32_MAX - VOHSIZE - 2 - tSize)
        return KST_NOMEMORY; /* the object cannot grow past 4 GiB */
    int32_t stat = grow_to(tSize + bytes);
    if (stat < 0)
        return stat;
    vohSize += bytes;
    *pdata = reinterpret_cast<unsigned char*>(pogr) + Offset;
    Offset += bytes;
    return 0;
}

/* Stores val little-endian at pdst: two 16-bit halves when the address is not a multiple of
 * 4, low half first, otherwise one 32-bit store. The bytes are the same either way. */
void dword_set(void* pdst, uint32_t val) {
    unsigned char b[4] = {
        static_cast<unsigned char>(val & 0xFFu), static_cast<unsigned char>((val >> 8) & 0xFFu),
        static_cast<unsigned char>((val >> 16) & 0xFFu), static_cast<unsigned char>(val >> 24)};
    unsigned char* d = static_cast<unsigned char*>(pdst);
    if (reinterpret_cast<uintptr_t>(pdst) % 4 != 0) {
        std::memcpy(d, b, 2);
        std::memcpy(d + 2, b + 2, 2);
    } else {
        std::memcpy(d, b, 4);
    }
}

void set_fixed_attributes(unsigned ljoin) {
    if (!pvoh)
        return;
    RDEF area = {}; /* spec 2, no colour */
    area.spec = 2;
    RDEF line = {}; /* all 0 */
    LDEF ldef = {}; /* solid line of the given join */
    ldef.ljoin = ljoin & 3u;
    ldef.ftype = 2;
    pvoh->ardef = area;
    pvoh->lrdef = line;
    pvoh->ldef = ldef;
}
