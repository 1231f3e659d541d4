#include "buflix.h"

#include <string.h>

#include "strx.h"

cBuflix::cBuflix() : items(0), n(0) {}

cBuflix::~cBuflix() { clear(); }

xbufEntry* cBuflix::add(char const* name, int kind, int size, bool asText)
{
    if (kind < XKIND_NUMBER || kind > XKIND_LONG)
        return 0;
    if (asText)
        kind = -kind;  // sized like a text below
    switch (kind < 0 ? XKIND_TEXT : kind) {
    case XKIND_NUMBER: size = 8; break;
    case XKIND_TIMESTAMP: size = 16; break;
    case XKIND_DATE:
    case XKIND_TIME: size = 6; break;
    case XKIND_TEXT:
    case XKIND_LONG: if (size < 1) size = 1; break;
    default: return 0;
    }
    void* data = mallox(size);
    if (!data)
        return 0;
    xbufEntry* grown = (xbufEntry*)reallox(items, (unsigned)((n + 1) * sizeof(xbufEntry)));
    if (!grown) {
        freex(data);
        return 0;
    }
    items = grown;
    memset(data, 0, size);
    xbufEntry* e = &items[n++];
    e->name = name ? strdux((void*)name) : 0;
    e->kind = (unsigned char)(kind < 0 ? -kind : kind);
    e->asText = asText;
    e->binary = false;
    e->size = size;
    e->data = data;
    return e;
}

void cBuflix::clear()
{
    for (int i = 0; i < n; i++) {
        freex(items[i].name);
        freex(items[i].data);
    }
    freex(items);
    items = 0;
    n = 0;
}
