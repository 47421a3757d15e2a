/*
 * reader.cpp: the group reader.
 *
 * Turns the open DXF file into the stream of groups (a code line, then a value line) that every
 * section reader consumes. It reads one byte per host call and keeps nothing of its own: the
 * file position lives in the host's file object, so after each operation it stands just past
 * the last line consumed, and readers may return to a position saved with fim_ftell. A Z
 * coordinate met while a point is collected is the module's one refusal of 3-D data.
 */
#include "dxf.h"

int kw_match(const char* text, const char* keyword) {
    for (; *keyword; ++text, ++keyword)
        if (*text != *keyword)
            return 0; /* also where text ends first */
    return 1;
}

/* Reads one line into string (at most TEXTLEN - 1 characters; the rest of a longer line is
 * consumed and dropped). Carriage returns are dropped wherever they stand; a NUL byte is kept
 * like any other byte, so the text ends there. Returns 0 at the line feed, or the negative
 * status of the read that found no byte, leaving the characters read so far. Each byte is
 * read straight into the place of the next character and kept by stepping past it; a byte
 * not kept (a carriage return, the line feed, one past a full buffer) is overwritten by the
 * next one or by the terminator. */
int32_t get_next(int32_t fh, char* string) {
    char* p = string;                        /* where the next character goes */
    char* const last = string + TEXTLEN - 1; /* the terminator's place in a full buffer */
    for (;;) {
        int32_t stat = fim_fread(fh, 1, p); /* a failed read stores nothing */
        if (stat < 0) {
            *p = 0;
            return stat;
        }
        unsigned char c = static_cast<unsigned char>(*p);
        if (c > 13) { /* most bytes: neither line feed nor carriage return */
            if (p < last)
                ++p;
            continue;
        }
        if (c == 10) {
            *p = 0;
            return 0;
        }
        if (c != 13 && p < last)
            ++p;
    }
}

/* The group code of a code line: the number dxf_atol reads from its text, worked out at once
 * for the usual form (blanks, then at most nine digits, then the end of the text). */
static uint32_t code_of(const char* text) {
    const char* s = text;
    while (*s == ' ')
        ++s;
    const char* const digits = s;
    uint32_t v = 0;
    for (unsigned d;
         (d = unsigned(static_cast<unsigned char>(*s)) - unsigned('0')) <= 9 && s - digits < 9; ++s)
        v = v * 10 + d;
    if (*s == 0)
        return v;
    return uint32_t(dxf_atol(text));
}

int32_t get_grpnm(int32_t fh, uint32_t* group, char* text) {
    get_next(fh, text); /* a failure here makes the value read fail too */
    *group = code_of(text);
    return get_next(fh, text);
}

int32_t get_coordinates(int32_t fh, double* x, double* y, double* z, double* sx, double* r) {
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    int ok = 0; /* a y value was read */
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        if (group >= 10 && group <= 18) {
            if (x)
                *x = dxf_atof(text);
        } else if (group >= 20 && group <= 28) {
            if (y)
                *y = dxf_atof(text);
            ok = 1;
            if (!z && !sx && !r)
                return 0;
        } else if (group >= 30 && group <= 38) {
            if (z)
                *z = dxf_atof(text);
            dxf_alert(IDD_NOT3D);
            return ST_NOT3D;
        } else if (group >= 40 && group <= 48) {
            if (sx)
                *sx = dxf_atof(text);
            if (!r && ok)
                return 0;
        } else if (group >= 50 && group <= 58) {
            if (r)
                *r = dxf_atof(text);
            if (ok)
                return 0;
        }
    }
    return stat;
}

int32_t drop_table(int32_t fh) {
    char text[TEXTLEN];
    uint32_t group = 0;
    int32_t stat = 0;
    while (stat >= 0) {
        stat = get_grpnm(fh, &group, text);
        if (group == 0 && kw_match(text, "ENDTAB"))
            return 0;
    }
    return stat;
}

uint32_t in_text(char c, const char* text) {
    for (uint32_t i = 0; text[i]; ++i)
        if (text[i] == c)
            return i + 1;
    return 0;
}

int32_t validate_string(const char* string, const char* must, const char* can) {
    for (const char* p = string; *p; ++p)
        if (!in_text(*p, must) && !in_text(*p, can))
            return ST_NOTVALID;
    for (const char* p = must; *p; ++p)
        if (!in_text(*p, string))
            return ST_NOTVALID;
    return 0;
}
