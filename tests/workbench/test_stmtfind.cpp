/* Statement finder and statement kinds, on plain texts. */
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "stmtfind.h"

namespace {

/* Statement around the position of the "|" marker (removed from the text). */
std::string at(std::string text, int* endLine = 0) {
    size_t bar = text.find('|');
    EXPECT_NE(bar, std::string::npos) << "no caret marker in the test text";
    text.erase(bar, 1);
    cTextLines lines(text.data(), (int)text.size());
    return findStatement(text.data(), (int)text.size(), (int)bar, lines, endLine);
}

}  // namespace

TEST(StatementFinder, StatementOfTheCaretsLine) {
    EXPECT_EQ(at("sel|ect 1;\r\nselect 2;\r\n"), "select 1");
    EXPECT_EQ(at("select 1;\r\nsel|ect 2;\r\n"), "select 2");
    EXPECT_EQ(at("select 1;\r\n|select 2;\r\n"), "select 2");
}

TEST(StatementFinder, StatementsSpanLinesUntilTheTerminator) {
    EXPECT_EQ(at("select a,\r\n  b\r\nfr|om t;\r\nselect 2;"), "select a,\r\n  b\r\nfrom t");
    EXPECT_EQ(at("select a,\r\n  |b\r\nfrom t;\r\n"), "select a,\r\n  b\r\nfrom t");
}

TEST(StatementFinder, ALineCommentAfterTheTerminatorEndsTheStatementToo) {
    int line = -1;
    EXPECT_EQ(at("sel|ect a from t where id = 1; -- only this one\r\ndelete from t;\r\n", &line),
              "select a from t where id = 1");
    EXPECT_EQ(line, 0);
    EXPECT_EQ(at("select a from t where id = 1; -- only| this one\r\ndelete from t;\r\n"),
              "select a from t where id = 1");
    EXPECT_EQ(at("select a from t where id = 1; -- only this one|\r\ndelete from t;\r\n"),
              "select a from t where id = 1");
    EXPECT_EQ(at("select a from t where id = 1;-- c\r\ndel|ete from t;\r\n"), "delete from t");
    EXPECT_EQ(at("select 1; -- c\r\n|\r\nselect 2;"), "") << "a blank line after it is none";
    // A "--" inside the statement, or with text between it and the ";", changes nothing.
    EXPECT_EQ(at("sel|ect '--x';\r\nselect 2;"), "select '--x'");
    EXPECT_EQ(at("sel|ect 1; x -- c\r\nselect 2;"), "select 1; x -- c\r\nselect 2");
    // Quoted "; --" is data; a comment's own "; --" is comment.
    EXPECT_EQ(at("insert into t values (1, 'a; -- b'\r\n  );\r\nsel|ect 2;"), "select 2");
    EXPECT_EQ(at("ins|ert into t values (1, 'a; -- b', \"c; --\"\r\n  );\r\nselect 2;"),
              "insert into t values (1, 'a; -- b', \"c; --\"\r\n  )");
    EXPECT_EQ(at("sel|ect 'it''s'; -- c\r\nselect 2;"), "select 'it''s'");
    EXPECT_EQ(at("sel|ect 1 -- x; -- y\r\nfrom t;"), "select 1 -- x; -- y\r\nfrom t");
    // A block comment after the ";" closes the line too, also one running on below.
    EXPECT_EQ(at("select 1;| /* first */\r\n\r\ndelete from t;"), "select 1");
    EXPECT_EQ(at("select 1; /* a\r\nb */\r\ndel|ete from t;"), "delete from t");
    EXPECT_EQ(at("select 1; /* a\r\n|b */\r\ndelete from t;"), "");
    EXPECT_EQ(at("sel|ect 1; /* a */ select 2;\r\ndelete from t;"), "select 1; /* a */ select 2");
    EXPECT_EQ(at("insert into t values (E'a\\'b');| -- note\r\n\r\ndelete from t;"),
              "insert into t values (E'a\\'b')");
    EXPECT_EQ(at("sel|ect 1; /* a */ /* b */\r\ndelete from t;"), "select 1");
    EXPECT_EQ(at("select 1; /* a */ /* b\r\n*/\r\ndel|ete from t;"), "delete from t");
    // A condition commented out with its ";" ends nothing.
    EXPECT_EQ(at("sel|ect id from t\r\n-- where id = 2;\r\nwhere id = 1;\r\nselect 2;"),
              "select id from t\r\n-- where id = 2;\r\nwhere id = 1");
}

TEST(StatementFinder, DollarQuotedBodiesAndBlockCommentsEndNoStatement) {
    std::string fn = "create function f() returns int as $$\r\nbegin\r\n  return 1;\r\nend;\r\n"
                     "$$ language plpgsql";
    std::string script = "select 1;\r\n" + fn + ";\r\nselect '$$';\r\nselect 2;\r\n";
    for (char const* where : {"create", "return", "end;", "language"}) {
        std::string marked = script;
        marked.insert(marked.find(where), "|");
        int line = -1;
        EXPECT_EQ(at(marked, &line), fn) << "caret at " << where;
        EXPECT_EQ(line, 5) << where;
    }
    std::string after = script;
    after.insert(after.find("select 2"), "|");
    EXPECT_EQ(at(after), "select 2") << "a quoted $$ opens nothing";
    EXPECT_EQ(at("do $x$ a;\r\n b; $y$\r\n c;\r\n$x$;\r\nsel|ect 3;"), "select 3");
    EXPECT_EQ(at("sel|ect $1;\r\nselect a$b$;\r\n"), "select $1");
    EXPECT_EQ(at("select 0;\r\n/* first part;\r\n second part */\r\nsel|ect 1;"),
              "/* first part;\r\n second part */\r\nselect 1");
    EXPECT_EQ(at("select '/*';\r\nsel|ect 2; -- /* no comment opens\r\nselect 3;"), "select 2");
    // Quoted texts and names that run over a line break, E'' with its backslashes.
    EXPECT_EQ(at("ins|ert into t values ('multi;\r\nline', \"a;\r\nb\");\r\nselect 2;"),
              "insert into t values ('multi;\r\nline', \"a;\r\nb\")");
    std::string e = "insert into t values (E'it\\'s;\r\n');\r\n" + fn + ";\r\nsel|ect 2;";
    EXPECT_EQ(at(e), "select 2");
    e.insert(e.find("  return"), "|");
    EXPECT_EQ(at(e), fn);
    EXPECT_EQ(at("sel|ect 'a' -- it's\r\nfrom t;\r\nselect 'b\r\nc';"), "select 'a' -- it's\r\nfrom t");
    // A caret in a statement commented out runs nothing, not the statement below it: also at
    // the comment's line start, on a blank line below it, or after a comment's tail.
    EXPECT_EQ(at("select 1;\r\n/* sel|ect 2;\r\n*/\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 1;\r\n-- delete| from u;\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 1;\r\n|  -- delete from u;\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 1;\r\n-- delete from u;\r\n|\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 6; /* a\r\n b; */|\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 6; /* a\r\n b; */\r\n|\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 1;\r\n-- upd|ate t\r\n--   set x = 1;\r\nupdate u set y = 2;"), "");
    EXPECT_EQ(at("-- heading\r\n|\r\ndelete from t;"), "-- heading\r\n\r\ndelete from t");
    EXPECT_EQ(at("select 1;\r\n-- delete| from u; -- old\r\ndelete from t;"), "");
    EXPECT_EQ(at("select 1;\r\n/* delete| from u; -- old */\r\ndelete from t;"), "");
    // A "--", a quote or a nested comment inside a dollar body, a name or a comment.
    EXPECT_EQ(at("sel|ect $$a -- b$$;\r\ndelete from t;"), "select $$a -- b$$");
    EXPECT_EQ(at("sel|ect $f$ it's $f$; -- c\r\ndelete from t;"), "select $f$ it's $f$");
    EXPECT_EQ(at("sel|ect 1 as `a--b`;\r\ndelete from t;"), "select 1 as `a--b`");
    EXPECT_EQ(at("connect pg/u/it's;\r\nsel|ect 'x';"), "select 'x'") << "a password's quote";
    EXPECT_EQ(at("connect pg/u/pw--1;\r\nsel|ect 'x';"), "select 'x'") << "a password's --";
    EXPECT_EQ(at("connect pg/u/pw; -- test\r\nsel|ect 'x';"), "select 'x'");
    EXPECT_EQ(at("connect\tpg/u/pw--1;\r\nsel|ect 'x';"), "select 'x'");
    EXPECT_EQ(at("con|nect pg/u/pw; /* test */\r\nselect 'x';"), "connect pg/u/pw");
    // "connect" that does not begin a statement is a name; its line's comment ends nothing.
    EXPECT_EQ(at("del|ete from t\r\nconnect -- alias;\r\nwhere connect.id = 1;\r\nselect 2;"),
              "delete from t\r\nconnect -- alias;\r\nwhere connect.id = 1");
    EXPECT_EQ(at("select 1 /* a /* b */ it's */;\r\nupd|ate t;\r\nselect 'x';"), "update t");
    EXPECT_EQ(at("-- head|ing\r\ndelete from t;"), "-- heading\r\ndelete from t");
    EXPECT_EQ(at("/* x;\r\n he|ading */ delete from t;"), "");
}

/* The statements a run from the first line sends, as the editor's run goes line by line. */
std::vector<std::string> runAll(std::string const& text) {
    cTextLines lines(text.data(), (int)text.size());
    std::vector<std::string> sent;
    for (int line = 0; line < lines.lineCount(); line++) {
        int pos = runStartOnLine(text.data(), (int)text.size(), lines.lineIndex(line));
        int end = -1;
        std::string s = findStatement(text.data(), (int)text.size(), pos, lines, &end);
        s.erase(0, leadingCommentLength(s));
        if (!s.empty())
            sent.push_back(s);
        line = std::max(line, end);
    }
    return sent;
}

TEST(StatementFinder, ARunSendsEveryStatementAfterComments) {
    using v = std::vector<std::string>;
    EXPECT_EQ(runAll("select 1; /* a\r\n b */ delete from t;\r\nselect 2;"),
              (v{"select 1", "delete from t", "select 2"}));
    EXPECT_EQ(runAll("select 1;\r\n/* delete from u;\r\n*/ delete from t;\r\nselect 2;"),
              (v{"select 1", "delete from t", "select 2"}));
    EXPECT_EQ(runAll("/* step 2; */ select 1;\r\ndelete from t;\r\n-- x;\r\n/* y; */\r\n"),
              (v{"select 1", "delete from t"}));
}

TEST(StatementFinder, BlankLineBetweenStatementsIsNoStatement) {
    int line = 77;
    EXPECT_EQ(at("select 1;\r\n|\r\nselect 2;", &line), "");
    EXPECT_EQ(line, 77) << "the line is left alone without a statement";
    EXPECT_EQ(at("select 1;\r\n  \t|\r\nselect 2;"), "");
    EXPECT_EQ(at("|\r\nselect 2;"), "") << "nothing above: no statement";
}

TEST(StatementFinder, BlankLineInsideAStatementRunsIt) {
    EXPECT_EQ(at("select a\r\n|\r\nfrom t;\r\n"), "select a\r\n\r\nfrom t");
}

TEST(StatementFinder, SemicolonInsideALineDoesNotEndAStatement) {
    EXPECT_EQ(at("select a; sel|ect b;\r\nselect c;"), "select a; select b");
    EXPECT_EQ(at("insert into t values ('x;y');\r\nselect 1|;"), "select 1");
    EXPECT_EQ(at("select 1; x\r\nsel|ect 2;\r\n"), "select 1; x\r\nselect 2")
        << "a terminator is followed only by blanks (or a line comment) on its line";
}

TEST(StatementFinder, CaretRightAfterTheTerminatorRunsThatStatement) {
    int line = -1;
    EXPECT_EQ(at("select 1;|\r\nselect 2;\r\n", &line), "select 1");
    EXPECT_EQ(line, 0);
    EXPECT_EQ(at("select 1;  |  \r\nselect 2;\r\n"), "select 1");
    EXPECT_EQ(at("select 0;\r\nselect 1;|"), "select 1") << "terminator on the last line";
}

TEST(StatementFinder, LastStatementWithoutTerminatorRunsToTheEnd) {
    int line = -1;
    EXPECT_EQ(at("select 1;\r\nselect |2\r\n  from t", &line), "select 2\r\n  from t");
    EXPECT_EQ(line, 2);
}

TEST(StatementFinder, TrailingTerminatorAndBlanksAreRemoved) {
    EXPECT_EQ(at("  |select 1 ;  \r\n"), "select 1");
    EXPECT_EQ(at("|select 1;;\r\n"), "select 1;") << "only one terminator goes";
    EXPECT_EQ(at("|;\r\n"), "");
}

TEST(StatementFinder, EndLineIsTheLineOfTheStatementsEnd) {
    int line = -1;
    EXPECT_EQ(at("|select a\r\nfrom t\r\nwhere x = 1;\r\nselect 2;", &line),
              "select a\r\nfrom t\r\nwhere x = 1");
    EXPECT_EQ(line, 2);
}

TEST(StatementFinder, UnterminatedQuotesAreJustText) {
    // A quote never closed hides no terminator: the statement ends where the rule says.
    EXPECT_EQ(at("select 'abc|;\r\nselect 2;"), "select 'abc");
    EXPECT_EQ(at("select 'abc\r\nde|f"), "select 'abc\r\ndef");
}

TEST(StatementFinder, LoneLineFeedsBreakLinesToo) {
    EXPECT_EQ(at("select 1;\nsel|ect 2;\n"), "select 2");
    EXPECT_EQ(at("select 1;\n|\nselect 2;\n"), "");
}

TEST(StatementFinder, AnyLengthAndAnyPosition) {
    std::string big = "select ";
    for (int i = 0; i < 20000; i++)
        big += "c" + std::to_string(i) + ", ";
    big += "0 from t;\r\n";
    std::string text = "select 1;\r\n" + big + "select 2;\r\n";
    std::string withCaret = text;
    withCaret.insert(text.size() / 2, "|");
    EXPECT_EQ(at(withCaret), big.substr(0, big.size() - 3));
    // Positions outside the text are taken to its ends; an empty text has no statement.
    cTextLines lines(text.data(), (int)text.size());
    EXPECT_EQ(findStatement(text.data(), (int)text.size(), -5, lines, 0), "select 1");
    EXPECT_EQ(findStatement(text.data(), (int)text.size(), 1 << 30, lines, 0), "")
        << "the end of the text is the blank line after the last terminator";
    cTextLines none("", 0);
    EXPECT_EQ(findStatement("", 0, 0, none, 0), "");
}

TEST(StatementKind, LeadingWordsDecide) {
    EXPECT_EQ(statementKind(""), STMT_EMPTY);
    EXPECT_EQ(statementKind("connect src/u/p"), STMT_CONNECT);
    EXPECT_EQ(statementKind("CONNECT src"), STMT_CONNECT);
    EXPECT_EQ(statementKind("connect"), STMT_COMMAND) << "the keyword needs its blank";
    EXPECT_EQ(statementKind("Disconnect"), STMT_DISCONNECT);
    EXPECT_EQ(statementKind("commit"), STMT_COMMIT);
    EXPECT_EQ(statementKind("Commit work"), STMT_COMMIT);
    EXPECT_EQ(statementKind("rollback work"), STMT_ROLLBACK);
    EXPECT_EQ(statementKind("ROLLBACK transaction "), STMT_ROLLBACK);
    EXPECT_EQ(statementKind("end"), STMT_COMMIT) << "a trigger body's end commits: say so";
    EXPECT_EQ(statementKind("abort work"), STMT_ROLLBACK);
    EXPECT_EQ(statementKind("end_date"), STMT_COMMAND);
    // Only the whole transaction is the workbench's: the rest goes to the data source.
    EXPECT_EQ(statementKind("rollback to savepoint sp1"), STMT_COMMAND);
    EXPECT_EQ(statementKind("rollback transaction to savepoint sp1"), STMT_COMMAND);
    EXPECT_EQ(statementKind("commit prepared 'x'"), STMT_COMMAND);
    EXPECT_EQ(statementKind("commits"), STMT_COMMAND);
    EXPECT_EQ(statementKind("select * from t"), STMT_SELECT);
    EXPECT_EQ(statementKind("SeLeCt 1"), STMT_SELECT);
    EXPECT_EQ(statementKind("(select 1)"), STMT_COMMAND);
    EXPECT_EQ(statementKind("stop"), STMT_STOP);
    EXPECT_EQ(statementKind("insert into t values (1)"), STMT_COMMAND);
}

TEST(StatementKind, LineBreaksBecomeBlanksFirst) {
    std::string s = "SELECT\r\n* from t";
    flattenBlanks(s);
    EXPECT_EQ(s, "SELECT  * from t");
    EXPECT_EQ(statementKind(s.c_str()), STMT_SELECT);
    s = "select\t1";
    flattenBlanks(s);
    EXPECT_EQ(statementKind(s.c_str()), STMT_SELECT);
}

TEST(StatementKind, CommentsBeforeTheKeywordAreSkipped) {
    auto rest = [](std::string const& s) { return s.substr(leadingCommentLength(s)); };
    EXPECT_EQ(rest("/* a\r\n   b; c */\r\n\r\nselect 1"), "select 1");
    EXPECT_EQ(rest("-- one\r\n  -- two\nSelect x -- tail"), "Select x -- tail");
    EXPECT_EQ(rest("/* a */ /* b */-- c\r\n commit"), "commit");
    EXPECT_EQ(rest("select 1 /* kept */"), "select 1 /* kept */");
    EXPECT_EQ(rest("- 1"), "- 1");
    EXPECT_EQ(rest("/ * no comment"), "/ * no comment");
    EXPECT_EQ(rest("/* never closed\r\nselect 1"), "") << "all of it is comment";
    EXPECT_EQ(rest("-- only a comment"), "");
    EXPECT_EQ(rest("/*/ still open"), "");
    EXPECT_EQ(rest("/**/select 2"), "select 2");
    EXPECT_EQ(rest(""), "");
    // The statement under the caret, as the welcome script has it: comment block, then SQL.
    std::string script = "stop;\r\n\r\n/* Press \"stop;\" here; or F5. */\r\n\r\n"
                         "select a\r\n  from t;\r\n";
    cTextLines lines(script.data(), (int)script.size());
    std::string s = findStatement(script.data(), (int)script.size(), (int)script.find("select"),
                                  lines, 0);
    s = rest(s);
    flattenBlanks(s);
    EXPECT_EQ(s, "select a    from t");
    EXPECT_EQ(statementKind(s.c_str()), STMT_SELECT);
}

TEST(ConnectKeyword, SourceUserPassword) {
    std::string d, u, p;
    ASSERT_TRUE(parseConnect("connect   sales/scott/ti/ger", d, u, p));
    EXPECT_EQ(d, "sales");
    EXPECT_EQ(u, "scott");
    EXPECT_EQ(p, "ti/ger") << "the password keeps its slashes";
    ASSERT_TRUE(parseConnect("connect sales", d, u, p));
    EXPECT_EQ(d, "sales");
    EXPECT_EQ(u, "");
    EXPECT_EQ(p, "");
    ASSERT_TRUE(parseConnect("connect sales/scott", d, u, p));
    EXPECT_EQ(u, "scott");
    EXPECT_EQ(p, "");
    EXPECT_FALSE(parseConnect("connect    ", d, u, p));
    EXPECT_FALSE(parseConnect("connect ", d, u, p));
}
