#include "base/UXlsObjectPool.h"

#include <array>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XLS_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define XLS_POOL_DISABLED 1
#endif
#endif

#if !defined(XLS_POOL_DISABLED) && defined(__linux__)
#include <sys/mman.h>
#define XLS_POOL_MMAP 1
#endif

namespace xls {

#ifdef XLS_POOL_DISABLED

bool PoolInUse() noexcept
{
    return false;
}

void* PoolAllocate(std::size_t aSize)
{
    return ::operator new(aSize);
}

void PoolFree(void* aBlock, std::size_t) noexcept
{
    // Unsized: clang declares the sized form only with -fsized-deallocation.
    ::operator delete(aBlock);
}

#else

namespace {

constexpr std::size_t Granule = 8;
constexpr std::size_t ClassCount = PoolMaxSize / Granule;
// 2 MiB: the size of a huge page, so that a block costs one page fault, not 512.
constexpr std::size_t BlockSize = std::size_t{2} << 20;

struct TFreeNode {
    TFreeNode* Next;
};

std::size_t ClassOf(std::size_t aSize)
{
    return (aSize + Granule - 1) / Granule - 1;
}

std::size_t RoundedSize(std::size_t aSize)
{
    return (ClassOf(aSize) + 1) * Granule;
}

#ifdef XLS_POOL_MMAP

std::uint8_t* NewBlock(bool aHugePages)
{
    // Map twice the size and keep the aligned middle: the kernel backs only
    // aligned 2 MiB ranges with huge pages.
    const std::size_t mapped = 2 * BlockSize;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    auto* start = static_cast<std::uint8_t*>(p);
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(start);
    const std::size_t lead = (BlockSize - address % BlockSize) % BlockSize;
    if (lead) munmap(start, lead);
    if (mapped - lead > BlockSize) munmap(start + lead + BlockSize, mapped - lead - BlockSize);
    if (aHugePages) madvise(start + lead, BlockSize, MADV_HUGEPAGE);
    return start + lead;
}

#else

std::uint8_t* NewBlock(bool)
{
    // Held for the rest of the run, as the pool promises.
    return static_cast<std::uint8_t*>(::operator new(BlockSize));
}

#endif

// One per thread, trivially destructible: objects freed after a thread's
// end (by static destructors) must still find it intact. A thread's free
// lists end with it; what they held is not reused.
struct TThreadPool {
    std::array<TFreeNode*, ClassCount> Free{};
    std::uint8_t* Next = nullptr;
    std::uint8_t* End = nullptr;
    bool HadBlock = false;
};

thread_local TThreadPool tPool;

void* TakeFresh(TThreadPool& aPool, std::size_t aSize)
{
    if (static_cast<std::size_t>(aPool.End - aPool.Next) < aSize) {
        // A huge page is all in memory at once: a small workbook that needs
        // one block keeps to the pages it touches.
        aPool.Next = NewBlock(aPool.HadBlock);
        aPool.HadBlock = true;
        aPool.End = aPool.Next + BlockSize;
    }
    void* block = aPool.Next;
    aPool.Next += aSize;
    return block;
}

}  // namespace

bool PoolInUse() noexcept
{
    return true;
}

void* PoolAllocate(std::size_t aSize)
{
    if (aSize == 0 || aSize > PoolMaxSize) return ::operator new(aSize);
    TThreadPool& pool = tPool;
    TFreeNode*& head = pool.Free[ClassOf(aSize)];
    if (TFreeNode* node = head) {
        head = node->Next;
        return node;
    }
    return TakeFresh(pool, RoundedSize(aSize));
}

void PoolFree(void* aBlock, std::size_t aSize) noexcept
{
    if (!aBlock) return;
    if (aSize == 0 || aSize > PoolMaxSize) {
        ::operator delete(aBlock);
        return;
    }
    TFreeNode*& head = tPool.Free[ClassOf(aSize)];
    head = ::new (aBlock) TFreeNode{head};
}

#endif

}  // namespace xls
