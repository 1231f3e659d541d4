/* Small blocks for the shared allocator. A grid holds several small blocks per cell (the
   item, its value, the value's text); the runtime heap takes about 150 ns for each under
   Wine, the pool a few. Blocks of up to kMaxBlock bytes come in classes of 8 bytes, carved
   from 64 KB chunks of one reserved address range and kept on a free list per class for
   reuse; a block's class is its chunk's, so no block carries a header. Memory goes back to
   the pool, not to the system. Every call is thread-safe. */
#ifndef VORCORE_MEMPOOL_H
#define VORCORE_MEMPOOL_H

#include <atomic>
#include <cstddef>

class cMemPool {
public:
    static constexpr unsigned kMaxBlock = 256;
    static constexpr unsigned kChunk = 65536;
    static constexpr size_t kMaxReserve = (size_t)512 << 20;

    /* Reserves `reserve` bytes of address space (at most kMaxReserve); committed a chunk at
       a time. Without the reservation every alloc answers 0. */
    explicit cMemPool(size_t reserve);
    ~cMemPool();

    /* A block of at least `size` bytes, 8-aligned; 0 when size is 0 or above kMaxBlock, or
       the range is used up (the caller then takes the runtime heap). */
    void* alloc(unsigned size);
    /* Gives back a block from alloc. */
    void release(void* p);
    /* True when p lies in the pool's range. */
    bool owns(void const* p) const {
        return (char const*)p >= base && (char const*)p < base + reserved;
    }
    /* Usable bytes of a block from alloc. */
    unsigned blockSize(void const* p) const;
    /* Bytes of the range committed so far. */
    size_t committed() const { return chunks.load(std::memory_order_relaxed) * (size_t)kChunk; }
    /* Blocks handed out and not given back. */
    size_t inUse() const { return used.load(std::memory_order_relaxed); }

private:
    static constexpr unsigned kClasses = kMaxBlock / 8 + 1;  // class k holds 8 * k bytes
    struct Class {
        void* free;  // blocks given back, linked through their first word
        char* next;  // uncarved part of the class's newest chunk
        char* end;
    };
    char* rawBase;  // the reservation; base is its first chunk boundary
    char* base;
    size_t reserved;
    std::atomic<size_t> chunks;
    std::atomic<size_t> used;
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    Class classes[kClasses];
    unsigned char chunkClass[kMaxReserve / kChunk];

    void lock();
    void unlock() { busy.clear(std::memory_order_release); }
    bool newChunk(Class& c, unsigned k);

    cMemPool(cMemPool const&) = delete;
    cMemPool& operator=(cMemPool const&) = delete;
};

#endif
