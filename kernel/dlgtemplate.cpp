// dlgtemplate.cpp: the dialog template reader declared in dlgtemplate.h.
//
// A cursor walks the bytes with every read checked against the bound, so a template that lies
// about its control count, or has no terminator in a string, ends the parse with a reason
// instead of reading beyond what the caller allowed.
#include "dlgtemplate.h"

#include <cstring>

namespace hostk {
namespace {

struct Cursor {
    const uint8_t* base; // the template's first byte
    std::size_t max;     // bytes that may be read
    std::size_t pos;     // next byte to read
    std::string err;     // why the parse stopped
};

bool fail(Cursor& c, const std::string& why) {
    if (c.err.empty()) {
        c.err = why + " at byte " + std::to_string(c.pos);
    }
    return false;
}

bool u16(Cursor& c, uint16_t* v) {
    if (c.max - c.pos < 2) {
        return fail(c, "template cut off");
    }
    *v = uint16_t(c.base[c.pos] | (c.base[c.pos + 1] << 8));
    c.pos += 2;
    return true;
}

bool s16(Cursor& c, int16_t* v) {
    uint16_t u = 0;
    if (!u16(c, &u)) {
        return false;
    }
    *v = int16_t(u);
    return true;
}

bool u32(Cursor& c, uint32_t* v) {
    uint16_t lo = 0, hi = 0;
    if (!u16(c, &lo) || !u16(c, &hi)) {
        return false;
    }
    *v = uint32_t(lo) | (uint32_t(hi) << 16);
    return true;
}

void put_utf8(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
}

// A zero-terminated UTF-16 string, as UTF-8 (a lone surrogate becomes U+FFFD). When first is
// given, it is the string's first unit, already read.
bool utf16(Cursor& c, std::string* out, const uint16_t* first = nullptr) {
    out->clear();
    uint16_t unit = 0;
    bool have = first != nullptr;
    if (have) {
        unit = *first;
    }
    for (;;) {
        if (!have && !u16(c, &unit)) {
            return fail(c, "string without terminator");
        }
        have = false;
        if (unit == 0) {
            return true;
        }
        uint32_t cp = unit;
        if (unit >= 0xD800 && unit < 0xDC00) {
            uint16_t low = 0;
            std::size_t at = c.pos;
            if (u16(c, &low) && low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((uint32_t(unit) - 0xD800) << 10) + (low - 0xDC00);
            } else {
                c.err.clear();
                c.pos = at; // not a pair: the next unit is read on its own
                cp = 0xFFFD;
            }
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            cp = 0xFFFD;
        }
        put_utf8(*out, cp);
    }
}

// A "string or ordinal" field: 0x0000 (none: ordinal -1, empty text), 0xFFFF followed by a
// 16-bit ordinal, or a zero-terminated UTF-16 string.
bool sz_or_ord(Cursor& c, int32_t* ordinal, std::string* text) {
    uint16_t first = 0;
    if (!u16(c, &first)) {
        return false;
    }
    *ordinal = -1;
    text->clear();
    if (first == 0x0000) {
        return true;
    }
    if (first == 0xFFFF) {
        uint16_t ord = 0;
        if (!u16(c, &ord)) {
            return false;
        }
        *ordinal = ord;
        return true;
    }
    return utf16(c, text, &first);
}

bool align4(Cursor& c) {
    std::size_t aligned = (c.pos + 3) & ~std::size_t(3);
    if (aligned > c.max) {
        return fail(c, "template cut off");
    }
    c.pos = aligned;
    return true;
}

bool control(Cursor& c, DialogControl* ctl) {
    int32_t cls = -1;
    int32_t title = -1;
    uint16_t nextra = 0;
    if (!align4(c) || !u32(c, &ctl->style) || !u32(c, &ctl->exstyle) || !s16(c, &ctl->x) ||
        !s16(c, &ctl->y) || !s16(c, &ctl->cx) || !s16(c, &ctl->cy) || !u16(c, &ctl->id) ||
        !sz_or_ord(c, &cls, &ctl->cls_name) || !sz_or_ord(c, &title, &ctl->text) ||
        !u16(c, &nextra)) {
        return false;
    }
    if (cls < 0 && ctl->cls_name.empty()) {
        return fail(c, "control without a class");
    }
    ctl->cls_atom = cls < 0 ? 0 : uint16_t(cls);
    ctl->ordinal = title;
    if (c.max - c.pos < nextra) {
        return fail(c, "creation data cut off");
    }
    ctl->extra.assign(c.base + c.pos, c.base + c.pos + nextra);
    c.pos += nextra;
    return true;
}

} // namespace

bool parse_dialog_template(const void* data, std::size_t max, DialogTemplate* out,
                           std::string* err) {
    auto report = [&](const std::string& why) {
        if (err != nullptr) {
            *err = why;
        }
        return false;
    };
    if (data == nullptr || out == nullptr) {
        return report("no template");
    }
    Cursor c{static_cast<const uint8_t*>(data), max, 0, {}};
    DialogTemplate t;
    uint16_t count = 0;
    int32_t cls = -1;
    int32_t title = -1;
    if (max >= 4 && c.base[0] == 1 && c.base[1] == 0 && c.base[2] == 0xFF && c.base[3] == 0xFF) {
        return report("extended dialog templates are not read");
    }
    bool ok = u32(c, &t.style) && u32(c, &t.exstyle) && u16(c, &count) && s16(c, &t.x) &&
              s16(c, &t.y) && s16(c, &t.cx) && s16(c, &t.cy) &&
              sz_or_ord(c, &t.menu, &t.menu_name) && sz_or_ord(c, &cls, &t.cls_name) &&
              sz_or_ord(c, &title, &t.caption);
    if (ok && title >= 0) {
        ok = fail(c, "caption given as an ordinal");
    }
    if (ok && (t.style & kDsSetFont) != 0) {
        ok = u16(c, &t.point_size) && utf16(c, &t.font);
    }
    for (uint16_t i = 0; ok && i < count; ++i) {
        DialogControl ctl;
        ok = control(c, &ctl);
        if (ok) {
            t.controls.push_back(std::move(ctl));
        }
    }
    if (!ok) {
        return report(c.err);
    }
    t.size = c.pos;
    *out = std::move(t);
    return true;
}

} // namespace hostk
