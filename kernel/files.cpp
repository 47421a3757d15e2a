// files.cpp: the kernel's files (fim_fopen, fim_fread, fim_fseek, fim_ftell, fim_fclose).
//
// Files are opened for reading only, by name, and addressed by handle. Each open file reads
// through its own 64 KiB buffer: the import asks for one byte per call, so a call must cost
// what a buffered getc costs, not a system call. Positions are 32-bit; the position the caller
// sees is always exact (buffer start plus offset in it), and a seek that lands inside the
// buffer only moves that offset. Also remembers where the last byte delivered came from.
//
// The one-byte read of the file read last takes a short way: a pointer into its buffer, no
// lookup, no call log, no fault to look for. That way is open only while nothing else can
// change the answer (a file was just read, no call is logged, no fault is armed); every
// other call on files closes it first, and the next read through the long way opens it
// again. What the short way does not store on every call follows from the pointer: the
// file's offset, the number of calls it served (one byte each) and the last byte delivered
// (the one before it); closing it stores them.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "internal.h"
#include "kernelctl.h"

namespace hostk {
namespace detail {
namespace {

constexpr uint32_t kBufferSize = 64 * 1024;

struct File {
    uint32_t offset = 0;            // next byte to deliver, within buf (<= length)
    uint32_t length = 0;            // bytes valid in buf
    uint8_t* bytes = nullptr;       // buf.get()
    uint32_t start = 0;             // file position of buf[0]
    uint32_t size = 0;              // its size when opened, bytes
    std::FILE* f = nullptr;         // the open file; its position is start + length
    std::string path;               // the name it was opened by
    std::unique_ptr<uint8_t[]> buf; // kBufferSize bytes read ahead
};

std::unordered_map<int32_t, File> files; // open files by handle
int32_t cached_fh = 0;                   // the handle looked up last
File* cached = nullptr;                  // and its file
ReadPosition last;                       // where the last delivered byte came from
int32_t last_fh = 0;                     // handle of the file last.path names
File* quick = nullptr;                   // the file of the short read, or none
int32_t quick_fh = 0;                    // its handle (0, never a handle, while there is none)
const uint8_t* quick_next = nullptr;     // its next byte: its offset while the short read is open
const uint8_t* quick_end = nullptr;      // the end of its buffered bytes
const uint8_t* quick_from = nullptr;     // where quick_next stood when the short read opened

// Opens the short read on a file just read: its next bytes come straight from the buffer.
void open_quick(File* file, int32_t fh) {
    quick = file;
    quick_fh = fh;
    quick_from = quick_next = file->bytes + file->offset;
    quick_end = file->bytes + file->length;
}

// Closes the short read, giving back what it kept implicitly: the file's offset, the count
// of its calls (one byte each) and the position of the last byte delivered.
void close_quick() {
    if (quick == nullptr) {
        return;
    }
    calls.counts[std::size_t(Service::fim_fread)] += std::size_t(quick_next - quick_from);
    quick->offset = uint32_t(quick_next - quick->bytes);
    last.last_byte = int64_t(quick->start) + quick->offset - 1;
    quick = nullptr;
    quick_fh = 0;
    quick_next = quick_end = quick_from = nullptr;
}

// The offset of a file's next byte within its buffer.
uint32_t offset_of(const File& file) {
    return &file == quick ? uint32_t(quick_next - file.bytes) : file.offset;
}

File* find(int32_t fh) {
    if (fh == cached_fh && cached != nullptr) {
        return cached;
    }
    auto it = files.find(fh);
    if (it == files.end()) {
        return nullptr;
    }
    cached_fh = fh;
    cached = &it->second;
    return cached;
}

bool seek_to(std::FILE* f, uint32_t pos) {
#if defined(_WIN32)
    return _fseeki64(f, int64_t(pos), SEEK_SET) == 0;
#else
    return fseeko(f, off_t(pos), SEEK_SET) == 0;
#endif
}

void close_file(File& file) {
    if (file.f != nullptr) {
        std::fclose(file.f);
        file.f = nullptr;
    }
}

// Reads the next buffer's worth. 0 when bytes came, else KST_EOF or KST_READ.
int32_t refill(File& file) {
    file.start += file.length;
    file.offset = 0;
    file.length = uint32_t(std::fread(file.buf.get(), 1, kBufferSize, file.f));
    if (file.length > 0) {
        return 0;
    }
    return std::ferror(file.f) ? KST_READ : KST_EOF;
}

// Whether name is a file that can be read: 0 and its size, else KST_NOFILE or KST_OPEN.
int32_t check_file(const char* name, uint32_t* size) {
    if (name[0] == '\0') {
        return KST_NOFILE;
    }
    try {
        std::error_code ec;
        std::filesystem::path path(name);
        std::filesystem::file_status status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) {
            return KST_NOFILE;
        }
        // Directories, devices and pipes are not files to read a drawing from (a pipe would
        // also make the open wait for a writer).
        if (!std::filesystem::is_regular_file(status)) {
            return KST_OPEN;
        }
        std::uintmax_t n = std::filesystem::file_size(path, ec);
        if (ec || n > UINT32_MAX) {
            return KST_OPEN; // positions are 32-bit: a larger file cannot be read
        }
        *size = uint32_t(n);
        return 0;
    } catch (const std::exception&) {
        return KST_OPEN; // a name the system cannot even convert
    }
}

} // namespace

void settle_reads() {
    close_quick();
}

void reset_files() {
    close_quick();
    for (auto& entry : files) {
        close_file(entry.second);
    }
    files.clear();
    cached_fh = 0;
    cached = nullptr;
    last = ReadPosition{};
    last_fh = 0;
}

} // namespace detail
} // namespace hostk

using namespace hostk::detail;

int32_t fim_fopen(const char* name, int32_t mode, int32_t* pfh) {
    if (int32_t st = enter(Service::fim_fopen)) {
        return st;
    }
    if (name == nullptr || pfh == nullptr || mode != 0) {
        return KST_ARGUMENT;
    }
    close_quick();
    uint32_t size = 0;
    if (int32_t st = check_file(name, &size)) {
        return st;
    }
    std::FILE* f = std::fopen(name, "rb");
    if (f == nullptr) {
        return errno == ENOENT ? KST_NOFILE : KST_OPEN;
    }
    std::setvbuf(f, nullptr, _IONBF, 0); // the kernel buffers by itself
    int32_t fh = next_handle();
    File& file = files[fh];
    file.f = f;
    file.path = name;
    file.size = size;
    file.buf.reset(new uint8_t[kBufferSize]);
    file.bytes = file.buf.get();
    last = hostk::ReadPosition{file.path, -1};
    last_fh = fh;
    *pfh = fh;
    return 0;
}

namespace {

// Every read but the short one: counted and checked like any other call.
HOSTK_OUT_OF_LINE int32_t read_long(int32_t fh, uint32_t n, void* buf) {
    if (int32_t st = enter(Service::fim_fread)) {
        return st;
    }
    close_quick();
    File* file = find(fh);
    if (file == nullptr) {
        return KST_BADFILE;
    }
    if (n == 0) {
        return 0;
    }
    if (buf == nullptr) {
        return KST_ARGUMENT;
    }
    if (n > uint32_t(INT32_MAX)) {
        n = uint32_t(INT32_MAX); // the count read must fit the result
    }
    uint8_t* out = static_cast<uint8_t*>(buf);
    uint32_t done = 0;
    while (done < n) {
        if (file->offset == file->length) {
            int32_t st = refill(*file);
            if (st < 0) {
                if (done == 0) {
                    return st;
                }
                break;
            }
        }
        uint32_t take = std::min(n - done, file->length - file->offset);
        std::memcpy(out + done, file->bytes + file->offset, take);
        file->offset += take;
        done += take;
    }
    if (fh != last_fh) {
        last.path = file->path;
        last_fh = fh;
    }
    last.last_byte = int64_t(file->start) + file->offset - 1;
    if (!calls.slow) {
        open_quick(file, fh); // the next byte of this file may take the short way
    }
    return int32_t(done);
}

} // namespace

int32_t fim_fread(int32_t fh, uint32_t n, void* buf) {
    // The short way: one byte of the file read last, from its buffer.
    if (fh == quick_fh && n == 1 && buf != nullptr && quick_next < quick_end) {
        *static_cast<uint8_t*>(buf) = *quick_next++; // counted when the short read closes
        return 1;
    }
    return read_long(fh, n, buf);
}

int32_t fim_fseek(int32_t fh, uint32_t pos, int32_t mode) {
    if (int32_t st = enter(Service::fim_fseek)) {
        return st;
    }
    close_quick();
    File* file = find(fh);
    if (file == nullptr) {
        return KST_BADFILE;
    }
    // From the start the position is unsigned; from here or from the end it is a signed
    // distance (the 32 bits read as two's complement).
    int64_t target = 0;
    switch (mode) {
    case 0:
        target = int64_t(pos);
        break;
    case 1:
        target = int64_t(file->start) + file->offset + int32_t(pos);
        break;
    case 2:
        target = int64_t(file->size) + int32_t(pos);
        break;
    default:
        return KST_ARGUMENT;
    }
    if (target < 0 || target > int64_t(file->size)) {
        return KST_SEEK;
    }
    uint32_t t = uint32_t(target);
    if (t >= file->start && t - file->start <= file->length) {
        file->offset = t - file->start; // inside what is buffered
        return 0;
    }
    std::clearerr(file->f);
    if (!seek_to(file->f, t)) {
        return KST_SEEK;
    }
    file->start = t;
    file->length = 0;
    file->offset = 0;
    return 0;
}

namespace {

HOSTK_OUT_OF_LINE int32_t tell_long(int32_t fh, uint32_t* ppos) {
    if (int32_t st = enter(Service::fim_ftell)) {
        return st;
    }
    File* file = find(fh);
    if (file == nullptr) {
        return KST_BADFILE;
    }
    if (ppos == nullptr) {
        return KST_ARGUMENT;
    }
    *ppos = file->start + offset_of(*file);
    return 0;
}

} // namespace

int32_t fim_ftell(int32_t fh, uint32_t* ppos) {
    // The file of the short read: that way is open only while no call is logged and no fault
    // is armed, so the call is only counted.
    if (fh == quick_fh && quick != nullptr && ppos != nullptr) {
        ++calls.counts[std::size_t(Service::fim_ftell)];
        *ppos = quick->start + uint32_t(quick_next - quick->bytes);
        return 0;
    }
    return tell_long(fh, ppos);
}

int32_t fim_fclose(int32_t fh) {
    if (int32_t st = enter(Service::fim_fclose)) {
        return st;
    }
    close_quick();
    File* file = find(fh);
    if (file == nullptr) {
        return KST_BADFILE;
    }
    close_file(*file);
    files.erase(fh);
    cached_fh = 0;
    cached = nullptr;
    return 0;
}

namespace hostk {

ReadPosition last_read() {
    ReadPosition at = detail::last;
    if (detail::quick != nullptr) {
        at.last_byte = int64_t(detail::quick->start) + detail::offset_of(*detail::quick) - 1;
    }
    return at;
}
std::size_t open_files() {
    return detail::files.size();
}

} // namespace hostk
