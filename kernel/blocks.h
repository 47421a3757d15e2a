// blocks.h: the kernel's memory blocks as the parts of memory.cpp and memory_calls.cpp share
// them: a block's bytes, size and accesses, the blocks by handle, the sums the limit is kept
// by, and the steps that look a block up and grow it in place (inline: the record writer
// grows one block many thousand times in a row). Nothing outside the kernel sees it.
#ifndef KERNEL_BLOCKS_H
#define KERNEL_BLOCKS_H

#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "blockmem.h"
#include "internal.h"
#include "kernelctl.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define HOSTK_ASAN 1
#endif
#if defined(HOSTK_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace hostk {
namespace detail HOSTK_HIDDEN {
namespace mem {

constexpr std::size_t kMinCapacity = 16; // an empty block still has an address

struct Block {
    Memory bytes;      // bytes.capacity() bytes; the first size of them are the block
    uint32_t size = 0; // bytes the caller sees
    int writers = 0;   // open write accesses
    int readers = 0;   // open read accesses
};

extern std::unordered_map<int32_t, Block> blocks; // live blocks by handle
extern std::size_t in_use;                        // sum of the live blocks' sizes
extern std::size_t reserved;                      // sum of their capacities
extern std::size_t limit;                         // most bytes the blocks may hold together
extern bool move_always;                          // every resize moves the block
extern std::size_t moves;                         // times a block moved to a new address
extern int32_t cached_h;                          // the handle looked up last (0 is never a handle)
extern Block* cached;                             // and its block: a map's elements stay put

// What the caller may touch: [0, size) while an access is open, nothing otherwise.
inline void guard(Block& b) {
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b.bytes.get(), b.bytes.capacity());
    std::size_t open = (b.writers + b.readers > 0) ? b.size : 0;
    ASAN_POISON_MEMORY_REGION(b.bytes.get() + open, b.bytes.capacity() - open);
#else
    (void)b;
#endif
}

// Lets the kernel itself work on all of the block's capacity.
inline void unguard(Block& b) {
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b.bytes.get(), b.bytes.capacity());
#else
    (void)b;
#endif
}

// The block of handle h, or null. The writer resizes one block many thousand times in a row:
// the last lookup is kept, and forgotten whenever a block is erased.
inline Block* find(int32_t h) {
    if (h == cached_h && cached != nullptr) {
        return cached;
    }
    auto it = blocks.find(h);
    if (it == blocks.end()) {
        return nullptr;
    }
    cached_h = h;
    cached = &it->second;
    return cached;
}

inline void forget_cached() {
    cached_h = 0;
    cached = nullptr;
}

// Whether a block of old_size bytes may become new_size bytes under the limit.
inline bool fits(std::size_t old_size, std::size_t new_size) {
    if (new_size <= old_size) {
        return true;
    }
    std::size_t extra = new_size - old_size;
    return in_use <= limit && extra <= limit - in_use;
}

// Clears n bytes at p: a few stores for the handful of bytes a writer adds at a time.
inline void clear(uint8_t* p, std::size_t n) {
    if (n > 16) {
        std::memset(p, 0, n);
        return;
    }
    const uint64_t zero = 0;
    if (n >= 8) {
        std::memcpy(p, &zero, 8);
        std::memcpy(p + n - 8, &zero, 8);
    } else if (n >= 4) {
        std::memcpy(p, &zero, 4);
        std::memcpy(p + n - 4, &zero, 4);
    } else {
        if (n > 0) {
            p[0] = 0;
        }
        if (n > 1) {
            p[1] = 0;
        }
        if (n > 2) {
            p[2] = 0;
        }
    }
}

// Whether a block's capacity is so much larger than n bytes that a block of n bytes gives the
// rest back.
inline bool too_roomy(const Block& b, std::size_t n) {
    return b.bytes.capacity() > 4096 && n < b.bytes.capacity() / 4;
}

// The usual step of a writer appending: growth to n within the capacity, under the limit, when
// make_room would keep the block where it is. True when done; false, with nothing changed,
// when the general resize must look at it.
inline bool grow_in_place(Block& b, uint32_t n) {
    if (n < b.size || n > b.bytes.capacity() || move_always || too_roomy(b, n) ||
        !fits(b.size, n)) {
        return false;
    }
    unguard(b);
    clear(b.bytes.get() + b.size, n - b.size);
    in_use += n - b.size;
    b.size = n;
    guard(b);
    return true;
}

// Gives the block size n: contents kept up to the smaller size, new bytes zero.
int32_t resize(Block& b, uint32_t n);
// Inserts n zero bytes at off (off <= size).
int32_t open_up(Block& b, uint32_t off, uint32_t n);
// Removes n bytes at off (off + n <= size).
int32_t cut(Block& b, uint32_t off, uint32_t n);
// A new block of n bytes, copied from src when given, else zero, with writers write accesses
// open: its handle (and the block through out), or a negative status.
int32_t create(const uint8_t* src, std::size_t n, int writers, Block** out);

inline void hand_out(Block& b, void** pp) {
    if (pp != nullptr) {
        *pp = b.bytes.get();
    }
}

} // namespace mem
} // namespace HOSTK_HIDDEN
} // namespace hostk

#endif
