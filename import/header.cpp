/*
 * header.cpp: the HEADER section reader.
 *
 * Receives the open file positioned just after the groups 0 "SECTION" and 2 "HEADER", and the
 * drawing record of the section driver. Reads header variables (a group 9 naming the variable,
 * then its value groups) up to the section's "ENDSEC" and stores each recognised value in its
 * field of the record. Hands back a status: 0 when "ENDSEC" was read, otherwise ST_UNKNOWNVAR,
 * ST_INVALID or ST_READ (see getDXFheader); the driver then takes the drawing extents from the
 * record.
 */
#include <cstddef>
#include <cstring>

#include "dxf.h"
#include "dxfheader.h"
#include "headervars.h"

void copy_text(char* field, const char* text, size_t size) {
    size_t n = std::strlen(text);
    if (n > size - 1)
        n = size - 1;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

static void store_float(char* field, double v) {
    float f = float(v); /* rounded; beyond the float range it becomes an infinity */
    std::memcpy(field, &f, sizeof f);
}

/* Reads one group and, when its code is 30, keeps it (its value into *z when z is given);
 * otherwise goes back to where the group began so that the header loop reads it next.
 * Returns 0, or the negative status of a position call that failed (the group is then
 * consumed, so the header can never read the same lines again and again). */
static int32_t optional_z(int32_t fh, char* text, char* z) {
    uint32_t group = 0;
    uint32_t fpos = 0;
    int32_t stat = fim_ftell(fh, &fpos);
    if (stat < 0)
        return stat;
    get_grpnm(fh, &group, text);
    if (group == 30) {
        if (z != nullptr)
            store_float(z, dxf_atof(text));
        return 0;
    }
    stat = fim_fseek(fh, fpos, 0);
    return stat < 0 ? stat : 0;
}

void init_dh(DXF* dh) {
    std::memset(dh, 0, sizeof *dh);
    dh->shadedif = 70;
}

/* Reads the value groups of variable v into its field. The results of the reads are not
 * passed on: a file that ends here is noticed by the header loop's next read. */
static int32_t read_value(int32_t fh, char* text, DXF* dh, const HVAR* v) {
    char* field = reinterpret_cast<char*>(dh) + v->field;
    uint32_t group = 0;

    switch (v->kind) {
    case HV_INT8: {
        get_grpnm(fh, &group, text);
        uint8_t b = uint8_t(uint32_t(dxf_atol(text)));
        std::memcpy(field, &b, sizeof b);
        return 0;
    }
    case HV_INT16: {
        get_grpnm(fh, &group, text);
        uint16_t w = uint16_t(uint32_t(dxf_atol(text)));
        std::memcpy(field, &w, sizeof w);
        return 0;
    }
    case HV_VERSION: {
        get_grpnm(fh, &group, text);
        /* "AC1009" gives 1009; a value of fewer than three characters gives 0 */
        int32_t n = (text[0] != '\0' && text[1] != '\0') ? dxf_atol(text + 2) : 0;
        uint16_t w = uint16_t(uint32_t(n));
        std::memcpy(field, &w, sizeof w);
        return 0;
    }
    case HV_REAL:
        get_grpnm(fh, &group, text);
        store_float(field, dxf_atof(text));
        return 0;
    case HV_REAL64: {
        get_grpnm(fh, &group, text);
        double d = dxf_atof(text);
        std::memcpy(field, &d, sizeof d);
        return 0;
    }
    case HV_TEXT:
        get_grpnm(fh, &group, text);
        copy_text(field, text, 40);
        return 0;
    case HV_TEXT80:
        get_grpnm(fh, &group, text);
        copy_text(field, text, 80);
        return 0;
    case HV_POINT:
    case HV_POINTZ:
        get_grpnm(fh, &group, text);
        store_float(field + offsetof(COOR, x), dxf_atof(text));
        get_grpnm(fh, &group, text);
        store_float(field + offsetof(COOR, y), dxf_atof(text));
        if (v->kind == HV_POINTZ)
            return optional_z(fh, text, field + offsetof(COOR, z));
        return 0;
    case HV_SKIP1:
        get_grpnm(fh, &group, text);
        return 0;
    default: /* HV_SKIP2, HV_SKIP2Z */
        get_grpnm(fh, &group, text);
        get_grpnm(fh, &group, text);
        if (v->kind == HV_SKIP2Z)
            return optional_z(fh, text, nullptr);
        return 0;
    }
}

/* text holds the name line of a group 9 and is reused for the value groups. Returns 0 when
 * the name is known and its values were read, ST_UNKNOWNVAR when it is not (nothing read), or the
 * negative status of a failed position call of the optional z step. */
int32_t parse_var(int32_t fh, char* text, DXF* dh) {
    const HVAR* v = find_hvar(text);
    if (v == nullptr)
        return ST_UNKNOWNVAR;
    return read_value(fh, text, dh, v);
}

/* Reads the section's variables into dxfheader through its "ENDSEC". 0 there; ST_INVALID after
 * the alert for a group that is none of 9, 999, 0 "SECTION" or 2 "HEADER"; ST_UNKNOWNVAR at a
 * variable the table does not know; ST_READ when the file fails first. */
int32_t getDXFheader(int32_t fh, DXF* dxfheader) {
    char text[TEXTLEN]; /* the loop's line buffer, also lent to parse_var */
    uint32_t group = 0; /* code of the last group read */
    int32_t stat = 0;   /* status of the last read or variable */

    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        /* acted on also when the read failed: at the end of the file the group is 0 "" */
        switch (group) {
        case 9:
            stat = parse_var(fh, text, dxfheader);
            break;
        case 0:
            if (kw_match(text, "ENDSEC"))
                return 0;
            if (!kw_match(text, "SECTION")) {
                dxf_alert(IDD_INVALID);
                return ST_INVALID;
            }
            break;
        case 2:
            if (!kw_match(text, "HEADER")) {
                dxf_alert(IDD_INVALID);
                return ST_INVALID;
            }
            break;
        case 999:
            break;
        default:
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
    }
    /* an unknown variable, or a failed read whose host status is not passed on */
    return stat == ST_UNKNOWNVAR ? ST_UNKNOWNVAR : ST_READ;
}
