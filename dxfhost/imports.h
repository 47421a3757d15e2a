// imports.h: the steps of one drawing's import that the one-drawing form, the batches (in this
// process or in worker processes) and the check share.
//
// Receives the settings, the loaded module and a drawing (as named, and the file to read). Hands
// on the drawing's report, writes its files into the output folder, and gives its dump text.
#ifndef DXFHOST_IMPORTS_H
#define DXFHOST_IMPORTS_H

#include <string>
#include <vector>

#include "dxfhost/outputs.h"
#include "dxfhost/plugin.h"
#include "dxfhost/report.h"
#include "dxfhost/session.h"

namespace session {

// Imports one drawing and reads back what it left. A drawing that is no readable file is
// still handed to the module, which shows the host's message for it; the system's reason is
// added to the report, and no output is written for it.
report::Drawing import_drawing(host::Plugin& plugin, const std::string& drawing,
                               const std::string& path, const Settings& s);

// The drawing as text: the cause of a refusal, the object, what an import lost.
std::string dump_text(const report::Drawing& d);

// Writes a drawing's outputs into the output folder; false when nothing was written for it
// (the import did not run, or the drawing is no readable file).
bool write_folder_outputs(report::Drawing& d, const Settings& s, const outputs::FolderFiles& f);

// A batch of imports, each drawing's lines shown in the order of s.drawings, then the summary
// table (and, with --out-dir, the contact sheet and the summary files). paths[i] is the file
// read for s.drawings[i].
int run_many(host::Plugin& plugin, const Settings& s, const std::vector<std::string>& paths);

} // namespace session

#endif
