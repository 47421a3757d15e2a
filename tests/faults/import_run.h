// import_run.h: one run of the import command as a host makes it, with a kernel service made
// to fail or not, what the run left behind, and the checks every run must pass: the frame's
// header block a valid frame header, its data block a sound object.
#ifndef TESTS_FAULTS_IMPORT_RUN_H
#define TESTS_FAULTS_IMPORT_RUN_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace faults {

using Bytes = std::vector<uint8_t>;

inline uint16_t u16(const Bytes& b, std::size_t off) {
    return uint16_t(b[off] | (b[off + 1] << 8));
}
inline uint32_t u32(const Bytes& b, std::size_t off) {
    return uint32_t(u16(b, off)) | (uint32_t(u16(b, off + 2)) << 16);
}
inline bool is(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

inline const char* const kInvalid = "Invalid DXF File";
inline const char* const kNot3d = "Not Supported";
inline const char* const kFrameName = "sweep.dxf";
constexpr uint32_t kDataBytes = 40; // the frame's data block before the import: a header and more

// A service that can be made to fail and the statuses it fails with, as the kernel's own do.
struct Service {
    const char* name;
    std::vector<int32_t> statuses;
};
extern const std::vector<Service> kServices; // every service with a status

// One run of the import command and what it left.
struct ImportRun {
    int32_t result = 0;
    std::vector<int32_t> shown;       // statuses handed to fom_stat
    std::vector<hostk::Alert> alerts; // alerts shown
    std::size_t alert_calls = 0;      // fom_alert calls, shown or failed
    std::size_t stat_calls = 0;       // fom_stat calls, shown or failed
    std::size_t fopen_calls = 0;      // fim_fopen calls
    int64_t last_byte = -1;           // the last byte of the file the module was given
    Bytes frh, dat;                   // the frame's header and data blocks afterwards
    bool frh_locked = false, dat_locked = false;
    std::size_t live_blocks = 0, open_files = 0, live_objects = 0;
    int marks = 0, mouse = -1;
    std::vector<std::size_t> counts; // calls of each service of kServices
};

// The data block's bytes before each import: its host header must survive every run.
inline uint8_t fill_byte(std::size_t i) {
    return uint8_t(0xA0 + i);
}

// Prepares a frame with a 40-byte data block of known bytes, chooses the file and runs the
// command once, with the fault armed when there is one. The kernel is not reset here; the
// module is initialised before the first run.
ImportRun import_once(const std::string& path, const char* service = nullptr, std::size_t nth = 0,
                      int32_t status = 0, bool every_after = false);

// Problems found, each with the run that showed it; printed at the end, a few of each drawing.
struct Findings {
    std::vector<std::string> all;
    void add(const std::string& why, const std::string& what) { all.push_back(why + ": " + what); }
};

// The frame header: FRH, nsub sub-entries, and when bit 0x80 is set a zero-terminated name.
void check_frame_header(const ImportRun& r, const std::string& why, Findings& f);

// The data block: at least the object header, the host's bytes of it kept; complete records
// whose nxtoff lie inside the block, then the terminator at its end (required when
// must_be_terminated). Returns whether the object is terminated.
bool check_object(const ImportRun& r, bool must_be_terminated, const std::string& why, Findings& f);

// A file of the test's temporary directory holding text; its path.
std::string write_file(const std::string& name, const std::string& text);

} // namespace faults

#endif
