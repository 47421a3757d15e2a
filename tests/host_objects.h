// host_objects.h: hand-made vector objects and frame header blocks for the host program's tests.
#ifndef TESTS_HOST_OBJECTS_H
#define TESTS_HOST_OBJECTS_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace hostobj {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, int v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t((v >> 8) & 0xFF));
}
inline void put32(Bytes& b, uint32_t v) {
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}
inline void set32(Bytes& b, std::size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.at(off + std::size_t(i)) = uint8_t(v >> (8 * i));
    }
}

// Builds an object as the module lays it out: header, records, terminator.
struct ObjectBuilder {
    Bytes b;
    explicit ObjectBuilder(uint32_t bestw = 100000, uint32_t besth = 100000) {
        b.assign(24, 0);
        set32(b, 8, bestw);
        set32(b, 12, besth);
    }
    // A record with its box and path words (elements concatenated, end element included);
    // the fill and nxtoff are computed. The attributes are the module's line record values.
    ObjectBuilder& record(int xpos, int ypos, int width, int height,
                          std::initializer_list<int> words) {
        const std::size_t start = b.size();
        put16(b, 4);
        put16(b, 0);
        put32(b, 0); // nxtoff, set below
        put16(b, xpos);
        put16(b, ypos);
        put16(b, width);
        put16(b, height);
        put32(b, 0x20);
        put32(b, 0);
        put32(b, 0x90);
        for (int w : words) {
            put16(b, w);
        }
        while ((b.size() - start) % 4 != 0) {
            put16(b, 0);
        }
        set32(b, start + 4, uint32_t(b.size() - start));
        return *this;
    }
    ObjectBuilder& line_record() {
        return record(0, 8192, 16384, 8192, {0, 0, 16384, 1, 16384, 0, 15});
    }
    ObjectBuilder& terminator() {
        put16(b, 255);
        return *this;
    }
    Bytes bytes() const { return b; }
};

// A frame header block: 56 bytes, nsub sub-entries, then name when named.
inline Bytes frame_header(uint32_t nsub, const std::string* name) {
    Bytes b(56, 0);
    set32(b, 44, nsub);
    b.resize(56 + 4 * std::size_t(nsub), 0);
    if (name != nullptr) {
        b[3] |= 0x80;
        b.insert(b.end(), name->begin(), name->end());
        b.push_back(0);
    }
    return b;
}

} // namespace hostobj

#endif
