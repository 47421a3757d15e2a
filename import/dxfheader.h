/*
 * dxfheader.h: the drawing record that the HEADER section fills.
 *
 * The section driver owns one record per import, clears it with init_dh (every field 0 or empty
 * but shadedif, 70) and hands it to the header reader (header.cpp), which stores each recognised
 * header variable in its field as the table in headervars.h says; a variable met twice keeps its
 * later value. The driver then reads the x and y of the drawing extents (extmin, extmax); the
 * other section readers receive a pointer to the record and read none of its fields.
 *
 * A field is named after its variable in lower case without "$" ($ANGBASE: angbase); the few
 * whose name differs, and the user fields that no variable fills, say so. Each comment tells
 * what the variable holds in the drawing. Unless it says otherwise: an integer field keeps the
 * low 8 bits of the value (cecolor the low 16), a real is 32-bit, a text keeps at most 39
 * characters (longer values their leading 39), lengths and points are in drawing units, and a
 * flag is on when nonzero. A point "x, y" takes its next two groups (10, 20) and leaves z at 0;
 * a point "x, y(, z)" also takes z from a group 30 that follows at once, else keeps z as it was.
 */
#ifndef IMPORT_DXFHEADER_H
#define IMPORT_DXFHEADER_H

#include <cstdint>

#include "dxf.h"

/* A point, or a direction, of the header. */
struct COOR {
    float x; /* group 10 */
    float y; /* group 20 */
    float z; /* group 30, when the variable has one and the file gives it */
};

/* One field for each header variable that the reader keeps. */
struct DXF {
    uint16_t acadver;  /* format version: digits after "AC" (AC1009: 1009); 0 under 3 characters */
    float angbase;     /* direction of angle 0, degrees */
    uint8_t angdir;    /* 1 when angles run clockwise, 0 counter-clockwise */
    uint8_t attdia;    /* 1 when attribute values are asked for in a dialog */
    uint8_t attmode;   /* attribute visibility: 0 none, 1 normal, 2 all */
    uint8_t attreq;    /* 1 when inserting a block asks for attribute values, 0 uses defaults */
    uint8_t aunits;    /* angle format: 0 degrees, 1 deg/min/sec, 2 grads, 3 radians, 4 survey */
    uint8_t auprec;    /* decimal places of angles */
    uint8_t axismode;  /* axis ticks shown */
    COOR axisunit;     /* spacing of the axis ticks, x, y */
    uint8_t blipmode;  /* picked points marked with blips */
    uint16_t cecolor;  /* colour number of new entities: 0 by block, 256 by layer */
    char celtype[40];  /* line type name of new entities, or BYBLOCK or BYLAYER */
    float chamfera;    /* first chamfer distance */
    float chamferb;    /* second chamfer distance */
    char clayer[40];   /* name of the current layer */
    uint8_t coords;    /* coordinate display: 0 static, 1 continuous, 2 distance<angle */
    uint8_t dimalt;    /* dimensions also given in alternate units */
    uint8_t dimaltd;   /* decimal places of alternate-unit dimensions */
    float dimaltf;     /* scale factor of alternate units */
    char dimapost[40]; /* suffix of alternate-unit dimension texts */
    uint8_t dimaso;    /* 1 when dimensions are made associative, 0 as separate entities */
    float dimasz;      /* dimension arrow size */
    char dimblk[40];   /* block name drawn instead of dimension arrows */
    char dimblk1[40];  /* block name of the first arrow, when dimsah is set */
    char dimblk2[40];  /* block name of the second arrow, when dimsah is set */
    float dimcen;      /* size of centre marks: 0 none; negative: centre lines too */
    uint8_t dimclrd;   /* colour number of dimension lines (256, by layer, kept as 0) */
    uint8_t dimclre;   /* colour number of extension lines (256, by layer, kept as 0) */
    uint8_t dimclrt;   /* colour number of dimension texts (256, by layer, kept as 0) */
    float dimdle;      /* dimension line extension beyond extension lines, with ticks */
    float dimdli;      /* spacing of successive baseline dimension lines */
    float dimexe;      /* extension line extension beyond the dimension line */
    float dimexo;      /* offset of extension lines from their origin points */
    float dimgap;      /* gap between dimension text and dimension line */
    float dimlfac;     /* scale factor of measured lengths */
    uint8_t dimlim;    /* dimension limits given instead of a value */
    char dimpost[40];  /* suffix of dimension texts */
    float dimrnd;      /* rounding step of dimension values; 0 none */
    uint8_t dimsah;    /* separate arrow blocks dimblk1 and dimblk2 used */
    float dimscale;    /* overall scale factor of dimension sizes */
    uint8_t dimse1;    /* first extension line suppressed */
    uint8_t dimse2;    /* second extension line suppressed */
    uint8_t dimsho;    /* 1 when dimensions are recomputed while dragging */
    uint8_t dimsoxd;   /* dimension lines outside the extension lines suppressed */
    char dinstyle[40]; /* $DIMSTYLE: name of the current dimension style */
    uint8_t dimtad;    /* dimension text placed above the dimension line */
    float dimtfac;     /* height of tolerance texts as a factor of dimtxt */
    uint8_t dimtih;    /* text between extension lines kept horizontal */
    uint8_t dimtix;    /* text forced between the extension lines */
    float dimtm;       /* minus tolerance */
    uint8_t dimtofl;   /* dimension line drawn between extension lines when text is outside */
    uint8_t dimtoh;    /* text outside extension lines kept horizontal */
    uint8_t dimtol;    /* tolerances appended to dimension values */
    float dimtp;       /* plus tolerance */
    float dimtsz;      /* size of ticks drawn instead of arrows; 0 arrows */
    float dimtvp;      /* text offset from the dimension line, in text heights */
    float dimtxt;      /* height of dimension texts */
    uint8_t dimzin;    /* zero suppression of feet-and-inch dimension values */
    uint8_t dwgcodepage; /* code page of the drawing's texts, as an integer (a name gives 0) */
    uint8_t dragmode;    /* dragging display: 0 off, 1 on, 2 automatic */
    float elevation;     /* elevation of new entities */
    COOR extmax;         /* upper-right corner of the drawing extents, x, y(, z) */
    COOR extmin;         /* lower-left corner of the drawing extents, x, y(, z) */
    float filletrad;     /* fillet radius */
    uint8_t fillmode;    /* solids, traces and wide polylines drawn filled */
    uint8_t handling;    /* entity handles enabled */
    char handseed[40];   /* next free entity handle, hexadecimal text */
    COOR insbase;        /* base point for inserting the drawing as a block, x, y(, z) */
    uint8_t limcheck;    /* points outside the drawing limits refused */
    COOR limmax;         /* upper-right corner of the drawing limits, x, y */
    COOR limmin;         /* lower-left corner of the drawing limits, x, y */
    float ltscale;       /* scale factor of all line-type patterns */
    uint8_t lunits;    /* length format: 1 scientific, 2 decimal, 3 engineering, 4 arch., 5 frac. */
    uint8_t luprec;    /* precision of lengths; decimal places in the decimal formats */
    uint8_t maxactvp;  /* most viewports regenerated at once */
    char menu[40];     /* name of the menu file */
    uint8_t mirrtext;  /* texts mirrored along with the entities around them */
    uint8_t orthomode; /* pointing constrained to horizontal and vertical */
    uint8_t osmode;    /* running object snap modes, bit set (low 8 bits only) */
    uint8_t pdmode;    /* symbol code of displayed points */
    float pdsize;      /* size of displayed points; negative: percent of the view */
    float pelevation;  /* paper space: elevation of new entities */
    COOR pextmax;      /* paper space: upper-right corner of the extents, x, y(, z) */
    COOR pextmin;      /* paper space: lower-left corner of the extents, x, y(, z) */
    uint8_t plimcheck; /* paper space: points outside the limits refused */
    COOR plimmax;      /* paper space: upper-right corner of the limits, x, y */
    COOR plimmin;      /* paper space: lower-left corner of the limits, x, y */
    uint8_t plinegen;  /* 1 when line types run on through 2-D polyline vertices */
    float plinewid;    /* default width of new polylines */
    uint8_t psltscale; /* 1 when viewport scaling governs line-type scaling */
    char pucsname[40]; /* paper space: name of the current user coordinate system */
    COOR pucsorg;      /* paper space: origin of the user coordinate system, x, y(, z) */
    COOR pucsxdir;     /* paper space: direction of its x axis, x, y(, z) */
    COOR pucsydir;     /* paper space: direction of its y axis, x, y(, z) */
    uint8_t qtextmode; /* texts shown as outline boxes only */
    uint8_t regenmode; /* drawing regenerated automatically */
    uint8_t shadeedge; /* $SHADEDGE: 0 shaded, 1 shaded with edges, 2 edges only, 3 flat faces */
    uint8_t shadedif;  /* percent of diffuse against ambient light in shading, 1 to 100 */
    float sketchinc;   /* length of the segments that freehand sketching records */
    uint8_t skpoly;    /* 1 when sketching records polylines, 0 lines */
    uint8_t splframe;  /* control frames of spline-fit polylines shown */
    uint8_t splinesegs; /* line segments drawn per span of a spline-fit polyline */
    uint8_t splinetype; /* spline fitted to polylines: 5 quadratic, 6 cubic B-spline */
    uint8_t surftab1;   /* mesh tabulations in the first direction */
    uint8_t surftab2;   /* mesh tabulations in the second direction */
    uint8_t surftype;   /* surface fitted to meshes: 5 quadratic, 6 cubic B-spline, 8 Bezier */
    uint8_t surfu;      /* surface density of smoothed meshes in the M direction */
    uint8_t surfv;      /* surface density of smoothed meshes in the N direction */
    double tdcreate;    /* creation date and time: Julian day and fraction, 64-bit real */
    float tdindwg;      /* total editing time, days and fraction */
    double tdupdate;    /* date and time of the last update: Julian day and fraction, 64-bit */
    float tdusrtimer;   /* user elapsed timer, days and fraction */
    float textsize;     /* default height of new texts */
    char textstyle[80]; /* name of the current text style, at most 79 characters */
    float thickness;    /* thickness of new entities */
    uint8_t titlemode;  /* $TILEMODE: 1 when tiled model-space viewports are shown */
    float tracewid;     /* default width of traces */
    char ucsname[40];   /* name of the current user coordinate system */
    COOR ucsorg;        /* origin of the user coordinate system, world x, y(, z) */
    COOR ucsxdir;       /* direction of its x axis, x, y(, z) */
    COOR ucsydir;       /* direction of its y axis, x, y(, z) */
    uint8_t unitmode;   /* low bit set: units shown in their input format */
    uint8_t useri1;     /* user integers: $USERI1 .. $USERI5 are read and dropped, all stay 0 */
    uint8_t useri2;     /* stays 0 */
    uint8_t useri3;     /* stays 0 */
    uint8_t useri4;     /* stays 0 */
    uint8_t useri5;     /* stays 0 */
    float userr1;       /* user reals: $USERR1 .. $USERR5 are read and dropped, all stay 0 */
    float userr2;       /* stays 0 */
    float userr3;       /* stays 0 */
    float userr4;       /* stays 0 */
    float userr5;       /* stays 0 */
    uint8_t usrtimer;   /* user elapsed timer running */
    uint8_t visretain;  /* layer settings of externally referenced drawings kept */
    uint8_t worldview;  /* 1 when changing the view direction switches to world coordinates */
};

#endif
