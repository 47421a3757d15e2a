/*
 * tables.cpp: the TABLES section reader and the lookups by name.
 *
 * Receives the open file from the section driver just after the section's name. Reads the
 * line-type table (LTYPE) and the layer table (LAYER) into the fixed arrays Line and Layer,
 * skips the other tables it knows, and refuses a section that is not well formed. Hands on
 * the filled tables and their counts, through which the polyline converter resolves an
 * entity's layer, line type and colour.
 */
#include "dxf.h"

#include <cstring>

LAYER Layer[MAXTABLE];
LINE Line[MAXTABLE];
uint16_t MAXLAY;
uint16_t MAXLINE;

/* Closes the entry being filled. The count stops at the arrays' size: entries past it are
 * read through but not kept. */
static void count_entry(uint16_t* count) {
    if (*count < MAXTABLE)
        ++*count;
}

/*
 * Reads the section up to its (0, "ENDSEC"). Returns 0 there; ST_INVALID after showing "Invalid DXF
 * File" for a group whose code is not 0, 1 or 2 (a table this reader does not know is refused
 * this way) or for a name that begins with HEADER; ST_READ without an alert when the file fails
 * first. Entries read before a failure stay in the tables.
 */
int32_t GetTables(int32_t fh, DXF* dxfheader) {
    (void)dxfheader;
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        if (group == 0) {
            if (kw_match(text, "ENDSEC"))
                return 0;
            continue;
        }
        if (group != 1 && group != 2) {
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
        if (kw_match(text, "HEADER")) {
            dxf_alert(IDD_INVALID);
            return ST_INVALID;
        }
        /* The pair after a table's name is its group 70, which is not used. */
        if (kw_match(text, "APPID") || kw_match(text, "DIMSTYLE")) {
            get_grpnm(fh, &group, text);
            stat = drop_table(fh);
        } else if (kw_match(text, "LTYPE")) {
            get_grpnm(fh, &group, text);
            stat = get_ltype(fh);
        } else if (kw_match(text, "LAYER")) {
            get_grpnm(fh, &group, text);
            stat = get_layer(fh);
        } else if (kw_match(text, "STYLE") || kw_match(text, "UCS") || kw_match(text, "VIEW") ||
                   kw_match(text, "VPORT")) {
            get_grpnm(fh, &group, text);
            stat = drop_table(fh);
        }
        /* Any other name is ignored; an unknown table's group 70 then refuses the section. */
    }
    return ST_READ; /* the file failed first; its status is not passed on */
}

/*
 * Reads the entries of a line-type table through its (0, "ENDTAB"): 0 there (also when the
 * table has no entries), or the group reader's negative status when the file fails first.
 * MAXLINE counts the entries read, at most the arrays' size.
 */
int32_t get_ltype(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    /* The opening pair of the first entry; in an empty table it is the table's end. */
    int32_t stat = get_grpnm(fh, &group, text);
    if (stat < 0)
        return stat;
    if (group == 0 && kw_match(text, "ENDTAB"))
        return 0;
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        LINE* entry = MAXLINE < MAXTABLE ? &Line[MAXLINE] : nullptr; /* null: not kept */
        switch (group) {
        case 0:
            if (kw_match(text, "ENDTAB")) {
                count_entry(&MAXLINE);
                return 0;
            }
            if (kw_match(text, "LTYPE"))
                count_entry(&MAXLINE);
            break;
        case 2:
            if (entry)
                copy_text(entry->name, text, NAMELEN);
            break;
        case 3:
            if (entry)
                copy_text(entry->desc, text, NAMELEN);
            break;
        case 40:
            if (entry)
                entry->tpl = dxf_atof(text);
            break;
        case 73:
            if (entry)
                entry->nodli = uint8_t(uint32_t(dxf_atol(text)) & 0xFFu);
            break;
        default:
            break;
        }
    }
    return stat;
}

/* Reads the entries of a layer table, as get_ltype does for line types; a layer's line type
 * is resolved against the line types read so far. */
int32_t get_layer(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = get_grpnm(fh, &group, text);
    if (stat < 0)
        return stat;
    if (group == 0 && kw_match(text, "ENDTAB"))
        return 0;
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        LAYER* entry = MAXLAY < MAXTABLE ? &Layer[MAXLAY] : nullptr; /* null: not kept */
        switch (group) {
        case 0:
            if (kw_match(text, "ENDTAB")) {
                count_entry(&MAXLAY);
                return 0;
            }
            if (kw_match(text, "LAYER"))
                count_entry(&MAXLAY);
            break;
        case 2:
            if (entry)
                copy_text(entry->name, text, NAMELEN);
            break;
        case 6:
            if (entry)
                entry->linetype = get_linetype(text, 0);
            break;
        case 62:
            if (entry)
                entry->color = uint16_t(uint32_t(dxf_atol(text)) & 0xFFFFu);
            break;
        default:
            break;
        }
    }
    return stat;
}

/* The number of the first layer named text, exactly; 0 when there is none. */
uint16_t get_layerno(const char* text) {
    for (uint16_t n = 0; n < MAXLAY && n < MAXTABLE; ++n)
        if (std::strcmp(text, Layer[n].name) == 0)
            return n;
    return 0;
}

/* The number of the line type named text, exactly, or the line type of layer lno for
 * "BYLAYER"; 0 when there is none. */
uint16_t get_linetype(const char* text, uint16_t lno) {
    if (std::strcmp(text, "BYLAYER") == 0)
        return lno < MAXTABLE ? Layer[lno].linetype : 0;
    for (uint16_t n = 0; n < MAXLINE && n < MAXTABLE; ++n)
        if (std::strcmp(text, Line[n].name) == 0)
            return n;
    return 0;
}

/* The colour of layer lno for "BYLAYER", else the decimal number that text begins with,
 * low 16 bits. */
uint16_t get_color(const char* text, uint16_t lno) {
    if (std::strcmp(text, "BYLAYER") == 0)
        return lno < MAXTABLE ? Layer[lno].color : 0;
    return uint16_t(uint32_t(dxf_atol(text)) & 0xFFFFu);
}
