// check.cpp: walks a drawing the way the import module does and notes what it will do.
//
// Receives a drawing's path; hands on its Findings. The walk follows the module section by
// section and group by group (which groups it reads, which it gives back, where it stops), but
// where the module would stop it notes the refusal and reads on as DXF defines the drawing,
// entity by entity, so that one run finds every refusal. The texts of the refusals are made at
// the end (explain.cpp), when the whole drawing is known.
#include "dxfhost/check.h"

#include <cmath>
#include <functional>
#include <set>

#include "dxfhost/explain.h"
#include "dxfhost/groups.h"
#include "import/headervars.h"

namespace check {

void Tally::add(const Spot& s) {
    ++count;
    if (first.size() < kShown) {
        first.push_back(s);
    }
}

void Bounds::add(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    if (!any) {
        minx = maxx = x, miny = maxy = y, any = true;
        return;
    }
    minx = std::min(minx, x), maxx = std::max(maxx, x);
    miny = std::min(miny, y), maxy = std::max(maxy, y);
}

void Bounds::add(const Bounds& b) {
    if (b.any) {
        add(b.minx, b.miny);
        add(b.maxx, b.maxy);
    }
}

Lost Findings::lost() const {
    Lost l;
    for (const auto& [section, kinds] : passed_over) {
        for (const auto& [kind, n] : kinds) {
            l.passed_over += n;
        }
    }
    l.drawn_open = closed.count;
    l.drawn_straight = bulges.count;
    l.rotation_ignored = rotated.count;
    return l;
}

namespace {

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

void Walk::header(const groups::Group& name) {
    header_seen = true;
    const HVAR* last = nullptr; // the variable read before the current group
    bool have_min = false, have_max = false;
    double ext[4] = {0, 0, 0, 0}; // $EXTMIN x, y, $EXTMAX x, y, kept as the module keeps them
    uint64_t end_line = 0;        // of the section's ENDSEC
    for (;;) {
        groups::Group g = next();
        if (g.end) {
            ends_early(g, "the HEADER section");
            return;
        }
        if (g.code == 9) {
            const HVAR* v = find_hvar(g.value.c_str());
            if (v == nullptr) {
                f.unknown_variables.push_back({g.value, g.value_line()});
                if (f.unknown_variables.size() == 1) {
                    refuse("unknown_header_variable", g.value_line());
                }
                // Its values are read through, up to the next variable or the section's end.
                for (;;) {
                    groups::Group h = next();
                    if (h.code == 9 || h.code == 0 || h.end) {
                        in.give_back(h);
                        break;
                    }
                }
                last = nullptr;
                continue;
            }
            last = v;
            const int values = (v->kind == HV_POINT || v->kind == HV_POINTZ ||
                                v->kind == HV_SKIP2 || v->kind == HV_SKIP2Z)
                                   ? 2
                                   : 1;
            std::string value[2];
            for (int i = 0; i < values; ++i) {
                value[i] = next().value;
            }
            if (v->kind == HV_POINTZ || v->kind == HV_SKIP2Z) {
                groups::Group z = next();
                if (z.code != 30) {
                    in.give_back(z);
                }
            }
            const std::string name9 = v->name;
            if (name9 == "$ACADVER") {
                f.version = value[0];
            } else if (name9 == "$EXTMIN" || name9 == "$EXTMAX") {
                const int at = name9 == "$EXTMIN" ? 0 : 2;
                ext[at] = double(float(groups::number(value[0])));
                ext[at + 1] = double(float(groups::number(value[1])));
                (at == 0 ? have_min : have_max) = true;
            }
            continue;
        }
        if (g.code == 0 && g.is("ENDSEC")) {
            end_line = g.value_line();
            break;
        }
        if ((g.code == 0 && g.is("SECTION")) || (g.code == 2 && g.is("HEADER")) || g.code == 999) {
            continue;
        }
        refuse("header_group", g.value_line(),
               explain::header_group(g.code, g.value, g.value_line(), last ? last->name : ""));
        last = nullptr;
    }
    (void)name;
    if (have_min) {
        f.extmin = std::pair{ext[0], ext[1]};
    }
    if (have_max) {
        f.extmax = std::pair{ext[2], ext[3]};
    }
    const double w = ext[2] - ext[0], h = ext[3] - ext[1];
    mapped = w > 0 && std::isfinite(w) && h > 0 && std::isfinite(h);
    if (!mapped) {
        refuse("extents", end_line); // explained at the end, against the geometry's bounds
    }
}

void Walk::tables() {
    std::string ignored; // the last table name the module does not know
    uint64_t ignored_line = 0;
    for (;;) {
        groups::Group g = next();
        if (g.end) {
            ends_early(g, "the TABLES section");
            return;
        }
        if (g.code == 0) {
            if (g.is("ENDSEC")) {
                return;
            }
            continue;
        }
        if (g.code != 1 && g.code != 2) {
            if (g.code == 999) {
                f.comments.push_back(g.value_line());
                refuse("comment", g.value_line(), explain::comment(g.value_line(), "TABLES"));
            } else {
                refuse("table", g.value_line(),
                       explain::table(g.code, g.value_line(), ignored, ignored_line));
            }
            // Read on at the end of this table.
            for (;;) {
                groups::Group h = next();
                if (h.end || (h.code == 0 && (h.is("ENDTAB") || h.is("ENDSEC")))) {
                    in.give_back(h);
                    break;
                }
            }
            ignored.clear();
            continue;
        }
        if (g.is("HEADER")) {
            refuse("table", g.value_line(), explain::table(g.code, g.value_line(), "HEADER", 0));
            continue;
        }
        static const char* known[] = {"APPID", "DIMSTYLE", "LTYPE", "LAYER",
                                      "STYLE", "UCS",      "VIEW",  "VPORT"};
        bool is_known = false;
        for (const char* k : known) {
            is_known = is_known || g.is(k);
        }
        if (!is_known) {
            ignored = g.value;
            ignored_line = g.value_line();
            continue;
        }
        next(); // the table's group 70
        for (;;) {
            groups::Group h = next();
            if (h.end) {
                ends_early(h, "a table");
                return;
            }
            if (h.code == 0 && h.is("ENDTAB")) {
                break;
            }
        }
    }
}

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
                const double v = groups::number(h.value);
                switch (h.code) {
                case 10:
                    ref.x = v;
                    break;
                case 20:
                    ref.y = v;
                    break;
                case 41:
                    ref.sx = v;
                    break;
                case 42:
                    ref.sy = v;
                    break;
                case 50:
                    rot = v != 0 ? h.value : "";
                    break;
                default:
                    break;
                }
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

Bounds Walk::placed_bounds(std::size_t k, bool* arcs) {
    std::vector<int> state(blocks.size(), 0);
    placed.resize(blocks.size());
    return block_bounds(k, &state, arcs);
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

void Walk::entities() {
    enum Action { END, SKIP, LINE, CIRCLE, ARC, POLYLINE, INSERT };
    // The module's keywords, in the order it compares them.
    static const std::pair<const char*, Action> keywords[] = {
        {"ENDSEC", END},  {"LINE", LINE},     {"POINT", SKIP},  {"CIRCLE", CIRCLE},
        {"ARC", ARC},     {"SOLID", SKIP},    {"TEXT", SKIP},   {"SHAPE", SKIP},
        {"BLOCK", SKIP},  {"ATTDEF", SKIP},   {"ATTRIB", SKIP}, {"POLYLINE", POLYLINE},
        {"3DFACE", SKIP}, {"INSERT", INSERT},
    };
    const bool extents = f.extmin && f.extmax;
    const double ex0 = extents ? f.extmin->first : 0, ey0 = extents ? f.extmin->second : 0;
    const double ex1 = extents ? f.extmax->first : 0, ey1 = extents ? f.extmax->second : 0;
    const double slack = 1e-6 * std::max({std::fabs(ex1 - ex0), std::fabs(ey1 - ey0), 1e-30});
    auto drawn = [&](const Entity& e, const Bounds& b) {
        ++f.converted["ENTITIES"][e.kind];
        f.geometry.add(b);
        if (mapped && b.any &&
            (b.minx < ex0 - slack || b.maxx > ex1 + slack || b.miny < ey0 - slack ||
             b.maxy > ey1 + slack)) {
            f.outside.add({e.line, e.kind, e.layer, ""});
        }
    };
    auto passed = [&](const Entity& e) {
        if (e.kind.rfind("SEQEND", 0) != 0) {
            ++f.passed_over["ENTITIES"][e.kind];
        }
    };
    for (;;) {
        groups::Group g = next();
        if (g.end) {
            ends_early(g, "the ENTITIES section");
            return;
        }
        if (g.code != 0) {
            continue;
        }
        Entity e{g.value, g.value_line(), ""};
        Action action = SKIP;
        for (const auto& [keyword, a] : keywords) {
            if (g.is(keyword)) {
                action = a;
                break;
            }
        }
        switch (action) {
        case END:
            return;
        case SKIP:
            passed(e);
            break;
        case LINE: {
            double v[4] = {0, 0, 0, 0};
            bool ended = false;
            for (;;) {
                groups::Group h = next();
                if (h.code == 0 || h.end) {
                    in.give_back(h);
                    break;
                }
                const int i = h.code == 10   ? 0
                              : h.code == 20 ? 1
                              : h.code == 11 ? 2
                              : h.code == 21 ? 3
                                             : -1;
                if (i >= 0) {
                    v[i] = groups::number(h.value);
                }
                if (h.code == 8 && e.layer.empty()) {
                    e.layer = h.value;
                }
                if (h.code == 21) {
                    ended = true;
                    break;
                }
            }
            if (!ended) {
                passed(e);
                break;
            }
            Bounds b;
            b.add(v[0], v[1]), b.add(v[2], v[3]);
            drawn(e, b);
            break;
        }
        case CIRCLE:
        case ARC: {
            double x = 0, y = 0, r = 0, a = 0;
            if (!coordinates(&e, &x, &y, &r, action == ARC ? &a : nullptr, "")) {
                break;
            }
            if (action == ARC) {
                groups::Group end = next(); // the end angle, whatever its code
                if (end.end) {
                    in.give_back(end);
                }
            }
            Bounds b;
            b.add(x - r, y - r), b.add(x + r, y + r);
            drawn(e, b);
            break;
        }
        case POLYLINE: {
            bool closed = false, vertex = false;
            uint64_t vertex_line = 0;
            double x = 0;
            Bounds b;
            for (;;) {
                groups::Group h = next();
                if (h.end) {
                    ends_early(h, "a polyline");
                    return;
                }
                if (h.code == 0) {
                    if (h.is("SEQEND")) {
                        break;
                    }
                    if (h.is("VERTEX")) {
                        vertex = true;
                        vertex_line = h.value_line();
                    }
                } else if (h.code == 8 && e.layer.empty()) {
                    e.layer = h.value;
                } else if (h.code == 70 && !vertex && (groups::integer(h.value) & 1)) {
                    closed = true;
                } else if (vertex && h.code == 10) {
                    x = groups::number(h.value);
                } else if (vertex && h.code == 20) {
                    b.add(x, groups::number(h.value));
                } else if (vertex && h.code == 42 && groups::number(h.value) != 0) {
                    f.bulges.add({vertex_line, "VERTEX", e.layer, h.value});
                }
            }
            if (!vertex) {
                passed(e);
                break;
            }
            if (closed) {
                f.closed.add({e.line, e.kind, e.layer, ""});
            }
            drawn(e, b);
            break;
        }
        case INSERT: {
            Block::Ref ref;
            bool named = false;
            std::string rot;
            for (;;) {
                groups::Group h = next();
                if (h.code == 0 || h.end) {
                    in.give_back(h);
                    break;
                }
                const double v = groups::number(h.value);
                switch (h.code) {
                case 2:
                    ref.name = h.value, named = true;
                    break;
                case 8:
                    e.layer = e.layer.empty() ? h.value : e.layer;
                    break;
                case 10:
                    ref.x = v;
                    break;
                case 20:
                    ref.y = v;
                    break;
                case 41:
                    ref.sx = v;
                    break;
                case 42:
                    ref.sy = v;
                    break;
                case 50:
                    rot = v != 0 ? h.value : "";
                    break;
                case 66:
                    if (groups::integer(h.value) == 1) {
                        for (;;) { // its attributes, through their SEQEND
                            groups::Group a = next();
                            if (a.end || a.is("SEQEND")) {
                                break;
                            }
                        }
                    }
                    break;
                default:
                    break;
                }
            }
            const auto it = named ? by_name.find(ref.name.substr(0, kNameKeep)) : by_name.end();
            if (it == by_name.end()) {
                f.missing_blocks.add({e.line, e.kind, e.layer, ref.name});
                passed(e);
                break;
            }
            const Block& p = blocks[it->second];
            if (!p.items) {
                passed(e);
                break;
            }
            bool arcs = false;
            const Bounds pb = placed_bounds(it->second, &arcs);
            Bounds b;
            if (pb.any) {
                for (double px : {pb.minx, pb.maxx}) {
                    for (double py : {pb.miny, pb.maxy}) {
                        b.add(ref.x + ref.sx * (px - p.bx), ref.y + ref.sy * (py - p.by));
                    }
                }
            }
            if (!rot.empty()) {
                f.rotated.add({e.line, e.kind, e.layer, rot});
            }
            if (arcs && (ref.sx < 0 || ref.sy < 0)) {
                f.mirrored_arcs.add({e.line, e.kind, e.layer, ref.name});
            }
            drawn(e, b);
            break;
        }
        }
    }
}

void Walk::run(const std::string& path) {
    switch (groups::sniff(path)) {
    case groups::Content::Empty:
        refuse("empty", 0, explain::empty());
        return;
    case groups::Content::Binary:
        refuse("binary", 1, explain::binary());
        return;
    case groups::Content::NotText:
        refuse("not_text", 0, explain::not_text());
        return;
    case groups::Content::Text:
        break;
    }
    std::string err;
    if (!in.open(path, &err)) {
        refuse("unreadable", 0, {err, ""});
        return;
    }
    for (;;) {
        groups::Group g = next();
        if (g.end || (!g.complete && g.value.empty() && g.code == 0)) {
            ends_early(g, "");
            break;
        }
        if (g.code != 0) {
            if (g.code == 999) {
                f.comments.push_back(g.value_line());
                refuse("comment", g.value_line(), explain::comment(g.value_line(), ""));
            } else {
                refuse("top_level", g.value_line(), explain::top_level(g.code, g.value));
            }
            continue;
        }
        if (g.is("SECTION")) {
            groups::Group name = next();
            f.sections.push_back({name.value, name.value_line()});
            if (name.is("HEADER")) {
                header(name);
            } else if (name.is("TABLES")) {
                tables();
            } else if (name.is("BLOCKS") && !blocks_seen) {
                blocks_seen = true;
                blocks_section();
            } else if (name.is("ENTITIES")) {
                if (!header_seen) {
                    refuse("entities_first", name.value_line(), explain::entities_first());
                }
                entities();
            } else {
                if (name.is("BLOCKS")) {
                    refuse("second_blocks", name.value_line(), explain::second_blocks());
                } else {
                    refuse("section", name.value_line());
                }
                for (;;) {
                    groups::Group h = next();
                    if (h.end || h.is0("ENDSEC")) {
                        break;
                    }
                }
            }
            continue;
        }
        if (g.is("EOF")) {
            break;
        }
        refuse("top_level", g.value_line(), explain::top_level(g.code, g.value));
    }
}

} // namespace

Findings scan(const std::string& path) {
    Walk w;
    w.run(path);
    explain::finish(&w.f);
    return std::move(w.f);
}

} // namespace check

namespace check {

std::string version_words(const std::string& acadver) {
    static const std::pair<const char*, const char*> names[] = {
        {"AC1006", "R10"},  {"AC1009", "R12"},  {"AC1012", "R13"},  {"AC1014", "R14"},
        {"AC1015", "2000"}, {"AC1018", "2004"}, {"AC1021", "2007"}, {"AC1024", "2010"},
        {"AC1027", "2013"}, {"AC1032", "2018"},
    };
    for (const auto& [code, words] : names) {
        if (acadver.rfind(code, 0) == 0) {
            return words;
        }
    }
    return "";
}

} // namespace check
