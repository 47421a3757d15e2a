// check_entities.cpp: the ENTITIES section as the module reads it.
//
// Receives the walk at the section's name, with the blocks read; reads through its ENDSEC
// counting what becomes a record and what is passed over, and noting what an import changes.
#include <algorithm>
#include <functional>
#include <string_view>

#include "dxfhost/check_walk.h"

namespace check::walk {

void Walk::entities() {
    enum Action { END, SKIP, LINE, CIRCLE, ARC, POLYLINE, INSERT };
    // The module's keywords, in the order it compares them.
    static constexpr std::pair<std::string_view, Action> keywords[] = {
        {"ENDSEC", END},  {"LINE", LINE},     {"POINT", SKIP},  {"CIRCLE", CIRCLE},
        {"ARC", ARC},     {"SOLID", SKIP},    {"TEXT", SKIP},   {"SHAPE", SKIP},
        {"BLOCK", SKIP},  {"ATTDEF", SKIP},   {"ATTRIB", SKIP}, {"POLYLINE", POLYLINE},
        {"3DFACE", SKIP}, {"INSERT", INSERT},
    };
    const bool extents = f.extmin && f.extmax;
    const double ex0 = extents ? f.extmin->first : 0, ey0 = extents ? f.extmin->second : 0;
    const double ex1 = extents ? f.extmax->first : 0, ey1 = extents ? f.extmax->second : 0;
    const double slack = 1e-6 * std::max({std::fabs(ex1 - ex0), std::fabs(ey1 - ey0), 1e-30});
    std::map<std::string, std::size_t>* converted = nullptr; // f.converted["ENTITIES"], once made
    auto drawn = [&](const Entity& e, const Bounds& b) {
        if (converted == nullptr) {
            converted = &f.converted["ENTITIES"];
        }
        ++(*converted)[e.kind];
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
                switch (h.code) {
                case 2:
                    ref.name = h.value, named = true;
                    break;
                case 8:
                    e.layer = e.layer.empty() ? h.value : e.layer;
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
                    ref.take(h.code, groups::number(h.value), h.value, &rot);
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

} // namespace check::walk
