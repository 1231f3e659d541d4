/* cXdbc: the data-access object of vorodbc206 (connection, statements, catalogue). */
#ifndef VORODBC_XDBC_H
#define VORODBC_XDBC_H

#include "vorcore.h"
#include "values.h"

#if defined(_WIN32)
# if defined(VORODBC_BUILD)
#  define VORODBC_API __declspec(dllexport)
# else
#  define VORODBC_API __declspec(dllimport)
# endif
#else
# define VORODBC_API __attribute__((visibility("default")))
#endif

/* Catalogue query kinds for metaSelect. */
enum {
    META_DRIVERS = 1,              /* installed ODBC drivers, needs no connection */
    META_DATA_SOURCES = 2,         /* data source names, needs no connection */
    META_SCHEMAS = 4,              /* schemas of the data source */
    META_TABLES = 5,               /* tables of type TABLE: schema */
    META_COLUMNS = 6,              /* columns: schema, table */
    META_INDEXES = 7,              /* one row per index: schema, table */
    META_INDEX_COLUMNS = 8,        /* rows of one index: schema, table, index name */
    META_PRIMARY_KEY = 9,          /* primary key columns: schema, table */
    META_FOREIGN_KEYS = 10,        /* one row per foreign key: schema, table */
    META_FOREIGN_KEY_COLUMNS = 11  /* rows of one foreign key: schema, table, key name */
};

/* Longest key name a catalogue filter can hold (kinds 7, 8, 10, 11). */
#define XDB_FOCUSKEY_MAX 51

/* Longest connection string, terminator included. */
#define XDB_CONNSTR_SIZE 1024

/* One column of the fetched row as its buffer holds it, for readers that copy nothing. */
/* Most characters of a text value a fetch hands over; longer ones arrive cut. */
#define XDB_TEXT_MAX 8191

struct xcolData {
    int kind;          /* 1 number, 2 text, 3 timestamp, 4 date, 5 time, 6 long text,
                          7 binary: the driver's text of the bytes (hex digits), as kind 6 */
    bool null;
    double number;     /* kind 1 */
    _tmx when;         /* kinds 3..5: the fields a date value made by colValue holds */
    char const* text;  /* kinds 2, 6 and 7: terminated, valid until the next fetch */
    bool cut;          /* kinds 2, 6 and 7: the value was longer than its buffer and is cut */
};

/* How a data source writes names: its identifier quote (' ' when it has none), the case it
   folds unquoted names to ('U' upper, 'L' lower, 0 none: kept or compared without case), and
   its keywords beyond the ODBC list, comma-separated. */
struct xnameRule {
    char quote;
    char fold;
    char const* keywords;
};

/* Abstract data-access object. Created by xdb_init, destroyed only by xdb_free. */
class VORODBC_API cXdbc : public cObjext {
public:
    int errorCode;      /* code of the last failure, 0 after success */
    char* errorText;    /* text built by errorStr(), owned */
    int rowCount;       /* rows fetched from the open result set */
    char* sqlText;      /* copy of the last prepared statement, owned */
    char* dsnText;      /* data source of the open connection, owned; empty when not connected */
    char* userText;     /* user name of the open connection, owned */
    char* pswdText;     /* password given at connect, owned */
    short prmExpected;  /* values the variadic execute takes */
    int flags;          /* option bits; bit 0: disconnect rolls back instead of committing */
    int eofFlag;        /* 1 while no result set is open */

    cXdbc();
    virtual ~cXdbc();                                                              /* 0 */
    virtual int connect(char const* dsn, char const* user, char const* pswd, int flags) = 0; /* 1 */
    virtual int driverConnect(char const* connectString, int flags) = 0;          /* 2 */
    virtual int disconnect() = 0;                                                  /* 3 */
    virtual int setFlags(int mask, short mode);                                    /* 4 */
    virtual int getInfo(cVariablex* dbmsName, cVariablex* driverName,
                        cVariablex* driverVersion) = 0;                            /* 5 */
    virtual int metaSelect(short kind) = 0;                                        /* 6 */
    virtual int prepare(char const* sql);                                          /* 7 */
    virtual int execute() = 0;                                                     /* 8 */
    virtual int fetchNext() = 0;                                                   /* 9 */
    virtual int finish() = 0;                                                      /* 10 */
    virtual int resetParams() = 0;                                                 /* 11 */
    virtual int commit() = 0;                                                      /* 12 */
    virtual int rollback() = 0;                                                    /* 13 */
    virtual int executeAsync() = 0;                                                /* 14 */
    virtual int cancel() = 0;                                                      /* 15 */
    virtual int waitAsync(int milliseconds) = 0;                                   /* 16 */
    virtual int colCount() = 0;                                                    /* 17 */
    virtual int prmCount() = 0;                                                    /* 18 */
    virtual char* colName(int i) = 0;                                              /* 19 */
    virtual int colType(int i) = 0;                                                /* 20 */
    virtual int prmType(int i) = 0;                                                /* 21 */
    virtual int colValue(int i, cVariablex& v) = 0;                                /* 22 */
    virtual int setValue(cVariablex& v) = 0;                                       /* 23 */
    virtual char* errorStr();                                                      /* 24 */
    virtual int executeMeta() = 0;                                                 /* 25 */
    virtual int bindCol(char const* name, int kind, int size, short colNo) = 0;    /* 26 */
    virtual int colInfo(short colNo, short* kind, int* size) = 0;                  /* 27 */
    virtual int describeCol(short colNo, char* name, short nameSize,
                            short* kind, int* size) = 0;                           /* 28 */
    /* Column i of the fetched row without a copy; 0 (nothing filled) when the object
       keeps no such buffer, so the caller reads it through colValue. */
    virtual int colData(int i, xcolData* out);                                     /* 29 */
    /* The connected data source's rule for names; 0 when it is not known, and then out
       holds the standard's double quote with every name to be quoted (fold 'Q'). */
    virtual int nameRule(xnameRule* out);                                          /* 30 */
    /* Table of the open result's column i, as the data source names it, into out (size
       bytes); 0 and "" when the source does not tell (an expression, a view, no such call). */
    virtual int colTable(int i, char* out, int size);                              /* 31 */
    /* The next execute fetches the columns of these types (1 number, 4 date: an OR) as the
       data source writes them: colData then gives their text (kind 2), colType stays.
       Exact where a double or a date value would round (big integers, decimals, fractions
       of seconds, "infinity"). 0 when the object cannot. */
    virtual int fetchAsText(int types);                                           /* 32 */
    /* 1 when the connected data source commits every statement itself (its driver refused
       manual commit): commit and rollback then end nothing. */
    virtual int commitsEach();                                                    /* 33 */
    /* The driver's messages with the last statement's success (PostgreSQL's notices and
       warnings), "" when it gave none. */
    virtual char const* infoStr();                                                /* 34 */

    /* Binds up to prmExpected values (stopping at a null pointer), then executes. */
    int execute(cVariablex* v, ...);
    /* Fetches a row and copies columns 0, 1, ... into the values up to a null pointer. */
    int fetchNext(cVariablex* v, ...);
    int eof();
    /* By column name, compared ignoring ASCII case; 0 when no column has the name. */
    int colType(char* name);
    int colValue(char* name, cVariablex& v);
    int error();
    int isConnected();
    int isConnectedTo(char* dsn, char* user, char* pswd);
    char* dsn();
    char* user();
    char* pswd();

    cXdbc(cXdbc const&) = delete;
    cXdbc& operator=(cXdbc const&) = delete;
};

/* A new, unconnected object; null only when allocation fails. */
VORODBC_API cXdbc* xdb_init();
/* A new object connected by connect(dsn, user, pswd, 0); null when that fails. */
VORODBC_API cXdbc* xdb_init(char* dsn, char* user, char* pswd);
/* Destroys *p (when not null) and sets it to null; returns 1. */
VORODBC_API int xdb_free(cXdbc*& p);

#endif
