// alerts.cpp: what the kernel shows the user (fom_alert, fom_stat) and the mouse form
// (usi_mset).
//
// An alert arrives as a dialog template; the stand-in reads its caption, the text of its static
// control and the text of its push button, records them and prints one line. A status arrives
// as a number; the kernel prints its own message for it. Both lines go to the sink the host
// program or a test set, or to standard error.
#include <cstdio>

#include "dlgtemplate.h"
#include "internal.h"
#include "kernelctl.h"

namespace hostk {
namespace detail {
namespace {

std::vector<Alert> shown_alerts; // every alert shown since the last reset
std::vector<int32_t> statuses;   // every status given to fom_stat
Sink sink;                       // where lines go; empty: standard error
int32_t form = -1;               // the last mouse form, -1 when none was set

constexpr uint32_t kButtonTypeMask = 0x000F; // low bits of a button's style: its kind
constexpr uint32_t kDefPushButton = 0x0001;  // kinds 0 and 1 are push buttons

// The alert as the user would see it: the caption, the first static control with text, the
// first push button (plain or default).
Alert read_alert(const DialogTemplate& t) {
    Alert a;
    a.caption = t.caption;
    bool have_text = false;
    bool have_button = false;
    for (const DialogControl& c : t.controls) {
        if (!have_text && c.cls_atom == kAtomStatic && c.ordinal < 0) {
            a.text = c.text;
            have_text = true;
        }
        uint32_t kind = c.style & kButtonTypeMask;
        if (!have_button && c.cls_atom == kAtomButton && kind <= kDefPushButton) {
            a.button = c.text;
            have_button = true;
        }
    }
    return a;
}

} // namespace

void emit(const std::string& line) {
    if (sink) {
        sink(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

void reset_alerts() {
    shown_alerts.clear();
    statuses.clear();
    form = -1;
}

} // namespace detail
} // namespace hostk

using namespace hostk::detail;

int32_t fom_alert(int32_t mode, const void* tmpl) {
    if (int32_t st = enter(Service::fom_alert)) {
        return st;
    }
    if (mode != -1 || tmpl == nullptr) {
        return KST_ARGUMENT;
    }
    hostk::DialogTemplate t;
    std::string err;
    if (!hostk::parse_dialog_template(tmpl, hostk::kAlertTemplateMax, &t, &err)) {
        emit("alert: (unreadable dialog template: " + err + ")");
        return KST_ARGUMENT;
    }
    hostk::Alert a = read_alert(t);
    shown_alerts.push_back(a);
    emit("alert: " + a.caption + ": " + a.text);
    // The user can only dismiss the alert: the answer is its push button's identifier.
    for (const hostk::DialogControl& c : t.controls) {
        if (c.cls_atom == hostk::kAtomButton && c.text == a.button) {
            return c.id;
        }
    }
    return 0;
}

int32_t fom_stat(int32_t status) {
    if (int32_t st = enter(Service::fom_stat)) {
        return st;
    }
    statuses.push_back(status);
    // -2 always follows the module's 3-D alert (-1 also ends a header with a variable of a later
    // version, which has no alert).
    if (status == -2 && calls.counts[std::size_t(Service::fom_alert)] == 0) {
        note("the module ended on status " + std::to_string(status) +
             ", which it gives after its alert, but showed no alert: it could not find the "
             "alert's dialog template among its resources (FindResourceA)");
    }
    emit("error: " + hostk::status_message(status) + " (status " + std::to_string(status) + ")");
    return 0;
}

void usi_mset(int32_t f) {
    enter(Service::usi_mset);
    form = f;
}

namespace hostk {

std::string status_message(int32_t status) {
    switch (status) {
    case KST_BADHANDLE:
        return "invalid memory handle";
    case KST_NOMEMORY:
        return "out of memory";
    case KST_ACCESS:
        return "memory block not open for this access";
    case KST_RANGE:
        return "offset outside the memory block";
    case KST_NOFILE:
        return "file not found";
    case KST_OPEN:
        return "file cannot be opened";
    case KST_BADFILE:
        return "invalid file handle";
    case KST_EOF:
        return "unexpected end of file";
    case KST_READ:
        return "file cannot be read";
    case KST_SEEK:
        return "position outside the file";
    case KST_NOOBJECT:
        return "invalid object handle";
    case KST_OBJTYPE:
        return "object type cannot be created";
    case KST_NOFRAME:
        return "no such frame";
    case KST_ARGUMENT:
        return "invalid argument";
    case KST_NOSELECT:
        return "file selector not available";
    default:
        return "the operation failed";
    }
}

const std::vector<Alert>& alerts() {
    return detail::shown_alerts;
}
const std::vector<int32_t>& shown_statuses() {
    return detail::statuses;
}
void set_output_sink(Sink s) {
    detail::sink = std::move(s);
}
int32_t mouse_form() {
    return detail::form;
}

} // namespace hostk
