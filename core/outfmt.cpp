/* The export formats as a table, the escaping rules and the row formatter. */
#include "outfmt.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "strx.h"

#define HTML_HEAD_GRID "<HTML>\r\n<BODY>\r\n<TABLE border=1 cellspacing=1 cellpadding=2>\r\n"
#define HTML_FOOT_GRID "</TABLE>\r\n</BODY>\r\n</HTML>\r\n"
#define HTML_HEAD_RS "<HTML>\r\n<BODY>\r\n\r\n<TABLE border=1 cellspacing=1 cellpadding=2>\r\n\r\n"
#define HTML_FOOT_RS "\r\n</TABLE>\r\n\r\n</BODY>\r\n</HTML>\r\n"

/* Texts of every type but numbers and dates. */
#define OUTT_TEXTS (OUTT_STRING | OUTT_LONG | OUTT_OTHER)
#define OUTT_ALL (OUTT_NUMBER | OUTT_STRING | OUTT_DATE | OUTT_LONG | OUTT_OTHER)

/* Rows: users; columns: formats 1..4. */
static const outfmtLayout outfmtTable[2][4] = {
    {
        /* The grid's export. */
        {OUTFMT_CSV, "", 0, 0, "\r\n", "", '"', OUTT_STRING, OUTQ_CSV, OUTT_STRING, false,
         0, 0, 0, 0, 0, 0},
        {OUTFMT_FIXED, "", 0, " ", "\r\n", "", 0, 0, OUTQ_NONE, 0, true, 0, 0, 0, 0, 0, 0},
        {OUTFMT_HTML, "<TR><TD>", 0, "</TD><TD>", "</TD></TR>\r\n", "&nbsp;", 0, 0, OUTQ_HTML,
         OUTT_ALL, false, HTML_HEAD_GRID, "<TR>", "<TH>", "</TH>", "</TR>\r\n", HTML_FOOT_GRID},
        {OUTFMT_INSERT, "insert into ", " values (", ",", ");\r\n", "NULL", '\'',
         OUTT_ALL & ~OUTT_NUMBER, OUTQ_SQL, OUTT_ALL & ~OUTT_NUMBER, false, 0, 0, 0, 0, 0, 0},
    },
    {
        /* The result-set export: long data quoted like text, no fixed length, its own
           blank lines around the HTML table. */
        {OUTFMT_CSV, "", 0, 0, "\r\n", "", '"', OUTT_STRING | OUTT_LONG, OUTQ_CSV, OUTT_TEXTS,
         false, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, 0, 0, 0},
        {OUTFMT_HTML, "<TR><TD>", 0, "</TD><TD>", "</TD></TR>\r\n", "&nbsp;", 0, 0, OUTQ_HTML,
         OUTT_ALL, false, HTML_HEAD_RS, "<TR>", "<TH>", "</TH>", "</TR>\r\n\r\n", HTML_FOOT_RS},
        {OUTFMT_INSERT, "insert into ", " values (", ",", ");\r\n", "NULL", '\'',
         OUTT_ALL & ~OUTT_NUMBER, OUTQ_SQL, OUTT_TEXTS, false, 0, 0, 0, 0, 0, 0},
    },
};

outfmtLayout const* outfmt_get(short user, short format) {
    if (user < 0 || user > 1 || format < 1 || format > 4)
        return 0;
    outfmtLayout const* f = &outfmtTable[user][format - 1];
    return f->format ? f : 0;
}

bool outfmt_typeIn(long mask, int t) {
    if (t == OUTT_NUMBER || t == OUTT_STRING || t == OUTT_DATE || t == OUTT_LONG)
        return (mask & t) != 0;
    return (mask & OUTT_OTHER) != 0;
}

/* ---- escaping ---- */

/* Doubles every q. */
static int doubling(char q, char* dst, char const* s, int n) {
    int k = 0;
    for (int i = 0; i < n; i++) {
        if (dst) {
            dst[k] = s[i];
            if (s[i] == q)
                dst[k + 1] = q;
        }
        k += s[i] == q ? 2 : 1;
    }
    return k;
}

int outq_csv(char* dst, char const* s, int n) {
    return doubling('"', dst, s, n);
}

int outq_sql(char* dst, char const* s, int n) {
    return doubling('\'', dst, s, n);
}

int outq_html(char* dst, char const* s, int n) {
    int k = 0;
    for (int i = 0; i < n; i++) {
        char const* e;
        int el;
        switch (s[i]) {
        case '&': e = "&amp;"; el = 5; break;
        case '<': e = "&lt;"; el = 4; break;
        case '>': e = "&gt;"; el = 4; break;
        case '"': e = "&quot;"; el = 6; break;
        default: e = s + i; el = 1; break;
        }
        if (dst)
            memcpy(dst + k, e, (size_t)el);
        k += el;
    }
    return k;
}

int outq_rule(short rule, char* dst, char const* s, int n) {
    switch (rule) {
    case OUTQ_CSV: return outq_csv(dst, s, n);
    case OUTQ_SQL: return outq_sql(dst, s, n);
    case OUTQ_HTML: return outq_html(dst, s, n);
    }
    if (dst && n > 0)
        memcpy(dst, s, (size_t)n);
    return n > 0 ? n : 0;
}

/* ---- the row formatter ---- */

cOutRow::cOutRow() : layout(0), table(0), buf(0), len(0), cap(0), fields(0) {
    sepText[0] = ',';
    sepText[1] = 0;
}

cOutRow::~cOutRow() {
    freex(buf);
    freex(table);
}

void cOutRow::init(outfmtLayout const* s, char sep, char const* tablename) {
    layout = s;
    sepText[0] = sep;
    freex(table);
    table = strdux((void*)(tablename ? tablename : ""));
    len = 0;
    fields = 0;
}

bool cOutRow::reserve(int n) {
    if (n < 0)
        return false;
    if (n <= cap)
        return true;
    /* Geometric growth keeps appends amortised constant; stays within int. */
    long long want = (long long)cap * 2;
    if (want < n)
        want = n;
    if (want < 256)
        want = 256;
    if (want > 0x7FFFFFF0)
        want = n;
    char* p = (char*)reallox(buf, (unsigned)want);
    if (!p)
        return false;
    buf = p;
    cap = (int)want;
    return true;
}

bool cOutRow::put(char const* s, int n) {
    if (!s || n <= 0)
        return true;
    if (n > 0x7FFFFFF0 - len || !reserve(len + n))
        return false;
    memcpy(buf + len, s, (size_t)n);
    len += n;
    return true;
}

static int slen(char const* s) {
    return s ? (int)strlen(s) : 0;
}

bool cOutRow::page(char const* text) {
    return put(text, slen(text));
}

bool cOutRow::start() {
    if (!layout)
        return false;
    fields = 0;
    if (!page(layout->rowStart))
        return false;
    if (layout->rowStartTail)
        return page(table) && page(layout->rowStartTail);
    return true;
}

char* outfmt_sqlTimePicture(short datexType) {
    static char timestamp[] = "YYYY-MM-DD hh:mm:ss", date[] = "YYYY-MM-DD", time[] = "hh:mm:ss";
    return datexType == 1 ? date : datexType == 2 ? time : timestamp;
}

bool outfmt_tableNameOk(char const* s) {
    char close = 0;  // the quote that ends the open quoted part
    bool any = false;
    for (char const* p = s; *p; p++) {
        unsigned char ch = (unsigned char)*p;
        if (ch < 32 || ch == 0x7F || ch == '\'' || ch == ';')
            return false;
        if (close) {
            if (ch == (unsigned char)close)
                close = 0;
            continue;
        }
        any = true;
        if (ch == '"' || ch == '`')
            close = (char)ch;
        else if (ch == '[')
            close = ']';
        else if (!(ch >= 0x80 || (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') ||
                   (ch >= 'A' && ch <= 'Z') || ch == '_' || ch == '.' || ch == '$' ||
                   ch == '#' || ch == '@'))
            return false;
    }
    return any && !close;
}

bool outfmt_isNumber(char const* t, int n) {
    int i = 0, digits = 0;
    if (i < n && (t[i] == '+' || t[i] == '-'))
        i++;
    for (; i < n && t[i] >= '0' && t[i] <= '9'; i++)
        digits++;
    if (i < n && t[i] == '.')
        for (i++; i < n && t[i] >= '0' && t[i] <= '9'; i++)
            digits++;
    if (!digits)
        return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        i++;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            i++;
        int exp = 0;
        for (; i < n && t[i] >= '0' && t[i] <= '9'; i++)
            exp++;
        if (!exp)
            return false;
    }
    return i == n;
}

char* outfmt_exactNumber(double v, char* buf, int size) {
    snprintf(buf, (size_t)size, "%.15g", v);
    if (strtod(buf, 0) != v)
        snprintf(buf, (size_t)size, "%.17g", v);
    return buf;
}

bool outfmt_decimalPoint(char* s) {
    int n = slen(s);
    char* comma = (char*)memchr(s, ',', (size_t)n);
    if (comma && !memchr(s, '.', (size_t)n) && !memchr(comma + 1, ',', (size_t)(n - (comma + 1 - s))) &&
        comma > s && comma[-1] >= '0' && comma[-1] <= '9' && comma[1] >= '0' && comma[1] <= '9') {
        *comma = '.';
        if (outfmt_isNumber(s, n))
            return true;
        *comma = ',';
    }
    return outfmt_isNumber(s, n);
}

bool cOutRow::raw(char const* t) {
    if (!layout || (fields > 0 && !page(layout->sep ? layout->sep : sepText)))
        return false;
    fields++;
    return put(t, slen(t));
}

bool cOutRow::field(char const* t, int n, int typex, long width) {
    if (!layout)
        return false;
    if (!t)
        t = "";
    if (n < 0)
        n = (int)strlen(t);
    if (fields > 0 && !page(layout->sep ? layout->sep : sepText))
        return false;
    fields++;
    if (n == 0) {
        t = layout->emptyText;
        n = slen(t);
        if (!put(t, n))
            return false;
    } else {
        bool encl = layout->encl && outfmt_typeIn(layout->enclTypes, typex);
        short rule = outfmt_typeIn(layout->escTypes, typex) ? layout->escape : (short)OUTQ_NONE;
        /* A separated value of any type that holds the separator, the quote or a line
           break would split the row: it is enclosed and escaped like text. */
        if (!encl && layout->format == OUTFMT_CSV && layout->encl) {
            char const* sepNow = layout->sep ? layout->sep : sepText;
            for (int i = 0; i < n && !encl; i++)
                encl = t[i] == layout->encl || t[i] == '\r' || t[i] == '\n' ||
                       (sepNow[0] && t[i] == sepNow[0]);
            if (encl)
                rule = layout->escape;
        }
        /* An insert's bare number must be one SQL number: "nan", "inf" or "-inf" (or
           any other text) is a quoted literal, which a data source may still read as a
           number. */
        if (!encl && layout->format == OUTFMT_INSERT && layout->encl &&
            outfmt_typeIn(OUTT_NUMBER, typex) && !outfmt_isNumber(t, n)) {
            encl = true;
            rule = layout->escape;
        }
        /* Most texts hold no quote: those are copied as they are. */
        if ((rule == OUTQ_CSV && !memchr(t, '"', (size_t)n)) ||
            (rule == OUTQ_SQL && !memchr(t, '\'', (size_t)n)))
            rule = OUTQ_NONE;
        int need = rule == OUTQ_NONE ? n : outq_rule(rule, 0, t, n);
        if (need < 0 || need > 0x7FFFFFF0 - len - 2 || !reserve(len + need + 2))
            return false;
        if (encl)
            buf[len++] = layout->encl;
        if (rule == OUTQ_NONE) {
            memcpy(buf + len, t, (size_t)n);
            len += n;
        } else {
            len += outq_rule(rule, buf + len, t, n);
        }
        if (encl)
            buf[len++] = layout->encl;
        n = need + (encl ? 2 : 0);
    }
    if (layout->pad && width > n) {
        long extra = width - n;
        if (extra > 0x7FFFFFF0 - len || !reserve(len + (int)extra))
            return false;
        memset(buf + len, ' ', (size_t)extra);
        len += (int)extra;
    }
    return true;
}

bool cOutRow::end() {
    if (!layout)
        return false;
    return page(layout->rowEnd);
}

bool cOutRow::titleStart() {
    fields = 0;
    return layout && page(layout->titleStart);
}

bool cOutRow::title(char const* t) {
    if (!layout || !layout->titleStart)
        return false;
    if (!t)
        t = "";
    int n = (int)strlen(t);
    int need = outq_rule(layout->escape, 0, t, n);
    if (!page(layout->titleCell) || need > 0x7FFFFFF0 - len || !reserve(len + need))
        return false;
    len += outq_rule(layout->escape, buf + len, t, n);
    return page(layout->titleCellEnd);
}

bool cOutRow::titleEnd() {
    return layout && page(layout->titleEnd);
}
