/* cOdbcx: connection, statements, binding and fetching over the ODBC 2.x calls. */
#include "odbcx.h"

#include <algorithm>
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "strx.h"
#include "timex.h"

/* One environment per loaded library, shared by every object. */
SQLHENV henv = SQL_NULL_HENV;
static int liveObjects = 0;

static char const* const errorTexts[15] = {
    "",
    "",
    "Not connected - this operation requires data source connection.",
    "Cannot execute command which is not prepared - prepare has to precede execute.",
    "Cannot bind variables when there is no prepared command - prepare has to precede bind.",
    "Command was not executed - execute is required to perform this operation.",
    "Cannot fetch, there is no result set - execute has to precede fetch.",
    "There is no data to get - fetch has to precede get.",
    "There is no meta data to get - fetch has to precede meta get.",
    "Cannot handle this data type - it is unknown to vor_dbc.",
    "Attribute not in query - this attribute is not part of the select statement and cannot be retrieved.",
    "Focus key too long - given key exceeds maximum length of the focus key.",
    "Environment handle is null - this indicates some problem with ODBC driver manager.",
    "Cannot get meta data when no data was selected - meta select has to precede fetch.",
    "Internal error (vor_odbc) - this is a strange thing that should not happen.",
};

static char const dsnInvalid[] =
    "Invalid data source name: ODBC allows none of []{}(),;?*=!@\\ in it.";
static char const moreResults[] =
    "The statement gave further results, which are not shown: run its statements one by one.";
static char const connStrTooLong[] =
    "Connection string too long - data source name, user and password must fit in 1023 characters.";

static char emptyName[1] = "";

int xkindOfSqlType(int t)
{
    if ((t >= 2 && t <= 8) || t == -7 || t == -6 || t == -5)
        return XKIND_NUMBER;
    if (t == 9 || t == 91)
        return XKIND_DATE;
    if (t == 10 || t == 92)
        return XKIND_TIME;
    if (t == 11 || t == 93 || (t >= 101 && t <= 113))
        return XKIND_TIMESTAMP;
    if (t == -10 || (t >= -4 && t <= -1))
        return XKIND_LONG;
    return XKIND_TEXT;
}

int xtypeOfKind(int kind)
{
    switch (kind) {
    case XKIND_NUMBER: return 1;
    case XKIND_TEXT: return 2;
    case XKIND_TIMESTAMP:
    case XKIND_DATE:
    case XKIND_TIME: return 4;
    case XKIND_LONG: return 8;
    }
    return 0;
}

/* Copies at most size-1 bytes and always terminates. */
static void copyText(char* dst, int size, char const* src)
{
    if (size <= 0)
        return;
    int i = 0;
    for (; src && src[i] && i < size - 1; i++)
        dst[i] = src[i];
    dst[i] = 0;
}

/* unixODBC keeps diagnostics as wide text: under a UTF-8 locale it reads the driver's
   code-page bytes as Latin-1 and hands them back as UTF-8. A message that is valid UTF-8
   with more than ASCII is turned back: U+0080..U+00FF to the byte it came from, any other
   character to the program's code page. Anything else is left as it is. */
static void diagToCodePage(char* text, int size)
{
    bool wide = false;
    for (char const* p = text; *p; p++)
        wide |= (unsigned char)*p >= 0x80;
    if (!wide)
        return;
    WCHAR w[512];
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, w, 512);
    if (n <= 0)
        return;
    int out = 0;
    for (int i = 0; i < n - 1 && out < size - 2; i++) {
        if (w[i] >= 0x80 && w[i] <= 0xFF) {
            text[out++] = (char)w[i];
        } else {
            char mb[8];
            int k = WideCharToMultiByte(CP_ACP, 0, &w[i], 1, mb, sizeof mb, NULL, NULL);
            for (int j = 0; j < k && out < size - 1; j++)
                text[out++] = mb[j];
        }
    }
    text[out] = 0;
}

/* End of the attribute value starting at v: the ";" after it or the string's end. A value
   in braces runs to its closing brace; "}}" inside stands for one "}". */
static char const* connStrValueEnd(char const* v)
{
    if (*v == '{') {
        char const* p = v + 1;
        while (*p) {
            if (*p == '}') {
                if (p[1] != '}')
                    break;
                p++;
            }
            p++;
        }
        if (*p == '}')
            p++;
        char const* semi = strchr(p, ';');
        return semi ? semi : p + strlen(p);
    }
    char const* semi = strchr(v, ';');
    return semi ? semi : v + strlen(v);
}

/* Value of key= in a connection string (keys compared ignoring case, braces removed). */
static void connStrValue(char const* cs, char const* key, char* out, int size)
{
    out[0] = 0;
    size_t klen = strlen(key);
    char const* p = cs;
    while (p && *p) {
        while (*p == ';' || *p == ' ')
            p++;
        char const* eq = strchr(p, '=');
        if (!eq)
            return;
        char const* v = eq + 1;
        char const* end = connStrValueEnd(v);
        char const* k = p;
        char const* kend = eq;
        while (kend > k && kend[-1] == ' ')
            kend--;
        if ((size_t)(kend - k) == klen) {
            char name[32];
            copyText(name, (int)klen + 1 < 32 ? (int)klen + 1 : 32, k);
            if (stricmpx(name, key) == 0) {
                int n = 0;
                if (*v == '{') {
                    for (char const* q = v + 1; q < end && n < size - 1; q++) {
                        if (*q == '}') {
                            if (q[1] != '}')
                                break;
                            q++;
                        }
                        out[n++] = *q;
                    }
                } else {
                    n = (int)(end - v);
                    if (n > size - 1)
                        n = size - 1;
                    memcpy(out, v, n);
                }
                out[n] = 0;
                return;
            }
        }
        p = end;
    }
}

/* Appends key=value; to cs (size bytes), the value in braces with "}" doubled when it
   holds a character that would end or open an attribute, or blanks at its ends, so that
   no value can add an attribute of its own. False when it does not fit. */
static bool connStrAppend(char* cs, size_t size, char const* key, char const* value)
{
    size_t vlen = strlen(value);
    bool brace = strpbrk(value, ";{}=") != 0 ||
                 (vlen && (value[0] == ' ' || value[vlen - 1] == ' '));
    size_t at = strlen(cs);
    size_t need = strlen(key) + 2 + vlen + (brace ? 2 : 0);
    for (char const* q = value; brace && *q; q++)
        need += *q == '}';
    if (at + need >= size)
        return false;
    char* o = cs + at;
    for (char const* q = key; *q; q++)
        *o++ = *q;
    *o++ = '=';
    if (brace)
        *o++ = '{';
    for (char const* q = value; *q; q++) {
        *o++ = *q;
        if (brace && *q == '}')
            *o++ = '}';
    }
    if (brace)
        *o++ = '}';
    *o++ = ';';
    *o = 0;
    return true;
}

cOdbcx::cOdbcx()
    : hdbc(SQL_NULL_HDBC), hstmt(SQL_NULL_HSTMT), colBound(0), prmBound(0), colIndicators(0),
      prmIndicators(0), state(XSTATE_NONE), metaKind(0), thread(0), threadId(0), autoCommit(false),
      ranDirect(false), pgSource(false), workSinceEnd(0), linked(false), colIndCount(0),
      prmIndCount(0), textTypes(0), described(0), ruleRead(false), ruleQuote('"'), ruleFold('Q'),
      ruleKeywords(strdux(0))
{
    focusKey[0] = 0;
    diagText[0] = 0;
    diagState[0] = 0;
    infoText[0] = 0;
    lastKey[0] = 0;
    liveObjects++;
    if (!henv) {
        SQLHENV env = SQL_NULL_HENV;
        if (SQLAllocEnv(&env) == SQL_ERROR || !env) {
            henv = SQL_NULL_HENV;
            errorCode = 1;
        } else {
            henv = env;
        }
    }
}

cOdbcx::~cOdbcx()
{
    if (thread) {
        cancel();
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = 0;
    }
    disconnect();
    dropStatementState();
    strfrx(&ruleKeywords);
    if (--liveObjects == 0 && henv) {
        SQLFreeEnv(henv);
        henv = SQL_NULL_HENV;
    }
}

int cOdbcx::fail(int code)
{
    errorCode = code;
    return 0;
}

/* Keeps the driver's first message now: the next call on a handle would clear it.
   The search starts at the handle the failing call was made on. */
int cOdbcx::failDriver(SQLRETURN, int level)
{
    SQLCHAR sqlState[6];
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    diagText[0] = 0;
    diagState[0] = 0;
    for (int i = level; i < 3 && henv; i++) {
        SQLHDBC dbc = i < 2 ? hdbc : SQL_NULL_HDBC;
        SQLHSTMT stmt = i < 1 ? hstmt : SQL_NULL_HSTMT;
        if ((i == 0 && !stmt) || (i == 1 && !dbc))
            continue;
        SQLRETURN rc = SQLError(henv, dbc, stmt, sqlState, &native, (SQLCHAR*)diagText,
                                (SQLSMALLINT)sizeof(diagText), &len);
        if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
            diagText[sizeof(diagText) - 1] = 0;
            diagToCodePage(diagText, (int)sizeof(diagText));
            memcpy(diagState, sqlState, 5);
            diagState[5] = 0;
            break;
        }
        diagText[0] = 0;
    }
    errorCode = 1;
    return 0;
}

int cOdbcx::failText(char const* text)
{
    copyText(diagText, (int)sizeof(diagText), text);
    diagState[0] = 0;
    errorCode = 1;
    return 0;
}

bool cOdbcx::online() const
{
    return hstmt != SQL_NULL_HSTMT && dsnText[0] != 0;
}

char* cOdbcx::errorStr()
{
    // A failure that lost the connection lets go of it once it is read, so that the object
    // reads as not connected; not while a worker of executeAsync may still use the handles.
    bool workerDone = !thread || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    if (errorCode == 1 && dsnText[0] && workerDone && linkLost())
        dropLink();
    int code = errorCode;
    if (code > 14 || code < 0)
        code = 14;
    strfrdux(&errorText, (void*)(code == 1 ? diagText : errorTexts[code]));
    return errorText;
}

SQLLEN* cOdbcx::addIndicator(SQLLEN**& list, int& count)
{
    SQLLEN* ind = (SQLLEN*)mallox(sizeof(SQLLEN));
    if (!ind)
        return 0;
    SQLLEN** grown = (SQLLEN**)reallox(list, (unsigned)((count + 1) * sizeof(SQLLEN*)));
    if (!grown) {
        freex(ind);
        return 0;
    }
    list = grown;
    *ind = 0;
    list[count++] = ind;
    return ind;
}

void cOdbcx::freeIndicators(SQLLEN**& list, int& count)
{
    for (int i = 0; i < count; i++)
        freex(list[i]);
    freex(list);
    list = 0;
    count = 0;
}

/* Forgets everything that belonged to the statement handle. */
void cOdbcx::dropStatementState()
{
    colBuffers.clear();
    prmBuffers.clear();
    freeIndicators(colIndicators, colIndCount);
    freeIndicators(prmIndicators, prmIndCount);
    colBound = prmBound = 0;
    rowCount = 0;
    state = XSTATE_NONE;
    metaKind = 0;
    eofFlag = 1;
    focusKey[0] = 0;
    lastKey[0] = 0;
}

/* Closes an open cursor so that the statement can run again. */
int cOdbcx::closeCursor()
{
    if (eofFlag || !hstmt)
        return 1;
    eofFlag = 1;
    SQLRETURN rc = SQLFreeStmt(hstmt, SQL_CLOSE);
    return rc == SQL_ERROR ? failDriver(rc) : 1;
}

int cOdbcx::connect(char const* dsn, char const* user, char const* pswd, int flags)
{
    errorCode = 0;
    char const* d = dsn ? dsn : "";
    char const* u = user ? user : "";
    char const* p = pswd ? pswd : "";
    /* ODBC allows none of these in a data source name; braced, a driver that reads the
       string itself would not find its section and could open something else. */
    if (strpbrk(d, "[]{}(),;?*=!@\\"))
        return failText(dsnInvalid);
    char cs[XDB_CONNSTR_SIZE];
    cs[0] = 0;
    // An empty login is left out: "UID=;" would replace the one the data source holds.
    if (!connStrAppend(cs, sizeof(cs), "DSN", d) ||
        (*u && !connStrAppend(cs, sizeof(cs), "UID", u)) ||
        (*p && !connStrAppend(cs, sizeof(cs), "PWD", p))) {
        SecureZeroMemory(cs, sizeof(cs));
        return failText(connStrTooLong);
    }
    int linkedNow = driverConnect(cs, flags);
    SecureZeroMemory(cs, sizeof(cs));
    if (!linkedNow)
        return 0;
    if (dsn && dsn[0])
        strfrdux(&dsnText, (void*)dsn);
    if (user)
        strfrdux(&userText, (void*)user);
    if (pswd)
        strfrdux(&pswdText, (void*)pswd);
    return 1;
}

int cOdbcx::driverConnect(char const* connectString, int flags)
{
    disconnect();
    errorCode = 0;
    if (!henv)
        return fail(12);
    char const* cs = connectString ? connectString : "";
    SQLRETURN rc = SQLAllocConnect(henv, &hdbc);
    if (rc == SQL_ERROR) {
        hdbc = SQL_NULL_HDBC;
        return failDriver(rc, XDIAG_ENV);
    }
    // A server that takes the connection and never answers would hold the caller for good.
    SQLSetConnectOption(hdbc, SQL_LOGIN_TIMEOUT, XLOGIN_TIMEOUT);
    rc = SQLDriverConnect(hdbc, NULL, (SQLCHAR*)cs, SQL_NTS, NULL, 0, NULL, SQL_DRIVER_NOPROMPT);
    if (rc == SQL_ERROR)
        return failDriver(rc, XDIAG_DBC);
    linked = true;
    if (SQLSetConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF) != SQL_ERROR) {
        autoCommit = false;
    } else {
        SQLSetConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
        autoCommit = true;
    }
    rc = SQLAllocStmt(hdbc, &hstmt);
    if (rc == SQL_ERROR) {
        hstmt = SQL_NULL_HSTMT;
        return failDriver(rc, XDIAG_DBC);
    }
    setFlags(flags, 0);

    /* A driver that cannot name the user or the data source gets them from the
       connection string, so that a live connection never reads as unconnected. */
    char buf[256];
    SQLSMALLINT len = 0;
    buf[0] = 0;
    if (SQLGetInfo(hdbc, SQL_USER_NAME, buf, 255, &len) == SQL_ERROR)
        buf[0] = 0;
    buf[255] = 0;
    if (!buf[0])
        connStrValue(cs, "UID", buf, sizeof(buf));
    strfrdux(&userText, buf);
    buf[0] = 0;
    if (SQLGetInfo(hdbc, SQL_DATA_SOURCE_NAME, buf, 255, &len) == SQL_ERROR)
        buf[0] = 0;
    buf[255] = 0;
    if (!buf[0])
        connStrValue(cs, "DSN", buf, sizeof(buf));
    if (!buf[0])
        connStrValue(cs, "DRIVER", buf, sizeof(buf));
    if (!buf[0])
        strcpy(buf, "ODBC");
    strfrdux(&dsnText, buf);
    buf[0] = 0;
    if (SQLGetInfo(hdbc, SQL_DBMS_NAME, buf, 255, &len) == SQL_ERROR)
        buf[0] = 0;
    pgSource = strcmp(buf, "PostgreSQL") == 0;
    return 1;
}

int cOdbcx::disconnect()
{
    /* A transaction that cannot be ended as asked is reported; the connection still goes,
       so that it holds no locks on the data source. */
    int ended = 1;
    if (online())
        ended = (flags & 1) ? rollback() : commit();
    if (ended)
        errorCode = 0;
    strfrdux(&dsnText, 0);
    strfrdux(&userText, 0);
    strfrdux(&pswdText, 0);
    strfrdux(&sqlText, 0);
    if (hstmt) {
        SQLFreeStmt(hstmt, SQL_DROP);
        hstmt = SQL_NULL_HSTMT;
    }
    dropStatementState();
    int ok = ended;
    if (hdbc) {
        if (linked) {
            SQLRETURN rc = SQLDisconnect(hdbc);
            if (rc == SQL_ERROR) {
                if (ok)
                    ok = failDriver(rc, XDIAG_DBC);
                // Refused while the transaction is open: roll it back and let go.
                SQLTransact(henv, hdbc, SQL_ROLLBACK);
                SQLDisconnect(hdbc);
            }
        }
        SQLFreeConnect(hdbc);
        hdbc = SQL_NULL_HDBC;
    }
    linked = false;
    autoCommit = false;
    pgSource = false;
    workSinceEnd = 0;
    ruleRead = false;
    return ok;
}

static char const linkLostText[] =
    "Connection lost - the data source no longer answers; the transaction was not ended.";

/* The driver reports the connection gone: the last failure has an SQLSTATE of class 08
   (08S01 communication link failure, 08003, 08006, ...), or the driver says it is dead. */
bool cOdbcx::linkLost()
{
    if (!hdbc)
        return false;
    if (errorCode == 1 && diagState[0] == '0' && diagState[1] == '8')
        return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQLGetConnectOption(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead) != SQL_ERROR &&
           dead == SQL_CD_TRUE;
}

/* Lets go of a lost connection without ending its transaction; the failure that told of
   the loss stays the last error, and the object reads as not connected. */
void cOdbcx::dropLink()
{
    char text[sizeof(diagText)];
    copyText(text, (int)sizeof(text), errorCode == 1 ? diagText : linkLostText);
    strfrdux(&dsnText, 0);  // so that disconnect neither commits nor rolls back
    disconnect();
    copyText(diagText, (int)sizeof(diagText), text);
    errorCode = 1;
}

int cOdbcx::endTransaction(SQLUSMALLINT how)
{
    errorCode = 0;
    if (!online())
        return fail(2);
    if (autoCommit)
        return 1;
    int work = workSinceEnd;
    workSinceEnd = 0;
    SQLRETURN rc = SQLTransact(henv, hdbc, how);
    int ok = rc == SQL_ERROR ? failDriver(rc, XDIAG_DBC) : 1;
    if (!ok && how == SQL_COMMIT) {
        workSinceEnd = work;  // the transaction may still hold it (SQLite)
        noteUndoneWork(std::max(work, 1));  // PostgreSQL has ended it (a deferred check)
    }
    // A commit the driver answers without a working connection did not happen.
    if (linkLost()) {
        if (ok)
            failText(linkLostText);
        dropLink();
        return 0;
    }
    return ok;
}

int cOdbcx::commit()
{
    return endTransaction(SQL_COMMIT);
}

int cOdbcx::rollback()
{
    return endTransaction(SQL_ROLLBACK);
}

int cOdbcx::getInfo(cVariablex* dbmsName, cVariablex* driverName, cVariablex* driverVersion)
{
    errorCode = 0;
    if (!online())
        return fail(2);
    cVariablex* values[3] = {dbmsName, driverName, driverVersion};
    SQLUSMALLINT items[3] = {SQL_DBMS_NAME, SQL_DRIVER_NAME, SQL_DRIVER_VER};
    int ok = 1;
    for (int i = 0; i < 3; i++) {
        if (!values[i])
            continue;
        char buf[256];
        SQLSMALLINT len = 0;
        buf[0] = 0;
        SQLRETURN rc = SQLGetInfo(hdbc, items[i], buf, 255, &len);
        if (rc == SQL_ERROR) {
            ok = failDriver(rc, XDIAG_DBC);
            buf[0] = 0;
        }
        buf[255] = 0;
        values[i]->set(buf, -1);
    }
    return ok;
}

int cOdbcx::nameRule(xnameRule* out)
{
    if (!ruleRead && online()) {
        char buf[8] = "";
        SQLSMALLINT len = 0;
        ruleQuote = SQLGetInfo(hdbc, SQL_IDENTIFIER_QUOTE_CHAR, buf, sizeof(buf), &len) != SQL_ERROR
                        ? (buf[0] ? buf[0] : ' ')
                        : '"';
        SQLUSMALLINT fold = 0;
        ruleFold = 'Q';
        if (SQLGetInfo(hdbc, SQL_IDENTIFIER_CASE, &fold, sizeof(fold), &len) != SQL_ERROR)
            ruleFold = fold == SQL_IC_UPPER ? 'U' : fold == SQL_IC_LOWER ? 'L' : fold ? 0 : 'Q';
        /* A list cut at the buffer's end loses a word at most: such a name is then quoted
           only when it is no plain name anyway. */
        char words[8192];
        words[0] = 0;
        if (SQLGetInfo(hdbc, SQL_KEYWORDS, words, sizeof(words), &len) == SQL_ERROR)
            words[0] = 0;
        words[sizeof(words) - 1] = 0;
        strfrdux(&ruleKeywords, words);
        ruleRead = true;
    }
    if (!ruleRead)
        return cXdbc::nameRule(out);
    if (out) {
        out->quote = ruleQuote;
        out->fold = ruleFold;
        out->keywords = ruleKeywords;
    }
    return 1;
}

int cOdbcx::prepare(char const* sql)
{
    errorCode = 0;
    metaKind = 0;
    if (!online())
        return fail(2);
    cXdbc::prepare(sql);
    finish();
    errorCode = 0;
    ranDirect = false;
    SQLRETURN rc = SQLPrepare(hstmt, (SQLCHAR*)(sql ? sql : ""), SQL_NTS);
    if (rc == SQL_ERROR) {
        strfrdux(&sqlText, 0);
        return failDriver(rc);
    }
    state = XSTATE_PREPARED;
    return 1;
}

int cOdbcx::setValue(cVariablex& v)
{
    errorCode = 0;
    if (state != XSTATE_PREPARED) {
        resetParams();
        state = XSTATE_PREPARED;
        errorCode = 0;
    }
    xbufEntry* e = 0;
    SQLSMALLINT cType = 0, sqlType = 0;
    switch (v.type()) {
    case 1:
        e = prmBuffers.add(0, XKIND_NUMBER, 0);
        if (e)
            *(double*)e->data = v.toDouble();
        cType = SQL_C_DOUBLE;
        sqlType = SQL_DOUBLE;
        break;
    case 2: {
        int len = static_cast<cStrinx&>(v).len();
        e = prmBuffers.add(0, XKIND_TEXT, len + 1);
        if (e)
            copyText((char*)e->data, e->size, v.toChars(NULL, true));
        cType = SQL_C_CHAR;
        sqlType = SQL_CHAR;
        break;
    }
    case 4: {
        e = prmBuffers.add(0, XKIND_TIMESTAMP, 0);
        if (e) {
            _tmx tm = gmtimex(v.toTimext());
            TIMESTAMP_STRUCT* ts = (TIMESTAMP_STRUCT*)e->data;
            ts->year = tm.year;
            ts->month = tm.month;
            ts->day = tm.day;
            ts->hour = tm.hour;
            ts->minute = tm.minute;
            ts->second = tm.second;
            ts->fraction = (SQLUINTEGER)tm.msec * 1000000u;
        }
        cType = SQL_C_TIMESTAMP;
        sqlType = SQL_TIMESTAMP;
        break;
    }
    default:
        return fail(9);
    }
    if (!e)
        return fail(14);
    if (metaKind)
        return 1;
    SQLLEN* ind = addIndicator(prmIndicators, prmIndCount);
    if (!ind)
        return fail(14);
    if (v.isNull())
        *ind = SQL_NULL_DATA;
    else
        *ind = cType == SQL_C_CHAR ? SQL_NTS : 0;
    prmBound++;
    SQLRETURN rc = SQLBindParameter(hstmt, (SQLUSMALLINT)prmBound, SQL_PARAM_INPUT, cType, sqlType,
                                    0, 0, e->data, e->size, ind);
    return rc == SQL_ERROR ? failDriver(rc) : 1;
}

/* The next word of s (letters, digits, "_") into out, lower case, cut at size - 1
   characters; "" at the end. s moves past it. */
static void nextWord(char const*& s, char* out, size_t size)
{
    while (*s && !isalnum((unsigned char)*s) && *s != '_')
        s++;
    size_t n = 0;
    for (; isalnum((unsigned char)*s) || *s == '_'; s++)
        if (n + 1 < size)
            out[n++] = (char)tolower((unsigned char)*s);
    out[n] = 0;
}

static bool isWord(char const* w, std::initializer_list<char const*> list)
{
    for (char const* x : list)
        if (strcmp(w, x) == 0)
            return true;
    return false;
}

/* What a statement that succeeded does to the transaction: 1 work that a rollback undoes,
   -1 it ends the transaction, 0 neither (reads, statements that run outside transactions,
   savepoints). A "select" that writes through a function is not seen. */
static int transactionRole(char const* sql)
{
    char const* s = sql ? sql : "";
    char first[16], second[16];
    nextWord(s, first, sizeof first);
    nextWord(s, second, sizeof second);
    if (isWord(first, {"commit", "end", "rollback", "abort"}))
        return isWord(second, {"to", "prepared"}) ? 0 : -1;
    if (isWord(first, {"with"})) {  // a common table expression may change rows
        for (; second[0]; nextWord(s, second, sizeof second))
            if (isWord(second, {"insert", "update", "delete", "merge"}))
                return 1;
        return 0;
    }
    return isWord(first, {"", "select", "show", "explain", "values", "table", "begin", "start",
                          "savepoint", "release", "vacuum", "analyze", "checkpoint", "reindex",
                          "cluster", "discard", "fetch", "move", "close"})
               ? 0
               : 1;
}

int cOdbcx::execute()
{
    errorCode = 0;
    infoText[0] = 0;
    int asText = textTypes;  // for this execute only
    textTypes = 0;
    if (state < XSTATE_PREPARED || state > XSTATE_FETCHED)
        return fail(3);
    if (metaKind == META_DRIVERS || metaKind == META_DATA_SOURCES) {
        if (!henv)
            return fail(12);
    } else if (!online()) {
        return fail(2);
    }
    /* The previous result binding is discarded. */
    if (hstmt && (colBound || colIndCount))
        SQLFreeStmt(hstmt, SQL_UNBIND);
    freeIndicators(colIndicators, colIndCount);
    colBound = 0;
    if (metaKind)
        return executeMeta();
    if (!closeCursor())
        return 0;
    /* Without parameters the statement runs directly: PostgreSQL's driver reads the result
       of a statement prepared on the server some 1.7 times slower. */
    SQLRETURN rc;
    if (!prmBound) {
        rc = SQLExecDirect(hstmt, (SQLCHAR*)sqlText, SQL_NTS);
        ranDirect = true;
    } else {
        rc = ranDirect ? SQLPrepare(hstmt, (SQLCHAR*)sqlText, SQL_NTS) : SQL_SUCCESS;
        ranDirect = false;
        if (rc != SQL_ERROR)
            rc = SQLExecute(hstmt);
    }
    if (rc == SQL_ERROR) {
        failDriver(rc);
        noteUndoneWork(workSinceEnd);
        return 0;
    }
    if (rc == SQL_SUCCESS_WITH_INFO)
        keepInfo();
    state = XSTATE_EXECUTED;
    eofFlag = 0;
    rowCount = 0;
    colBuffers.clear();
    SQLSMALLINT n = 0;
    rc = SQLNumResultCols(hstmt, &n);
    if (rc == SQL_ERROR)
        return failDriver(rc);
    for (short c = 1; c <= n; c++) {
        char name[80];
        short kind = 0;
        int size = 0;
        if (!describeCol(c, name, (short)sizeof(name), &kind, &size))
            return 0;
        bool bytes = described >= SQL_LONGVARBINARY && described <= SQL_BINARY;
        if (!bindResult(name, kind, size, 0, (asText & xtypeOfKind(kind)) != 0))
            return 0;
        colBuffers.at(c - 1)->binary = bytes;
    }
    int role = transactionRole(sqlText);
    workSinceEnd = role < 0 ? 0 : workSinceEnd + role;
    return 1;
}

static char const undoneText[] =
    "The data source rolled back the whole transaction: the work since the last commit is "
    "undone.";

/* PostgreSQL's driver sends its savepoint in the same text as the statement: when the server
   refuses that text (a syntax error), the driver rolls back the whole transaction, and the
   statements reported done since the last commit are undone. A transaction that began with
   the probe's own statement tells; the note then follows the driver's message. Nothing is
   asked without work (statements) to undo. */
void cOdbcx::noteUndoneWork(int work)
{
    bool linkGone = diagState[0] == '0' && diagState[1] == '8';
    if (!pgSource || autoCommit || !work || !hdbc || linkGone)
        return;
    SQLHSTMT probe = SQL_NULL_HSTMT;
    if (SQLAllocStmt(hdbc, &probe) == SQL_ERROR)
        return;
    SQLINTEGER fresh = 0;
    SQLLEN ind = 0;
    static char const sql[] =
        "select case when transaction_timestamp() = statement_timestamp() then 1 else 0 end";
    if (SQLExecDirect(probe, (SQLCHAR*)sql, SQL_NTS) != SQL_ERROR &&
        SQLFetch(probe) != SQL_ERROR &&
        SQLGetData(probe, 1, SQL_C_SLONG, &fresh, 0, &ind) != SQL_ERROR &&
        ind != SQL_NULL_DATA && fresh == 1) {
        // The transaction holds the probe alone: it ends, holding no snapshot.
        SQLFreeStmt(probe, SQL_CLOSE);
        SQLTransact(henv, hdbc, SQL_ROLLBACK);
        workSinceEnd = 0;
        size_t room = sizeof(diagText) - sizeof(undoneText) - 2;
        size_t len = strlen(diagText);
        if (len > room)
            len = room;
        diagText[len] = 0;
        if (len)
            strcat(diagText, diagText[len - 1] == '.' ? " " : ". ");
        strcat(diagText, undoneText);
    }
    SQLFreeStmt(probe, SQL_DROP);
}

/* The statement's diagnostic messages, joined by "; " as far as they fit. */
void cOdbcx::keepInfo()
{
    size_t used = 0;
    for (int r = 0; r < 20; r++) {
        char msg[256];
        SQLCHAR state[6];
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        SQLRETURN rc = SQLError(henv, hdbc, hstmt, state, &native, (SQLCHAR*)msg,
                                (SQLSMALLINT)sizeof(msg), &len);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            break;
        msg[sizeof(msg) - 1] = 0;
        diagToCodePage(msg, (int)sizeof(msg));
        size_t gap = used ? 2 : 0, n = strlen(msg);
        if (!n || used + gap + 1 >= sizeof(infoText))
            continue;
        n = std::min(n, sizeof(infoText) - 1 - used - gap);
        memcpy(infoText + used, "; ", gap);
        memcpy(infoText + used + gap, msg, n);
        used += gap + n;
        infoText[used] = 0;
    }
}

char const* cOdbcx::infoStr()
{
    return infoText;
}

int cOdbcx::commitsEach()
{
    return online() && autoCommit ? 1 : 0;
}

int cOdbcx::fetchAsText(int types)
{
    textTypes = types & 5;
    return 1;
}

int cOdbcx::describeCol(short colNo, char* name, short nameSize, short* kind, int* size)
{
    errorCode = 0;
    if (state != XSTATE_EXECUTED || !hstmt)
        return fail(5);
    SQLSMALLINT nameLen = 0, sqlType = 0, scale = 0, nullable = 0;
    SQLULEN colSize = 0;
    SQLRETURN rc = SQLDescribeCol(hstmt, (SQLUSMALLINT)colNo, (SQLCHAR*)(nameSize > 0 ? name : NULL),
                                  nameSize > 0 ? nameSize : 0, &nameLen, &sqlType, &colSize, &scale,
                                  &nullable);
    if (rc == SQL_ERROR)
        return failDriver(rc);
    if (name && nameSize > 0) {
        if (nameLen >= 0 && nameLen < nameSize)
            name[nameLen] = 0;
        else
            name[nameSize - 1] = 0;
    }
    described = sqlType;
    int k = xkindOfSqlType(sqlType);
    int s;
    switch (k) {
    case XKIND_NUMBER:
    case XKIND_DATE: s = (int)colSize; break;
    /* An unknown (0) or huge size falls back to the long-column buffer. */
    case XKIND_TEXT: s = (colSize >= 1 && colSize < XLONG_SIZE) ? (int)colSize + 1 : XLONG_SIZE; break;
    default: s = XLONG_SIZE; break;
    }
    if (kind)
        *kind = (short)k;
    if (size)
        *size = s;
    return 1;
}

int cOdbcx::colInfo(short colNo, short* kind, int* size)
{
    return describeCol(colNo, NULL, 0, kind, size);
}

int cOdbcx::bindCol(char const* name, int kind, int size, short colNo)
{
    return bindResult(name, kind, size, colNo, false);
}

/* Numbers as text: room for the declared digits, a sign, a point and an exponent; dates:
   the longest ISO form with fractions, a zone or "BC". */
static int textSize(int kind, int size)
{
    if (kind != XKIND_NUMBER)
        return 64;
    return size + 8 > XLONG_SIZE ? XLONG_SIZE : (size + 8 < 64 ? 64 : size + 8);
}

int cOdbcx::bindResult(char const* name, int kind, int size, short colNo, bool asText)
{
    errorCode = 0;
    if (asText && (kind == XKIND_TEXT || kind == XKIND_LONG))
        asText = false;
    SQLSMALLINT cType;
    switch (kind) {
    case XKIND_NUMBER: cType = SQL_C_DOUBLE; break;
    case XKIND_TEXT: cType = SQL_C_CHAR; if (size < 1) size = XLONG_SIZE; break;
    case XKIND_TIMESTAMP: cType = SQL_C_TIMESTAMP; break;
    case XKIND_DATE: cType = SQL_C_DATE; break;
    case XKIND_TIME: cType = SQL_C_TIME; break;
    case XKIND_LONG:
        cType = SQL_C_CHAR;
        if (size < 1 || size > XLONG_SIZE)
            size = XLONG_SIZE;
        break;
    default: return fail(9);
    }
    if (asText) {
        cType = SQL_C_CHAR;
        size = textSize(kind, size);
    }
    if (!hstmt)
        return fail(2);
    SQLLEN* ind = addIndicator(colIndicators, colIndCount);
    if (!ind)
        return fail(14);
    colBound++;
    if (colNo == 0)
        colNo = (short)colBound;
    xbufEntry* e = colBuffers.add(name, kind, size, asText);
    if (!e)
        return fail(14);
    SQLRETURN rc = SQLBindCol(hstmt, (SQLUSMALLINT)colNo, cType, e->data, e->size, ind);
    return rc == SQL_ERROR ? failDriver(rc) : 1;
}

/* Terminates each text column at its length, or at the buffer's last byte. */
void xterminateTexts(cBuflix& cols, SQLLEN** inds, int indCount)
{
    int n = cols.count();
    for (int i = 0; i < n; i++) {
        xbufEntry* e = cols.at(i);
        if (e->kind != XKIND_TEXT && e->kind != XKIND_LONG && !e->asText)
            continue;
        SQLLEN len = i < indCount ? *inds[i] : -1;
        char* text = (char*)e->data;
        if (len >= 0 && len < e->size)
            text[len] = 0;
        else
            text[e->size - 1] = 0;
    }
}

/* A text column sized by its declared length can hold longer values (SQLite keeps any
   length, PostgreSQL's driver reports 255 for an unbounded varchar). Such a column gets the
   long-column buffer from this row on, and this row's value is read again into it. */
void cOdbcx::widenCutTexts()
{
    int n = colBuffers.count();
    for (int i = 0; i < n && i < colIndCount; i++) {
        xbufEntry* e = colBuffers.at(i);
        SQLLEN len = *colIndicators[i];
        if (e->kind != XKIND_TEXT || e->size >= XLONG_SIZE || len == SQL_NULL_DATA ||
            (len >= 0 && len < e->size))
            continue;
        char* wide = (char*)mallox(XLONG_SIZE);
        if (!wide)
            return;
        memcpy(wide, e->data, e->size);
        memset(wide + e->size, 0, XLONG_SIZE - e->size);
        SQLLEN got = len;
        SQLRETURN rc = SQLGetData(hstmt, (SQLUSMALLINT)(i + 1), SQL_C_CHAR, wide, XLONG_SIZE, &got);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            memcpy(wide, e->data, e->size);  // a driver without reads of bound columns: as cut
            got = len;
        }
        freex(e->data);
        e->data = wide;
        e->size = XLONG_SIZE;
        SQLBindCol(hstmt, (SQLUSMALLINT)(i + 1), SQL_C_CHAR, e->data, e->size, colIndicators[i]);
        *colIndicators[i] = got;  // binding may reset it (SQLite's driver does)
    }
}

/* A schema or table listed with a name that did not fit its column: cut, the name would
   stand for another table or none, so the row is left out. */
bool cOdbcx::cutCatalogueName()
{
    if (metaKind != META_SCHEMAS && metaKind != META_TABLES)
        return false;
    for (int i = 1; i <= 2 && i < colIndCount; i++) {
        SQLLEN n = *colIndicators[i];
        if (n == SQL_NO_TOTAL || (n != SQL_NULL_DATA && n >= colBuffers.at(i)->size))
            return true;
    }
    return false;
}

int cOdbcx::fetchNext()
{
    errorCode = 0;
    bool list = metaKind == META_DRIVERS || metaKind == META_DATA_SOURCES;
    if (list) {
        if (!henv)
            return fail(12);
        if (state < XSTATE_EXECUTED || colBuffers.count() == 0)
            return fail(5);
    } else {
        if (!online())
            return fail(2);
        SQLRETURN rc;
        do
            rc = SQLFetch(hstmt);
        while ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && cutCatalogueName());
        if (rc == SQL_ERROR)
            return failDriver(rc);
        if (rc == SQL_NO_DATA) {
            // A text of several statements (PostgreSQL runs them all): the rows of the next
            // ones would be lost without a word.
            SQLRETURN more = metaKind ? SQL_NO_DATA : SQLMoreResults(hstmt);
            finish();
            if (more == SQL_SUCCESS || more == SQL_SUCCESS_WITH_INFO)
                return failText(moreResults);
            return 0;
        }
        if (rc == SQL_SUCCESS_WITH_INFO && !metaKind)
            widenCutTexts();
        xterminateTexts(colBuffers, colIndicators, colIndCount);
    }
    rowCount++;
    state = XSTATE_FETCHED;
    if (metaKind)
        return fetchMeta();
    return 1;
}

int cOdbcx::finish()
{
    eofFlag = 1;
    int ok = 1;
    if (!henv) {
        ok = fail(12);
    } else if (hstmt && (colBound || prmBound || colIndCount || prmIndCount ||
                         (state >= XSTATE_PREPARED && state <= XSTATE_FETCHED))) {
        SQLRETURN rc;
        if (colBound || colIndCount) {
            rc = SQLFreeStmt(hstmt, SQL_UNBIND);
            if (rc == SQL_ERROR && ok)
                ok = failDriver(rc);
        }
        if (prmBound || prmIndCount) {
            rc = SQLFreeStmt(hstmt, SQL_RESET_PARAMS);
            if (rc == SQL_ERROR && ok)
                ok = failDriver(rc);
        }
        rc = SQLFreeStmt(hstmt, SQL_CLOSE);
        if (rc == SQL_ERROR && ok)
            ok = failDriver(rc);
    }
    freeIndicators(colIndicators, colIndCount);
    freeIndicators(prmIndicators, prmIndCount);
    colBuffers.clear();
    prmBuffers.clear();
    rowCount = 0;
    colBound = 0;
    prmBound = 0;
    return ok;
}

int cOdbcx::resetParams()
{
    errorCode = 0;
    if (!henv)
        return fail(12);
    if (!online()) {
        prmBuffers.clear();
        return fail(2);
    }
    if (prmBound || prmIndCount) {
        SQLRETURN rc = SQLFreeStmt(hstmt, SQL_RESET_PARAMS);
        /* The driver still points at the buffers: keep them. */
        if (rc == SQL_ERROR)
            return failDriver(rc);
        freeIndicators(prmIndicators, prmIndCount);
    }
    prmBuffers.clear();
    rowCount = 0;
    state = XSTATE_PREPARED;
    prmBound = 0;
    eofFlag = 1;
    SQLRETURN rc = SQLFreeStmt(hstmt, SQL_CLOSE);
    return rc == SQL_ERROR ? failDriver(rc) : 1;
}

int cOdbcx::colCount()
{
    return colBuffers.count();
}

char* cOdbcx::colName(int i)
{
    xbufEntry* e = colBuffers.at(i);
    return e && e->name ? e->name : emptyName;
}

int cOdbcx::colTable(int i, char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    out[0] = 0;
    if (!hstmt || i < 0 || i >= colCount())
        return 0;
    SQLSMALLINT len = 0;
    SQLLEN num = 0;
    SQLRETURN rc = SQLColAttributes(hstmt, (SQLUSMALLINT)(i + 1), SQL_COLUMN_TABLE_NAME, out,
                                    (SQLSMALLINT)(size > 32767 ? 32767 : size), &len, &num);
    /* A cut name would name another table. */
    if (rc != SQL_SUCCESS || len >= size) {
        out[0] = 0;
        return 0;
    }
    out[size - 1] = 0;
    return out[0] != 0;
}

int cOdbcx::colType(int i)
{
    xbufEntry* e = colBuffers.at(i);
    return e ? xtypeOfKind(e->kind) : 0;
}

int cOdbcx::prmCount()
{
    if (!hstmt)
        return 0;
    SQLSMALLINT n = 0;
    if (SQLNumParams(hstmt, &n) == SQL_ERROR)
        return 0;
    return n;
}

int cOdbcx::prmType(int i)
{
    if (!hstmt || i < 0)
        return 0;
    SQLSMALLINT sqlType = 0, scale = 0, nullable = 0;
    SQLULEN size = 0;
    if (SQLDescribeParam(hstmt, (SQLUSMALLINT)(i + 1), &sqlType, &size, &scale, &nullable) == SQL_ERROR)
        return 0;
    return xtypeOfKind(xkindOfSqlType(sqlType));
}

int cOdbcx::colValue(int i, cVariablex& v)
{
    xbufEntry* e = colBuffers.at(i);
    if (!e)
        return 0;
    /* Only a date value has a date flavour; another value just takes the instant. */
    if (e->kind >= XKIND_TIMESTAMP && e->kind <= XKIND_TIME && v.type() == 4)
        static_cast<cDatex&>(v).setDatexType((short)(e->kind - XKIND_TIMESTAMP));
    if (i < colIndCount && *colIndicators[i] == SQL_NULL_DATA) {
        v.setNull();
        return 1;
    }
    if (e->asText) {
        if (e->kind == XKIND_NUMBER)
            v.set(strtod((char const*)e->data, 0));
        else
            v.set((char const*)e->data, -1);
        return 1;
    }
    switch (e->kind) {
    case XKIND_NUMBER:
        v.set(*(double*)e->data);
        return 1;
    case XKIND_TEXT:
    case XKIND_LONG:
        v.set((char const*)e->data, -1);
        return 1;
    case XKIND_TIMESTAMP: {
        TIMESTAMP_STRUCT* ts = (TIMESTAMP_STRUCT*)e->data;
        v.set((__int64)mktimex(ts->year, ts->month, ts->day, ts->hour, ts->minute, ts->second,
                               (int)(ts->fraction / 1000000u)));
        return 1;
    }
    case XKIND_DATE: {
        DATE_STRUCT* d = (DATE_STRUCT*)e->data;
        v.set((__int64)mktimex(d->year, d->month, d->day, 0, 0, 0, 0));
        return 1;
    }
    case XKIND_TIME: {
        TIME_STRUCT* t = (TIME_STRUCT*)e->data;
        v.set((__int64)mktimex(0, 0, 0, t->hour, t->minute, t->second, 0));
        return 1;
    }
    }
    return 0;
}

static_assert(XLONG_SIZE - 1 == XDB_TEXT_MAX, "the longest text is the long buffer's");

int cOdbcx::colData(int i, xcolData* out)
{
    xbufEntry* e = colBuffers.at(i);
    if (!e || !out || metaKind)
        return 0;
    out->kind = e->kind;
    out->null = i < colIndCount && *colIndicators[i] == SQL_NULL_DATA;
    out->cut = false;
    if (out->null)
        return 1;
    if (e->asText) {
        out->kind = XKIND_TEXT;
        out->text = (char const*)e->data;
        SQLLEN len = i < colIndCount ? *colIndicators[i] : 0;
        out->cut = len == SQL_NO_TOTAL || len >= (SQLLEN)e->size;
        return 1;
    }
    switch (e->kind) {
    case XKIND_NUMBER:
        out->number = *(double*)e->data;
        break;
    case XKIND_TEXT:
    case XKIND_LONG: {
        if (e->binary)
            out->kind = 7;
        out->text = (char const*)e->data;
        SQLLEN len = i < colIndCount ? *colIndicators[i] : 0;
        out->cut = len == SQL_NO_TOTAL || len >= (SQLLEN)e->size;
        break;
    }
    case XKIND_TIMESTAMP: {
        TIMESTAMP_STRUCT* ts = (TIMESTAMP_STRUCT*)e->data;
        out->when = tmxfields(ts->year, ts->month, ts->day, ts->hour, ts->minute, ts->second,
                            (int)(ts->fraction / 1000000u));
        break;
    }
    case XKIND_DATE: {
        DATE_STRUCT* d = (DATE_STRUCT*)e->data;
        out->when = tmxfields(d->year, d->month, d->day, 0, 0, 0, 0);
        break;
    }
    case XKIND_TIME: {
        TIME_STRUCT* t = (TIME_STRUCT*)e->data;
        out->when = tmxfields(0, 0, 0, t->hour, t->minute, t->second, 0);
        break;
    }
    default:
        return 0;
    }
    return 1;
}

DWORD WINAPI cOdbcx::worker(LPVOID self)
{
    return (DWORD)static_cast<cOdbcx*>(self)->execute();
}

int cOdbcx::executeAsync()
{
    errorCode = 0;
    if (thread) {
        /* One worker at a time; a finished one is released here. */
        if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0)
            return fail(14);
        CloseHandle(thread);
        thread = 0;
    }
    thread = CreateThread(NULL, 0, worker, this, 0, &threadId);
    if (!thread)
        return fail(14);
    return 1;
}

/* Called from another thread while the worker runs: leaves errorCode to the worker. */
int cOdbcx::cancel()
{
    if (!hstmt)
        return 0;
    SQLRETURN rc = SQLCancel(hstmt);
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

int cOdbcx::waitAsync(int milliseconds)
{
    if (!thread)
        return 1;
    DWORD ms = milliseconds < 0 ? INFINITE : (DWORD)milliseconds;
    if (WaitForSingleObject(thread, ms) != WAIT_OBJECT_0)
        return 0;
    CloseHandle(thread);
    thread = 0;
    return 1;
}
