// main.cpp: dxfhost, a host for the import module: it loads the module, imports drawings into
// fresh frames and shows what each import made.
//
//   dxfhost [OPTIONS] DRAWING...
//   dxfhost --check [--json] [--import] DRAWING...
//   dxfhost [OPTIONS] --read-object OBJECT
//
// With one drawing and no picture, dump or JSON option, standard output stays empty and
// standard error holds the module's alerts and the host's messages, each alert followed by the
// place in the drawing where the module stopped and, for a refusal, its cause (why:, fix:).
// Exit status (exits.h): 0 imported, 1 nothing done, 2 an import failed or was refused (or the
// module could not be loaded, or an output not written), 64 a usage error.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "dxfhost/clash.h"
#include "dxfhost/exits.h"
#include "dxfhost/inputs.h"
#include "dxfhost/outputs.h"
#include "dxfhost/plugin.h"
#include "dxfhost/png.h"
#include "dxfhost/session.h"
#include "dxfhost/sheet.h"
#include "dxfhost/workers.h"
#include "kernel/kernelctl.h"

#ifndef DXF_VERSION
#define DXF_VERSION "0"
#endif

namespace {

const char kUsage[] = "Usage: dxfhost [OPTIONS] DRAWING...\n"
                      "       dxfhost --check [--json] [--import] DRAWING...\n"
                      "       dxfhost [OPTIONS] --read-object OBJECT\n";

const char kFooter[] =
    "Each drawing is imported into a fresh frame of the stand-in host, the module staying\n"
    "loaded from one drawing to the next. Alerts and the host's messages go to standard error,\n"
    "each alert followed by the line of the drawing where the module stopped, then a why: line\n"
    "that tells the cause of a refusal and, where it helps, a fix: line.\n"
    "\n"
    "With several drawings, --out-dir or --quiet, a progress line shows on a terminal and a\n"
    "summary table ends the run; --out-dir DIR receives NAME.obj (the object), NAME.svg and\n"
    "NAME.png (its picture) and NAME.txt (its dump) for every drawing NAME.dxf, and index.html\n"
    "(a contact sheet of every picture), summary.json and summary.tsv for the whole batch.\n"
    "A folder named as a drawing stands for the .dxf files under it, in name order. A batch\n"
    "imports its drawings in --jobs worker processes (on Windows in dxfhost itself, always one\n"
    "at a time); what it shows and writes is the same with any number of them.\n"
    "\n"
    "A drawing named - is read from standard input; an output named - is written to standard\n"
    "output. No output is ever written over a drawing (a file named *.dxf, or one that begins\n"
    "like one).\n"
    "\n"
    "Exit status: 0 every drawing imported (with --check: would import); 1 the module did\n"
    "nothing; 2 a drawing was refused or failed, an output could not be written, or the module\n"
    "could not be loaded; 64 a usage error.\n"
    "\n"
    "Examples:\n"
    "  dxfhost --svg plan.svg --png plan.png plan.dxf\n"
    "  dxfhost --check plan.dxf\n"
    "  dxfhost --out-dir pictures --quiet drawings/\n"
    "  cat plan.dxf | dxfhost --svg - - > plan.svg\n"
    "  dxfhost --object plan.obj plan.dxf; dxfhost --read-object plan.obj --json\n";

int usage_error(const std::string& what) {
    std::cerr << "dxfhost: " << what << "\n"
              << kUsage << "Try 'dxfhost --help' for more information.\n";
    return exits::kUsage;
}

// The exit status once standard output is flushed: a dump, report or summary that could not
// be written all is a failure.
int finish_output(int exit_status) {
    errno = 0;
    std::cout.flush();
    const bool stream_failed = !std::cout;
    const bool flush_failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    const int err = errno;
    if (stream_failed || flush_failed) {
        std::cerr << "dxfhost: cannot write standard output"
                  << (err != 0 ? std::string(": ") + std::strerror(err) : std::string()) << "\n";
        return exits::kFailed;
    }
    return exit_status;
}

// A validator of CLI11 that says in its own words what a value must be.
CLI::Validator whole_number(long long lowest, long long highest, const std::string& what) {
    return CLI::Validator(
        [=](std::string& value) -> std::string {
            const char* p = value.c_str();
            char* end = nullptr;
            errno = 0;
            const long long n = std::strtoll(p, &end, 10);
            const bool ok = !value.empty() && *end == '\0' && errno == 0 && n >= lowest &&
                            n <= highest &&
                            value.find_first_not_of("0123456789") == std::string::npos;
            return ok ? "" : what;
        },
        "");
}

const CLI::Validator kPath(
    [](std::string& value) -> std::string {
        return value.empty() ? "needs a path, not an empty word" : "";
    },
    "");

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], workers::kWorkerFlag) == 0) {
        return workers::worker_main(argc >= 3 ? argv[2] : nullptr);
    }
    session::Settings s;
    std::string module_path;
    std::size_t limit_mib = hostk::kDefaultMemoryLimit >> 20;
    s.jobs = workers::available() ? workers::processors() : 1;

    CLI::App app{"dxfhost imports DXF drawings through the import module into frames of a\n"
                 "stand-in host and shows what each import made: the frame's blocks, a picture\n"
                 "(SVG or PNG), a text dump or a JSON report; or checks drawings without\n"
                 "importing them.",
                 "dxfhost"};
    app.footer(kFooter);
    app.allow_windows_style_options(false); // on Windows too, /tmp/plan.dxf is a drawing
    app.set_version_flag("--version", "dxfhost " DXF_VERSION);
    CLI::Option* drawings =
        app.add_option("DRAWING", s.drawings, "the drawings to import, one after the other")
            ->type_name("");
    CLI::Option* object =
        app.add_option("--object", s.object_path, "write the frame's data block (the object) here")
            ->type_name("PATH")
            ->check(kPath);
    CLI::Option* header =
        app.add_option("--frame-header", s.header_path, "write the frame's header block here")
            ->type_name("PATH")
            ->check(kPath);
    CLI::Option* svg = app.add_option("--svg", s.svg_path, "draw the object as an SVG picture here")
                           ->type_name("PATH")
                           ->check(kPath);
    CLI::Option* png = app.add_option("--png", s.png_path, "draw the object as a PNG picture here")
                           ->type_name("PATH")
                           ->check(kPath);
    CLI::Option* width =
        app.add_option("--width", s.width, "pixels across a PNG picture (default 1024)")
            ->type_name("PIXELS")
            ->check(whole_number(1, png::kMaxSide,
                                 "takes a whole number of pixels from 1 to " +
                                     std::to_string(png::kMaxSide)));
    CLI::Option* dump =
        app.add_flag("--dump", s.dump, "print the object as text: best size, records, terminator");
    CLI::Option* json = app.add_flag(
        "--json", s.json, "print a JSON report: exit status, result, alerts, messages, records");
    app.add_flag("--quiet", s.quiet, "print the summary table only");
    CLI::Option* check = app.add_flag(
        "--check", s.check,
        "tell every reason the module would refuse each drawing, and what an import would pass "
        "over or change, without importing it");
    app.add_flag("--import", s.check_import, "with --check: import each drawing after its check")
        ->needs(check);
    CLI::Option* out_dir =
        app.add_option("--out-dir", s.out_dir,
                       "write every drawing's object, pictures and dump into this folder")
            ->type_name("DIR")
            ->check(kPath);
    CLI::Option* read =
        app.add_option("--read-object", s.read_object,
                       "describe an object saved with --object instead of importing a "
                       "drawing: as text, unless --json, --svg or --png is given")
            ->type_name("OBJECT")
            ->check(kPath);
    app.add_option("--memory-limit", limit_mib,
                   "memory the host's blocks may hold, MiB (default " + std::to_string(limit_mib) +
                       ")")
        ->type_name("MIB")
        ->check(
            whole_number(1, (long long)(SIZE_MAX >> 20), "takes a whole number of MiB, 1 or more"));
    app.add_option("--jobs", s.jobs,
                   "worker processes that import a batch's drawings (default: the processors, " +
                       std::to_string(s.jobs) + " here; 1 imports them in dxfhost itself" +
                       (workers::available() ? std::string(")")
                                             : std::string(", as on Windows it always does)")))
        ->type_name("N")
        ->check(whole_number(1, 1024, "takes a whole number of processes from 1 to 1024"));
    app.add_option("--module", module_path, "the import module's library")
        ->type_name("PATH")
        ->check(kPath);

    // The options that cannot go together.
    dump->excludes(json);
    for (CLI::Option* o : {object, header, svg, png}) {
        out_dir->excludes(o);
        check->excludes(o);
    }
    for (CLI::Option* o : {object, header, drawings, out_dir}) {
        read->excludes(o);
    }
    check->excludes(dump)->excludes(out_dir)->excludes(read)->excludes(width);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usage_error(e.what());
    }
    s.memory_limit = limit_mib << 20;
    if (!workers::available()) {
        s.jobs = 1;
    }

    // A folder stands for the drawings under it.
    inputs::Expanded named = inputs::expand(s.drawings);
    if (named.status == inputs::Status::NoDrawings) {
        return usage_error(named.error);
    }
    if (named.status == inputs::Status::Unreadable) {
        std::cerr << "dxfhost: " << named.error << "\n";
        return exits::kFailed;
    }
    s.drawings = std::move(named.drawings);

    // What the options cannot say by themselves.
    if (*width && !*png && !*out_dir) {
        return usage_error("--width sets the width of a PNG picture: give --png or --out-dir");
    }
    if (!*read && s.drawings.empty()) {
        return usage_error("no drawing given: name one or more DXF files");
    }
    if (std::count(s.drawings.begin(), s.drawings.end(), outputs::kStandard) > 1) {
        return usage_error("standard input (-) can be read once only");
    }
    if (s.drawings.size() > 1) {
        for (const CLI::Option* o : {object, header, svg, png}) {
            if (*o) {
                return usage_error(o->get_name() + " names one file, but " +
                                   std::to_string(s.drawings.size()) +
                                   " drawings were given: use --out-dir DIR for many drawings");
            }
        }
    }
    std::vector<clash::Output> outputs;
    for (const CLI::Option* o : {object, header, svg, png}) {
        if (*o) {
            outputs.push_back({o->get_name(), o->as<std::string>()});
        }
    }
    const std::vector<outputs::FolderFiles> folder = session::folder_plan(s);
    for (const outputs::FolderFiles& f : folder) {
        for (const std::string& path : {f.object, f.svg, f.png, f.text}) {
            if (!path.empty()) {
                outputs.push_back({"--out-dir", path});
            }
        }
    }
    if (!s.out_dir.empty()) {
        for (const char* name : {sheet::kSheet, sheet::kSummaryJson, sheet::kSummaryTsv}) {
            outputs.push_back({"--out-dir", (std::filesystem::path(s.out_dir) / name).string()});
        }
    }
    std::vector<std::string> inputs = s.drawings;
    if (*read) {
        inputs.push_back(s.read_object);
    }
    std::vector<std::string> stdout_users;
    for (const CLI::Option* o : {dump, json}) {
        if (*o) {
            stdout_users.push_back(o->get_name());
        }
    }
    const std::string why = clash::output_clash(outputs, inputs, stdout_users);
    if (!why.empty()) {
        return usage_error(why);
    }
    if (*png && !png::available()) {
        std::cerr << "dxfhost: --png: this dxfhost was built without PNG support (cairo and "
                     "zlib); use --svg\n";
        return exits::kFailed;
    }

    if (*read) {
        if (!*dump && !*json && !*svg && !*png) {
            s.dump = true; // an object described with nothing asked for is shown as text
        }
        return finish_output(session::describe_object(s));
    }
    host::Plugin plugin;
    const bool need_module = !s.check || s.check_import;
    if (need_module) {
        if (module_path.empty()) {
            module_path = host::default_module_path(argc > 0 ? argv[0] : nullptr);
        }
        std::string err;
        if (!plugin.load(module_path, &err)) {
            std::cerr << "dxfhost: " << err << "\n";
            return exits::kFailed;
        }
    }
    if (s.check) {
        return finish_output(session::run_checks(need_module ? &plugin : nullptr, s));
    }
    return finish_output(session::run_imports(plugin, s));
}
