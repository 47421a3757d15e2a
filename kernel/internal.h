// internal.h: what the parts of the stand-in kernel share and nothing outside it sees.
//
// Every service of host/kernel.h starts with enter(), which counts the call, logs it when the
// call log is on and answers with an injected failure status (or 0 when the call may go on).
// Handles of blocks, files and document objects come from one counter, so a handle of one kind
// is never mistaken for a handle of another.
#ifndef KERNEL_INTERNAL_H
#define KERNEL_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(__GNUC__) && !defined(_WIN32)
#define HOSTK_HIDDEN __attribute__((visibility("hidden")))
#else
#define HOSTK_HIDDEN
#endif

// Keeps the long way of a service out of line, so that its short way stays a few instructions
// with nothing to save.
#if defined(_MSC_VER)
#define HOSTK_OUT_OF_LINE __declspec(noinline)
#else
#define HOSTK_OUT_OF_LINE __attribute__((noinline))
#endif

namespace hostk {
namespace detail HOSTK_HIDDEN {

// The module-facing services, in the order of host/kernel.h.
enum class Service : int {
    emm_alloc,
    emm_write,
    emm_ewrite,
    emm_read,
    emm_eread,
    emm_size,
    emm_resz,
    emm_ins,
    emm_indel,
    emm_rel,
    fim_fopen,
    fim_fread,
    fim_fseek,
    fim_ftell,
    fim_fclose,
    fim_xfsel,
    set_spb,
    xmd_fframe,
    fre_change,
    dsm_ocreate,
    dsm_odelete,
    dom_mark,
    fom_alert,
    fom_stat,
    usi_mset,
    count_ // number of services
};

// What enter() looks at on every call (calls.cpp owns it).
struct CallState {
    std::size_t counts[std::size_t(Service::count_)] = {}; // calls of each service since reset
    bool slow = false; // the call log is on or a fault is armed: enter_slow must look
};
extern CallState calls;

// Logs the call and finds an armed fault for it: the status to fail with, else 0.
int32_t enter_slow(Service s, std::size_t n);

// Counts the call (and logs it, when the log is on); returns the injected status when this
// call is to fail, else 0. Inline: fim_fread passes here once per byte of the drawing.
inline int32_t enter(Service s) {
    std::size_t n = ++calls.counts[std::size_t(s)];
    return calls.slow ? enter_slow(s, n) : 0;
}

// Records a note (calls.cpp): a sign, seen in the calls, of something the module could not do
// and had no way to say (a resource or string it could not load). Notes are not shown as they
// come: the host program reads them with hostk::notes().
void note(const std::string& text);

// Closes the short way of the one-byte read (files.cpp), which neither counts, logs nor fails
// its calls one by one: before the counts are read and before a call may be logged or fail.
void settle_reads();

// A new handle: positive, never 0, never handed out twice between two resets.
int32_t next_handle();

// Blocks made and dropped by the kernel itself (no service call is counted): a new unlocked
// block of n bytes, copied from src or zero when src is null (its handle, or a negative
// status), and the release of a block whatever its accesses.
int32_t new_block(const uint8_t* src, std::size_t n);
void drop_block(int32_t h);

// Resets of the parts (calls.cpp runs them all from hostk::reset).
void reset_calls();
void reset_memory();
void reset_files();
void reset_frames();
void reset_selector();
void reset_alerts();

// Lines for the user (alerts.cpp): to the sink, or to standard error.
void emit(const std::string& line);

} // namespace HOSTK_HIDDEN
} // namespace hostk

#endif
