// dump.cpp: writes an object's header, records and terminator as lines of text.
//
// Receives an object read back by object_view; hands on its text. Numbers are decimal but for
// the attribute words, which are bit fields and read best in hexadecimal.
#include "dxfhost/dump.h"

#include <cstdio>
#include <sstream>

namespace dump {

namespace {

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", unsigned(v));
    return buf;
}

} // namespace

std::string record_line(const view::Record& rec) {
    std::ostringstream out;
    const VOH& h = rec.head;
    out << "record " << rec.index << " at " << rec.offset << " size " << h.nxtoff << " box "
        << h.xpos << ' ' << h.ypos << ' ' << h.width << ' ' << h.height << " attributes "
        << hex32(view::rdef_word(h.ardef)) << ' ' << hex32(view::rdef_word(h.lrdef)) << ' '
        << hex32(view::ldef_word(h.ldef)) << ':';
    for (const view::Element& el : rec.elements) {
        out << " [";
        for (std::size_t i = 0; i < el.words.size(); ++i) {
            out << (i ? " " : "") << el.words[i];
        }
        out << ']';
    }
    return out.str();
}

std::string object_text(const view::Object& obj) {
    std::ostringstream out;
    if (obj.has_header) {
        out << "best size " << obj.head.bestw << " x " << obj.head.besth << " (object of "
            << obj.size << " bytes)\n";
    } else {
        out << "no object header (block of " << obj.size << " bytes)\n";
    }
    for (const view::Record& rec : obj.records) {
        out << record_line(rec) << '\n';
    }
    if (obj.terminator) {
        out << "terminator at " << *obj.terminator << '\n';
    }
    if (obj.damage) {
        out << "damaged at offset " << obj.damage->offset << ": " << obj.damage->what << '\n';
    }
    return out.str();
}

} // namespace dump
