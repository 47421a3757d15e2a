// object_view.h: reads a frame's blocks back as the host sees them.
//
// Receives the bytes of a frame's data block (the vector object: object header, vector records
// with their point data, terminator) or of its header block (frame header, sub-entries, name).
// Hands on plain descriptions of them for the pictures, the dump and the JSON report. Every
// length is checked before it is followed: an object that ends early, a record whose size
// points outside the block or a path without its end is reported with the offset where the
// layout breaks and why, and the records read before it are kept.
#ifndef DXFHOST_OBJECT_VIEW_H
#define DXFHOST_OBJECT_VIEW_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/hoststruct.h"

namespace view {

// Element codes of point data.
enum : int16_t {
    EL_MOVE = 0,
    EL_LINE = 1,
    EL_ARC = 3,
    EL_END = 15,
};
// The record type of a vector record, and the value that ends the record list.
enum : int16_t {
    REC_VECTOR = 4,
    REC_TERMINATOR = 255,
};
constexpr uint32_t kObjectHeaderSize = sizeof(OGR); // 24
constexpr uint32_t kRecordHeaderSize = sizeof(VOH); // 28

// One drawing element: its words, the element code first (move: 0, x, y; line: 1, x, y;
// arc: 3, cx, cy, rx, ry, a0, a1; end: 15).
struct Element {
    uint32_t offset = 0;        // where its first word lies in the block
    std::vector<int16_t> words; // the element code and its arguments
    int16_t code() const { return words.empty() ? int16_t(-1) : words[0]; }
};

struct Record {
    std::size_t index = 0;         // 0 for the first record of the object
    uint32_t offset = 0;           // where its header starts in the block
    VOH head{};                    // the header as stored
    std::vector<Element> elements; // its path, the end element included
    uint32_t fill = 0;             // bytes after the end of path (0 or 2)
};

// Where the layout breaks, and why.
struct Damage {
    uint32_t offset = 0; // byte offset in the block
    std::string what;    // a sentence without a final full stop
};

struct Object {
    uint32_t size = 0;                  // bytes in the block
    bool has_header = false;            // the block holds at least the 24-byte header
    OGR head{};                         // the object header (zero when has_header is false)
    std::vector<Record> records;        // the records read in full, in block order
    std::optional<uint32_t> terminator; // offset of the terminator, when one was reached
    std::optional<Damage> damage;       // the first break of the layout, if any
};

// Reads an object block. Never reads outside bytes; never fails: what cannot be read is told
// in damage. The walk stops at the terminator or at the first damage.
Object read_object(const uint8_t* bytes, std::size_t size);
inline Object read_object(const std::vector<uint8_t>& bytes) {
    return read_object(bytes.data(), bytes.size());
}

// Number of argument words that follow each element code; -1 for a code that is not one.
inline int element_arguments(int16_t code) {
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
// A short name of the element code: "move", "line", "arc", "end", or "unknown".
const char* element_name(int16_t code);

// The 32-bit words of a header's bit-field fields, as stored.
uint32_t rdef_word(const RDEF& r);
uint32_t ldef_word(const LDEF& l);

struct FrameHeader {
    uint32_t size = 0;            // bytes in the block
    bool has_header = false;      // the block holds the 56-byte frame header
    FRH head{};                   // the header (zero when has_header is false)
    bool named = false;           // bit 0x80 of hd.sstat: a name follows the sub-entries
    std::string name;             // the frame's name (empty when not named)
    std::optional<Damage> damage; // the first break of the layout, if any
};

// Reads a frame header block: the header, nsub sub-entries, and the name when bit 0x80 of
// hd.sstat says there is one (zero-terminated, inside the block).
FrameHeader read_frame_header(const uint8_t* bytes, std::size_t size);
inline FrameHeader read_frame_header(const std::vector<uint8_t>& bytes) {
    return read_frame_header(bytes.data(), bytes.size());
}

} // namespace view

#endif
