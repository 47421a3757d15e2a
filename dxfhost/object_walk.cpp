// object_walk.cpp: checks and hands on records and elements in place (see object_walk.h).
//
// Every length is checked before it is followed: the object header, each record's type, header
// and size, each element's code and arguments against the record's end, the fill after the end
// of path. The reasons are written only when the layout breaks, so a sound object costs no
// allocation at all.
#include "dxfhost/object_walk.h"

#include <cstring>
#include <string>

namespace view {

namespace {

int16_t word_at(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

std::string num(uint64_t v) {
    return std::to_string(v);
}

void stop(Walk& w, uint64_t offset, std::string what) {
    w.shape.damage = Damage{uint32_t(offset), std::move(what)};
    w.done = true;
}

// Checks the path of the record at rec.offset, whose point data lies in [start, end). Fills
// rec's path, elements and fill; false (the damage told) when the path breaks the layout.
bool check_path(Walk& w, uint64_t start, uint64_t end, RecordRef& rec) {
    const uint8_t* bytes = w.bytes;
    auto which = [&] { return "record " + num(rec.index); };
    uint64_t p = start;
    uint32_t count = 0;
    for (;;) {
        if (p + 2 > end) {
            stop(w, p,
                 which() + " has no end of path (element 15) before its end at offset " + num(end));
            return false;
        }
        const int16_t code = word_at(bytes + p);
        const int args = element_arguments(code);
        if (args < 0) {
            stop(w, p,
                 which() + " holds element code " + num(uint16_t(code)) + " (" +
                     std::to_string(code) + "), which is not move, line, arc or end");
            return false;
        }
        const uint64_t need = 2 * uint64_t(args + 1);
        if (p + need > end) {
            stop(w, p,
                 which() + ": its " + element_name(code) + " element needs " + num(need) +
                     " bytes but the record ends at offset " + num(end));
            return false;
        }
        p += need;
        ++count;
        if (code == EL_END) {
            break;
        }
    }
    const uint64_t rest = end - p;
    if (rest > 2) {
        stop(w, p,
             which() + " has " + num(rest) +
                 " bytes after its end of path, where at most 2 fill bytes belong");
        return false;
    }
    rec.path = bytes + start;
    rec.path_size = uint32_t(p - start);
    rec.elements = count;
    rec.fill = uint32_t(rest);
    return true;
}

} // namespace

ElementCursor elements_of(const RecordRef& rec) {
    return ElementCursor{rec.path, rec.path + rec.path_size, rec.offset + kRecordHeaderSize};
}

bool next_element(ElementCursor& c, ElementRef* el) {
    if (c.end - c.next < 2) {
        return false;
    }
    const int16_t code = word_at(c.next);
    const int args = element_arguments(code);
    // The walk checked the path; a cursor over anything else still stays inside it.
    if (args < 0 || c.end - c.next < 2 * (args + 1)) {
        c.next = c.end;
        return false;
    }
    el->offset = c.offset;
    el->code = code;
    el->count = args + 1;
    for (int i = 0; i <= args; ++i) {
        el->words[i] = word_at(c.next + 2 * i);
    }
    c.next += 2 * (args + 1);
    c.offset += uint32_t(2 * (args + 1));
    if (code == EL_END) {
        c.next = c.end;
    }
    return true;
}

Walk start_walk(const uint8_t* bytes, std::size_t size) {
    Walk w;
    w.bytes = bytes;
    // Host blocks are at most 4 GiB; anything beyond that is not part of a block.
    w.total = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size;
    w.shape.size = uint32_t(w.total);
    if (w.total < kObjectHeaderSize) {
        stop(w, 0,
             "the object header needs " + num(kObjectHeaderSize) + " bytes but the block holds " +
                 num(w.total));
        return w;
    }
    std::memcpy(&w.shape.head, bytes, sizeof w.shape.head);
    w.shape.has_header = true;
    w.off = kObjectHeaderSize;
    return w;
}

bool next_record(Walk& w, RecordRef* rec) {
    if (w.done) {
        return false;
    }
    const uint64_t off = w.off;
    const uint64_t total = w.total;
    if (off + 2 > total) {
        stop(w, off, "the object ends at offset " + num(total) + " without a terminator");
        return false;
    }
    const int16_t type = word_at(w.bytes + off);
    if (type == REC_TERMINATOR) {
        w.shape.terminator = uint32_t(off);
        w.done = true;
        if (off + 2 != total) {
            stop(w, off + 2, num(total - off - 2) + " bytes follow the terminator");
        }
        return false;
    }
    const std::size_t index = w.shape.records;
    auto which = [&] { return "record " + num(index); };
    if (type != REC_VECTOR) {
        stop(w, off,
             which() + " has type " + std::to_string(type) +
                 ", neither a vector record (4) nor the terminator (255)");
        return false;
    }
    if (off + kRecordHeaderSize > total) {
        stop(w, off,
             which() + ": its header needs " + num(kRecordHeaderSize) + " bytes but only " +
                 num(total - off) + " remain");
        return false;
    }
    rec->index = index;
    rec->offset = uint32_t(off);
    std::memcpy(&rec->head, w.bytes + off, sizeof rec->head);
    const uint64_t next = rec->head.nxtoff;
    if (next < kRecordHeaderSize + 2) {
        stop(w, off + 4,
             which() + " gives its size as " + num(next) +
                 ", less than a header and an end of path (30 bytes)");
        return false;
    }
    if (next % 4 != 0) {
        stop(w, off + 4, which() + " gives its size as " + num(next) + ", not a multiple of 4");
        return false;
    }
    if (off + next > total) {
        stop(w, off + 4,
             which() + " gives its size as " + num(next) + ", which points to offset " +
                 num(off + next) + ", outside the block of " + num(total) + " bytes");
        return false;
    }
    if (!check_path(w, off + kRecordHeaderSize, off + next, *rec)) {
        return false;
    }
    w.shape.records += 1;
    w.shape.elements += rec->elements;
    w.off = off + next;
    return true;
}

Shape shape_of(const uint8_t* bytes, std::size_t size) {
    Walk w = start_walk(bytes, size);
    RecordRef rec;
    while (next_record(w, &rec)) {
    }
    return std::move(w.shape);
}

} // namespace view
