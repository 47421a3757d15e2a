// sheet.h: what an output folder tells about the whole batch: its contact sheet (index.html)
// and the batch summary as JSON (summary.json) and as a table of tab-separated values
// (summary.tsv).
//
// Receives one entry per drawing, in the order of the command line: the drawing as named, the
// files planned for it in the folder, and the outcome of its import. Hands on the three files'
// texts; the caller writes them. Every name and reason shown on the sheet is HTML-escaped and
// made valid UTF-8; every picture is referenced by its file name, relative to the sheet.
#ifndef DXFHOST_SHEET_H
#define DXFHOST_SHEET_H

#include <cstddef>
#include <string>
#include <vector>

#include "dxfhost/check.h"
#include "dxfhost/json.h"
#include "dxfhost/outputs.h"
#include "dxfhost/report.h"

namespace sheet {

// File names of the batch's own files in the output folder.
constexpr char kSheet[] = "index.html";
constexpr char kSummaryJson[] = "summary.json";
constexpr char kSummaryTsv[] = "summary.tsv";

struct Entry {
    std::string drawing;        // as named on the command line ("-": standard input)
    outputs::FolderFiles files; // its files in the output folder, as planned
    bool written = false;       // its files were written (not for a drawing that is no file)
    report::Outcome outcome = report::Outcome::Failed;
    int exit_status = exits::kFailed;
    std::size_t records = 0;         // records of the object
    std::string reason;              // why it was refused or failed; empty when imported
    std::string why, fix;            // the cause of a refusal and what to do, or empty
    check::Lost lost;                // what an import that worked passed over or changed
    std::vector<std::string> errors; // dxfhost's own failures for it
};

// The entry of a drawing whose import has been examined (and whose files were written, or not).
Entry entry_of(const report::Drawing& d, bool written);

// {"schema_version", "drawings": [entry...], "counts": {"drawings", "imported", "refused",
// "failed"}, "exit_status"} (see docs/host.md).
json::Value summary_json(const std::vector<Entry>& entries, int exit_status);

// A header line, then one line per drawing (see docs/host.md); a tab, line feed, carriage
// return or backslash inside a field is written \t, \n, \r or \\.
std::string summary_tsv(const std::vector<Entry>& entries);

// The contact sheet: one self-contained HTML page, refused and failed drawings first, then
// the imported ones, each group in the order of the entries.
std::string contact_sheet(const std::vector<Entry>& entries);

// text with &, <, >, " and ' written as character references, after making it valid UTF-8.
std::string html_escape(const std::string& text);

// A file name as a relative URL: every byte outside letters, digits and -._~ written %XX.
std::string url_of_file(const std::string& name);

} // namespace sheet

#endif
