// report.cpp: turns one import's result into its outcome, its lines and its JSON report.
//
// Receives an ImportResult and the host's check of the drawing. The outcome follows what the
// user was told: an alert, or the module's own "invalid drawing" statuses (-1, -2), mean the
// module refused the drawing; a host status (file not found, out of memory, ...), even after an
// alert, or a command that did nothing means the import failed. A drawing that ends too early is
// refused. For a refused or failed import whose file the module read, the drawing is read again
// to name the line where the module stopped. The first refusal the check found is the cause
// told in the why line: the one at the line where the module stopped, else the first.
#include "dxfhost/report.h"

#include <filesystem>

#include "dxfhost/exits.h"

namespace report {

namespace {

bool module_status(int32_t s) {
    return s == -1 || s == -2;
}

std::string message_of(int32_t status) {
    return hostk::status_message(status) + " (status " + std::to_string(status) + ")";
}

// The cause of a refusal when the check found none: what the module's stop tells.
void cause_without_check(Drawing* d) {
    const std::string at = d->place ? " at line " + std::to_string(d->place->line) : "";
    d->why = "the module stopped" + at +
             " for a reason dxfhost's own check of the drawing does not know";
    d->fix = "";
}

} // namespace

const char* outcome_name(Outcome outcome) {
    switch (outcome) {
    case Outcome::Imported:
        return "imported";
    case Outcome::Refused:
        return "refused";
    case Outcome::Failed:
        return "failed";
    }
    return "failed";
}

Drawing examine(const std::string& drawing, const std::string& path, bool ran,
                host::ImportResult result, const std::string& host_error,
                const check::Findings& findings) {
    Drawing d;
    d.drawing = drawing;
    d.path = path;
    d.ran = ran;
    if (!ran) {
        d.outcome = Outcome::Failed;
        d.reason = host_error;
        d.exit_status = exits::kFailed;
        return d;
    }
    d.result = std::move(result);
    const host::ImportResult& r = d.result;
    d.shape = view::shape_of(r.object.data(), r.object.size());
    d.frame = view::read_frame_header(r.frame_header);
    d.exit_status = r.status == 0 ? exits::kOk : r.status == 1 ? exits::kNothing : exits::kFailed;

    if (r.status == 0) {
        d.outcome = Outcome::Imported;
        d.lost = findings.lost();
        return d;
    }
    // The host's own failure (out of memory, a file that cannot be read) makes the import
    // failed even when the module also showed its alert; a drawing that ends too early is
    // refused like any other bad drawing.
    bool refused = !r.alerts.empty();
    std::optional<int32_t> host_failure;
    for (int32_t s : r.statuses) {
        refused = refused || module_status(s);
        if (!module_status(s) && s != KST_EOF && !host_failure) {
            host_failure = s;
        }
    }
    d.outcome = refused && !host_failure ? Outcome::Refused : Outcome::Failed;

    // Where the module stopped, when it was reading this drawing.
    if (r.last_read.last_byte >= 0 && r.last_read.path == path) {
        where::Place p;
        std::string err;
        if (where::locate(path, r.last_read.last_byte, &p, &err)) {
            d.place = p;
        }
    }
    if (host_failure) {
        d.reason = message_of(*host_failure);
        if (*host_failure == KST_NOMEMORY) {
            d.reason += " (a larger --memory-limit may let it through)";
        }
    } else if (!r.alerts.empty()) {
        d.reason = r.alerts.front().caption + ": " + r.alerts.front().text;
    } else if (!r.statuses.empty()) {
        d.reason = message_of(r.statuses.front());
    } else if (r.status == 1) {
        d.reason = "the module did nothing (status 1)";
    } else {
        d.reason = "the import failed (status " + std::to_string(r.status) + ")";
    }
    if (d.place) {
        d.reason += " at " + where::line_text(*d.place);
    }
    if (d.outcome == Outcome::Refused) {
        // The refusal found where the module stopped; else the first one, where it should have.
        const check::Refusal* cause = nullptr;
        for (const check::Refusal& f : findings.refusals) {
            if (d.place && f.line == d.place->line) {
                cause = &f;
                break;
            }
        }
        if (cause == nullptr && !findings.refusals.empty()) {
            cause = &findings.refusals.front();
        }
        if (cause != nullptr) {
            d.why = cause->why;
            d.fix = cause->fix;
        } else {
            cause_without_check(&d);
        }
    }
    return d;
}

void add_error(Drawing* d, const std::string& error) {
    d->errors.push_back(error);
    d->exit_status = exits::kFailed;
    if (d->outcome == Outcome::Imported) {
        d->outcome = Outcome::Failed;
        d->reason = error;
    }
}

std::vector<std::string> shown_lines(const Drawing& d) {
    std::vector<std::string> out;
    if (!d.ran) {
        return out;
    }
    const std::vector<host::Shown>& lines = d.result.lines;
    // The place goes after the first alert; without one, after the first message.
    std::size_t after = lines.size();
    for (std::size_t i = 0; i < lines.size() && after == lines.size(); ++i) {
        if (lines[i].alert) {
            after = i;
        }
    }
    if (after == lines.size() && !lines.empty()) {
        after = 0;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.push_back(lines[i].line);
        if (i == after && d.place) {
            out.push_back(where::at_line(d.drawing, *d.place));
        }
    }
    if (!d.why.empty()) {
        out.push_back("why: " + d.why);
    }
    if (!d.fix.empty()) {
        out.push_back("fix: " + d.fix);
    }
    return out;
}

std::vector<std::string> batch_lines(const Drawing& d) {
    std::vector<std::string> out;
    if (d.outcome == Outcome::Imported) {
        return out;
    }
    out.push_back(d.drawing + ": " + d.reason);
    if (!d.why.empty()) {
        out.push_back("  why: " + d.why);
    }
    if (!d.fix.empty()) {
        out.push_back("  fix: " + d.fix);
    }
    return out;
}

std::string lost_words(const check::Lost& lost) {
    std::string out;
    auto add = [&](std::size_t n, const char* what) {
        if (n > 0) {
            out += (out.empty() ? "" : ", ") + std::to_string(n) + " " + what;
        }
    };
    add(lost.passed_over, "passed over");
    add(lost.drawn_open, "drawn open");
    add(lost.drawn_straight, "drawn straight");
    add(lost.rotation_ignored, "rotation ignored");
    return out;
}

json::Value lost_json(const check::Lost& lost) {
    return {{"passed_over", lost.passed_over},
            {"drawn_open", lost.drawn_open},
            {"drawn_straight", lost.drawn_straight},
            {"rotation_ignored", lost.rotation_ignored}};
}

view::Object object_of(const Drawing& d) {
    if (!d.ran) {
        return view::Object{};
    }
    return view::read_object(d.result.object.data(), d.result.object.size());
}

std::string title_of(const Drawing& d) {
    if (d.frame.named && !d.frame.name.empty()) {
        return d.frame.name;
    }
    return std::filesystem::path(d.drawing).filename().string();
}

json::Value to_json(const Drawing& d) {
    const host::ImportResult& r = d.result;
    json::Value j;
    j["drawing"] = d.drawing;
    j["exit_status"] = d.exit_status;
    j["result"] = d.ran ? json::Value(r.status) : json::Value();
    j["outcome"] = outcome_name(d.outcome);
    j["reason"] = json::text_or_null(d.reason);
    j["why"] = json::text_or_null(d.why);
    j["fix"] = json::text_or_null(d.fix);
    json::Value alerts = json::Value::array();
    for (const hostk::Alert& a : r.alerts) {
        alerts.push_back({{"caption", a.caption}, {"text", a.text}, {"button", a.button}});
    }
    j["alerts"] = std::move(alerts);
    json::Value messages = json::Value::array();
    for (int32_t s : r.statuses) {
        messages.push_back({{"status", s}, {"text", hostk::status_message(s)}});
    }
    j["messages"] = std::move(messages);
    if (d.place) {
        const where::Place& p = *d.place;
        j["where"] = {{"file", d.drawing},
                      {"offset", p.offset},
                      {"line", p.line},
                      {"text", p.text},
                      {"group", p.value_line && where::is_group_code(p.code) ? json::Value(p.code)
                                                                             : json::Value()}};
    } else {
        j["where"] = nullptr;
    }
    j["lost"] = d.outcome == Outcome::Imported ? lost_json(d.lost) : json::Value();
    j["frame_name"] = d.ran && d.frame.named ? json::Value(d.frame.name) : json::Value();
    j["object"] = d.ran ? json::object(object_of(d)) : json::Value();
    j["errors"] = d.errors;
    return j;
}

} // namespace report
