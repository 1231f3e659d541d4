/* Statement finder and classifier. */
#include "stmtfind.h"

#include <algorithm>
#include <cstring>

#include "scriptread.h"

namespace {

inline bool isSpaceTab(char c) { return c == ' ' || c == '\t'; }
inline bool isLineBreak(char c) { return c == '\r' || c == '\n'; }
inline bool isBlank(char c) { return isSpaceTab(c) || isLineBreak(c); }

/* The quote closing the one that opens at i (', " or `), before end; -1 when none does.
   E'...' (PostgreSQL) takes backslash escapes. */
int quoteEnd(char const* text, int i, int end) {
    char c = text[i];
    bool escapes = c == '\'' && i > 0 && (text[i - 1] == 'E' || text[i - 1] == 'e') &&
                   (i < 2 || !dollarTagChar(text[i - 2], false));
    for (int j = i + 1; j < end; j++) {
        if (text[j] == c)
            return j;
        if (escapes && text[j] == '\\')
            j++;
    }
    return -1;
}

/* The end of the block comment that opens at i (past its closer), or end when it is left
   open. Comments nest, as PostgreSQL reads them: it runs a text of several statements, so a
   comment taken to end too early would let the rest through as SQL. */
int blockCommentEnd(char const* text, int i, int end) {
    int depth = 0;
    for (int j = i; j + 1 < end; j++) {
        if (text[j] == '/' && text[j + 1] == '*') {
            depth++;
            j++;
        } else if (text[j] == '*' && text[j + 1] == '/') {
            j++;
            if (--depth == 0)
                return j + 1;
        }
    }
    return end;
}

/* The end of the comment that opens at i (a block comment past its closer, a line comment
   at its line break), or -1 when none opens there. */
int commentEnd(char const* text, int i, int end) {
    if (i + 1 >= end)
        return -1;
    if (text[i] == '/' && text[i + 1] == '*')
        return blockCommentEnd(text, i, end);
    if (text[i] != '-' || text[i + 1] != '-')
        return -1;
    while (i < end && !isLineBreak(text[i]))
        i++;
    return i;
}

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

tQuietSpans const* g_quiet = 0;  // quiet spans of the text being searched, or none

/* The span of spans that holds position i, or none (null). */
std::pair<int, int> const* spanHolding(tQuietSpans const& spans, int i) {
    auto after = std::upper_bound(spans.begin(), spans.end(), std::make_pair(i, 1 << 30));
    return after != spans.begin() && i < (after - 1)->second ? &*(after - 1) : 0;
}

/* The end of the quiet span holding position i, or i. */
int quietEnd(int i) {
    auto span = g_quiet ? spanHolding(*g_quiet, i) : 0;
    return span ? span->second : i;
}

/* Where the text goes on when [from, end) of a line holds only blanks and comments: the
   line's end, or the end of a block comment that runs on over it; -1 when it holds more. */
int commentsOnlyEnd(char const* text, int from, int end) {
    for (;;) {
        while (from < end && isSpaceTab(text[from]))
            from++;
        if (from >= end || isLineBreak(text[from]) ||
            (from + 1 < end && text[from] == '-' && text[from + 1] == '-'))
            return end;
        if (from + 1 >= end || text[from] != '/' || text[from + 1] != '*')
            return -1;
        int close = blockCommentEnd(text, from, end);
        if (close >= end)
            return std::max(quietEnd(from), end);
        from = close;
    }
}

bool startsWithNoCase(char const* s, char const* prefix);

/* Lumbra's own "connect source/user/password" line from first: its password may hold
   quotes, "--" and a comment opener. */
bool connectLine(char const* text, int first, int end) {
    while (first < end && isSpaceTab(text[first]))
        first++;
    return end - first >= 8 && startsWithNoCase(text + first, "connect") &&
           isSpaceTab(text[first + 7]);
}

/* The ";" that ends the line [first, end): the line's last character that is no blank, or
   the last before a comment that closes the line ("select 1; -- the first", or a block
   comment: the comment is no part of the statement). -1 when the line ends no statement. *resume is
   where the text after such a comment goes on (the line's end, or the end of a block
   comment that runs over it); -1 without one. A ";" in a comment ends nothing ("-- where
   id = 2;" commented out); only comments outside quoted text count, and a quote or comment
   begun on a line above is passed over. */
int lineTerminatorAnywhere(char const* text, int first, int end, int* resume,
                           bool connects = true);

/* Whether the line from first begins a statement: the lines above it, past blank ones and
   line comments, end with a terminator, or there are none. */
bool startsStatement(char const* text, int first) {
    for (;;) {
        int last = first - 1;
        while (last >= 0 && isLineBreak(text[last]))
            last--;
        if (last < 0)
            return true;
        int start = last;
        while (start > 0 && !isLineBreak(text[start - 1]))
            start--;
        int k = start;
        while (k <= last && isSpaceTab(text[k]))
            k++;
        if (k <= last && !(k < last && text[k] == '-' && text[k + 1] == '-')) {
            int resume;
            int t = lineTerminatorAnywhere(text, start, last + 1, &resume, false);
            return t >= 0 && quietEnd(t) == t;
        }
        first = start;
    }
}

/* The terminator of a connect line: its first ";" that only blanks and comments follow (the
   password before it may hold quotes, "--" and comment openers). */
int connectTerminator(char const* text, int first, int end, int* resume) {
    for (int k = first; k < end; k++) {
        if (text[k] != ';')
            continue;
        int after = commentsOnlyEnd(text, k + 1, end);
        if (after < 0)
            continue;
        if (lineHasText(text, k + 1, end))
            *resume = std::max(after, end);
        return k;
    }
    return -1;
}

int lineTerminatorAnywhere(char const* text, int first, int end, int* resume, bool connects) {
    *resume = -1;
    if (connects && quietEnd(first) == first && connectLine(text, first, end) &&
        startsStatement(text, first))
        return connectTerminator(text, first, end, resume);
    for (int k = std::max(first, quietEnd(first)); k + 1 < end; k++) {
        char c = text[k];
        if (c == '\'' || c == '"' || c == '`') {
            int q = quoteEnd(text, k, end);  // a doubled quote closes and opens again
            if (q < 0)
                break;
            k = q;
            continue;
        }
        int body = c == '$' ? quietEnd(k) : k;
        if (body > k) {  // a dollar-quoted body: its "--" and quotes are text
            if (body >= end)
                break;
            k = body - 1;
            continue;
        }
        bool line = c == '-' && text[k + 1] == '-';
        if (!line && !(c == '/' && text[k + 1] == '*'))
            continue;
        int j = k - 1;
        while (j >= first && isSpaceTab(text[j]))
            j--;
        bool semi = j >= first && text[j] == ';';
        int close = line ? end : std::max(quietEnd(k), k + 2);
        int after = !semi ? -1 : close >= end ? close : commentsOnlyEnd(text, close, end);
        if (after >= 0) {
            *resume = std::max(after, end);
            return j;
        }
        if (line || close >= end)
            return -1;  // the comment runs to the line's end
        k = close - 1;
    }
    int i = end - 1;
    while (i >= first && isBlank(text[i]))
        i--;
    return i >= first && text[i] == ';' ? i : -1;
}

/* The terminator of a line, unless it stands in a quiet span. */
int lineTerminator(char const* text, int first, int end, int* resume) {
    int t = lineTerminatorAnywhere(text, first, end, resume);
    return t >= 0 && quietEnd(t) > t ? -1 : t;
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
        int s = i;  // the line is read whole: a comment may open before pos
        while (s > 0 && !isLineBreak(text[s - 1]))
            s--;
        int resume;
        int t = lineTerminator(text, s, e, &resume);
        if (t >= 0)
            return resume >= 0 ? t : e;
        i = e + 1;
    }
    return len;
}

/* Backward scan from before pos: the position after the terminating ";" of the nearest
   line above that ends a statement (after that line, or the block comment running on from
   it, when a comment follows the ";"), else 0. */
int scanBackward(char const* text, int pos) {
    for (int i = pos - 1; i >= 0; i--) {
        if (!isLineBreak(text[i]))
            continue;
        int s = i;
        while (s > 0 && !isLineBreak(text[s - 1]))
            s--;
        int resume;
        int t = lineTerminator(text, s, i, &resume);
        if (t >= 0)
            return resume > i ? resume : resume >= 0 ? i + 1 : t + 1;
    }
    return 0;
}

/* Whether a line of [first, end) ends with ";", or with ";" and a comment: text that was a
   statement. */
bool endsALine(char const* text, int first, int end) {
    for (int i = first; i < end; i++) {
        if (text[i] != ';')
            continue;
        int e = i + 1;
        while (e < end && !isLineBreak(text[e]))
            e++;
        if (commentsOnlyEnd(text, i + 1, e) >= 0)
            return true;
    }
    return false;
}

/* Whether the caret at pos points at no statement although [start, end) holds one. The
   caret stands in the comments in front of the statement, or on a line above its first word,
   and: those comments hold a statement commented out (a line ending with ";"); or the caret's
   line is blank with no comment above it in the statement; or the caret's line holds the tail
   of a comment after the terminator above. A heading comment belongs to its statement. */
bool inLeadingComment(char const* text, int start, int end, int pos) {
    bool out = false, heading = false, inComment = false;
    int i = start;
    for (;;) {
        while (i < end && isBlank(text[i]))
            i++;
        int j = commentEnd(text, i, end);
        if (j < 0)
            break;
        bool block = text[i] == '/';
        out = out || endsALine(text, i + 2, block && j - 2 >= i + 2 ? j - 2 : j);
        heading = heading || i < pos;
        inComment = inComment || (pos >= i && pos <= j);
        i = j;
    }
    if (inComment)
        return out;
    bool below = false;  // a line break parts the caret from the statement's first word
    for (int k = pos; k < i && !below; k++)
        below = isLineBreak(text[k]);
    if (!below)
        return false;
    if (out)
        return true;
    int k = pos;  // the caret's line: its first character that is no blank
    while (k > 0 && !isLineBreak(text[k - 1]))
        k--;
    while (k < end && isSpaceTab(text[k]))
        k++;
    if (k >= end || isLineBreak(text[k]))
        return !heading;
    return k < start;
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

namespace {

/* Sets the spans findStatement reads for the time of one search. */
struct cQuietScope {
    explicit cQuietScope(tQuietSpans const* d) { g_quiet = d; }
    ~cQuietScope() { g_quiet = 0; }
};

}  // namespace

tQuietSpans quietSpans(char const* text, int len) {
    tQuietSpans spans;
    if (!text || len <= 0)
        return spans;
    int i = 0;
    while (i < len) {
        char c = text[i];
        if (i == 0 || text[i - 1] == '\n') {
            // Lumbra's own "connect source/user/password": a quote there is a password's.
            if (connectLine(text, i, len)) {
                while (i < len && text[i] != '\n')
                    i++;
                continue;
            }
        }
        if (c == '\'' || c == '"' || c == '`') {
            // A quote that runs over a line break is quiet; one never closed quotes nothing.
            int j = quoteEnd(text, i, len);
            if (j < 0) {
                i++;
                continue;
            }
            if (memchr(text + i, '\n', (size_t)(j - i)))
                spans.push_back(std::make_pair(i, j + 1));
            i = j + 1;
        } else if (c == '-' && i + 1 < len && text[i + 1] == '-') {
            while (i < len && text[i] != '\n')
                i++;
        } else if (c == '/' && i + 1 < len && text[i + 1] == '*') {
            int end = blockCommentEnd(text, i, len);
            spans.push_back(std::make_pair(i, end));
            i = end;
        } else if (c == '$' && (i == 0 || !(dollarTagChar(text[i - 1], false) || text[i - 1] == '$'))) {
            // "$tag$" or "$$"; "$1" and "a$b" open nothing.
            int j = i + 1;
            while (j < len && dollarTagChar(text[j], j == i + 1))
                j++;
            if (j >= len || text[j] != '$') {
                i = j;
                continue;
            }
            std::string tag(text + i, text + j + 1);
            int body = j + 1, close = body;
            while (close + (int)tag.size() <= len && memcmp(text + close, tag.data(), tag.size()) != 0)
                close++;
            int end = close + (int)tag.size() <= len ? close + (int)tag.size() : len;
            spans.push_back(std::make_pair(i, end));
            i = end;
        } else {
            i++;
        }
    }
    return spans;
}

std::string findStatement(char const* text, int len, int pos, cLineMap& lines, int* endLine,
                          tQuietSpans const* quiet) {
    if (!text || len <= 0)
        return "";
    tQuietSpans own;
    if (!quiet) {
        own = quietSpans(text, len);
        quiet = &own;
    }
    cQuietScope scope(quiet);
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
                int resume;
                if (lineTerminator(text, f, n, &resume) >= 0)
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
    int resume = -1;
    int t = lineTerminator(text, first, lineEnd, &resume);
    if (t >= 0 && t < pos && (restBlank || resume >= 0))
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
    // In a comment after a terminator, or in a statement commented out: no statement.
    if (start > pos || inLeadingComment(text, start, end, pos))
        return "";

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

int runStartOnLine(char const* text, int len, int pos, tQuietSpans const* quiet) {
    if (!text || pos < 0 || pos >= len)
        return pos;
    tQuietSpans own;
    if (!quiet) {
        own = quietSpans(text, len);
        quiet = &own;
    }
    int i = pos;
    // The line may begin inside a block comment opened above.
    auto span = spanHolding(*quiet, i);
    if (span && span->first < i) {
        if (text[span->first] != '/' || text[span->first + 1] != '*')
            return pos;
        i = span->second;
    }
    for (;;) {
        while (i < len && isSpaceTab(text[i]))
            i++;
        int j = commentEnd(text, i, len);
        if (j < 0)
            break;
        i = j;
    }
    // A statement on the line, past comments that close on it.
    if (i >= len || isLineBreak(text[i]) || memchr(text + pos, '\n', (size_t)(i - pos)))
        return pos;
    return i;
}

size_t leadingCommentLength(std::string const& s) {
    int i = 0, n = (int)s.size();
    for (;;) {
        while (i < n && isBlank(s[i]))
            i++;
        int j = commentEnd(s.data(), i, n);
        if (j < 0)
            return (size_t)i;
        i = j;
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
    // "end" and "abort" are PostgreSQL's (and SQLite's "end") words for the same.
    if (endsWork(stmt, "commit") || endsWork(stmt, "end"))
        return STMT_COMMIT;
    if (endsWork(stmt, "rollback") || endsWork(stmt, "abort"))
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
