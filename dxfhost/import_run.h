// import_run.h: one import of one drawing, start to end, with everything it left behind.
//
// Receives a loaded module and a drawing's path. Sets up a fresh host (kernel reset, memory
// limit, a new target frame of 24 zero bytes, the file selector answering with the drawing),
// runs the module's import command and hands on its status, what the user was shown, and the
// frame's header and data blocks as the import left them: the data block (the object, which may
// be large) is read where it lies in the kernel, so a result is read before the next import.
#ifndef DXFHOST_IMPORT_RUN_H
#define DXFHOST_IMPORT_RUN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dxfhost/plugin.h"
#include "kernel/kernelctl.h"

namespace host {

struct ImportOptions {
    std::size_t memory_limit = hostk::kDefaultMemoryLimit; // bytes the host's blocks may hold
    bool echo = true; // alert and message lines also go to standard error as they come
};

// One line the user was shown: an alert, or the host's message for a status.
struct Shown {
    bool alert = false; // an alert (else the host's message)
    std::string line;   // "alert: CAPTION: TEXT", "error: MESSAGE (status N)" or "note: ..."
};

// The bytes of a block as an import left them: read in place from the kernel, without a copy
// (valid until the next import resets the host), or held here (as tests and saved objects give
// them).
class BlockBytes {
  public:
    BlockBytes() = default;
    BlockBytes(std::vector<uint8_t> bytes) : own_(std::move(bytes)), owned_(true) {}
    static BlockBytes in_place(const uint8_t* data, std::size_t size) {
        BlockBytes b;
        b.owned_ = false;
        b.data_ = data;
        b.size_ = size;
        return b;
    }
    const uint8_t* data() const { return owned_ ? own_.data() : data_; }
    std::size_t size() const { return owned_ ? own_.size() : size_; }
    bool empty() const { return size() == 0; }
    // Makes the bytes this result's own, for a result kept past the next import.
    void keep() {
        if (!owned_) {
            own_.assign(data_, data_ + size_);
            owned_ = true;
        }
    }

  private:
    std::vector<uint8_t> own_;
    bool owned_ = true;
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

struct ImportResult {
    int32_t status = -1;               // the import command's result: 0, 1 or -1
    std::vector<Shown> lines;          // the alert and message lines, in order
    std::vector<hostk::Alert> alerts;  // the alerts shown
    std::vector<int32_t> statuses;     // the statuses shown by the host's message
    BlockBytes object;                 // the frame's data block afterwards, read in place
    std::vector<uint8_t> frame_header; // the frame's header block afterwards
    hostk::ReadPosition last_read;     // where the module stopped reading
};

// Runs one import of drawing (its path as given; the name the selector gives
// is name, or the file name of the path when name is empty). False, with the reason in *err, when
// the host cannot make the frame; the module's own failures are in the result's status, lines and
// statuses.
bool run_import(Plugin& plugin, const std::string& drawing, const std::string& name,
                const ImportOptions& options, ImportResult* result, std::string* err);

} // namespace host

#endif
