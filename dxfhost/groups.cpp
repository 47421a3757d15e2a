// groups.cpp: reads a drawing's lines in large chunks and turns them into groups.
#include "dxfhost/groups.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cstring>
#include <limits>

namespace groups {

namespace {

// White space as the C locale has it: blank, tab, line feed, vertical tab, form feed and
// carriage return (the last five are 9 to 13).
bool blank(char c) {
    return c == ' ' || unsigned(c - '\t') <= unsigned('\r' - '\t');
}

// The first bytes of a file, at most n.
std::string head_of(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), std::streamsize(n));
    s.resize(in ? n : std::size_t(in.gcount()));
    return s;
}

#if FLT_EVAL_METHOD == 0
// Powers of ten a double holds exactly.
constexpr double kExactTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
#endif

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// Appends the digits at s to *m while it has room for one more (19 digits after the leading
// zeros), noting in *many that there were more; returns where the digits end.
const char* take_digits(const char* s, uint64_t* m, bool* many) {
    for (; digit(*s); ++s) {
        if (*m < UINT64_C(1000000000000000000)) {
            *m = *m * 10 + uint64_t(*s - '0');
        } else {
            *many = true;
        }
    }
    return s;
}

// Decimal exponent of the first significant digit of the mantissa [m, mend) (digits with at
// most one decimal point), plus one, moved by the exponent e: above 0 for a value too large
// for a double, else too small.
int64_t magnitude(const char* m, const char* mend, int64_t e) {
    int64_t whole = 0; // significant digits before the point
    int64_t lead = 0;  // zeros after the point before the first significant digit
    bool point = false, seen = false;
    for (const char* p = m; p < mend; ++p) {
        if (*p == '.') {
            point = true;
        } else if (point && !seen && *p == '0') {
            ++lead;
        } else if (*p != '0' || seen) {
            seen = true;
            whole += !point;
        }
    }
    return whole > 0 ? whole + e : e - lead;
}

} // namespace

double number(const std::string& value) {
    // The text ends at its first NUL, which no number holds.
    const char* s = value.c_str();
    while (blank(*s)) {
        ++s;
    }
    bool neg = false;
    if (*s == '-' || *s == '+') {
        neg = *s++ == '-';
    }
    const char* const start = s; // the mantissa: digits, a decimal point, digits
    uint64_t m = 0;              // its digits as an integer, while they are few enough
    bool many = false;           // more digits than m holds
    s = take_digits(s, &m, &many);
    int64_t digits = s - start;
    int64_t scale = 0; // digits after the point
    if (*s == '.') {
        const char* const fraction = s + 1;
        s = take_digits(fraction, &m, &many);
        scale = s - fraction;
        digits += scale;
    }
    if (digits == 0) {
        return 0.0;
    }
    const char* const mend = s;
    const char* end = s; // of the number, its exponent included when that is complete
    int64_t e = 0;       // the exponent, held far beyond any double's range
    if (*s == 'e' || *s == 'E') {
        const char* q = s + 1;
        bool eneg = false;
        if (*q == '-' || *q == '+') {
            eneg = *q++ == '-';
        }
        if (digit(*q)) {
            for (; digit(*q); ++q) {
                e = e < 100000000 ? e * 10 + (*q - '0') : e;
            }
            e = eneg ? -e : e;
            end = q;
        }
    }
#if FLT_EVAL_METHOD == 0
    // Exact digits times or over an exact power of ten: rounded once, so correctly, as the
    // general conversion below rounds.
    const int64_t e10 = e - scale;
    if (!many && m <= (UINT64_C(1) << 53) && e10 >= -22 && e10 <= 22) {
        const double d = e10 < 0 ? double(m) / kExactTens[-e10] : double(m) * kExactTens[e10];
        return neg ? -d : d;
    }
#else
    (void)many;
#endif
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(start, end, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives an infinity, too small zero.
        v = magnitude(start, mend, e) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return neg ? -v : v;
}

int32_t integer(const std::string& value) {
    return integer(value.data(), value.data() + value.size());
}

int32_t integer(const char* s, const char* stop) {
    while (s < stop && blank(*s)) {
        ++s;
    }
    bool minus = false;
    if (s < stop && (*s == '-' || *s == '+')) {
        minus = *s++ == '-';
    }
    int64_t n = 0;
    for (; s < stop && *s >= '0' && *s <= '9'; ++s) {
        n = n * 10 + (*s - '0');
        if (n > int64_t(INT32_MAX) + 1) {
            n = int64_t(INT32_MAX) + 1; // saturates, as strtol does
        }
    }
    n = minus ? -n : n;
    if (n > INT32_MAX) {
        return INT32_MAX;
    }
    return n < INT32_MIN ? INT32_MIN : int32_t(n);
}

bool Reader::open(const std::string& path, std::string* err) {
    in_.open(path, std::ios::binary);
    if (!in_) {
        *err = "cannot open '" + path + "'";
        return false;
    }
    buf_.assign(kChunk + 1, '\n');
    return true;
}

bool Reader::line(bool* ended) {
    *ended = false;
    bool any = false;
    std::size_t n = 0;           // characters kept (held here: a store into text_ may alias it)
    std::size_t room = kLineMax; // characters the text may still take: none after a NUL
    char* const text = text_;
    for (;;) {
        if (pos_ == len_) {
            in_.read(buf_.data(), std::streamsize(kChunk));
            len_ = std::size_t(in_.gcount());
            buf_[len_] = '\n'; // stops the scans of plain_group at the end of what was read
            pos_ = 0;
            if (len_ == 0) {
                text_n_ = n;
                if (any) {
                    ++lines_;
                }
                return any;
            }
        }
        any = true;
        const char* const first = buf_.data();
        const char* p = first + pos_;
        const char* const end = first + len_;
        while (p < end) {
            const char c = *p++;
            if (static_cast<unsigned char>(c) > '\r') { // no line feed, carriage return or NUL
                if (n < room) {
                    text[n++] = c;
                }
                continue;
            }
            if (c == '\n') {
                pos_ = std::size_t(p - first);
                text_n_ = n;
                ++lines_;
                *ended = true;
                return true;
            }
            if (c == '\0') {
                room = 0;
            } else if (c != '\r' && n < room) {
                text[n++] = c;
            }
        }
        pos_ = len_;
    }
}

// The end of a line that begins at p: its line feed, or the carriage return of a carriage
// return and line feed. Only bytes above 13 (no NUL, no white space but blanks, no carriage
// return elsewhere) may stand before it; null when another byte or the buffer's end comes first.
static const char* plain_end(const char* p, const char* end) {
    while (static_cast<unsigned char>(*p) > '\r') {
        ++p;
    }
    if (p >= end) {
        return nullptr;
    }
    if (*p == '\n') {
        return p;
    }
    return *p == '\r' && p + 1 < end && p[1] == '\n' ? p : nullptr;
}

// Most groups of a drawing are two short lines of plain characters, the code line blanks, an
// optional minus and a few digits: those are taken straight from the buffer, the same as the
// reading of line() would give them.
bool Reader::plain_group(uint32_t* code_out, const char** value_out, std::size_t* n) {
    const char* const first = buf_.data() + pos_;
    const char* const end = buf_.data() + len_; // a line feed stands there
    const char* q = first;
    while (*q == ' ') {
        ++q;
    }
    const bool minus = *q == '-';
    q += minus;
    const char* const digits = q;
    int32_t code = 0;
    while (unsigned(*q - '0') <= 9 && q - digits < 9) {
        code = code * 10 + (*q++ - '0');
    }
    const char* const code_end = plain_end(q, end);
    if (code_end != q || std::size_t(q - first) > kLineMax) {
        return false;
    }
    const char* const value = q + (*q == '\r' ? 2 : 1);
    const char* const value_end = plain_end(value, end);
    if (value_end == nullptr || std::size_t(value_end - value) > kLineMax) {
        return false;
    }
    *code_out = uint32_t(minus ? -code : code);
    *value_out = value;
    *n = std::size_t(value_end - value);
    lines_ += 2;
    pos_ = std::size_t(value_end - buf_.data()) + (*value_end == '\r' ? 2 : 1);
    return true;
}

Group Reader::next() {
    if (back_) {
        Group g = std::move(*back_);
        back_.reset();
        return g;
    }
    uint32_t code = 0;
    const char* value = nullptr;
    std::size_t n = 0;
    if (plain_group(&code, &value, &n)) {
        return Group{code, std::string(value, n), lines_ - 1, true, false};
    }
    return line_group();
}

Group Reader::line_group() {
    Group g;
    bool code_ended = false, value_ended = false;
    const bool have_code = line(&code_ended);
    g.line = lines_ + (have_code ? 0 : 1);
    g.code = uint32_t(integer(text_, text_ + text_n_));
    const bool have_value = code_ended && line(&value_ended);
    if (!have_code) {
        g.end = true;
        g.complete = false;
    } else if (!have_value) {
        g.complete = false; // the value line is empty, as the module's failed read leaves it
    } else {
        g.value.assign(text_, text_n_);
        g.complete = value_ended;
    }
    return g;
}

Content sniff(const std::string& path) {
    const std::string head = head_of(path, 4096);
    if (head.empty()) {
        return Content::Empty;
    }
    // The binary form's first line: its name, then carriage return, line feed, 0x1A and NUL.
    const std::string binary_end = "Binary DXF\r\n\x1A";
    const std::size_t at = head.find(binary_end);
    if (at != std::string::npos && at < 32 && head.size() > at + binary_end.size() &&
        head[at + binary_end.size()] == '\0') {
        return Content::Binary;
    }
    std::size_t odd = 0;
    for (unsigned char c : head) {
        if (c == 0) {
            return Content::NotText;
        }
        odd +=
            c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A;
    }
    return odd * 20 > head.size() ? Content::NotText : Content::Text;
}

bool begins_like_drawing(const std::string& path) {
    const std::string head = head_of(path, 512);
    std::size_t i = 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t')) {
        ++i;
    }
    if (i < head.size() && head[i] == '-') {
        ++i;
    }
    const std::size_t digits = i;
    while (i < head.size() && head[i] >= '0' && head[i] <= '9') {
        ++i;
    }
    if (i == digits) {
        return false;
    }
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r')) {
        ++i;
    }
    return i + 1 < head.size() && head[i] == '\n';
}

} // namespace groups
