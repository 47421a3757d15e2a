// object_walk.h: walks a vector object's records and elements where they lie, copying nothing.
//
// Receives the bytes of a frame's data block. A walk hands on one record at a time: its header
// (copied out, 28 bytes) and where its path lies in the block, after every element of the path
// has been checked against the record's end; a cursor then reads the elements in place. Nothing
// is allocated while the layout holds. Where it breaks, the walk stops with the same damage
// (offset and reason) as read_object, the records before it having been handed on.
#ifndef DXFHOST_OBJECT_WALK_H
#define DXFHOST_OBJECT_WALK_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include "dxfhost/object_view.h"

namespace view {

// One record whose path has been checked.
struct RecordRef {
    std::size_t index = 0;         // 0 for the first record of the object
    uint32_t offset = 0;           // where its header starts in the block
    VOH head{};                    // the header as stored
    const uint8_t* path = nullptr; // its first element, in the block
    uint32_t path_size = 0;        // bytes of its path, the end element included
    uint32_t elements = 0;         // elements of its path, the end element included
    uint32_t fill = 0;             // bytes after the end of path (0 or 2)
};

// One element as read from the block: its code and arguments.
struct ElementRef {
    uint32_t offset = 0; // where its first word lies in the block
    int16_t code = -1;
    int count = 0;         // words, the code included (1 to 7)
    int16_t words[7] = {}; // the code, then its arguments
    const int16_t* args() const { return words + 1; }
};

// Reads the elements of a checked record, in order.
struct ElementCursor {
    const uint8_t* next = nullptr;
    const uint8_t* end = nullptr;
    uint32_t offset = 0; // block offset of next
};
ElementCursor elements_of(const RecordRef& rec);
// The next element; false once the path is read (after the end element).
bool next_element(ElementCursor& cursor, ElementRef* element);

// What a walk found in the whole object.
struct Shape {
    uint32_t size = 0;                  // bytes in the block
    bool has_header = false;            // the block holds at least the 24-byte header
    OGR head{};                         // the object header (zero when has_header is false)
    std::size_t records = 0;            // records read in full
    uint64_t elements = 0;              // their elements, end elements included
    std::optional<uint32_t> terminator; // offset of the terminator, when one was reached
    std::optional<Damage> damage;       // the first break of the layout, if any
};

// A walk in progress. The bytes must stay in place while it lasts.
struct Walk {
    const uint8_t* bytes = nullptr;
    uint64_t total = 0; // bytes walked (a block holds at most 4 GiB)
    uint64_t off = 0;   // where the next record starts
    bool done = false;  // the terminator or the damage was reached
    Shape shape;        // what was found so far
};

// Starts a walk: reads the object header (or records that it is missing).
Walk start_walk(const uint8_t* bytes, std::size_t size);
// The next record; false at the terminator or at the first damage (both told in the walk's
// shape), and after them.
bool next_record(Walk& walk, RecordRef* record);

// Walks the whole object, checking its layout only.
Shape shape_of(const uint8_t* bytes, std::size_t size);

} // namespace view

#endif
