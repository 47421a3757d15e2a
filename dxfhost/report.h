// report.h: what dxfhost tells about one drawing's import.
//
// Receives the result of one import (import_run.h) and the host's own check of the drawing
// (check.h), and walks the frame's blocks (object_walk, object_view). Hands on the outcome
// (imported, refused, failed) and its reason, the place in the drawing where the module stopped,
// the cause of a refusal in the user's terms (why, fix), what an import that worked lost, the lines
// for standard error and the drawing's JSON report.
#ifndef DXFHOST_REPORT_H
#define DXFHOST_REPORT_H

#include <optional>
#include <string>
#include <vector>

#include "dxfhost/check.h"
#include "dxfhost/exits.h"
#include "dxfhost/import_run.h"
#include "dxfhost/json.h"
#include "dxfhost/object_view.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/where.h"

namespace report {

// How an import ended: the module converted the drawing; the module refused it (an alert, or
// its own "invalid drawing" statuses); or something else failed (the file could not be opened,
// the host ran out of memory, an output could not be written...).
enum class Outcome { Imported, Refused, Failed };
const char* outcome_name(Outcome outcome); // "imported", "refused", "failed"

struct Drawing {
    std::string drawing;               // as named on the command line ("-": standard input)
    std::string path;                  // the file that was read
    bool ran = false;                  // the import command ran (the host made the frame)
    host::ImportResult result;         // what the import left (meaningful when ran)
    view::Shape shape;                 // the layout of the frame's object, as walked
    view::FrameHeader frame;           // the frame's header block, read back
    std::optional<where::Place> place; // where the module stopped, when the import failed
    Outcome outcome = Outcome::Failed;
    std::string reason;               // why it was refused or failed; empty when imported
    std::string why, fix;             // the cause of a refusal, and what to do (may be empty)
    check::Lost lost;                 // what an import that worked passed over or changed
    std::vector<std::string> errors;  // dxfhost's own failures (file unreadable, output unwritten)
    bool readable = true;             // the drawing is a file dxfhost could read
    int exit_status = exits::kFailed; // exits::kOk, kNothing or kFailed
};

// Reads the result back and decides the outcome; the check gives the cause of a refusal and
// what an import lost. When the import did not run, host_error says why.
Drawing examine(const std::string& drawing, const std::string& path, bool ran,
                host::ImportResult result, const std::string& host_error,
                const check::Findings& findings);

// Records a failure of dxfhost's own (an output not written): the drawing counts as failed.
void add_error(Drawing* d, const std::string& error);

// The alert and message lines as the user saw them, with the place ("  at FILE:LINE: TEXT")
// after the first alert, or after the first message when no alert was shown; then the
// "why: " and "fix: " lines of a refusal.
std::vector<std::string> shown_lines(const Drawing& d);

// The lines of a drawing in a batch, at most three for a refusal: "DRAWING: REASON", then
// "  why: ..." and "  fix: ...".
std::vector<std::string> batch_lines(const Drawing& d);

// What was lost, in words: "2 passed over, 1 drawn open" (empty when nothing was).
std::string lost_words(const check::Lost& lost);
json::Value lost_json(const check::Lost& lost);

// The drawing's report (see docs/host.md).
json::Value to_json(const Drawing& d);

// The frame's object read back record by record, for the outputs that list it (the dump, the
// JSON report); empty when the import did not run.
view::Object object_of(const Drawing& d);

// The frame's name for the picture's title: the name the import gave the frame, else the
// drawing's file name.
std::string title_of(const Drawing& d);

} // namespace report

#endif
