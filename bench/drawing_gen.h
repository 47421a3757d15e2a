// drawing_gen.h: generated ASCII drawings for the benchmarks.
//
// The drawings look like what drawing programs write: a header with the extents, a BLOCKS
// section and an ENTITIES section. Three kinds of content can be mixed:
//   - loose entities: lines, circles, arcs and polylines spread over the drawing;
//   - symbol blocks holding lines, an arc and a polyline, some of which insert another block
//     (defined before or after them), and INSERTs of them spread over the drawing with a few
//     lines and circles between them;
//   - a tower of nested blocks: level 0 a small symbol, each level above it `fanout` INSERTs
//     of the level below, and the INSERTs of the entities then name the top level.
// The same options always give the same text.
#ifndef BENCH_DRAWING_GEN_H
#define BENCH_DRAWING_GEN_H

#include <cstdint>
#include <string>

namespace drawgen {

struct Options {
    int entities = 0;       // loose entities in the ENTITIES section
    int blocks = 0;         // symbol blocks
    int inserts = 0;        // INSERTs in the entities (of the symbols, or of the nesting top)
    int nesting = 0;        // levels of nested blocks above level 0 (0: no nesting blocks)
    int fanout = 2;         // INSERTs of the level below in each nesting level
    uint32_t seed = 12345u; // where the placement and the loose entities start
};

// Whether the options make a drawing: counts not negative, at most 65535 blocks in all, a
// fanout of 1 to 64 (the text of a tower grows with levels times fanout only).
bool valid(const Options& o);

// A whole drawing.
std::string make_drawing(const Options& o);

// A whole drawing: `blocks` symbol blocks and `inserts` INSERTs of them in the entities.
std::string make_drawing(int blocks, int inserts);

// Only the body of a BLOCKS section (after its name, through its ENDSEC) with `blocks`
// definitions, every second of which inserts the block defined after it.
std::string make_blocks_section(int blocks);

// Only the body of a BLOCKS section holding a tower of `levels` nesting levels over level 0.
// Written from the top down, every INSERT in it names a block defined after it.
std::string make_tower_section(int levels, int fanout, bool top_down);

// Only the body of an ENTITIES section: `inserts` INSERTs of the top of such a tower.
std::string make_insert_section(int levels, int inserts);

} // namespace drawgen

#endif
