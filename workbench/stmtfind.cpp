/* Statement finder and classifier. */
#include "stmtfind.h"

#include <algorithm>
#include <cstring>

namespace {

inline bool isSpaceTab(char c) { return c == ' ' || c == '\t'; }
inline bool isLineBreak(char c) { return c == '\r' || c == '\n'; }
inline bool isBlank(char c) { return isSpaceTab(c) || isLineBreak(c); }

/* [first, next) of a line; next is the following line's first character. */
void lineSpan(cLineMap& lines, int line, int len, int* first, int* next) {
    *first = lines.lineIndex(line);
    if (*first < 0)
        *first = len;
    *next = line + 1 < lines.lineCount() ? lines.lineIndex(line + 1) : len;
    if (*next < *first)
        *next = len;
}

bool lineHasText(char const* text, int first, int next) {
    for (int i = first; i < next; i++)
        if (!isBlank(text[i]))
            return true;
    return false;
}

/* The ";" that ends the line [first, end): the line's last character that is no blank, or
   the last before a "--" comment that closes the line. -1 when the line ends no statement.
   *comment tells which. */
int lineTerminator(char const* text, int first, int end, bool* comment) {
    *comment = false;
    int i = end - 1;
    while (i >= first && isBlank(text[i]))
        i--;
    if (i >= first && text[i] == ';')
        return i;
    // "select 1; -- the first" ends its statement as well: the comment is no part of it.
    // Only a "--" outside quoted text (as far as this line shows) opens the comment.
    char quote = 0;
    for (int k = first; k + 1 < end; k++) {
        char c = text[k];
        if (quote) {
            if (c == quote)
                quote = 0;  // a doubled quote closes and opens again
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            continue;
        }
        if (c != '-' || text[k + 1] != '-')
            continue;
        int j = k - 1;
        while (j >= first && isSpaceTab(text[j]))
            j--;
        if (j >= first && text[j] == ';') {
            *comment = true;
            return j;
        }
        return -1;  // the comment runs to the line's end
    }
    return -1;
}

/* Forward terminator scan from pos: the line break of the first line (its part from pos
   on) ended by a terminator, or that terminator when a comment follows it; else len. */
int scanForward(char const* text, int len, int pos) {
    for (int i = pos; i < len;) {
        int e = i;
        while (e < len && !isLineBreak(text[e]))
            e++;
        if (e >= len)
            break;
        bool comment;
        int t = lineTerminator(text, i, e, &comment);
        if (t >= 0)
            return comment ? t : e;
        i = e + 1;
    }
    return len;
}

/* Backward scan from before pos: the position after the terminating ";" of the nearest
   line above that ends a statement (after that line, when a comment follows the ";"),
   else 0. */
int scanBackward(char const* text, int pos) {
    for (int i = pos - 1; i >= 0; i--) {
        if (!isLineBreak(text[i]))
            continue;
        int s = i;
        while (s > 0 && !isLineBreak(text[s - 1]))
            s--;
        bool comment;
        int t = lineTerminator(text, s, i, &comment);
        if (t >= 0)
            return comment ? i + 1 : t + 1;
    }
    return 0;
}

void trimBlanks(std::string& s) {
    size_t a = 0;
    while (a < s.size() && isBlank(s[a]))
        a++;
    size_t b = s.size();
    while (b > a && isBlank(s[b - 1]))
        b--;
    s = s.substr(a, b - a);
}

bool startsWithNoCase(char const* s, char const* prefix) {
    for (; *prefix; s++, prefix++) {
        char a = *s, b = *prefix;
        if (a >= 'A' && a <= 'Z')
            a = (char)(a - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

/* stmt is the keyword alone or followed by "work" or "transaction": the whole transaction
   ends. "rollback to savepoint s", "commit prepared 'x'" and the like go to the data
   source as they are. */
bool endsWork(char const* stmt, char const* keyword) {
    if (!startsWithNoCase(stmt, keyword))
        return false;
    char const* p = stmt + strlen(keyword);
    if (*p && *p != ' ')
        return false;
    while (*p == ' ')
        p++;
    if (startsWithNoCase(p, "work"))
        p += 4;
    else if (startsWithNoCase(p, "transaction"))
        p += 11;
    while (*p == ' ')
        p++;
    return !*p;
}

}  // namespace

cTextLines::cTextLines(char const* text, int len) : length(len) {
    starts.push_back(0);
    for (int i = 0; i < len; i++)
        if (text[i] == '\n')
            starts.push_back(i + 1);
}

int cTextLines::lineFromChar(int pos) {
    if (pos < 0)
        pos = 0;
    return (int)(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
}

int cTextLines::lineIndex(int line) {
    return line >= 0 && line < (int)starts.size() ? starts[line] : -1;
}

int cTextLines::lineCount() { return (int)starts.size(); }

std::string findStatement(char const* text, int len, int pos, cLineMap& lines, int* endLine) {
    if (!text || len <= 0)
        return "";
    pos = std::max(0, std::min(pos, len));

    // A blank line is inside a statement only when the text above does not end one.
    int line = lines.lineFromChar(pos);
    int first, next;
    lineSpan(lines, line, len, &first, &next);
    if (!lineHasText(text, first, next)) {
        int k = line - 1;
        for (; k >= 0; k--) {
            int f, n;
            lineSpan(lines, k, len, &f, &n);
            if (lineHasText(text, f, n)) {
                bool comment;
                if (lineTerminator(text, f, n, &comment) >= 0)
                    return "";
                break;
            }
        }
        if (k < 0)
            return "";
    }

    int start, end;
    // The end of pos's line, before its line break.
    int lineEnd = next;
    while (lineEnd > first && isLineBreak(text[lineEnd - 1]))
        lineEnd--;
    if (lineEnd < pos)
        lineEnd = pos;
    bool restBlank = true;
    for (int i = pos; i < lineEnd; i++)
        if (!isSpaceTab(text[i]))
            restBlank = false;
    int semi = -1;
    bool comment = false;
    int t = lineTerminator(text, first, lineEnd, &comment);
    if (t >= 0 && t < pos && (restBlank || comment))
        semi = t;
    if (semi >= 0) {
        // Caret behind a terminator (or in its comment): that statement, not the one below.
        end = semi;
        start = scanBackward(text, semi);
    } else {
        end = scanForward(text, len, pos);
        start = scanBackward(text, pos);
    }
    if (end < start)
        end = start;

    std::string s(text + start, text + end);
    trimBlanks(s);
    if (!s.empty() && s[s.size() - 1] == ';') {
        s.erase(s.size() - 1);
        trimBlanks(s);
    }
    if (endLine)
        *endLine = lines.lineFromChar(end);
    return s;
}

size_t leadingCommentLength(std::string const& s) {
    size_t i = 0, n = s.size();
    for (;;) {
        while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
            i++;
        if (i + 1 < n && s[i] == '/' && s[i + 1] == '*') {
            size_t close = s.find("*/", i + 2);
            if (close == std::string::npos)
                return n;
            i = close + 2;
        } else if (i + 1 < n && s[i] == '-' && s[i + 1] == '-') {
            size_t eol = s.find('\n', i + 2);
            if (eol == std::string::npos)
                return n;
            i = eol + 1;
        } else {
            return i;
        }
    }
}

void flattenBlanks(std::string& s) {
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
}

eStmtKind statementKind(char const* stmt) {
    if (!stmt || !*stmt)
        return STMT_EMPTY;
    if (startsWithNoCase(stmt, "connect "))
        return STMT_CONNECT;
    if (startsWithNoCase(stmt, "disconnect"))
        return STMT_DISCONNECT;
    if (endsWork(stmt, "commit"))
        return STMT_COMMIT;
    if (endsWork(stmt, "rollback"))
        return STMT_ROLLBACK;
    if (startsWithNoCase(stmt, "select "))
        return STMT_SELECT;
    if (startsWithNoCase(stmt, "stop"))
        return STMT_STOP;
    return STMT_COMMAND;
}

bool parseConnect(char const* stmt, std::string& dsn, std::string& user, std::string& pswd) {
    dsn.clear();
    user.clear();
    pswd.clear();
    if (!stmt || strlen(stmt) < 8)
        return false;
    char const* p = stmt + 8;
    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p)
        return false;
    char const* slash = strchr(p, '/');
    if (!slash) {
        dsn = p;
        return true;
    }
    dsn.assign(p, slash);
    p = slash + 1;
    slash = strchr(p, '/');
    if (!slash) {
        user = p;
        return true;
    }
    user.assign(p, slash);
    pswd = slash + 1;
    return true;
}
