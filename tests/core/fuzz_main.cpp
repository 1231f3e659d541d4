/* Seeded random driver for the fuzz targets: fuzz_core [seconds-per-target] [seed]. */
#include "fuzz.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

/* Pieces that steer random inputs towards the interesting paths of the parsers. */
const char* const kTokens[] = {
    "DD", "MM", "YYYY", "YY", "hh", "mm", "ss", "MMMM", "MMM", "D", "M", "Y", ".", ":", "-", "/", " ",
    "\t", "00005", "99999", "-0001", "2024", "12", "31", "1e308", "-1e-308", "nan", "inf", "0x1p3",
    "'", "\"", "\\", "<", ">", "&", "9999999999999999999999", "+", "e", "..", "\r\n", "\xC8", "\x8A", "\xFF",
};

void randomInput(std::mt19937& rng, std::string& out) {
    out.clear();
    size_t n = rng() % 64;
    for (size_t i = 0; i < n; i++) {
        unsigned r = rng() % 4;
        if (r == 0)
            out += (char)(rng() % 256);
        else if (r == 1)
            out += (char)('0' + rng() % 10);
        else
            out += kTokens[rng() % (sizeof kTokens / sizeof kTokens[0])];
    }
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 4.0;
    unsigned seed = argc > 2 ? (unsigned)strtoul(argv[2], nullptr, 10) : 20261208u;
    struct Target { const char* name; void (*fn)(const unsigned char*, size_t); };
    const Target targets[] = {{"strings", fuzz_strings}, {"values", fuzz_values}, {"outfmt", fuzz_outfmt}};
    std::string input;
    for (const Target& t : targets) {
        std::mt19937 rng(seed);
        auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        long runs = 0;
        while (std::chrono::steady_clock::now() < end) {
            for (int i = 0; i < 256; i++, runs++) {
                randomInput(rng, input);
                /* A copy without a terminator, so reads past the end are caught. */
                std::vector<unsigned char> exact(input.begin(), input.end());
                t.fn(exact.data(), exact.size());
            }
        }
        printf("fuzz %s: %ld inputs, seed %u\n", t.name, runs, seed);
    }
    return 0;
}
