// inputs.h: the drawings a command line names, with its folders opened.
//
// Receives the drawings as named on the command line. A folder stands for the drawings under
// it: every regular file whose name ends in ".dxf", in any case, in its subfolders too, in name
// order. A folder whose own name ends in ".dxf" is taken for a drawing (one that cannot be
// read), as any other name is, and so is "-" (standard input).
#ifndef DXFHOST_INPUTS_H
#define DXFHOST_INPUTS_H

#include <string>
#include <vector>

namespace inputs {

enum class Status { Ok, NoDrawings, Unreadable };

struct Expanded {
    std::vector<std::string> drawings; // in the order of the command line, folders opened
    Status status = Status::Ok;
    std::string error; // when not Ok: which folder, and why
};

Expanded expand(const std::vector<std::string>& named);

} // namespace inputs

#endif
