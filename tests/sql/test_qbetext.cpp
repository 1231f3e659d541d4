/* Operator lists, titles, the laid-out SQL and the cascade of the query-by-example window. */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qbetext.h"

TEST(QbeText, OperatorsPerColumnTypeAndAggregate) {
    std::vector<int> all;
    for (int c = 1; c <= 14; c++)
        all.push_back(c);
    EXPECT_EQ(qbeOperatorCodes(2, false), all) << "text: every operator";
    EXPECT_EQ(qbeOperatorCodes(8, false), all) << "long text (PostgreSQL's text) too";
    std::vector<int> noLike(all.begin() + 3, all.end());
    EXPECT_EQ(qbeOperatorCodes(1, false), noLike) << "number: no LIKE";
    EXPECT_EQ(qbeOperatorCodes(4, false), noLike) << "date: no LIKE";
    EXPECT_EQ(qbeOperatorCodes(0, false), noLike) << "type not known yet: no LIKE";
    std::vector<int> aggregate(all.begin() + 3, all.end() - 2);
    EXPECT_EQ(qbeOperatorCodes(1, true), aggregate) << "aggregate: no IS [NOT] NULL";
    std::vector<int> textAggregate(all.begin(), all.end() - 2);
    EXPECT_EQ(qbeOperatorCodes(2, true), textAggregate);

    char const* const labels[] = {"Like TEXT%", "Like %TEXT%", "Like %TEXT", "=", "<>", "<",
                                  ">", "<=", ">=", "IN", "NOT IN", "BETWEEN", "IS NULL",
                                  "IS NOT NULL"};
    for (int c = 1; c <= 14; c++)
        EXPECT_STREQ(qbeOperatorLabel(c), labels[c - 1]) << c;
    EXPECT_STREQ(qbeOperatorLabel(0), "");
    EXPECT_STREQ(qbeOperatorLabel(15), "");
    EXPECT_STREQ(qbeOperatorLabel(-1), "");
}

TEST(QbeText, TitleWithRowCountAndQuestionMarksFromAThousand) {
    EXPECT_EQ(qbeWindowTitle("GROUP BY", 0), "GROUP BY     (Rows: 0)");
    EXPECT_EQ(qbeWindowTitle("GROUP BY", 999), "GROUP BY     (Rows: 999)");
    EXPECT_EQ(qbeWindowTitle("GROUP BY", 1000), "GROUP BY     (Rows: 1000/??" "?)");
    EXPECT_EQ(qbeWindowTitle(0, 5), "     (Rows: 5)");
}

TEST(QbeText, SqlLayoutBreaksBeforeEachClause) {
    EXPECT_EQ(qbeSqlLayout("select a, count(*) from t x where x.a in ( select b from u ) "
                           "group by a having count(*)>1 order by 2 DESC"),
              "select a, count(*)\r\n\r\nfrom t x\r\n\r\nwhere x.a in (\r\n\r\nselect b\r\n\r\n"
              "from u )\r\n\r\ngroup by a\r\n\r\nhaving count(*)>1\r\n\r\norder by 2 DESC\r\n");
    EXPECT_EQ(qbeSqlLayout("select 1 union select 2"), "select 1 union\r\n\r\nselect 2\r\n")
        << "select first: the blank after union is taken";
    EXPECT_EQ(qbeSqlLayout("select x FROM t"), "select x FROM t\r\n") << "keywords as generated";
    EXPECT_EQ(qbeSqlLayout("select 'a where b' as \" from \" from t where x = 'it''s from'"),
              "select 'a where b' as \" from \"\r\n\r\nfrom t\r\n\r\nwhere x = 'it''s from'\r\n")
        << "quoted text as written";
    EXPECT_EQ(qbeSqlLayout(""), "\r\n");
    EXPECT_EQ(qbeSqlLayout(0), "\r\n");
}

TEST(QbeText, CascadeCentreAndClamp) {
    // Cascade by the number of windows already open: right on odd counts, down on the
    // second pair of every four.
    int const dx[] = {0, 30, 0, 30, 0, 30}, dy[] = {0, 0, 30, 30, 0, 0};
    for (int n = 0; n < 6; n++) {
        cQbePlace p = qbePlace(-2, -2, 450, 300, 1024, 768, n);
        EXPECT_EQ(p.x, 287 + dx[n]) << n;
        EXPECT_EQ(p.y, 234 + dy[n]) << n;
        EXPECT_EQ(p.w, 450);
        EXPECT_EQ(p.h, 300);
    }
    cQbePlace c = qbePlace(-1, -1, 450, 300, 1024, 768, 3);
    EXPECT_EQ(c.x, 287) << "-1 centres, whatever is open";
    EXPECT_EQ(c.y, 234);
    cQbePlace d = qbePlace(10, 20, 0, -5, 1024, 768, 0);
    EXPECT_EQ(d.w, 400);
    EXPECT_EQ(d.h, 300);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 20);
    cQbePlace big = qbePlace(-2, -2, 5000, 4000, 1024, 768, 1);
    EXPECT_EQ(big.w, 1024) << "cut to the screen";
    EXPECT_EQ(big.h, 768);
    EXPECT_EQ(big.x, 0) << "clamped after the cascade";
    EXPECT_EQ(big.y, 0);
    cQbePlace off = qbePlace(1000, 700, 450, 300, 1024, 768, 0);
    EXPECT_EQ(off.x, 1024 - 450);
    EXPECT_EQ(off.y, 768 - 300);
    cQbePlace neg = qbePlace(-300, -7, 450, 300, 1024, 768, 0);
    EXPECT_EQ(neg.x, 0);
    EXPECT_EQ(neg.y, 0);
}
