// clash.h: whether the files a run would write can be written: none lands on a drawing or on an
// input, no two land on one file, and at most one output uses standard output.
#pragma once

#include <string>
#include <vector>

namespace clash {

// A file that the run would write, and who names it ("--svg", or the output folder).
struct Output {
    std::string who;
    std::string path;
};

// Why the outputs cannot be written, in the words of a usage error; empty when they can.
// Two paths name one file when they are the same path once made absolute and free of "." and
// "..", with links resolved as far as the path exists, or when both name one existing file.
// Each path is looked at once, so a batch of thousands of outputs costs no more than a walk.
std::string output_clash(const std::vector<Output>& outputs, const std::vector<std::string>& inputs,
                         const std::vector<std::string>& stdout_users);

} // namespace clash
