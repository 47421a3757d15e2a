// object_view.cpp: walks a vector object and a frame header block, checking every length.
//
// Receives raw block bytes. Copies each header into the declared host structure with memcpy
// (the blocks are little-endian with fixed offsets, as the structures are), reads point data
// word by word and hands on the records, the terminator's place, and the first damage found.
#include "dxfhost/object_view.h"

#include <cstring>

namespace view {

namespace {

int16_t word_at(const uint8_t* bytes, uint64_t off) {
    return int16_t(uint16_t(bytes[off] | (bytes[off + 1] << 8)));
}

std::string num(uint64_t v) {
    return std::to_string(v);
}

// Reads the path of one record, whose point data lies in [start, end). Fills rec's elements
// and fill; returns the damage when the path breaks the layout.
std::optional<Damage> read_path(const uint8_t* bytes, uint64_t start, uint64_t end, Record& rec) {
    const std::string which = "record " + num(rec.index);
    uint64_t p = start;
    for (;;) {
        if (p + 2 > end) {
            return Damage{uint32_t(p), which +
                                           " has no end of path (element 15) before its "
                                           "end at offset " +
                                           num(end)};
        }
        int16_t code = word_at(bytes, p);
        int args = element_arguments(code);
        if (args < 0) {
            return Damage{uint32_t(p), which + " holds element code " + num(uint16_t(code)) + " (" +
                                           std::to_string(code) +
                                           "), which is not move, line, arc or end"};
        }
        uint64_t need = 2 * uint64_t(args + 1);
        if (p + need > end) {
            return Damage{uint32_t(p), which + ": its " + element_name(code) + " element needs " +
                                           num(need) + " bytes but the record ends at offset " +
                                           num(end)};
        }
        Element el;
        el.offset = uint32_t(p);
        el.words.reserve(std::size_t(args + 1));
        for (int i = 0; i <= args; ++i) {
            el.words.push_back(word_at(bytes, p + 2 * uint64_t(i)));
        }
        rec.elements.push_back(std::move(el));
        p += need;
        if (code == EL_END) {
            break;
        }
    }
    uint64_t rest = end - p;
    if (rest > 2) {
        return Damage{uint32_t(p), which + " has " + num(rest) +
                                       " bytes after its end of path, where at most 2 "
                                       "fill bytes belong"};
    }
    rec.fill = uint32_t(rest);
    return std::nullopt;
}

} // namespace

int element_arguments(int16_t code) {
    switch (code) {
    case EL_MOVE:
    case EL_LINE:
        return 2;
    case EL_ARC:
        return 6;
    case EL_END:
        return 0;
    default:
        return -1;
    }
}

const char* element_name(int16_t code) {
    switch (code) {
    case EL_MOVE:
        return "move";
    case EL_LINE:
        return "line";
    case EL_ARC:
        return "arc";
    case EL_END:
        return "end";
    default:
        return "unknown";
    }
}

uint32_t rdef_word(const RDEF& r) {
    uint32_t w = 0;
    std::memcpy(&w, &r, sizeof w);
    return w;
}

uint32_t ldef_word(const LDEF& l) {
    uint32_t w = 0;
    std::memcpy(&w, &l, sizeof w);
    return w;
}

Object read_object(const uint8_t* bytes, std::size_t size) {
    Object obj;
    // Host blocks are at most 4 GiB; anything beyond that is not part of a block.
    const uint64_t total = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size;
    obj.size = uint32_t(total);
    if (total < kObjectHeaderSize) {
        obj.damage = Damage{0, "the object header needs " + num(kObjectHeaderSize) +
                                   " bytes but the block holds " + num(total)};
        return obj;
    }
    std::memcpy(&obj.head, bytes, sizeof obj.head);
    obj.has_header = true;

    uint64_t off = kObjectHeaderSize;
    for (;;) {
        if (off + 2 > total) {
            obj.damage = Damage{uint32_t(off), "the object ends at offset " + num(total) +
                                                   " without a terminator"};
            return obj;
        }
        int16_t type = word_at(bytes, off);
        if (type == REC_TERMINATOR) {
            obj.terminator = uint32_t(off);
            if (off + 2 != total) {
                obj.damage = Damage{uint32_t(off + 2),
                                    num(total - off - 2) + " bytes follow the terminator"};
            }
            return obj;
        }
        const std::string which = "record " + num(obj.records.size());
        if (type != REC_VECTOR) {
            obj.damage = Damage{uint32_t(off), which + " has type " + std::to_string(type) +
                                                   ", neither a vector record (4) nor the "
                                                   "terminator (255)"};
            return obj;
        }
        if (off + kRecordHeaderSize > total) {
            obj.damage =
                Damage{uint32_t(off), which + ": its header needs " + num(kRecordHeaderSize) +
                                          " bytes but only " + num(total - off) + " remain"};
            return obj;
        }
        Record rec;
        rec.index = obj.records.size();
        rec.offset = uint32_t(off);
        std::memcpy(&rec.head, bytes + off, sizeof rec.head);
        const uint64_t next = rec.head.nxtoff;
        if (next < kRecordHeaderSize + 2) {
            obj.damage =
                Damage{uint32_t(off + 4), which + " gives its size as " + num(next) +
                                              ", less than a header and an end of path (30 bytes)"};
            return obj;
        }
        if (next % 4 != 0) {
            obj.damage = Damage{uint32_t(off + 4), which + " gives its size as " + num(next) +
                                                       ", not a multiple of 4"};
            return obj;
        }
        if (off + next > total) {
            obj.damage =
                Damage{uint32_t(off + 4), which + " gives its size as " + num(next) +
                                              ", which points to offset " + num(off + next) +
                                              ", outside the block of " + num(total) + " bytes"};
            return obj;
        }
        if (auto broken = read_path(bytes, off + kRecordHeaderSize, off + next, rec)) {
            obj.damage = std::move(broken);
            return obj;
        }
        obj.records.push_back(std::move(rec));
        off += next;
    }
}

FrameHeader read_frame_header(const uint8_t* bytes, std::size_t size) {
    FrameHeader fh;
    const uint64_t total = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size;
    fh.size = uint32_t(total);
    if (total < sizeof(FRH)) {
        fh.damage = Damage{0, "the frame header needs " + num(sizeof(FRH)) +
                                  " bytes but the block holds " + num(total)};
        return fh;
    }
    std::memcpy(&fh.head, bytes, sizeof fh.head);
    fh.has_header = true;
    const uint64_t name_at = sizeof(FRH) + 4 * uint64_t(fh.head.nsub);
    if (name_at > total) {
        fh.damage = Damage{44, "the frame header counts " + num(fh.head.nsub) +
                                   " sub-entries, which end at offset " + num(name_at) +
                                   ", outside the block of " + num(total) + " bytes"};
        return fh;
    }
    fh.named = (fh.head.hd.sstat & 0x80) != 0;
    if (!fh.named) {
        return fh;
    }
    const void* nul = std::memchr(bytes + name_at, 0, std::size_t(total - name_at));
    if (nul == nullptr) {
        fh.damage = Damage{uint32_t(name_at), "the frame's name, from offset " + num(name_at) +
                                                  ", has no terminating zero inside the block"};
        return fh;
    }
    const char* name = reinterpret_cast<const char*>(bytes + name_at);
    fh.name.assign(name, static_cast<const uint8_t*>(nul) - (bytes + name_at));
    return fh;
}

} // namespace view
