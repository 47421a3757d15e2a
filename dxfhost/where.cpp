// where.cpp: counts lines up to a byte of a drawing and reads that line and the one before it.
//
// Receives a path and a byte offset. Reads the file in fixed chunks from the start up to the
// offset (lines end at a line feed, as the module's reader has it; carriage returns are not
// part of a line's text), keeps the starts of the last two lines, then reads at most
// kTextMax + 1 characters of each. Hands on a Place and the text shown after an alert.
#include "dxfhost/where.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace where {

namespace {

// Reads the line that starts at start: its characters up to the line feed, carriage returns
// dropped, at most kTextMax kept. Sets *cut when more characters followed.
std::string read_line(std::ifstream& in, uint64_t start, bool* cut) {
    std::string text;
    *cut = false;
    in.clear();
    in.seekg(std::streamoff(start));
    char buf[256];
    for (;;) {
        in.read(buf, sizeof buf);
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            return text;
        }
        for (std::streamsize i = 0; i < got; ++i) {
            const char c = buf[i];
            if (c == '\n') {
                return text;
            }
            if (c == '\r') {
                continue;
            }
            if (text.size() == kTextMax) {
                *cut = true;
                return text;
            }
            text += c;
        }
    }
}

std::string trimmed(const std::string& s) {
    const char* blanks = " \t";
    const std::size_t a = s.find_first_not_of(blanks);
    if (a == std::string::npos) {
        return "";
    }
    const std::size_t b = s.find_last_not_of(blanks);
    return s.substr(a, b - a + 1);
}

// Length of the well-formed UTF-8 sequence of two to four bytes at s[i], or 0.
std::size_t utf8_length(const std::string& s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
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

// The text as a terminal can show it: at most max characters, control characters and bytes
// that are not UTF-8 as '?'. Sets *cut when characters were left out.
std::string shown(const std::string& s, std::size_t max, bool* cut) {
    std::string out;
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < s.size() && chars < max) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : utf8_length(s, i);
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

} // namespace

bool locate(const std::string& path, int64_t offset, Place* place, std::string* err) {
    if (offset < 0) {
        *err = "no byte of '" + path + "' was read";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *err = "cannot open '" + path + "' again to find the line";
        return false;
    }
    // Starts of the line holding the byte and of the line before it.
    uint64_t line = 1;
    uint64_t start = 0;
    uint64_t prev_start = 0;
    const uint64_t target = uint64_t(offset);
    std::vector<char> buf(64 * 1024);
    uint64_t pos = 0;
    while (pos <= target) {
        const uint64_t want = std::min<uint64_t>(buf.size(), target + 1 - pos);
        in.read(buf.data(), std::streamsize(want));
        const uint64_t got = uint64_t(in.gcount());
        if (got == 0) {
            break;
        }
        // Line feeds before the target byte start new lines; the target's own does not.
        for (uint64_t i = 0; i < got; ++i) {
            if (buf[i] == '\n' && pos + i < target) {
                ++line;
                prev_start = start;
                start = pos + i + 1;
            }
        }
        pos += got;
    }
    if (pos <= target) {
        *err = "'" + path + "' holds " + std::to_string(pos) + " bytes, fewer than the " +
               std::to_string(target + 1) + " the module read";
        return false;
    }
    Place p;
    p.offset = offset;
    p.line = line;
    p.text = read_line(in, start, &p.cut);
    p.value_line = line % 2 == 0;
    if (p.value_line) {
        bool code_cut = false;
        p.code = trimmed(read_line(in, prev_start, &code_cut));
    }
    *place = std::move(p);
    return true;
}

bool is_group_code(const std::string& code) {
    std::size_t i = code.size() > 1 && code[0] == '-' ? 1 : 0;
    if (i == code.size() || code.size() > 11) {
        return false;
    }
    for (; i < code.size(); ++i) {
        if (code[i] < '0' || code[i] > '9') {
            return false;
        }
    }
    return true;
}

std::string at_line(const std::string& shown_path, const Place& place) {
    bool cut = false;
    std::string out = "  at " + shown_path + ":" + std::to_string(place.line) + ": " +
                      shown(place.text, kShownMax, &cut);
    if (cut || place.cut) {
        out += "...";
    }
    if (place.value_line && is_group_code(place.code) && place.code != "0" && place.code != "2" &&
        place.code != "9") {
        out += " (group " + place.code + ")";
    }
    return out;
}

} // namespace where
