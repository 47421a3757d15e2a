// main.cpp: dxfhost, a host for the import module: it loads the module, imports one drawing
// into a fresh frame and writes what the import left in the frame.
//
//   dxfhost [--object PATH] [--frame-header PATH] [--memory-limit MIB] [--module PATH] DRAWING
//
// Alerts and the host's messages appear on standard error. Exit status: 0 imported, 1 nothing
// done, 2 the import failed (or the module could not be loaded, or an output not written),
// 64 a usage error.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "dxfhost/import_run.h"
#include "dxfhost/plugin.h"

#ifndef DXF_VERSION
#define DXF_VERSION "0"
#endif

namespace {

constexpr int kExitFailed = 2;
constexpr int kExitUsage = 64;

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes, std::string* err) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        *err = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string drawing;
    std::string object_path;
    std::string header_path;
    std::string module_path;
    std::size_t limit_mib = hostk::kDefaultMemoryLimit >> 20;

    CLI::App app{"Imports a DXF drawing through the import module into a frame of a stand-in "
                 "host, and writes what the import left in the frame."};
    app.set_version_flag("--version", DXF_VERSION);
    app.add_option("DRAWING", drawing, "the drawing to import")->required();
    app.add_option("--object", object_path, "write the frame's data block (the object) here");
    app.add_option("--frame-header", header_path, "write the frame's header block here");
    app.add_option("--memory-limit", limit_mib, "memory the host's blocks may hold, MiB")
        ->check(CLI::Range(std::size_t(1), std::size_t(SIZE_MAX >> 20)));
    app.add_option("--module", module_path, "the import module's library")
        ->check(CLI::ExistingFile);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "dxfhost: " << e.what() << "\n\n" << app.help();
        return kExitUsage;
    }

    if (module_path.empty()) {
        module_path = host::default_module_path(argc > 0 ? argv[0] : nullptr);
    }
    host::Plugin plugin;
    std::string err;
    if (!plugin.load(module_path, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        return kExitFailed;
    }

    host::ImportOptions options;
    options.memory_limit = limit_mib << 20;
    host::ImportResult result;
    if (!host::run_import(plugin, drawing, options, &result, &err)) {
        std::cerr << "dxfhost: importing '" << drawing << "': " << err << "\n";
        return kExitFailed;
    }
    int code = host::exit_status(result.status);
    if (!object_path.empty() && !write_file(object_path, result.object, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        code = kExitFailed;
    }
    if (!header_path.empty() && !write_file(header_path, result.frame_header, &err)) {
        std::cerr << "dxfhost: " << err << "\n";
        code = kExitFailed;
    }
    return code;
}
