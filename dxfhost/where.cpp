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

#include "dxfhost/utf8.h"

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

namespace {

// The line's text as shown, with its group when that tells what the value means.
std::string shown_text(const Place& place) {
    bool cut = false;
    std::string out = utf8::shown(place.text, kShownMax, &cut);
    if (cut || place.cut) {
        out += "...";
    }
    if (place.value_line && is_group_code(place.code) && place.code != "0" && place.code != "2" &&
        place.code != "9") {
        out += " (group " + place.code + ")";
    }
    return out;
}

} // namespace

std::string line_text(const Place& place) {
    return "line " + std::to_string(place.line) + ": " + shown_text(place);
}

std::string at_line(const std::string& shown_path, const Place& place) {
    return "  at " + shown_path + ":" + std::to_string(place.line) + ": " + shown_text(place);
}

} // namespace where
