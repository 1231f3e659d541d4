/* The driver side of the seeded random fuzzers: arguments, the timed loop, picking tokens
   and reporting a failing input. */
#ifndef LUMBRA_FUZZRUN_H
#define LUMBRA_FUZZRUN_H

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

/* [seconds] [seed] from the command line; 4 seconds and defaultSeed when not given. */
struct FuzzArgs {
    double seconds;
    unsigned seed;
};

inline FuzzArgs fuzzArgs(int argc, char** argv, unsigned defaultSeed) {
    FuzzArgs a;
    a.seconds = argc > 1 ? atof(argv[1]) : 4.0;
    a.seed = argc > 2 ? (unsigned)strtoul(argv[2], nullptr, 10) : defaultSeed;
    return a;
}

/* Calls one() in batches of 256 until the seconds are up; the number of calls. */
template <class F>
long fuzzFor(double seconds, F&& one) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end)
        for (int i = 0; i < 256; i++, runs++)
            one();
    return runs;
}

template <size_t N>
const char* pickToken(std::mt19937& rng, const char* const (&tokens)[N]) {
    return tokens[rng() % N];
}

/* Reports the input with every byte outside printable ASCII escaped, then aborts. */
[[noreturn]] inline void fuzzFail(const char* prog, const char* what, const std::string& input) {
    fprintf(stderr, "%s: %s\ninput: \"", prog, what);
    for (unsigned char c : input) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            fputc(c, stderr);
        else
            fprintf(stderr, "\\x%02X", c);
    }
    fprintf(stderr, "\"\n");
    abort();
}

#endif
