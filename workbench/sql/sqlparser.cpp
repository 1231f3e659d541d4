/* Keyword-driven SELECT splitter. */
#include "sqlparser.h"
#include "sqlname.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "stmtmodel.h"
#include "strx.h"
#include "xdbc.h"

namespace {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c + ('a' - 'A')) : c;
}

inline bool isIdentChar(char c) {
    unsigned char u = (unsigned char)c;
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           u == '_' || u == '$' || u >= 0x80;
}

/* Whether the quote at q, in a text starting at text, opens E'...' (PostgreSQL), in which a
   backslash takes the next character as it is. */
bool escapesOpen(char const* text, char const* q) {
    return *q == '\'' && q > text && (q[-1] == 'E' || q[-1] == 'e') &&
           (q - 1 == text || !isIdentChar(q[-2]));
}

/* Length of the comment starting at p, 0 when none starts there. A line comment stops
   before its line break; an unclosed block comment runs to the end. */
size_t commentLen(char const* p) {
    size_t n = 0;
    if (p[0] == '-' && p[1] == '-') {
        n = 2;
        while (p[n] && p[n] != '\n' && p[n] != '\r')
            n++;
    } else if (p[0] == '/' && p[1] == '*') {
        n = 2;
        while (p[n] && !(p[n] == '*' && p[n + 1] == '/'))
            n++;
        if (p[n])
            n += 2;
    }
    return n;
}

/* Does the text at p start with word (lower case), ignoring letter case? */
bool startsWith(char const* p, char const* word) {
    for (; *word; p++, word++)
        if (!*p || lower(*p) != *word)
            return false;
    return true;
}

/* Is the whole token equal to word (lower case), ignoring letter case? */
bool isWord(char const* token, char const* word) {
    return startsWith(token, word) && token[strlen(word)] == 0;
}

/* A blank or the start of a comment: what separates a keyword from what follows. */
bool separatorAt(char const* p) {
    return isBlank(*p) || commentLen(p) > 0;
}

/* Keyword followed by a blank at p. */
bool keywordAt(char const* p, char const* word) {
    return startsWith(p, word) && separatorAt(p + strlen(word));
}

char* dupRange(char const* s, size_t n) {
    char* r = (char*)mallox((int)n + 1);
    memcpy(r, s, n);
    r[n] = 0;
    return r;
}

bool isNumber(char const* t) {
    for (; *t; t++)
        if (!strchr("+-.0123456789", *t))
            return false;
    return true;
}

bool isQuoted(char const* t) {
    size_t n = strlen(t);
    return n >= 2 && (t[0] == '"' || t[0] == '\'') && t[n - 1] == t[0];
}

bool isExpression(char const* t) {
    return strpbrk(t, "\"%'(*+-/|") != nullptr;
}

bool isOperatorChar(char c) {
    unsigned char u = (unsigned char)c;
    if (u == '|')
        return true;
    return u != 0 && u < 'A' && u != ')' && u != '"' && u != '\'' && !(u >= '0' && u <= '9');
}

/* "t.*" or "o.t.*": a qualified star, read as a name though '*' marks expressions. */
bool isQualifiedStar(char const* t) {
    size_t n = strlen(t);
    if (n < 3 || t[n - 2] != '.' || t[n - 1] != '*')
        return false;
    for (size_t i = 0; i + 2 < n; i++)
        if (strchr("\"%'(*+-/|", t[i]))
            return false;
    return true;
}

/* First '.' outside quotes and parentheses, null when none. */
char const* topDot(char const* t) {
    char const* text = t;
    char quote = 0;
    bool escapes = false;
    int depth = 0;
    for (; *t; t++) {
        if (quote) {
            if (escapes && *t == '\\' && t[1])
                t++;
            else if (*t == quote)
                quote = 0;
        } else if (*t == '"' || *t == '\'') {
            quote = *t;
            escapes = escapesOpen(text, t);
        } else if (*t == '(') {
            depth++;
        } else if (*t == ')') {
            if (depth > 0)
                depth--;
        } else if (*t == '.' && depth == 0) {
            return t;
        }
    }
    return nullptr;
}

/* Where the FROM list ends: a clause keyword followed by a blank. */
bool fromEndsAt(char const* p) {
    return keywordAt(p, "where") || keywordAt(p, "having") || keywordAt(p, "group by") ||
           keywordAt(p, "order by") || keywordAt(p, "limit") || keywordAt(p, "offset") ||
           keywordAt(p, "fetch") || keywordAt(p, "for");
}

/* Tokens that start the trailing LIMIT / OFFSET / FETCH / FOR UPDATE part. */
bool isTailWord(char const* t) {
    return isWord(t, "limit") || isWord(t, "offset") || isWord(t, "fetch") || isWord(t, "for");
}

/* Join words that are neither a table nor an alias. */
bool isJoinWord(char const* t) {
    static char const* const words[] = {"inner", "left", "right", "full", "outer", "cross",
                                        "natural"};
    for (char const* w : words)
        if (isWord(t, w))
            return true;
    return false;
}

void freeAttr(cSqlAttr& a) {
    strfrx(&a.atr);
    strfrx(&a.aliatr);
    strfrx(&a.tbl);
    strfrx(&a.alitbl);
    strfrx(&a.cre);
}

/* strdux of a non-empty text, null for an empty one. */
char* dupOrNull(char const* s, size_t n) {
    return n ? dupRange(s, n) : nullptr;
}

char const* orNull(char const* s) {
    return s ? s : "(null)";
}

/* Widths of entries made from the parsed list, and from result columns. */
short listWidth(int type) {
    return (type == 1 || type == 4) ? -10 : 0;
}

short resultWidth(int type) {
    return type == 1 ? -10 : type == 4 ? -12 : 0;
}

std::string trimmed(char const* s) {
    if (!s)
        return std::string();
    char const* e = s + strlen(s);
    while (*s && isBlank(*s))
        s++;
    while (e > s && isBlank(e[-1]))
        e--;
    return std::string(s, e);
}

}  // namespace

char const* sqlx_skipBlanks(char const* p) {
    while (*p) {
        if (isBlank(*p)) {
            p++;
        } else {
            size_t n = commentLen(p);
            if (!n)
                break;
            p += n;
        }
    }
    return p;
}

size_t sqlx_find(char const* text, size_t from, char const* word, unsigned how) {
    if (!text)
        return SQLX_NONE;
    size_t wl = strlen(word);
    char quote = 0;
    bool escapes = false;
    int depth = 0;
    char prev = ' ';
    for (char const* p = text; *p;) {
        char c = *p;
        if (quote) {
            if (escapes && c == '\\' && p[1])
                p++;
            else if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
            escapes = escapesOpen(text, p);
        } else if (size_t n = commentLen(p)) {
            p += n;
            prev = ' ';
            continue;
        } else {
            if (c == '(')
                depth++;
            else if (c == ')' && depth > 0)
                depth--;
            bool here = (size_t)(p - text) >= from && !(depth > 0 && (how & SQLX_TOP)) &&
                        ((how & SQLX_NOCASE) ? startsWith(p, word) : strncmp(p, word, wl) == 0);
            if (here && !((how & SQLX_WORD) && (isIdentChar(prev) || isIdentChar(p[wl]))))
                return (size_t)(p - text);
        }
        prev = c;
        p++;
    }
    return SQLX_NONE;
}

bool sqlx_topWord(char const* text, char const* word) {
    return sqlx_find(text, 0, word, SQLX_NOCASE | SQLX_TOP | SQLX_WORD) != SQLX_NONE;
}

bool sqlx_isAggregate(char const* text) {
    if (!text)
        return false;
    static char const* const names[] = {"count", "sum", "min", "max", "avg"};
    for (char const* p = text; *p; p++) {
        for (char const* n : names) {
            if (!startsWith(p, n))
                continue;
            char const* q = p + strlen(n);
            if (*q == '(' || (*q == ' ' && q[1] == '('))
                return true;
        }
    }
    return false;
}

cSqlParsex::cSqlParsex()
    : attrCount(0), attrs(nullptr), attrAlloc(0), curTable(nullptr), curCreator(nullptr),
      fromText(nullptr), whereText(nullptr), havingText(nullptr), groupByText(nullptr),
      orderByText(nullptr), prefixText(nullptr), listText(nullptr), tailText(nullptr),
      lossy(false), caseDepth(0) {}

cSqlParsex::~cSqlParsex() {
    release();
}

void cSqlParsex::release() {
    for (int i = 0; i < attrCount; i++)
        freeAttr(attrs[i]);
    freex(attrs);
    attrs = nullptr;
    attrCount = attrAlloc = 0;
    strfrx(&curTable);
    strfrx(&curCreator);
    strfrx(&fromText);
    froms.clear();
    strfrx(&whereText);
    strfrx(&havingText);
    strfrx(&groupByText);
    strfrx(&orderByText);
    strfrx(&prefixText);
    strfrx(&listText);
    strfrx(&tailText);
    lossy = false;
    caseDepth = 0;
}

char* cSqlParsex::nextToken(char** pp) {
    char* p = (char*)sqlx_skipBlanks(*pp);
    char* start = p;
    char quote = 0;
    bool escapes = false;
    int depth = 0;
    while (*p) {
        char c = *p;
        if (quote) {
            if (escapes && c == '\\' && p[1])
                p++;
            else if (c == quote)
                quote = 0;
            p++;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            escapes = escapesOpen(start, p);
            p++;
            continue;
        }
        if (size_t n = commentLen(p)) {
            /* A comment ends a token; inside parentheses it is kept as written. */
            if (depth == 0)
                break;
            p += n;
            continue;
        }
        if (c == '(') {
            depth++;
        } else if (c == ')') {
            if (depth > 0)
                depth--;
        } else if (depth == 0 && (isBlank(c) || c == ',')) {
            break;
        }
        p++;
    }
    *pp = p;
    return dupRange(start, (size_t)(p - start));
}

cSqlAttr* cSqlParsex::newAttr() {
    if (attrCount == attrAlloc) {
        int n = attrAlloc ? attrAlloc * 2 : 16;
        cSqlAttr* a = (cSqlAttr*)reallox(attrs, (unsigned)(n * sizeof(cSqlAttr)));
        if (!a)
            return nullptr;
        attrs = a;
        attrAlloc = n;
    }
    cSqlAttr* a = &attrs[attrCount++];
    memset(a, 0, sizeof *a);
    return a;
}

void cSqlParsex::startAttr(char const* token) {
    cSqlAttr* a = newAttr();
    if (!a)
        return;
    bool name = isQualifiedStar(token) || strcmp(token, "*") == 0 ||
                (!isNumber(token) && !isQuoted(token) && !isExpression(token));
    if (!name) {
        a->atr = strdux((void*)token);
        a->expr = 1;
        return;
    }
    char const* d1 = strchr(token, '.');
    if (!d1) {
        a->atr = strdux((void*)token);
    } else {
        char const* rest = d1 + 1;
        char const* d2 = strchr(rest, '.');
        if (d2) {
            a->cre = dupOrNull(token, (size_t)(d1 - token));
            a->tbl = dupOrNull(rest, (size_t)(d2 - rest));
            a->atr = strdux((void*)(d2 + 1));
        } else {
            a->tbl = dupOrNull(token, (size_t)(d1 - token));
            a->atr = strdux((void*)rest);
        }
    }
    a->star = strcmp(a->atr, "*") == 0;
    if (isWord(token, "case")) {
        a->expr = 1;
        caseDepth = 1;
    }
}

bool cSqlParsex::continueAttr(char const* token) {
    if (attrCount == 0)
        return false;
    cSqlAttr* a = &attrs[attrCount - 1];
    size_t n = strlen(a->atr);
    char last = n ? a->atr[n - 1] : 0;
    if (!isOperatorChar(last) && !isOperatorChar(token[0])) {
        // Only "as" may give way to the alias after it; any other word would be lost.
        if (a->aliatr && stricmpx(a->aliatr, "as") != 0)
            lossy = true;
        strfrdux(&a->aliatr, (void*)token);
        return false;
    }
    if (a->aliatr)
        lossy = true;  // the word taken for the alias belonged to the expression
    std::string text;
    if (a->tbl) {
        if (a->cre) {
            text += a->cre;
            text += '.';
        }
        text += a->tbl;
        text += '.';
        strfrx(&a->cre);
        strfrx(&a->tbl);
    }
    text += a->atr;
    /* Joining "-" "-" or "/" "*" without a blank would open a comment. */
    if ((last == '-' && token[0] == '-') || (last == '/' && token[0] == '*'))
        text += ' ';
    text += token;
    strfrdux(&a->atr, (void*)text.c_str());
    a->expr = 1;
    a->star = 0;
    return true;
}

void cSqlParsex::tableAlias(char const* alias) {
    for (int i = 0; i < attrCount; i++) {
        cSqlAttr& a = attrs[i];
        /* Only the first alias that names the attribute's table resolves it. */
        if (!a.tbl || a.alitbl || stricmpx(a.tbl, alias) != 0)
            continue;
        a.alitbl = strdux((void*)alias);
        strfrdux(&a.tbl, curTable);
        if (curCreator)
            strfrdux(&a.cre, curCreator);
    }
}

bool cSqlParsex::analyse(char const* sql) {
    release();
    if (!sql)
        return false;
    char const* p = sqlx_skipBlanks(sql);
    if (!startsWith(p, "select"))
        return false;
    p += 6;

    /* Select list. Its text as written runs to the end of its last token, so that no
       trailing comment is kept with it. */
    char const* listStart = sqlx_skipBlanks(p);
    char const* listEnd = listStart;
    bool newItem = true;
    bool first = true;
    for (;;) {
        char* cur = (char*)p;
        char* tok = nextToken(&cur);
        if (!*cur) {
            freex(tok);
            release();
            return false;
        }
        if (isWord(tok, "from") && separatorAt(cur)) {
            freex(tok);
            p = cur;
            break;
        }
        if (*tok)
            listEnd = cur;
        if (!*tok) {
            /* Only before a comma: an empty item adds nothing. */
        } else if (first && (isWord(tok, "distinct") || isWord(tok, "all"))) {
            prefixText = strdux(tok);
            listStart = listEnd = sqlx_skipBlanks(cur);
        } else if (newItem) {
            caseDepth = 0;
            startAttr(tok);
            newItem = false;
        } else if (caseDepth > 0 && attrCount > 0) {
            cSqlAttr* a = &attrs[attrCount - 1];
            std::string text(a->atr);
            text += ' ';
            text += tok;
            strfrdux(&a->atr, (void*)text.c_str());
            if (isWord(tok, "case"))
                caseDepth++;
            else if (isWord(tok, "end"))
                caseDepth--;
        } else if (continueAttr(tok) && isWord(tok, "case")) {
            caseDepth = 1;
        }
        if (*tok)
            first = false;
        freex(tok);
        p = sqlx_skipBlanks(cur);
        if (*p == ',') {
            newItem = true;
            p++;
        }
    }
    /* A lone "*" is the select-star list: no attribute. */
    if (attrCount == 1 && attrs[0].star && !attrs[0].tbl && !attrs[0].aliatr) {
        freeAttr(attrs[0]);
        attrCount = 0;
    }
    listText = dupRange(listStart, (size_t)(listEnd - listStart));

    /* FROM list. */
    char const* fromStart = nullptr;
    char const* fromEnd = nullptr;
    bool newTable = true;
    bool inCondition = false;
    for (;;) {
        p = sqlx_skipBlanks(p);
        if (!*p || fromEndsAt(p))
            break;
        char const* tokStart = p;
        char* cur = (char*)p;
        char* tok = nextToken(&cur);
        if (*tok) {
            if (!fromStart)
                fromStart = tokStart;
            fromEnd = cur;
            if (isWord(tok, "join")) {
                newTable = true;
                inCondition = false;
            } else if (isJoinWord(tok)) {
                inCondition = false;
            } else if (isWord(tok, "on") || isWord(tok, "using")) {
                inCondition = true;
            } else if (inCondition) {
                /* Join condition: neither table nor alias. */
            } else if (newTable) {
                strfrx(&curTable);
                strfrx(&curCreator);
                char const* dot = topDot(tok);
                if (dot) {
                    curCreator = dupRange(tok, (size_t)(dot - tok));
                    curTable = strdux((void*)(dot + 1));
                } else {
                    curTable = strdux(tok);
                }
                froms.push_back({curCreator ? curCreator : "", curTable, ""});
                newTable = false;
            } else if (!isWord(tok, "as")) {
                if (froms.back().alias.empty())
                    froms.back().alias = tok;
                tableAlias(tok);
            }
        }
        freex(tok);
        p = sqlx_skipBlanks(cur);
        if (*p == ',') {
            newTable = true;
            inCondition = false;
            p++;
        }
    }
    if (!fromStart) {
        release();
        return false;
    }
    fromText = dupRange(fromStart, (size_t)(fromEnd - fromStart));

    /* Clauses: 0 is the text before any keyword, dropped. */
    char** slots[5] = {nullptr, &whereText, &havingText, &groupByText, &orderByText};
    int clause = 0;
    std::string acc;
    auto store = [&]() {
        if (clause)
            strfrdux(slots[clause], (void*)acc.c_str());
        acc.clear();
    };
    for (;;) {
        p = sqlx_skipBlanks(p);
        if (!*p)
            break;
        char const* tokStart = p;
        char* cur = (char*)p;
        char* tok = nextToken(&cur);
        if (isWord(tok, "where")) {
            store();
            clause = 1;
        } else if (isWord(tok, "having")) {
            store();
            clause = 2;
        } else if (isWord(tok, "group") && cur[0] == ' ' && lower(cur[1]) == 'b' &&
                   lower(cur[2]) == 'y') {
            store();
            clause = 3;
            cur += 3;
        } else if (isWord(tok, "order") && cur[0] == ' ' && lower(cur[1]) == 'b' &&
                   lower(cur[2]) == 'y') {
            store();
            clause = 4;
            cur += 3;
        } else if (isTailWord(tok)) {
            /* Kept as written up to the end of its last token. */
            char const* tailEnd = cur;
            for (;;) {
                char* q = (char*)sqlx_skipBlanks(tailEnd);
                if (!*q)
                    break;
                char* t = nextToken(&q);
                freex(t);
                if (*q == ',')
                    q++;
                tailEnd = q;
            }
            freex(tok);
            tailText = dupRange(tokStart, (size_t)(tailEnd - tokStart));
            break;
        } else {
            acc += ' ';
            acc += tok;
            if (*cur == ',') {
                acc += ',';
                cur++;
            }
        }
        freex(tok);
        p = cur;
    }
    store();
    return true;
}

/* A name in double quotes, alone or last of a dotted name, as the data source names the
   column: "Col ""A""" and t."Col ""A""" are Col "A". Anything else stays as it is. */
static std::string unquotedName(char const* name) {
    size_t n = strlen(name);
    if (n < 2 || name[n - 1] != '"')
        return name;
    size_t open = n - 1;  // the quote that opens the last quoted part
    while (open > 0) {
        open--;
        if (name[open] != '"')
            continue;
        if (open > 0 && name[open - 1] == '"') {
            open--;  // a doubled quote inside
            continue;
        }
        break;
    }
    if (name[open] != '"' || open == n - 1 || (open > 0 && name[open - 1] != '.'))
        return name;
    std::string s;
    for (size_t i = open + 1; i + 1 < n; i++) {
        s += name[i];
        if (name[i] == '"' && name[i + 1] == '"')
            i++;
    }
    return s;
}

void cSqlParsex::handOver(cStatementModel* model, cXdbc* xdbc) {
    if (!model)
        return;
    model->clearColumns();
    int n = xdbc ? xdbc->colCount() : 0;
    auto typeOf = [&](int i) { return (xdbc && i < n) ? xdbc->colType(i) : 2; };
    auto nameOf = [&](int i) {
        char const* s = xdbc->colName(i);
        return s ? s : "";
    };
    auto addAttr = [&](cSqlAttr const& a, int pos, int type) {
        std::string title = unquotedName(a.aliatr ? a.aliatr : a.atr);
        model->addColumn(0, (short)pos, a.cre, a.tbl, a.alitbl, a.atr, a.aliatr, title.c_str(),
                         (short)type, 0, listWidth(type), nullptr, 0);
    };
    xnameRule rule = sqlNameRule(xdbc);
    /* The FROM table that result column j comes from, when its name is not unique in the
       result (both "id" of a join) and the data source tells the one table of the list. */
    auto sourceOf = [&](int j) -> cSqlFrom const* {
        char const* name = nameOf(j);
        int same = 0;
        for (int k = 0; k < n; k++)
            same += stricmpx(nameOf(k), name) == 0;
        char table[256];
        if (same < 2 || !xdbc->colTable(j, table, sizeof table))
            return nullptr;
        cSqlFrom const* found = nullptr;
        for (cSqlFrom const& f : froms) {
            std::string plain = unquotedName(f.tbl.c_str());
            bool quoted = plain != f.tbl;
            if (quoted ? plain != table : stricmpx(plain.c_str(), table) != 0)
                continue;
            if (found)
                return nullptr;  // the table twice (a self-join): no telling which
            found = &f;
        }
        return found;
    };
    auto given = [](std::string const& s) { return s.empty() ? nullptr : s.c_str(); };
    auto addResult = [&](int j, cSqlAttr const* star) {
        int type = xdbc->colType(j);
        char const* name = nameOf(j);
        // The result's name goes into SQL (filters, sorting) as the data source writes it.
        std::string quoted = sqlName(name, rule);
        cSqlFrom const* from = star ? nullptr : sourceOf(j);
        model->addColumn(0, (short)j, star ? star->cre : from ? given(from->cre) : nullptr,
                         star ? star->tbl : from ? from->tbl.c_str() : nullptr,
                         star ? star->alitbl : from ? given(from->alias) : nullptr,
                         quoted.empty() ? name : quoted.c_str(), nullptr, name, (short)type, 0,
                         resultWidth(type), nullptr, 0);
    };

    int stars = 0;
    int starAt = -1;
    for (int i = 0; i < attrCount; i++)
        if (attrs[i].star) {
            stars++;
            starAt = i;
        }
    model->setSelectList("");
    if (attrCount == 0) {
        model->setSelectStar(true);
        for (int j = 0; j < n; j++)
            addResult(j, nullptr);
    } else if (n > 0 && (stars > 0 || n != attrCount || lossy)) {
        /* The list does not map one to one onto the result, or an item lost words: keep
           it as written and take the columns from the result. */
        model->setSelectStar(false);
        model->setSelectList(listText);
        if (stars == 1 && n >= attrCount - 1 && !lossy) {
            int covered = n - (attrCount - 1);
            int j = 0;
            for (int i = 0; i < attrCount; i++) {
                if (i == starAt) {
                    for (int k = 0; k < covered; k++, j++)
                        addResult(j, &attrs[i]);
                } else {
                    addAttr(attrs[i], j, xdbc->colType(j));
                    j++;
                }
            }
        } else {
            for (int j = 0; j < n; j++)
                addResult(j, nullptr);
        }
    } else {
        model->setSelectStar(false);
        for (int i = 0; i < attrCount; i++)
            addAttr(attrs[i], i, typeOf(i));
    }
    model->setSelectPrefix(prefixText);
    model->setTail(tailText);
    model->setFrom(fromText);
    model->setWhere(trimmed(whereText).c_str());
    model->setHaving(trimmed(havingText).c_str());
    model->setGroupBy(trimmed(groupByText).c_str());
    model->setOrderBy(trimmed(orderByText).c_str());
}

bool cSqlParsex::tracing = false;

void cSqlParsex::trace() {
    for (int i = 0; i < attrCount; i++) {
        cSqlAttr const& a = attrs[i];
        printf("ATR: %s, ALIATR: %s, TBL: %s, CRE: %s, ALITBL: %s, EXPR: %d\n", orNull(a.atr),
               orNull(a.aliatr), orNull(a.tbl), orNull(a.cre), orNull(a.alitbl), a.expr);
    }
}

bool cSqlParsex::parse(char const* sql, cStatementModel* model, cXdbc* xdbc) {
    cSqlParsex p;
    if (!p.analyse(sql) || (p.lossy && !(xdbc && xdbc->colCount() > 0)))
        return false;
    p.handOver(model, xdbc);
    if (tracing)
        p.trace();
    p.release();
    return true;
}
