/* Sorting the rows of the grid by one column. */
#include <algorithm>
#include <cmath>
#include <cstring>

#include "taxint.h"

namespace {

/* One row with the value it is sorted by, taken out once before sorting. */
struct cTaxKey {
    union {
        double d;
        __int64 t;
        unsigned char const* s;
    };
    cTaxRow* row;
};

/* Orders of the keys, the same as xompare of the values. A NaN sorts last, so that the
   order stays strict and the sort stays inside the array. */
struct numberLess {
    bool operator()(cTaxKey const& a, cTaxKey const& b) const {
        if (std::isnan(a.d) || std::isnan(b.d))
            return !std::isnan(a.d) && std::isnan(b.d);
        return a.d < b.d;
    }
};
struct timeLess {
    bool operator()(cTaxKey const& a, cTaxKey const& b) const { return a.t < b.t; }
};
struct textLess {
    bool operator()(cTaxKey const& a, cTaxKey const& b) const {
        return strcmp((char const*)a.s, (char const*)b.s) < 0;
    }
};
template <class L>
struct reversed {
    bool operator()(cTaxKey const& a, cTaxKey const& b) const { return L()(b, a); }
};

template <class L>
void sortKeys(cTaxKey* k, int n, bool descending) {
    if (descending)
        std::sort(k, k + n, reversed<L>());
    else
        std::sort(k, k + n, L());
}

/* The rows in the order of cTaxRow::compare; merging stays inside the array even when
   values of mixed classes compare without a consistent order. */
struct rowLess {
    bool operator()(cTaxRow* a, cTaxRow* b) const { return a->compare(b) < 0; }
};

}  // namespace

/* Sorts rows[0..count) by column index with the class the column holds; false when the
   values are not all of that class or memory runs out (the caller sorts row by row). */
static bool sortByKeys(cTaxRow** rows, short count, short index, short typex, bool descending) {
    short want = typex == VTYPE_NUMBEX || typex == VTYPE_DATEX ? typex : VTYPE_STRINX;
    if (typex == 0)
        return false;
    cTaxKey* keys = (cTaxKey*)taxAlloc(count, sizeof(cTaxKey));
    if (!keys)
        return false;
    char* text = 0;
    bool ok = true;
    if (want == VTYPE_STRINX) {
        /* Case folding as xompare does it: ASCII letters to lower case, bytes unsigned. */
        int total = 0;
        for (short a = 0; a < count && ok; a++) {
            cTaxit* it = rows[a]->item(index);
            ok = it && it->value && it->value->type() == VTYPE_STRINX;
            if (ok)
                total += (int)strlen(it->value->toChars(0, true)) + 1;
        }
        text = ok ? (char*)mallox(total > 0 ? total : 1) : 0;
        ok = ok && text;
        char* p = text;
        for (short a = 0; a < count && ok; a++) {
            char const* s = rows[a]->items[index]->value->toChars(0, true);
            keys[a].s = (unsigned char const*)p;
            keys[a].row = rows[a];
            for (; *s; s++)
                *p++ = (*s >= 'A' && *s <= 'Z') ? (char)(*s + 32) : *s;
            *p++ = 0;
        }
    } else {
        for (short a = 0; a < count && ok; a++) {
            cTaxit* it = rows[a]->item(index);
            ok = it && it->value && it->value->type() == want;
            if (!ok)
                break;
            if (want == VTYPE_NUMBEX)
                keys[a].d = it->value->toDouble();
            else
                keys[a].t = it->value->toTimext();
            keys[a].row = rows[a];
        }
    }
    if (ok) {
        if (want == VTYPE_NUMBEX)
            sortKeys<numberLess>(keys, count, descending);
        else if (want == VTYPE_DATEX)
            sortKeys<timeLess>(keys, count, descending);
        else
            sortKeys<textLess>(keys, count, descending);
        for (short a = 0; a < count; a++)
            rows[a] = keys[a].row;
    }
    freex(text);
    freex(keys);
    return ok;
}

void cRerovar::sort(short colid, short dir) {
    edit_close();
    short index = colid2index(colid);
    if (index < 0 || dir < 0 || dir > 3)
        return;
    if (dir == 3)
        dir = cols[index]->sortState == 1 ? 2 : 1;
    sortColid = colid;
    sortIndex = index;
    sortDir = dir;
    for (short i = 0; i < colCount; i++)
        cols[i]->sortState = 0;
    cols[index]->sortState = dir;

    LRESULT answer = 0;
    if (hwndParent)
        answer = SendMessageA(hwndParent, TAXN_SORT, (WPARAM)this,
                              MAKELPARAM((unsigned short)colid, (unsigned short)dir));
    if (answer == TAXN_SORT_HANDLED || countV <= 1)
        return;
    if (dir != 0) {
        if (!sortByKeys(rows, countA, index, cols[index]->typex, dir == 2))
            std::stable_sort(rows, rows + countA, rowLess());
        rebuildV();
    }
    after_sort();
    home(false);
}

void cRerovar::after_sort() {}
