// Memory for the engine's small objects.
//
// A big sheet holds a million records of a few dozen bytes each. Taken one by
// one from the general heap they cost a block header each, and the heap's
// search and its page faults were half the time of a load. The pool hands
// them out of large blocks, by size class in steps of 8 bytes, and keeps
// freed ones for the next object of their size.
//
// Blocks are never returned to the system: after a big workbook is closed its
// memory serves the next one. Each thread keeps its own free lists, so no lock
// is taken per object; an object may be freed by another thread than the one
// that made it. Builds with a sanitizer use the general heap instead, so that
// it keeps catching use after free.
#pragma once

#include <cstddef>
#include <new>

namespace xls {

// Objects up to this size come from the pool; larger ones from the heap.
constexpr std::size_t PoolMaxSize = 256;

// Memory for aSize bytes, aligned to 8; throws std::bad_alloc.
void* PoolAllocate(std::size_t aSize);
// aSize must be the size given to PoolAllocate.
void PoolFree(void* aBlock, std::size_t aSize) noexcept;

// False in builds with a sanitizer, which take every object from the heap.
bool PoolInUse() noexcept;

// A base that makes a class's objects come from the pool. Deleting through a
// base needs a virtual destructor, which hands operator delete the size of
// the object's own class.
struct TPooledObject {
    static void* operator new(std::size_t aSize) { return PoolAllocate(aSize); }
    static void operator delete(void* aBlock, std::size_t aSize) noexcept { PoolFree(aBlock, aSize); }
};

// An allocator for containers with small buffers, such as the slots of a
// row's cell list: a big sheet has one per row.
template <class T>
struct TPoolAllocator {
    static_assert(alignof(T) <= 8, "the pool aligns to 8 bytes");
    using value_type = T;

    TPoolAllocator() = default;
    template <class U>
    TPoolAllocator(const TPoolAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t aCount)
    {
        if (aCount > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(PoolAllocate(aCount * sizeof(T)));
    }
    void deallocate(T* aBlock, std::size_t aCount) noexcept { PoolFree(aBlock, aCount * sizeof(T)); }

    friend bool operator==(const TPoolAllocator&, const TPoolAllocator&) { return true; }
};

}  // namespace xls
