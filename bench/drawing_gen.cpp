// drawing_gen.cpp: writes the generated drawings (see drawing_gen.h).
#include "drawing_gen.h"

#include <cstdint>
#include <cstdio>

namespace drawgen {
namespace {

// Appends one group: the code right-aligned in three columns, as drawing programs write it.
void group(std::string& out, int code, const std::string& value) {
    char line[16];
    std::snprintf(line, sizeof line, "%3d\n", code);
    out += line;
    out += value;
    out += '\n';
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

// A small deterministic generator, so the drawings do not depend on the library's.
struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    double unit() { return double(next() % 100000) / 100000.0; }
};

std::string block_name(int i) {
    return "SYMBOL_" + std::to_string(i);
}

void line(std::string& out, double x1, double y1, double x2, double y2) {
    group(out, 0, "LINE");
    group(out, 8, "0");
    group(out, 10, num(x1));
    group(out, 20, num(y1));
    group(out, 30, "0.0");
    group(out, 11, num(x2));
    group(out, 21, num(y2));
    group(out, 31, "0.0");
}

void insert(std::string& out, const std::string& name, double x, double y, double sx, double sy) {
    group(out, 0, "INSERT");
    group(out, 8, "0");
    group(out, 2, name);
    group(out, 10, num(x));
    group(out, 20, num(y));
    group(out, 30, "0.0");
    group(out, 41, num(sx));
    group(out, 42, num(sy));
    group(out, 50, "0.0");
}

// One block definition: a frame of lines, an arc, a polyline, and the given references.
void block(std::string& out, int i, int ref_before, int ref_after) {
    group(out, 0, "BLOCK");
    group(out, 8, "0");
    group(out, 2, block_name(i));
    group(out, 70, "0");
    group(out, 10, "0.0");
    group(out, 20, "0.0");
    group(out, 30, "0.0");
    group(out, 3, block_name(i));
    double w = 1.0 + (i % 7), h = 1.0 + (i % 5);
    line(out, 0, 0, w, 0);
    line(out, w, 0, w, h);
    group(out, 0, "ARC");
    group(out, 8, "0");
    group(out, 10, num(w / 2));
    group(out, 20, num(h / 2));
    group(out, 40, num(h / 4));
    group(out, 50, "0.0");
    group(out, 51, "270.0");
    group(out, 0, "POLYLINE");
    group(out, 8, "0");
    group(out, 66, "1");
    group(out, 70, "0");
    for (int v = 0; v < 4; ++v) {
        group(out, 0, "VERTEX");
        group(out, 8, "0");
        group(out, 10, num(v * w / 3));
        group(out, 20, num((v % 2) * h));
        group(out, 30, "0.0");
    }
    group(out, 0, "SEQEND");
    group(out, 8, "0");
    if (ref_before >= 0)
        insert(out, block_name(ref_before), w / 4, h / 4, 0.5, 0.5);
    if (ref_after >= 0)
        insert(out, block_name(ref_after), w / 2, 0, -0.25, 0.25);
    group(out, 0, "ENDBLK");
    group(out, 8, "0");
}

} // namespace

std::string make_blocks_section(int blocks) {
    std::string out;
    for (int i = 0; i < blocks; ++i)
        block(out, i, -1, (i % 2 == 0 && i + 1 < blocks) ? i + 1 : -1);
    group(out, 0, "ENDSEC");
    return out;
}

std::string make_drawing(int blocks, int inserts) {
    std::string out;
    out.reserve(std::size_t(blocks) * 900 + std::size_t(inserts) * 120 + 1024);
    group(out, 0, "SECTION");
    group(out, 2, "HEADER");
    group(out, 9, "$EXTMIN");
    group(out, 10, "0.0");
    group(out, 20, "0.0");
    group(out, 30, "0.0");
    group(out, 9, "$EXTMAX");
    group(out, 10, "1000.0");
    group(out, 20, "1000.0");
    group(out, 30, "0.0");
    group(out, 0, "ENDSEC");

    // One block in five holds the block defined just before it, one in ten the one after.
    group(out, 0, "SECTION");
    group(out, 2, "BLOCKS");
    for (int i = 0; i < blocks; ++i)
        block(out, i, (i % 5 == 1) ? i - 1 : -1, (i % 10 == 3 && i + 1 < blocks) ? i + 1 : -1);
    group(out, 0, "ENDSEC");

    Lcg rnd{12345u};
    group(out, 0, "SECTION");
    group(out, 2, "ENTITIES");
    for (int k = 0; k < inserts; ++k) {
        int b = int(rnd.next() % uint32_t(blocks > 0 ? blocks : 1));
        double x = 20 + rnd.unit() * 960, y = 20 + rnd.unit() * 960;
        double s = (k % 3 == 0) ? -1.0 : 1.0 + (k % 4);
        insert(out, block_name(b), x, y, s, 1.0 + (k % 2));
        if (k % 10 == 0) {
            line(out, x, y, x + 5, y + 5);
            group(out, 0, "CIRCLE");
            group(out, 8, "0");
            group(out, 10, num(x));
            group(out, 20, num(y));
            group(out, 40, "2.5");
        }
    }
    group(out, 0, "ENDSEC");
    group(out, 0, "EOF");
    return out;
}

} // namespace drawgen
