/*
 * hoststruct.h: the host's structures that cross the module's door or live in host memory.
 *
 * The memory formats exchanged with the host (generic header, object header, record header,
 * frame header, the colour and line bit-field words) are little-endian with fixed offsets and
 * are identical on 64-bit Linux and 32-bit Windows; the static_asserts below hold them there.
 * The descriptors passed by pointer (XM_EDIS, EVD, XMDPB, XFSPB) hold pointers and so follow
 * the platform's pointer size.
 */
#ifndef HOST_HOSTSTRUCT_H
#define HOST_HOSTSTRUCT_H

#include <cstddef>
#include <cstdint>

/* Generic header that opens every host object (frame header, vector object). */
struct GSH {
    uint8_t type;  /* object type */
    uint8_t stype; /* object subtype */
    uint8_t gstat; /* general state bits */
    uint8_t sstat; /* special state bits; 0x80 in a frame header: a name follows */
    int32_t own;   /* owner handle */
};

/* Colour definition word of a vector record. */
struct RDEF {
    uint32_t view : 4;
    uint32_t spec : 4;
    uint32_t red : 8;
    uint32_t green : 8;
    uint32_t blue : 8;
};

/* Line definition word of a vector record. */
struct LDEF {
    uint32_t lstart : 2;
    uint32_t lend : 2;
    uint32_t ljoin : 2;
    uint32_t ftype : 3;
    uint32_t lstyle : 7;
    uint32_t width : 16;
};

/* Vector object header, at offset 0 of a frame's data block. */
struct OGR {
    GSH hd;
    uint32_t bestw; /* best width, object units */
    uint32_t besth; /* best height, object units */
    uint32_t nsub;  /* not written by the module */
    int32_t resvd;  /* not written by the module */
};

/* Vector record header; point data follows from offset 28 of the record. */
struct VOH {
    int16_t type;    /* 4 for a vector record; 255 as the object's terminator */
    uint16_t resvd;  /* not written; content not significant */
    uint32_t nxtoff; /* bytes from this record's start to the next one's */
    int16_t xpos;    /* left edge of the box, object grid */
    int16_t ypos;    /* top edge of the box, object grid */
    uint16_t width;  /* box width, object grid units */
    uint16_t height; /* box height, object grid units */
    RDEF ardef;      /* area colour */
    RDEF lrdef;      /* line colour */
    LDEF ldef;       /* line definition */
};

/* Frame header, at offset 0 of a frame's header block; nsub 4-byte sub-entries follow, then
 * the frame's zero-terminated name when bit 0x80 of hd.sstat is set. */
struct FRH {
    GSH hd;
    int32_t xpos;
    int32_t ypos;
    uint32_t width;
    uint32_t height;
    int32_t oxpos;
    int32_t oypos;
    uint32_t owidth;
    uint32_t oheight;
    uint16_t angle;
    uint16_t wrmode;
    uint32_t nsub; /* number of 4-byte sub-entries after the header */
    int32_t hcache;
    int32_t back;
};

/* Frame descriptor filled by xmd_fframe. */
struct FRD {
    int32_t hfrh; /* handle of the frame header block */
    uint8_t type;
    uint8_t stype;
    int32_t hdat; /* handle of the frame's data block (the vector object) */
    int16_t sel;
    uint16_t mask;
};

/* Declared by the module with one member it never reads. */
struct XM_FNC {
    int unused;
};

/* The host's descriptor of the module, passed to every module function. */
struct XM_EDIS {
    uint16_t cvnum;  /* host version number, 16 to 255 accepted */
    uint16_t dvnum;  /* second version number, 0x0300 to 0x03FF accepted */
    int32_t mod_id;  /* module identifier, written by mod_init */
    int32_t mod_xid; /* extended identifier, written by mod_init */
    char* ppath;
    char* pfspec;
    int* pglobal;
    int16_t vdihnd;
    int16_t lacode;
    int32_t hmod; /* the module's instance handle */
    int16_t orvelflag;
    XM_FNC* pfnc;
    void* resvd;
};

/* Event type word of EVD. */
struct EVD_TYPE {
    uint32_t type : 4;
    uint32_t spec0 : 4;
    uint32_t modnum : 8;
    uint32_t spec1 : 8;
    uint32_t spec2 : 8;
};

/* The host's event descriptor (function 4); passed through, never read. */
struct EVD {
    uint8_t source;
    uint8_t defmod;
    EVD_TYPE t;
    uint8_t actmod;
    uint8_t actsub;
    int16_t resvd1;
    int16_t mousex;
    int16_t mousey;
    int16_t mbut;
    uint16_t shift;
    int16_t kcode;
    int16_t nclicks;
    int16_t curbut;
    int32_t orvelpos;
    int16_t msgtyp;
    int16_t resvd3;
    int16_t resvd4;
    void* hwnd;
    union {
        int16_t par[4];
        void* p[2];
        int32_t l[2];
        int r[4];
    } x;
};

/* Module-data parameter block (function 6); passed through, never read. */
struct XMDPB {
    FRD f;
    int32_t hxmd;
    void* resvd;
};

/* File-selector parameter block handed to fim_xfsel. */
struct XFSPB {
    uint16_t flags;
    char* pfname; /* receives the chosen file's name */
    int16_t npaths;
    char* ppath;   /* the selector's start path (a 260-byte entry) */
    int16_t sort;  /* sort mode, written back by the selector */
    char* pdefext; /* default extension */
    char* phd;     /* heading */
    void* pfspec;  /* receives the chosen file's path and name */
    int16_t next;  /* number of entries in pext */
    int16_t sext;
    char (*pext)[260]; /* extension entries */
    void* resvd;
};

/* The host's system paths block. */
struct SPB {
    char paths[32][260];
    int16_t sort[32];
};

static_assert(sizeof(GSH) == 8, "GSH is 8 bytes");
static_assert(offsetof(GSH, sstat) == 3 && offsetof(GSH, own) == 4, "GSH layout");
static_assert(sizeof(RDEF) == 4 && sizeof(LDEF) == 4, "bit-field words are 32 bits");
static_assert(sizeof(OGR) == 24, "object header is 24 bytes");
static_assert(offsetof(OGR, bestw) == 8 && offsetof(OGR, besth) == 12, "OGR layout");
static_assert(offsetof(OGR, nsub) == 16 && offsetof(OGR, resvd) == 20, "OGR layout");
static_assert(sizeof(VOH) == 28, "record header is 28 bytes");
static_assert(offsetof(VOH, nxtoff) == 4 && offsetof(VOH, xpos) == 8, "VOH layout");
static_assert(offsetof(VOH, ypos) == 10 && offsetof(VOH, width) == 12, "VOH layout");
static_assert(offsetof(VOH, height) == 14 && offsetof(VOH, ardef) == 16, "VOH layout");
static_assert(offsetof(VOH, lrdef) == 20 && offsetof(VOH, ldef) == 24, "VOH layout");
static_assert(sizeof(FRH) == 56, "frame header is 56 bytes");
static_assert(offsetof(FRH, xpos) == 8 && offsetof(FRH, ypos) == 12, "FRH layout");
static_assert(offsetof(FRH, width) == 16 && offsetof(FRH, height) == 20, "FRH layout");
static_assert(offsetof(FRH, oxpos) == 24 && offsetof(FRH, oypos) == 28, "FRH layout");
static_assert(offsetof(FRH, owidth) == 32 && offsetof(FRH, oheight) == 36, "FRH layout");
static_assert(offsetof(FRH, angle) == 40 && offsetof(FRH, wrmode) == 42, "FRH layout");
static_assert(offsetof(FRH, nsub) == 44 && offsetof(FRH, hcache) == 48, "FRH layout");
static_assert(offsetof(FRH, back) == 52, "FRH layout");
static_assert(sizeof(FRD) == 16 && offsetof(FRD, hdat) == 8, "FRD layout");
static_assert(sizeof(EVD_TYPE) == 4, "event type word is 32 bits");
static_assert(sizeof(SPB) == 32 * 260 + 32 * 2, "SPB layout");
static_assert(offsetof(XM_EDIS, mod_id) == 4 && offsetof(XM_EDIS, mod_xid) == 8, "XM_EDIS");

#endif
