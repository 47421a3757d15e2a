// gen_drawing: writes a generated drawing (see drawing_gen.h) to standard output.
//   gen_drawing [blocks [inserts]]     (default 50 blocks, 500 INSERTs)
//   gen_drawing --entities N --blocks B --inserts I --nesting L --fanout F --seed S
#include <cstdio>

#include <CLI/CLI.hpp>

#include "drawing_gen.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes a generated DXF drawing to standard output; the same options always "
                 "give the same drawing."};
    drawgen::Options o;
    o.blocks = 50;
    o.inserts = 500;
    std::vector<int> counts; // the old form: blocks, then INSERTs
    app.add_option("counts", counts, "blocks [inserts] (the short form)")->expected(0, 2);
    app.add_option("--entities", o.entities, "loose lines, circles, arcs and polylines");
    app.add_option("--blocks", o.blocks, "symbol blocks (default 50)");
    app.add_option("--inserts", o.inserts, "INSERTs in the entities (default 500)");
    app.add_option("--nesting", o.nesting, "levels of nested blocks; the INSERTs name the top");
    app.add_option("--fanout", o.fanout, "INSERTs of the level below per nesting level (2)");
    app.add_option("--seed", o.seed, "start of the placement and of the loose entities");
    CLI11_PARSE(app, argc, argv);
    if (!counts.empty()) {
        o.blocks = counts[0];
        if (counts.size() > 1)
            o.inserts = counts[1];
    }
    if (!drawgen::valid(o)) {
        std::fprintf(stderr, "gen_drawing: counts must not be negative, blocks and nesting "
                             "levels stay below 65535, the fanout is 1 to 64\n");
        return 64;
    }
    std::string text = drawgen::make_drawing(o);
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
