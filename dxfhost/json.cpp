// json.cpp: writes JSON values and the JSON form of an object.
//
// Receives strings, numbers and objects read back by object_view; hands on compact JSON text.
// Strings are checked as UTF-8; a byte that does not belong to a well-formed sequence is
// written as the character with its number, so no input can make the output invalid.
#include "dxfhost/json.h"

#include <cstdio>

namespace json {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
std::size_t utf8_length(const std::string& s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) {
            lo = 0xA0; // no overlong forms
        } else if (c == 0xED) {
            hi = 0x9F; // no surrogates
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) {
            lo = 0x90;
        } else if (c == 0xF4) {
            hi = 0x8F; // nothing past U+10FFFF
        }
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    if (b(i + 1) < lo || b(i + 1) > hi) {
        return 0;
    }
    for (std::size_t k = 2; k < n; ++k) {
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) {
            return 0;
        }
    }
    return n;
}

void put_u(std::string& out, unsigned code) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", code);
    out += buf;
}

} // namespace

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    put_u(out, c);
                } else {
                    out += char(c);
                }
            }
            ++i;
            continue;
        }
        const std::size_t n = utf8_length(text, i);
        if (n == 0) {
            put_u(out, c); // a stray byte, read as Latin-1
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    out += '"';
    return out;
}

void Writer::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) {
            out_ += ',';
        }
        first_.back() = false;
    }
}

Writer& Writer::begin_object() {
    before_value();
    out_ += '{';
    first_.push_back(true);
    return *this;
}

Writer& Writer::end_object() {
    out_ += '}';
    first_.pop_back();
    return *this;
}

Writer& Writer::begin_array() {
    before_value();
    out_ += '[';
    first_.push_back(true);
    return *this;
}

Writer& Writer::end_array() {
    out_ += ']';
    first_.pop_back();
    return *this;
}

Writer& Writer::key(const std::string& name) {
    before_value();
    out_ += quote(name);
    out_ += ':';
    after_key_ = true;
    return *this;
}

Writer& Writer::value(const std::string& text) {
    before_value();
    out_ += quote(text);
    return *this;
}

Writer& Writer::value(const char* text) {
    return value(std::string(text));
}

Writer& Writer::value(int64_t n) {
    before_value();
    out_ += std::to_string(n);
    return *this;
}

Writer& Writer::value(uint64_t n) {
    before_value();
    out_ += std::to_string(n);
    return *this;
}

Writer& Writer::value(bool b) {
    before_value();
    out_ += b ? "true" : "false";
    return *this;
}

Writer& Writer::null() {
    before_value();
    out_ += "null";
    return *this;
}

Writer& Writer::raw(const std::string& json_text) {
    before_value();
    out_ += json_text;
    return *this;
}

void write_object(Writer& w, const view::Object& obj) {
    w.begin_object();
    w.key("size").value(uint64_t(obj.size));
    w.key("best_size");
    if (obj.has_header) {
        w.begin_object()
            .key("width")
            .value(uint64_t(obj.head.bestw))
            .key("height")
            .value(uint64_t(obj.head.besth))
            .end_object();
    } else {
        w.null();
    }
    w.key("records").begin_array();
    for (const view::Record& rec : obj.records) {
        const VOH& h = rec.head;
        w.begin_object();
        w.key("index").value(uint64_t(rec.index));
        w.key("offset").value(uint64_t(rec.offset));
        w.key("size").value(uint64_t(h.nxtoff));
        w.key("box")
            .begin_object()
            .key("x")
            .value(int64_t(h.xpos))
            .key("y")
            .value(int64_t(h.ypos))
            .key("width")
            .value(uint64_t(h.width))
            .key("height")
            .value(uint64_t(h.height))
            .end_object();
        w.key("ardef").value(uint64_t(view::rdef_word(h.ardef)));
        w.key("lrdef").value(uint64_t(view::rdef_word(h.lrdef)));
        w.key("ldef").value(uint64_t(view::ldef_word(h.ldef)));
        w.key("elements").begin_array();
        for (const view::Element& el : rec.elements) {
            w.begin_array();
            for (int16_t word : el.words) {
                w.value(int64_t(word));
            }
            w.end_array();
        }
        w.end_array();
        w.key("fill").value(uint64_t(rec.fill));
        w.end_object();
    }
    w.end_array();
    w.key("terminator");
    if (obj.terminator) {
        w.value(uint64_t(*obj.terminator));
    } else {
        w.null();
    }
    w.key("damage");
    if (obj.damage) {
        w.begin_object()
            .key("offset")
            .value(uint64_t(obj.damage->offset))
            .key("what")
            .value(obj.damage->what)
            .end_object();
    } else {
        w.null();
    }
    w.end_object();
}

std::string object_json(const view::Object& obj) {
    Writer w;
    write_object(w, obj);
    return w.str();
}

} // namespace json
