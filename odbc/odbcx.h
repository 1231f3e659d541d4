/* cOdbcx: the ODBC implementation of cXdbc. Private to vorodbc206. */
#ifndef VORODBC_ODBCX_H
#define VORODBC_ODBCX_H

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include "xdbc.h"
#include "buflix.h"

/* Statement states. */
enum {
    XSTATE_NONE = 0,      /* nothing prepared */
    XSTATE_PREPARED = 1,  /* prepared or catalogue query selected */
    XSTATE_EXECUTED = 2,  /* result set open, no row yet */
    XSTATE_FETCHED = 3    /* a row has been fetched */
};

/* Seconds a connect waits for the data source to answer. */
#define XLOGIN_TIMEOUT 15

/* Handle a failing call was made on, where the search for its message starts. */
enum { XDIAG_STMT = 0, XDIAG_DBC = 1, XDIAG_ENV = 2 };

class cOdbcx : public cXdbc {
public:
    SQLHDBC hdbc;                /* null when not connected */
    SQLHSTMT hstmt;              /* the one statement of the connection */
    int colBound;                /* result columns bound with SQLBindCol */
    int prmBound;                /* parameters bound with SQLBindParameter */
    SQLLEN** colIndicators;      /* one separate 4-byte block per bound column */
    SQLLEN** prmIndicators;      /* one separate 4-byte block per bound parameter */
    short state;                 /* XSTATE_* */
    short metaKind;              /* 0 ordinary statement, else the catalogue kind */
    char focusKey[XDB_FOCUSKEY_MAX + 1];  /* key filtering catalogue rows */
    cBuflix prmBuffers;          /* parameter values in binding order */
    cBuflix colBuffers;          /* result columns in column order */
    HANDLE thread;               /* worker started by executeAsync */
    DWORD threadId;
    bool autoCommit;             /* the driver refused manual commit */
    bool ranDirect;              /* the statement ran by SQLExecDirect: no longer prepared */
    bool pgSource;               /* the data source names itself PostgreSQL */
    int workSinceEnd;            /* statements without a result run since the transaction began */

    cOdbcx();
    virtual ~cOdbcx();
    virtual int connect(char const* dsn, char const* user, char const* pswd, int flags);
    virtual int driverConnect(char const* connectString, int flags);
    virtual int disconnect();
    virtual int getInfo(cVariablex* dbmsName, cVariablex* driverName, cVariablex* driverVersion);
    virtual int metaSelect(short kind);
    virtual int prepare(char const* sql);
    virtual int execute();
    virtual int fetchNext();
    virtual int finish();
    virtual int resetParams();
    virtual int commit();
    virtual int rollback();
    virtual int executeAsync();
    virtual int cancel();
    virtual int waitAsync(int milliseconds);
    virtual int colCount();
    virtual int prmCount();
    virtual char* colName(int i);
    virtual int colType(int i);
    virtual int prmType(int i);
    virtual int colValue(int i, cVariablex& v);
    virtual int colData(int i, xcolData* out);
    virtual int nameRule(xnameRule* out);
    virtual int colTable(int i, char* out, int size);
    virtual int fetchAsText(int types);
    virtual int commitsEach();
    virtual char const* infoStr();
    virtual int setValue(cVariablex& v);
    virtual char* errorStr();
    virtual int executeMeta();
    virtual int bindCol(char const* name, int kind, int size, short colNo);
    virtual int colInfo(short colNo, short* kind, int* size);
    virtual int describeCol(short colNo, char* name, short nameSize, short* kind, int* size);

    using cXdbc::execute;
    using cXdbc::fetchNext;
    using cXdbc::colType;
    using cXdbc::colValue;

private:
    char diagText[256];          /* driver message captured when code 1 was raised */
    char diagState[6];           /* its SQLSTATE, "" when there was none */
    char infoText[256];          /* the driver's messages with the last execute's success */
    bool linked;                 /* SQLDriverConnect succeeded on hdbc */
    char lastKey[256];           /* whole key of the last delivered catalogue row */
    int colIndCount;             /* entries in colIndicators */
    int prmIndCount;             /* entries in prmIndicators */
    int textTypes;               /* fetchAsText's types for the next execute */
    short described;             /* SQL type of the column describeCol told last */
    bool ruleRead;               /* the name rule below was read from this connection */
    char ruleQuote;
    char ruleFold;
    char* ruleKeywords;          /* the driver's own keywords, owned */

    int fail(int code);
    int failDriver(SQLRETURN rc, int level = XDIAG_STMT);
    int failText(char const* text);
    bool online() const;
    int closeCursor();
    int bindResult(char const* name, int kind, int size, short colNo, bool asText);
    void freeIndicators(SQLLEN**& list, int& count);
    SQLLEN* addIndicator(SQLLEN**& list, int& count);
    void dropStatementState();
    int endTransaction(SQLUSMALLINT how);
    bool linkLost();
    void noteUndoneWork(int work);
    void keepInfo();
    void dropLink();
    int fetchMeta();
    bool cutCatalogueName();
    void widenCutTexts();
    int fetchFiltered();
    void rewriteCodes();
    void copyKey(char const* key);
    bool seqIsOne(int col);
    char* metaValue(int i);
    static DWORD WINAPI worker(LPVOID self);
};

/* The environment shared by every object of the library (null when it could not be made). */
extern SQLHENV henv;

/* ODBC SQL type code to column kind. */
int xkindOfSqlType(int sqlType);
/* Column kind to the value type code reported by colType/prmType. */
int xtypeOfKind(int kind);
/* Terminates each text column of a fetched row at its length or its buffer's end. */
void xterminateTexts(cBuflix& cols, SQLLEN** inds, int indCount);

#endif
