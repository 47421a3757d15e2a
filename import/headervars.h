/*
 * headervars.h: the header variable names that the HEADER section reader knows.
 *
 * One table, used by the header reader (header.cpp) to store each value in its field of the
 * drawing record, and by the host program to tell a user which variables of a drawing the
 * module does not know. Each entry gives the name, how its value groups are read and where the
 * value is stored.
 */
#ifndef IMPORT_HEADERVARS_H
#define IMPORT_HEADERVARS_H

#include <cstddef>
#include <cstdint>

#include "dxfheader.h"

/* How the value groups of a variable are read and stored. */
enum : uint8_t {
    HV_INT8,    /* one group, integer, low 8 bits */
    HV_INT16,   /* one group, integer, low 16 bits */
    HV_REAL,    /* one group, 32-bit real */
    HV_REAL64,  /* one group, 64-bit real */
    HV_TEXT,    /* one group, text of at most 39 characters */
    HV_TEXT80,  /* one group, text of at most 79 characters */
    HV_VERSION, /* one group, the number after the first two characters, low 16 bits */
    HV_POINT,   /* two groups: x, y */
    HV_POINTZ,  /* two groups: x, y; then an optional group 30: z */
    HV_SKIP1,   /* one group, dropped */
    HV_SKIP2,   /* two groups, dropped */
    HV_SKIP2Z,  /* two groups and an optional group 30, dropped */
};

/* One recognised variable name. */
struct HVAR {
    const char* name; /* the name as it begins the group 9 value */
    uint8_t kind;     /* HV_ kind of its value */
    uint16_t field;   /* offset of its field in DXF (0 and unused for the dropped kinds) */
};

#define HF(f) uint16_t(offsetof(DXF, f))

/* The known names, grouped by the letter after "$" in alphabetical order of that letter, so
 * that one test of the letter selects a run of the table. Within a run, a name that begins
 * with another name comes before it ($DIMALTD before $DIMALT): the first match wins. */
inline constexpr HVAR hvars[] = {
    {"$ACADVER", HV_VERSION, HF(acadver)},
    {"$ANGBASE", HV_REAL, HF(angbase)},
    {"$ANGDIR", HV_INT8, HF(angdir)},
    {"$ATTDIA", HV_INT8, HF(attdia)},
    {"$ATTMODE", HV_INT8, HF(attmode)},
    {"$ATTREQ", HV_INT8, HF(attreq)},
    {"$AUNITS", HV_INT8, HF(aunits)},
    {"$AUPREC", HV_INT8, HF(auprec)},
    {"$AXISMODE", HV_INT8, HF(axismode)},
    {"$AXISUNIT", HV_POINT, HF(axisunit)},
    {"$BLIPMODE", HV_INT8, HF(blipmode)},
    {"$CECOLOR", HV_INT16, HF(cecolor)},
    {"$CELTYPE", HV_TEXT, HF(celtype)},
    {"$CHAMFERA", HV_REAL, HF(chamfera)},
    {"$CHAMFERB", HV_REAL, HF(chamferb)},
    {"$CLAYER", HV_TEXT, HF(clayer)},
    {"$COORDS", HV_INT8, HF(coords)},
    {"$DIMALTD", HV_INT8, HF(dimaltd)},
    {"$DIMALTF", HV_REAL, HF(dimaltf)},
    {"$DIMALT", HV_INT8, HF(dimalt)},
    {"$DIMAPOST", HV_TEXT, HF(dimapost)},
    {"$DIMASO", HV_INT8, HF(dimaso)},
    {"$DIMASZ", HV_REAL, HF(dimasz)},
    {"$DIMBLK1", HV_TEXT, HF(dimblk1)},
    {"$DIMBLK2", HV_TEXT, HF(dimblk2)},
    {"$DIMBLK", HV_TEXT, HF(dimblk)},
    {"$DIMCEN", HV_REAL, HF(dimcen)},
    {"$DIMCLRD", HV_INT8, HF(dimclrd)},
    {"$DIMCLRE", HV_INT8, HF(dimclre)},
    {"$DIMCLRT", HV_INT8, HF(dimclrt)},
    {"$DIMDLE", HV_REAL, HF(dimdle)},
    {"$DIMDLI", HV_REAL, HF(dimdli)},
    {"$DIMEXE", HV_REAL, HF(dimexe)},
    {"$DIMEXO", HV_REAL, HF(dimexo)},
    {"$DIMGAP", HV_REAL, HF(dimgap)},
    {"$DIMLFAC", HV_REAL, HF(dimlfac)},
    {"$DIMLIM", HV_INT8, HF(dimlim)},
    {"$DIMPOST", HV_TEXT, HF(dimpost)},
    {"$DIMRND", HV_REAL, HF(dimrnd)},
    {"$DIMSAH", HV_INT8, HF(dimsah)},
    {"$DIMSCALE", HV_REAL, HF(dimscale)},
    {"$DIMSE1", HV_INT8, HF(dimse1)},
    {"$DIMSE2", HV_INT8, HF(dimse2)},
    {"$DIMSHO", HV_INT8, HF(dimsho)},
    {"$DIMSOXD", HV_INT8, HF(dimsoxd)},
    {"$DIMSTYLE", HV_TEXT, HF(dinstyle)},
    {"$DIMTAD", HV_INT8, HF(dimtad)},
    {"$DIMTFAC", HV_REAL, HF(dimtfac)},
    {"$DIMTIH", HV_INT8, HF(dimtih)},
    {"$DIMTIX", HV_INT8, HF(dimtix)},
    {"$DIMTM", HV_REAL, HF(dimtm)},
    {"$DIMTOFL", HV_INT8, HF(dimtofl)},
    {"$DIMTOH", HV_INT8, HF(dimtoh)},
    {"$DIMTOL", HV_INT8, HF(dimtol)},
    {"$DIMTP", HV_REAL, HF(dimtp)},
    {"$DIMTSZ", HV_REAL, HF(dimtsz)},
    {"$DIMTVP", HV_REAL, HF(dimtvp)},
    {"$DIMTXT", HV_REAL, HF(dimtxt)},
    {"$DIMZIN", HV_INT8, HF(dimzin)},
    {"$DWGCODEPAGE", HV_INT8, HF(dwgcodepage)},
    {"$DRAGMODE", HV_INT8, HF(dragmode)},
    {"$ELEVATION", HV_REAL, HF(elevation)},
    {"$EXTMAX", HV_POINTZ, HF(extmax)},
    {"$EXTMIN", HV_POINTZ, HF(extmin)},
    {"$FASTZOOM", HV_SKIP1, 0},
    {"$FILLETRAD", HV_REAL, HF(filletrad)},
    {"$FILLMODE", HV_INT8, HF(fillmode)},
    {"$GRIDMODE", HV_SKIP1, 0},
    {"$GRIDUNIT", HV_SKIP2, 0},
    {"$HANDLING", HV_INT8, HF(handling)},
    {"$HANDSEED", HV_TEXT, HF(handseed)},
    {"$INSBASE", HV_POINTZ, HF(insbase)},
    {"$LIMCHECK", HV_INT8, HF(limcheck)},
    {"$LIMMAX", HV_POINT, HF(limmax)},
    {"$LIMMIN", HV_POINT, HF(limmin)},
    {"$LTSCALE", HV_REAL, HF(ltscale)},
    {"$LUNITS", HV_INT8, HF(lunits)},
    {"$LUPREC", HV_INT8, HF(luprec)},
    {"$MAXACTVP", HV_INT8, HF(maxactvp)},
    {"$MENU", HV_TEXT, HF(menu)},
    {"$MIRRTEXT", HV_INT8, HF(mirrtext)},
    {"$ORTHOMODE", HV_INT8, HF(orthomode)},
    {"$OSMODE", HV_INT8, HF(osmode)},
    {"$PDMODE", HV_INT8, HF(pdmode)},
    {"$PDSIZE", HV_REAL, HF(pdsize)},
    {"$PELEVATION", HV_REAL, HF(pelevation)},
    {"$PEXTMAX", HV_POINTZ, HF(pextmax)},
    {"$PEXTMIN", HV_POINTZ, HF(pextmin)},
    {"$PINSBASE", HV_SKIP2Z, 0},
    {"$PLIMCHECK", HV_INT8, HF(plimcheck)},
    {"$PLIMMAX", HV_POINT, HF(plimmax)},
    {"$PLIMMIN", HV_POINT, HF(plimmin)},
    {"$PLINEGEN", HV_INT8, HF(plinegen)},
    {"$PLINEWID", HV_REAL, HF(plinewid)},
    {"$PSLTSCALE", HV_INT8, HF(psltscale)},
    {"$PUCSNAME", HV_TEXT, HF(pucsname)},
    {"$PUCSORG", HV_POINTZ, HF(pucsorg)},
    {"$PUCSXDIR", HV_POINTZ, HF(pucsxdir)},
    {"$PUCSYDIR", HV_POINTZ, HF(pucsydir)},
    {"$QTEXTMODE", HV_INT8, HF(qtextmode)},
    {"$REGENMODE", HV_INT8, HF(regenmode)},
    {"$SHADEDGE", HV_INT8, HF(shadeedge)},
    {"$SHADEDIF", HV_INT8, HF(shadedif)},
    {"$SKETCHINC", HV_REAL, HF(sketchinc)},
    {"$SKPOLY", HV_INT8, HF(skpoly)},
    {"$SNAPANG", HV_SKIP1, 0},
    {"$SNAPBASE", HV_SKIP2, 0},
    {"$SNAPISOPAIR", HV_SKIP1, 0},
    {"$SNAPMODE", HV_SKIP1, 0},
    {"$SNAPSTYLE", HV_SKIP1, 0},
    {"$SNAPUNIT", HV_SKIP2, 0},
    {"$SPLFRAME", HV_INT8, HF(splframe)},
    {"$SPLINESEGS", HV_INT8, HF(splinesegs)},
    {"$SPLINETYPE", HV_INT8, HF(splinetype)},
    {"$SURFTAB1", HV_INT8, HF(surftab1)},
    {"$SURFTAB2", HV_INT8, HF(surftab2)},
    {"$SURFTYPE", HV_INT8, HF(surftype)},
    {"$SURFU", HV_INT8, HF(surfu)},
    {"$SURFV", HV_INT8, HF(surfv)},
    {"$TDCREATE", HV_REAL64, HF(tdcreate)},
    {"$TDINDWG", HV_REAL, HF(tdindwg)},
    {"$TDUPDATE", HV_REAL64, HF(tdupdate)},
    {"$TDUSRTIMER", HV_REAL, HF(tdusrtimer)},
    {"$TEXTSIZE", HV_REAL, HF(textsize)},
    {"$TEXTSTYLE", HV_TEXT80, HF(textstyle)},
    {"$THICKNESS", HV_REAL, HF(thickness)},
    {"$TILEMODE", HV_INT8, HF(titlemode)},
    {"$TRACEWID", HV_REAL, HF(tracewid)},
    {"$UCSNAME", HV_TEXT, HF(ucsname)},
    {"$UCSORG", HV_POINTZ, HF(ucsorg)},
    {"$UCSXDIR", HV_POINTZ, HF(ucsxdir)},
    {"$UCSYDIR", HV_POINTZ, HF(ucsydir)},
    {"$UNITMODE", HV_INT8, HF(unitmode)},
    {"$USER", HV_SKIP1, 0}, /* the ten user variables $USERI1 .. $USERR5 */
    {"$USRTIMER", HV_INT8, HF(usrtimer)},
    {"$VIEWCTR", HV_SKIP2, 0},
    {"$VIEWDIR", HV_SKIP2Z, 0},
    {"$VIEWSIZE", HV_SKIP1, 0},
    {"$VISRETAIN", HV_INT8, HF(visretain)},
    {"$WORLDVIEW", HV_INT8, HF(worldview)},
};

#undef HF

enum : int { NHVARS = int(sizeof(hvars) / sizeof(hvars[0])) };

/* Where each letter's run of hvars begins; run of letter i is first[i] .. first[i + 1]. */
struct HRUNS {
    uint8_t first[27]; /* index into hvars, by letter A .. Z, and the end of the table */
};

inline constexpr HRUNS make_runs() {
    HRUNS runs{};
    for (int letter = 0; letter <= 26; letter++) {
        int i = 0;
        while (i < NHVARS && hvars[i].name[1] - 'A' < letter)
            i++;
        runs.first[letter] = uint8_t(i);
    }
    return runs;
}

inline constexpr HRUNS hruns = make_runs();

/* Non-zero when a begins with all of b. */
inline constexpr bool begins_with(const char* a, const char* b) {
    while (*b != '\0') {
        if (*a++ != *b++)
            return false;
    }
    return true;
}

/* The table must be grouped by letter in order, and no name may stand before a longer name
 * that begins with it (the longer one could never match). */
inline constexpr bool table_sound() {
    for (int i = 0; i < NHVARS; i++) {
        if (hvars[i].name[0] != '$' || hvars[i].name[1] < 'A' || hvars[i].name[1] > 'Z')
            return false;
        if (i > 0 && hvars[i].name[1] < hvars[i - 1].name[1])
            return false;
        for (int j = i + 1; j < NHVARS; j++) {
            if (begins_with(hvars[j].name, hvars[i].name))
                return false;
        }
    }
    return true;
}

static_assert(NHVARS == 140, "the header knows 140 variable names");
static_assert(table_sound(), "header names out of order");

/* The entry that a group 9 value names: the first of its letter's run that the value begins
 * with (so "$DIMALTD" finds $DIMALTD, and "$DIMALTX" finds $DIMALT), or null when the value
 * names no known variable. */
inline const HVAR* find_hvar(const char* text) {
    if (text[0] == '\0' || text[1] < 'A' || text[1] > 'Z')
        return nullptr;
    int letter = text[1] - 'A';
    for (int i = hruns.first[letter]; i < hruns.first[letter + 1]; i++) {
        if (begins_with(text, hvars[i].name))
            return &hvars[i];
    }
    return nullptr;
}

#endif
