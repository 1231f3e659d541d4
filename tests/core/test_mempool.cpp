#include "mempool.h"
#include "strx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

TEST(MemPool, ClassesReuseAndTheRangeLimit) {
    cMemPool pool(3 * cMemPool::kChunk);
    EXPECT_EQ(0u, pool.committed());
    EXPECT_EQ(nullptr, pool.alloc(0));
    EXPECT_EQ(nullptr, pool.alloc(cMemPool::kMaxBlock + 1));

    void* a = pool.alloc(1);
    void* b = pool.alloc(20);
    void* c = pool.alloc(cMemPool::kMaxBlock);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(8u, pool.blockSize(a));
    EXPECT_EQ(24u, pool.blockSize(b));
    EXPECT_EQ(cMemPool::kMaxBlock, pool.blockSize(c));
    for (void* p : {a, b, c}) {
        EXPECT_TRUE(pool.owns(p));
        EXPECT_EQ(0u, (uintptr_t)p % 8);
    }
    int onStack = 0;
    void* heap = malloc(16);
    EXPECT_FALSE(pool.owns(&onStack));
    EXPECT_FALSE(pool.owns(heap));
    free(heap);

    // A block given back is the next one of its class; other classes keep theirs.
    pool.release(b);
    EXPECT_EQ(b, pool.alloc(17));
    EXPECT_NE(b, pool.alloc(17));

    // Three chunks are taken (classes 8, 24 and 256); a fourth class finds the range full.
    EXPECT_EQ(3 * (size_t)cMemPool::kChunk, pool.committed());
    EXPECT_EQ(nullptr, pool.alloc(100));
    // Class 8 still carves its chunk to the end, then its freed blocks come back.
    std::vector<void*> small;
    while (void* p = pool.alloc(8))
        small.push_back(p);
    EXPECT_EQ(cMemPool::kChunk / 8 - 1, small.size());
    pool.release(small[100]);
    EXPECT_EQ(small[100], pool.alloc(5));
}

/* Threads take and give back blocks of every class at once; each fills its blocks with its
   own pattern and checks it before giving them back, so a block handed to two owners, or a
   free list broken by a race, shows. */
TEST(MemPool, ThreadsNeverShareABlock) {
    cMemPool pool((size_t)64 << 20);
    auto work = [&pool](int id, int* bad) {
        std::vector<std::pair<unsigned char*, unsigned>> held;
        unsigned seed = 12345u + (unsigned)id;
        for (int round = 0; round < 20000; round++) {
            seed = seed * 1103515245u + 12345u;
            unsigned size = 1 + (seed >> 8) % cMemPool::kMaxBlock;
            if (held.size() < 64 && ((seed >> 20) & 3)) {
                unsigned char* p = (unsigned char*)pool.alloc(size);
                if (!p) {
                    (*bad)++;
                    continue;
                }
                memset(p, id, size);
                held.push_back({p, size});
            } else if (!held.empty()) {
                size_t k = (seed >> 4) % held.size();
                for (unsigned i = 0; i < held[k].second; i++)
                    if (held[k].first[i] != (unsigned char)id)
                        (*bad)++;
                pool.release(held[k].first);
                held.erase(held.begin() + (long)k);
            }
        }
        for (auto& h : held)
            pool.release(h.first);
    };
    int bad[4] = {0, 0, 0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++)
        threads.emplace_back(work, t + 1, &bad[t]);
    for (auto& t : threads)
        t.join();
    for (int t = 0; t < 4; t++)
        EXPECT_EQ(0, bad[t]) << "thread " << t + 1;
}

/* The shared allocator's contract, whichever blocks lie behind it. */
TEST(MemPool, SharedAllocatorKeepsContentAcrossGrowth) {
    char* p = (char*)mallox(10);
    ASSERT_TRUE(p);
    memcpy(p, "0123456789", 10);
    p = (char*)reallox(p, 12);  // may stay in place
    ASSERT_TRUE(p);
    EXPECT_EQ(0, memcmp(p, "0123456789", 10));
    p = (char*)reallox(p, 5000);  // leaves the small blocks
    ASSERT_TRUE(p);
    EXPECT_EQ(0, memcmp(p, "0123456789", 10));
    p[4999] = 'x';
    freex(p);

    char* q = (char*)reallox(0, 40);  // a null block is a new one
    ASSERT_TRUE(q);
    memset(q, 'q', 40);
    freex(q);
    freex(0);
}
