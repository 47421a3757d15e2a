// batch.h: what dxfhost shows and names when it imports many drawings in turn.
//
// Receives the outcome of each import (report.h). Hands on the names of the files written for each
// drawing, the progress line shown on a terminal, and the summary table at the end.
#ifndef DXFHOST_BATCH_H
#define DXFHOST_BATCH_H

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "dxfhost/report.h"

namespace batch {

struct Row {
    std::string drawing;                               // as named on the command line
    report::Outcome outcome = report::Outcome::Failed; // how the import ended
    std::size_t records = 0;                           // records of the object
    std::string notes; // why it was refused or failed; for an import, what it lost
};

// The summary: a table of drawing, outcome, records and notes (one row per drawing), then one
// line of totals ("3 drawings: 1 imported, 1 refused, 1 failed"). Every line ends with a line
// feed.
std::string summary_table(const std::vector<Row>& rows);

// The name for a drawing's outputs: its file name without the directory and the last
// extension ("plans/floor_plan.dxf" gives "floor_plan"). A name already in taken gets "-2",
// "-3", ... added; the name given is added to taken. Never empty, never "." or "..".
std::string output_stem(const std::string& drawing, std::set<std::string>* taken);

// The progress line for drawing i (1-based) of n, fitted to columns characters (no line feed;
// the caller returns the cursor to the line's start).
std::string progress_line(std::size_t i, std::size_t n, const std::string& drawing,
                          std::size_t columns);

} // namespace batch

#endif
