// kernelctl.h: the stand-in kernel's controls, for the host program and the tests.
//
// The module sees only host/kernel.h. What a real host decides on its own (which frame is the
// target, what the user picks in the file selector, how much memory there is) is set here, and
// what the module did (alerts, status messages, the calls it made) can be read back here.
#ifndef KERNEL_KERNELCTL_H
#define KERNEL_KERNELCTL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../host/kernel.h"

namespace hostk {

// Drops every block, file, object and frame, the logs and the faults; the memory limit and
// every answer go back to their defaults (call logging and moving on resize off, no target
// frame, fre_change 0, the selector cancelled). The paths block and its sort modes are kept, as
// a host keeps them across imports, and so is the output sink.
KERNEL_API void reset();

// Memory: the limit covers the bytes of all live blocks together (default 256 MiB). Under
// AddressSanitizer a block's bytes can be touched only while an access is open, and never past
// its size: a stale address is reported where it is used.
constexpr std::size_t kDefaultMemoryLimit = std::size_t(256) << 20;
KERNEL_API void set_memory_limit(std::size_t bytes);
KERNEL_API std::size_t memory_in_use(); // bytes of all live blocks (sizes, not capacities)
KERNEL_API std::size_t live_blocks();   // number of live blocks
KERNEL_API bool block_exists(int32_t h);
KERNEL_API bool block_locked(int32_t h); // open for reading or writing
// A copy of a block's bytes (empty when there is no such block).
KERNEL_API std::vector<uint8_t> block_bytes(int32_t h);
// A block's bytes where they lie, to read what the module left without copying it (null and 0
// when there is no such block). Valid until the block is resized or freed or the kernel is
// reset; the bytes must not be written. Under AddressSanitizer they stay readable until then.
struct BlockView {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
};
KERNEL_API BlockView block_view(int32_t h);
// Creates an unlocked block holding these bytes; returns its handle (negative on failure).
KERNEL_API int32_t make_block(const std::vector<uint8_t>& bytes);
// Bytes allocated for all live blocks: their sizes and the capacity kept behind them.
KERNEL_API std::size_t memory_reserved();
// With on, every resize (emm_resz, emm_ins, emm_indel) moves the block to a new address, so
// that an address kept across a resize is caught (under AddressSanitizer). Off by default.
KERNEL_API void set_move_on_resize(bool on);
// How often a block's bytes moved to a new address since the last reset.
KERNEL_API std::size_t block_moves();

// Frames: a frame is a header block (FRH, nsub sub-entries, optional name) and a data block.
struct Frame {
    int32_t hfrh = 0; // frame header block
    int32_t hdat = 0; // data block
};
// A new frame: header block of 56 zero bytes (nsub 0), data block of data_size zero bytes
// (24 by default: an object header of zero bytes). It becomes the target frame. Both handles
// are 0 when the memory limit refuses the blocks.
KERNEL_API Frame create_frame(uint32_t data_size = 24);
KERNEL_API void set_target_frame(const Frame& frame);  // the frame that xmd_fframe describes
KERNEL_API void clear_target_frame();                  // xmd_fframe answers 1 (no frame)
KERNEL_API void set_fre_change_result(int32_t result); // 0 by default
KERNEL_API int marks(int32_t hfrh);                    // how often dom_mark marked this frame
KERNEL_API std::size_t live_objects();                 // document objects not deleted

// File selector: the next fim_xfsel chooses this file (its path and name, and the
// sort mode it writes back), or is cancelled. With no answer set, it is cancelled.
KERNEL_API void set_selection(const std::string& fspec, const std::string& name, int16_t sort = 0);
KERNEL_API void set_selection_cancel();
// What the last fim_xfsel was handed (ran is false when none ran since the last reset).
struct SelectorView {
    bool ran = false;                    // a selection ran
    std::string heading;                 // its heading
    std::string path;                    // the start path it was given
    std::string default_ext;             // the default extension
    std::vector<std::string> extensions; // the extension entries
    uint16_t flags = 0;                  // the flags of the block
    int16_t sort = 0;                    // the sort mode it was handed
};
KERNEL_API SelectorView last_selector();

// What the user was shown.
struct Alert {
    std::string caption; // the dialog's caption
    std::string text;    // the text of its static control
    std::string button;  // the text of its push button
};
KERNEL_API const std::vector<Alert>& alerts();
KERNEL_API const std::vector<int32_t>& shown_statuses(); // every status given to fom_stat
KERNEL_API std::string status_message(int32_t status);   // the message fom_stat shows
// Where alerts and messages go: by default one line on standard error,
// "alert: <caption>: <text>" and "error: <message> (status <n>)". A sink replaces that.
using Sink = std::function<void(const std::string& line)>;
KERNEL_API void set_output_sink(Sink sink); // an empty sink restores standard error
KERNEL_API int32_t mouse_form();            // last form set by usi_mset (-1 when never set)

// Service names that are not those of kernel.h throw std::invalid_argument below.
// Call log: the name of every kernel service called, in order ("emm_resz", "fim_fread", ...).
KERNEL_API void set_call_logging(bool on); // off by default (reads are many)
KERNEL_API const std::vector<std::string>& call_log();
KERNEL_API void clear_call_log();
KERNEL_API std::size_t call_count(const std::string& service); // counted even with logging off

// Fault injection: the nth call (1-based, counted from when the fault is set) of the named
// service fails with status, without doing anything; with every_after, that call and all later
// ones fail. The status must not be 0; a positive one is returned as it is (fre_change refusing
// with 1, say).
// set_spb and usi_mset have no status and cannot be made to fail.
KERNEL_API void fail_call(const std::string& service, std::size_t nth, int32_t status,
                          bool every_after = false);
KERNEL_API void clear_faults();

// What the module could not do and had no way to say, as the calls show it: the status that
// follows the module's 3-D alert (-2) given to fom_stat when no alert was asked for (the module
// could not find the alert's dialog template), and a file selector handed an empty heading (it
// could not load the heading string). One "note: ..." line each, in order, until the next reset;
// they do not go to the output sink.
KERNEL_API const std::vector<std::string>& notes();

// Where the module was reading: the file and the offset of the last byte that fim_fread
// delivered from it (-1 when none). Kept after the file is closed, until the next fim_fopen.
struct ReadPosition {
    std::string path;
    int64_t last_byte = -1;
};
KERNEL_API ReadPosition last_read();

// Open files (for leak checks).
KERNEL_API std::size_t open_files();

} // namespace hostk

#endif
