/* Texts and rules of the query-by-example window and the grid tools. */
#include "qbetext.h"

#include <cstdio>

namespace {

char const* const kLabels[] = {"",   "Like TEXT%", "Like %TEXT%", "Like %TEXT", "=",
                               "<>", "<",          ">",           "<=",         ">=",
                               "IN", "NOT IN",     "BETWEEN",     "IS NULL",    "IS NOT NULL"};

/* Replaces every occurrence of from by to in s outside quoted literals and names. */
void replaceUnquoted(std::string& s, std::string const& from, std::string const& to) {
    char quote = 0;
    for (size_t i = 0; i < s.size();) {
        if (quote) {
            quote = s[i++] == quote ? 0 : quote;
        } else if (s.compare(i, from.size(), from) == 0) {
            s.replace(i, from.size(), to);
            i += to.size();
        } else {
            quote = s[i] == '\'' || s[i] == '"' ? s[i] : 0;
            i++;
        }
    }
}

}  // namespace

char const* qbeOperatorLabel(int code) {
    return code >= QBEOP_FIRST && code <= QBEOP_LAST ? kLabels[code] : "";
}

std::vector<int> qbeOperatorCodes(short type, bool aggregate) {
    std::vector<int> codes;
    for (int c = QBEOP_FIRST; c <= QBEOP_LAST; c++) {
        if (c <= 3 && type != 2 && type != 8)  // long text is text too
            continue;
        if ((c == QBEOP_ISNULL || c == QBEOP_NOTNULL) && aggregate)
            continue;
        codes.push_back(c);
    }
    return codes;
}

std::string qbeWindowTitle(char const* title, int rows) {
    char count[48];
    snprintf(count, sizeof count, "     (Rows: %d%s)", rows, rows > 999 ? "/???" : "");
    return std::string(title ? title : "") + count;
}

std::string qbeSqlLayout(char const* sql) {
    std::string s = sql ? sql : "";
    s += "\r\n";
    static char const* const words[] = {" select ",   " from ",   " where ", " order by ",
                                        " group by ", " having ", " union "};
    for (char const* w : words) {
        std::string word(w);
        replaceUnquoted(s, word, "\r\n\r\n" + word.substr(1));
    }
    return s;
}

cQbePlace qbePlace(int x, int y, int w, int h, int screenW, int screenH, int openCount) {
    cQbePlace p;
    p.w = w < 1 ? 400 : w;
    p.h = h < 1 ? 300 : h;
    if (screenW > 0 && p.w > screenW)
        p.w = screenW;
    if (screenH > 0 && p.h > screenH)
        p.h = screenH;
    p.x = x;
    p.y = y;
    if ((x == -1 && y == -1) || (x == -2 && y == -2)) {
        p.x = (screenW - p.w) / 2;
        p.y = (screenH - p.h) / 2;
        if (x == -2) {
            int n = openCount < 0 ? 0 : openCount;
            if (n % 2)
                p.x += 30;
            p.y += (n % 4) / 2 * 30;
        }
    }
    if (p.x + p.w > screenW)
        p.x = screenW - p.w;
    if (p.y + p.h > screenH)
        p.y = screenH - p.h;
    if (p.x < 0)
        p.x = 0;
    if (p.y < 0)
        p.y = 0;
    return p;
}
