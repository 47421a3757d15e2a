// explain.cpp: the why and fix sentences of each kind of refusal (see explain.h).
#include "dxfhost/explain.h"

#include <cmath>
#include <cstdio>

namespace explain {

namespace {

const char kSaveR12[] = "save the drawing as DXF R12 (AC1009) and import that file";

std::string at(uint64_t line) {
    return "line " + std::to_string(line);
}

// "the drawing is DXF R14 (AC1014)", or "" when the header gave no version.
std::string version_clause(const std::string& version) {
    if (version.empty()) {
        return "the drawing gives no version ($ACADVER)";
    }
    const std::string words = check::version_words(version);
    return "the drawing is DXF " + (words.empty() ? "of version" : words) + " (" + version + ")";
}

} // namespace

std::string number(double v) {
    if (!std::isfinite(v)) {
        return v != v ? "not a number" : v > 0 ? "infinity" : "-infinity";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

Text empty() {
    return {"the file is empty: it holds no drawing", "export the drawing again"};
}

Text binary() {
    return {"the file is a binary DXF file (its first line says so); the module reads only DXF "
            "written as text",
            "save the drawing as ASCII DXF R12"};
}

Text not_text() {
    return {"the file is not text (it holds NUL bytes or control characters), so it is no DXF "
            "file the module can read",
            "check that the file is a drawing saved as ASCII DXF"};
}

Text comment(uint64_t line, const std::string& section) {
    const std::string where =
        section.empty() ? "before a section or between sections" : "in the " + section + " section";
    return {at(line) + " is a comment (group 999) " + where +
                "; the module accepts comments only inside the HEADER section",
            "delete the comment's two lines (the 999 and the text after it), or save the "
            "drawing again without comments"};
}

Text top_level(uint32_t code, const std::string& value) {
    if (code == 0) {
        return {"the group 0 \"" + value +
                    "\" stands where a section must begin (0 SECTION) or "
                    "the file end (0 EOF)",
                kSaveR12};
    }
    return {"a group " + std::to_string(code) + " stands where a section must begin (0 SECTION)",
            kSaveR12};
}

Text ends_early(uint64_t line, const std::string& inside) {
    return {"the file ends at line " + std::to_string(line) +
                (inside.empty() ? "" : ", inside " + inside) +
                ", without its end marker (0 EOF): it is cut short",
            "save or copy the drawing again; a transfer may have cut it"};
}

Text header_group(uint32_t code, const std::string& value, uint64_t line,
                  const std::string& variable_before) {
    Text t;
    t.why = at(line) + " holds a group " + std::to_string(code) + " (\"" + value +
            "\") in the HEADER section, where the name of a variable (group 9) must come";
    if (!variable_before.empty()) {
        t.why += ": the variable " + variable_before +
                 " before it has more values than the "
                 "module reads";
    }
    t.fix = kSaveR12;
    return t;
}

Text table(uint32_t code, uint64_t line, const std::string& unknown_table, uint64_t table_line) {
    if (unknown_table == "HEADER" && table_line == 0) {
        return {at(line) + " names a table HEADER, which the module refuses", ""};
    }
    if (!unknown_table.empty()) {
        return {"the table " + unknown_table + " (" + at(table_line) +
                    ") is not one the module knows; DXF R13 and later write such tables",
                kSaveR12};
    }
    return {at(line) + " holds a group " + std::to_string(code) +
                " in the TABLES section, where only tables (groups 0, 1 and 2) may stand",
            kSaveR12};
}

Text three_d(const std::string& kind, uint64_t line, const std::string& layer, const std::string& z,
             uint64_t z_line, const std::string& where) {
    Text t;
    t.why = "the " + kind + " at " + at(line) + (where.empty() ? "" : " " + where) +
            (layer.empty() ? "" : " (layer " + layer + ")") + " has a Z value (group 30 at " +
            at(z_line) + ": " + z + "); ";
    if (kind == "CIRCLE" || kind == "ARC") {
        t.why += "circles and arcs may carry no Z group at all, 0.0 included";
    } else {
        t.why += "the module takes any Z group there for 3-D data, 0.0 included";
    }
    t.fix = "save the drawing as 2-D DXF R12 without Z values (many CAD programs write Z 0.0 "
            "unless told to flatten the drawing)";
    return t;
}

Text arc_end(uint64_t line, const std::string& block) {
    return {"the ARC at " + at(line) + " in block " + block +
                " has no end angle (group 51) right after its start angle (group 50)",
            kSaveR12};
}

Text self_reference(const std::vector<std::string>& loop) {
    std::string names;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        names += (i ? " -> " : "") + loop[i];
    }
    return {"blocks insert themselves, so they can never be drawn: " + names,
            "remove the INSERT that closes the loop"};
}

Text too_many_blocks() {
    return {"the drawing defines more than 65535 blocks, the most the module can keep", ""};
}

Text entities_first() {
    return {"the ENTITIES section comes before any HEADER section, and the module needs the "
            "header's extents ($EXTMIN, $EXTMAX) to place the drawing",
            kSaveR12};
}

Text second_blocks() {
    return {"the drawing has a second BLOCKS section; the module reads one only", kSaveR12};
}

void finish(check::Findings* f) {
    for (check::Refusal& r : f->refusals) {
        if (r.kind == "unknown_header_variable") {
            const auto& v = f->unknown_variables;
            r.why = "the header variable " + v.front().first + " (" + at(v.front().second) +
                    ") is not one the module knows";
            if (v.size() > 1) {
                r.why += ", nor are " + std::to_string(v.size() - 1) + " more of this header";
            }
            r.why += "; " + version_clause(f->version);
            r.fix = std::string(kSaveR12) + "; `dxfhost --check` lists every variable";
        } else if (r.kind == "section") {
            std::string name;
            for (const auto& [n, line] : f->sections) {
                if (line == r.line) {
                    name = n;
                }
            }
            if (name.rfind("CLASSES", 0) == 0 || name.rfind("OBJECTS", 0) == 0 ||
                name.rfind("THUMBNAILIMAGE", 0) == 0 || name.rfind("ACDSDATA", 0) == 0) {
                const bool vowel = name[0] == 'A' || name[0] == 'O';
                r.why = std::string("the drawing has ") + (vowel ? "an " : "a ") + name +
                        " section, which only DXF R13 and later write; " +
                        version_clause(f->version) + ", and the module reads DXF R12";
                r.fix = kSaveR12;
            } else {
                r.why = "the section " + name +
                        " is not one the module reads (it reads HEADER, "
                        "TABLES, BLOCKS and ENTITIES)";
                r.fix = kSaveR12;
            }
        } else if (r.kind == "extents") {
            const auto& mn = f->extmin;
            const auto& mx = f->extmax;
            if (!mn || !mx) {
                r.why = std::string("the header has no ") +
                        (!mn && !mx ? "$EXTMIN and no $EXTMAX"
                         : !mn      ? "$EXTMIN"
                                    : "$EXTMAX") +
                        ": the module needs both extents to place the drawing";
            } else {
                const double w = mx->first - mn->first, h = mx->second - mn->second;
                const auto unset = [](double v) { return std::fabs(v) >= 1e20; };
                if (unset(mn->first) || unset(mn->second) || unset(mx->first) ||
                    unset(mx->second)) {
                    r.why = "the extents hold the \"unset\" values ($EXTMIN " + number(mn->first) +
                            "," + number(mn->second) + ", $EXTMAX " + number(mx->first) + "," +
                            number(mx->second) +
                            ") that a CAD program writes when it did not work them out";
                } else if (!std::isfinite(w) || !std::isfinite(h)) {
                    r.why = "the extents are too large for the module to keep ($EXTMIN " +
                            number(mn->first) + "," + number(mn->second) + ", $EXTMAX " +
                            number(mx->first) + "," + number(mx->second) + ")";
                } else {
                    const bool x_bad = !(w > 0);
                    const char axis = x_bad ? 'x' : 'y';
                    const double lo = x_bad ? mn->first : mn->second;
                    const double hi = x_bad ? mx->first : mx->second;
                    r.why = std::string("the ") + axis + " of $EXTMAX (" + number(hi) + ") " +
                            (hi == lo ? "equals" : "is below") + " the " + axis + " of $EXTMIN (" +
                            number(lo) + "): the drawing has no " + (x_bad ? "width" : "height");
                }
            }
            const check::Bounds& g = f->geometry;
            if (g.any) {
                r.fix = "its geometry spans x " + number(g.minx) + " to " + number(g.maxx) +
                        ", y " + number(g.miny) + " to " + number(g.maxy) + ": set $EXTMIN to " +
                        number(g.minx) + "," + number(g.miny) + " and $EXTMAX to " +
                        number(g.maxx) + "," + number(g.maxy) +
                        " (zooming to the extents before saving does it)";
            } else {
                r.fix = "its ENTITIES section draws nothing the module converts";
            }
        } else if (r.kind == "three_d" && f->z_groups.count > 1) {
            r.why += " (" + std::to_string(f->z_groups.count - 1) +
                     " more circles and arcs "
                     "have one)";
        }
    }
}

} // namespace explain
