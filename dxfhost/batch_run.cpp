// batch_run.cpp: a batch of imports (see imports.h, run_many).
//
// Receives the settings, the loaded module and the file of each drawing. Imports the drawings
// in this process one after the other, or, with --jobs above 1, in worker processes
// (workers.h); either way each drawing's lines are shown in the order of the command line, as
// soon as it and every drawing before it are done, so that what a batch shows, writes and ends
// with does not depend on the number of workers. With --out-dir the batch ends by writing its
// contact sheet and summary files (sheet.h) into the folder.
#include <filesystem>
#include <iostream>
#include <optional>

#include "dxfhost/batch.h"
#include "dxfhost/batch_item.h"
#include "dxfhost/exits.h"
#include "dxfhost/imports.h"
#include "dxfhost/json.h"
#include "dxfhost/png.h"
#include "dxfhost/sheet.h"
#include "dxfhost/terminal.h"
#include "dxfhost/workers.h"

namespace session {

namespace {

// Writes index.html, summary.json and summary.tsv into the output folder; false, with a line
// on standard error for each, when one cannot be written.
bool write_sheet(const std::string& dir, const std::vector<sheet::Entry>& entries,
                 int exit_status) {
    const std::filesystem::path d(dir);
    const std::pair<const char*, std::string> files[] = {
        {sheet::kSheet, sheet::contact_sheet(entries)},
        {sheet::kSummaryJson, json::dump(sheet::summary_json(entries, exit_status)) + "\n"},
        {sheet::kSummaryTsv, sheet::summary_tsv(entries)},
    };
    bool ok = true;
    for (const auto& [name, text] : files) {
        std::string err;
        if (!outputs::write_text((d / name).string(), text, &err)) {
            std::cerr << "dxfhost: " << err << "\n";
            ok = false;
        }
    }
    return ok;
}

} // namespace

int run_many(host::Plugin& plugin, const Settings& s, const std::vector<std::string>& paths) {
    if (!s.out_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(s.out_dir, ec);
        if (ec || !std::filesystem::is_directory(s.out_dir)) {
            std::cerr << "dxfhost: cannot make the output folder '" << s.out_dir
                      << "': " << (ec ? ec.message() : "a file of that name is in the way") << "\n";
            return exits::kFailed;
        }
        if (!png::available() && !s.quiet) {
            std::cerr << "dxfhost: note: PNG pictures are not written: this dxfhost was built "
                         "without cairo and zlib\n";
        }
    }
    const std::size_t n = s.drawings.size();
    const bool progress = terminal::stderr_is_terminal() && !s.quiet;
    const std::size_t columns = progress ? terminal::columns() : 80;
    // The summary is the main output unless the dump or the JSON report take standard output.
    std::ostream& summary_out = (s.dump || s.json) ? std::cerr : std::cout;

    const std::vector<outputs::FolderFiles> files = folder_plan(s);
    std::vector<std::optional<batch::Item>> ready(n);
    std::size_t shown = 0; // drawings whose lines are shown
    std::vector<batch::Row> rows;
    std::vector<sheet::Entry> entries;
    json::Value reports = json::Value::array();
    int exit_status = exits::kOk;

    // The progress line names the drawing the batch waits for.
    auto show_progress = [&] {
        if (progress && shown < n) {
            std::cerr << "\r\033[K"
                      << batch::progress_line(shown + 1, n, s.drawings[shown], columns)
                      << std::flush;
        }
    };
    auto done = [&](std::size_t i, batch::Item item) {
        ready[i] = std::move(item);
        for (; shown < n && ready[shown]; ++shown) {
            batch::Item& it = *ready[shown];
            if (progress) {
                std::cerr << "\r\033[K" << std::flush;
            }
            std::cerr << it.err;
            std::cout << it.out;
            if (s.json) {
                // A report that does not read back (never from dxfhost's own workers) is null.
                reports.push_back(json::Value::parse(it.report, nullptr, false));
                if (reports.back().is_discarded()) {
                    reports.back() = nullptr;
                }
            }
            std::cout.flush();
            sheet::Entry& e = it.entry;
            if (e.outcome != report::Outcome::Imported) {
                exit_status = exits::kFailed;
            }
            batch::Row row;
            row.drawing = s.drawings[shown];
            row.outcome = e.outcome;
            row.records = e.records;
            row.notes =
                e.outcome == report::Outcome::Imported ? report::lost_words(e.lost) : e.reason;
            rows.push_back(std::move(row));
            entries.push_back(std::move(e));
            ready[shown].reset();
        }
        show_progress();
    };
    auto here = [&](std::size_t i) {
        report::Drawing d = import_drawing(plugin, s.drawings[i], paths[i], s);
        return batch::make_item(d, s, files.empty() ? nullptr : &files[i]);
    };

    show_progress();
    if (s.jobs > 1 && n > 1 && workers::available()) {
        std::vector<workers::Job> jobs(n);
        for (std::size_t i = 0; i < n; ++i) {
            jobs[i].drawing = s.drawings[i];
            jobs[i].path = paths[i];
            if (!files.empty()) {
                jobs[i].files = files[i];
            }
        }
        workers::run(s, plugin.path(), jobs, s.jobs, done, here);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            done(i, here(i));
        }
    }
    if (progress) {
        std::cerr << "\r\033[K" << std::flush;
    }
    if (s.json) {
        json::Value j;
        j["schema_version"] = json::kSchemaVersion;
        j["drawings"] = std::move(reports);
        j["exit_status"] = exit_status;
        std::cout << json::dump(std::move(j)) << "\n";
    }
    if (!s.out_dir.empty() && !write_sheet(s.out_dir, entries, exit_status)) {
        exit_status = exits::kFailed;
    }
    summary_out << batch::summary_table(rows);
    if (!s.out_dir.empty()) {
        summary_out << "Outputs are in " << s.out_dir << " (contact sheet: "
                    << (std::filesystem::path(s.out_dir) / sheet::kSheet).string() << ")\n";
    }
    std::cout.flush();
    return exit_status;
}

} // namespace session
