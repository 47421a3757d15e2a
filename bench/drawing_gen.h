// drawing_gen.h: generated ASCII drawings with many block definitions and INSERTs.
//
// The drawings look like what drawing programs write for plans full of symbols: a header with
// the extents, a BLOCKS section whose blocks hold lines, an arc and a polyline, and some of
// which insert another block (defined before or after them), and an ENTITIES section of
// INSERTs spread over the drawing with a few lines and circles between them. The same
// arguments always give the same text.
#ifndef BENCH_DRAWING_GEN_H
#define BENCH_DRAWING_GEN_H

#include <string>

namespace drawgen {

// A whole drawing: `blocks` block definitions and `inserts` INSERTs in the entities.
std::string make_drawing(int blocks, int inserts);

// Only the body of a BLOCKS section (after its name, through its ENDSEC) with `blocks`
// definitions, every second of which inserts the block defined after it.
std::string make_blocks_section(int blocks);

} // namespace drawgen

#endif
