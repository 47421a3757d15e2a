// batch_item.h: everything a batch shows and keeps of one drawing, made where the drawing was
// imported (this process, or a worker process) and shown by the batch in the drawings' order.
//
// Receives the drawing's examined import and the settings; writes the drawing's files into the
// output folder. Hands on the lines for standard error and standard output exactly as the
// batch prints them, the drawing's JSON report, and its entry in the batch summary; and these
// as one message for a worker's pipe, and back.
#ifndef DXFHOST_BATCH_ITEM_H
#define DXFHOST_BATCH_ITEM_H

#include <string>

#include "dxfhost/outputs.h"
#include "dxfhost/report.h"
#include "dxfhost/session.h"
#include "dxfhost/sheet.h"

namespace batch {

struct Item {
    std::string err;    // its lines for standard error (none with --quiet)
    std::string out;    // its text for standard output (with --dump)
    std::string report; // its JSON report as text (with --json), else empty
    sheet::Entry entry; // its entry in the summary, with the files planned for it
};

// Writes the drawing's files (when files is not null), then makes its item.
Item make_item(report::Drawing& d, const session::Settings& s, const outputs::FolderFiles* files);

// The item of a drawing whose import could not end (the worker importing it stopped): failed,
// for the reason given, with no files.
Item failed_item(const std::string& drawing, const std::string& path, const std::string& reason,
                 const session::Settings& s);

// The item as a message, and back; the entry's files are not part of it (the batch planned
// them). False when the message is not an item's.
std::string encode(const Item& item);
bool decode(const std::string& message, Item* item);

} // namespace batch

#endif
