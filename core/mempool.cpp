/* The small-block pool behind mallox. */
#include "mempool.h"

#include <cstdint>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {

char* reserveRange(size_t size) {
#ifdef _WIN32
    return (char*)VirtualAlloc(0, size, MEM_RESERVE, PAGE_NOACCESS);
#else
    void* p = mmap(0, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? 0 : (char*)p;
#endif
}

bool commitRange(char* p, size_t size) {
#ifdef _WIN32
    return VirtualAlloc(p, size, MEM_COMMIT, PAGE_READWRITE) != 0;
#else
    return mprotect(p, size, PROT_READ | PROT_WRITE) == 0;
#endif
}

void releaseRange(char* p, size_t size) {
#ifdef _WIN32
    (void)size;
    VirtualFree(p, 0, MEM_RELEASE);
#else
    munmap(p, size);
#endif
}

}  // namespace

cMemPool::cMemPool(size_t reserve) : rawBase(0), base(0), reserved(0), chunks(0), used(0) {
    memset(classes, 0, sizeof classes);
    memset(chunkClass, 0, sizeof chunkClass);
    if (reserve > kMaxReserve)
        reserve = kMaxReserve;
    reserve -= reserve % kChunk;
    // A chunk must start on a chunk boundary of the range, so the range does too.
    char* p = reserve ? reserveRange(reserve + kChunk) : 0;
    if (!p)
        return;
    size_t skip = (kChunk - (size_t)((uintptr_t)p % kChunk)) % kChunk;
    base = p + skip;
    reserved = reserve;
    rawBase = p;
}

cMemPool::~cMemPool() {
    if (rawBase)
        releaseRange(rawBase, reserved + kChunk);
}

void cMemPool::lock() {
    while (busy.test_and_set(std::memory_order_acquire))
        std::this_thread::yield();
}

bool cMemPool::newChunk(Class& c, unsigned k) {
    size_t n = chunks.load(std::memory_order_relaxed);
    if ((n + 1) * (size_t)kChunk > reserved)
        return false;
    char* chunk = base + n * (size_t)kChunk;
    if (!commitRange(chunk, kChunk))
        return false;
    chunkClass[n] = (unsigned char)k;
    chunks.store(n + 1, std::memory_order_relaxed);
    c.next = chunk;
    c.end = chunk + kChunk - kChunk % (8 * k);
    return true;
}

void* cMemPool::alloc(unsigned size) {
    if (size == 0 || size > kMaxBlock || !base)
        return 0;
    unsigned k = (size + 7) / 8;
    Class& c = classes[k];
    void* p;
    lock();
    if (c.free) {
        p = c.free;
        c.free = *(void**)p;
    } else if (c.next < c.end || newChunk(c, k)) {
        p = c.next;
        c.next += 8 * k;
    } else {
        p = 0;
    }
    if (p)
        used.store(used.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    unlock();
    return p;
}

void cMemPool::release(void* p) {
    Class& c = classes[chunkClass[((char*)p - base) / kChunk]];
    lock();
    *(void**)p = c.free;
    c.free = p;
    used.store(used.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
    unlock();
}

unsigned cMemPool::blockSize(void const* p) const {
    return 8u * chunkClass[((char const*)p - base) / kChunk];
}
