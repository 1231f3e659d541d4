/* cXdbc2: driver loading, the process-wide pool of drivers and connections, statements. */
#include <windows.h>

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "outfmt.h"
#include "strx.h"
#include "timex.h"
#include "xdbc2.h"

namespace {

/* Byte offsets of the fields of a driver's handles: the flags at 2, then one function
   pointer per slot (4 bytes each in 32-bit code, 8 in 64-bit code). */
const int P = (int)sizeof(void*);
enum {
    OFF_FLAGS = 2,
    OFF_ERRCODE = 1 * P,
    OFF_ERRTEXT = 2 * P,
    OFF_ENV_CLOSE = 3 * P,
    OFF_ENV_CONNECT = 4 * P,
    OFF_CONN_CLOSE = 4 * P,
    OFF_CONN_PREPARE = 5 * P,
    OFF_CONN_TABLES = 6 * P,
    OFF_CONN_COMMIT = 7 * P,
    OFF_CONN_ROLLBACK = 8 * P,
    OFF_STMT_CLOSE = 4 * P,
    OFF_STMT_EXECUTE = 5 * P,
    OFF_STMT_FETCH = 6 * P,
    OFF_STMT_COLTYPE = 7 * P,
    OFF_STMT_COLNAME = 8 * P,
    OFF_STMT_COLVALUE = 9 * P,
    OFF_STMT_PRMTYPE = 10 * P,
    OFF_STMT_SETPARAM = 11 * P
};

const unsigned short FLAG_STAY = 1;  // environment flag: the library stays loaded
const int NO_MORE_ROWS = 100;        // fetch: past the last row
const int ERROR_TEXT_SIZE = 256;

typedef int(__cdecl* OpenEnvFn)(void** env);
typedef int(__cdecl* ErrorCodeFn)(void* h, int* code);
typedef int(__cdecl* ErrorTextFn)(void* h, char* buf, int size);
typedef int(__cdecl* CloseFn)(void** h);
typedef int(__cdecl* ConnectFn)(void* env, void** conn, int count, char** keyValues);
typedef int(__cdecl* PrepareFn)(void* conn, void** stmt, char const* sql);
typedef int(__cdecl* TablesFn)(void* conn, void** stmt, int what);
typedef int(__cdecl* HandleFn)(void* h);
typedef int(__cdecl* TypeFn)(void* stmt, int index);
typedef int(__cdecl* NameFn)(void* stmt, int index, char** name);
typedef int(__cdecl* ValueFn)(void* stmt, int index, void** data, int* length);
typedef int(__cdecl* SetParamFn)(void* stmt, int index, void* data, int length);

char const kNoLoad[] = "Cannot load the driver!";
char const kNoOpenEnv[] = "Cannot find openenv function within the driver library!";
char const kOpenEnvFailed[] = "openenv function failed!";
char const kBadParams[] = "Invalid connection parameters!";
char const kNoFunction[] = "The driver does not implement this function!";
char const kNotConnected[] = "Not connected!";
char const kNoStatement[] = "No statement!";
char const kBadIndex[] = "Index out of range!";
char const kNoColumn[] = "No such column!";
char const kBadKind[] = "Unsupported value type!";
char const kBadDate[] = "Date outside the calendar!";
char const kNoClone[] = "No object to clone from!";

char g_empty[1];  // returned where a string is asked for and none exists

template <class F>
F slot(void* h, int offset) {
    return h ? *(F*)((char*)h + offset) : (F)0;
}

unsigned short flagsOf(void* env) {
    return env ? *(unsigned short*)((char*)env + OFF_FLAGS) : 0;
}

/* Closes a handle through its own close function at `offset`. */
void closeHandle(void* h, int offset) {
    CloseFn f = slot<CloseFn>(h, offset);
    if (f)
        f(&h);
}

}  // namespace

struct xdbc2Conn;

/* One loaded driver library. */
struct xdbc2Driver {
    char* name;          // library name as given to connect
    HMODULE module;      // the loaded library
    int users;           // bodies using the driver
    void* env;           // environment from "openenv"; null once closed (resident driver)
    xdbc2Conn* conns;    // its open connections
    int connCount;       // how many
    xdbc2Driver* next;   // process-wide list
};

/* One open connection of a driver. */
struct xdbc2Conn {
    void* handle;          // the driver's connection handle
    xdbc2Driver* driver;   // its driver
    char** params;         // copy of the key/value list it was opened with (null entries kept)
    int paramCount;        // entries in params
    int users;             // bodies using it
    bool lost;             // a failure on it told of a lost link: no longer handed out
    xdbc2Conn* next;       // the driver's list
};

/* The current statement of a body. */
struct xdbc2Stmt {
    void* handle;          // the driver's statement handle
    xdbc2Driver* driver;
    xdbc2Conn* connection;
};

/* State shared by copies of one cXdbc2. */
struct xdbc2Body {
    xdbc2Driver* driver;      // null when not connected
    xdbc2Conn* connection;    // null when not connected
    xdbc2Stmt* statement;     // current statement or null
    int refs;                 // objects sharing the body
    int errorCode;            // last error code
    char* errorText;          // last error text: a 256-byte block once an error occurred
    bool noPool;              // opened although a matching pooled connection existed
    int nextParam;            // next parameter for setValue(cVariablex&)
};

namespace {

xdbc2Driver* g_drivers;  // every loaded driver

xdbc2Body* newBody() {
    xdbc2Body* b = (xdbc2Body*)mallox(sizeof(xdbc2Body));
    memset(b, 0, sizeof *b);
    b->refs = 1;
    return b;
}

void setError(xdbc2Body* b, int code, char const* text) {
    b->errorCode = code;
    if (!b->errorText)
        b->errorText = (char*)mallox(ERROR_TEXT_SIZE);
    size_t n = strlen(text);
    if (n > ERROR_TEXT_SIZE - 1)
        n = ERROR_TEXT_SIZE - 1;
    memcpy(b->errorText, text, n);
    b->errorText[n] = 0;
}

/* The error of a driver handle becomes the body's. A failure never reads as code 0. */
void takeError(xdbc2Body* b, void* h) {
    ErrorCodeFn code = slot<ErrorCodeFn>(h, OFF_ERRCODE);
    ErrorTextFn text = slot<ErrorTextFn>(h, OFF_ERRTEXT);
    if (!code || !text) {
        setError(b, 1, kNoFunction);
        return;
    }
    int c = 0;
    code(h, &c);
    if (!b->errorText)
        b->errorText = (char*)mallox(ERROR_TEXT_SIZE);
    b->errorText[0] = 0;
    text(h, b->errorText, ERROR_TEXT_SIZE);
    b->errorText[ERROR_TEXT_SIZE - 1] = 0;
    b->errorCode = c ? c : 1;
    // A text that starts with an SQLSTATE of class 08 ("08S01: ...") or of a server that
    // ended the session (57P01..57P03) tells of a lost connection: the pool stops handing
    // it to new connects and clones.
    char const* t = b->errorText;
    bool state = t[0] && t[1] && t[2] && t[3] && t[4] && t[5] == ':';
    if (b->connection && state &&
        ((t[0] == '0' && t[1] == '8') || (!strncmp(t, "57P0", 4) && t[4] >= '1' && t[4] <= '3')))
        b->connection->lost = true;
}

/* Both null, or both strings with the same bytes. */
bool sameEntry(char const* a, char const* b) {
    if (!a || !b)
        return a == b;
    return strcmp(a, b) == 0;
}

char const* entry(char** list, int count, int i) {
    return i < count ? list[i] : 0;
}

/* An open connection of the driver opened with an equal parameter list. */
xdbc2Conn* findPooled(xdbc2Driver* d, int count, char** kv) {
    for (xdbc2Conn* c = d->conns; c; c = c->next) {
        if (c->paramCount != count || c->lost)
            continue;
        bool all = true;
        for (int i = 0; i < count && all; i += 2) {
            bool found = false;
            for (int j = 0; j < count && !found; j += 2)
                found = sameEntry(kv[i], c->params[j]) &&
                        sameEntry(entry(kv, count, i + 1), entry(c->params, count, j + 1));
            all = found;
        }
        if (all)
            return c;
    }
    return 0;
}

/* A key given twice would leave the pool's match and the driver's choice to disagree. */
bool repeatedKey(int count, char** kv) {
    for (int i = 0; i < count; i += 2)
        for (int j = i + 2; j < count; j += 2)
            if (sameEntry(kv[i], kv[j]))
                return true;
    return false;
}

bool poolingOff(int count, char** kv) {
    for (int i = 0; i + 1 < count; i += 2) {
        if (kv[i] && !strcmp(kv[i], "pooling") && kv[i + 1] &&
            (!strcmp(kv[i + 1], "0") || !strcmp(kv[i + 1], "no")))
            return true;
    }
    return false;
}

/* One user less; at none the environment is closed and, unless the driver stays loaded,
   the record removed and the library unloaded. */
void releaseDriver(xdbc2Driver* d) {
    if (--d->users > 0)
        return;
    bool stay = (flagsOf(d->env) & FLAG_STAY) != 0;  // read before the handle goes
    if (d->env) {
        CloseFn close = slot<CloseFn>(d->env, OFF_ENV_CLOSE);
        if (close)
            close(&d->env);
        d->env = 0;
    }
    if (stay)
        return;
    for (xdbc2Driver** p = &g_drivers; *p; p = &(*p)->next) {
        if (*p == d) {
            *p = d->next;
            break;
        }
    }
    FreeLibrary(d->module);
    freex(d->name);
    freex(d);
}

void releaseConnection(xdbc2Conn* c) {
    if (--c->users > 0)
        return;
    xdbc2Driver* d = c->driver;
    for (xdbc2Conn** p = &d->conns; *p; p = &(*p)->next) {
        if (*p == c) {
            *p = c->next;
            d->connCount--;
            break;
        }
    }
    closeHandle(c->handle, OFF_CONN_CLOSE);
    for (int i = 0; i < c->paramCount; i++)
        freex(c->params[i]);
    freex(c->params);
    freex(c);
}

void closeStatement(xdbc2Body* b) {
    if (!b->statement)
        return;
    closeHandle(b->statement->handle, OFF_STMT_CLOSE);
    freex(b->statement);
    b->statement = 0;
}

void bodyDisconnect(xdbc2Body* b) {
    b->errorCode = 0;
    strfrx(&b->errorText);
    closeStatement(b);
    if (b->connection)
        releaseConnection(b->connection);
    if (b->driver)
        releaseDriver(b->driver);
    b->connection = 0;
    b->driver = 0;
    b->noPool = false;
    b->nextParam = 0;
}

void releaseBody(xdbc2Body* b) {
    if (--b->refs > 0)
        return;
    bodyDisconnect(b);
    freex(b);
}

/* Loads (or finds) the driver and takes a user of it. */
xdbc2Driver* attachDriver(xdbc2Body* b, char const* library) {
    HMODULE m = LoadLibraryA(library);
    if (!m) {
        setError(b, 1, kNoLoad);
        return 0;
    }
    for (xdbc2Driver* d = g_drivers; d; d = d->next) {
        if (d->module != m)
            continue;
        FreeLibrary(m);  // the record holds its own load
        if (d->users == 0) {
            OpenEnvFn open = (OpenEnvFn)(void*)GetProcAddress(d->module, "openenv");
            void* env = 0;
            if (!open || open(&env) != 0 || !env) {
                setError(b, 1, kOpenEnvFailed);
                return 0;
            }
            d->env = env;
        }
        d->users++;
        return d;
    }
    OpenEnvFn open = (OpenEnvFn)(void*)GetProcAddress(m, "openenv");
    if (!open) {
        FreeLibrary(m);
        setError(b, 1, kNoOpenEnv);
        return 0;
    }
    void* env = 0;
    if (open(&env) != 0 || !env) {
        FreeLibrary(m);
        setError(b, 1, kOpenEnvFailed);
        return 0;
    }
    xdbc2Driver* d = (xdbc2Driver*)mallox(sizeof(xdbc2Driver));
    memset(d, 0, sizeof *d);
    d->name = strdux((void*)library);
    d->module = m;
    d->users = 1;
    d->env = env;
    d->next = g_drivers;
    g_drivers = d;
    return d;
}

bool bodyConnect(xdbc2Body* b, char const* library, int count, char** kv) {
    bodyDisconnect(b);  // also the error of an earlier failure: a connect starts afresh
    b->noPool = false;
    if (!library || count < 0 || (count > 0 && !kv) || (count > 0 && repeatedKey(count, kv))) {
        setError(b, 1, library ? kBadParams : kNoLoad);
        return false;
    }
    xdbc2Driver* d = attachDriver(b, library);
    if (!d)
        return false;
    xdbc2Conn* c = findPooled(d, count, kv);
    if (c && poolingOff(count, kv)) {
        c = 0;
        b->noPool = true;
    }
    if (c) {
        c->users++;
    } else {
        ConnectFn connect = slot<ConnectFn>(d->env, OFF_ENV_CONNECT);
        void* h = 0;
        if (!connect) {
            setError(b, 1, kNoFunction);
        } else if (connect(d->env, &h, count, kv) != 0 || !h) {
            takeError(b, d->env);
            if (h)
                closeHandle(h, OFF_CONN_CLOSE);
            h = 0;
        }
        if (!h) {
            b->noPool = false;
            releaseDriver(d);
            return false;
        }
        c = (xdbc2Conn*)mallox(sizeof(xdbc2Conn));
        memset(c, 0, sizeof *c);
        c->handle = h;
        c->driver = d;
        c->paramCount = count;
        c->params = (char**)mallox((int)sizeof(char*) * (count > 0 ? count : 1));
        for (int i = 0; i < count; i++)
            c->params[i] = kv[i] ? strdux(kv[i]) : 0;
        c->users = 1;
        c->next = d->conns;
        d->conns = c;
        d->connCount++;
    }
    b->driver = d;
    b->connection = c;
    b->statement = 0;
    return true;
}

char kindOf(int letters) {
    return (char)(letters & 0xFF);
}

char detailOf(int letters) {
    return (char)((letters >> 8) & 0xFF);
}

int codeOf(int letters) {
    switch (kindOf(letters)) {
    case 's': return 2;
    case 'b': return 8;
    case 'n': return 1;
    case 'd': return 4;
    }
    return 0;
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

/* second, minute, hour, day, month, year: a time of day alone (date part all 0) or a
   calendar date of years 0..32767 with a valid time. */
bool validRecord(int const* r) {
    if (r[2] < 0 || r[2] > 23 || r[1] < 0 || r[1] > 59 || r[0] < 0 || r[0] > 59)
        return false;
    if (r[3] == 0 && r[4] == 0 && r[5] == 0)
        return true;
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int d = r[3], m = r[4], y = r[5];
    if (y < 0 || y > 32767 || m < 1 || m > 12 || d < 1)
        return false;
    return d <= days[m - 1] + ((m == 2 && isLeap(y)) ? 1 : 0);
}

}  // namespace

/* ---- Objects and connections ---- */

cXdbc2::cXdbc2() : body(newBody()) {}

cXdbc2::cXdbc2(cXdbc2 const& other) : body(other.body) {
    body->refs++;
}

cXdbc2& cXdbc2::operator=(cXdbc2 const& other) {
    cloneFrom(&other);
    return *this;
}

cXdbc2::~cXdbc2() {
    releaseBody(body);
}

bool cXdbc2::connect(char const* library, int count, char** keyValues) {
    return bodyConnect(body, library, count, keyValues);
}

bool cXdbc2::connect(char const* dsn, char const* uid, char const* pwd) {
    char* kv[6] = {(char*)"DSN", (char*)dsn, (char*)"UID", (char*)uid, (char*)"PWD", (char*)pwd};
    return bodyConnect(body, "pelldb_odbc.dll", 6, kv);
}

bool cXdbc2::connect(char const* library, char const* db, char const* uid, char const* pwd) {
    char* kv[6] = {(char*)"db", (char*)db, (char*)"uid", (char*)uid, (char*)"pwd", (char*)pwd};
    return bodyConnect(body, library, 6, kv);
}

bool cXdbc2::disconnect() {
    bodyDisconnect(body);
    return true;
}

/* The new body takes its users before the old one is let go, so cloning from itself or
   from an object sharing the body keeps the connection. */
bool cXdbc2::cloneFrom(cXdbc2 const* other) {
    if (!other) {
        setError(body, 1, kNoClone);
        return false;
    }
    xdbc2Body* from = other->body;
    xdbc2Body* nb = newBody();
    bool ok = true;
    if (from->connection) {
        if (!from->noPool && !from->connection->lost) {
            nb->driver = from->driver;
            nb->connection = from->connection;
            nb->driver->users++;
            nb->connection->users++;
        } else {
            xdbc2Conn* c = from->connection;
            ok = bodyConnect(nb, c->driver->name, c->paramCount, c->params);
        }
    }
    releaseBody(body);
    body = nb;
    return ok;
}

bool cXdbc2::isConnected() {
    return body->connection != 0;
}

int cXdbc2::error() {
    return body->errorCode;
}

char* cXdbc2::errorStr() {
    return body->errorText ? body->errorText : g_empty;
}

/* ---- Statements ---- */

/* The body's connection; 0 with the error set when it has none. */
static xdbc2Conn* connOf(xdbc2Body* body) {
    if (!body->connection)
        setError(body, 1, kNotConnected);
    return body->connection;
}

/* Makes h, which c's prepare or table list gave with result r, the body's statement;
   false with the error taken when that call failed. */
static bool takeStatement(xdbc2Body* body, xdbc2Conn* c, int r, void* h) {
    if (r != 0 || !h) {
        takeError(body, h ? h : c->handle);
        if (h)
            closeHandle(h, OFF_STMT_CLOSE);
        return false;
    }
    xdbc2Stmt* s = (xdbc2Stmt*)mallox(sizeof(xdbc2Stmt));
    s->handle = h;
    s->driver = body->driver;
    s->connection = c;
    body->statement = s;
    return true;
}

bool cXdbc2::prepare(char const* sql) {
    body->nextParam = 0;
    closeStatement(body);
    xdbc2Conn* c = connOf(body);
    if (!c)
        return false;
    if (!sql) {
        setError(body, 1, kNoStatement);
        return false;
    }
    PrepareFn f = slot<PrepareFn>(c->handle, OFF_CONN_PREPARE);
    if (!f) {
        setError(body, 1, kNoFunction);
        return false;
    }
    void* h = 0;
    int r = f(c->handle, &h, sql);
    return takeStatement(body, c, r, h);
}

bool cXdbc2::tableList() {
    body->nextParam = 0;
    closeStatement(body);
    xdbc2Conn* c = connOf(body);
    if (!c)
        return false;
    TablesFn f = slot<TablesFn>(c->handle, OFF_CONN_TABLES);
    if (!f) {
        setError(body, 1, kNoFunction);
        return false;
    }
    void* h = 0;
    int r = f(c->handle, &h, 1);
    return takeStatement(body, c, r, h);
}

bool cXdbc2::execute() {
    body->nextParam = 0;
    if (!body->statement) {
        setError(body, 1, kNoStatement);
        return false;
    }
    void* h = body->statement->handle;
    HandleFn f = slot<HandleFn>(h, OFF_STMT_EXECUTE);
    if (!f) {
        setError(body, 1, kNoFunction);
        return false;
    }
    if (f(h) != 0) {
        takeError(body, h);
        return false;
    }
    return true;
}

/* The values bind from the first parameter on, whatever single setValue calls came before;
   a value that cannot be bound stops the run and the statement is not executed. */
bool cXdbc2::execute(cVariablex* first, ...) {
    if (!body->statement) {
        setError(body, 1, kNoStatement);
        return false;
    }
    body->nextParam = 0;
    int n = prmCount();
    va_list ap;
    va_start(ap, first);
    cVariablex* v = first;
    for (int k = 0; v && k < n; k++) {
        if (!setValue(*v)) {
            va_end(ap);
            return false;
        }
        if (k + 1 < n)
            v = va_arg(ap, cVariablex*);
    }
    va_end(ap);
    return execute();
}

bool cXdbc2::fetchNext() {
    if (!body->statement) {
        setError(body, 1, kNoStatement);
        return false;
    }
    void* h = body->statement->handle;
    HandleFn f = slot<HandleFn>(h, OFF_STMT_FETCH);
    if (!f) {
        setError(body, 1, kNoFunction);
        return false;
    }
    int r = f(h);
    if (r == NO_MORE_ROWS)
        return false;
    if (r < 0) {
        takeError(body, h);
        return false;
    }
    return true;
}

/* A row whose values cannot all be delivered is reported as a failure. */
bool cXdbc2::fetchNext(cVariablex* first, ...) {
    if (!fetchNext())
        return false;
    int n = colCount();
    va_list ap;
    va_start(ap, first);
    cVariablex* v = first;
    for (int i = 0; v && i < n; i++) {
        if (!colValue(i, *v)) {
            va_end(ap);
            return false;
        }
        if (i + 1 < n)
            v = va_arg(ap, cVariablex*);
    }
    va_end(ap);
    return true;
}

bool cXdbc2::finish() {
    closeStatement(body);
    return true;
}

bool cXdbc2::resetParams() {
    return true;
}

/* Calls the connection's function at `offset` (commit, rollback). */
static bool connCall(xdbc2Body* body, int offset) {
    xdbc2Conn* c = connOf(body);
    if (!c)
        return false;
    HandleFn f = slot<HandleFn>(c->handle, offset);
    if (!f) {
        setError(body, 1, kNoFunction);
        return false;
    }
    if (f(c->handle) < 0) {
        takeError(body, c->handle);
        return false;
    }
    return true;
}

/* The statement's column or parameter count (TypeFn at `offset` asked for -1), type
   code of item i otherwise. */
static int stmtType(xdbc2Body* body, int offset, int i) {
    if (!body->statement)
        return 0;
    TypeFn f = slot<TypeFn>(body->statement->handle, offset);
    int n = f ? f(body->statement->handle, i) : 0;
    return i < 0 ? (n > 0 ? n : 0) : codeOf(n);
}

bool cXdbc2::commit() {
    return connCall(body, OFF_CONN_COMMIT);
}

bool cXdbc2::rollback() {
    return connCall(body, OFF_CONN_ROLLBACK);
}

/* ---- Result description and values ---- */

int cXdbc2::colCount() {
    return stmtType(body, OFF_STMT_COLTYPE, -1);
}

int cXdbc2::prmCount() {
    return stmtType(body, OFF_STMT_PRMTYPE, -1);
}

char* cXdbc2::colName(int i) {
    if (!body->statement)
        return g_empty;
    NameFn f = slot<NameFn>(body->statement->handle, OFF_STMT_COLNAME);
    char* name = 0;
    if (!f || f(body->statement->handle, i, &name) != 0 || !name)
        return g_empty;
    return name;
}

/* Index -1 asks the driver for the count, never for a type: it gives 0 here too. */
int cXdbc2::colType(int i) {
    return i < 0 ? 0 : stmtType(body, OFF_STMT_COLTYPE, i);
}

int cXdbc2::prmType(int i) {
    return i < 0 ? 0 : stmtType(body, OFF_STMT_PRMTYPE, i);
}

namespace {

/* Index of the first column named `name` (ASCII case folded), -2 when none. */
int findColumn(cXdbc2& x, char const* name) {
    if (!name)
        return -2;
    int n = x.colCount();
    for (int i = 0; i < n; i++) {
        if (stricmpx(x.colName(i), name) == 0)
            return i;
    }
    return -2;
}

}  // namespace

int cXdbc2::colType(char const* name) {
    return colType(findColumn(*this, name));  // 0 for an absent name, no error
}

bool cXdbc2::colValue(char const* name, cVariablex& v) {
    int i = findColumn(*this, name);
    if (i == -2) {
        setError(body, 1, kNoColumn);
        return false;
    }
    return colValue(i, v);
}

bool cXdbc2::colValue(int i, cVariablex& v) {
    if (!body->statement) {
        setError(body, 1, kNoStatement);
        return false;
    }
    void* h = body->statement->handle;
    if (i < 0 || i >= colCount()) {
        setError(body, 1, kBadIndex);
        return false;
    }
    TypeFn type = slot<TypeFn>(h, OFF_STMT_COLTYPE);
    ValueFn value = slot<ValueFn>(h, OFF_STMT_COLVALUE);
    if (!type || !value) {
        setError(body, 1, kNoFunction);
        return false;
    }
    int letters = type(h, i);
    char kind = kindOf(letters);
    char detail = detailOf(letters);
    if (codeOf(letters) == 0) {
        setError(body, 1, kBadKind);
        return false;
    }
    void* data = 0;
    int length = 0;
    if (value(h, i, &data, &length) != 0) {
        takeError(body, h);
        return false;
    }
    switch (kind) {
    case 'n':
        if (data)
            v.set(*(double*)data);
        else
            v.setNull();
        if (v.type() == VTYPE_NUMBEX)
            static_cast<cNumbex&>(v).setNumbexType(detail == 'i' ? 0 : 4);
        break;
    case 'd':
        if (data) {
            int const* r = (int const*)data;
            if (!validRecord(r)) {
                setError(body, 1, kBadDate);
                return false;
            }
            v.set(mktimex(r[5], r[4], r[3], r[2], r[1], r[0], 0));
        } else {
            v.setNull();
        }
        if (v.type() == VTYPE_DATEX)
            static_cast<cDatex&>(v).setDatexType(detail == 'd' ? 1 : detail == 't' ? 2 : 0);
        break;
    default:  // text and binary
        if (data)
            v.set((char const*)data, length);
        else
            v.setNull();
    }
    return true;
}

bool cXdbc2::setValue(int i, cVariablex& v) {
    if (!body->statement) {
        setError(body, 1, kNoStatement);
        return false;
    }
    void* h = body->statement->handle;
    if (i < 0 || i >= prmCount()) {
        setError(body, 1, kBadIndex);
        return false;
    }
    TypeFn type = slot<TypeFn>(h, OFF_STMT_PRMTYPE);
    SetParamFn set = slot<SetParamFn>(h, OFF_STMT_SETPARAM);
    if (!type || !set) {
        setError(body, 1, kNoFunction);
        return false;
    }
    int r;
    if (v.isNull()) {
        r = set(h, i, 0, 0);
    } else {
        switch (kindOf(type(h, i))) {
        case 's':
        case 'b': {
            // A number goes with every digit it has, not with its display setting.
            char num[40];
            char* s = num;
            if (v.type() != VTYPE_NUMBEX)
                s = v.toChars(0, true);
            else if (v.toDouble() == floor(v.toDouble()) && fabs(v.toDouble()) < 1e18)
                snprintf(num, sizeof num, "%.0f", v.toDouble());
            else
                outfmt_exactNumber(v.toDouble(), num, sizeof num);
            r = set(h, i, s, (int)strlen(s));
            break;
        }
        case 'n': {
            double d = v.toDouble();
            r = set(h, i, &d, 0);
            break;
        }
        case 'd': {
            _tmx tm = gmtimex(v.toTimext());
            int rec[9] = {tm.second, tm.minute, tm.hour, tm.day, tm.month, tm.year, 0, 0, 0};
            r = set(h, i, rec, 0);
            break;
        }
        default:
            setError(body, 1, kBadKind);
            return false;
        }
    }
    if (r != 0) {
        takeError(body, h);
        return false;
    }
    return true;
}

bool cXdbc2::setValue(cVariablex& v) {
    if (!setValue(body->nextParam, v))
        return false;
    body->nextParam++;
    return true;
}
