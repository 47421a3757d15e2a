// check_report.h: the findings of `dxfhost --check` as text and as JSON.
//
// Receives a drawing's name and its Findings (check.h). Hands on the text shown for it (the
// verdict first, then every refusal with its why and fix, then what the import will pass over
// or change) and the same as a JSON value (see docs/host.md).
#ifndef DXFHOST_CHECK_REPORT_H
#define DXFHOST_CHECK_REPORT_H

#include <string>

#include "dxfhost/check.h"
#include "dxfhost/json.h"

namespace check_report {

// Lines of text, each ended by a line feed.
std::string text(const std::string& drawing, const check::Findings& f);

json::Value to_json(const std::string& drawing, const check::Findings& f);

} // namespace check_report

#endif
