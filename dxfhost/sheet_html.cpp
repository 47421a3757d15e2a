// sheet_html.cpp: the contact sheet of an output folder, one HTML page (see sheet.h).
//
// The page needs nothing but itself and the pictures beside it: its style is in the page, it
// runs no script, and each picture is the drawing's NAME.png (NAME.svg when this dxfhost makes
// no PNG pictures) named relative to the page. Refused and failed drawings come first, so that
// what needs attention is at the top; each card tells the drawing's name, its outcome, the
// records of its object, and the reason of a refusal or failure or what an import passed over.
#include "dxfhost/sheet.h"

#include <filesystem>

namespace sheet {

namespace {

const char kStyle[] = R"(
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; padding: 22px 28px 32px; background: #f3f3f0; color: #1e1e1e;
  font: 14px/1.45 "DejaVu Sans", "Liberation Sans", Arial, sans-serif; }
header { margin-bottom: 10px; }
h1 { font-size: 22px; font-weight: 600; margin: 0 0 8px; }
h2 { font-size: 15px; font-weight: 600; margin: 18px 0 12px; color: #444;
  border-bottom: 1px solid #d8d8d2; padding-bottom: 6px; }
.totals { display: flex; gap: 10px; flex-wrap: wrap; margin: 0 0 8px; padding: 0;
  list-style: none; }
.totals li { background: #fff; border: 1px solid #ddd; border-radius: 14px; padding: 2px 12px; }
.totals b { font-weight: 600; }
.files { margin: 0; color: #555; font-size: 13px; }
a { color: #1f5fa8; }
.grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(230px, 1fr)); gap: 16px; }
.card { margin: 0; background: #fff; border: 1px solid #dcdcd6; border-radius: 6px;
  overflow: hidden; border-top: 4px solid #3d8b3d; display: flex; flex-direction: column; }
.card.refused { border-top-color: #d9822b; }
.card.failed { border-top-color: #c0392b; }
.pic { display: flex; align-items: center; justify-content: center; height: 160px;
  padding: 8px; background: #fff; border-bottom: 1px solid #ececea; }
.pic img { max-width: 100%; max-height: 100%; object-fit: contain; }
.nopic { color: #999; font-style: italic; }
figcaption { padding: 8px 11px 10px; }
.name { font-weight: 600; word-break: break-all; }
.line { display: flex; align-items: center; gap: 8px; margin-top: 4px; color: #555;
  font-size: 12.5px; }
.badge { color: #fff; border-radius: 9px; padding: 0 8px; font-size: 11px; font-weight: 600;
  text-transform: uppercase; letter-spacing: 0.04em; }
.badge.imported { background: #3d8b3d; }
.badge.refused { background: #d9822b; }
.badge.failed { background: #c0392b; }
.reason, .why, .lost { margin: 6px 0 0; font-size: 12.5px; word-break: break-word; }
.reason { color: #8a2a1e; }
.why { color: #555; }
.lost { color: #555; }
)";

std::string file_url(const std::string& path) {
    return url_of_file(std::filesystem::path(path).filename().string());
}

std::string records_words(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " record" : " records");
}

std::string card(const Entry& e) {
    const char* outcome = report::outcome_name(e.outcome);
    std::string out = std::string("<figure class=\"card ") + outcome + "\">\n";
    const std::string& picture = e.files.png.empty() ? e.files.svg : e.files.png;
    if (e.written && !picture.empty()) {
        out += "<a class=\"pic\" href=\"" + file_url(e.files.svg) + "\"><img src=\"" +
               file_url(picture) + "\" alt=\"picture of " + html_escape(e.drawing) +
               "\" loading=\"lazy\"></a>\n";
    } else {
        out += "<div class=\"pic nopic\">no picture</div>\n";
    }
    out += "<figcaption>\n<div class=\"name\">" + html_escape(e.drawing) + "</div>\n";
    out += std::string("<div class=\"line\"><span class=\"badge ") + outcome + "\">" + outcome +
           "</span><span>" + records_words(e.records) + "</span>";
    if (e.written) {
        out += "<a href=\"" + file_url(e.files.text) + "\">dump</a>";
    }
    out += "</div>\n";
    if (e.outcome == report::Outcome::Imported) {
        const std::string lost = report::lost_words(e.lost);
        out += "<p class=\"lost\">" + (lost.empty() ? std::string("nothing passed over") : lost) +
               "</p>\n";
    } else {
        out += "<p class=\"reason\">" + html_escape(e.reason) + "</p>\n";
        if (!e.why.empty()) {
            out += "<p class=\"why\">why: " + html_escape(e.why) + "</p>\n";
        }
    }
    return out + "</figcaption>\n</figure>\n";
}

} // namespace

std::string contact_sheet(const std::vector<Entry>& entries) {
    std::size_t counts[3] = {0, 0, 0};
    for (const Entry& e : entries) {
        ++counts[int(e.outcome)];
    }
    const std::size_t n = entries.size();
    const std::string title = std::to_string(n) + (n == 1 ? " drawing" : " drawings");
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                      "<title>dxfhost: " +
                      title + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    out += "<header>\n<h1>Contact sheet: " + title + "</h1>\n<ul class=\"totals\">";
    out += "<li><b>" + std::to_string(counts[0]) + "</b> imported</li>";
    out += "<li><b>" + std::to_string(counts[1]) + "</b> refused</li>";
    out += "<li><b>" + std::to_string(counts[2]) + "</b> failed</li></ul>\n";
    out += std::string("<p class=\"files\">The batch as data: <a href=\"") + kSummaryJson + "\">" +
           kSummaryJson + "</a>, <a href=\"" + kSummaryTsv + "\">" + kSummaryTsv +
           "</a></p>\n</header>\n";

    const std::size_t attention = counts[1] + counts[2];
    if (attention > 0) {
        out += "<h2>Refused and failed (" + std::to_string(attention) + ")</h2>\n";
        out += "<div class=\"grid\">\n";
        for (const Entry& e : entries) {
            if (e.outcome != report::Outcome::Imported) {
                out += card(e);
            }
        }
        out += "</div>\n";
    }
    if (counts[0] > 0) {
        out += "<h2>Imported (" + std::to_string(counts[0]) + ")</h2>\n<div class=\"grid\">\n";
        for (const Entry& e : entries) {
            if (e.outcome == report::Outcome::Imported) {
                out += card(e);
            }
        }
        out += "</div>\n";
    }
    return out + "</body>\n</html>\n";
}

} // namespace sheet
