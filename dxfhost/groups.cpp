// groups.cpp: reads a drawing's lines in large chunks and turns them into groups.
#include "dxfhost/groups.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <limits>

namespace groups {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The first bytes of a file, at most n.
std::string head_of(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), std::streamsize(n));
    s.resize(in ? n : std::size_t(in.gcount()));
    return s;
}

} // namespace

bool Group::is(const char* keyword) const {
    return value.compare(0, std::strlen(keyword), keyword) == 0;
}

double number(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && blank(value[i])) {
        ++i;
    }
    std::string digits;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        if (value[i] == '-') {
            digits += '-';
        }
        ++i;
    }
    const std::size_t mantissa = digits.size();
    bool any = false;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
        digits += value[i++], any = true;
    }
    if (i < value.size() && value[i] == '.') {
        digits += value[i++];
        while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
            digits += value[i++], any = true;
        }
    }
    if (!any) {
        return 0.0;
    }
    if (i < value.size() && (value[i] == 'e' || value[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < value.size() && (value[j] == '-' || value[j] == '+')) {
            exp += value[j++];
        }
        if (j < value.size() && value[j] >= '0' && value[j] <= '9') {
            while (j < value.size() && value[j] >= '0' && value[j] <= '9') {
                exp += value[j++];
            }
            digits += exp;
        }
    }
    double v = 0.0;
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    const std::from_chars_result r = std::from_chars(first, last, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives an infinity of its sign; too small, zero.
        const bool big = digits.find_first_of("123456789", mantissa) != std::string::npos &&
                         digits.find("e-") == std::string::npos;
        const double inf = std::numeric_limits<double>::infinity();
        return big ? (digits[0] == '-' ? -inf : inf) : 0.0;
    }
    return v;
}

int32_t integer(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && blank(value[i])) {
        ++i;
    }
    bool minus = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        minus = value[i++] == '-';
    }
    int64_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + (value[i] - '0');
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
    buf_.resize(1 << 16);
    return true;
}

bool Reader::line(std::string* text, bool* ended) {
    text->clear();
    *ended = false;
    bool any = false;
    bool nul = false; // the text ends at a NUL byte
    for (;;) {
        if (pos_ == len_) {
            in_.read(buf_.data(), std::streamsize(buf_.size()));
            len_ = std::size_t(in_.gcount());
            pos_ = 0;
            if (len_ == 0) {
                if (any) {
                    ++lines_;
                }
                return any;
            }
        }
        const char c = buf_[pos_++];
        any = true;
        if (c == '\n') {
            ++lines_;
            *ended = true;
            return true;
        }
        if (c == '\r' || nul) {
            continue;
        }
        if (c == '\0') {
            nul = true;
        } else if (text->size() < kLineMax) {
            *text += c;
        }
    }
}

Group Reader::next() {
    if (back_) {
        Group g = std::move(*back_);
        back_.reset();
        return g;
    }
    Group g;
    std::string code;
    bool code_ended = false, value_ended = false;
    const bool have_code = line(&code, &code_ended);
    g.line = lines_ + (have_code ? 0 : 1);
    const bool have_value = code_ended && line(&g.value, &value_ended);
    g.code = uint32_t(integer(code));
    if (!have_code) {
        g.end = true;
        g.complete = false;
        g.value.clear();
    } else if (!have_value) {
        g.complete = false; // the value line is empty, as the module's failed read leaves it
    } else {
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
