// check_walk.h: the walk of the drawing check, shared by its files (check.cpp for the top
// level, the header and the tables; check_blocks.cpp; check_entities.cpp). Not for use outside
// them: the rest of dxfhost sees check.h only.
#ifndef DXFHOST_CHECK_WALK_H
#define DXFHOST_CHECK_WALK_H

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dxfhost/check.h"
#include "dxfhost/explain.h"
#include "dxfhost/groups.h"

namespace check::walk {

constexpr std::size_t kNameKeep = 39; // characters of a block name the module compares
constexpr int kDepthMax = 4000;       // nesting of blocks followed (each level takes stack)

// A block as the module stores it, enough for bounds and for what its INSERTs change.
struct Block {
    double bx = 0, by = 0; // base point
    Bounds own;            // of its own lines, polylines and arcs
    bool arcs = false;     // it holds arcs of its own
    bool items = false;    // it holds anything drawn
    struct Ref {
        std::string name;
        double x = 0, y = 0, sx = 1, sy = 1;
        uint64_t line = 0; // where the INSERT stands
        // Takes an INSERT's placement group (10, 20, 41, 42; 50 into *rotation, kept only when
        // not 0); false for any other code.
        bool take(int code, double v, const std::string& value, std::string* rotation) {
            switch (code) {
            case 10:
                x = v;
                return true;
            case 20:
                y = v;
                return true;
            case 41:
                sx = v;
                return true;
            case 42:
                sy = v;
                return true;
            case 50:
                *rotation = v != 0 ? value : "";
                return true;
            default:
                return false;
            }
        }
    };
    std::vector<Ref> refs; // its INSERTs
    uint64_t line = 0;     // where its name stands
};

// One entity's groups up to the group 0 after it, as DXF defines it.
struct Entity {
    std::string kind;
    uint64_t line = 0;
    std::string layer;
};

struct Walk {
    groups::Reader in;
    Findings f;
    bool mapped = false;      // the header gave usable extents
    bool header_seen = false; // a HEADER section was read through
    bool blocks_seen = false;
    std::vector<std::string> block_names;       // in file order, one per record
    std::vector<Block> blocks;                  // the records
    std::map<std::string, std::size_t> by_name; // first record of each name

    std::vector<std::optional<std::pair<Bounds, bool>>> placed; // block_bounds, by block
    std::vector<int> walk_state; // block_bounds' marks for placed_bounds, by block

    void refuse(const char* kind, uint64_t line, explain::Text t = {}) {
        f.refusals.push_back({kind, line, std::move(t.why), std::move(t.fix)});
    }
    groups::Group next() { return in.next(); }

    // Reads through the groups up to the next group 0, which is given back; the entity's
    // layer is taken on the way when e has none yet.
    void skip_to_0(Entity* e) {
        for (;;) {
            groups::Group g = next();
            if (g.code == 0 || g.end) {
                in.give_back(g);
                return;
            }
            if (g.code == 8 && e != nullptr && e->layer.empty()) {
                e->layer = g.value;
            }
        }
    }

    // The module's coordinate read: x from 10-18, y from 20-28; it ends at the first y when
    // nothing more is wanted, at a group 40-48 after the y when the size is the last thing
    // wanted, at a group 50-58 after the y when an angle is wanted. A group 30-38 met first is
    // 3-D data: noted, and false. The groups read are those the module reads.
    bool coordinates(Entity* e, double* x, double* y, double* size, double* angle,
                     const std::string& where) {
        bool have_y = false;
        for (;;) {
            groups::Group g = next();
            if (g.end) {
                in.give_back(g);
                return true; // the caller's next read meets the end
            }
            const uint32_t c = g.code;
            if (c == 8 && e->layer.empty()) {
                e->layer = g.value;
            }
            if (c >= 10 && c <= 18) {
                *x = groups::number(g.value);
            } else if (c >= 20 && c <= 28) {
                *y = groups::number(g.value);
                have_y = true;
                if (size == nullptr && angle == nullptr) {
                    return true;
                }
            } else if (c >= 30 && c <= 38) {
                skip_to_0(e);
                f.z_groups.add({e->line, e->kind, e->layer, g.value});
                refuse(
                    "three_d", g.value_line(),
                    explain::three_d(e->kind, e->line, e->layer, g.value, g.value_line(), where));
                return false;
            } else if (c >= 40 && c <= 48) {
                if (size != nullptr) {
                    *size = groups::number(g.value);
                }
                if (angle == nullptr && have_y) {
                    return true;
                }
            } else if (c >= 50 && c <= 58) {
                if (angle != nullptr) {
                    *angle = groups::number(g.value);
                }
                if (have_y) {
                    return true;
                }
            }
        }
    }

    void ends_early(const groups::Group& g, const char* inside) {
        const uint64_t last = g.end && g.line > 0 ? g.line - 1 : g.line; // the file's last line
        refuse("ends_early", last, explain::ends_early(last, inside));
    }

    void run(const std::string& path);
    void header(const groups::Group& name);
    void tables();
    void blocks_section();
    void entities();
    void resolve_blocks(uint64_t end_line);
    Bounds block_bounds(std::size_t k, std::vector<int>* state, bool* arcs, int depth = 0);
    Bounds placed_bounds(std::size_t k, bool* arcs);
};

} // namespace check::walk

#endif
