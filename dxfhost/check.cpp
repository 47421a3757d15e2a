// check.cpp: walks a drawing the way the import module does and notes what it will do.
//
// Receives a drawing's path; hands on its Findings. The walk follows the module section by
// section and group by group (which groups it reads, which it gives back, where it stops), but
// where the module would stop it notes the refusal and reads on as DXF defines the drawing,
// entity by entity, so that one run finds every refusal. The texts of the refusals are made at
// the end (explain.cpp), when the whole drawing is known. This file walks the top level, the
// HEADER and the TABLES sections; check_blocks.cpp and check_entities.cpp the other two.
#include "dxfhost/check.h"

#include "dxfhost/check_walk.h"
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

namespace walk {

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

} // namespace walk

Findings scan(const std::string& path) {
    walk::Walk w;
    w.run(path);
    explain::finish(&w.f);
    return std::move(w.f);
}

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