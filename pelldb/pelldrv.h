/* Handle layout of a pell driver library, as a loader sees it.

   A driver library exports
       int openenv(void** env)          0 on success, *env = the environment handle
   Every handle is a pointer to a record whose fields at fixed byte offsets are
   function pointers (cdecl). "close" functions take the address of the variable that
   holds the handle and clear it; all other functions take the handle itself.

   offset  environment            connection                  statement
      2    flags (16 bits; bit 0: the library stays loaded after its last user)
      4    error code             error code                  error code
      8    error text             error text                  error text
     12    close                  -                           -
     16    connect                close                       close
     20                           prepare                     execute
     24                           table list                  fetch
     28                           commit                      column type
     32                           rollback                    column name
     36                                                       column value
     40                                                       parameter type
     44                                                       set parameter

   The offsets are those of 32-bit code; in 64-bit code every slot after the flags is
   8 bytes (error code at 8, error text at 16, and so on).

   Type letters: an int holding two characters, the kind in the low byte and the detail
   in the next one (PELL_TYPE('n', 'i')). Kinds: 's' text, 'b' binary, 'n' number (data is
   a double; detail 'i' integer), 'd' date-time (data is a date record; detail 'd' date
   only, 't' time only, 's' both). Index -1 of the type functions gives the count.
   Column and parameter indexes start at 0.

   Date record from the driver: 6 ints (second, minute, hour, day, month 1-12, year).
   Date record to the driver: 9 ints (the same six, then three zeros). */
#ifndef PELLDRV_H
#define PELLDRV_H

#include <stddef.h>

#define PELL_TYPE(kind, detail) ((int)(unsigned char)(kind) | ((int)(unsigned char)(detail) << 8))
#define PELL_KIND(t) ((char)((t) & 0xFF))
#define PELL_DETAIL(t) ((char)(((t) >> 8) & 0xFF))

#define PELL_FLAG_STAY 0x0001  // environment flag: keep the library loaded
#define PELL_NO_MORE_ROWS 100  // fetch: past the last row

typedef int(__cdecl* pellErrorCodeFn)(void* h, int* code);
typedef int(__cdecl* pellErrorTextFn)(void* h, char* buf, int size);
typedef int(__cdecl* pellCloseFn)(void** h);
typedef int(__cdecl* pellConnectFn)(void* env, void** conn, int count, char** keyValues);
typedef int(__cdecl* pellPrepareFn)(void* conn, void** stmt, char const* sql);
typedef int(__cdecl* pellTablesFn)(void* conn, void** stmt, int what);
typedef int(__cdecl* pellTxFn)(void* conn);
typedef int(__cdecl* pellExecuteFn)(void* stmt);
typedef int(__cdecl* pellFetchFn)(void* stmt);
typedef int(__cdecl* pellTypeFn)(void* stmt, int index);
typedef int(__cdecl* pellNameFn)(void* stmt, int index, char** name);
typedef int(__cdecl* pellValueFn)(void* stmt, int index, void** data, int* length);
typedef int(__cdecl* pellSetParamFn)(void* stmt, int index, void* data, int length);

/* First fields of every handle. */
struct pellHead {
    unsigned short magic;       // which kind of handle this is (driver's own use)
    unsigned short flags;       // environment: PELL_FLAG_STAY
    pellErrorCodeFn errorCode;  // code of the last failure on this handle, 0 none
    pellErrorTextFn errorText;  // its text, cut to size - 1 bytes
};

struct pellEnvTable {
    pellHead head;
    pellCloseFn close;
    pellConnectFn connect;
};

struct pellConnTable {
    pellHead head;
    void* unused12;
    pellCloseFn close;
    pellPrepareFn prepare;
    pellTablesFn tables;
    pellTxFn commit;
    pellTxFn rollback;
};

struct pellStmtTable {
    pellHead head;
    void* unused12;
    pellCloseFn close;
    pellExecuteFn execute;
    pellFetchFn fetch;
    pellTypeFn colType;
    pellNameFn colName;
    pellValueFn colValue;
    pellTypeFn prmType;
    pellSetParamFn setParam;
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(offsetof(pellHead, flags) == 2, "flags at 2");
static_assert(offsetof(pellHead, errorCode) == 4 && offsetof(pellHead, errorText) == 8, "errors");
static_assert(offsetof(pellEnvTable, close) == 12 && offsetof(pellEnvTable, connect) == 16, "env");
static_assert(offsetof(pellConnTable, close) == 16 && offsetof(pellConnTable, prepare) == 20 &&
                  offsetof(pellConnTable, tables) == 24 && offsetof(pellConnTable, commit) == 28 &&
                  offsetof(pellConnTable, rollback) == 32,
              "connection");
static_assert(offsetof(pellStmtTable, close) == 16 && offsetof(pellStmtTable, execute) == 20 &&
                  offsetof(pellStmtTable, fetch) == 24 && offsetof(pellStmtTable, colType) == 28 &&
                  offsetof(pellStmtTable, colName) == 32 && offsetof(pellStmtTable, colValue) == 36 &&
                  offsetof(pellStmtTable, prmType) == 40 && offsetof(pellStmtTable, setParam) == 44,
              "statement");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(offsetof(pellHead, errorCode) == 8 && offsetof(pellEnvTable, connect) == 32 &&
                  offsetof(pellConnTable, rollback) == 64 && offsetof(pellStmtTable, setParam) == 88,
              "slots of 8 bytes");
#endif

#endif
