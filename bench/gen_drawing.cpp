// gen_drawing: writes a generated drawing to standard output.
//   gen_drawing [blocks [inserts]]     (default 50 blocks, 500 INSERTs)
#include <cstdio>
#include <cstdlib>

#include "drawing_gen.h"

int main(int argc, char** argv) {
    int blocks = argc > 1 ? std::atoi(argv[1]) : 50;
    int inserts = argc > 2 ? std::atoi(argv[2]) : 500;
    if (blocks < 0 || inserts < 0 || blocks > 65535) {
        std::fprintf(stderr, "usage: gen_drawing [blocks (0 to 65535) [inserts]]\n");
        return 64;
    }
    std::string text = drawgen::make_drawing(blocks, inserts);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
