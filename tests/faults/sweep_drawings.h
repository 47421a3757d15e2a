// sweep_drawings.h: the drawings the fault sweep imports: the test drawings and examples from
// disk, and generated drawings that reach what those do not (every header variable, every
// table, every entity kind, mirrored, scaled and nested blocks, attributes, a polyline ending at
// "ENDBLK", refused drawings).
#ifndef TESTS_FAULTS_SWEEP_DRAWINGS_H
#define TESTS_FAULTS_SWEEP_DRAWINGS_H

#include <string>
#include <vector>

namespace sweep {

struct Drawing {
    std::string name; // shown in failure messages
    std::string text; // the file's bytes
};

// The drawings from the test data and examples folders, then the generated ones.
std::vector<Drawing> drawing_set();

// Generated drawings only.
std::vector<Drawing> generated_drawings();

} // namespace sweep

#endif
