// session.cpp: runs the imports and checks dxfhost was asked for, and reports on them.
//
// Receives the settings and the loaded module. Every drawing is first checked by the host's own
// reading (check.h), which gives the cause of a refusal and what an import loses, then imported
// into a fresh host frame by run_import; the module stays loaded from one drawing to the next,
// as in a real host. The alert and message lines of each import are printed after it, with the
// line of the drawing where the module stopped; outputs are written from the frame's blocks as
// the import left them, also after a failed import. A drawing named "-" is standard input.
#include "dxfhost/session.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <set>

#include "dxfhost/batch.h"
#include "dxfhost/check.h"
#include "dxfhost/check_report.h"
#include "dxfhost/dump.h"
#include "dxfhost/exits.h"
#include "dxfhost/import_run.h"
#include "dxfhost/imports.h"
#include "dxfhost/json.h"
#include "dxfhost/outputs.h"
#include "dxfhost/png.h"
#include "dxfhost/report.h"
#include "dxfhost/stdin_copy.h"
#include "dxfhost/terminal.h"
#include "dxfhost/utf8.h"

namespace session {

namespace {

// Why the drawing cannot be read as a file, in the system's words; empty when it can.
std::string unreadable(const std::string& drawing) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(drawing, ec);
    if (ec) {
        return ec.message();
    }
    if (fs::is_directory(st)) {
        return "it is a folder";
    }
    if (!fs::is_regular_file(st)) {
        return "it is not a regular file";
    }
    errno = 0;
    std::ifstream in(drawing, std::ios::binary);
    if (!in) {
        return errno != 0 ? std::strerror(errno) : "it cannot be opened";
    }
    return "";
}

// The drawings of a run as files: "-" becomes the copy of standard input.
class Sources {
  public:
    // False, with the reason in *err, when standard input cannot be copied.
    bool prepare(const Settings& s, std::string* err) {
        for (const std::string& d : s.drawings) {
            if (d == outputs::kStandard && !copy_) {
                copy_ = std::make_unique<stdin_copy::Copy>();
                if (!copy_->make(err)) {
                    return false;
                }
            }
        }
        return true;
    }
    std::string path(const std::string& drawing) const {
        return drawing == outputs::kStandard && copy_ ? copy_->path() : drawing;
    }

  private:
    std::unique_ptr<stdin_copy::Copy> copy_;
};

// The check of a drawing; one that is no readable file gets the system's reason.
check::Findings check_drawing(const std::string& drawing, const std::string& path) {
    const std::string why = unreadable(path);
    if (why.empty()) {
        return check::scan(path);
    }
    check::Findings f;
    f.refusals.push_back({"unreadable", 0, "'" + drawing + "' cannot be read: " + why, ""});
    return f;
}

// The picture's title and note are XML text: a drawing's name or a layer named in the cause of
// a refusal need not be UTF-8, and a byte that is not would leave the picture unreadable.
std::string picture_title(const report::Drawing& d) {
    return utf8::valid(report::title_of(d));
}

std::string picture_note(const report::Drawing& d) {
    return d.why.empty() ? "" : utf8::valid("refused: " + d.why);
}

// Writes the outputs of the one-drawing form: each to the path its option named.
void write_named_outputs(report::Drawing& d, const Settings& s) {
    if (!d.ran || !d.readable) {
        return;
    }
    std::string err;
    std::vector<std::string> errors;
    if (!s.object_path.empty() && !outputs::write_bytes(s.object_path, d.result.object.data(),
                                                        d.result.object.size(), &err)) {
        errors.push_back(err);
    }
    if (!s.header_path.empty() && !outputs::write_bytes(s.header_path, d.result.frame_header.data(),
                                                        d.result.frame_header.size(), &err)) {
        errors.push_back(err);
    }
    outputs::write_pictures(d.result.object.data(), d.result.object.size(), picture_title(d),
                            picture_note(d), s.svg_path, s.png_path, s.width, &errors);
    for (const std::string& e : errors) {
        report::add_error(&d, e);
    }
}

json::Value document() {
    json::Value j;
    j["schema_version"] = json::kSchemaVersion;
    return j;
}

int run_one(host::Plugin& plugin, const Settings& s, const Sources& sources) {
    const std::string& drawing = s.drawings.front();
    report::Drawing d = import_drawing(plugin, drawing, sources.path(drawing), s);
    write_named_outputs(d, s);

    if (!d.ran) {
        std::cerr << "dxfhost: " << d.reason << "\n";
    }
    for (const std::string& line : report::shown_lines(d)) {
        std::cerr << line << "\n";
    }
    for (const std::string& e : d.errors) {
        std::cerr << "dxfhost: " << e << "\n";
    }
    if (s.dump && d.ran) {
        std::cout << dump_text(d);
    }
    if (s.json) {
        json::Value j = document();
        j.update(report::to_json(d));
        std::cout << json::dump(std::move(j)) << "\n";
    }
    std::cout.flush();
    return d.exit_status;
}

} // namespace

report::Drawing import_drawing(host::Plugin& plugin, const std::string& drawing,
                               const std::string& path, const Settings& s) {
    host::ImportOptions options;
    options.memory_limit = s.memory_limit;
    options.echo = false; // the lines are printed afterwards, with the place in the drawing
    const std::string why = unreadable(path);
    // The host's own reading of the drawing (what a refusal is explained by, what an import
    // loses) needs nothing of the import's: it runs beside it, on another processor where there
    // is one, so that it adds nothing to the import's time. (The Windows tool chain's standard
    // library has no threads: there it runs first.)
#if defined(_GLIBCXX_HAS_GTHREADS) || !defined(__GLIBCXX__)
    std::future<check::Findings> scanning;
    if (why.empty()) {
        scanning = std::async(std::launch::async, [&path] { return check::scan(path); });
    }
#else
    const check::Findings scanned = why.empty() ? check::scan(path) : check::Findings{};
#endif
    host::ImportResult result;
    std::string err;
    const bool ran = host::run_import(plugin, path, "", options, &result, &err);
#if defined(_GLIBCXX_HAS_GTHREADS) || !defined(__GLIBCXX__)
    const check::Findings findings = scanning.valid() ? scanning.get() : check::Findings{};
#else
    const check::Findings& findings = scanned;
#endif
    report::Drawing d = report::examine(drawing, path, ran, std::move(result),
                                        "importing '" + drawing + "': " + err, findings);
    if (!why.empty() && d.outcome != report::Outcome::Imported) {
        d.readable = false;
        d.errors.push_back("'" + drawing + "': " + why);
        d.reason += " (" + why + ")";
    }
    return d;
}

std::string dump_text(const report::Drawing& d) {
    std::string out;
    if (!d.why.empty()) {
        out += "why: " + d.why + "\n";
    }
    out += dump::object_text(report::object_of(d));
    if (d.outcome == report::Outcome::Imported) {
        const std::string lost = report::lost_words(d.lost);
        out += "lost: " + (lost.empty() ? std::string("nothing") : lost) + "\n";
    }
    return out;
}

bool write_folder_outputs(report::Drawing& d, const Settings& s, const outputs::FolderFiles& f) {
    if (!d.ran || !d.readable) {
        return false;
    }
    std::vector<std::string> errors;
    std::string err;
    if (!outputs::write_bytes(f.object, d.result.object.data(), d.result.object.size(), &err)) {
        errors.push_back(err);
    }
    if (!outputs::write_text(f.text, dump_text(d), &err)) {
        errors.push_back(err);
    }
    outputs::write_pictures(d.result.object.data(), d.result.object.size(), picture_title(d),
                            picture_note(d), f.svg, f.png, s.width, &errors);
    for (const std::string& e : errors) {
        report::add_error(&d, e);
    }
    return true;
}

bool batch_mode(const Settings& s) {
    return s.drawings.size() > 1 || !s.out_dir.empty() || s.quiet;
}

std::vector<outputs::FolderFiles> folder_plan(const Settings& s) {
    std::vector<outputs::FolderFiles> files;
    if (s.out_dir.empty()) {
        return files;
    }
    std::set<std::string> stems;
    for (const std::string& drawing : s.drawings) {
        const std::string name =
            drawing == outputs::kStandard ? std::string(stdin_copy::Copy::kName) : drawing;
        files.push_back(outputs::folder_files(s.out_dir, batch::output_stem(name, &stems)));
    }
    return files;
}

int run_imports(host::Plugin& plugin, const Settings& s) {
    Sources sources;
    std::string err;
    if (!sources.prepare(s, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        return exits::kFailed;
    }
    if (!batch_mode(s)) {
        return run_one(plugin, s, sources);
    }
    std::vector<std::string> paths;
    for (const std::string& drawing : s.drawings) {
        paths.push_back(sources.path(drawing));
    }
    return run_many(plugin, s, paths);
}

int run_checks(host::Plugin* plugin, const Settings& s) {
    Sources sources;
    std::string err;
    if (!sources.prepare(s, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        return exits::kFailed;
    }
    int exit_status = exits::kOk;
    json::Value checks = json::Value::array();
    for (const std::string& drawing : s.drawings) {
        const std::string path = sources.path(drawing);
        const check::Findings f = check_drawing(drawing, path);
        json::Value j = check_report::to_json(drawing, f);
        std::string text = check_report::text(drawing, f);
        if (s.quiet) {
            text.erase(text.find('\n') + 1);
        }
        bool failed = !f.would_import();
        if (s.check_import && plugin != nullptr) {
            report::Drawing d = import_drawing(*plugin, drawing, path, s);
            const bool agree = (d.outcome == report::Outcome::Imported) == f.would_import();
            failed = failed || d.outcome != report::Outcome::Imported;
            if (!s.quiet) {
                text += "  import: " + std::string(report::outcome_name(d.outcome)) +
                        (d.reason.empty() ? "" : ": " + d.reason) + "\n";
                if (!agree) {
                    text += "  note: the import and the check disagree about this drawing\n";
                }
            }
            j["import"] = report::to_json(d);
            j["import_agrees"] = agree;
        }
        if (failed) {
            exit_status = exits::kFailed;
        }
        if (s.json) {
            checks.push_back(std::move(j));
        } else {
            std::cout << text;
        }
    }
    if (s.json) {
        json::Value doc = document();
        if (s.drawings.size() == 1) {
            doc.update(checks.front());
        } else {
            doc["checks"] = std::move(checks);
            doc["exit_status"] = exit_status;
        }
        std::cout << json::dump(std::move(doc)) << "\n";
    }
    std::cout.flush();
    return exit_status;
}

} // namespace session
