// batch_item.cpp: one drawing's item of a batch, and its message form (see batch_item.h).
#include "dxfhost/batch_item.h"

#include "dxfhost/imports.h"
#include "dxfhost/json.h"
#include "dxfhost/wire.h"

namespace batch {

Item make_item(report::Drawing& d, const session::Settings& s, const outputs::FolderFiles* files) {
    const bool written = files != nullptr && session::write_folder_outputs(d, s, *files);
    Item item;
    if (!s.quiet) {
        for (const std::string& line : report::batch_lines(d)) {
            item.err += line + "\n";
        }
        // The reason of a drawing that is no file already tells its first error.
        for (std::size_t k = d.readable ? 0 : 1; k < d.errors.size(); ++k) {
            item.err += d.drawing + ": dxfhost: " + d.errors[k] + "\n";
        }
    }
    if (s.dump) {
        item.out = "# " + d.drawing + "\n";
        if (d.ran) {
            item.out += session::dump_text(d);
        }
    }
    if (s.json) {
        item.report = json::dump(report::to_json(d));
    }
    item.entry = sheet::entry_of(d, written);
    if (files != nullptr) {
        item.entry.files = *files;
    }
    return item;
}

Item failed_item(const std::string& drawing, const std::string& path, const std::string& reason,
                 const session::Settings& s) {
    report::Drawing d =
        report::examine(drawing, path, false, host::ImportResult{}, reason, check::Findings{});
    return make_item(d, s, nullptr);
}

std::string encode(const Item& item) {
    const sheet::Entry& e = item.entry;
    std::string m;
    wire::put(&m, item.err);
    wire::put(&m, item.out);
    wire::put(&m, item.report);
    wire::put(&m, e.drawing);
    wire::put(&m, e.written ? 1 : 0);
    wire::put(&m, uint64_t(e.outcome));
    wire::put(&m, uint64_t(e.exit_status));
    wire::put(&m, e.records);
    wire::put(&m, e.reason);
    wire::put(&m, e.why);
    wire::put(&m, e.fix);
    for (std::size_t n :
         {e.lost.passed_over, e.lost.drawn_open, e.lost.drawn_straight, e.lost.rotation_ignored}) {
        wire::put(&m, n);
    }
    wire::put(&m, e.errors.size());
    for (const std::string& error : e.errors) {
        wire::put(&m, error);
    }
    return m;
}

bool decode(const std::string& message, Item* item) {
    wire::Reader r(message);
    Item it;
    sheet::Entry& e = it.entry;
    it.err = r.text();
    it.out = r.text();
    it.report = r.text();
    e.drawing = r.text();
    e.written = r.number() != 0;
    const uint64_t outcome = r.number();
    e.outcome = outcome <= 2 ? report::Outcome(outcome) : report::Outcome::Failed;
    e.exit_status = int(r.number() & 0xFF);
    e.records = std::size_t(r.number());
    e.reason = r.text();
    e.why = r.text();
    e.fix = r.text();
    e.lost.passed_over = std::size_t(r.number());
    e.lost.drawn_open = std::size_t(r.number());
    e.lost.drawn_straight = std::size_t(r.number());
    e.lost.rotation_ignored = std::size_t(r.number());
    const uint64_t errors = r.number();
    for (uint64_t k = 0; k < errors && r.ok(); ++k) {
        e.errors.push_back(r.text());
    }
    if (!r.ok() || !r.at_end() || outcome > 2) {
        return false;
    }
    *item = std::move(it);
    return true;
}

} // namespace batch
