// memory.cpp: the kernel's memory blocks (emm_*), addressed by handle.
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
namespace detail {
namespace {

constexpr std::size_t kMinCapacity = 16; // an empty block still has an address

struct Block {
    Memory bytes;             // capacity bytes; the first size of them are the block
    uint32_t size = 0;        // bytes the caller sees
    std::size_t capacity = 0; // bytes allocated (bytes.capacity())
    int writers = 0;          // open write accesses
    int readers = 0;          // open read accesses
};

std::unordered_map<int32_t, Block> blocks; // live blocks by handle
std::size_t in_use = 0;                    // sum of the live blocks' sizes
std::size_t reserved = 0;                  // sum of their capacities
std::size_t limit = kDefaultMemoryLimit;   // most bytes the blocks may hold together
bool move_always = false;                  // every resize moves the block
std::size_t moves = 0;                     // times a block moved to a new address
int32_t cached_h = 0;                      // the handle looked up last (0 is never a handle)
Block* cached = nullptr;                   // and its block: a map's elements stay put

// What the caller may touch: [0, size) while an access is open, nothing otherwise.
void guard(Block& b) {
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b.bytes.get(), b.capacity);
    std::size_t open = (b.writers + b.readers > 0) ? b.size : 0;
    ASAN_POISON_MEMORY_REGION(b.bytes.get() + open, b.capacity - open);
#else
    (void)b;
#endif
}

// Lets the kernel itself work on all of the block's capacity.
void unguard(Block& b) {
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b.bytes.get(), b.capacity);
#else
    (void)b;
#endif
}

// The block of handle h, or null. The writer resizes one block many thousand times in a row:
// the last lookup is kept, and forgotten whenever a block is erased.
Block* find(int32_t h) {
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

void forget_cached() {
    cached_h = 0;
    cached = nullptr;
}

// Whether a block of old_size bytes may become new_size bytes under the limit.
bool fits(std::size_t old_size, std::size_t new_size) {
    if (new_size <= old_size) {
        return true;
    }
    std::size_t extra = new_size - old_size;
    return in_use <= limit && extra <= limit - in_use;
}

// Makes room for n bytes in b, moving it when its capacity is too small (or too large, or when
// every resize must move). The first `keep` bytes are kept; the rest of the capacity is
// unspecified. False, with b untouched, when memory cannot be had.
bool make_room(Block& b, uint32_t n, uint32_t keep) {
    bool shrink = b.capacity > 4096 && std::size_t(n) < b.capacity / 4;
    if (!move_always && n <= b.capacity && !shrink) {
        return true;
    }
    std::size_t cap = std::max<std::size_t>(n, kMinCapacity);
    if (!move_always) {
        // Doubling, but never past what this block could ever grow to under the limit.
        std::size_t others = in_use - b.size;
        std::size_t ceiling = limit > others ? limit - others : 0;
        std::size_t doubled = shrink ? std::size_t(n) * 2 : b.capacity * 2;
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
    reserved = reserved - b.capacity + cap;
    b.capacity = cap;
    moves += b.bytes.get() != was;
    return true;
}

// Clears n bytes at p: a few stores for the handful of bytes a writer adds at a time.
void clear(uint8_t* p, std::size_t n) {
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

// The usual step of a writer appending: growth to n within the capacity, under the limit, when
// make_room would keep the block where it is. True when done; false, with nothing changed,
// when the general resize must look at it.
bool grow_in_place(Block& b, uint32_t n) {
    if (n < b.size || n > b.capacity || move_always || (b.capacity > 4096 && n < b.capacity / 4) ||
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

void hand_out(Block& b, void** pp) {
    if (pp != nullptr) {
        *pp = b.bytes.get();
    }
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
    b.capacity = cap;
    b.writers = writers;
    in_use += n;
    reserved += cap;
    guard(b);
    if (out != nullptr) {
        *out = &b;
    }
    return h;
}

} // namespace

int32_t new_block(const uint8_t* src, std::size_t n) {
    return create(src, n, 0, nullptr);
}

void drop_block(int32_t h) {
    Block* b = find(h);
    if (b != nullptr) {
        unguard(*b);
        in_use -= b->size;
        reserved -= b->capacity;
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

using namespace hostk::detail;

// ---- the services ----

int32_t emm_alloc(int32_t size, int32_t flags, int32_t* ph, void** pp) {
    (void)flags;
    if (int32_t st = enter(Service::emm_alloc)) {
        return st;
    }
    if (ph == nullptr || size < 0) {
        return KST_ARGUMENT;
    }
    Block* b = nullptr;
    int32_t h = create(nullptr, std::size_t(size), 1, &b);
    if (h < 0) {
        return h;
    }
    *ph = h;
    hand_out(*b, pp);
    return 0;
}

// Opens (open) or ends one access of the kind that count tracks on block h; an opened
// access hands the address out through pp.
static int32_t block_access(Service service, int32_t h, int Block::*count, bool open, void** pp) {
    if (int32_t st = enter(service)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    if (!open && b->*count == 0) {
        return KST_ACCESS;
    }
    b->*count += open ? 1 : -1;
    guard(*b);
    if (open) {
        hand_out(*b, pp);
    }
    return 0;
}

int32_t emm_write(int32_t h, void** pp, int32_t flags) {
    (void)flags;
    return block_access(Service::emm_write, h, &Block::writers, true, pp);
}

int32_t emm_ewrite(int32_t h) {
    return block_access(Service::emm_ewrite, h, &Block::writers, false, nullptr);
}

int32_t emm_read(int32_t h, void** pp, int32_t flags) {
    (void)flags;
    return block_access(Service::emm_read, h, &Block::readers, true, pp);
}

int32_t emm_eread(int32_t h) {
    return block_access(Service::emm_eread, h, &Block::readers, false, nullptr);
}

int32_t emm_size(int32_t h, uint32_t* pn) {
    if (int32_t st = enter(Service::emm_size)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    if (pn == nullptr) {
        return KST_ARGUMENT;
    }
    *pn = b->size;
    return 0;
}

namespace {

HOSTK_OUT_OF_LINE int32_t resize_long(int32_t h, uint32_t n, void** pp) {
    if (int32_t st = enter(Service::emm_resz)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    int32_t st = resize(*b, n);
    if (st < 0) {
        return st;
    }
    hand_out(*b, pp);
    return 0;
}

} // namespace

int32_t emm_resz(int32_t h, uint32_t n, void** pp) {
    // The short way: the block looked up last grows where it is, and the call need only be
    // counted (no call is logged, no fault armed).
    if (!calls.slow && h == cached_h && cached != nullptr && grow_in_place(*cached, n)) {
        ++calls.counts[std::size_t(Service::emm_resz)];
        hand_out(*cached, pp);
        return 0;
    }
    return resize_long(h, n, pp);
}

int32_t emm_ins(int32_t h, uint32_t off, uint32_t n, void** pp) {
    if (int32_t st = enter(Service::emm_ins)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    int32_t st = open_up(*b, off, n);
    if (st < 0) {
        return st;
    }
    hand_out(*b, pp);
    return 0;
}

int32_t emm_indel(int32_t h, uint32_t off, int32_t d, void** pp) {
    if (int32_t st = enter(Service::emm_indel)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    int32_t st = 0;
    if (d > 0) {
        st = open_up(*b, off, uint32_t(d));
    } else if (d < 0) {
        st = cut(*b, off, uint32_t(-int64_t(d)));
    } else if (off > b->size) {
        st = KST_RANGE;
    }
    if (st < 0) {
        return st;
    }
    hand_out(*b, pp);
    return 0;
}

int32_t emm_rel(int32_t h) {
    if (int32_t st = enter(Service::emm_rel)) {
        return st;
    }
    Block* b = find(h);
    if (b == nullptr) {
        return KST_BADHANDLE;
    }
    if (b->writers + b->readers > 0) {
        return KST_ACCESS;
    }
    unguard(*b);
    in_use -= b->size;
    reserved -= b->capacity;
    forget_cached();
    blocks.erase(h);
    return 0;
}

// ---- controls ----

namespace hostk {

void set_memory_limit(std::size_t bytes) {
    detail::limit = bytes;
}
std::size_t memory_in_use() {
    return detail::in_use;
}
std::size_t memory_reserved() {
    return detail::reserved;
}
std::size_t live_blocks() {
    return detail::blocks.size();
}
bool block_exists(int32_t h) {
    return detail::find(h) != nullptr;
}

bool block_locked(int32_t h) {
    const detail::Block* b = detail::find(h);
    return b != nullptr && b->writers + b->readers > 0;
}

std::vector<uint8_t> block_bytes(int32_t h) {
    detail::Block* b = detail::find(h);
    if (b == nullptr) {
        return {};
    }
    detail::unguard(*b);
    std::vector<uint8_t> copy(b->bytes.get(), b->bytes.get() + b->size);
    detail::guard(*b);
    return copy;
}

BlockView block_view(int32_t h) {
    detail::Block* b = detail::find(h);
    if (b == nullptr) {
        return {};
    }
#if defined(HOSTK_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(b->bytes.get(), b->size);
#endif
    return BlockView{b->bytes.get(), b->size};
}

int32_t make_block(const std::vector<uint8_t>& bytes) {
    return detail::create(bytes.data(), bytes.size(), 0, nullptr);
}

void set_move_on_resize(bool on) {
    detail::move_always = on;
}
std::size_t block_moves() {
    return detail::moves;
}

} // namespace hostk
