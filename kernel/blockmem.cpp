// blockmem.cpp: the memory behind the kernel's blocks (see blockmem.h).
//
// Runs of at least kMapped bytes are anonymous mappings on Linux: growing one remaps its pages
// instead of copying them into a second run, which would hold the block twice for a moment
// (a 32 MiB object growing past its capacity would be resident twice over, 64 MiB). Under
// AddressSanitizer every run comes from the heap, whose freed runs the sanitizer watches: an
// address kept across a move is then reported where it is used.
#include "blockmem.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BLOCKMEM_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BLOCKMEM_ASAN 1
#endif

#if defined(__linux__) && !defined(BLOCKMEM_ASAN)
#define BLOCKMEM_MAPS 1
#include <sys/mman.h>
#endif

namespace hostk {
namespace detail {
namespace {

#if defined(BLOCKMEM_MAPS)
constexpr std::size_t kMapped = std::size_t(1) << 20; // runs this large are mappings

bool mapped(std::size_t cap) {
    return cap >= kMapped;
}

uint8_t* map_run(std::size_t cap) {
    void* p = mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}
#endif

// A run of cap bytes, from the heap or mapped as its size says; null when there is no memory.
uint8_t* new_run(std::size_t cap) {
#if defined(BLOCKMEM_MAPS)
    if (mapped(cap)) {
        return map_run(cap);
    }
#endif
    return new (std::nothrow) uint8_t[cap];
}

void free_run(uint8_t* bytes, std::size_t cap) {
    if (bytes == nullptr) {
        return;
    }
#if defined(BLOCKMEM_MAPS)
    if (mapped(cap)) {
        munmap(bytes, cap);
        return;
    }
#endif
    (void)cap;
    delete[] bytes;
}

} // namespace

Memory Memory::make(std::size_t cap) {
    Memory m;
    m.bytes_ = new_run(cap);
    m.capacity_ = m.bytes_ != nullptr ? cap : 0;
    return m;
}

bool Memory::resize(std::size_t cap, std::size_t keep) {
#if defined(BLOCKMEM_MAPS)
    if (bytes_ != nullptr && mapped(capacity_) && mapped(cap)) {
        void* p = mremap(bytes_, capacity_, cap, MREMAP_MAYMOVE);
        if (p == MAP_FAILED) {
            return false;
        }
        bytes_ = static_cast<uint8_t*>(p);
        capacity_ = cap;
        return true;
    }
#endif
    uint8_t* fresh = new_run(cap);
    if (fresh == nullptr) {
        return false;
    }
    if (keep > 0) {
        std::memcpy(fresh, bytes_, keep);
    }
    free_run(bytes_, capacity_);
    bytes_ = fresh;
    capacity_ = cap;
    return true;
}

void Memory::release() {
    free_run(bytes_, capacity_);
    bytes_ = nullptr;
    capacity_ = 0;
}

} // namespace detail
} // namespace hostk
