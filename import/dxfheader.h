/*
 * dxfheader.h: the drawing record that the HEADER section fills.
 *
 * The section driver owns one record per import, clears it with init_dh and hands it to the
 * header reader (header.cpp), which stores each recognised header variable in its field. The
 * driver then reads the drawing extents (extmin, extmax); the other section readers receive a
 * pointer to the record and read none of its fields.
 */
#ifndef IMPORT_DXFHEADER_H
#define IMPORT_DXFHEADER_H

#include <cstdint>

#include "dxf.h"

/* A point of the header, drawing units. */
struct COOR {
    float x; /* group 10 */
    float y; /* group 20 */
    float z; /* group 30, when the variable has one */
};

/* One field for each header variable, in this order; texts hold at most 39 (79) characters. */
struct DXF {
    uint16_t acadver;    /* $ACADVER: the number after "AC" */
    float angbase;       /* $ANGBASE */
    uint8_t angdir;      /* $ANGDIR */
    uint8_t attdia;      /* $ATTDIA */
    uint8_t attmode;     /* $ATTMODE */
    uint8_t attreq;      /* $ATTREQ */
    uint8_t aunits;      /* $AUNITS */
    uint8_t auprec;      /* $AUPREC */
    uint8_t axismode;    /* $AXISMODE */
    COOR axisunit;       /* $AXISUNIT: x, y */
    uint8_t blipmode;    /* $BLIPMODE */
    uint16_t cecolor;    /* $CECOLOR */
    char celtype[40];    /* $CELTYPE */
    float chamfera;      /* $CHAMFERA */
    float chamferb;      /* $CHAMFERB */
    char clayer[40];     /* $CLAYER */
    uint8_t coords;      /* $COORDS */
    uint8_t dimalt;      /* $DIMALT */
    uint8_t dimaltd;     /* $DIMALTD */
    float dimaltf;       /* $DIMALTF */
    char dimapost[40];   /* $DIMAPOST */
    uint8_t dimaso;      /* $DIMASO */
    float dimasz;        /* $DIMASZ */
    char dimblk[40];     /* $DIMBLK */
    char dimblk1[40];    /* $DIMBLK1 */
    char dimblk2[40];    /* $DIMBLK2 */
    float dimcen;        /* $DIMCEN */
    uint8_t dimclrd;     /* $DIMCLRD */
    uint8_t dimclre;     /* $DIMCLRE */
    uint8_t dimclrt;     /* $DIMCLRT */
    float dimdle;        /* $DIMDLE */
    float dimdli;        /* $DIMDLI */
    float dimexe;        /* $DIMEXE */
    float dimexo;        /* $DIMEXO */
    float dimgap;        /* $DIMGAP */
    float dimlfac;       /* $DIMLFAC */
    uint8_t dimlim;      /* $DIMLIM */
    char dimpost[40];    /* $DIMPOST */
    float dimrnd;        /* $DIMRND */
    uint8_t dimsah;      /* $DIMSAH */
    float dimscale;      /* $DIMSCALE */
    uint8_t dimse1;      /* $DIMSE1 */
    uint8_t dimse2;      /* $DIMSE2 */
    uint8_t dimsho;      /* $DIMSHO */
    uint8_t dimsoxd;     /* $DIMSOXD */
    char dinstyle[40];   /* $DIMSTYLE */
    uint8_t dimtad;      /* $DIMTAD */
    float dimtfac;       /* $DIMTFAC */
    uint8_t dimtih;      /* $DIMTIH */
    uint8_t dimtix;      /* $DIMTIX */
    float dimtm;         /* $DIMTM */
    uint8_t dimtofl;     /* $DIMTOFL */
    uint8_t dimtoh;      /* $DIMTOH */
    uint8_t dimtol;      /* $DIMTOL */
    float dimtp;         /* $DIMTP */
    float dimtsz;        /* $DIMTSZ */
    float dimtvp;        /* $DIMTVP */
    float dimtxt;        /* $DIMTXT */
    uint8_t dimzin;      /* $DIMZIN */
    uint8_t dwgcodepage; /* $DWGCODEPAGE */
    uint8_t dragmode;    /* $DRAGMODE */
    float elevation;     /* $ELEVATION */
    COOR extmax;         /* $EXTMAX: upper-right corner of the drawing, optional z */
    COOR extmin;         /* $EXTMIN: lower-left corner of the drawing, optional z */
    float filletrad;     /* $FILLETRAD */
    uint8_t fillmode;    /* $FILLMODE */
    uint8_t handling;    /* $HANDLING */
    char handseed[40];   /* $HANDSEED */
    COOR insbase;        /* $INSBASE, optional z */
    uint8_t limcheck;    /* $LIMCHECK */
    COOR limmax;         /* $LIMMAX: x, y */
    COOR limmin;         /* $LIMMIN: x, y */
    float ltscale;       /* $LTSCALE */
    uint8_t lunits;      /* $LUNITS */
    uint8_t luprec;      /* $LUPREC */
    uint8_t maxactvp;    /* $MAXACTVP */
    char menu[40];       /* $MENU */
    uint8_t mirrtext;    /* $MIRRTEXT */
    uint8_t orthomode;   /* $ORTHOMODE */
    uint8_t osmode;      /* $OSMODE */
    uint8_t pdmode;      /* $PDMODE */
    float pdsize;        /* $PDSIZE */
    float pelevation;    /* $PELEVATION */
    COOR pextmax;        /* $PEXTMAX, optional z */
    COOR pextmin;        /* $PEXTMIN, optional z */
    uint8_t plimcheck;   /* $PLIMCHECK */
    COOR plimmax;        /* $PLIMMAX: x, y */
    COOR plimmin;        /* $PLIMMIN: x, y */
    uint8_t plinegen;    /* $PLINEGEN */
    float plinewid;      /* $PLINEWID */
    uint8_t psltscale;   /* $PSLTSCALE */
    char pucsname[40];   /* $PUCSNAME */
    COOR pucsorg;        /* $PUCSORG, optional z */
    COOR pucsxdir;       /* $PUCSXDIR, optional z */
    COOR pucsydir;       /* $PUCSYDIR, optional z */
    uint8_t qtextmode;   /* $QTEXTMODE */
    uint8_t regenmode;   /* $REGENMODE */
    uint8_t shadeedge;   /* $SHADEDGE */
    uint8_t shadedif;    /* $SHADEDIF; 70 until the file sets it */
    float sketchinc;     /* $SKETCHINC */
    uint8_t skpoly;      /* $SKPOLY */
    uint8_t splframe;    /* $SPLFRAME */
    uint8_t splinesegs;  /* $SPLINESEGS */
    uint8_t splinetype;  /* $SPLINETYPE */
    uint8_t surftab1;    /* $SURFTAB1 */
    uint8_t surftab2;    /* $SURFTAB2 */
    uint8_t surftype;    /* $SURFTYPE */
    uint8_t surfu;       /* $SURFU */
    uint8_t surfv;       /* $SURFV */
    double tdcreate;     /* $TDCREATE */
    float tdindwg;       /* $TDINDWG */
    double tdupdate;     /* $TDUPDATE */
    float tdusrtimer;    /* $TDUSRTIMER */
    float textsize;      /* $TEXTSIZE */
    char textstyle[80];  /* $TEXTSTYLE */
    float thickness;     /* $THICKNESS */
    uint8_t titlemode;   /* $TILEMODE */
    float tracewid;      /* $TRACEWID */
    char ucsname[40];    /* $UCSNAME */
    COOR ucsorg;         /* $UCSORG, optional z */
    COOR ucsxdir;        /* $UCSXDIR, optional z */
    COOR ucsydir;        /* $UCSYDIR, optional z */
    uint8_t unitmode;    /* $UNITMODE */
    uint8_t useri1;      /* user integers: their variables are read and dropped, stay 0 */
    uint8_t useri2;      /* stays 0 */
    uint8_t useri3;      /* stays 0 */
    uint8_t useri4;      /* stays 0 */
    uint8_t useri5;      /* stays 0 */
    float userr1;        /* user reals: read and dropped, stay 0 */
    float userr2;        /* stays 0 */
    float userr3;        /* stays 0 */
    float userr4;        /* stays 0 */
    float userr5;        /* stays 0 */
    uint8_t usrtimer;    /* $USRTIMER */
    uint8_t visretain;   /* $VISRETAIN */
    uint8_t worldview;   /* $WORLDVIEW */
};

#endif
