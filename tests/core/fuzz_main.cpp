/* Seeded random driver for the fuzz targets: fuzz_core [seconds-per-target] [seed]. */
#include "fuzz.h"
#include "fuzzrun.h"

#include <cstdio>
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
            out += pickToken(rng, kTokens);
    }
}

}  // namespace

int main(int argc, char** argv) {
    FuzzArgs args = fuzzArgs(argc, argv, 20261208u);
    struct Target { const char* name; void (*fn)(const unsigned char*, size_t); };
    const Target targets[] = {{"strings", fuzz_strings}, {"values", fuzz_values}, {"outfmt", fuzz_outfmt}};
    std::string input;
    for (const Target& t : targets) {
        std::mt19937 rng(args.seed);
        long runs = fuzzFor(args.seconds, [&] {
            randomInput(rng, input);
            /* A copy without a terminator, so reads past the end are caught. */
            std::vector<unsigned char> exact(input.begin(), input.end());
            t.fn(exact.data(), exact.size());
        });
        printf("fuzz %s: %ld inputs, seed %u\n", t.name, runs, args.seed);
    }
    return 0;
}
