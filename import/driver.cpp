/*
 * driver.cpp: the section driver, which walks the top level of the drawing.
 *
 * Receives the open file and the frame's data block (its 24-byte object header and nothing
 * after it). Locks the block for writing, reads the top-level groups and hands each section to
 * its reader: HEADER to the header reader, after which it sets up the drawing-to-object mapping
 * and the object's best size; TABLES, BLOCKS and ENTITIES to theirs. At "EOF" it writes the
 * terminator after the last record. Hands back the finished vector object in the block and a
 * status: 0 at "EOF", ST_UNFINISHED after bad input (alert shown, object terminated), or the
 * negative status of a failing read, reader or host call (object not terminated).
 */
#include <cmath>

#include "dxf.h"
#include "dxfheader.h"

/* End states of a walk. */
enum : uint8_t {
    WALK_RUNNING = 0, /* reading on */
    WALK_EOF = 1,     /* the end marker was met */
    WALK_STOPPED = 2, /* bad input or a failing reader stopped the walk */
};

/* Releases the block store, if this walk made one, and forgets its handle. */
static void release_store(void) {
    if (hObj != 0) {
        emm_rel(hObj);
        hObj = 0;
        pObj = nullptr;
    }
}

/* One side of the best size: the extent in hundredths, raised by powers of ten to at least
 * 100000. Only a positive finite extent is raised; anything else is stored as it truncates. */
static uint32_t best_side(double extent) {
    double b = extent * 100.0;
    if (b > 0.0 && std::isfinite(b)) {
        while (b < 100000.0)
            b *= 10.0;
    }
    return dxf_best(b);
}

/* Takes the mapping and the best size from the extents the header left in dh. Returns
 * non-zero when both sides are positive and finite, so that records can be mapped. */
static int derive_mapping(const DXF* dh) {
    dmaxx = dh->extmax.x;
    dmaxy = dh->extmax.y;
    dminx = dh->extmin.x;
    dminy = dh->extmin.y;
    dwidth = dmaxx - dminx;
    dheight = dmaxy - dminy;
    pogr->bestw = best_side(dwidth);
    pogr->besth = best_side(dheight);
    return dwidth > 0.0 && std::isfinite(dwidth) && dheight > 0.0 && std::isfinite(dheight);
}

int32_t parceFile(int32_t fh, int32_t lhogr) {
    DXF dxfheader;         /* the drawing record of this import */
    uint32_t group = 0;    /* code of the last group read */
    char text[TEXTLEN];    /* value of the last group read */
    int32_t stat;          /* status of the last operation */
    uint8_t breakflag = 0; /* WALK_ end state */
    int mapped = 0;        /* a usable mapping was derived in this walk */
    int blocks_seen = 0;   /* a BLOCKS section was met in this walk */

    init_dh(&dxfheader);
    /* Nothing of an earlier import is used: its store was released when it ended. */
    MAXLAY = 0;
    MAXLINE = 0;
    MAXOBJ = 0;
    hObj = 0;
    dminx = dminy = dmaxx = dmaxy = dwidth = dheight = 0.0;

    hogr = lhogr;
    tSize = 24;
    Offset = 24;
    VOHOffset = 24;
    stat = emm_write(hogr, reinterpret_cast<void**>(&pogr), 0);
    if (stat < 0)
        return stat;

    while (stat >= 0 && breakflag == WALK_RUNNING) {
        /* acted on also when the read failed: at the end of the file the group is 0 "" */
        stat = get_grpnm(fh, &group, text);
        if (group != 0) {
            dxf_alert(IDD_INVALID);
            breakflag = WALK_STOPPED;
            continue;
        }
        if (kw_match(text, "SECTION")) {
            stat = get_grpnm(fh, &group, text); /* the section name; its code is not looked at */
            if (kw_match(text, "HEADER")) {
                release_store(); /* made by a BLOCKS section before this header */
                stat = getDXFheader(fh, &dxfheader);
                mapped = derive_mapping(&dxfheader);
                MAXLAY = 0;
                MAXLINE = 0;
                MAXOBJ = 0;
                if (stat >= 0 && !mapped) {
                    /* no area to map the drawing onto */
                    dxf_alert(IDD_INVALID);
                    breakflag = WALK_STOPPED;
                }
                continue;
            }
            if (kw_match(text, "TABLES")) {
                stat = GetTables(fh, &dxfheader);
                if (stat >= 0)
                    continue;
                breakflag = WALK_STOPPED;
            } else if (kw_match(text, "BLOCKS")) {
                if (blocks_seen) {
                    dxf_alert(IDD_INVALID);
                    breakflag = WALK_STOPPED;
                    continue;
                }
                blocks_seen = 1;
                stat = GetBlocks(fh, &dxfheader);
                if (stat >= 0)
                    continue;
                breakflag = WALK_STOPPED;
            } else if (kw_match(text, "ENTITIES")) {
                if (!mapped) {
                    dxf_alert(IDD_INVALID);
                    breakflag = WALK_STOPPED;
                    continue;
                }
                stat = GetEntities(fh, &dxfheader);
                if (stat >= 0)
                    continue;
                breakflag = WALK_STOPPED;
            }
        }
        if (kw_match(text, "EOF")) {
            /* the end marker ends the walk normally, even when its line had no line feed */
            breakflag = WALK_EOF;
            stat = 0;
            continue;
        }
        if (stat != ST_NOT3D)
            dxf_alert(IDD_INVALID);
        breakflag = WALK_STOPPED;
    }

    /* Every way out: the data block is unlocked and the block store released. */
    if (stat >= 0) {
        stat = emm_resz(hogr, tSize + 2, reinterpret_cast<void**>(&pogr));
        if (stat >= 0) {
            tSize += 2;
            /* an unfinished record is left out: the terminator goes where it began */
            pvoh = reinterpret_cast<VOH*>(reinterpret_cast<char*>(pogr) + VOHOffset);
            pvoh->type = 255;
        }
    }
    int32_t estat = emm_ewrite(hogr);
    release_store();
    if (stat < 0)
        return stat;
    if (estat < 0)
        return estat; /* the block stayed locked: the import cannot be finished */
    return breakflag == WALK_EOF ? ST_OK : ST_UNFINISHED;
}
