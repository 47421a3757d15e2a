// check_blocks.cpp: the BLOCKS section as the module reads it, and what its blocks draw.
//
// Receives the walk at the section's name; reads through its ENDSEC noting each block (its
// base point, bounds, arcs and INSERTs) the way the module stores it, then finds blocks that
// insert themselves and blocks that draw nothing.
#include <algorithm>
#include <functional>

#include "dxfhost/check_walk.h"

namespace check::walk {

void Walk::blocks_section() {
    std::string last0; // the value of the last group 0 the section loop read
    Block* cur = nullptr;
    std::string cur_name;
    auto converted = [&](const std::string& kind) { ++f.converted["BLOCKS"][kind]; };
    for (;;) {
        groups::Group g = next();
        if (g.end) {
            ends_early(g, "the BLOCKS section");
            return;
        }
        if (g.code == 2) {
            if (last0.rfind("BLOCK", 0) != 0) {
                continue; // the tag of an attribute, a shape's name, ...: dropped
            }
            if (blocks.size() >= 65535) {
                refuse("too_many_blocks", g.value_line(), explain::too_many_blocks());
                continue;
            }
            Block b;
            b.line = g.value_line();
            Entity e{"BLOCK", g.value_line(), ""};
            double x = 0, y = 0;
            coordinates(&e, &x, &y, nullptr, nullptr, "as the base point of block " + g.value);
            b.bx = x, b.by = y;
            cur_name = g.value.substr(0, kNameKeep);
            by_name.emplace(cur_name, blocks.size());
            block_names.push_back(g.value);
            blocks.push_back(b);
            cur = &blocks.back();
            continue;
        }
        if (g.code != 0) {
            continue;
        }
        last0 = g.value;
        if (g.is("ENDSEC")) {
            resolve_blocks(g.value_line());
            return;
        }
        Entity e{g.value, g.value_line(), ""};
        const std::string where = "in block " + cur_name;
        if (cur == nullptr || g.is("BLOCK") || g.is("ENDBLK")) {
            continue;
        }
        if (g.is("ARC")) {
            double x = 0, y = 0, r = 0, a = 0;
            if (!coordinates(&e, &x, &y, &r, &a, where)) {
                continue;
            }
            groups::Group end = next();
            if (end.end || end.code < 51 || end.code > 58) {
                in.give_back(end);
                refuse("arc_end", end.value_line(), explain::arc_end(e.line, cur_name));
                continue;
            }
            cur->own.add(x - r, y - r), cur->own.add(x + r, y + r);
            cur->arcs = cur->items = true;
            converted("ARC");
        } else if (g.is("LINE")) {
            double x = 0, y = 0;
            if (!coordinates(&e, &x, &y, nullptr, nullptr, where)) {
                continue;
            }
            cur->own.add(x, y);
            groups::Group z = next();
            if (z.code < 30 || z.code > 38) {
                in.give_back(z);
            }
            if (!coordinates(&e, &x, &y, nullptr, nullptr, where)) {
                continue;
            }
            cur->own.add(x, y);
            cur->items = true;
            converted("LINE");
        } else if (g.is("POLYLINE")) {
            groups::Group h;
            bool closed = false;
            do {
                h = next();
                if (h.code == 70 && (groups::integer(h.value) & 1)) {
                    closed = true;
                }
            } while (!h.end && !h.is("VERTEX"));
            bool have_vtx = false;
            double x = 0;
            uint64_t vertex_line = h.value_line();
            for (;;) {
                h = next();
                if (h.end) {
                    ends_early(h, "a polyline");
                    return;
                }
                if (h.is("ENDBLK")) {
                    break; // read by the polyline, not by the section loop
                }
                if (h.is("SEQEND")) {
                    break;
                }
                if (h.code == 0 && h.is("VERTEX")) {
                    vertex_line = h.value_line();
                } else if (h.code == 10) {
                    x = groups::number(h.value);
                    have_vtx = true;
                    cur->items = true;
                } else if (h.code == 20 && have_vtx) {
                    cur->own.add(x, groups::number(h.value));
                } else if (h.code == 42 && groups::number(h.value) != 0) {
                    f.bulges.add({vertex_line, "VERTEX", e.layer, h.value});
                } else if (h.code == 8 && e.layer.empty()) {
                    e.layer = h.value;
                }
            }
            if (closed) {
                f.closed.add({e.line, e.kind, e.layer, ""});
            }
            converted("POLYLINE");
        } else if (g.is("INSERT")) {
            groups::Group h;
            do {
                h = next();
                if (h.code == 8 && e.layer.empty()) {
                    e.layer = h.value;
                }
            } while (!h.end && h.code != 2);
            Block::Ref ref;
            ref.name = h.value;
            ref.line = e.line;
            std::string rot;
            while (!h.end) {
                h = next();
                if (h.code == 0 || h.end) {
                    in.give_back(h);
                    break;
                }
                ref.take(h.code, groups::number(h.value), h.value, &rot);
            }
            if (!rot.empty()) {
                f.rotated.add({e.line, e.kind, e.layer, rot});
            }
            cur->refs.push_back(ref);
            converted("INSERT");
        } else {
            ++f.passed_over["BLOCKS"][g.value];
        }
    }
}

// Bounds of block k as an import draws it: its own items and, placed by each INSERT, the
// blocks it inserts; *arcs tells whether any of it is an arc. state: 0 unseen, 1 being walked
// (a reference back to it is a loop, refused elsewhere, and adds nothing), 2 done.
Bounds Walk::block_bounds(std::size_t k, std::vector<int>* state, bool* arcs, int depth) {
    if (placed[k]) {
        *arcs = *arcs || placed[k]->second;
        return placed[k]->first;
    }
    const Block& b = blocks[k];
    Bounds out = b.own;
    bool any_arcs = b.arcs;
    if ((*state)[k] == 1 || depth > kDepthMax) {
        return out;
    }
    (*state)[k] = 1;
    for (const Block::Ref& r : b.refs) {
        const auto it = by_name.find(r.name.substr(0, kNameKeep));
        if (it == by_name.end()) {
            continue;
        }
        const Block& p = blocks[it->second];
        const Bounds pb = block_bounds(it->second, state, &any_arcs, depth + 1);
        if (pb.any) {
            for (double x : {pb.minx, pb.maxx}) {
                for (double y : {pb.miny, pb.maxy}) {
                    out.add(r.x + r.sx * (x - p.bx), r.y + r.sy * (y - p.by));
                }
            }
        }
    }
    (*state)[k] = 2;
    placed[k] = std::pair{out, any_arcs};
    *arcs = *arcs || any_arcs;
    return out;
}

// The marks of block_bounds are kept from one INSERT to the next: a walk leaves every block it
// went through done and its bounds kept, so the next walk finds them kept before it looks at a
// mark. (Fresh marks for every INSERT of the drawing made the entities' walk take time in the
// INSERTs times the blocks.)
Bounds Walk::placed_bounds(std::size_t k, bool* arcs) {
    walk_state.resize(blocks.size(), 0);
    placed.resize(blocks.size());
    return block_bounds(k, &walk_state, arcs);
}

void Walk::resolve_blocks(uint64_t end_line) {
    // INSERTs inside blocks that name no block are dropped from their block.
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        for (const Block::Ref& r : blocks[k].refs) {
            if (by_name.count(r.name.substr(0, kNameKeep)) == 0) {
                f.missing_blocks.add({r.line, "INSERT", "", r.name});
            }
        }
    }
    // A block that reaches itself through its INSERTs can never be resolved.
    std::vector<int> state(blocks.size(), 0);
    std::vector<std::size_t> path;
    std::function<bool(std::size_t)> loops = [&](std::size_t k) {
        if (path.size() > std::size_t(kDepthMax)) {
            return false; // nested too deep to follow; the import itself will tell
        }
        if (state[k] == 1) {
            path.push_back(k);
            return true;
        }
        if (state[k] == 2) {
            return false;
        }
        state[k] = 1;
        path.push_back(k);
        for (const Block::Ref& r : blocks[k].refs) {
            const auto it = by_name.find(r.name.substr(0, kNameKeep));
            if (it != by_name.end() && loops(it->second)) {
                return true;
            }
        }
        path.pop_back();
        state[k] = 2;
        return false;
    };
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        path.clear();
        if (loops(k)) {
            // path ends with the block met again; the loop runs from its first place there.
            std::vector<std::string> names;
            std::size_t i = 0;
            while (path[i] != path.back()) {
                ++i;
            }
            for (; i < path.size(); ++i) {
                names.push_back(block_names[path[i]]);
            }
            refuse("self_reference", end_line, explain::self_reference(names));
            break;
        }
    }
    // Whether a block draws anything, once its INSERTs are replaced by what they name.
    std::vector<int> seen(blocks.size(), 0);
    std::function<bool(std::size_t, int)> draws = [&](std::size_t k, int depth) {
        if (seen[k] != 0) {
            return seen[k] == 2;
        }
        if (depth > kDepthMax) {
            return true; // nested too deep to follow: taken to draw something
        }
        seen[k] = 1;
        bool any = blocks[k].items;
        for (const Block::Ref& r : blocks[k].refs) {
            const auto it = by_name.find(r.name.substr(0, kNameKeep));
            any = any || (it != by_name.end() && draws(it->second, depth + 1));
        }
        seen[k] = any ? 2 : 3;
        return any;
    };
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        blocks[k].items = draws(k, 0);
    }
}

} // namespace check::walk
