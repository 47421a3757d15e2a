// check.h: what the import module will make of a drawing, found without importing it.
//
// Receives a drawing's path. Reads it with the host program's own group reader (groups.h),
// following the module's rules section by section, and hands on everything a user needs in one
// run: every reason the module would refuse the drawing (not only the first), and everything an
// import passes over or changes. The module's own table of header variables decides which
// variables are known. The first refusal in file order is the one the module stops at.
#ifndef DXFHOST_CHECK_H
#define DXFHOST_CHECK_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace check {

constexpr std::size_t kShown = 5; // places kept of each kind of finding

// One reason the module refuses the drawing.
struct Refusal {
    std::string kind;  // "unknown_header_variable", "three_d", "comment", "section", ...
    uint64_t line = 0; // the line where the module stops for it (0: the file as a whole)
    std::string why;   // the cause, in the user's terms (one sentence, no final full stop)
    std::string fix;   // what to do about it; empty when nothing simple helps
};

// One entity or group worth showing.
struct Spot {
    uint64_t line = 0; // line of the entity's name (or of the group)
    std::string kind;  // the entity's name ("CIRCLE")
    std::string layer; // its layer (group 8), empty when it has none
    std::string value; // what is special about it: a Z value, a block name, ...
};

// How often something was found, and where its first few instances stand.
struct Tally {
    std::size_t count = 0;
    std::vector<Spot> first; // at most kShown
    void add(const Spot& s);
};

// Bounds of points in drawing units.
struct Bounds {
    bool any = false;
    double minx = 0, miny = 0, maxx = 0, maxy = 0;
    void add(double x, double y);
    void add(const Bounds& b);
};

// What an import that succeeds loses: entities passed over, closed polylines drawn open,
// bulges drawn straight, rotations not applied.
struct Lost {
    std::size_t passed_over = 0;
    std::size_t drawn_open = 0;
    std::size_t drawn_straight = 0;
    std::size_t rotation_ignored = 0;
    bool none() const { return passed_over + drawn_open + drawn_straight + rotation_ignored == 0; }
};

using Counts = std::map<std::string, std::map<std::string, std::size_t>>; // section, kind

struct Findings {
    std::string version; // the value of $ACADVER ("" when the drawing has none)
    std::vector<std::pair<std::string, uint64_t>> sections;          // names and lines, in order
    std::vector<std::pair<std::string, uint64_t>> unknown_variables; // names and lines
    std::vector<uint64_t> comments; // lines of comments (group 999) where the module takes none
    std::optional<std::pair<double, double>> extmin, extmax; // $EXTMIN, $EXTMAX as kept
    Bounds geometry;      // of everything the ENTITIES section draws
    Counts converted;     // entities that become records (or block items)
    Counts passed_over;   // entities that leave nothing
    Tally z_groups;       // circles and arcs with a Z group (value: the Z)
    Tally closed;         // closed polylines, drawn open
    Tally bulges;         // polyline vertices with a bulge, drawn straight
    Tally rotated;        // INSERTs with a rotation, which is not applied
    Tally mirrored_arcs;  // INSERTs that mirror a block holding arcs
    Tally missing_blocks; // INSERTs of blocks the drawing does not define (value: the name)
    Tally outside;        // entities reaching outside the extents
    std::vector<Refusal> refusals; // in file order
    bool would_import() const { return refusals.empty(); }
    Lost lost() const;
};

// Reads the drawing at path. A file that cannot be opened gives one refusal saying why.
Findings scan(const std::string& path);

// A version code of $ACADVER in words: "AC1009" gives "R12", "AC1015" gives "2000"; empty for
// a code that is not known.
std::string version_words(const std::string& acadver);

} // namespace check

#endif
