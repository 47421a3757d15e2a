// blockmem.h: the memory behind one block of the kernel (memory.cpp): a run of bytes of a
// given capacity at an address, owned and given back by this type.
//
// A run that grows keeps its first bytes. Small runs come from the heap and move by a copy;
// large ones (where the system can) are mappings of their own that grow by remapping, so the
// bytes are neither copied nor held twice while the run moves, and only the pages written hold
// memory. A block's bytes are thus never resident twice over, however large it grows.
#ifndef KERNEL_BLOCKMEM_H
#define KERNEL_BLOCKMEM_H

#include <cstddef>
#include <cstdint>

#include "internal.h"

namespace hostk {
namespace detail HOSTK_HIDDEN {

class Memory {
  public:
    Memory() = default;
    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;
    Memory(Memory&& other) noexcept { take(other); }
    Memory& operator=(Memory&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~Memory() { release(); }

    // A new run of cap bytes (their contents unspecified); an empty one when memory cannot be
    // had.
    static Memory make(std::size_t cap);

    // Makes the run cap bytes long, keeping its first keep bytes (keep <= both capacities),
    // possibly at another address. False, with the run as it was, when memory cannot be had.
    bool resize(std::size_t cap, std::size_t keep);

    uint8_t* get() const { return bytes_; }
    std::size_t capacity() const { return capacity_; }
    explicit operator bool() const { return bytes_ != nullptr; }

  private:
    void take(Memory& other) {
        bytes_ = other.bytes_;
        capacity_ = other.capacity_;
        other.bytes_ = nullptr;
        other.capacity_ = 0;
    }
    void release();

    uint8_t* bytes_ = nullptr;
    std::size_t capacity_ = 0;
};

} // namespace HOSTK_HIDDEN
} // namespace hostk

#endif
