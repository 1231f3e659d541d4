/* Texts of the message pane, the status bar and the window title. */
#include "wbtext.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "sqlparser.h"
#include "strx.h"
#include "values.h"

namespace {

std::string oneLine(char const* s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string logHeader(int counter, bool isError, double seconds) {
    char buf[80];
    snprintf(buf, sizeof buf, "[%d] [%s]", counter, isError ? "ERR" : "OK");
    std::string h(buf);
    if (seconds > 0) {
        snprintf(buf, sizeof buf, " [%.2f s]", seconds);
        h += buf;
    }
    h += "  ";
    return h;
}

std::string logEntry(std::string const& header, char const* text, char const* statement,
                     int maxLen) {
    static char const tail[] = "\r\n\r\n";
    std::string e(header);
    if (text) {
        e += oneLine(text);
        if (statement) {
            e += "\r\n=== ";
            e += oneLine(statement);
        }
    }
    if (maxLen > 16 && (int)(e.size() + 4) > maxLen) {
        e.resize(maxLen - 4 - 3);
        e += "...";
    }
    e += tail;
    return e;
}

int logPaneCut(int current, int entryLen, int maxLen) {
    if (current + entryLen <= maxLen)
        return 0;
    int cut = current + entryLen - maxLen;
    return cut > current ? current : cut;
}

std::string slotStatusText(int n, char const* dsn, char const* user) {
    char buf[600];
    if (!dsn || !*dsn)
        snprintf(buf, sizeof buf, "Q%d: not connected", n);
    else if (user && *user)
        snprintf(buf, sizeof buf, "Q%d: %.255s/%.255s", n, dsn, user);
    else
        snprintf(buf, sizeof buf, "Q%d: %.255s", n, dsn);
    return buf;
}

std::string slotWindowTitle(int n, char const* dsn, char const* user, char const* file) {
    char buf[64];
    snprintf(buf, sizeof buf, "%s       [Q%d:  ", "Lumbra", n);
    std::string t(buf);
    if (!dsn || !*dsn)
        t += "not connected";
    else {
        t += dsn;
        if (user && *user) {
            t += "/";
            t += user;
        }
    }
    t += "]   [";
    if (file && *file) {
        t += file;
        t += "]";
    } else {
        snprintf(buf, sizeof buf, "%s%d%s", "Untitled", n, "]");
        t += buf;
    }
    return t;
}

std::string rowCountText(bool fromDatabase, int countA, int countV, int colCount, int maxRows) {
    char buf[64];
    if (fromDatabase) {
        if (countA < 1 && colCount < 1)
            return "";
        if (countA >= maxRows)
            snprintf(buf, sizeof buf, "DB: %d / ???", maxRows);
        else
            snprintf(buf, sizeof buf, "DB: %d / %d", countA, countA);
    } else {
        // A result cut at the row limit stays marked: more rows may match in the data.
        snprintf(buf, sizeof buf, "GRID: %d / %d%s", countV, countA,
                 countA >= maxRows ? " ???" : "");
    }
    return buf;
}

eScriptProblem scriptTextProblem(char const* data, size_t size, size_t maxLine, bool lfBreaks,
                                 size_t* at) {
    *at = 0;
    if (size >= 2 && (((unsigned char)data[0] == 0xFF && (unsigned char)data[1] == 0xFE) ||
                      ((unsigned char)data[0] == 0xFE && (unsigned char)data[1] == 0xFF)))
        return SCRIPT_UTF16;
    size_t start = 0;  // first character of the current line
    size_t longest = 0;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            *at = i;
            return SCRIPT_BINARY;
        }
        if (data[i] == '\n') {
            bool crlf = i > start && data[i - 1] == '\r';
            if (crlf || lfBreaks) {
                size_t len = i - start - (crlf ? 1 : 0);
                if (len > longest)
                    longest = len;
                start = i + 1;
            }
        }
    }
    if (size - start > longest)
        longest = size - start;
    *at = longest;
    if (longest > maxLine)
        return SCRIPT_LONG_LINE;
    int trap = strx_shapingTrap(data, (int)size);
    if (trap < 0)
        return SCRIPT_OK;
    *at = 1;
    for (int i = 0; i < trap; i++)
        *at += data[i] == '\n';
    return SCRIPT_SHAPING;
}

std::string crLineEnds(char const* data, size_t size) {
    std::string s;
    s.reserve(size);
    for (size_t i = 0; i < size; i++) {
        s += data[i];
        if (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n'))
            s += '\n';
    }
    return s;
}

std::string saveQuestion(char const* file, int number) {
    char buf[64];
    if (file && *file)
        return std::string("Save changes?") + "\r\n\r\n" + file;
    snprintf(buf, sizeof buf, "%s\r\n\r\n%s%d", "Save changes?", "Untitled", number);
    return buf;
}

char const* numberFormatFor(double const* values, int count) {
    for (int i = 0; i < count; i++)
        if (values[i] != std::floor(values[i]))
            return "%.2f";
    return "%.0f";
}

std::string expressionLayout(char const* sql) {
    std::string s(sql ? sql : "");
    s += ";\r\n";
    static char const* const words[] = {" select ", " from ",     " where ", " order by ",
                                        " group by ", " having ", " union "};
    // Each clause on a line of its own; the text inside literals and comments stays.
    for (char const* word : words) {
        for (size_t at = sqlx_find(s.c_str(), 0, word, 0); at != SQLX_NONE;
             at = sqlx_find(s.c_str(), at + 2, word, 0))
            s.replace(at, 1, "\r\n");
    }
    return s;
}

std::string expressionOfColumns(std::string const& columns, char const* sql) {
    if (!sql)
        return "";
    std::string s(sql);
    size_t at = sqlx_find(sql, 0, " from ", SQLX_NOCASE | SQLX_TOP);
    if (at == SQLX_NONE)
        return "";
    return "select " + columns + s.substr(at);
}

std::string runnableText(char const* text) {
    std::string s(text ? text : "");
    size_t a = 0;
    while (a < s.size() && isBlank(s[a]))
        a++;
    size_t b = s.size();
    while (b > a && isBlank(s[b - 1]))
        b--;
    s = s.substr(a, b - a);
    if (!s.empty() && s[s.size() - 1] == ';')
        s.erase(s.size() - 1);
    return s;
}
