/* Loads a result set through cXdbc: fetchNext, then colValue of every column into
   one value object per column (number, text or date by the column's type).
   usage: bench_odbc_fetch <dsn> <user> <password> <select> [runs]
   Prints one line per run, the best and the median rate. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "xdbc.h"

static double seconds(LARGE_INTEGER const& a, LARGE_INTEGER const& b, LARGE_INTEGER const& f)
{
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: %s <dsn> <user> <password> <select> [runs]\n", argv[0]);
        return 2;
    }
    int runs = argc > 5 ? atoi(argv[5]) : 3;
    if (runs < 1)
        runs = 1;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);

    cXdbc* x = xdb_init();
    if (!x || !x->connect(argv[1], argv[2], argv[3], 0)) {
        fprintf(stderr, "connect %s: %s\n", argv[1], x ? x->errorStr() : "no memory");
        return 1;
    }
    double best = 0;
    std::vector<double> rates;
    long rows = 0;
    int cols = 0;
    for (int run = 1; run <= runs; run++) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        if (!x->prepare(argv[4]) || !x->execute(NULL)) {
            fprintf(stderr, "%s: %s\n", argv[4], x->errorStr());
            return 1;
        }
        cols = x->colCount();
        cVariablex** v = new cVariablex*[cols];
        for (int i = 0; i < cols; i++) {
            switch (x->colType(i)) {
            case 1: v[i] = new cNumbex(); break;
            case 4: v[i] = new cDatex(); break;
            default: v[i] = new cStrinx(); break;
            }
        }
        rows = 0;
        double check = 0;
        while (x->fetchNext()) {
            for (int i = 0; i < cols; i++)
                x->colValue(i, *v[i]);
            check += v[0]->toDouble();
            rows++;
        }
        QueryPerformanceCounter(&t1);
        if (x->error()) {
            fprintf(stderr, "fetch: %s\n", x->errorStr());
            return 1;
        }
        double s = seconds(t0, t1, freq);
        double rate = s > 0 ? rows / s : 0;
        if (rate > best)
            best = rate;
        rates.push_back(rate);
        printf("run %d: %ld rows x %d columns in %.3f s = %.0f rows/s (check %.0f)\n", run, rows,
               cols, s, rate, check);
        for (int i = 0; i < cols; i++)
            delete v[i];
        delete[] v;
    }
    printf("best: %.0f rows/s\n", best);
    std::sort(rates.begin(), rates.end());
    size_t n = rates.size();
    printf("median: %.0f rows/s\n", n % 2 ? rates[n / 2] : (rates[n / 2 - 1] + rates[n / 2]) / 2);
    xdb_free(x);
    return 0;
}
