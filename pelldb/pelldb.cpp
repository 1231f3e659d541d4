/* pelldb_odbc.dll: environment, connection and statement handles over ODBC 3. */
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelldb.h"

namespace {

enum { MAGIC_ENV = 0x4550, MAGIC_CONN = 0x4350, MAGIC_STMT = 0x5350 };

/* Largest text or binary value read or sent, so sizes stay inside an int. */
const SQLLEN kMaxValue = 0x40000000;

/* Last failure on one handle (or one column of a row). */
struct Err {
    int code;        // 0 or a PELL_E* code
    char text[256];  // its text
};

struct Env {
    pellEnvTable t;
    Err err;
    SQLHENV henv;
};

struct Conn {
    pellConnTable t;
    Err err;
    Env* env;
    SQLHDBC hdbc;
    bool manual;  // autocommit off
};

/* One result column and its value in the current row. */
struct Col {
    char* name;          // as the ODBC driver describes it
    SQLSMALLINT sqlType;  // ODBC type
    int letters;         // PELL_TYPE(kind, detail)
    char* buf;           // text or binary bytes (text with a terminator)
    SQLLEN cap;          // size of buf
    SQLLEN len;          // bytes of the value
    double num;          // number value
    int date[6];         // second, minute, hour, day, month, year
    bool isNull;         // the value is NULL
    Err err;             // reading the value failed when err.code != 0
};

/* One parameter: its described type and the copy of its value. */
struct Prm {
    int letters;
    SQLSMALLINT sqlType;
    SQLULEN size;
    SQLSMALLINT digits;
    void* buf;  // copy of text or binary data, or null
    union {
        double d;
        SQLBIGINT i64;
        DATE_STRUCT date;
        TIME_STRUCT time;
        TIMESTAMP_STRUCT stamp;
        char none[8];
    } v;
    SQLLEN ind;  // length or SQL_NULL_DATA
    bool bound;  // set since prepare
};

struct Stmt {
    pellStmtTable t;
    Err err;
    Conn* conn;
    SQLHSTMT hstmt;
    int ncol;
    Col* cols;
    int nprm;
    Prm* prms;
    int tables;     // table list: its `what` argument; 0 for a statement text
    bool executed;  // a result may be fetched
    bool onRow;     // the values of a row are read
    bool atEnd;     // fetch passed the last row
};

void clearErr(Err& e) {
    e.code = 0;
    e.text[0] = 0;
}

void setErr(Err& e, int code, char const* text) {
    e.code = code;
    snprintf(e.text, sizeof e.text, "%s", text);
}

/* The first diagnostic record of an ODBC handle becomes the error. */
void setOdbcErr(Err& e, SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {0};
    SQLCHAR msg[512] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    e.code = PELL_EODBC;
    if (h && SQL_SUCCEEDED(SQLGetDiagRec(type, h, 1, state, &native, msg, sizeof msg, &len)))
        snprintf(e.text, sizeof e.text, "%s: %s", (char*)state, (char*)msg);
    else
        snprintf(e.text, sizeof e.text, "ODBC call failed.");
}

Err* errOf(void* h) {
    if (!h)
        return 0;
    switch (((pellHead*)h)->magic) {
    case MAGIC_ENV: return &((Env*)h)->err;
    case MAGIC_CONN: return &((Conn*)h)->err;
    case MAGIC_STMT: return &((Stmt*)h)->err;
    }
    return 0;
}

int __cdecl errorCode(void* h, int* code) {
    Err* e = errOf(h);
    if (!e || !code)
        return -1;
    *code = e->code;
    return 0;
}

int __cdecl errorText(void* h, char* buf, int size) {
    Err* e = errOf(h);
    if (!e || !buf || size < 1)
        return -1;
    snprintf(buf, (size_t)size, "%s", e->text);
    return 0;
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool validDate(int y, int m, int d) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    return d <= days[m - 1] + ((m == 2 && isLeap(y)) ? 1 : 0);
}

bool validTime(int h, int m, int s) {
    return h >= 0 && h <= 23 && m >= 0 && m <= 59 && s >= 0 && s <= 59;
}

/* Type letters of an ODBC type. */
int lettersOf(SQLSMALLINT type, SQLSMALLINT digits) {
    switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: return PELL_TYPE('s', 'v');
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return PELL_TYPE('s', 'l');
    case SQL_BINARY:
    case SQL_VARBINARY: return PELL_TYPE('b', 'v');
    case SQL_LONGVARBINARY: return PELL_TYPE('b', 'l');
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return PELL_TYPE('n', 'i');
    case SQL_DECIMAL:
    case SQL_NUMERIC: return PELL_TYPE('n', digits == 0 ? 'i' : 'f');
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return PELL_TYPE('n', 'f');
    case SQL_TYPE_DATE:
    case SQL_DATE: return PELL_TYPE('d', 'd');
    case SQL_TYPE_TIME:
    case SQL_TIME: return PELL_TYPE('d', 't');
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return PELL_TYPE('d', 's');
    }
    return PELL_TYPE('s', 'o');
}

/* ---- Statements ---- */

void freeCols(Stmt* s) {
    for (int i = 0; i < s->ncol; i++) {
        free(s->cols[i].name);
        free(s->cols[i].buf);
    }
    free(s->cols);
    s->cols = 0;
    s->ncol = 0;
}

/* Room for the n columns or parameters the count call (its result `got`) gave; false with
   the error set when that call failed or memory is short. Nothing is allocated for none. */
template <class T>
bool allocItems(Stmt* s, SQLRETURN got, SQLSMALLINT n, T*& items, int& count) {
    if (!SQL_SUCCEEDED(got)) {
        setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
        return false;
    }
    if (n <= 0)
        return true;
    items = (T*)calloc((size_t)n, sizeof(T));
    if (!items) {
        setErr(s->err, PELL_ENOMEM, "Out of memory.");
        return false;
    }
    count = n;
    return true;
}

/* Describes the result columns; false with the error set. */
bool describeCols(Stmt* s) {
    freeCols(s);
    s->onRow = false;
    SQLSMALLINT n = 0;
    SQLRETURN r = SQLNumResultCols(s->hstmt, &n);
    if (!allocItems(s, r, n, s->cols, s->ncol))
        return false;
    for (int i = 0; i < n; i++) {
        Col& c = s->cols[i];
        SQLCHAR name[256];
        SQLSMALLINT nameLen = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(SQLDescribeCol(s->hstmt, (SQLUSMALLINT)(i + 1), name, sizeof name, &nameLen,
                                          &c.sqlType, &size, &digits, &nullable))) {
            setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
            return false;
        }
        name[sizeof name - 1] = 0;
        c.name = strdup((char*)name);
        if (!c.name) {
            setErr(s->err, PELL_ENOMEM, "Out of memory.");
            return false;
        }
        c.letters = lettersOf(c.sqlType, digits);
    }
    return true;
}

/* Describes the parameters once, after prepare. */
bool describeParams(Stmt* s) {
    SQLSMALLINT n = 0;
    SQLRETURN r = SQLNumParams(s->hstmt, &n);
    if (!allocItems(s, r, n, s->prms, s->nprm))
        return false;
    for (int i = 0; i < n; i++) {
        Prm& p = s->prms[i];
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeParam(s->hstmt, (SQLUSMALLINT)(i + 1), &p.sqlType, &p.size,
                                            &p.digits, &nullable))) {
            p.sqlType = SQL_VARCHAR;
            p.size = 255;
            p.digits = 0;
        }
        p.letters = lettersOf(p.sqlType, p.digits);
    }
    return true;
}

void freeParams(Stmt* s) {
    for (int i = 0; i < s->nprm; i++)
        free(s->prms[i].buf);
    free(s->prms);
    s->prms = 0;
    s->nprm = 0;
}

int __cdecl stmtClose(void** h) {
    if (!h || !*h || ((pellHead*)*h)->magic != MAGIC_STMT)
        return -1;
    Stmt* s = (Stmt*)*h;
    if (s->hstmt)
        SQLFreeHandle(SQL_HANDLE_STMT, s->hstmt);
    freeCols(s);
    freeParams(s);
    s->t.head.magic = 0;
    free(s);
    *h = 0;
    return 0;
}

bool growBuf(Col& c, SQLLEN need) {
    if (need <= c.cap)
        return true;
    if (need > kMaxValue + 1)
        return false;
    SQLLEN cap = c.cap ? c.cap : 256;
    while (cap < need)
        cap = cap * 2 > kMaxValue + 1 ? kMaxValue + 1 : cap * 2;
    char* b = (char*)realloc(c.buf, (size_t)cap);
    if (!b)
        return false;
    c.buf = b;
    c.cap = cap;
    return true;
}

/* Reads text or binary data of any length, part by part. */
bool readBytes(Stmt* s, int i) {
    Col& c = s->cols[i];
    bool text = PELL_KIND(c.letters) != 'b';
    SQLSMALLINT ctype = text ? SQL_C_CHAR : SQL_C_BINARY;
    SQLLEN term = text ? 1 : 0;
    c.len = 0;
    for (;;) {
        if (!growBuf(c, c.len + term + 1)) {
            setErr(c.err, c.len >= kMaxValue ? PELL_ETOOLONG : PELL_ENOMEM,
                   c.len >= kMaxValue ? "Value too long." : "Out of memory.");
            return false;
        }
        SQLLEN room = c.cap - c.len;  // bytes offered, the terminator included
        SQLLEN ind = 0;
        SQLRETURN r = SQLGetData(s->hstmt, (SQLUSMALLINT)(i + 1), ctype, c.buf + c.len, room, &ind);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r)) {
            setOdbcErr(c.err, SQL_HANDLE_STMT, s->hstmt);
            return false;
        }
        if (ind == SQL_NULL_DATA) {
            c.isNull = true;
            c.len = 0;
            break;
        }
        SQLLEN fits = room - term;
        if (r == SQL_SUCCESS || (ind != SQL_NO_TOTAL && ind >= 0 && ind <= fits)) {
            c.len += (ind >= 0 && ind <= fits) ? ind : fits;
            break;
        }
        /* Truncated: keep what came and make room for the rest. */
        c.len += fits;
        SQLLEN need = ind == SQL_NO_TOTAL ? c.cap * 2 : c.len + (ind - fits) + term;
        if (!growBuf(c, need)) {
            setErr(c.err, need > kMaxValue ? PELL_ETOOLONG : PELL_ENOMEM,
                   need > kMaxValue ? "Value too long." : "Out of memory.");
            return false;
        }
    }
    if (text)
        c.buf[c.len] = 0;
    return true;
}

void readColumn(Stmt* s, int i) {
    Col& c = s->cols[i];
    clearErr(c.err);
    c.isNull = false;
    c.len = 0;
    SQLLEN ind = 0;
    SQLRETURN r = SQL_SUCCESS;
    switch (PELL_KIND(c.letters)) {
    case 'n':
        r = SQLGetData(s->hstmt, (SQLUSMALLINT)(i + 1), SQL_C_DOUBLE, &c.num, sizeof c.num, &ind);
        break;
    case 'd':
        if (PELL_DETAIL(c.letters) == 't') {
            TIME_STRUCT t = {0, 0, 0};
            r = SQLGetData(s->hstmt, (SQLUSMALLINT)(i + 1), SQL_C_TYPE_TIME, &t, sizeof t, &ind);
            int d[6] = {t.second, t.minute, t.hour, 0, 0, 0};
            memcpy(c.date, d, sizeof d);
        } else {
            TIMESTAMP_STRUCT t = {0, 0, 0, 0, 0, 0, 0};
            r = SQLGetData(s->hstmt, (SQLUSMALLINT)(i + 1), SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &ind);
            int d[6] = {t.second, t.minute, t.hour, t.day, t.month, t.year};
            memcpy(c.date, d, sizeof d);
        }
        break;
    default:
        readBytes(s, i);
        return;
    }
    if (!SQL_SUCCEEDED(r))
        setOdbcErr(c.err, SQL_HANDLE_STMT, s->hstmt);
    else if (ind == SQL_NULL_DATA)
        c.isNull = true;
}

/* Binds every parameter never set as NULL. */
bool bindUnset(Stmt* s) {
    for (int i = 0; i < s->nprm; i++) {
        Prm& p = s->prms[i];
        if (p.bound)
            continue;
        p.ind = SQL_NULL_DATA;
        SQLRETURN r = SQLBindParameter(s->hstmt, (SQLUSMALLINT)(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                       p.sqlType, p.size ? p.size : 1, p.digits, p.v.none, 0, &p.ind);
        if (!SQL_SUCCEEDED(r)) {
            setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
            return false;
        }
        p.bound = true;
    }
    return true;
}

SQLCHAR* tableTypes(int what) {
    switch (what & 3) {
    case 2: return (SQLCHAR*)"VIEW";
    case 3: return (SQLCHAR*)"TABLE,VIEW";
    }
    return (SQLCHAR*)"TABLE";
}

/* The statement behind handle h with its error cleared; 0 when h is no statement. */
Stmt* stmtOf(void* h) {
    Stmt* s = (Stmt*)h;
    if (!s || s->t.head.magic != MAGIC_STMT)
        return 0;
    clearErr(s->err);
    return s;
}

int __cdecl stmtExecute(void* h) {
    Stmt* s = stmtOf(h);
    if (!s)
        return -1;
    s->executed = false;
    s->onRow = false;
    s->atEnd = false;
    SQLFreeStmt(s->hstmt, SQL_CLOSE);
    SQLRETURN r;
    if (s->tables) {
        r = SQLTables(s->hstmt, 0, 0, 0, 0, 0, 0, tableTypes(s->tables), SQL_NTS);
    } else {
        if (!bindUnset(s))
            return -1;
        r = SQLExecute(s->hstmt);
    }
    if (r != SQL_NO_DATA && !SQL_SUCCEEDED(r)) {
        setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
        return -1;
    }
    if (!describeCols(s))
        return -1;
    s->executed = true;
    return 0;
}

int __cdecl stmtFetch(void* h) {
    Stmt* s = stmtOf(h);
    if (!s)
        return -1;
    s->onRow = false;
    if (!s->executed) {
        setErr(s->err, PELL_ENOTEXEC, "Statement not executed.");
        return -1;
    }
    if (s->ncol == 0 || s->atEnd)
        return PELL_NO_MORE_ROWS;
    SQLRETURN r = SQLFetch(s->hstmt);
    if (r == SQL_NO_DATA) {
        s->atEnd = true;
        // A text of several statements (PostgreSQL runs them all): their rows would be lost
        // without a word.
        SQLRETURN more = SQLMoreResults(s->hstmt);
        if (more == SQL_SUCCESS || more == SQL_SUCCESS_WITH_INFO) {
            setErr(s->err, PELL_EODBC, "The statement gave further results, which are not read.");
            return -1;
        }
        return PELL_NO_MORE_ROWS;
    }
    if (!SQL_SUCCEEDED(r)) {
        setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
        return -1;
    }
    for (int i = 0; i < s->ncol; i++)
        readColumn(s, i);
    s->onRow = true;
    return 0;
}

/* Letters of column or parameter i of statement h, their count for -1; 0 with the error
   set for an index out of range. */
template <class T>
int itemType(void* h, int i, T* Stmt::*items, int Stmt::*count, int code, char const* text) {
    Stmt* s = stmtOf(h);
    if (!s)
        return 0;
    if (i == -1)
        return s->*count;
    if (i < 0 || i >= s->*count) {
        setErr(s->err, code, text);
        return 0;
    }
    return (s->*items)[i].letters;
}

int __cdecl stmtColType(void* h, int i) {
    return itemType(h, i, &Stmt::cols, &Stmt::ncol, PELL_ECOLUMN, "Column index out of range.");
}

int __cdecl stmtColName(void* h, int i, char** name) {
    Stmt* s = name ? stmtOf(h) : 0;
    if (!s)
        return -1;
    if (i < 0 || i >= s->ncol) {
        *name = 0;
        setErr(s->err, PELL_ECOLUMN, "Column index out of range.");
        return -1;
    }
    *name = s->cols[i].name;
    return 0;
}

int __cdecl stmtColValue(void* h, int i, void** data, int* length) {
    Stmt* s = stmtOf(h);
    if (!s)
        return -1;
    if (!data || !length) {
        setErr(s->err, PELL_EARG, "Invalid argument.");
        return -1;
    }
    *data = 0;
    *length = 0;
    if (i < 0 || i >= s->ncol) {
        setErr(s->err, PELL_ECOLUMN, "Column index out of range.");
        return -1;
    }
    if (!s->onRow) {
        setErr(s->err, PELL_ENOROW, "No current row.");
        return -1;
    }
    Col& c = s->cols[i];
    if (c.err.code) {
        s->err = c.err;
        return -1;
    }
    if (c.isNull)
        return 0;
    switch (PELL_KIND(c.letters)) {
    case 'n':
        *data = &c.num;
        *length = (int)sizeof c.num;
        break;
    case 'd':
        *data = c.date;
        *length = (int)sizeof c.date;
        break;
    default:
        *data = c.buf;
        *length = (int)c.len;
    }
    return 0;
}

int __cdecl stmtPrmType(void* h, int i) {
    return itemType(h, i, &Stmt::prms, &Stmt::nprm, PELL_EPARAM, "Parameter index out of range.");
}

int __cdecl stmtSetParam(void* h, int i, void* data, int length) {
    Stmt* s = stmtOf(h);
    if (!s)
        return -1;
    if (i < 0 || i >= s->nprm) {
        setErr(s->err, PELL_EPARAM, "Parameter index out of range.");
        return -1;
    }
    Prm& p = s->prms[i];
    SQLSMALLINT ctype = SQL_C_CHAR;
    SQLULEN size = p.size ? p.size : 1;
    SQLSMALLINT digits = p.digits;
    void* buf = p.v.none;
    SQLLEN bufLen = 0;
    char kind = PELL_KIND(p.letters);
    char detail = PELL_DETAIL(p.letters);
    void* copy = 0;
    SQLLEN ind = SQL_NULL_DATA;
    if (data) {
        if (kind == 'n') {
            // A whole number for an integer goes as one: a driver writes a double of 1e17 and
            // more in exponent form, which an integer column refuses.
            double d = *(double*)data;
            if (detail == 'i' && d == floor(d) && d >= -9223372036854775808.0 &&
                d < 9223372036854775808.0) {
                ctype = SQL_C_SBIGINT;
                p.v.i64 = (SQLBIGINT)d;
                bufLen = sizeof(SQLBIGINT);
            } else {
                ctype = SQL_C_DOUBLE;
                p.v.d = d;
                bufLen = sizeof(double);
            }
            ind = 0;
        } else if (kind == 'd') {
            int const* r = (int const*)data;  // second, minute, hour, day, month, year
            bool dateOk = validDate(r[5], r[4], r[3]);
            bool timeOk = validTime(r[2], r[1], r[0]);
            if ((detail == 'd' && !dateOk) || (detail == 't' && !timeOk) ||
                (detail != 'd' && detail != 't' && !(dateOk && timeOk))) {
                setErr(s->err, PELL_EDATE, "Date or time outside the calendar.");
                return -1;
            }
            if (detail == 'd') {
                ctype = SQL_C_TYPE_DATE;
                p.v.date.year = (SQLSMALLINT)r[5];
                p.v.date.month = (SQLUSMALLINT)r[4];
                p.v.date.day = (SQLUSMALLINT)r[3];
                bufLen = sizeof p.v.date;
                size = 10;
            } else if (detail == 't') {
                ctype = SQL_C_TYPE_TIME;
                p.v.time.hour = (SQLUSMALLINT)r[2];
                p.v.time.minute = (SQLUSMALLINT)r[1];
                p.v.time.second = (SQLUSMALLINT)r[0];
                bufLen = sizeof p.v.time;
                size = 8;
            } else {
                ctype = SQL_C_TYPE_TIMESTAMP;
                TIMESTAMP_STRUCT t = {(SQLSMALLINT)r[5], (SQLUSMALLINT)r[4], (SQLUSMALLINT)r[3],
                                      (SQLUSMALLINT)r[2], (SQLUSMALLINT)r[1], (SQLUSMALLINT)r[0], 0};
                p.v.stamp = t;
                bufLen = sizeof p.v.stamp;
                size = 19;
            }
            digits = 0;
            ind = 0;
        } else {
            SQLLEN n = length >= 0 ? length : (SQLLEN)strlen((char const*)data);
            if (n >= kMaxValue) {
                setErr(s->err, PELL_ETOOLONG, "Value too long.");
                return -1;
            }
            copy = malloc((size_t)n + 1);
            if (!copy) {
                setErr(s->err, PELL_ENOMEM, "Out of memory.");
                return -1;
            }
            memcpy(copy, data, (size_t)n);
            ((char*)copy)[n] = 0;
            ctype = kind == 'b' ? SQL_C_BINARY : SQL_C_CHAR;
            buf = copy;
            bufLen = n + 1;
            size = n > 0 ? (SQLULEN)n : 1;
            ind = n;
        }
    }
    free(p.buf);
    p.buf = copy;
    p.ind = ind;
    p.bound = false;
    SQLRETURN r = SQLBindParameter(s->hstmt, (SQLUSMALLINT)(i + 1), SQL_PARAM_INPUT, ctype, p.sqlType,
                                   size, digits, buf, bufLen, &p.ind);
    if (!SQL_SUCCEEDED(r)) {
        setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
        return -1;
    }
    p.bound = true;
    return 0;
}

/* A new statement handle of a connection; null with the connection's error set. */
Stmt* newStmt(Conn* c) {
    Stmt* s = (Stmt*)calloc(1, sizeof(Stmt));
    if (!s) {
        setErr(c->err, PELL_ENOMEM, "Out of memory.");
        return 0;
    }
    s->t.head.magic = MAGIC_STMT;
    s->t.head.errorCode = errorCode;
    s->t.head.errorText = errorText;
    s->t.close = stmtClose;
    s->t.execute = stmtExecute;
    s->t.fetch = stmtFetch;
    s->t.colType = stmtColType;
    s->t.colName = stmtColName;
    s->t.colValue = stmtColValue;
    s->t.prmType = stmtPrmType;
    s->t.setParam = stmtSetParam;
    s->conn = c;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, c->hdbc, &s->hstmt))) {
        s->hstmt = 0;
        setOdbcErr(s->err, SQL_HANDLE_DBC, c->hdbc);
    }
    return s;
}

/* ---- Connections ---- */

int __cdecl connClose(void** h) {
    if (!h || !*h || ((pellHead*)*h)->magic != MAGIC_CONN)
        return -1;
    Conn* c = (Conn*)*h;
    if (c->manual)
        SQLEndTran(SQL_HANDLE_DBC, c->hdbc, SQL_ROLLBACK);
    SQLDisconnect(c->hdbc);
    SQLFreeHandle(SQL_HANDLE_DBC, c->hdbc);
    c->t.head.magic = 0;
    free(c);
    *h = 0;
    return 0;
}

/* The connection behind handle h with its error cleared; 0 when h is no connection. */
Conn* connOf(void* h) {
    Conn* c = (Conn*)h;
    if (!c || c->t.head.magic != MAGIC_CONN)
        return 0;
    clearErr(c->err);
    return c;
}

/* A new statement of c, also stored in *stmt (which may stay null); null with the error
   set when stmt is null or the statement cannot be made. */
Stmt* openStmt(Conn* c, void** stmt) {
    if (!stmt) {
        setErr(c->err, PELL_EARG, "Invalid argument.");
        return 0;
    }
    Stmt* s = newStmt(c);
    *stmt = s;
    return s && s->hstmt ? s : 0;
}

int __cdecl connPrepare(void* h, void** stmt, char const* sql) {
    Conn* c = connOf(h);
    if (!c)
        return -1;
    Stmt* s = openStmt(c, stmt);
    if (!s)
        return -1;
    if (!sql) {
        setErr(s->err, PELL_EARG, "Invalid argument.");
        return -1;
    }
    if (!SQL_SUCCEEDED(SQLPrepare(s->hstmt, (SQLCHAR*)sql, SQL_NTS))) {
        setOdbcErr(s->err, SQL_HANDLE_STMT, s->hstmt);
        return -1;
    }
    if (!describeParams(s) || !describeCols(s))
        return -1;
    return 0;
}

int __cdecl connTables(void* h, void** stmt, int what) {
    Conn* c = connOf(h);
    if (!c)
        return -1;
    Stmt* s = openStmt(c, stmt);
    if (!s)
        return -1;
    s->tables = (what & 3) ? (what & 3) : 1;
    return stmtExecute(s);
}

int endTran(void* h, SQLSMALLINT how) {
    Conn* c = connOf(h);
    if (!c)
        return -1;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c->hdbc, how))) {
        setOdbcErr(c->err, SQL_HANDLE_DBC, c->hdbc);
        return -1;
    }
    return 0;
}

int __cdecl connCommit(void* h) {
    return endTran(h, SQL_COMMIT);
}

int __cdecl connRollback(void* h) {
    return endTran(h, SQL_ROLLBACK);
}

/* ---- Environment ---- */

int __cdecl envClose(void** h) {
    if (!h || !*h || ((pellHead*)*h)->magic != MAGIC_ENV)
        return -1;
    Env* e = (Env*)*h;
    SQLFreeHandle(SQL_HANDLE_ENV, e->henv);
    e->t.head.magic = 0;
    free(e);
    *h = 0;
    return 0;
}

int __cdecl envConnect(void* h, void** conn, int count, char** kv) {
    Env* e = (Env*)h;
    if (!e || e->t.head.magic != MAGIC_ENV)
        return -1;
    clearErr(e->err);
    if (!conn || count < 0 || (count > 0 && !kv)) {
        setErr(e->err, PELL_EARG, "Invalid argument.");
        return -1;
    }
    *conn = 0;
    char const* dsn = 0;
    char const* uid = 0;
    char const* pwd = 0;
    bool manual = false;
    bool seen[3] = {false, false, false};
    for (int i = 0; i < count; i += 2) {
        char const* key = kv[i];
        char const* val = i + 1 < count ? kv[i + 1] : 0;
        if (!key) {
            setErr(e->err, PELL_EKEY, "Null connection key.");
            return -1;
        }
        int which = !strcmp(key, "DSN") || !strcmp(key, "db")    ? 0
                    : !strcmp(key, "UID") || !strcmp(key, "uid") ? 1
                    : !strcmp(key, "PWD") || !strcmp(key, "pwd") ? 2
                                                                 : -1;
        if (which >= 0 && seen[which]) {
            // "DSN" and "db" both given: which one counts would be a guess.
            char text[256];
            snprintf(text, sizeof text, "Connection key given twice: %.200s", key);
            setErr(e->err, PELL_EKEY, text);
            return -1;
        }
        if (which >= 0)
            seen[which] = true;
        if (which == 0)
            dsn = val;
        else if (which == 1)
            uid = val;
        else if (which == 2)
            pwd = val;
        else if (!strcmp(key, "autocommit"))
            manual = val && (!strcmp(val, "0") || !strcmp(val, "no"));
        else if (strcmp(key, "pooling") != 0) {
            char text[256];
            snprintf(text, sizeof text, "Unknown connection key: %.200s", key);
            setErr(e->err, PELL_EKEY, text);
            return -1;
        }
    }
    if (!dsn || !*dsn) {
        setErr(e->err, PELL_ENODSN, "No data source name: give DSN or db.");
        return -1;
    }
    SQLHDBC hdbc = 0;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, e->henv, &hdbc))) {
        setOdbcErr(e->err, SQL_HANDLE_ENV, e->henv);
        return -1;
    }
    // A server that takes the connection but never answers is given up after 15 s.
    SQLSetConnectAttr(hdbc, SQL_ATTR_LOGIN_TIMEOUT, (SQLPOINTER)15, 0);
    SQLRETURN r = SQLConnect(hdbc, (SQLCHAR*)dsn, SQL_NTS, (SQLCHAR*)uid, uid ? SQL_NTS : 0,
                             (SQLCHAR*)pwd, pwd ? SQL_NTS : 0);
    if (!SQL_SUCCEEDED(r)) {
        setOdbcErr(e->err, SQL_HANDLE_DBC, hdbc);
        SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
        return -1;
    }
    if (manual && !SQL_SUCCEEDED(SQLSetConnectAttr(hdbc, SQL_ATTR_AUTOCOMMIT,
                                                   (SQLPOINTER)SQL_AUTOCOMMIT_OFF, 0))) {
        setOdbcErr(e->err, SQL_HANDLE_DBC, hdbc);
        SQLDisconnect(hdbc);
        SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
        return -1;
    }
    Conn* c = (Conn*)calloc(1, sizeof(Conn));
    if (!c) {
        setErr(e->err, PELL_ENOMEM, "Out of memory.");
        SQLDisconnect(hdbc);
        SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
        return -1;
    }
    c->t.head.magic = MAGIC_CONN;
    c->t.head.errorCode = errorCode;
    c->t.head.errorText = errorText;
    c->t.close = connClose;
    c->t.prepare = connPrepare;
    c->t.tables = connTables;
    c->t.commit = connCommit;
    c->t.rollback = connRollback;
    c->env = e;
    c->hdbc = hdbc;
    c->manual = manual;
    *conn = c;
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) int __cdecl openenv(void** env) {
    if (!env)
        return -1;
    *env = 0;
    Env* e = (Env*)calloc(1, sizeof(Env));
    if (!e)
        return -1;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e->henv))) {
        free(e);
        return -1;
    }
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(e->henv, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0))) {
        SQLFreeHandle(SQL_HANDLE_ENV, e->henv);
        free(e);
        return -1;
    }
    e->t.head.magic = MAGIC_ENV;
    e->t.head.flags = PELL_FLAG_STAY;
    e->t.head.errorCode = errorCode;
    e->t.head.errorText = errorText;
    e->t.close = envClose;
    e->t.connect = envConnect;
    *env = e;
    return 0;
}
