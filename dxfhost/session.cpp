// session.cpp: runs the imports dxfhost was asked for and writes their outputs and reports.
//
// Receives the settings and the loaded module. Every drawing gets a fresh host frame from
// run_import; the module stays loaded from one drawing to the next, as in a real host. The
// alert and message lines of each import are printed after it, with the line of the drawing
// where the module stopped; outputs are written from the frame's blocks as the import left
// them, also after a failed import.
#include "dxfhost/session.h"

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <set>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "dxfhost/batch.h"
#include "dxfhost/dump.h"
#include "dxfhost/import_run.h"
#include "dxfhost/json.h"
#include "dxfhost/png.h"
#include "dxfhost/report.h"
#include "dxfhost/svg.h"

namespace session {

namespace {

bool stderr_is_terminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

std::size_t terminal_columns() {
#if !defined(_WIN32)
    winsize ws{};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) {
        return ws.ws_col;
    }
#endif
    if (const char* c = std::getenv("COLUMNS")) {
        const long n = std::strtol(c, nullptr, 10);
        if (n > 0 && n < 10000) {
            return std::size_t(n);
        }
    }
    return 80;
}

std::string why_not() {
    return errno != 0 ? std::string(": ") + std::strerror(errno) : "";
}

bool write_bytes(const std::string& path, const void* data, std::size_t size, std::string* err) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *err = "cannot write '" + path + "'" + why_not();
        return false;
    }
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.close();
    if (!out) {
        *err = "cannot write '" + path + "'" + why_not();
        return false;
    }
    return true;
}

bool write_text(const std::string& path, const std::string& text, std::string* err) {
    return write_bytes(path, text.data(), text.size(), err);
}

// The picture files of one object; an error per file that could not be written.
void write_pictures(const view::Object& obj, const std::string& title, const std::string& svg_path,
                    const std::string& png_path, int width, std::vector<std::string>* errors) {
    if (svg_path.empty() && png_path.empty()) {
        return;
    }
    const std::string picture = svg::render(obj, title);
    std::string err;
    if (!svg_path.empty() && !write_text(svg_path, picture, &err)) {
        errors->push_back(err);
    }
    if (!png_path.empty()) {
        const svg::Page page = svg::page_for(obj.head.bestw, obj.head.besth);
        if (!png::write(picture, page.width, page.height, width, png_path, &err)) {
            errors->push_back(err);
        }
    }
}

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

// Imports one drawing and reads back what it left. A drawing that is no readable file is
// still handed to the module, which shows the host's message for it; the system's reason is
// added to the report, and no output is written for it.
report::Drawing import_drawing(host::Plugin& plugin, const std::string& drawing,
                               const Settings& s) {
    host::ImportOptions options;
    options.memory_limit = s.memory_limit;
    options.echo = false; // the lines are printed afterwards, with the place in the drawing
    host::ImportResult result;
    std::string err;
    const std::string why = unreadable(drawing);
    const bool ran = host::run_import(plugin, drawing, options, &result, &err);
    report::Drawing d =
        report::examine(drawing, ran, std::move(result), "importing '" + drawing + "': " + err);
    if (!why.empty() && d.kind != batch::Kind::Imported) {
        d.unreadable = "'" + drawing + "': " + why;
        d.reason += " (" + why + ")";
    }
    return d;
}

// Writes the outputs of the one-drawing form: each to the path its option named.
void write_named_outputs(report::Drawing& d, const Settings& s) {
    if (!d.ran || !d.unreadable.empty()) {
        return;
    }
    std::string err;
    std::vector<std::string> errors;
    if (!s.object_path.empty() &&
        !write_bytes(s.object_path, d.result.object.data(), d.result.object.size(), &err)) {
        errors.push_back(err);
    }
    if (!s.header_path.empty() && !write_bytes(s.header_path, d.result.frame_header.data(),
                                               d.result.frame_header.size(), &err)) {
        errors.push_back(err);
    }
    write_pictures(d.object, report::title_of(d), s.svg_path, s.png_path, s.width, &errors);
    for (const std::string& e : errors) {
        report::add_error(&d, e);
    }
}

// Writes a drawing's outputs into the output folder: STEM.obj, STEM.svg, STEM.png (when this
// dxfhost makes PNG pictures) and STEM.txt (the dump).
void write_folder_outputs(report::Drawing& d, const Settings& s, const std::string& stem) {
    if (!d.ran || !d.unreadable.empty()) {
        return;
    }
    const std::filesystem::path dir(s.out_dir);
    std::vector<std::string> errors;
    // An output that would land on one of the drawings of the run is not written.
    auto file = [&](const char* ext) {
        const std::string path = (dir / (stem + ext)).string();
        for (const std::string& drawing : s.drawings) {
            std::error_code ec;
            if (std::filesystem::equivalent(path, drawing, ec) && !ec) {
                errors.push_back("'" + path + "' is not written: it is the drawing '" + drawing +
                                 "'");
                return std::string();
            }
        }
        return path;
    };
    std::string err;
    const std::string obj_file = file(".obj"), txt_file = file(".txt");
    if (!obj_file.empty() &&
        !write_bytes(obj_file, d.result.object.data(), d.result.object.size(), &err)) {
        errors.push_back(err);
    }
    if (!txt_file.empty() && !write_text(txt_file, dump::object_text(d.object), &err)) {
        errors.push_back(err);
    }
    write_pictures(d.object, report::title_of(d), file(".svg"),
                   png::available() ? file(".png") : std::string(), s.width, &errors);
    for (const std::string& e : errors) {
        report::add_error(&d, e);
    }
}

int run_one(host::Plugin& plugin, const Settings& s) {
    const std::string& drawing = s.drawings.front();
    report::Drawing d = import_drawing(plugin, drawing, s);
    write_named_outputs(d, s);

    if (!d.ran) {
        std::cerr << "dxfhost: " << d.reason << "\n";
    }
    for (const std::string& line : report::shown_lines(d)) {
        std::cerr << line << "\n";
    }
    if (!d.unreadable.empty()) {
        std::cerr << "dxfhost: " << d.unreadable << "\n";
    }
    for (const std::string& e : d.errors) {
        std::cerr << "dxfhost: " << e << "\n";
    }
    if (s.dump && d.ran) {
        std::cout << dump::object_text(d.object);
    }
    if (s.json) {
        json::Writer w;
        report::write_json(w, d);
        std::cout << w.str() << "\n";
    }
    std::cout.flush();
    return d.exit_status;
}

int run_many(host::Plugin& plugin, const Settings& s) {
    if (!s.out_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(s.out_dir, ec);
        if (ec || !std::filesystem::is_directory(s.out_dir)) {
            std::cerr << "dxfhost: cannot make the output folder '" << s.out_dir
                      << "': " << (ec ? ec.message() : "a file of that name is in the way") << "\n";
            return kExitFailed;
        }
        if (!png::available()) {
            std::cerr << "dxfhost: note: PNG pictures are not written: this dxfhost was built "
                         "without librsvg and cairo\n";
        }
    }
    const bool progress = stderr_is_terminal();
    const std::size_t columns = progress ? terminal_columns() : 80;
    // The summary is the main output unless the dump or the JSON report take standard output.
    std::ostream& summary_out = (s.dump || s.json) ? std::cerr : std::cout;
    auto clear_progress = [&] {
        if (progress) {
            std::cerr << "\r\033[K" << std::flush;
        }
    };

    std::set<std::string> stems;
    std::vector<batch::Row> rows;
    int exit_status = kExitOk;
    if (s.json) {
        std::cout << "{\"drawings\":[";
    }
    for (std::size_t i = 0; i < s.drawings.size(); ++i) {
        const std::string& drawing = s.drawings[i];
        if (progress) {
            std::cerr << "\r\033[K"
                      << batch::progress_line(i + 1, s.drawings.size(), drawing, columns)
                      << std::flush;
        }
        report::Drawing d = import_drawing(plugin, drawing, s);
        if (!s.out_dir.empty()) {
            write_folder_outputs(d, s, batch::output_stem(drawing, &stems));
        }

        clear_progress();
        if (!d.ran) {
            std::cerr << drawing << ": " << d.reason << "\n";
        }
        for (const std::string& line : report::shown_lines(d)) {
            // The place line names the drawing already.
            std::cerr << (line.rfind("  at ", 0) == 0 ? "" : drawing + ": ") << line << "\n";
        }
        for (const std::string& e : d.errors) {
            std::cerr << drawing << ": dxfhost: " << e << "\n";
        }
        if (s.dump) {
            std::cout << "# " << drawing << "\n";
            if (d.ran) {
                std::cout << dump::object_text(d.object);
            }
        }
        if (s.json) {
            json::Writer w;
            report::write_json(w, d);
            std::cout << (i ? "," : "") << w.str();
        }
        std::cout.flush();

        if (d.kind != batch::Kind::Imported) {
            exit_status = kExitFailed;
        }
        batch::Row row;
        row.drawing = drawing;
        row.kind = d.kind;
        row.records = d.object.records.size();
        row.reason = d.reason;
        rows.push_back(std::move(row));
    }
    clear_progress();
    if (s.json) {
        std::cout << "],\"exit_status\":" << exit_status << "}\n";
    }
    summary_out << batch::summary_table(rows);
    if (!s.out_dir.empty()) {
        summary_out << "Outputs are in " << s.out_dir << "\n";
    }
    std::cout.flush();
    return exit_status;
}

} // namespace

bool batch_mode(const Settings& s) {
    return s.drawings.size() > 1 || !s.out_dir.empty();
}

int run_imports(host::Plugin& plugin, const Settings& s) {
    return batch_mode(s) ? run_many(plugin, s) : run_one(plugin, s);
}

// Reads a saved object whole. False, with the reason in *err, when it is no regular file or
// cannot be read.
static bool read_object_file(const std::string& path, std::vector<uint8_t>* bytes,
                             std::string* err) {
    const std::string why = unreadable(path);
    if (!why.empty()) {
        *err = why;
        return false;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        *err = ec.message();
        return false;
    }
    // An object's offsets are 32-bit: a larger file cannot be one.
    if (size > std::uintmax_t(UINT32_MAX)) {
        *err = "it is larger than any object (" + std::to_string(size) + " bytes)";
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    try {
        bytes->resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        *err = "not enough memory to read its " + std::to_string(size) + " bytes";
        return false;
    }
    in.read(reinterpret_cast<char*>(bytes->data()), std::streamsize(size));
    if (!in || std::size_t(in.gcount()) != bytes->size()) {
        *err = errno != 0 ? std::strerror(errno) : "it changed while it was read";
        return false;
    }
    return true;
}

int describe_object(const Settings& s) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!read_object_file(s.read_object, &bytes, &why)) {
        std::cerr << "dxfhost: cannot read the object '" << s.read_object << "': " << why << "\n";
        return kExitFailed;
    }
    const view::Object obj = view::read_object(bytes);
    int exit_status = obj.damage ? kExitFailed : kExitOk;
    if (obj.damage) {
        std::cerr << "dxfhost: '" << s.read_object << "' is damaged at offset "
                  << obj.damage->offset << ": " << obj.damage->what << "\n";
    }
    std::vector<std::string> errors;
    const std::string title = std::filesystem::path(s.read_object).filename().string();
    write_pictures(obj, title, s.svg_path, s.png_path, s.width, &errors);
    for (const std::string& e : errors) {
        std::cerr << "dxfhost: " << e << "\n";
        exit_status = kExitFailed;
    }
    if (s.dump) {
        std::cout << dump::object_text(obj);
    }
    if (s.json) {
        json::Writer w;
        w.begin_object();
        w.key("object_file").value(s.read_object);
        w.key("exit_status").value(exit_status);
        w.key("object");
        json::write_object(w, obj);
        w.key("errors").begin_array();
        for (const std::string& e : errors) {
            w.value(e);
        }
        w.end_array().end_object();
        std::cout << w.str() << "\n";
    }
    std::cout.flush();
    return exit_status;
}

} // namespace session
