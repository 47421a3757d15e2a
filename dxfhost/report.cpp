// report.cpp: turns one import's result into its outcome, its lines and its JSON report.
//
// Receives an ImportResult. The outcome follows what the user was told: an alert, or the
// module's own "invalid drawing" statuses (-1, -2), mean the module refused the drawing; a
// host status (file not found, out of memory, ...), even after an alert, or a command that did
// nothing means the import failed. A drawing that ends too early is refused. For a refused or
// failed import whose file the module read, the drawing is read again to name the line where the
// module stopped.
#include "dxfhost/report.h"

#include <filesystem>

namespace report {

namespace {

bool module_status(int32_t s) {
    return s == -1 || s == -2;
}

std::string message_of(int32_t status) {
    return hostk::status_message(status) + " (status " + std::to_string(status) + ")";
}

std::string place_text(const where::Place& p) {
    // The same text as the line after an alert, without its indentation and file.
    std::string at = where::at_line("", p);
    const std::string prefix = "  at :";
    return "line " + at.substr(prefix.size());
}

} // namespace

Drawing examine(const std::string& drawing, bool ran, host::ImportResult result,
                const std::string& host_error) {
    Drawing d;
    d.drawing = drawing;
    d.ran = ran;
    if (!ran) {
        d.kind = batch::Kind::Failed;
        d.reason = host_error;
        d.exit_status = 2;
        return d;
    }
    d.result = std::move(result);
    const host::ImportResult& r = d.result;
    d.object = view::read_object(r.object);
    d.frame = view::read_frame_header(r.frame_header);
    d.exit_status = r.status == 0 ? 0 : r.status == 1 ? 1 : 2; // as dxfhost exits

    if (r.status == 0) {
        d.kind = batch::Kind::Imported;
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
    d.kind = refused && !host_failure ? batch::Kind::Refused : batch::Kind::Failed;

    // Where the module stopped, when it was reading this drawing.
    if (r.last_read.last_byte >= 0 && r.last_read.path == drawing) {
        where::Place p;
        std::string err;
        if (where::locate(drawing, r.last_read.last_byte, &p, &err)) {
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
        d.reason += " at " + place_text(*d.place);
    }
    return d;
}

void add_error(Drawing* d, const std::string& error) {
    d->errors.push_back(error);
    d->exit_status = 2;
    if (d->kind == batch::Kind::Imported) {
        d->kind = batch::Kind::Failed;
        d->reason = error;
    }
}

std::vector<std::string> shown_lines(const Drawing& d) {
    std::vector<std::string> out;
    if (!d.ran) {
        return out;
    }
    const std::vector<std::string>& lines = d.result.lines;
    // The place goes after the first alert; without one, after the first message.
    std::size_t after = lines.size();
    for (std::size_t i = 0; i < lines.size() && after == lines.size(); ++i) {
        if (lines[i].rfind("alert: ", 0) == 0) {
            after = i;
        }
    }
    for (std::size_t i = 0; i < lines.size() && after == lines.size(); ++i) {
        if (lines[i].rfind("error: ", 0) == 0) {
            after = i;
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.push_back(lines[i]);
        if (i == after && d.place) {
            out.push_back(where::at_line(d.drawing, *d.place));
        }
    }
    return out;
}

std::string title_of(const Drawing& d) {
    if (d.frame.named && !d.frame.name.empty()) {
        return d.frame.name;
    }
    return std::filesystem::path(d.drawing).filename().string();
}

void write_json(json::Writer& w, const Drawing& d) {
    const host::ImportResult& r = d.result;
    w.begin_object();
    w.key("drawing").value(d.drawing);
    w.key("exit_status").value(d.exit_status);
    w.key("result");
    if (d.ran) {
        w.value(int64_t(r.status));
    } else {
        w.null();
    }
    w.key("outcome").value(batch::kind_name(d.kind));
    w.key("reason");
    if (d.reason.empty()) {
        w.null();
    } else {
        w.value(d.reason);
    }
    w.key("alerts").begin_array();
    for (const hostk::Alert& a : r.alerts) {
        w.begin_object()
            .key("caption")
            .value(a.caption)
            .key("text")
            .value(a.text)
            .key("button")
            .value(a.button)
            .end_object();
    }
    w.end_array();
    w.key("messages").begin_array();
    for (int32_t s : r.statuses) {
        w.begin_object()
            .key("status")
            .value(int64_t(s))
            .key("text")
            .value(hostk::status_message(s))
            .end_object();
    }
    w.end_array();
    w.key("where");
    if (d.place) {
        const where::Place& p = *d.place;
        w.begin_object();
        w.key("file").value(d.drawing);
        w.key("offset").value(int64_t(p.offset));
        w.key("line").value(uint64_t(p.line));
        w.key("text").value(p.text);
        w.key("group");
        if (p.value_line && where::is_group_code(p.code)) {
            w.value(p.code);
        } else {
            w.null();
        }
        w.end_object();
    } else {
        w.null();
    }
    w.key("frame_name");
    if (d.ran && d.frame.named) {
        w.value(d.frame.name);
    } else {
        w.null();
    }
    w.key("object");
    if (d.ran) {
        json::write_object(w, d.object);
    } else {
        w.null();
    }
    w.key("errors").begin_array();
    for (const std::string& e : d.errors) {
        w.value(e);
    }
    w.end_array();
    w.end_object();
}

} // namespace report
