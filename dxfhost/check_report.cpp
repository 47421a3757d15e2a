// check_report.cpp: lays out the findings of a drawing check (see check_report.h).
#include "dxfhost/check_report.h"

#include "dxfhost/exits.h"
#include "dxfhost/explain.h"
#include "dxfhost/report.h"

namespace check_report {

namespace {

using check::Tally;

// "3 (line 12, layer WALLS, Z 0.0; line 40, ...)", at most kShown places.
std::string tally_text(const Tally& t, const char* value_label) {
    std::string out = std::to_string(t.count);
    if (t.first.empty()) {
        return out;
    }
    out += " (";
    for (std::size_t i = 0; i < t.first.size(); ++i) {
        const check::Spot& s = t.first[i];
        out += (i ? "; " : "") + std::string("line ") + std::to_string(s.line);
        if (!s.kind.empty() && s.kind != "VERTEX") {
            out += " " + s.kind;
        }
        if (!s.layer.empty()) {
            out += ", layer " + s.layer;
        }
        if (value_label != nullptr && !s.value.empty()) {
            out += ", " + std::string(value_label) + " " + s.value;
        }
    }
    if (t.count > t.first.size()) {
        out += "; ...";
    }
    return out + ")";
}

std::string counts_text(const check::Counts& counts) {
    std::string out;
    for (const auto& [section, kinds] : counts) {
        out += (out.empty() ? "" : "; ") + section + ":";
        for (const auto& [kind, n] : kinds) {
            out += " " + std::to_string(n) + " " + kind + ",";
        }
        out.pop_back();
    }
    return out.empty() ? "none" : out;
}

json::Value tally_json(const Tally& t) {
    json::Value first = json::Value::array();
    for (const check::Spot& s : t.first) {
        first.push_back({{"line", s.line},
                         {"kind", s.kind},
                         {"layer", json::text_or_null(s.layer)},
                         {"value", json::text_or_null(s.value)}});
    }
    return {{"count", t.count}, {"first", std::move(first)}};
}

json::Value point_json(const std::optional<std::pair<double, double>>& p) {
    return p ? json::Value::array({p->first, p->second}) : json::Value();
}

} // namespace

std::string text(const std::string& drawing, const check::Findings& f) {
    std::string out;
    auto line = [&](const std::string& s) { out += s + "\n"; };
    const std::size_t n = f.refusals.size();
    line(drawing + ": " +
         (n == 0 ? std::string("would import")
                 : "would be refused (" + std::to_string(n) + (n == 1 ? " reason)" : " reasons)")));
    const std::string words = check::version_words(f.version);
    line("  version: " + (f.version.empty()
                              ? std::string("not given ($ACADVER)")
                              : f.version + (words.empty() ? "" : " (DXF " + words + ")")));
    std::string sections;
    for (const auto& [name, at] : f.sections) {
        sections += (sections.empty() ? "" : ", ") + name + " (line " + std::to_string(at) + ")";
    }
    line("  sections: " + (sections.empty() ? std::string("none") : sections));
    for (const check::Refusal& r : f.refusals) {
        line("  refused" + (r.line ? " at line " + std::to_string(r.line) : std::string()) + ": " +
             r.why);
        if (!r.fix.empty()) {
            line("    fix: " + r.fix);
        }
    }
    if (!f.unknown_variables.empty()) {
        std::string names;
        for (const auto& [name, at] : f.unknown_variables) {
            names += (names.empty() ? "" : ", ") + name + " (line " + std::to_string(at) + ")";
        }
        line("  header variables the module does not know: " +
             std::to_string(f.unknown_variables.size()) + ": " + names);
    }
    if (!f.comments.empty()) {
        std::string lines;
        for (uint64_t at : f.comments) {
            lines += (lines.empty() ? "" : ", ") + std::to_string(at);
        }
        line("  comments where the module takes none: lines " + lines);
    }
    std::string extents = "$EXTMIN ";
    extents += f.extmin ? explain::number(f.extmin->first) + "," + explain::number(f.extmin->second)
                        : "missing";
    extents += ", $EXTMAX ";
    extents += f.extmax ? explain::number(f.extmax->first) + "," + explain::number(f.extmax->second)
                        : "missing";
    const check::Bounds& g = f.geometry;
    extents += "; the geometry spans ";
    extents += g.any ? explain::number(g.minx) + "," + explain::number(g.miny) + " to " +
                           explain::number(g.maxx) + "," + explain::number(g.maxy)
                     : "nothing";
    line("  extents: " + extents);
    line("  converted: " + counts_text(f.converted));
    line("  passed over: " + counts_text(f.passed_over));
    const std::pair<const char*, const Tally*> notes[] = {
        {"circles and arcs with a Z group", &f.z_groups},
        {"closed polylines (drawn open)", &f.closed},
        {"bulges (drawn straight)", &f.bulges},
        {"rotated INSERTs (rotation not applied)", &f.rotated},
        {"mirrored INSERTs of blocks with arcs (their arcs turn with them)", &f.mirrored_arcs},
        {"INSERTs of blocks that do not exist (passed over)", &f.missing_blocks},
        {"entities outside the extents", &f.outside},
    };
    const char* labels[] = {"Z", nullptr, "bulge", "rotation", "block", "block", nullptr};
    for (std::size_t i = 0; i < std::size(notes); ++i) {
        if (notes[i].second->count > 0) {
            line(std::string("  ") + notes[i].first + ": " +
                 tally_text(*notes[i].second, labels[i]));
        }
    }
    if (f.would_import()) {
        const std::string lost = report::lost_words(f.lost());
        line("  lost: " + (lost.empty() ? std::string("nothing") : lost));
    }
    return out;
}

json::Value to_json(const std::string& drawing, const check::Findings& f) {
    json::Value j;
    j["drawing"] = drawing;
    j["would_import"] = f.would_import();
    j["exit_status"] = f.would_import() ? exits::kOk : exits::kFailed;
    j["acadver"] = json::text_or_null(f.version);
    j["dxf_version"] = json::text_or_null(check::version_words(f.version));
    json::Value sections = json::Value::array();
    for (const auto& [name, at] : f.sections) {
        sections.push_back({{"name", name}, {"line", at}});
    }
    j["sections"] = std::move(sections);
    json::Value refusals = json::Value::array();
    for (const check::Refusal& r : f.refusals) {
        refusals.push_back({{"kind", r.kind},
                            {"line", r.line ? json::Value(r.line) : json::Value()},
                            {"why", r.why},
                            {"fix", json::text_or_null(r.fix)}});
    }
    j["refusals"] = std::move(refusals);
    json::Value vars = json::Value::array();
    for (const auto& [name, at] : f.unknown_variables) {
        vars.push_back({{"name", name}, {"line", at}});
    }
    j["unknown_header_variables"] = std::move(vars);
    j["comments"] = f.comments;
    j["extents"] = {{"min", point_json(f.extmin)}, {"max", point_json(f.extmax)}};
    const check::Bounds& g = f.geometry;
    j["geometry"] =
        g.any ? json::Value{{"min", {g.minx, g.miny}}, {"max", {g.maxx, g.maxy}}} : json::Value();
    j["converted"] = f.converted;
    j["passed_over"] = f.passed_over;
    j["z_groups"] = tally_json(f.z_groups);
    j["closed_polylines"] = tally_json(f.closed);
    j["bulges"] = tally_json(f.bulges);
    j["rotated_inserts"] = tally_json(f.rotated);
    j["mirrored_arcs"] = tally_json(f.mirrored_arcs);
    j["missing_blocks"] = tally_json(f.missing_blocks);
    j["outside_extents"] = tally_json(f.outside);
    j["lost"] = report::lost_json(f.lost());
    return j;
}

} // namespace check_report
