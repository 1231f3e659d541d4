/* Texts and rules of the query-by-example window and the grid tools: condition operators,
   window titles, the laid-out SQL, the cascade of new windows. No Win32 here. */
#ifndef LUMBRA_QBETEXT_H
#define LUMBRA_QBETEXT_H

#include <string>
#include <vector>

/* Condition operators of the editor, 1..14 (0: none). */
#define QBEOP_FIRST 1
#define QBEOP_LAST 14
#define QBEOP_ISNULL 13
#define QBEOP_NOTNULL 14

/* Label of an operator code in the operator list; "" outside 1..14. */
char const* qbeOperatorLabel(int code);
/* Operator codes offered for a column: no LIKE unless the type is 2 (string), no
   IS [NOT] NULL on aggregates. */
std::vector<int> qbeOperatorCodes(short type, bool aggregate);

/* title + "     (Rows: n)", with "/???" after n when n exceeds 999. */
std::string qbeWindowTitle(char const* title, int rows);
/* The SQL laid out for "Show SQL command": a line break appended, and two line breaks
   before " select ", " from ", " where ", " order by ", " group by ", " having " and
   " union " (exact letter case). */
std::string qbeSqlLayout(char const* sql);

/* Position of a new window. x, y: -1 centres, -2 cascades by the number of windows
   already open; the result is clamped so that the window lies on the screen. w and h
   below 1 become 400 and 300, then are cut to the screen. */
struct cQbePlace {
    int x, y, w, h;
};
cQbePlace qbePlace(int x, int y, int w, int h, int screenW, int screenH, int openCount);

#endif
