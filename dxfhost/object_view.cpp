// object_view.cpp: reads a vector object and a frame header block, checking every length.
//
// Receives raw block bytes. The object is read by the in-place walk (object_walk.h), each
// record and element copied out into the view; headers are copied into the declared host
// structures with memcpy (the blocks are little-endian with fixed offsets, as the structures
// are). Hands on the records, the terminator's place, and the first damage found.
#include "dxfhost/object_view.h"

#include "dxfhost/object_walk.h"

#include <cstring>

namespace view {

namespace {

std::string num(uint64_t v) {
    return std::to_string(v);
}

} // namespace

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
    Walk w = start_walk(bytes, size);
    RecordRef ref;
    while (next_record(w, &ref)) {
        Record rec;
        rec.index = ref.index;
        rec.offset = ref.offset;
        rec.head = ref.head;
        rec.fill = ref.fill;
        rec.elements.reserve(ref.elements);
        ElementCursor c = elements_of(ref);
        ElementRef el;
        while (next_element(c, &el)) {
            rec.elements.push_back(
                Element{el.offset, std::vector<int16_t>(el.words, el.words + el.count)});
        }
        obj.records.push_back(std::move(rec));
    }
    obj.size = w.shape.size;
    obj.has_header = w.shape.has_header;
    obj.head = w.shape.head;
    obj.terminator = w.shape.terminator;
    obj.damage = std::move(w.shape.damage);
    return obj;
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
