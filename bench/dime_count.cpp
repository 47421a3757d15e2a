// dime_count: the yardstick of a general DXF library for drawings full of blocks.
//   dime_count DRAWING
// Reads the whole drawing into the library's model and walks every entity of the ENTITIES
// section with the INSERTs expanded through their blocks (polyline vertices included),
// writing nothing; prints how many entities the walk met.
#include <cstdio>

#include <dime/Input.h>
#include <dime/Model.h>
#include <dime/State.h>
#include <dime/entities/Entity.h>

namespace {

bool count(const dimeState* const, dimeEntity* entity, void* data) {
    auto* n = static_cast<unsigned long long*>(data);
    *n += entity != nullptr ? 1 : 0;
    return true; // go on
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dime_count DRAWING\n");
        return 64;
    }
    dimeInput in;
    if (!in.setFile(argv[1])) {
        std::fprintf(stderr, "dime_count: cannot open %s\n", argv[1]);
        return 2;
    }
    dimeModel model;
    if (!model.read(&in)) {
        std::fprintf(stderr, "dime_count: cannot read %s\n", argv[1]);
        return 2;
    }
    unsigned long long n = 0;
    model.traverseEntities(count, &n, false, true, true);
    std::printf("%llu entities\n", n);
    return 0;
}
