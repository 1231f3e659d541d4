/* Texts of the log, the status bar, the title and Show Expression. */
#include <gtest/gtest.h>

#include <string>

#include "wbtext.h"

TEST(LogEntry, WorkedExamples) {
    EXPECT_EQ(logEntry(logHeader(3, false, 0.25), "select * from t", 0),
              "[3] [OK] [0.25 s]  select * from t\r\n\r\n");
    EXPECT_EQ(logEntry(logHeader(4, true, 0), "driver message", "insert into t values (1)"),
              "[4] [ERR]  driver message\r\n=== insert into t values (1)\r\n\r\n");
}

TEST(LogEntry, SecondsOnlyWhenPositive) {
    EXPECT_EQ(logHeader(1, false, 0), "[1] [OK]  ");
    EXPECT_EQ(logHeader(12, true, 1.005), "[12] [ERR] [1.00 s]  ");
    EXPECT_EQ(logHeader(2, false, 12.345), "[2] [OK] [12.35 s]  ");
}

TEST(LogEntry, TextAndStatementBecomeOneLineEach) {
    EXPECT_EQ(logEntry("[1] [ERR]  ", "line one\r\nline\ttwo", "select\r\n*\tfrom t"),
              "[1] [ERR]  line one  line two\r\n=== select  * from t\r\n\r\n");
    EXPECT_EQ(logEntry("[1] [OK]  ", 0, "select 1"), "[1] [OK]  \r\n\r\n")
        << "a statement without a text is not shown";
}

TEST(LogEntry, OversizedEntryIsCutToFitThePane) {
    std::string huge(100000, 'x');
    std::string e = logEntry("[9] [OK]  ", huge.c_str(), 0);
    EXPECT_EQ((int)e.size(), LOG_PANE_MAX);
    EXPECT_EQ(e.substr(0, 10), "[9] [OK]  ");
    EXPECT_EQ(e.substr(e.size() - 7), "...\r\n\r\n");
}

TEST(LogPane, OldestTextGoesFirst) {
    EXPECT_EQ(logPaneCut(100, 50), 0);
    EXPECT_EQ(logPaneCut(29990, 10), 0);
    EXPECT_EQ(logPaneCut(29990, 20), 10);
    EXPECT_EQ(logPaneCut(100, 30000), 100) << "at most everything there is";
    EXPECT_EQ(logPaneCut(0, 30001), 0);
}

TEST(StatusText, SlotFields) {
    EXPECT_EQ(slotStatusText(1, "", ""), "Q1: not connected");
    EXPECT_EQ(slotStatusText(2, "sales", "scott"), "Q2: sales/scott");
    EXPECT_EQ(slotStatusText(3, "sales", ""), "Q3: sales");
    EXPECT_EQ(slotStatusText(1, 0, 0), "Q1: not connected");
}

TEST(StatusText, RowCounts) {
    EXPECT_EQ(rowCountText(true, 0, 0, 0, 100), "");
    EXPECT_EQ(rowCountText(true, 0, 0, 3, 100), "DB: 0 / 0") << "an empty result with columns";
    EXPECT_EQ(rowCountText(true, 7, 7, 2, 10), "DB: 7 / 7");
    EXPECT_EQ(rowCountText(true, 10, 10, 2, 10), "DB: 10 / ???");
    EXPECT_EQ(rowCountText(false, 9, 4, 2, 10), "GRID: 4 / 9");
    EXPECT_EQ(rowCountText(false, 10, 0, 2, 10), "GRID: 0 / 10 ???") << "cut: more may match";
}

TEST(WindowTitle, Examples) {
    EXPECT_EQ(slotWindowTitle(2, "sales", "scott", ""), "Lumbra       [Q2:  sales/scott]   [Untitled2]");
    EXPECT_EQ(slotWindowTitle(3, "", "", "C:\\s\\a.sql"),
              "Lumbra       [Q3:  not connected]   [C:\\s\\a.sql]");
    EXPECT_EQ(slotWindowTitle(1, "pg", "", ""), "Lumbra       [Q1:  pg]   [Untitled1]");
}

TEST(SaveQuestion, NamedAndUntitled) {
    EXPECT_EQ(saveQuestion("C:\\a.sql", 1), "Save changes?\r\n\r\nC:\\a.sql");
    EXPECT_EQ(saveQuestion("", 2), "Save changes?\r\n\r\nUntitled2");
}

TEST(NumberFormat, WholeUnlessOneValueIsNot) {
    double whole[] = {1, 2, -3, 0, 1e9};
    EXPECT_STREQ(numberFormatFor(whole, 5), "%.0f");
    double mixed[] = {1, 2, 2.5};
    EXPECT_STREQ(numberFormatFor(mixed, 3), "%.2f");
    EXPECT_STREQ(numberFormatFor(mixed, 2), "%.0f") << "only the values looked at count";
    EXPECT_STREQ(numberFormatFor(0, 0), "%.0f");
}

TEST(ShowExpression, ClausesOnLinesOfTheirOwn) {
    EXPECT_EQ(expressionLayout("select a, b from t where a=1 group by a having count(*)>1 order by 1"),
              "select a, b\r\nfrom t\r\nwhere a=1\r\ngroup by a\r\nhaving count(*)>1\r\norder by 1;\r\n");
    EXPECT_EQ(expressionLayout("select a from t union select b from u"),
              "select a\r\nfrom t union\r\nselect b\r\nfrom u;\r\n")
        << "\" select \" is replaced first, so \" union \" no longer stands between blanks";
    // Literals, quoted names and comments keep their text: the statement stays the same.
    EXPECT_EQ(expressionLayout("select ' where x ' w, \"a from b\" from t where c <> 'a from b'"
                               " -- x from y\r\n and d = 1"),
              "select ' where x ' w, \"a from b\"\r\nfrom t\r\nwhere c <> 'a from b'"
              " -- x from y\r\n and d = 1;\r\n");
    EXPECT_EQ(expressionLayout("select 'it''s from' /* from */ from t"),
              "select 'it''s from' /* from */\r\nfrom t;\r\n");
}

TEST(ShowExpression, SelectedColumnsKeepTheRestOfTheStatement) {
    EXPECT_EQ(expressionOfColumns("x.b, x.c", "select x.a, x.b, x.c FROM t x where x.a=1"),
              "select x.b, x.c FROM t x where x.a=1");
    EXPECT_EQ(expressionOfColumns("a", "select 1"), "");
    EXPECT_EQ(expressionOfColumns("id", "select id, ' from x ' f, (select max(y) from u) m from t"),
              "select id from t");
}

TEST(ShowExpression, RunnableText) {
    EXPECT_EQ(runnableText("  select 1;\r\n"), "select 1");
    EXPECT_EQ(runnableText("select 1;;"), "select 1;");
    EXPECT_EQ(runnableText(""), "");
}

TEST(ScriptProblem, NulByteAndLinesLongerThanTheEditorTakes) {
    size_t at = 99;
    EXPECT_EQ(SCRIPT_OK, scriptTextProblem("", 0, 4, false, &at));
    EXPECT_EQ(0u, at);
    EXPECT_EQ(SCRIPT_OK, scriptTextProblem("abcd\r\nabcd", 10, 4, false, &at));
    EXPECT_EQ(4u, at) << "the longest line";
    EXPECT_EQ(SCRIPT_LONG_LINE, scriptTextProblem("ab\r\nabcde\r\nx", 12, 4, false, &at));
    EXPECT_EQ(5u, at);
    EXPECT_EQ(SCRIPT_LONG_LINE, scriptTextProblem("ab\r\nabcde", 9, 4, false, &at)) << "last line";
    // Without lfBreaks only CR LF ends a line: a lone LF or CR is a character of it.
    EXPECT_EQ(SCRIPT_LONG_LINE, scriptTextProblem("ab\ncd\re", 7, 4, false, &at));
    EXPECT_EQ(7u, at);
    EXPECT_EQ(SCRIPT_OK, scriptTextProblem("ab\ncd\re", 7, 4, true, &at)) << "where LF breaks";
    EXPECT_EQ(4u, at);
    EXPECT_EQ(SCRIPT_OK, scriptTextProblem("\r\n\r\n\r\n", 6, 0, false, &at));
    std::string bin("select 1;\r\n\0rest", 16);
    EXPECT_EQ(SCRIPT_BINARY, scriptTextProblem(bin.data(), bin.size(), 100, false, &at));
    EXPECT_EQ(11u, at);
    std::string both = std::string(10, 'x') + std::string(1, '\0');
    EXPECT_EQ(SCRIPT_BINARY, scriptTextProblem(both.data(), both.size(), 4, false, &at))
        << "a NUL anywhere wins over a long line";
    EXPECT_EQ(10u, at);
}

TEST(ScriptText, Utf16ShapingTrapsAndLoneCarriageReturns) {
    size_t at = 0;
    EXPECT_EQ(SCRIPT_UTF16, scriptTextProblem("\xff\xfes\0", 4, 100, true, &at));
    EXPECT_EQ(SCRIPT_SHAPING, scriptTextProblem("a\r\nb\n1\xa1", 7, 100, true, &at));
    EXPECT_EQ(3u, at) << "the line of the accent";
    EXPECT_EQ(SCRIPT_OK, scriptTextProblem("a\xa1 \xbd", 4, 100, true, &at));
    EXPECT_EQ("a;\r\nb;\r\nc\r\n", crLineEnds("a;\rb;\r\nc\r", 9));
}
