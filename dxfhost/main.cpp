// main.cpp: dxfhost, a host for the import module: it loads the module, imports drawings into
// fresh frames and shows what each import made.
//
//   dxfhost [OPTIONS] DRAWING...
//   dxfhost [OPTIONS] --read-object OBJECT
//
// With one drawing and no picture, dump or JSON option, standard output stays empty and
// standard error holds the module's alerts and the host's messages, each alert followed by the
// place in the drawing where the module stopped. Exit status: 0 imported, 1 nothing done,
// 2 an import failed or was refused (or the module could not be loaded, or an output not
// written), 64 a usage error.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "dxfhost/plugin.h"
#include "dxfhost/png.h"
#include "dxfhost/session.h"
#include "kernel/kernelctl.h"

#ifndef DXF_VERSION
#define DXF_VERSION "0"
#endif

namespace {

const char kUsage[] = "Usage: dxfhost [OPTIONS] DRAWING...\n"
                      "       dxfhost [OPTIONS] --read-object OBJECT\n";

const char kFooter[] =
    "Each drawing is imported into a fresh frame of the stand-in host, the module staying\n"
    "loaded from one drawing to the next. Alerts and the host's messages go to standard error,\n"
    "each alert followed by the line of the drawing where the module stopped.\n"
    "\n"
    "With several drawings, or with --out-dir, a progress line shows on a terminal and a\n"
    "summary table ends the run; --out-dir DIR receives NAME.obj (the object), NAME.svg and\n"
    "NAME.png (its picture) and NAME.txt (its dump) for every drawing NAME.dxf.\n"
    "\n"
    "Exit status: 0 every drawing imported; 1 the module did nothing; 2 a drawing was refused\n"
    "or failed, an output could not be written, or the module could not be loaded; 64 a usage\n"
    "error.\n"
    "\n"
    "Examples:\n"
    "  dxfhost --svg plan.svg --png plan.png plan.dxf\n"
    "  dxfhost --dump plan.dxf\n"
    "  dxfhost --out-dir pictures drawings/*.dxf\n"
    "  dxfhost --object plan.obj plan.dxf; dxfhost --read-object plan.obj --json\n";

int usage_error(const std::string& what) {
    std::cerr << "dxfhost: " << what << "\n"
              << kUsage << "Try 'dxfhost --help' for more information.\n";
    return session::kExitUsage;
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
        return session::kExitFailed;
    }
    return exit_status;
}

// Two names of one file: the same path, or two paths to one existing file.
bool same_file(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ea, eb, ee;
    const fs::path ca = fs::weakly_canonical(a, ea);
    const fs::path cb = fs::weakly_canonical(b, eb);
    if (!ea && !eb && ca == cb) {
        return true;
    }
    return fs::equivalent(a, b, ee) && !ee;
}

// An option that names a file, and the path it was given.
using NamedPath = std::pair<CLI::Option*, const std::string*>;

// Why the outputs given cannot be written: one would land on an input, or two on one file, and
// a file would be lost. Empty when they can.
std::string output_clash(const std::vector<NamedPath>& outputs,
                         const std::vector<std::string>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& [option, path] = outputs[i];
        if (!*option) {
            continue;
        }
        for (const std::string& input : inputs) {
            if (same_file(*path, input)) {
                return option->get_name() + " would write over '" + input +
                       "', which is read: name another file";
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (*outputs[j].first && same_file(*path, *outputs[j].second)) {
                return outputs[j].first->get_name() + " and " + option->get_name() +
                       " name the same file: name two files";
            }
        }
    }
    return "";
}

// The plain words for what the command-line parser found wrong with an option's value.
std::string plain_parse_error(const CLI::ParseError& e) {
    const std::string what = e.what();
    if (what.rfind("--width", 0) == 0) {
        return "--width takes a whole number of pixels from 1 to " + std::to_string(png::kMaxSide);
    }
    if (what.rfind("--memory-limit", 0) == 0) {
        return "--memory-limit takes a whole number of MiB, 1 or more";
    }
    const std::size_t at_most = what.find(": At Most 1 required but received");
    if (at_most != std::string::npos) {
        return what.substr(0, at_most) + " is given more than once";
    }
    return what;
}

} // namespace

int main(int argc, char** argv) {
    session::Settings s;
    std::string module_path;
    std::size_t limit_mib = hostk::kDefaultMemoryLimit >> 20;

    CLI::App app{"dxfhost imports DXF drawings through the import module into frames of a\n"
                 "stand-in host and shows what each import made: the frame's blocks, a picture\n"
                 "(SVG or PNG), a text dump or a JSON report.",
                 "dxfhost"};
    app.footer(kFooter);
    app.allow_windows_style_options(false); // on Windows too, /tmp/plan.dxf is a drawing
    app.set_version_flag("--version", "dxfhost " DXF_VERSION);
    app.add_option("DRAWING", s.drawings, "the drawings to import, one after the other")
        ->type_name("");
    CLI::Option* object =
        app.add_option("--object", s.object_path, "write the frame's data block (the object) here")
            ->type_name("PATH");
    CLI::Option* header =
        app.add_option("--frame-header", s.header_path, "write the frame's header block here")
            ->type_name("PATH");
    CLI::Option* svg = app.add_option("--svg", s.svg_path, "draw the object as an SVG picture here")
                           ->type_name("PATH");
    CLI::Option* png = app.add_option("--png", s.png_path, "draw the object as a PNG picture here")
                           ->type_name("PATH");
    app.add_option("--width", s.width, "pixels across a PNG picture (default 1024)")
        ->type_name("PIXELS")
        ->check(CLI::Range(1, png::kMaxSide).description(""));
    CLI::Option* dump =
        app.add_flag("--dump", s.dump, "print the object as text: best size, records, terminator");
    CLI::Option* json = app.add_flag(
        "--json", s.json, "print a JSON report: exit status, result, alerts, messages, records");
    app.add_option("--out-dir", s.out_dir,
                   "write every drawing's object, pictures and dump into this folder")
        ->type_name("DIR");
    CLI::Option* read =
        app.add_option("--read-object", s.read_object,
                       "describe an object saved with --object instead of importing a "
                       "drawing: as text, unless --json, --svg or --png is given")
            ->type_name("OBJECT");
    app.add_option("--memory-limit", limit_mib,
                   "memory the host's blocks may hold, MiB (default " + std::to_string(limit_mib) +
                       ")")
        ->type_name("MIB")
        ->check(CLI::Range(std::size_t(1), std::size_t(SIZE_MAX >> 20)).description(""));
    app.add_option("--module", module_path, "the import module's library")->type_name("PATH");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ExtrasError& e) {
        // Every word that is not an option is a drawing, so what is left over is an option.
        const std::string what = e.what();
        return usage_error("unknown option" + what.substr(what.find(':')));
    } catch (const CLI::ParseError& e) {
        return usage_error(plain_parse_error(e));
    }
    s.memory_limit = limit_mib << 20;

    // What the options cannot say by themselves.
    if (*dump && *json) {
        return usage_error("--dump and --json both print on standard output: choose one");
    }
    CLI::Option* out_dir = app.get_option("--out-dir");
    const std::vector<NamedPath> outputs = {
        {object, &s.object_path}, {header, &s.header_path}, {svg, &s.svg_path}, {png, &s.png_path}};
    const std::vector<NamedPath> other_paths = {
        {out_dir, &s.out_dir}, {read, &s.read_object}, {app.get_option("--module"), &module_path}};
    for (const std::vector<NamedPath>* list : {&outputs, &other_paths}) {
        for (const auto& [option, path] : *list) {
            if (*option && path->empty()) {
                return usage_error(option->get_name() + " needs a path, not an empty word");
            }
        }
    }
    if (*out_dir) {
        for (const CLI::Option* o : {object, header, svg, png}) {
            if (*o) {
                return usage_error(o->get_name() + " names one output, but --out-dir names "
                                                   "every output itself: use one or the other");
            }
        }
        if (*read) {
            return usage_error("--out-dir is for imports: it cannot be used with --read-object");
        }
    }
    if (*app.get_option("--width") && !*png && !*out_dir) {
        return usage_error("--width sets the width of a PNG picture: give --png or --out-dir");
    }
    std::vector<std::string> inputs = s.drawings;
    if (*read) {
        inputs.push_back(s.read_object);
    }
    const std::string clash = output_clash(outputs, inputs);
    if (!clash.empty()) {
        return usage_error(clash);
    }
    if (*read) {
        if (!s.drawings.empty()) {
            return usage_error("--read-object describes a saved object: give no DRAWING with it");
        }
        for (const CLI::Option* o : {object, header}) {
            if (*o) {
                return usage_error(o->get_name() + " writes an import's blocks: it cannot be "
                                                   "used with --read-object");
            }
        }
    } else if (s.drawings.empty()) {
        return usage_error("no drawing given: name one or more DXF files");
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
    if (*png && !png::available()) {
        std::cerr << "dxfhost: --png: this dxfhost was built without PNG support (librsvg and "
                     "cairo); use --svg\n";
        return session::kExitFailed;
    }

    if (*read) {
        if (!*dump && !*json && !*svg && !*png) {
            s.dump = true; // an object described with nothing asked for is shown as text
        }
        return finish_output(session::describe_object(s));
    }
    if (module_path.empty()) {
        module_path = host::default_module_path(argc > 0 ? argv[0] : nullptr);
    }
    host::Plugin plugin;
    std::string err;
    if (!plugin.load(module_path, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        return session::kExitFailed;
    }
    return finish_output(session::run_imports(plugin, s));
}
