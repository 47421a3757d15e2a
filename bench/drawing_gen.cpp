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

// The level-0 symbol of a tower: a frame of lines and a polyline.
void nest_base(std::string& out) {
    group(out, 0, "BLOCK");
    group(out, 8, "0");
    group(out, 2, "NEST_0");
    group(out, 70, "0");
    group(out, 10, "0.0");
    group(out, 20, "0.0");
    group(out, 30, "0.0");
    line(out, 0, 0, 4, 0);
    line(out, 4, 0, 4, 3);
    group(out, 0, "POLYLINE");
    group(out, 8, "0");
    group(out, 66, "1");
    group(out, 70, "1");
    for (int v = 0; v < 3; ++v) {
        group(out, 0, "VERTEX");
        group(out, 8, "0");
        group(out, 10, num(v * 2.0));
        group(out, 20, num(v == 1 ? 3.0 : 0.0));
        group(out, 30, "0.0");
    }
    group(out, 0, "SEQEND");
    group(out, 8, "0");
    group(out, 0, "ENDBLK");
    group(out, 8, "0");
}

// Level k of a tower: `fanout` INSERTs of level k - 1 side by side and one line under them.
void nest_level(std::string& out, int k, int fanout) {
    std::string name = "NEST_" + std::to_string(k);
    group(out, 0, "BLOCK");
    group(out, 8, "0");
    group(out, 2, name);
    group(out, 70, "0");
    group(out, 10, "0.0");
    group(out, 20, "0.0");
    group(out, 30, "0.0");
    for (int j = 0; j < fanout; ++j)
        insert(out, "NEST_" + std::to_string(k - 1), 5.0 * j, 1.0, 1.0 / fanout, 1.0 / fanout);
    line(out, 0, 0, 5.0 * fanout, 0);
    group(out, 0, "ENDBLK");
    group(out, 8, "0");
}

const char* const kLayers[] = {"0", "WALLS", "DOORS", "WINDOWS", "FURNITURE", "DIMENSIONS"};

// One loose entity, its kind and place drawn from rnd.
void loose_entity(std::string& out, Lcg& rnd) {
    const char* layer = kLayers[rnd.next() % 6];
    double x = rnd.unit() * 1000, y = rnd.unit() * 1000;
    switch (rnd.next() % 10) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
        group(out, 0, "LINE");
        group(out, 8, layer);
        group(out, 62, std::to_string(1 + rnd.next() % 7));
        group(out, 10, num(x));
        group(out, 20, num(y));
        group(out, 30, "0.0");
        group(out, 11, num(x + rnd.unit() * 50 - 25));
        group(out, 21, num(y + rnd.unit() * 50 - 25));
        group(out, 31, "0.0");
        break;
    case 5:
    case 6:
        group(out, 0, "CIRCLE");
        group(out, 8, layer);
        group(out, 10, num(x));
        group(out, 20, num(y));
        group(out, 40, num(0.5 + rnd.unit() * 10));
        break;
    case 7:
        group(out, 0, "ARC");
        group(out, 8, layer);
        group(out, 10, num(x));
        group(out, 20, num(y));
        group(out, 40, num(0.5 + rnd.unit() * 10));
        group(out, 50, num(rnd.unit() * 360));
        group(out, 51, num(rnd.unit() * 360));
        break;
    default: {
        group(out, 0, "POLYLINE");
        group(out, 8, layer);
        group(out, 66, "1");
        group(out, 70, std::to_string(rnd.next() % 2));
        int vertices = 3 + int(rnd.next() % 4);
        for (int v = 0; v < vertices; ++v) {
            group(out, 0, "VERTEX");
            group(out, 8, layer);
            group(out, 10, num(x + rnd.unit() * 40));
            group(out, 20, num(y + rnd.unit() * 40));
            group(out, 30, "0.0");
        }
        group(out, 0, "SEQEND");
        group(out, 8, layer);
        break;
    }
    }
}

} // namespace

bool valid(const Options& o) {
    return o.entities >= 0 && o.blocks >= 0 && o.inserts >= 0 && o.nesting >= 0 && o.fanout >= 1 &&
           o.fanout <= 64 && int64_t(o.blocks) + o.nesting < 65535;
}

std::string make_blocks_section(int blocks) {
    std::string out;
    for (int i = 0; i < blocks; ++i)
        block(out, i, -1, (i % 2 == 0 && i + 1 < blocks) ? i + 1 : -1);
    group(out, 0, "ENDSEC");
    return out;
}

std::string make_drawing(const Options& o) {
    std::string out;
    out.reserve(std::size_t(o.blocks) * 900 + std::size_t(o.inserts) * 120 +
                std::size_t(o.entities) * 170 + std::size_t(o.nesting) * o.fanout * 120 + 1024);
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
    for (int i = 0; i < o.blocks; ++i)
        block(out, i, (i % 5 == 1) ? i - 1 : -1, (i % 10 == 3 && i + 1 < o.blocks) ? i + 1 : -1);
    if (o.nesting > 0) {
        nest_base(out);
        for (int k = 1; k <= o.nesting; ++k)
            nest_level(out, k, o.fanout);
    }
    group(out, 0, "ENDSEC");

    Lcg rnd{o.seed};
    const std::string top = "NEST_" + std::to_string(o.nesting);
    group(out, 0, "SECTION");
    group(out, 2, "ENTITIES");
    for (int k = 0; k < o.inserts; ++k) {
        int b = int(rnd.next() % uint32_t(o.blocks > 0 ? o.blocks : 1));
        double x = 20 + rnd.unit() * 960, y = 20 + rnd.unit() * 960;
        double s = (k % 3 == 0) ? -1.0 : 1.0 + (k % 4);
        insert(out, o.nesting > 0 ? top : block_name(b), x, y, s, 1.0 + (k % 2));
        if (k % 10 == 0) {
            line(out, x, y, x + 5, y + 5);
            group(out, 0, "CIRCLE");
            group(out, 8, "0");
            group(out, 10, num(x));
            group(out, 20, num(y));
            group(out, 40, "2.5");
        }
    }
    for (int k = 0; k < o.entities; ++k)
        loose_entity(out, rnd);
    group(out, 0, "ENDSEC");
    group(out, 0, "EOF");
    return out;
}

std::string make_tower_section(int levels, int fanout, bool top_down) {
    std::string out;
    if (!top_down)
        nest_base(out);
    for (int i = 1; i <= levels; ++i)
        nest_level(out, top_down ? levels + 1 - i : i, fanout);
    if (top_down)
        nest_base(out);
    group(out, 0, "ENDSEC");
    return out;
}

std::string make_insert_section(int levels, int inserts) {
    std::string out;
    Lcg rnd{12345u};
    for (int k = 0; k < inserts; ++k) {
        double x = 20 + rnd.unit() * 960, y = 20 + rnd.unit() * 960;
        insert(out, "NEST_" + std::to_string(levels), x, y, 1.0 + (k % 4), 1.0 + (k % 2));
    }
    group(out, 0, "ENDSEC");
    return out;
}

std::string make_drawing(int blocks, int inserts) {
    Options o;
    o.blocks = blocks;
    o.inserts = inserts;
    return make_drawing(o);
}

} // namespace drawgen
