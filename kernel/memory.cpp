// memory.cpp: the kernel's memory blocks, addressed by handle: how they are made, grow,
// shrink and go, and the controls the host program and the tests have over them (the services
// that the module calls are in memory_calls.cpp).
//
// A block is a run of bytes with a size (what the caller sees, up to 4 GiB - 1) and a capacity
// behind it, so that a block grown in small steps moves only O(log n) times. The sizes of all
// live blocks together never pass the memory limit; a refused call leaves the block as it was.
// Accesses are counted per kind: every emm_write needs its emm_ewrite, every emm_read its
// emm_eread, and a block cannot be freed while an access is open.
//
// Under AddressSanitizer the kernel poisons what the caller may not touch: the capacity behind
// the size always, and the whole block while no access is open. A stale address (kept across
// a resize, or used after the access ended) is then reported at the faulty read or write.
#include <algorithm>
#include <cstring>

#include "blocks.h"

namespace hostk {
namespace detail {
namespace mem {

std::unordered_map<int32_t, Block> blocks; // live blocks by handle
std::size_t in_use = 0;                    // sum of the live blocks' sizes
std::size_t reserved = 0;                  // sum of their capacities
std::size_t limit = kDefaultMemoryLimit;   // most bytes the blocks may hold together
bool move_always = false;                  // every resize moves the block
std::size_t moves = 0;                     // times a block moved to a new address
int32_t cached_h = 0;                      // the handle looked up last (0 is never a handle)
Block* cached = nullptr;                   // and its block: a map's elements stay put

namespace {

// Makes room for n bytes in b, moving it when its capacity is too small (or too large, or when
// every resize must move). The first `keep` bytes are kept; the rest of the capacity is
// unspecified. False, with b untouched, when memory cannot be had.
bool make_room(Block& b, uint32_t n, uint32_t keep) {
    const std::size_t had = b.bytes.capacity();
    const bool shrink = too_roomy(b, n);
    if (!move_always && n <= had && !shrink) {
        return true;
    }
    std::size_t cap = std::max<std::size_t>(n, kMinCapacity);
    if (!move_always) {
        // Doubling, but never past what this block could ever grow to under the limit.
        std::size_t others = in_use - b.size;
        std::size_t ceiling = limit > others ? limit - others : 0;
        std::size_t doubled = shrink ? std::size_t(n) * 2 : had * 2;
        cap = std::max(cap, std::min(doubled, std::max<std::size_t>(ceiling, n)));
        cap = std::max<std::size_t>(std::min<std::size_t>(cap, UINT32_MAX), n);
        cap = std::max(cap, kMinCapacity);
    }
    uint8_t* const was = b.bytes.get();
    if (move_always) {
        Memory fresh = Memory::make(cap); // always at another address than the old run
        if (!fresh) {
            return false;
        }
        unguard(b);
        if (keep > 0) {
            std::memcpy(fresh.get(), b.bytes.get(), keep);
        }
        b.bytes = std::move(fresh);
    } else {
        unguard(b);
        if (!b.bytes.resize(cap, keep)) {
            guard(b);
            return false;
        }
    }
    reserved = reserved - had + cap;
    moves += b.bytes.get() != was;
    return true;
}

} // namespace

// Gives the block size n: contents kept up to the smaller size, new bytes zero.
int32_t resize(Block& b, uint32_t n) {
    if (!fits(b.size, n)) {
        return KST_NOMEMORY;
    }
    if (!make_room(b, n, std::min(b.size, n))) {
        return KST_NOMEMORY;
    }
    unguard(b);
    if (n > b.size) {
        clear(b.bytes.get() + b.size, n - b.size);
    }
    in_use = in_use - b.size + n;
    b.size = n;
    guard(b);
    return 0;
}

// Inserts n zero bytes at off (off <= size).
int32_t open_up(Block& b, uint32_t off, uint32_t n) {
    if (off > b.size) {
        return KST_RANGE;
    }
    if (n > UINT32_MAX - b.size) {
        return KST_NOMEMORY;
    }
    uint32_t old = b.size;
    int32_t st = resize(b, old + n);
    if (st < 0) {
        return st;
    }
    unguard(b);
    std::memmove(b.bytes.get() + off + n, b.bytes.get() + off, old - off);
    std::memset(b.bytes.get() + off, 0, n);
    guard(b);
    return 0;
}

// Removes n bytes at off (off + n <= size).
int32_t cut(Block& b, uint32_t off, uint32_t n) {
    if (off > b.size || n > b.size - off) {
        return KST_RANGE;
    }
    unguard(b);
    std::memmove(b.bytes.get() + off, b.bytes.get() + off + n, b.size - off - n);
    return resize(b, b.size - n);
}

// A new block of n bytes, copied from src when given, else zero. Negative status on failure.
int32_t create(const uint8_t* src, std::size_t n, int writers, Block** out) {
    if (n > UINT32_MAX) {
        return KST_NOMEMORY;
    }
    if (!fits(0, n)) {
        return KST_NOMEMORY;
    }
    std::size_t cap = std::max(n, kMinCapacity);
    Memory bytes = Memory::make(cap);
    if (!bytes) {
        return KST_NOMEMORY;
    }
    if (src != nullptr && n > 0) {
        std::memcpy(bytes.get(), src, n);
    } else {
        std::memset(bytes.get(), 0, n);
    }
    int32_t h = next_handle();
    Block& b = blocks[h];
    b.bytes = std::move(bytes);
    b.size = uint32_t(n);
    b.writers = writers;
    in_use += n;
    reserved += cap;
    guard(b);
    if (out != nullptr) {
        *out = &b;
    }
    return h;
}

} // namespace mem

using namespace mem;

int32_t new_block(const uint8_t* src, std::size_t n) {
    return create(src, n, 0, nullptr);
}

void drop_block(int32_t h) {
    Block* b = find(h);
    if (b != nullptr) {
        unguard(*b);
        in_use -= b->size;
        reserved -= b->bytes.capacity();
        forget_cached();
        blocks.erase(h);
    }
}

void reset_memory() {
    for (auto& entry : blocks) {
        unguard(entry.second);
    }
    forget_cached();
    blocks.clear();
    in_use = 0;
    reserved = 0;
    limit = kDefaultMemoryLimit;
    move_always = false;
    moves = 0;
}

} // namespace detail
} // namespace hostk

using namespace hostk::detail::mem;

// ---- controls ----

namespace hostk {

void set_memory_limit(std::size_t bytes) {
    detail::mem::limit = bytes;
}
std::size_t memory_in_use() {
    return detail::mem::in_use;
}
std::size_t memory_reserved() {
    return detail::mem::reserved;
}
std::size_t live_blocks() {
    return detail::mem::blocks.size();
}
bool block_exists(int32_t h) {
    return detail::mem::find(h) != nullptr;
}

bool block_locked(int32_t h) {
    const detail::mem::Block* b = detail::mem::find(h);
    return b != nullptr && b->writers + b->readers > 0;
}

std::vector<uint8_t> block_bytes(int32_t h) {
    detail::mem::Block* b = detail::mem::find(h);
    if (b == nullptr) {
        return {};
    }
    detail::mem::unguard(*b);
    std::vector<uint8_t> copy(b->bytes.get(), b->bytes.get() + b->size);
    detail::mem::guard(*b);
    return copy;
}

BlockView block_view(int32_t h) {
    detail::mem::Block* b = detail::mem::find(h);
    if (b == nullptr) {
        return {};
    }
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b->bytes.get(), b->size);
#endif
    return BlockView{b->bytes.get(), b->size};
}

int32_t make_block(const std::vector<uint8_t>& bytes) {
    return detail::mem::create(bytes.data(), bytes.size(), 0, nullptr);
}

void set_move_on_resize(bool on) {
    detail::mem::move_always = on;
}
std::size_t block_moves() {
    return detail::mem::moves;
}

} // namespace hostk
