// The small-object pool under the record objects, and the record's byte store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

#include "base/UXlsObjectPool.h"
#include "records/UXlsBaseRecords.h"

using namespace xls;

namespace {

struct TBlock {
    std::uint8_t* Start;
    std::size_t Size;
};

}  // namespace

TEST(ObjectPool, BlocksAreAlignedDisjointAndKeepTheirBytes)
{
    std::vector<TBlock> blocks;
    for (std::size_t round = 0; round < 200; ++round)
        for (std::size_t size : {1, 7, 8, 9, 40, 56, 255, 256, 257, 4096}) {
            auto* p = static_cast<std::uint8_t*>(PoolAllocate(size));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u) << size;
            std::fill(p, p + size, static_cast<std::uint8_t>(blocks.size()));
            blocks.push_back({p, size});
        }
    // Every block still holds its own fill: none overlaps another.
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto fill = static_cast<std::uint8_t>(i);
        ASSERT_TRUE(std::all_of(blocks[i].Start, blocks[i].Start + blocks[i].Size,
                                [&](std::uint8_t b) { return b == fill; }))
            << "block " << i << " of " << blocks[i].Size << " bytes";
    }
    for (const TBlock& b : blocks) PoolFree(b.Start, b.Size);
}

TEST(ObjectPool, AFreedBlockServesTheNextObjectOfItsSize)
{
    if (!PoolInUse()) GTEST_SKIP() << "this build takes objects from the general heap";
    void* a = PoolAllocate(40);
    PoolFree(a, 40);
    void* b = PoolAllocate(36);  // the same size class
    EXPECT_EQ(a, b);
    void* c = PoolAllocate(48);  // another class: not the freed block
    EXPECT_NE(b, c);
    PoolFree(b, 36);
    PoolFree(c, 48);
}

TEST(ObjectPool, ObjectsMayBeFreedByAnotherThread)
{
    std::vector<void*> made(1000);
    std::thread maker([&] {
        for (void*& p : made) p = PoolAllocate(40);
    });
    maker.join();
    std::set<void*> distinct(made.begin(), made.end());
    EXPECT_EQ(distinct.size(), made.size());
    std::thread freer([&] {
        for (void* p : made) PoolFree(p, 40);
        // The freeing thread reuses what it freed.
        std::vector<void*> again(made.size());
        for (void*& p : again) p = PoolAllocate(40);
        for (void* p : again) PoolFree(p, 40);
    });
    freer.join();
}

TEST(RecordBytes, KeepsBodiesOfEverySizeAndCopiesThemApart)
{
    for (std::size_t size : {0, 1, 15, 16, 17, 255, 256, 257, 8224}) {
        SCOPED_TRACE(size);
        TBytes bytes(size);
        std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
        TRecordBytes original{TByteView(bytes)};
        ASSERT_EQ(original.Size(), size);
        EXPECT_TRUE(std::ranges::equal(original.View(), bytes));

        TRecordBytes copy = original;
        if (size) copy.Span()[0] ^= 0xFF;
        EXPECT_TRUE(std::ranges::equal(original.View(), bytes)) << "a copy shares the original's bytes";

        TRecordBytes moved = std::move(copy);
        EXPECT_EQ(copy.Size(), 0u);  // NOLINT(bugprone-use-after-move): a moved-from body is empty
        EXPECT_EQ(moved.Size(), size);

        moved = original;
        EXPECT_TRUE(std::ranges::equal(moved.View(), bytes));
    }
}

TEST(RecordBytes, SetDataSwitchesBetweenInlineAndHeapBodies)
{
    TBaseRecord rec(0x0208, TBytes(16, 0x11));
    for (std::size_t size : {300, 4, 17, 16, 0, 8224}) {
        rec.SetData(TBytes(size, static_cast<std::uint8_t>(size)));
        ASSERT_EQ(rec.DataSize(), size);
        EXPECT_TRUE(std::all_of(rec.Data().begin(), rec.Data().end(),
                                [&](std::uint8_t b) { return b == static_cast<std::uint8_t>(size); }));
    }
}
