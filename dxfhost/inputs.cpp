// inputs.cpp: opens the folders of a command line into their drawings (see inputs.h).
#include "dxfhost/inputs.h"

#include <algorithm>
#include <filesystem>

namespace inputs {

namespace {

namespace fs = std::filesystem;

bool ends_in_dxf(const fs::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) {
        c = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return ext == ".DXF";
}

// The drawings under the folder, in name order (a folder's name orders it among its
// neighbours, its contents follow in their own order). False, with the reason, when the folder
// or one of its subfolders cannot be read.
bool drawings_in(const std::string& folder, std::vector<fs::path>* found, std::string* err) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (ends_in_dxf(it->path()) && it->is_regular_file(kind)) {
            found->push_back(it->path());
        }
    }
    if (ec) {
        *err = "cannot read the folder '" + folder + "': " + ec.message();
        return false;
    }
    std::sort(found->begin(), found->end());
    return true;
}

} // namespace

Expanded expand(const std::vector<std::string>& named) {
    Expanded x;
    for (const std::string& name : named) {
        std::error_code ec;
        if (name == "-" || ends_in_dxf(name) || !fs::is_directory(name, ec)) {
            x.drawings.push_back(name);
            continue;
        }
        std::vector<fs::path> found;
        if (!drawings_in(name, &found, &x.error)) {
            x.status = Status::Unreadable;
            return x;
        }
        if (found.empty()) {
            x.status = Status::NoDrawings;
            x.error =
                "the folder '" + name + "' holds no drawing (no file whose name ends in .dxf)";
            return x;
        }
        for (const fs::path& p : found) {
            x.drawings.push_back(p.string());
        }
    }
    return x;
}

} // namespace inputs
