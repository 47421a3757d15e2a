// utf8.cpp: UTF-8 sequences, columns and safe forms of text (see utf8.h).
#include "dxfhost/utf8.h"

namespace utf8 {

std::size_t sequence(const std::string& s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        return 1;
    }
    std::size_t n = 0;
    unsigned lowest = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2, lowest = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, lowest = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    unsigned cp = c & (0x3Fu >> (n - 1));
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp >= lowest && cp <= 0x10FFFF && !surrogate ? n : 0;
}

std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++n) {
        const std::size_t len = sequence(s, i);
        i += len == 0 ? 1 : len;
    }
    return n;
}

std::string shown(const std::string& s, std::size_t max, bool* cut) {
    std::string out;
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < s.size() && chars < max) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = sequence(s, i);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            out += '?';
            n = 1;
        } else {
            out.append(s, i, n);
        }
        i += n;
        ++chars;
    }
    *cut = i < s.size();
    return out;
}

std::string valid(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequence(s, i);
        if (n == 0) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
}

} // namespace utf8
