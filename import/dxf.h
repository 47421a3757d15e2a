/*
 * dxf.h: what the parts of the import module share.
 *
 * The module is plain structures, module-wide state and functions that return a signed 32-bit
 * status (negative on failure). Each file of import/ owns one role; this header declares the
 * names that cross from one role to another. Everything else stays static in its file.
 */
#ifndef IMPORT_DXF_H
#define IMPORT_DXF_H

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

/* The module's own statuses (host statuses are negative numbers of the host's). */
enum : int32_t {
    ST_INVALID = -1,  /* invalid file or stopped walk; an alert has been shown */
    ST_NOT3D = -2,    /* the 3-D alert has been shown */
    ST_FRAMEHDR = -16 /* ending the frame header's write access failed after a failed resize */
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
int32_t get_coordinates(int32_t fh, double* x, double* y, double* z, double* sx, double* r);
int32_t drop_table(int32_t fh);
uint32_t in_text(char c, const char* text);
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
extern LAYER Layer[MAXTABLE];
extern LINE Line[MAXTABLE];
extern uint16_t MAXLAY;  /* layers read in this import */
extern uint16_t MAXLINE; /* line types read in this import */

int32_t GetTables(int32_t fh, DXF* dxfheader);
int32_t get_ltype(int32_t fh);
int32_t get_layer(int32_t fh);
uint16_t get_layerno(const char* text);
uint16_t get_linetype(const char* text, uint16_t lno);
uint16_t get_color(const char* text, uint16_t lno);

/* ---- record writer (records.cpp) ---- */
enum : int { GRID = 16384 }; /* units of the object grid and of each record grid */
extern int32_t hogr;         /* the data block being filled */
extern OGR* pogr;            /* its address while locked for writing */
extern uint32_t tSize;       /* the block's size in bytes as grown so far */
extern uint32_t Offset;      /* where the next point-data word goes */
extern uint32_t VOHOffset;   /* the open record's header, or where the next record starts */
extern uint32_t vohSize;     /* bytes of the open record so far */
extern VOH* pvoh;            /* header of the record being written */
extern double dminx, dminy;  /* lower-left corner of the drawing extents, drawing units */
extern double dmaxx, dmaxy;  /* upper-right corner */
extern double dwidth;        /* dmaxx - dminx */
extern double dheight;       /* dmaxy - dminy */

int32_t insert_nexel(int16_t type, int16_t x, int16_t y, int16_t x1, int16_t y1, int16_t x2,
                     int16_t y2);
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
int32_t draw_vertex(int32_t fh, ONELINE Line);

/* ---- blocks section (blocks.cpp) ---- */
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

extern int32_t hObj;    /* the block store; 0 when there is none */
extern void* pObj;      /* its first byte while open */
extern uint16_t MAXOBJ; /* block records in the store */

int32_t GetBlocks(int32_t fh, DXF* dxfheader);

/* ---- entities section (entities.cpp) ---- */
int32_t GetEntities(int32_t fh, DXF* dxfheader);

#endif
