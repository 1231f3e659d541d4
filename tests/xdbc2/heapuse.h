/* Blocks in use on the C runtime heap that mallox, the drivers and the tests share, with
   mallox's small blocks, and the runtime heap's bytes in use: equal counts before and after
   a repeated run mean nothing leaked. */
#ifndef LUMBRA_TESTS_XDBC2_HEAPUSE_H
#define LUMBRA_TESTS_XDBC2_HEAPUSE_H

#include <malloc.h>

#include "strx.h"

struct HeapUse {
    long blocks;
    long bytes;
};

inline HeapUse heapUse() {
    HeapUse u = {0, 0};
    _HEAPINFO hi;
    hi._pentry = 0;
    while (_heapwalk(&hi) == _HEAPOK) {
        if (hi._useflag == _USEDENTRY) {
            u.blocks++;
            u.bytes += (long)hi._size;
        }
    }
    unsigned small = 0;
    strx_pooled(&small);  // its bytes are the pool's reserve, not bytes in use
    u.blocks += (long)small;
    return u;
}

/* Runs `body` once to warm up caches, then `times` more and reports the growth in blocks. */
template <class F>
long heapGrowth(F body, int times) {
    body();
    HeapUse before = heapUse();
    for (int i = 0; i < times; i++)
        body();
    HeapUse after = heapUse();
    return after.blocks - before.blocks;
}

#endif
