/* The script reader: commands, comments, quotes, line numbers, and the same result
   whatever the block boundaries. */
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scriptread.h"

namespace {

struct Cmd {
    std::string text;
    int line;  // line of the command's end
};

/* Every command of a script fed in blocks of `step` bytes (0: all at once). */
std::vector<Cmd> scanAll(std::string const& script, size_t step = 0) {
    std::vector<Cmd> out;
    cScriptScan s;
    size_t at = 0;
    while (at < script.size()) {
        size_t n = step ? std::min(step, script.size() - at) : script.size() - at;
        std::vector<char> block(script.begin() + at, script.begin() + at + n);  // exact size
        size_t used = 0;
        while (used < n) {
            bool ended = false;
            int k = s.scan(block.data() + used, (int)(n - used), &ended);
            EXPECT_GE(k, 1);
            EXPECT_LE((size_t)k, n - used);
            used += k;
            if (ended)
                out.push_back({s.take(), s.line});
        }
        at += n;
    }
    if (s.finish())
        out.push_back({s.take(), s.line});
    return out;
}

std::vector<std::string> texts(std::vector<Cmd> const& cmds) {
    std::vector<std::string> t;
    for (auto const& c : cmds)
        t.push_back(c.text);
    return t;
}

using V = std::vector<std::string>;

/* Reads a script through a real file, as the worker does. */
std::vector<Cmd> readFile(std::string const& bytes) {
    FILE* f = tmpfile();
    EXPECT_TRUE(f != 0);
    fwrite(bytes.data(), 1, bytes.size(), f);
    rewind(f);
    cScriptReader r(f);
    std::vector<Cmd> out;
    std::string c;
    while (r.next(c))
        out.push_back({c, r.line()});
    EXPECT_FALSE(r.readError());
    EXPECT_FALSE(r.next(c)) << "the end stays the end";
    return out;
}

}  // namespace

TEST(ScriptScan, CommandsCommentsAndTheEmptyTail) {
    // The comment after the last ";" yields an empty last command (the runner skips it).
    EXPECT_EQ(texts(scanAll("create table t (a int); insert into t values (1); -- done")),
              (V{"create table t (a int)", "insert into t values (1)", ""}));
    // Nothing after the last ";": no further command at all.
    EXPECT_EQ(texts(scanAll("a;b;")), (V{"a", "b"}));
    EXPECT_EQ(texts(scanAll("")), V{});
    // Leading blanks go, trailing ones stay; each CR and LF is one blank.
    EXPECT_EQ(texts(scanAll("\r\n\t  select 1 \r\nfrom t  ;")), (V{"select 1   from t  "}));
    // Comment characters are not kept; their line breaks still give a blank.
    EXPECT_EQ(texts(scanAll("a -- x;y\r\nb # z;\nc // w;\nd;")), (V{"a   b  c  d"}));
    EXPECT_EQ(texts(scanAll("a/* one;\r\n two -- ;*/b;")), (V{"a  b"}));
    EXPECT_EQ(texts(scanAll("a/**/b/***/c/* * / **/d;")), (V{"abcd"}));
    // A lone '-' or '/' is an operator and stays.
    EXPECT_EQ(texts(scanAll("select 4-2/1, a/b-c;x-")), (V{"select 4-2/1, a/b-c", "x-"}));
    EXPECT_EQ(texts(scanAll("select 1 -/")), (V{"select 1 -/"}));
}

TEST(ScriptScan, QuotesKeepTerminatorsAndCommentsAsText) {
    EXPECT_EQ(texts(scanAll("insert into t values ('a;b', 'c--d', 'O''Brien', '#/*');x;")),
              (V{"insert into t values ('a;b', 'c--d', 'O''Brien', '#/*')", "x"}));
    EXPECT_EQ(texts(scanAll("select \"we;ird\", [x;y] from \"t--\";")),
              (V{"select \"we;ird\", [x;y] from \"t--\""}));
    // A quote of one kind does not close another; ']' closes only '['.
    EXPECT_EQ(texts(scanAll("select '\"', \"'\", [x'] ;n")), (V{"select '\"', \"'\", [x'] ", "n"}));
    // Line breaks inside a literal are data: copied unchanged, still counted.
    std::vector<Cmd> c = scanAll("insert into t values ('two\r\nlines');\nx;");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].text, "insert into t values ('two\r\nlines')");
    EXPECT_EQ(c[0].line, 2);
    EXPECT_EQ(c[1].line, 3);
}

TEST(ScriptScan, LineNumberIsTheLineOfTheTerminator) {
    std::vector<Cmd> c = scanAll("select 1;\ninsert into t\n  values\n  (1);\n\n/* a\nb */ x;");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].line, 1);
    EXPECT_EQ(c[1].text, "insert into t   values   (1)");
    EXPECT_EQ(c[1].line, 4);  // three lines, ";" on the fourth line of the file
    EXPECT_EQ(c[2].line, 7);
    // Line feeds in comments count too; a lone CR does not start a line.
    c = scanAll("-- a\r\n# b\r\n// c\r\ny;\rz;");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].line, 4);
    EXPECT_EQ(c[1].line, 4);
}

TEST(ScriptScan, UnterminatedQuoteOrCommentRunsTheRestOnce) {
    EXPECT_EQ(texts(scanAll("a; insert into t values ('open; -- no end\nmore;")),
              (V{"a", "insert into t values ('open; -- no end\nmore;"}));
    EXPECT_EQ(texts(scanAll("a; b /* never closed; c;")), (V{"a", "b "}));
    EXPECT_EQ(texts(scanAll("a; /* never closed; c;")), (V{"a", ""}));
    // Binary bytes, NUL included, are kept and never stop the scan.
    std::string bin("x\0y\xff;\0", 6);
    std::vector<Cmd> c = scanAll(bin);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].text, std::string("x\0y\xff", 4));
    EXPECT_EQ(c[1].text, std::string("\0", 1));
}

TEST(ScriptScan, DollarQuotedBodiesKeepTheirTextWhole) {
    std::string fn = "create function f() returns int as $$\nbegin\n  -- one; # two\n  return 1;\nend;\n$$ language plpgsql";
    std::vector<Cmd> c = scanAll("x;\n" + fn + ";\nselect $1, a$b$, 2 from t;\ndo $body$ begin null; end $body$;");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[1].text, fn) << "comments and terminators inside are the body's";
    EXPECT_EQ(c[1].line, 7);
    EXPECT_EQ(c[2].text, "select $1, a$b$, 2 from t") << "a parameter and a name open nothing";
    EXPECT_EQ(c[3].text, "do $body$ begin null; end $body$");
    // Another tag does not close a body; an open one runs to the end, once; any blocks.
    std::string open = "do $a$ x; $b$ y; $a$;z;$q$ never closed; w;";
    EXPECT_EQ(texts(scanAll(open)), (V{"do $a$ x; $b$ y; $a$", "z", "$q$ never closed; w;"}));
    for (size_t step = 1; step <= open.size(); step++)
        EXPECT_EQ(texts(scanAll(open, step)), texts(scanAll(open))) << "step " << step;
}

TEST(ScriptScan, AnyBlockBoundaryGivesTheSameCommands) {
    std::string script =
        "create table t (a int, b varchar(20)); -- first\r\n"
        "insert into t values (1, 'x;--y'); /* two\r\n lines */ insert into t values (2, \"q\");\n"
        "# hash\nselect a-b, a/b from [t;] // tail\n;update t set b = 'it''s' where a = 1;"
        "/*unterminated";
    std::vector<Cmd> whole = scanAll(script);
    ASSERT_EQ(whole.size(), 5u);  // the unterminated comment keeps nothing
    for (size_t step = 1; step <= script.size(); step++) {
        std::vector<Cmd> parts = scanAll(script, step);
        ASSERT_EQ(parts.size(), whole.size()) << "step " << step;
        for (size_t i = 0; i < whole.size(); i++) {
            EXPECT_EQ(parts[i].text, whole[i].text) << "step " << step << " command " << i;
            EXPECT_EQ(parts[i].line, whole[i].line) << "step " << step << " command " << i;
        }
    }
}

TEST(ScriptReader, FileInBlocksAcrossTheBlockSize) {
    // "--" and "/*" straddling the 1024-byte boundary, and a command far longer than a block.
    for (int shift = 0; shift < 3; shift++) {
        std::string s(SCRIPT_BLOCK - 2 + shift, 'a');
        s += "--c;\nb/*;*/c;";
        s += std::string(5000, 'z') + ";\n\n";
        std::vector<Cmd> c = readFile(s);
        ASSERT_EQ(c.size(), 3u) << "shift " << shift;
        EXPECT_EQ(c[2].text, "") << "the blank tail is an empty command";
        EXPECT_EQ(c[0].text, std::string(SCRIPT_BLOCK - 2 + shift, 'a') + " bc");
        EXPECT_EQ(c[0].line, 2);
        EXPECT_EQ(c[1].text, std::string(5000, 'z'));
    }
    std::vector<Cmd> c = readFile("one;\ntwo\n");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].text, "two ");
    EXPECT_EQ(c[1].line, 3);
    EXPECT_TRUE(readFile("").empty());
    cScriptReader none(0);
    std::string cmd;
    EXPECT_FALSE(none.next(cmd));
}
