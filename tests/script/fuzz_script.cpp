/* Seeded random scripts through the script scanner: fuzz_script [seconds] [seed].
   Each block lives in a heap block of exactly its length, so the sanitizers catch any read
   past it. Checks: every scan call advances and stays inside its block, and splitting the
   input at random places never changes the commands or their line numbers. */
#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../core/fuzzrun.h"
#include "scriptread.h"

namespace {

const char* const kTokens[] = {
    "select ", "insert into t values (", ")", ";", ";;", "'", "\"", "[", "]", "''", "-", "--",
    "/", "//", "/*", "*/", "*", "**/", "#", "\n", "\r\n", "\r", " ", "\t", "a", "1", ",",
    "drop ", "connect x/y/z", "\xff", "\x80",
};

struct Cmd {
    std::string text;
    int line;
    bool operator==(Cmd const& o) const { return text == o.text && line == o.line; }
};

[[noreturn]] void fail(const char* what, const std::string& input) {
    fuzzFail("fuzz_script", what, input);
}

std::vector<Cmd> run(std::string const& in, std::mt19937& rng, bool whole) {
    std::vector<Cmd> out;
    cScriptScan s;
    size_t at = 0;
    while (at < in.size()) {
        size_t n = whole ? in.size() : 1 + rng() % std::min<size_t>(in.size() - at, 40);
        std::unique_ptr<char[]> block(new char[n]);  // exactly n bytes
        for (size_t i = 0; i < n; i++)
            block[i] = in[at + i];
        size_t used = 0;
        while (used < n) {
            bool ended = false;
            int k = s.scan(block.get() + used, (int)(n - used), &ended);
            if (k < 1 || (size_t)k > n - used)
                fail("scan did not advance inside its block", in);
            used += k;
            if (ended)
                out.push_back({s.take(), s.line});
        }
        at += n;
    }
    if (s.finish())
        out.push_back({s.take(), s.line});
    for (auto const& c : out)
        if (!c.text.empty() && (c.text[0] == ' ' || c.text[0] == '\n'))
            fail("leading blank kept", in);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    FuzzArgs args = fuzzArgs(argc, argv, 1234);
    std::mt19937 rng(args.seed);
    std::string in;
    long inputs = fuzzFor(args.seconds, [&] {
        in.clear();
        size_t n = rng() % 64;
        for (size_t i = 0; i < n; i++) {
            if (rng() % 6 == 0)
                in += (char)(rng() % 256);
            else
                in += pickToken(rng, kTokens);
        }
        std::vector<Cmd> a = run(in, rng, true);
        std::vector<Cmd> b = run(in, rng, false);
        if (!(a == b))
            fail("block boundaries changed the commands", in);
    });
    printf("fuzz_script: %ld inputs in %.0f s, seed %u\n", inputs, args.seconds, args.seed);
    return 0;
}
