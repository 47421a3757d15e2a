// calls.cpp: the call accounting of the stand-in kernel.
//
// Every service passes through enter(): it is counted (always), logged by name (when the log is
// on) and, when a test has armed a fault for it, told the status to fail with. The counters are
// a plain array indexed by service, so the count costs nothing on the hot read path. Also the
// notes the services take from what they see of the calls, the handle counter and hostk::reset,
// which resets every part.
#include <array>
#include <stdexcept>
#include <vector>

#include "internal.h"
#include "kernelctl.h"

namespace hostk {
namespace detail {
namespace {

constexpr std::size_t kServices = std::size_t(Service::count_);

constexpr std::array<const char*, kServices> kNames = {
    "emm_alloc",   "emm_write", "emm_ewrite", "emm_read",   "emm_eread",
    "emm_size",    "emm_resz",  "emm_ins",    "emm_indel",  "emm_rel",
    "fim_fopen",   "fim_fread", "fim_fseek",  "fim_ftell",  "fim_fclose",
    "fim_xfsel",   "set_spb",   "xmd_fframe", "fre_change", "dsm_ocreate",
    "dsm_odelete", "dom_mark",  "fom_alert",  "fom_stat",   "usi_mset"};

struct Fault {
    Service service;
    std::size_t first; // call number (of this service, since the last reset) that fails
    int32_t status;    // what the failing call returns
    bool every_after;  // that call and all later ones fail
};

std::vector<std::string> log;   // names of the calls, when logging is on
bool logging = false;           // whether calls are logged
std::vector<Fault> faults;      // armed faults
std::vector<std::string> notes; // signs of what the module could not do, in order
int32_t handle_counter = 0;     // last handle handed out

Service service_of(const std::string& name) {
    for (std::size_t i = 0; i < kServices; ++i) {
        if (name == kNames[i]) {
            return Service(i);
        }
    }
    throw std::invalid_argument("no kernel service is named '" + name + "'");
}

} // namespace

CallState calls;

static void update_slow() {
    calls.slow = logging || !faults.empty();
    if (calls.slow) {
        settle_reads(); // the short read neither logs nor fails
    }
}

int32_t enter_slow(Service s, std::size_t n) {
    if (logging) {
        log.emplace_back(kNames[std::size_t(s)]);
    }
    for (const Fault& f : faults) {
        if (f.service == s && (n == f.first || (f.every_after && n > f.first))) {
            return f.status;
        }
    }
    return 0;
}

void note(const std::string& text) {
    notes.push_back("note: " + text);
}

int32_t next_handle() {
    // Two billion handles between resets are far beyond any import; should it ever come to
    // that, the counter starts again rather than overflow.
    if (handle_counter == INT32_MAX) {
        handle_counter = 0;
    }
    return ++handle_counter;
}

void reset_calls() {
    calls = CallState{};
    log.clear();
    logging = false;
    faults.clear();
    notes.clear();
    handle_counter = 0;
}

} // namespace detail

void reset() {
    detail::reset_files();
    detail::reset_memory();
    detail::reset_frames();
    detail::reset_selector();
    detail::reset_alerts();
    detail::reset_calls();
}

void set_call_logging(bool on) {
    detail::logging = on;
    detail::update_slow();
}
const std::vector<std::string>& call_log() {
    return detail::log;
}
void clear_call_log() {
    detail::log.clear();
}

std::size_t call_count(const std::string& service) {
    detail::settle_reads(); // the short reads are counted when they end
    return detail::calls.counts[std::size_t(detail::service_of(service))];
}

void fail_call(const std::string& service, std::size_t nth, int32_t status, bool every_after) {
    if (nth == 0) {
        throw std::invalid_argument("fail_call counts calls from 1");
    }
    if (status == 0) {
        throw std::invalid_argument("a call cannot fail with status 0");
    }
    detail::Service s = detail::service_of(service);
    detail::settle_reads();
    if (s == detail::Service::set_spb || s == detail::Service::usi_mset) {
        throw std::invalid_argument(service + " has no status and cannot be made to fail");
    }
    detail::faults.push_back({s, detail::calls.counts[std::size_t(s)] + nth, status, every_after});
    detail::update_slow();
}

const std::vector<std::string>& notes() {
    return detail::notes;
}

void clear_faults() {
    detail::faults.clear();
    detail::update_slow();
}

} // namespace hostk
