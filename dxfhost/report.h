// report.h: what dxfhost tells about one drawing's import.
//
// Receives the result of one import (import_run.h) and reads its blocks back (object_view).
// Hands on the outcome (imported, refused, failed) and its reason, the place in the drawing
// where the module stopped, the lines for standard error (the alert and message lines with the
// place after them) and the drawing's JSON report.
#ifndef DXFHOST_REPORT_H
#define DXFHOST_REPORT_H

#include <optional>
#include <string>
#include <vector>

#include "dxfhost/batch.h"
#include "dxfhost/import_run.h"
#include "dxfhost/json.h"
#include "dxfhost/object_view.h"
#include "dxfhost/where.h"

namespace report {

struct Drawing {
    std::string drawing;               // as named on the command line
    bool ran = false;                  // the import command ran (the host made the frame)
    host::ImportResult result;         // what the import left (meaningful when ran)
    view::Object object;               // the frame's object, read back
    view::FrameHeader frame;           // the frame's header block, read back
    std::optional<where::Place> place; // where the module stopped, when the import failed
    batch::Kind kind = batch::Kind::Failed;
    std::string reason;              // why it was refused or failed; empty when imported
    std::vector<std::string> errors; // dxfhost's own failures (outputs not written, ...)
    std::string unreadable;          // "'PATH': why" when the drawing is no readable file
    int exit_status = 2;             // 0 imported, 1 nothing done, 2 failed
};

// Reads the result back and decides the outcome. When the import did not run, host_error
// says why.
Drawing examine(const std::string& drawing, bool ran, host::ImportResult result,
                const std::string& host_error);

// Records a failure of dxfhost's own (an output not written): the drawing counts as failed.
void add_error(Drawing* d, const std::string& error);

// The alert and message lines as the user saw them, with the place ("  at FILE:LINE: TEXT")
// after the first alert, or after the first message when no alert was shown.
std::vector<std::string> shown_lines(const Drawing& d);

// The drawing's report: {"drawing", "exit_status", "result", "outcome", "reason", "alerts",
// "messages", "where", "frame_name", "object", "errors"}.
void write_json(json::Writer& w, const Drawing& d);

// The frame's name for the picture's title: the name the import gave the frame, else the
// drawing's file name.
std::string title_of(const Drawing& d);

} // namespace report

#endif
