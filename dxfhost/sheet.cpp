// sheet.cpp: the batch summary as JSON and as tab-separated values, and the text helpers of the
// contact sheet (see sheet.h; the page itself is laid out in sheet_html.cpp).
#include "dxfhost/sheet.h"

#include <filesystem>

#include "dxfhost/svg.h"
#include "dxfhost/utf8.h"

namespace sheet {

namespace {

// The file's name within the output folder, or null when it was not written.
json::Value file_name(const std::string& path, bool written) {
    if (!written || path.empty()) {
        return json::Value();
    }
    return std::filesystem::path(path).filename().string();
}

std::string tsv_field(const std::string& text) {
    std::string out;
    for (char c : utf8::valid(text)) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

Entry entry_of(const report::Drawing& d, bool written) {
    Entry e;
    e.drawing = d.drawing;
    e.written = written;
    e.outcome = d.outcome;
    e.exit_status = d.exit_status;
    e.records = d.shape.records;
    e.reason = d.reason;
    e.why = d.why;
    e.fix = d.fix;
    e.lost = d.lost;
    e.errors = d.errors;
    return e;
}

json::Value summary_json(const std::vector<Entry>& entries, int exit_status) {
    json::Value doc;
    doc["schema_version"] = json::kSchemaVersion;
    json::Value drawings = json::Value::array();
    std::size_t counts[3] = {0, 0, 0};
    for (const Entry& e : entries) {
        ++counts[int(e.outcome)];
        json::Value j;
        j["drawing"] = e.drawing;
        j["outcome"] = report::outcome_name(e.outcome);
        j["exit_status"] = e.exit_status;
        j["records"] = e.records;
        j["reason"] = json::text_or_null(e.reason);
        j["why"] = json::text_or_null(e.why);
        j["fix"] = json::text_or_null(e.fix);
        j["lost"] =
            e.outcome == report::Outcome::Imported ? report::lost_json(e.lost) : json::Value();
        j["files"] = e.written ? json::Value{{"object", file_name(e.files.object, true)},
                                             {"svg", file_name(e.files.svg, true)},
                                             {"png", file_name(e.files.png, true)},
                                             {"text", file_name(e.files.text, true)}}
                               : json::Value();
        j["errors"] = e.errors;
        drawings.push_back(std::move(j));
    }
    doc["drawings"] = std::move(drawings);
    doc["counts"] = {{"drawings", entries.size()},
                     {"imported", counts[0]},
                     {"refused", counts[1]},
                     {"failed", counts[2]}};
    doc["exit_status"] = exit_status;
    return doc;
}

std::string summary_tsv(const std::vector<Entry>& entries) {
    std::string out = "drawing\toutcome\texit_status\trecords\tpassed_over\tdrawn_open\t"
                      "drawn_straight\trotation_ignored\tpicture\treason\twhy\n";
    for (const Entry& e : entries) {
        const bool imported = e.outcome == report::Outcome::Imported;
        auto count = [&](std::size_t n) { return imported ? std::to_string(n) : std::string(); };
        const std::string& picture = e.files.png.empty() ? e.files.svg : e.files.png;
        const json::Value name = file_name(picture, e.written);
        out += tsv_field(e.drawing) + "\t" + report::outcome_name(e.outcome) + "\t" +
               std::to_string(e.exit_status) + "\t" + std::to_string(e.records) + "\t" +
               count(e.lost.passed_over) + "\t" + count(e.lost.drawn_open) + "\t" +
               count(e.lost.drawn_straight) + "\t" + count(e.lost.rotation_ignored) + "\t" +
               (name.is_null() ? std::string() : tsv_field(name.get<std::string>())) + "\t" +
               tsv_field(e.reason) + "\t" + tsv_field(e.why) + "\n";
    }
    return out;
}

std::string html_escape(const std::string& text) {
    // XML's escapes, plus the apostrophe, which may quote an attribute in HTML.
    std::string out;
    for (char c : svg::xml_escape(utf8::valid(text))) {
        if (c == '\'') {
            out += "&#39;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string url_of_file(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace sheet
