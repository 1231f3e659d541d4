/* Seeded random SQL-ish text through the tokenizer, the parser, the filters and the
   regeneration: fuzz_sql [seconds] [seed]. Each input lives in a block of exactly its
   length plus the terminator, so the sanitizers catch any read past it. */
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../core/fuzzrun.h"
#include "fake_xdbc.h"
#include "qbetext.h"
#include "sqlparser.h"
#include "stmtmodel.h"
#include "strx.h"

namespace {

const char* const kTokens[] = {
    "select ", "SELECT ", "from ", "FROM ", " from ", "where ", "WHERE ", "group by ", "group",
    " by ", "order by ", "having ", "limit ", "offset ", "for ", "join ", "on ", "left ",
    "inner ", "using ", "as ", "distinct ", "all ", "case ", "when ", "then ", "else ", "end ",
    "union ", "intersect ", "except ", "*", "t.*", "a", "b.c", "o.t.c", "x", ",", ", ", "(", ")",
    "'", "\"", "''", "'a, b'", "\"q r\"", "--", "/*", "*/", "\n", "\r", " ", "  ", "\t", "+", "-",
    "/", "|", "||", "%", "count(*)", "sum(", "min (", "1", "2.5", "-3", ".", "..", "x.", ".y",
    ";", "\xC8", "\xFF", "=", "<>", ">=", " or ", " and ", "(select a from t)", "::", "$",
};

const int kOps[] = {201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 0, 999};

void randomInput(std::mt19937& rng, std::string& out) {
    out.clear();
    if (rng() % 8)
        out = (rng() % 2) ? "select " : "SELECT ";
    size_t n = rng() % 48;
    for (size_t i = 0; i < n; i++) {
        unsigned r = rng() % 8;
        if (r == 0)
            out += (char)(1 + rng() % 255);
        else
            out += pickToken(rng, kTokens);
    }
}

[[noreturn]] void fail(const char* what, const std::string& input) {
    fuzzFail("fuzz_sql", what, input);
}

/* A block of exactly the text's length plus the terminator. */
struct Exact {
    std::vector<char> buf;
    explicit Exact(const std::string& s) : buf(s.begin(), s.end()) { buf.push_back(0); }
    char* get() { return buf.data(); }
};

void tokenizeAll(const std::string& input) {
    Exact e(input);
    char* p = e.get();
    char* end = p + input.size();
    while (*p) {
        char* before = p;
        char* t = cSqlParsex::nextToken(&p);
        size_t len = strlen(t);
        freex(t);
        if (p < before || p > end)
            fail("tokenizer cursor outside the text", input);
        if (*p == ',')
            p++;
        else if (p == before && *p)
            fail("tokenizer made no progress", input);
        (void)len;
    }
}

void runModel(std::mt19937& rng, const std::string& input) {
    Exact e(input);
    int columns = (int)(rng() % 6);
    std::vector<std::pair<std::string, int>> cols;
    static const int types[] = {1, 2, 4, 8};
    for (int i = 0; i < columns; i++)
        cols.push_back({"c" + std::to_string(i), types[rng() % 4]});
    cFakeXdbc fake(cols);
    cXdbc* x = (rng() % 3) ? &fake : nullptr;

    cSqlParsex direct;
    bool ok = direct.analyse(e.get());
    if (ok && (!direct.fromText || !*direct.fromText))
        fail("a parse without a FROM list succeeded", input);
    for (int i = 0; ok && i < direct.attrCount; i++)
        if (!direct.attrs[i].atr)
            fail("an attribute without text", input);

    cStatementModel m(1, "", "", "", "");
    m.setSql(e.get());
    // A list the records cannot rebuild needs a result to take its columns from.
    bool kept = ok && !(direct.lossy && !(x && x->colCount() > 0));
    if (m.parse(x) != kept)
        fail("parse and analyse disagree", input);
    if (!kept) {
        if (m.columnCount)
            fail("a failed parse changed the model", input);
        return;
    }
    if (x && direct.attrCount == 0 && m.columnCount != columns)
        fail("select * did not follow the result", input);

    /* Random filters and sort, then the rebuilt statement must parse again. */
    std::vector<cQbeFilter> filters;
    std::vector<std::string> texts;
    int nf = (int)(rng() % 4);
    texts.reserve(nf);
    for (int i = 0; i < nf; i++) {
        std::string t;
        int len = (int)(rng() % 6);
        for (int k = 0; k < len; k++)
            t += (rng() % 3) ? pickToken(rng, kTokens)
                             : std::string(1, (char)(1 + rng() % 255));
        texts.push_back(t);
        cQbeFilter f;
        f.colid = (short)(rng() % 8);
        f.type = (short)types[rng() % 4];
        f.op = (short)kOps[rng() % (sizeof kOps / sizeof kOps[0])];
        f.negate = rng() % 2;
        f.text = (rng() % 5) ? texts.back().c_str() : nullptr;
        filters.push_back(f);
    }
    m.takeFilters(filters.data(), (int)filters.size());
    m.takeSort((short)(rng() % 8), (short)(rng() % 4));
    if (m.columnCount) {
        int c = (int)(rng() % m.columnCount);
        m.setCondition(c, (short)(rng() % 16), texts.empty() ? "v" : texts[0].c_str());
        if (rng() % 2)
            m.takeConditions();
        if (rng() % 2)
            m.setOrderByColumn((int)(rng() % (m.columnCount + 2)) - 1, (short)(rng() % 3));
    }
    m.regenerate();
    std::string again = m.sql;
    m.regenerate();
    if (again != m.sql)
        fail("regeneration is not stable", input);

    // The laid-out SQL of the query-by-example window only adds line breaks.
    std::string shown = qbeSqlLayout(again.c_str());
    if (shown.size() < again.size() + 2 || shown.compare(shown.size() - 2, 2, "\r\n") != 0)
        fail("the laid-out statement lost text", input);
    int sw = 1 + (int)(rng() % 2000), sh = 1 + (int)(rng() % 2000);
    int px = (int)(rng() % 5000) - 2500, py = (int)(rng() % 5000) - 2500;
    if (rng() % 2)
        px = py = -1 - (int)(rng() % 2);
    cQbePlace p = qbePlace(px, py, (int)(rng() % 3000) - 10, (int)(rng() % 3000) - 10, sw, sh,
                           (int)(rng() % 20));
    if (p.x < 0 || p.y < 0 || p.x + p.w > sw || p.y + p.h > sh || p.w < 1 || p.h < 1)
        fail("a window placed off the screen", input);

    cStatementModel r(1, "", "", "", "");
    Exact re(again);
    r.setSql(re.get());
    cSqlParsex rebuilt;
    if (!rebuilt.analyse(re.get()))
        fail(("the rebuilt statement does not parse: " + again).c_str(), input);
    if (r.parse(nullptr))
        r.regenerate();
    (void)cStatementModel::isUnion(e.get());
}

}  // namespace

int main(int argc, char** argv) {
    FuzzArgs args = fuzzArgs(argc, argv, 20261208u);
    /* The parser's trace lines go to the standard output; keep them out of the way. */
    if (!freopen("/dev/null", "w", stdout))
        return 2;
    std::mt19937 rng(args.seed);
    long parsed = 0;
    std::string input;
    long runs = fuzzFor(args.seconds, [&] {
        randomInput(rng, input);
        tokenizeAll(input);
        Exact e(input);
        (void)sqlx_topWord(e.get(), "or");
        (void)sqlx_isAggregate(e.get());
        cSqlParsex p;
        if (p.analyse(e.get()))
            parsed++;
        runModel(rng, input);
    });
    fprintf(stderr, "fuzz_sql: %ld inputs, %ld parsed, seed %u\n", runs, parsed, args.seed);
    return 0;
}
