// memory_calls.cpp: the memory services the module calls (emm_*): each counted and checked
// like every service, then handed to the blocks (memory.cpp, blocks.h). Growth within a
// block's capacity, the record writer's usual call, takes a short way.
#include "blocks.h"

using namespace hostk::detail;
using namespace hostk::detail::mem;

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
    reserved -= b->bytes.capacity();
    forget_cached();
    blocks.erase(h);
    return 0;
}
