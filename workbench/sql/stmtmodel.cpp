/* cStatementModel: column descriptors, clauses, filters and the rebuilt SQL. */
#include "stmtmodel.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "outfmt.h"
#include "sqlparser.h"
#include "strx.h"
#include "values.h"

namespace {

inline bool isEmpty(char const* s) {
    return !s || !*s;
}

inline void assign(char** slot, char const* s) {
    strfrdux(slot, (void*)s);
}

inline char* heap(char const* s) {
    return strdux((void*)s);
}

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string selTextOf(char const* cre, char const* tbl, char const* alitbl, char const* atr) {
    std::string s;
    if (!isEmpty(alitbl)) {
        s = alitbl;
        s += '.';
    } else if (!isEmpty(cre) && !isEmpty(tbl)) {
        s = cre;
        s += '.';
        s += tbl;
        s += '.';
    } else if (!isEmpty(tbl)) {
        s = tbl;
        s += '.';
    }
    s += atr ? atr : "";
    return s;
}

/* Text between single quotes inside a literal: quotes doubled. */
std::string escaped(std::string const& v) {
    std::string r;
    for (char c : v) {
        r += c;
        if (c == '\'')
            r += '\'';
    }
    return r;
}

std::string quoted(std::string const& v) {
    return "'" + escaped(v) + "'";
}

std::string trimmedCopy(std::string const& v) {
    size_t b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        b++;
    while (e > b && isBlank(v[e - 1]))
        e--;
    return v.substr(b, e - b);
}

/* A date typed in the grid's picture (as the filter row reads it) in the form data
   sources compare: "24.11.2024" is "2024-11-24", with " 13:05:00" when it has a time. Text
   that is no whole date stays as typed. */
std::string isoDate(std::string const& v) {
    cDatex d;
    d.set(v.c_str(), -1);
    if (d.isNull() || d.year() < 1 || d.month() < 1 || d.mday() < 1)
        return v;
    // A day or time the calendar does not have ("31.02.2024") is left to the data source.
    _tmx typed = strtimex(v.c_str(), 0, 0);
    if (typed.year != d.year() || typed.month != d.month() || typed.day != d.mday() ||
        typed.hour != d.hour() || typed.minute != d.minute() || typed.second != (int)d.second())
        return v;
    char buf[40];
    int n = snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year(), d.month(), d.mday());
    float s = d.second();
    int whole = (int)s, ms = (int)((s - whole) * 1000 + 0.5f);
    if (d.hour() || d.minute() || whole || ms)
        n += snprintf(buf + n, sizeof buf - n, " %02d:%02d:%02d", d.hour(), d.minute(), whole);
    if (ms)
        snprintf(buf + n, sizeof buf - n, ".%03d", ms);
    return buf;
}

/* Comparison value: a plain number for number columns, otherwise a quoted literal.
   Text that is no number is quoted even on a number column, so it stays one value. */
std::string comparand(std::string const& v, short type) {
    if (type == 1) {
        std::string t = trimmedCopy(v);
        if (outfmt_decimalPoint(&t[0]))  // "1,5" as the grid reads it
            return t;
    }
    if (type == 4)
        return quoted(isoDate(v));
    return quoted(v);
}

/* One item of an IN list or a BETWEEN bound: kept when it is a whole SQL text literal
   already ('O''Neil'), else a comparand as the comparisons make it. */
std::string listItem(std::string const& v, short type) {
    std::string t = trimmedCopy(v);
    if (t.size() >= 2 && t[0] == '\'' && t[t.size() - 1] == '\'') {
        size_t i = 1;
        while (i < t.size() - 1 && (t[i] != '\'' || t[++i] == '\''))
            i++;
        if (i == t.size() - 1)
            return t;
    }
    return comparand(t, type);
}

/* The parts of v between the separators sep (matched without case); a part that begins
   with a text literal may hold sep inside it, an apostrophe elsewhere is a letter. At most
   `most` parts, the last one holding the rest. */
std::vector<std::string> splitOutsideQuotes(std::string const& v, char const* sep, size_t most) {
    std::vector<std::string> parts;
    size_t n = strlen(sep), from = 0;
    bool atStart = true, quote = false;
    for (size_t i = 0; i < v.size(); i++) {
        if (quote) {
            if (v[i] == '\'' && i + 1 < v.size() && v[i + 1] == '\'')
                i++;  // a doubled quote is a letter
            else if (v[i] == '\'')
                quote = false;
            continue;
        }
        if (atStart && v[i] == '\'') {
            quote = true;
            atStart = false;
            continue;
        }
        size_t k = 0;
        if (parts.size() + 1 < most)
            while (k < n && i + k < v.size() && tolower((unsigned char)v[i + k]) == sep[k])
                k++;
        if (k == n) {
            parts.push_back(v.substr(from, i - from));
            from = i + n;
            i += n - 1;
            atStart = true;
        } else if (v[i] != ' ' && v[i] != '\t') {
            atStart = false;
        }
    }
    parts.push_back(v.substr(from));
    return parts;
}

/* "(a, b)" of an IN list: every item a literal or a number, the blanks as typed. */
std::string inList(std::string const& v, short type) {
    std::string r;
    for (std::string const& item : splitOutsideQuotes(v, ",", (size_t)-1)) {
        std::string core = trimmedCopy(item);
        if (core.empty())
            continue;
        if (!r.empty())
            r += "," + item.substr(0, item.find(core[0]));
        r += listItem(core, type);
    }
    return "(" + (r.empty() ? comparand("", type) : r) + ")";
}

/* "a and b" of BETWEEN, the word as typed; without " and " the whole text is one (failing)
   bound. */
std::string betweenBounds(std::string const& v, short type) {
    std::vector<std::string> b = splitOutsideQuotes(v, " and ", 2);
    if (b.size() < 2)
        return listItem(v, type);
    return listItem(b[0], type) + v.substr(b[0].size(), 5) + listItem(b[1], type);
}

/* col [not ]like pattern, the text v matched literally between lead and trail ("%" or ""):
   its "%" and "_" are escaped with "!", and then an escape clause names it. A backslash
   needs the clause too, as some data sources take it for their default escape. */
std::string likeCond(std::string const& col, std::string const& n, std::string const& v,
                     char const* lead, char const* trail) {
    bool plain = v.find_first_of("%_!\\") == std::string::npos;
    std::string p;
    for (char c : v) {
        if (!plain && (c == '%' || c == '_' || c == '!'))
            p += '!';
        p += c;
    }
    std::string cond = col + " " + n + "like '" + lead + escaped(p) + trail + "'";
    if (!plain)
        cond += " escape '!'";
    return cond;
}

/* col LIKE pattern for the query-by-example window, whose "%" and "_" stay wildcards. A
   backslash is the default escape of some data sources: with one in the text, "!" is named
   the escape instead (and a "!" of the text doubled), so that the backslash is a letter. */
std::string qbeLike(std::string const& col, std::string const& v, char const* lead,
                    char const* trail) {
    bool slash = v.find('\\') != std::string::npos;
    std::string p;
    for (char c : v) {
        if (slash && c == '!')
            p += '!';
        p += c;
    }
    return col + " LIKE '" + lead + escaped(p) + trail + "'" + (slash ? " ESCAPE '!'" : "");
}

/* A part that holds a top-level OR is parenthesised before it is ANDed with another. */
std::string guarded(std::string const& part) {
    if (sqlx_topWord(part.c_str(), "or"))
        return "(" + part + ")";
    return part;
}

std::string joinAnd(char const* a, char const* b) {
    if (isEmpty(a))
        return b ? b : "";
    if (isEmpty(b))
        return a;
    return guarded(a) + " and " + guarded(b);
}

void appendCond(std::string& list, std::string const& cond, char const* sep) {
    if (!list.empty())
        list += sep;
    list += cond;
}

void freeColumn(cStmtColumn& c) {
    strfrx(&c.cre);
    strfrx(&c.tbl);
    strfrx(&c.alitbl);
    strfrx(&c.atr);
    strfrx(&c.aliatr);
    strfrx(&c.title);
    strfrx(&c.selText);
    strfrx(&c.format);
    strfrx(&c.condText);
}

}  // namespace

cStatementModel::cStatementModel(short mode_, char const* title_, char const* dsn_,
                                 char const* user_, char const* pswd_)
    : mode(mode_), title(heap(title_)), dsn(heap(dsn_)), user(heap(user_)), pswd(heap(pswd_)),
      groupBy(heap(nullptr)), orderBy(heap(nullptr)), where(heap(nullptr)),
      having(heap(nullptr)), from(heap(nullptr)), fromGiven(false), filterWhere(heap(nullptr)),
      filterHaving(heap(nullptr)), fullWhere(heap(nullptr)), fullHaving(heap(nullptr)),
      sql(heap(nullptr)), selectStar(false), hasUnion(false), selectPrefix(heap(nullptr)),
      selectList(heap(nullptr)), tail(heap(nullptr)), columns(nullptr), columnCount(0),
      columnAlloc(0) {}

cStatementModel::~cStatementModel() {
    clearColumns();
    freex(columns);
    char** strings[] = {&title, &dsn, &user, &pswd, &groupBy, &orderBy, &where, &having,
                        &from, &filterWhere, &filterHaving, &fullWhere, &fullHaving, &sql,
                        &selectPrefix, &selectList, &tail};
    for (char** s : strings)
        strfrx(s);
}

short cStatementModel::addColumn(short id, short position, char const* cre, char const* tbl,
                                 char const* alitbl, char const* atr, char const* aliatr,
                                 char const* displayName, short type, short dispFlags,
                                 short widthCode, char const* format, unsigned short flags) {
    if (columnCount == columnAlloc) {
        if (columnAlloc > 32767 - 100)
            return -1;
        short n = (short)(columnAlloc + 100);
        cStmtColumn* c = (cStmtColumn*)reallox(columns, (unsigned)(n * sizeof(cStmtColumn)));
        if (!c)
            return -1;
        columns = c;
        columnAlloc = n;
    }
    short index = columnCount;
    cStmtColumn& c = columns[index];
    c.id = id ? id : index;
    c.pos = position ? position : index;
    c.cre = heap(cre);
    c.tbl = heap(tbl);
    c.alitbl = heap(alitbl);
    c.atr = heap(atr);
    c.aliatr = heap(aliatr);
    c.selText = heap(selTextOf(cre, tbl, alitbl, atr).c_str());
    if (!isEmpty(displayName))
        c.title = heap(displayName);
    else
        c.title = heap(isEmpty(aliatr) ? c.selText : aliatr);
    c.type = type;
    c.widthCode = widthCode;
    c.dispFlags = dispFlags;
    c.flags = flags;
    c.format = heap(format);
    c.condOp = 0;
    c.condText = heap(nullptr);
    columnCount++;
    return index;
}

void cStatementModel::clearColumns() {
    for (int i = 0; i < columnCount; i++)
        freeColumn(columns[i]);
    columnCount = 0;
}

cStmtColumn* cStatementModel::column(int index) {
    return (index >= 0 && index < columnCount) ? &columns[index] : nullptr;
}

short cStatementModel::indexOfColumn(short id) {
    for (short i = 0; i < columnCount; i++)
        if (columns[i].id == id)
            return i;
    return -1;
}

void cStatementModel::setSql(char const* text) {
    assign(&sql, text);
    hasUnion = isUnion(sql);
}

void cStatementModel::setFrom(char const* text) {
    assign(&from, text);
    fromGiven = true;
}

void cStatementModel::setWhere(char const* text) {
    assign(&where, text);
    if (!*fullWhere)
        assign(&fullWhere, text);
}

void cStatementModel::setHaving(char const* text) {
    assign(&having, text);
    if (!*fullHaving)
        assign(&fullHaving, text);
}

void cStatementModel::setGroupBy(char const* text) {
    assign(&groupBy, text);
}

void cStatementModel::setOrderBy(char const* text) {
    assign(&orderBy, text);
}

void cStatementModel::setSelectStar(bool on) {
    selectStar = on;
}

void cStatementModel::setSelectPrefix(char const* text) {
    assign(&selectPrefix, text);
}

void cStatementModel::setSelectList(char const* text) {
    assign(&selectList, text);
}

void cStatementModel::setTail(char const* text) {
    assign(&tail, text);
}

bool cStatementModel::parse(cXdbc* cursor) {
    return cSqlParsex::parse(sql, this, cursor);
}

void cStatementModel::regenerate() {
    std::string list;
    if (*selectList) {
        list = selectList;
    } else if (selectStar) {
        list = "*";
    } else {
        for (int i = 0; i < columnCount; i++) {
            cStmtColumn const& c = columns[i];
            if (c.flags & STMCOL_HIDDEN)
                continue;
            if (!list.empty())
                list += ", ";
            list += c.selText;
            if (*c.aliatr) {
                list += " as ";
                list += c.aliatr;
            }
        }
    }

    if (!fromGiven) {
        /* One item per distinct table of the descriptors. */
        std::vector<std::string> items;
        for (int i = 0; i < columnCount; i++) {
            cStmtColumn const& c = columns[i];
            if (!*c.tbl)
                continue;
            std::string item;
            if (*c.cre) {
                item = c.cre;
                item += '.';
            }
            item += c.tbl;
            if (*c.alitbl) {
                item += ' ';
                item += c.alitbl;
            }
            bool known = false;
            for (std::string const& s : items)
                known = known || stricmpx(s.c_str(), item.c_str()) == 0;
            if (!known)
                items.push_back(item);
        }
        std::string f;
        for (std::string const& s : items)
            appendCond(f, s, ", ");
        assign(&from, f.c_str());
    }

    assign(&fullWhere, joinAnd(where, filterWhere).c_str());
    assign(&fullHaving, joinAnd(having, filterHaving).c_str());

    std::string s = "select ";
    if (*selectPrefix) {
        s += selectPrefix;
        s += ' ';
    }
    s += list;
    if (*from) {
        s += " from ";
        s += from;
    }
    if (*fullWhere) {
        s += " where ";
        s += fullWhere;
    }
    if (*groupBy) {
        s += " group by ";
        s += groupBy;
    }
    /* A HAVING as written stays even without GROUP BY: dropping it would widen the result. */
    if (*fullHaving) {
        s += " having ";
        s += fullHaving;
    }
    if (*orderBy) {
        s += " order by ";
        s += orderBy;
    }
    if (*tail) {
        s += ' ';
        s += tail;
    }
    setSql(s.c_str());
}

bool cStatementModel::isAggregateColumn(int index) {
    cStmtColumn* c = column(index);
    return c && ((c->flags & STMCOL_AGGREGATE) || sqlx_isAggregate(c->selText));
}

int cStatementModel::selectPosition(int index) {
    int pos = 1;
    for (int i = 0; i < index && i < columnCount; i++)
        if (!(columns[i].flags & STMCOL_HIDDEN))
            pos++;
    return pos;
}

void cStatementModel::setOrderByColumn(int index, short direction) {
    if (direction == 0 || index < 0 || index >= columnCount) {
        assign(&orderBy, "");
        return;
    }
    std::string s;
    if (isAggregateColumn(index)) {
        char buf[32];
        snprintf(buf, sizeof buf, "%.0f", (double)selectPosition(index));
        s = buf;
    } else {
        s = columns[index].selText;
    }
    if (direction == 2)
        s += " DESC";
    assign(&orderBy, s.c_str());
}

void cStatementModel::takeSort(short colid, short direction) {
    int i = indexOfColumn(colid);
    if (i < 0 || (direction != 1 && direction != 2)) {
        assign(&orderBy, "");
        return;
    }
    std::string s;
    // A name the result holds twice (id of both tables of a join) would be ambiguous.
    bool twice = false;
    for (int k = 0; k < columnCount && !twice; k++)
        twice = k != i && strcmp(columns[k].selText, columns[i].selText) == 0;
    if (selectStar && !twice) {
        s = columns[i].selText;
    } else {
        char buf[32];
        snprintf(buf, sizeof buf, "%d", selectPosition(i));
        s = buf;
    }
    s += direction == 2 ? " DESC" : " ASC";
    assign(&orderBy, s.c_str());
}

void cStatementModel::takeFilters(cQbeFilter const* filters, int count) {
    std::string w, h;
    for (int k = 0; filters && k < count; k++) {
        cQbeFilter const& f = filters[k];
        bool nullTest = f.op == QBE_NULL || f.op == QBE_NOTNULL;
        if (isEmpty(f.text) && !nullTest)
            continue;
        int i = indexOfColumn(f.colid);
        if (i < 0)
            continue;
        std::string col = columns[i].selText;
        std::string n = f.negate ? "not " : "";
        std::string v = f.text ? f.text : "";
        std::string cond;
        switch (f.op) {
        case QBE_LIKE_START: cond = likeCond(col, n, v, "", "%"); break;
        case QBE_LIKE_ANY: cond = likeCond(col, n, v, "%", "%"); break;
        case QBE_LIKE_END: cond = likeCond(col, n, v, "%", ""); break;
        case QBE_EQ: cond = n + col + "=" + comparand(v, f.type); break;
        case QBE_NE: cond = n + col + "<>" + comparand(v, f.type); break;
        case QBE_LT: cond = n + col + "<" + comparand(v, f.type); break;
        case QBE_GT: cond = n + col + ">" + comparand(v, f.type); break;
        case QBE_LE: cond = n + col + "<=" + comparand(v, f.type); break;
        case QBE_GE: cond = n + col + ">=" + comparand(v, f.type); break;
        case QBE_NULL: cond = col + " is " + n + "null"; break;
        case QBE_NOTNULL: cond = col + " is " + (f.negate ? "" : "not ") + "null"; break;
        default: continue;  // 210, 211 and unknown codes make no condition
        }
        if (isAggregateColumn(i) && *groupBy)
            appendCond(h, cond, " and ");
        else
            appendCond(w, cond, " and ");
    }
    assign(&filterWhere, w.c_str());
    assign(&filterHaving, h.c_str());
}

void cStatementModel::setCondition(int index, short op, char const* text) {
    cStmtColumn* c = column(index);
    if (!c)
        return;
    c->condOp = (op >= 0 && op <= 14) ? op : 0;
    std::string t = text ? text : "";
    if (t.size() > STMCOND_MAX)
        t.resize(STMCOND_MAX);
    assign(&c->condText, t.c_str());
}

void cStatementModel::takeConditions() {
    static char const* const compare[] = {"=", "<>", "<", ">", "<=", ">="};
    std::string w, h;
    for (int i = 0; i < columnCount; i++) {
        cStmtColumn const& c = columns[i];
        short op = c.condOp;
        bool has = (op >= 1 && op <= 12 && *c.condText) || op == 13 || op == 14;
        if (!has)
            continue;
        std::string col = c.selText;
        std::string v = c.condText;
        std::string cond;
        if (op == 1)
            cond = qbeLike(col, v, "", "%");
        else if (op == 2)
            cond = qbeLike(col, v, "%", "%");
        else if (op == 3)
            cond = qbeLike(col, v, "%", "");
        else if (op <= 9)
            cond = col + compare[op - 4] + comparand(v, c.type);
        else if (op == 10)
            cond = col + " IN " + inList(v, c.type);
        else if (op == 11)
            cond = col + " NOT IN " + inList(v, c.type);
        else if (op == 12)
            cond = col + " BETWEEN " + betweenBounds(v, c.type);
        else if (op == 13)
            cond = col + " IS NULL";
        else
            cond = col + " IS NOT NULL";
        appendCond(isAggregateColumn(i) ? h : w, guarded(cond), " AND ");
    }
    assign(&filterWhere, w.c_str());
    assign(&filterHaving, h.c_str());
}

bool cStatementModel::isUnion(char const* text) {
    if (!text)
        return false;
    static char const needle[] = "union select";
    for (char const* p = text; *p; p++) {
        size_t k = 0;
        while (needle[k] && p[k] &&
               (p[k] == needle[k] || (p[k] >= 'A' && p[k] <= 'Z' && p[k] + 32 == needle[k])))
            k++;
        if (!needle[k])
            return true;
    }
    return sqlx_topWord(text, "union") || sqlx_topWord(text, "intersect") ||
           sqlx_topWord(text, "except");
}
