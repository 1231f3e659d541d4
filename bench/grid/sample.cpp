#include "sample.h"

#include <cstdio>

namespace {

unsigned seed = 12345;

unsigned next() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFFFF;
}

char const* const firsts[] = {"Anna", "Boris", "Cyril", "Dana", "Emil", "Frantisek", "Gita",
                              "Hana", "Ivan", "Jana", "Karel", "Lenka", "Milan", "Nora"};
char const* const lasts[] = {"Novak", "Svoboda", "Dvorak", "Cerny", "Prochazka", "Kucera",
                             "Vesely", "Horak", "Nemec", "Pokorny", "Marek", "Pospisil"};
char const* const cities[] = {"Praha", "Brno", "Ostrava", "Plzen", "Liberec", "Olomouc",
                              "Usti", "Hradec", "Pardubice", "Zlin", "Jihlava", "Opava"};

template <class T, int N>
T pick(T const (&a)[N]) {
    return a[next() % N];
}

}  // namespace

void sampleColumns(cRerovar* g) {
    long q = TAXCOL_QBE | TAXCOL_SORTABLE | TAXCOL_DBLSORT;
    g->addCol(1, -7, "ID", 1, q | TAXCOL_RIGHT, -1, -1, "%.0f", 0);
    g->addCol(2, -16, "Name", 2, q, -1, -1, "", 0);
    g->addCol(3, -10, "City", 2, q, -1, -1, "", 0);
    g->addCol(4, -7, "Code", 2, q, -1, -1, "", 0);
    g->addCol(5, -6, "Qty", 1, q | TAXCOL_RIGHT, -1, -1, "%.0f", 0);
    g->addCol(6, -9, "Price", 1, q | TAXCOL_RIGHT, -1, -1, "%.2f", 0);
    g->addCol(7, -7, "Ratio", 1, q | TAXCOL_RIGHT, -1, -1, "%.3f", 0);
    g->addCol(8, -10, "Created", 4, q, -1, -1, "YYYY-MM-DD", 0);
    g->addCol(9, -15, "Updated", 4, q, -1, -1, "DD.MM.YYYY hh:mm", 0);
    g->addCol(10, 40, "Paid", 1, TAXCOL_CHECKBOX | TAXCOL_SORTABLE, -1, -1, "", 0);
}

bool sampleRows(cRerovar* g, int n) {
    char buf[64];
    for (int i = 0; i < n; i++) {
        cTaxRow* r = g->addRow(-1);
        if (!r)
            return false;
        r->setNum(1, i + 1, 0, -1, -1);
        snprintf(buf, sizeof buf, "%s %s", pick(firsts), pick(lasts));
        r->setStr(2, buf, 0, -1, -1);
        r->setStr(3, pick(cities), 0, -1, -1);
        snprintf(buf, sizeof buf, "%c%c-%03u", 'A' + next() % 26, 'A' + next() % 26, next() % 1000);
        r->setStr(4, buf, 0, -1, -1);
        if (next() % 17)
            r->setNum(5, next() % 500, 0, -1, -1);
        r->setNum(6, (next() % 100000) / 100.0, 0, -1, -1);
        r->setNum(7, (next() % 1000) / 997.0, 0, -1, -1);
        r->setDat(8, mktimex(2015 + next() % 10, 1 + next() % 12, 1 + next() % 28, 0, 0, 0, 0), 0, -1, -1);
        r->setDat(9, mktimex(2024, 1 + next() % 12, 1 + next() % 28, next() % 24, next() % 60, 0, 0),
                  0, -1, -1);
        r->setNum(10, next() % 3 == 0, 0, -1, -1);
    }
    return true;
}
