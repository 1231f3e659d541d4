/* Seeded random sections for the installer's list parser and path check:
   fuzz_installer [seconds] [seed]. An accepted path never leaves its directory. */
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../core/fuzzrun.h"
#include "instcore.h"

namespace {

const char* const kTokens[] = {"\\", "/", "..", ".", ":", "=", ";", "[", "a", "b.txt", "C:", " ", "\t",
                               "install.exe", "i.ini", "\\n", "\xE8", "*", "\"", "sub"};

void check(bool ok, char const* what, std::string const& in) {
    if (!ok) {
        fprintf(stderr, "fuzz_installer: %s for input of %zu bytes\n", what, in.size());
        abort();
    }
}

}  // namespace

int main(int argc, char** argv) {
    FuzzArgs args = fuzzArgs(argc, argv, 20261209u);
    std::mt19937 rng(args.seed);
    std::string in;
    long runs = fuzzFor(args.seconds, [&] {
        in.clear();
        size_t n = rng() % 48;
        for (size_t k = 0; k < n; k++) {
            unsigned r = rng() % 5;
            if (r == 0)
                in += (char)(rng() % 256);
            else if (r == 1)
                in += '\0';
            else
                in += pickToken(rng, kTokens);
        }
        std::vector<unsigned char> exact(in.begin(), in.end());  // no terminator past the end
        for (instxEntry const& e : instxParseSection((char const*)exact.data(), exact.size())) {
            check(!e.key.empty(), "empty key", in);
            std::string out, again;
            if (instxSafeRelPath(e.key, out)) {
                check(out[0] != '\\' && out.find(':') == std::string::npos, "absolute path", in);
                check(("\\" + out + "\\").find("\\..\\") == std::string::npos, "climbs out", in);
                check(instxSafeRelPath(out, again) && again == out, "not stable", in);
            }
            instxExpandNewlines(e.value);
            instxSkippedName(e.key);
            instxOnDrive(e.value, 'C');
            instxTargetFormOk(e.value);
        }
    });
    printf("fuzz installer: %ld inputs, seed %u\n", runs, args.seed);
    return 0;
}
