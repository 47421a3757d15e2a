// session.h: what one run of dxfhost does once its command line is read.
//
// Receives the settings from the command line and, for imports, the loaded module. Imports one
// drawing (the host's plain form: nothing on standard output unless asked), many drawings in
// turn (progress on a terminal, outputs into a folder, a summary at the end), or describes an
// object saved earlier. Hands back the exit status.
#ifndef DXFHOST_SESSION_H
#define DXFHOST_SESSION_H

#include <cstddef>
#include <string>
#include <vector>

#include "dxfhost/plugin.h"

namespace session {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitNothing = 1; // the import command did nothing
constexpr int kExitFailed = 2;  // an import failed or was refused, or an output not written
constexpr int kExitUsage = 64;

struct Settings {
    std::vector<std::string> drawings; // DRAWING... as named on the command line
    std::string object_path;           // --object: the frame's data block
    std::string header_path;           // --frame-header: the frame's header block
    std::string svg_path;              // --svg: the picture as SVG
    std::string png_path;              // --png: the picture as PNG
    int width = 1024;                  // --width: pixels across the PNG
    bool dump = false;                 // --dump: the object as text on standard output
    bool json = false;                 // --json: the report as JSON on standard output
    std::string out_dir;               // --out-dir: every drawing's outputs go here
    std::string read_object;           // --read-object: describe this saved object instead
    std::size_t memory_limit = 0;      // bytes the host's blocks may hold
};

// Many drawings, or any drawing with --out-dir: each imported in turn into a fresh frame.
bool batch_mode(const Settings& s);

// Imports the drawing(s) with the loaded module and writes what was asked for.
int run_imports(host::Plugin& plugin, const Settings& s);

// Describes the object saved in s.read_object (as --object writes it): its dump, JSON or
// picture. kExitFailed when it cannot be read or its layout is damaged.
int describe_object(const Settings& s);

} // namespace session

#endif
