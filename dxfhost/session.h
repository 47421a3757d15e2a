// session.h: what one run of dxfhost does once its command line is read.
//
// Receives the settings from the command line and, for imports, the loaded module. Imports one
// drawing (the host's plain form: nothing on standard output unless asked), many drawings in
// turn (progress on a terminal, outputs into a folder, a summary at the end), checks drawings
// without importing them, or describes an object saved earlier. Hands back the exit status
// (exits.h).
#ifndef DXFHOST_SESSION_H
#define DXFHOST_SESSION_H

#include <cstddef>
#include <string>
#include <vector>

#include "dxfhost/outputs.h"
#include "dxfhost/plugin.h"

namespace session {

struct Settings {
    std::vector<std::string> drawings; // DRAWING... as named on the command line ("-": stdin)
    std::string object_path;           // --object: the frame's data block ("-": stdout)
    std::string header_path;           // --frame-header: the frame's header block
    std::string svg_path;              // --svg: the picture as SVG
    std::string png_path;              // --png: the picture as PNG
    int width = 1024;                  // --width: pixels across the PNG
    bool dump = false;                 // --dump: the object as text on standard output
    bool json = false;                 // --json: the report as JSON on standard output
    bool quiet = false;                // --quiet: the summary only
    bool check = false;                // --check: what an import would do, without one
    bool check_import = false;         // --import: and the import's result after the check
    std::string out_dir;               // --out-dir: every drawing's outputs go here
    std::string read_object;           // --read-object: describe this saved object instead
    std::size_t memory_limit = 0;      // bytes the host's blocks may hold
    unsigned jobs = 1;                 // --jobs: worker processes of a batch (1: this process)
};

// Many drawings, any drawing with --out-dir, or --quiet: each imported in turn into a fresh
// frame, with a summary at the end.
bool batch_mode(const Settings& s);

// The files of each drawing in the output folder, in the order of s.drawings (empty without
// --out-dir): NAME.obj, NAME.svg, NAME.png, NAME.txt, names made unique.
std::vector<outputs::FolderFiles> folder_plan(const Settings& s);

// Imports the drawing(s) with the loaded module and writes what was asked for.
int run_imports(host::Plugin& plugin, const Settings& s);

// Checks the drawing(s) without importing; with s.check_import, imports each afterwards with
// the plugin (which must then be loaded) and adds the import's outcome.
int run_checks(host::Plugin* plugin, const Settings& s);

// Describes the object saved in s.read_object (as --object writes it): its dump, JSON or
// picture. exits::kFailed when it cannot be read or its layout is damaged.
int describe_object(const Settings& s);

} // namespace session

#endif
