/* Seeded random scripts through the script scanner: fuzz_script [seconds] [seed].
   Each block lives in a heap block of exactly its length, so the sanitizers catch any read
   past it. Checks: every scan call advances and stays inside its block, and splitting the
   input at random places never changes the commands or their line numbers. */
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

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
    fprintf(stderr, "fuzz_script: %s\ninput: \"", what);
    for (unsigned char c : input) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            fputc(c, stderr);
        else
            fprintf(stderr, "\\x%02X", c);
    }
    fprintf(stderr, "\"\n");
    abort();
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
    double seconds = argc > 1 ? atof(argv[1]) : 4;
    unsigned seed = argc > 2 ? (unsigned)strtoul(argv[2], 0, 10) : 1234;
    std::mt19937 rng(seed);
    auto start = std::chrono::steady_clock::now();
    long inputs = 0;
    std::string in;
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) {
        in.clear();
        size_t n = rng() % 64;
        for (size_t i = 0; i < n; i++) {
            if (rng() % 6 == 0)
                in += (char)(rng() % 256);
            else
                in += kTokens[rng() % (sizeof kTokens / sizeof kTokens[0])];
        }
        std::vector<Cmd> a = run(in, rng, true);
        std::vector<Cmd> b = run(in, rng, false);
        if (!(a == b))
            fail("block boundaries changed the commands", in);
        inputs++;
    }
    printf("fuzz_script: %ld inputs in %.0f s, seed %u\n", inputs, seconds, seed);
    return 0;
}
