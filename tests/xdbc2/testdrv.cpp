/* A tiny pell driver for the loader tests, built in four variants (TESTDRV_PREFIX names it):
   resident (stay-loaded flag), transient, one without "openenv" and one whose "openenv"
   fails. It counts in process environment variables, which outlive the library:
     <PREFIX>_LOADS      process attaches        <PREFIX>_ENVS       environments opened
     <PREFIX>_CONNECTS   connections opened       <PREFIX>_CLOSES     connections closed
     <PREFIX>_ENVCLOSES  environments closed
   Connect keys: "fail" refuses the connect (code 42; value "handle": still hands out a
   handle, which the caller must close). Any statement text works except "bad" (prepare
   fails, code 7) and "broken" (fetch fails on the second row, code 55). A statement has
   one parameter per '?'; kinds by position: text, number, date-time, binary, unknown.
   Rows: the text "echo" gives one row holding the parameters as sent (date records cut
   to six ints); any other text gives 3 rows of the columns in kCols. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pelldrv.h"

#define STR2(x) #x
#define STR(x) STR2(x)

namespace {

void bump(char const* what) {
    char name[64], value[32];
    snprintf(name, sizeof name, "%s_%s", STR(TESTDRV_PREFIX), what);
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    int v = (n > 0 && n < sizeof value) ? atoi(value) : 0;
    snprintf(value, sizeof value, "%d", v + 1);
    SetEnvironmentVariableA(name, value);
}

struct Err {
    int code;
    char text[64];
};

struct Env {
    pellEnvTable t;
    Err err;
};

struct Conn {
    pellConnTable t;
    Err err;
};

struct Param {
    void* data;  // copy, or null for NULL
    int length;
};

struct Stmt {
    pellStmtTable t;
    Err err;
    bool echo;    // the row holds the parameters
    bool broken;  // fetch of row 2 fails
    int row;      // rows fetched so far
    int nprm;
    Param prm[8];
    double num;  // values of the current row
    int date[6];
    char text[32];
};

struct ColDef {
    char const* name;
    int letters;
};

const ColDef kCols[] = {
    {"Name", PELL_TYPE('s', 'v')},     {"Nothing", PELL_TYPE('s', 'v')},
    {"Count", PELL_TYPE('n', 'i')},    {"Ratio", PELL_TYPE('n', 'f')},
    {"Day", PELL_TYPE('d', 'd')},      {"Clock", PELL_TYPE('d', 't')},
    {"Stamp", PELL_TYPE('d', 's')},    {"Blob", PELL_TYPE('b', 'v')},
    {"Odd", PELL_TYPE('x', 'x')},      {"BadDate", PELL_TYPE('d', 's')},
    {"name", PELL_TYPE('s', 'v')},
};
const int kColCount = sizeof kCols / sizeof kCols[0];
const int kPrmKinds[5] = {PELL_TYPE('s', 'v'), PELL_TYPE('n', 'f'), PELL_TYPE('d', 's'),
                          PELL_TYPE('b', 'v'), PELL_TYPE('x', 'x')};

void setErr(Err& e, int code, char const* text) {
    e.code = code;
    snprintf(e.text, sizeof e.text, "%s", text);
}

Err* errOf(void* h) {
    char magic = (char)((pellHead*)h)->magic;
    return magic == 'E' ? &((Env*)h)->err : magic == 'C' ? &((Conn*)h)->err : &((Stmt*)h)->err;
}

int __cdecl errCode(void* h, int* code) {
    *code = errOf(h)->code;
    return 0;
}

int __cdecl errText(void* h, char* buf, int size) {
    snprintf(buf, (size_t)size, "%s", errOf(h)->text);
    return 0;
}

int __cdecl stmtClose(void** h) {
    Stmt* s = (Stmt*)*h;
    for (int i = 0; i < s->nprm; i++)
        free(s->prm[i].data);
    free(s);
    *h = 0;
    return 0;
}

int __cdecl stmtExecute(void* h) {
    ((Stmt*)h)->row = 0;
    return 0;
}

int __cdecl stmtFetch(void* h) {
    Stmt* s = (Stmt*)h;
    if (s->broken && s->row == 1) {
        setErr(s->err, 55, "fetch broke");
        return -1;
    }
    if (s->row >= (s->echo ? 1 : 3))
        return PELL_NO_MORE_ROWS;
    s->row++;
    return s->row;  // any value but a negative one or 100 is a row
}

int __cdecl stmtColType(void* h, int i) {
    Stmt* s = (Stmt*)h;
    int n = s->echo ? s->nprm : kColCount;
    if (i == -1)
        return n;
    if (i < 0 || i >= n)
        return 0;
    return s->echo ? kPrmKinds[i % 5] : kCols[i].letters;
}

int __cdecl stmtColName(void* h, int i, char** name) {
    Stmt* s = (Stmt*)h;
    if (s->echo || i < 0 || i >= kColCount)
        return -1;
    *name = (char*)kCols[i].name;
    return 0;
}

int __cdecl stmtColValue(void* h, int i, void** data, int* length) {
    Stmt* s = (Stmt*)h;
    *data = 0;
    *length = 0;
    if (s->echo) {
        if (i < 0 || i >= s->nprm)
            return -1;
        *data = s->prm[i].data;
        *length = s->prm[i].length;
        return 0;
    }
    static const int day[6] = {0, 0, 0, 5, 3, 2024};
    static const int clock[6] = {30, 45, 13, 0, 0, 0};
    static const int stamp[6] = {7, 8, 9, 1, 2, 2003};
    static const int bad[6] = {0, 0, 0, 30, 2, 2023};
    switch (i) {
    case 0:
        snprintf(s->text, sizeof s->text, "row %d", s->row);
        *data = s->text;
        *length = (int)strlen(s->text);
        break;
    case 1: break;
    case 2:
        s->num = s->row;
        *data = &s->num;
        break;
    case 3:
        s->num = s->row + 0.25;
        *data = &s->num;
        break;
    case 4: memcpy(s->date, day, sizeof day); *data = s->date; break;
    case 5: memcpy(s->date, clock, sizeof clock); *data = s->date; break;
    case 6: memcpy(s->date, stamp, sizeof stamp); *data = s->date; break;
    case 7: *data = (void*)"a\0b"; *length = 3; break;
    case 8: *data = s->text; *length = 1; break;
    case 9: memcpy(s->date, bad, sizeof bad); *data = s->date; break;
    case 10: *data = (void*)"second"; *length = 6; break;
    default: return -1;
    }
    return 0;
}

int __cdecl stmtPrmType(void* h, int i) {
    Stmt* s = (Stmt*)h;
    if (i == -1)
        return s->nprm;
    return (i >= 0 && i < s->nprm) ? kPrmKinds[i % 5] : 0;
}

/* Keeps a copy of what was sent: text/binary bytes, the double, or a date cut to 6 ints. */
int __cdecl stmtSetParam(void* h, int i, void* data, int length) {
    Stmt* s = (Stmt*)h;
    if (i < 0 || i >= s->nprm) {
        setErr(s->err, 9, "no such parameter");
        return -1;
    }
    Param& p = s->prm[i];
    free(p.data);
    p.data = 0;
    p.length = 0;
    if (!data)
        return 0;
    char kind = PELL_KIND(kPrmKinds[i % 5]);
    int size = kind == 'n' ? (int)sizeof(double) : kind == 'd' ? 6 * (int)sizeof(int) : length;
    if (kind == 'd' && ((int*)data)[6] | ((int*)data)[7] | ((int*)data)[8]) {
        setErr(s->err, 8, "date record tail not zero");
        return -1;
    }
    p.data = malloc((size_t)size + 1);
    memcpy(p.data, data, (size_t)size);
    ((char*)p.data)[size] = 0;
    p.length = length;
    return 0;
}

int __cdecl connClose(void** h) {
    bump("CLOSES");
    free(*h);
    *h = 0;
    return 0;
}

Stmt* newStmt(char const* sql) {
    Stmt* s = (Stmt*)calloc(1, sizeof(Stmt));
    s->t.head.magic = 'S';
    s->t.head.errorCode = errCode;
    s->t.head.errorText = errText;
    s->t.close = stmtClose;
    s->t.execute = stmtExecute;
    s->t.fetch = stmtFetch;
    s->t.colType = stmtColType;
    s->t.colName = stmtColName;
    s->t.colValue = stmtColValue;
    s->t.prmType = stmtPrmType;
    s->t.setParam = stmtSetParam;
    s->echo = !strcmp(sql, "echo") || !strncmp(sql, "echo ", 5);
    s->broken = !strcmp(sql, "broken");
    for (char const* p = sql; *p && s->nprm < 8; p++)
        s->nprm += *p == '?';
    return s;
}

int __cdecl connPrepare(void* h, void** stmt, char const* sql) {
    Stmt* s = newStmt(sql);
    *stmt = s;
    if (!strcmp(sql, "bad")) {
        setErr(s->err, 7, "syntax error");
        return -1;
    }
    return 0;
}

int __cdecl connTables(void* h, void** stmt, int what) {
    *stmt = newStmt("tables");
    return what == 1 ? 0 : -1;
}

int __cdecl connCommit(void* h) {
    return 0;
}

int __cdecl connRollback(void* h) {
    setErr(((Conn*)h)->err, 12, "nothing to roll back");
    return -1;
}

[[maybe_unused]] int __cdecl envClose(void** h) {
    bump("ENVCLOSES");
    free(*h);
    *h = 0;
    return 0;
}

[[maybe_unused]] int __cdecl envConnect(void* h, void** conn, int count, char** kv) {
    Env* e = (Env*)h;
    *conn = 0;
    for (int i = 0; i + 1 < count; i += 2) {
        if (kv[i] && !strcmp(kv[i], "fail")) {
            setErr(e->err, 42, "refused by request");
            if (kv[i + 1] && !strcmp(kv[i + 1], "handle")) {
                bump("CONNECTS");
                Conn* c = (Conn*)calloc(1, sizeof(Conn));
                c->t.head.magic = 'C';
                c->t.close = connClose;
                *conn = c;
            }
            return -1;
        }
    }
    bump("CONNECTS");
    Conn* c = (Conn*)calloc(1, sizeof(Conn));
    c->t.head.magic = 'C';
    c->t.head.errorCode = errCode;
    c->t.head.errorText = errText;
    c->t.close = connClose;
    c->t.prepare = connPrepare;
    c->t.tables = connTables;
    c->t.commit = connCommit;
    c->t.rollback = connRollback;
    *conn = c;
    return 0;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        bump("LOADS");
    return TRUE;
}

#ifndef TESTDRV_NO_OPENENV
extern "C" __declspec(dllexport) int __cdecl openenv(void** env) {
#ifdef TESTDRV_FAIL_OPENENV
    *env = 0;
    return 3;
#else
    bump("ENVS");
    Env* e = (Env*)calloc(1, sizeof(Env));
    e->t.head.magic = 'E';
#ifdef TESTDRV_STAY
    e->t.head.flags = PELL_FLAG_STAY;
#endif
    e->t.head.errorCode = errCode;
    e->t.head.errorText = errText;
    e->t.close = envClose;
    e->t.connect = envConnect;
    *env = e;
    return 0;
#endif
}
#else
extern "C" __declspec(dllexport) int __cdecl something_else(void) {
    return 0;
}
#endif
