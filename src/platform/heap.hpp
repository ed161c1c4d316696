// Working copies on the heap, for the routines that convert a buffer in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

// The most any buffer, unpacked file or picture may hold: 1 GiB. No disc file comes near
// it, and it keeps every size and offset within 31 bits.
constexpr std::uint32_t largest_block = 0x40000000;

using heap_block = std::unique_ptr<std::uint8_t[]>;

// A block of size bytes, zero-filled, or an empty block when the memory cannot be had.
inline heap_block heap_take(std::size_t size) {
    return heap_block(new (std::nothrow) std::uint8_t[size]());
}

// A block the caller fills whole before it reads any of it (a copy, cells gathered one by
// one): not zero-filled, as nothing of what it held before can be read. Empty when the memory
// cannot be had.
inline heap_block heap_to_fill(std::size_t size) {
    return heap_block(new (std::nothrow) std::uint8_t[size]);
}

// A copy of size bytes from src, or an empty block when the memory cannot be had.
inline heap_block heap_copy(const std::uint8_t* src, std::size_t size) {
    heap_block block = heap_to_fill(size);
    if (block) {
        std::memcpy(block.get(), src, size);
    }
    return block;
}

// What the C library keeps at the top of the heap when the run frees: each picture takes
// blocks of a few hundred KiB and gives them back, and glibc hands a freed top back to the
// system at once, so that every picture would grow the heap and fault its pages again (some
// 120 system calls a run). A pad the size of a picture's largest block keeps them, for about
// 48 KiB of peak memory. Set once, as the program starts.
constexpr int heap_top_pad = 256 * 1024;

inline void keep_freed_heap() {
#if defined(__GLIBC__)
    mallopt(M_TOP_PAD, heap_top_pad);
#endif
}
