/*
 * command.cpp: the import command, function 1 of the module door.
 *
 * Receives the host's call with its source. Asks the host for the target frame, lets the user
 * choose a DXF file in the host's file selector, opens it, prepares the frame's header and data
 * blocks and hands the file and the data block to the section driver. Afterwards closes the
 * file, has the host mark the frame and names the frame after the file. Hands back 0 when the
 * drawing was imported, 1 when nothing was done, ST_UNFINISHED (-1) when the import failed; every
 * failure after the file selector is cleaned up and reported by onError with the host's message.
 */
#include <cstdint>
#include <cstring>

#include "dxf.h"

char filespec[PATHLEN];
char filename[PATHLEN];
char ext[1][PATHLEN] = {"DXF"};
static char defext[] = "DXF"; /* the selector's default extension */
static char heading[PATHLEN]; /* the selector's heading, loaded before each selection */

XFSPB fsel = {
    0,        /* flags, cleared before every selection */
    filename, /* pfname: receives the chosen file's name */
    1,        /* npaths */
    nullptr,  /* ppath: path entry 7 of the host's paths block, set before each selection */
    -1,       /* sort: taken from sort entry 7 before each selection */
    defext,   /* pdefext */
    nullptr,  /* phd: heading, set before each selection */
    nullptr,  /* pfspec: the caller's buffer, set before each selection */
    1,        /* next: entries in ext */
    0,        /* sext */
    ext,      /* pext */
    nullptr,  /* resvd */
};

enum : int {
    SPB_ENTRY = 7,     /* the paths block's entry used by this import */
    OBJ_DXF = 0x11,    /* type of the document object the import creates */
    FRAME_SEL = 0xF04, /* asks xmd_fframe for the target frame */
    FRH_NAMED = 0x80,  /* bit of hd.sstat: a name follows the sub-entries */
    FRH_SIZE = 56,     /* bytes of the frame header before its sub-entries */
    OGR_SIZE = 24,     /* bytes of the vector object header */
};

int32_t mod_exec(int16_t source, XM_EDIS* ped) {
    (void)ped;
    FRD fr = {};      /* the target frame; stays empty when the host cannot describe it */
    int32_t fh = 0;   /* the open file, 0 while none is open */
    int32_t hdxf = 0; /* the document object, 0 while there is none */
    int32_t stat;     /* status of the last step */

    stat = xmd_fframe(FRAME_SEL, 0, &fr);
    if (uint16_t(uint32_t(stat)) == 1)
        return 1; /* no target frame */
    if (source == 1) {
        usi_mset(0);
        return 0;
    }
    if (source != 0)
        return 1;

    fsel.flags = 0;
    if (fre_change(&fr) != 0)
        return 1;
    if (selectFile(IDS_SELHEAD, filespec) != 0)
        return 1;

    stat = dsm_ocreate(OBJ_DXF, 0, &hdxf);
    if (stat < 0)
        return onError(stat, 0, 0);
    stat = openDXF(filespec, &fh);
    if (stat < 0)
        return onError(stat, 0, hdxf); /* no file is open */
    stat = importDXF(fh, fr.hfrh, fr.hdat);
    if (stat < 0)
        return onError(stat, fh, hdxf);
    stat = fim_fclose(fh);
    if (stat < 0)
        return onError(stat, fh, hdxf); /* the file may still be open: one more close */
    stat = dom_mark(fr.hfrh);
    if (stat < 0)
        return onError(stat, 0, hdxf);
    stat = set_frame_name(fr.hfrh, fsel.pfname);
    if (stat < 0)
        return onError(stat, 0, hdxf);
    usi_mset(0);
    return 0;
}

/* Runs the host's file selector with heading string headerID; the chosen file's full
 * path and name go to lpstrFileSpec (260 bytes) and its name to filename. Returns 0 when a
 * file was chosen, 1 otherwise. Both texts are left zero-terminated whatever the host wrote. */
int32_t selectFile(int headerID, char* lpstrFileSpec) {
    SPB* spb = set_spb();
    if (spb == nullptr)
        return 1;
    heading[0] = '\0';
    LoadStringA(_hModule, UINT(headerID), heading, PATHLEN);
    fsel.phd = heading;
    fsel.ppath = spb->paths[SPB_ENTRY];
    fsel.sort = spb->sort[SPB_ENTRY];
    fsel.pfspec = lpstrFileSpec;
    int32_t stat = fim_xfsel(&fsel);
    lpstrFileSpec[PATHLEN - 1] = '\0';
    filename[PATHLEN - 1] = '\0';
    if (stat != 0)
        return 1;
    spb->sort[SPB_ENTRY] = fsel.sort; /* the host remembers the user's last sort mode */
    return 0;
}

int32_t openDXF(const char* lpstrFileName, int32_t* pfh) {
    return fim_fopen(lpstrFileName, 0, pfh);
}

/* Grows a data block of size bytes (less than an object header) to the 24 bytes of the
 * object header, the new bytes zero. Returns 0 or the first negative status; the block's
 * write access is ended on every way out. */
static int32_t grow_to_header(int32_t hogr, uint32_t size) {
    void* p = nullptr;
    int32_t stat = emm_write(hogr, &p, 0);
    if (stat < 0)
        return stat;
    stat = emm_resz(hogr, OGR_SIZE, &p);
    if (stat >= 0)
        std::memset(static_cast<char*>(p) + size, 0, OGR_SIZE - size);
    int32_t estat = emm_ewrite(hogr);
    return stat < 0 ? stat : (estat < 0 ? estat : 0);
}

int32_t importDXF(int32_t fh, int32_t hfrh, int32_t hogr) {
    void* p = nullptr;
    uint32_t size = 0;
    int32_t stat = emm_write(hfrh, &p, 0);
    if (stat < 0)
        return stat;
    stat = emm_size(hogr, &size);
    if (stat < 0) {
        emm_ewrite(hfrh);
        return stat;
    }
    static_cast<FRH*>(p)->nsub = 1;
    stat = emm_ewrite(hfrh);
    if (stat < 0)
        return stat;

    /* the data block becomes a bare object header: an earlier object is discarded */
    if (size > OGR_SIZE)
        stat = emm_resz(hogr, OGR_SIZE, nullptr);
    else if (size < OGR_SIZE)
        stat = grow_to_header(hogr, size);
    if (stat < 0)
        return stat;
    return parceFile(fh, hogr);
}

int32_t set_frame_name(int32_t hfr, const char* lpstrFrameName) {
    void* p = nullptr;
    int32_t stat = emm_write(hfr, &p, 0);
    if (stat < 0)
        return stat;
    FRH* pfrh = static_cast<FRH*>(p);
    uint64_t fsize = FRH_SIZE + 4 * uint64_t(pfrh->nsub); /* where the name begins */
    uint32_t nsize = uint32_t(lstrlenA(lpstrFrameName));

    if (fsize + nsize + 1 > UINT32_MAX) {
        stat = KST_RANGE; /* no block can hold this many sub-entries */
    } else if (nsize != 0) {
        stat = emm_resz(hfr, uint32_t(fsize + nsize + 1), &p);
        if (stat >= 0) {
            pfrh = static_cast<FRH*>(p);
            pfrh->hd.sstat |= FRH_NAMED;
            lstrcpyA(static_cast<char*>(p) + fsize, lpstrFrameName);
        }
    } else {
        pfrh->hd.sstat &= uint8_t(~FRH_NAMED);
        stat = emm_resz(hfr, uint32_t(fsize), nullptr); /* drops an earlier name */
    }

    if (stat >= 0) {
        stat = emm_ewrite(hfr);
    } else if (emm_ewrite(hfr) < 0) {
        stat = ST_FRAMEHDR;
    }
    return stat < 0 ? stat : 0;
}

int32_t onError(int32_t stat, int32_t fh, int32_t mh) {
    usi_mset(0);
    if (fh != 0)
        fim_fclose(fh);
    if (mh != 0)
        dsm_odelete(mh);
    if (stat == 0)
        stat = ST_UNFINISHED; /* the host is told of a failure, never of a success */
    fom_stat(stat);
    return ST_UNFINISHED;
}
