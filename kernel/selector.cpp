// selector.cpp: the kernel's file selector (fim_xfsel) and the system paths block (set_spb).
//
// No user sits in front of the stand-in: the host program (or a test) says beforehand what the
// next selection answers, a chosen file or a cancel. The selector checks the parameter block it
// is handed, records what it would have shown, and writes the choice through the block.
#include <cstring>
#include <filesystem>
#include <optional>

#include "internal.h"
#include "kernelctl.h"

namespace hostk {
namespace detail {
namespace {

constexpr std::size_t kPathLen = 260; // bytes of a path or name buffer, terminator included

struct Choice {
    std::string fspec; // path and name
    std::string name;  // the file's name
    int16_t sort;      // sort mode written back
};

std::optional<Choice> answer; // the next selection; none: cancelled
SelectorView shown;           // what the last selection showed
SPB paths{};                  // the host's system paths block
bool paths_ready = false;     // whether paths has been filled

// Copies text into a buffer of kPathLen bytes, cut to fit, always terminated.
void copy_bounded(void* dst, const std::string& text) {
    std::size_t n = std::min(text.size(), kPathLen - 1);
    std::memcpy(dst, text.data(), n);
    static_cast<char*>(dst)[n] = '\0';
}

// Text of a buffer of kPathLen bytes, up to its terminator (or its end).
std::string read_bounded(const char* src) {
    std::size_t n = 0;
    while (n < kPathLen && src[n] != '\0') {
        ++n;
    }
    return std::string(src, n);
}

void fill_paths() {
    // A plausible place for drawings: the directory the host runs in.
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    if (ec) {
        dir = ".";
    }
    char sep = std::filesystem::path::preferred_separator;
    if (dir.empty() || dir.back() != sep) {
        dir += sep;
    }
    copy_bounded(paths.paths[7], dir);
    paths_ready = true;
}

} // namespace

void reset_selector() {
    answer.reset();
    shown = SelectorView{};
}

} // namespace detail
} // namespace hostk

using namespace hostk::detail;

int32_t fim_xfsel(XFSPB* p) {
    if (int32_t st = enter(Service::fim_xfsel)) {
        return st;
    }
    if (p == nullptr || p->pfname == nullptr || p->pfspec == nullptr || p->ppath == nullptr ||
        p->phd == nullptr || p->next < 0 || (p->next > 0 && p->pext == nullptr)) {
        return KST_ARGUMENT;
    }
    shown = hostk::SelectorView{};
    shown.heading = read_bounded(p->phd);
    if (shown.heading.empty()) {
        note("the file selector was given an empty heading: the module could not load it from "
             "its string table (LoadStringA)");
    }
    shown.path = read_bounded(p->ppath);
    if (p->pdefext != nullptr) {
        shown.default_ext = read_bounded(p->pdefext);
    }
    for (int16_t i = 0; i < p->next; ++i) {
        shown.extensions.push_back(read_bounded(p->pext[i]));
    }
    shown.flags = p->flags;
    shown.sort = p->sort;
    shown.ran = true;
    if (!answer) {
        return 1; // cancelled
    }
    copy_bounded(p->pfspec, answer->fspec);
    copy_bounded(p->pfname, answer->name);
    p->sort = answer->sort;
    answer.reset();
    return 0;
}

SPB* set_spb(void) {
    enter(Service::set_spb);
    if (!paths_ready) {
        fill_paths();
    }
    return &paths;
}

namespace hostk {

void set_selection(const std::string& fspec, const std::string& name, int16_t sort) {
    detail::answer = detail::Choice{fspec, name, sort};
}

void set_selection_cancel() {
    detail::answer.reset();
}

SelectorView last_selector() {
    return detail::shown;
}

} // namespace hostk
