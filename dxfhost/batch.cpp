// batch.cpp: names outputs, fits progress lines and lays out the summary of many imports.
//
// Receives drawings' names and the outcomes of their imports; hands on text. Nothing here
// touches the kernel or the files: the caller writes what this gives.
#include "dxfhost/batch.h"

#include <algorithm>

#include "dxfhost/utf8.h"

namespace batch {

std::string summary_table(const std::vector<Row>& rows) {
    const std::string h_drawing = "drawing", h_outcome = "outcome", h_records = "records";
    std::size_t w_drawing = h_drawing.size();
    std::size_t w_records = h_records.size();
    for (const Row& r : rows) {
        w_drawing = std::max(w_drawing, utf8::columns(r.drawing));
        w_records = std::max(w_records, std::to_string(r.records).size());
    }
    const std::size_t w_outcome = std::string("imported").size();
    auto pad = [](const std::string& s, std::size_t w) {
        const std::size_t c = utf8::columns(s);
        return s + std::string(w > c ? w - c : 0, ' ');
    };
    auto pad_left = [](const std::string& s, std::size_t w) {
        return std::string(w > s.size() ? w - s.size() : 0, ' ') + s;
    };
    auto row_line = [&](const std::string& d, const std::string& o, const std::string& n,
                        const std::string& why) {
        std::string line =
            pad(d, w_drawing) + "  " + pad(o, w_outcome) + "  " + pad_left(n, w_records);
        if (!why.empty()) {
            line += "  " + why;
        }
        return line + "\n";
    };

    std::string out = row_line(h_drawing, h_outcome, h_records, "notes");
    std::size_t counts[3] = {0, 0, 0};
    for (const Row& r : rows) {
        ++counts[int(r.outcome)];
        out += row_line(r.drawing, report::outcome_name(r.outcome), std::to_string(r.records),
                        r.notes);
    }
    out += std::to_string(rows.size()) + (rows.size() == 1 ? " drawing: " : " drawings: ") +
           std::to_string(counts[0]) + " imported, " + std::to_string(counts[1]) + " refused, " +
           std::to_string(counts[2]) + " failed\n";
    return out;
}

std::string output_stem(const std::string& drawing, std::set<std::string>* taken) {
    std::string name = drawing;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    if (name.empty() || name == "." || name == "..") {
        name = "drawing";
    }
    std::string stem = name;
    for (int n = 2; taken->count(stem) != 0; ++n) {
        stem = name + "-" + std::to_string(n);
    }
    taken->insert(stem);
    return stem;
}

std::string progress_line(std::size_t i, std::size_t n, const std::string& drawing,
                          std::size_t columns) {
    const std::string count = std::to_string(n);
    std::string index = std::to_string(i);
    index.insert(0, count.size() > index.size() ? count.size() - index.size() : 0, ' ');
    std::string line = "[" + index + "/" + count + "] importing ";
    // Keep the end of a long name: it is the part that tells drawings apart.
    const std::size_t room = columns > line.size() + 1 ? columns - line.size() - 1 : 0;
    if (drawing.size() <= room) {
        line += drawing;
    } else if (room > 3) {
        line += "..." + drawing.substr(drawing.size() - (room - 3));
    }
    return line;
}

} // namespace batch
