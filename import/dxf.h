/*
 * dxf.h: what the parts of the import module share.
 *
 * The module is plain structures, module-wide state and functions that return a signed 32-bit
 * status (negative on failure). Each file of import/ owns one role; this header declares the
 * names that cross from one role to another. Everything else stays static in its file.
 */
#ifndef IMPORT_DXF_H
#define IMPORT_DXF_H

#include <cstddef>
#include <cstdint>

#include "../host/hoststruct.h"
#include "../host/kernel.h"
#include "winapi.h"

/* Sizes of the module's text buffers. */
enum : int {
    TEXTLEN = 200, /* one DXF line: at most 199 characters and the terminator */
    NAMELEN = 40,  /* a name in a table or a block record */
    PATHLEN = 260, /* a path or a file name */
};

/* The module's own statuses. Host statuses are other negative numbers, passed on as they are
 * unless a status below says that it takes their place. Several share a value, which callers
 * and the host see; the name says which failure it is. */
enum : int32_t {
    ST_OK = 0,
    ST_INVALID = -1,    /* the drawing is invalid and the "Invalid DXF File" alert has been shown */
    ST_READ = -1,       /* a read failed, the file ended early, or a group is not the one that
                         * must follow (no alert; the host's status, if any, is dropped) */
    ST_UNKNOWNVAR = -1, /* a group 9 names a header variable the module does not know (no
                         * alert; the header section stops there) */
    ST_NOROOM = -1,     /* the block store cannot be made or grow (the host's status dropped) */
    ST_BADSTEP = -1,    /* the record writer was asked for a step it does not know or that the
                         * record state cannot take; nothing written */
    ST_UNFINISHED = -1, /* the walk stopped before "EOF" after an alert, or the command failed
                         * and the host's message has been shown */
    ST_NOFUNC = -1,     /* module_entry: a function number the module does not have */
    ST_NOTVALID = -1,   /* validate_string: the text breaks its rule of characters */
    ST_NOT3D = -2,      /* a z coordinate in a circle or an arc: the 3-D alert has been shown */
    ST_WRONGHOST = -2,  /* mod_init: the host's versions are not ones the module works with */
    ST_FRAMEHDR = -16   /* ending the frame header's write access failed after a failed resize */
};

/* ---- module door (modfunc.cpp, mstart/) ---- */
extern HINSTANCE _hModule; /* the module's instance handle, from XM_EDIS.hmod */

int32_t mod_init(XM_EDIS* ped);
int32_t mod_name(int16_t resvd, XM_EDIS* ped, char* pname);
int32_t mod_exit(XM_EDIS* xm);
int32_t mod_xfunc(int16_t sw, XM_EDIS* xm, void* lpv);
int32_t mod_event(XM_EDIS* xm, EVD* evd);
int32_t mod_xmd(int16_t sw, XM_EDIS* xm, XMDPB* xmd);
/* Shows the alert built from dialog template id (IDD_INVALID or IDD_NOT3D); the answer is not
 * looked at. The one place every reader goes through to tell the user. */
void dxf_alert(int id);

/* ---- import command (command.cpp) ---- */
extern XFSPB fsel;             /* file-selector settings, kept between imports */
extern char filespec[PATHLEN]; /* path and name of the chosen file */
extern char filename[PATHLEN]; /* name of the chosen file, becomes the frame's name */
extern char ext[1][PATHLEN];   /* the selector's extensions: "DXF" */

int32_t mod_exec(int16_t source, XM_EDIS* ped);
int32_t selectFile(int headerID, char* lpstrFileSpec);
int32_t openDXF(const char* lpstrFileName, int32_t* pfh);
int32_t importDXF(int32_t fh, int32_t hfrh, int32_t hogr);
int32_t set_frame_name(int32_t hfr, const char* lpstrFrameName);
int32_t onError(int32_t stat, int32_t fh, int32_t mh);

/* ---- number conversions (convert.cpp) ---- */
/* Text to integer: leading white space, optional sign, decimal digits; saturates at the signed
 * 32-bit range; 0 without digits. Callers keep the low 8, 16 or 32 bits. */
int32_t dxf_atol(const char* s);
/* Text to real: the decimal form only, correctly rounded, full stop as the decimal mark in
 * every locale; 0.0 without a number; an infinity of its sign when too large. */
double dxf_atof(const char* s);
/* Real to integer toward zero. NaN, infinities and values whose truncation lies outside the
 * signed 32-bit range give 0x80000000 (whose low 16 bits are 0). */
int32_t dxf_trunc(double v);
/* T and R of the mapping, kept in 16 bits: truncate, and add 0.5 then truncate. */
int16_t dxf_t16(double v);
int16_t dxf_r16(double v);
/* Best-size field: truncated toward zero, clamped to 0 .. 4294967295 (NaN gives 0). */
uint32_t dxf_best(double v);
/* "The larger" and "the smaller" of an extent and a new value: the new value when it is at
 * least (at most) the old one, else the old one, so a NaN never replaces an extent. */
double dxf_larger(double old, double v);
double dxf_smaller(double old, double v);

/* ---- group reader (reader.cpp) ---- */
/* Non-zero when text begins with keyword (only the keyword's length is compared). */
int kw_match(const char* text, const char* keyword);
int32_t get_next(int32_t fh, char* string);
int32_t get_grpnm(int32_t fh, uint32_t* group, char* text);
/* Reads groups up to the ones asked for and stores each value through its target, null targets
 * skipped: groups 10..18 through x, 20..28 through y, 40..48 through sx, 50..58 through r; every
 * other group, a group 0 included, is dropped. Asked for are a y (after which it returns at
 * once when z, sx and r are all null), then a 40..48 (returns there when r is null and a y has
 * been read) or a 50..58 (returns there once a y has been read). Returns 0 then; ST_NOT3D
 * after the 3-D alert at the first group 30..38 (stored through z first when z is given); or
 * the negative status of a failed read. The group of a failed read counts like any other (its
 * code line may be whole where its value line is not), so such a read can still end the call
 * with 0; the caller's next read then fails again. */
int32_t get_coordinates(int32_t fh, double* x, double* y, double* z, double* sx, double* r);
int32_t drop_table(int32_t fh);
uint32_t in_text(char c, const char* text);
/* Keeps the leading characters of text that fit a field of size bytes, NUL-terminated.
 * (header.cpp) */
void copy_text(char* field, const char* text, size_t size);
int32_t validate_string(const char* string, const char* must, const char* can);

/* ---- header section (header.cpp, dxfheader.h) ---- */
struct DXF; /* the drawing record, defined in dxfheader.h */
void init_dh(DXF* dh);
int32_t getDXFheader(int32_t fh, DXF* dxfheader);
int32_t parse_var(int32_t fh, char* text, DXF* dh);

/* ---- section driver (driver.cpp) ---- */
int32_t parceFile(int32_t fh, int32_t lhogr);

/* ---- tables section (tables.cpp) ---- */
struct LAYER {
    char name[NAMELEN]; /* layer name, group 2 */
    uint16_t color;     /* colour number, group 62, low 16 bits */
    uint16_t linetype;  /* index into Line, resolved from group 6 */
};
struct LINE {
    char name[NAMELEN]; /* line-type name, group 2 */
    char desc[NAMELEN]; /* description, group 3 */
    uint8_t nodli;      /* number of dash-length items, group 73, low 8 bits */
    double tpl;         /* total pattern length, group 40 */
};
enum : int { MAXTABLE = 255 }; /* entries of Layer and of Line */
extern LAYER Layer[MAXTABLE];  /* layers of the drawing, in file order */
extern LINE Line[MAXTABLE];    /* line types of the drawing, in file order */
extern uint16_t MAXLAY;        /* layers read in this import; the entry being filled meanwhile */
extern uint16_t MAXLINE;       /* line types read in this import; likewise */

int32_t GetTables(int32_t fh, DXF* dxfheader);
int32_t get_ltype(int32_t fh);
int32_t get_layer(int32_t fh);
uint16_t get_layerno(const char* text);
uint16_t get_linetype(const char* text, uint16_t lno);
uint16_t get_color(const char* text, uint16_t lno);

/* ---- record writer (records.cpp) ---- */
enum : int { GRID = 16384 }; /* units of the object grid and of each record grid */
extern int32_t hogr;         /* the data block being filled */
extern OGR* pogr;            /* its address while locked for writing; set anew by every resize */
extern uint32_t tSize;       /* the block's size in bytes as grown so far */
extern uint32_t Offset;      /* offset in the block at which the next point-data word goes */
extern uint32_t VOHOffset;   /* offset of the open record's header, or where the next starts */
extern uint32_t vohSize;     /* bytes of the open record so far (header and point data) */
extern VOH* pvoh;            /* header of the record being written, or of the one just closed */
extern double dminx, dminy;  /* lower-left corner of the drawing extents, drawing units */
extern double dmaxx, dmaxy;  /* upper-right corner */
extern double dwidth;        /* dmaxx - dminx */
extern double dheight;       /* dmaxy - dminy */

/* The mapping of drawing units onto the object grid, before any rounding: a position
 * (from the extents' lower-left corner) and a length, across and up. Y runs upward here; the
 * converters turn it downward. A zero extent makes the quotient undefined, and rounding it
 * gives 0. */
inline double grid_x(double x) {
    return (x - dminx) * GRID / dwidth;
}
inline double grid_y(double y) {
    return (y - dminy) * GRID / dheight;
}
inline double grid_w(double w) {
    return w * GRID / dwidth;
}
inline double grid_h(double h) {
    return h * GRID / dheight;
}

int32_t insert_nexel(int16_t type, int16_t x, int16_t y, int16_t x1, int16_t y1, int16_t x2,
                     int16_t y2);
/* Stores one 16-bit word at p, low byte first; returns the place after it. */
inline unsigned char* word_at(unsigned char* p, int16_t w) {
    uint16_t u = uint16_t(w);
    p[0] = static_cast<unsigned char>(u & 0xFFu);
    p[1] = static_cast<unsigned char>(u >> 8);
    return p + 2;
}
/* Writes at p the point data of one element of type 0 (move), 1 (line) or 3 (arc), word for
 * word as insert_nexel appends it; returns the place after it (6 bytes on for a move or a
 * line, 20 for an arc: an arc is a move to its centre, then the arc). Inline: the expansion
 * of INSERTs writes millions of them. */
inline unsigned char* element_at(unsigned char* p, int16_t type, int16_t x, int16_t y, int16_t x1,
                                 int16_t y1, int16_t x2, int16_t y2) {
    if (type == 3) {
        p = word_at(p, 0);
        p = word_at(p, x);
        p = word_at(p, y);
    }
    p = word_at(p, type);
    p = word_at(p, x);
    p = word_at(p, y);
    if (type == 3) {
        p = word_at(p, x1);
        p = word_at(p, y1);
        p = word_at(p, x2);
        p = word_at(p, y2);
    }
    return p;
}
/* Grows the open record by bytes of point data in one resize, for the caller to fill at
 * *pdata with whole elements through element_at: the same block as that many insert_nexel
 * calls would leave. 0; the host's status when the block cannot grow (nothing changed then);
 * ST_BADSTEP for an odd size or a record state that insert_nexel would not take. */
int32_t reserve_elements(uint32_t bytes, unsigned char** pdata);
void dword_set(void* pdst, uint32_t val);
/* Writes the fixed ardef, lrdef and ldef of a finished record through pvoh: spec 2 in ardef,
 * ftype 2 and the given ljoin in ldef, every other field 0. */
void set_fixed_attributes(unsigned ljoin);

/* ---- lines and polylines (lines.cpp) ---- */
struct ONELINE {
    uint16_t Layer; /* layer number */
    uint16_t Type;  /* line-type number */
    double Width;   /* group 39 */
    uint16_t Color; /* colour number */
};
int32_t draw_line(int32_t fh, DXF* dxfheader);
int32_t draw_polyline(int32_t fh, DXF* dxfheader);
int32_t draw_vertex(int32_t fh, ONELINE style);
/* Vertices of a polyline that the first pass over them keeps for the points, at most; the
 * points of a longer polyline come from reading its vertices a second time. */
extern uint32_t KEEPVTX;

/* ---- blocks section (blocks.cpp, resolve.cpp; the store's layout in blockstore.h) ---- */

extern int32_t hObj;    /* the block store; 0 when there is none */
extern void* pObj;      /* its first byte while it is open; set anew whenever it grows */
extern uint16_t MAXOBJ; /* block records in the store */

int32_t GetBlocks(int32_t fh, DXF* dxfheader);

/* ---- entities section (entities.cpp) ---- */
int32_t GetEntities(int32_t fh, DXF* dxfheader);

#endif
