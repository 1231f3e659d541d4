/* Seeded random script text through the statement finder, the leading-comment skip, the
   statement kinds, the connect keyword and the log texts: fuzz_wbtext [seconds] [seed].
   Each text lives in a block of exactly its length, so the sanitizers catch any read past
   it; the finder's answer must be a part of the text. */
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../core/fuzzrun.h"
#include "stmtfind.h"
#include "wbtext.h"

namespace {

const char* const kTokens[] = {
    "select ", "connect ", "commit", "rollback", "stop", "disconnect", ";", ";\r\n", "; \n",
    "\r\n", "\n", "\r", " ", "\t", "/*", "*/", "--", "-", "/", "'", "\"", "a", "src/usr/pw",
    "//", "x", "\xC8", "\xFF", "union select ", " from ", "1", ".", ",",
};

void randomInput(std::mt19937& rng, std::string& out) {
    out.clear();
    size_t n = rng() % 40;
    for (size_t i = 0; i < n; i++) {
        if (rng() % 6 == 0)
            out += (char)(1 + rng() % 255);
        else
            out += pickToken(rng, kTokens);
    }
}

[[noreturn]] void fail(const char* what, const std::string& input) {
    fuzzFail("fuzz_wbtext", what, input);
}

void one(const std::string& input, unsigned pick) {
    std::vector<char> exact(input.begin(), input.end());
    const char* text = exact.empty() ? "" : exact.data();
    int len = (int)exact.size();
    cTextLines lines(text, len);
    int pos = len ? (int)(pick % (unsigned)(len + 1)) : 0;
    int endLine = -7;
    std::string s = findStatement(text, len, pos, lines, &endLine);
    if (!s.empty() && input.find(s) == std::string::npos)
        fail("the statement is not a part of the text", input);
    if (endLine != -7 && (endLine < 0 || endLine >= lines.lineCount()))
        fail("end line outside the text", input);
    int from = runStartOnLine(text, len, pos);
    if (from < pos || from > len || (from > pos && memchr(text + pos, '\n', (size_t)(from - pos))))
        fail("a run goes on off its line", input);
    size_t skip = leadingCommentLength(s);
    if (skip > s.size())
        fail("comment length past the statement", input);
    std::string rest = s.substr(skip);
    flattenBlanks(rest);
    eStmtKind kind = statementKind(rest.c_str());
    std::string dsn, user, pswd;
    if (kind == STMT_CONNECT && parseConnect(rest.c_str(), dsn, user, pswd) &&
        dsn.size() + user.size() + pswd.size() > rest.size())
        fail("connect parts longer than the statement", input);
    std::string entry = logEntry(logHeader(1, kind == STMT_COMMAND, 0.25), rest.c_str(),
                                 s.c_str(), 200);
    if (entry.size() > 200)
        fail("log entry longer than its limit", input);
}

}  // namespace

int main(int argc, char** argv) {
    FuzzArgs args = fuzzArgs(argc, argv, 20261209u);
    std::mt19937 rng(args.seed);
    std::string input;
    long runs = fuzzFor(args.seconds, [&] {
        randomInput(rng, input);
        one(input, rng());
    });
    printf("fuzz_wbtext: %ld inputs\n", runs);
    return 0;
}
