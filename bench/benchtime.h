/* Timing of the benchmark programs: a millisecond clock and the median of runs. */
#ifndef LUMBRA_BENCHTIME_H
#define LUMBRA_BENCHTIME_H

#include <windows.h>

#include <algorithm>
#include <vector>

/* Milliseconds of the performance counter. */
inline double nowMs() {
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)freq.QuadPart;
}

/* The median of v; 0 for none. */
inline double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

#endif
