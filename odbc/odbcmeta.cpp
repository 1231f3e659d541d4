/* Catalogue queries: one ODBC catalogue call per kind, fixed result columns,
   row filters per index or foreign key, and rewritten number codes. */
#include "odbcx.h"

#include <string.h>
#include <string>

#include "strx.h"

/* A result column of a catalogue kind: its name, kind and the driver's column
   (for kinds 1 and 2 the buffer size instead). */
struct xmetaCol {
    char const* name;
    int kind;
    short driverCol;
};

static xmetaCol const colsTables[] = {
    {"CATALOG", XKIND_TEXT, 1}, {"SCHEMA", XKIND_TEXT, 2}, {"TABLE_NAME", XKIND_TEXT, 3}, {0, 0, 0}};
static xmetaCol const colsColumns[] = {
    {"COL_NAME", XKIND_TEXT, 4}, {"SQL_DTYPE", XKIND_TEXT, 6}, {"COL_SIZE", XKIND_NUMBER, 7},
    {"DEC_DIGITS", XKIND_NUMBER, 9}, {"NULLS", XKIND_NUMBER, 11}, {0, 0, 0}};
static xmetaCol const colsIndexes[] = {
    {"INDEX_NAME", XKIND_TEXT, 6}, {"INDEX_TYPE", XKIND_NUMBER, 7}, {"INDEX_UNIQUE", XKIND_NUMBER, 4},
    {"COL_NAME", XKIND_TEXT, 9}, {"COL_SEQ", XKIND_NUMBER, 8}, {"COL_ORDER", XKIND_TEXT, 10},
    {0, 0, 0}};
static xmetaCol const colsPrimary[] = {{"PK_NAME", XKIND_TEXT, 6}, {"COL_NAME", XKIND_TEXT, 4}, {0, 0, 0}};
static xmetaCol const colsForeign[] = {
    {"REF_TABLE_NAME", XKIND_TEXT, 3}, {"REF_COL_NAME", XKIND_TEXT, 4}, {"TABLE_NAME", XKIND_TEXT, 7},
    {"COL_NAME", XKIND_TEXT, 8}, {"DEL_RULE", XKIND_NUMBER, 11}, {"FK_NAME", XKIND_TEXT, 12},
    {"PK_NAME", XKIND_TEXT, 13}, {"KEY_SEQ", XKIND_NUMBER, 9}, {0, 0, 0}};
static xmetaCol const colsDrivers[] = {
    {"DRIVER_DESCRIPTION", XKIND_TEXT, 256}, {"DRIVER_ATTRS", XKIND_TEXT, 1025}, {0, 0, 0}};
static xmetaCol const colsSources[] = {{"DATA_SOURCE", XKIND_TEXT, 33}, {0, 0, 0}};

/* Size of the catalogue's string columns: room for the names data sources allow (128 and
   more); a shorter buffer would cut a name into another one. */
#define XMETA_TEXT 256

/* Index of the key column in kinds 7/8 ("INDEX_NAME") and 10/11 ("FK_NAME"). */
#define XMETA_INDEX_KEY 0
#define XMETA_FOREIGN_KEY 5
/* Index of the column sequence: "COL_SEQ" in kinds 7/8, "KEY_SEQ" in 10/11. */
#define XMETA_INDEX_SEQ 4
#define XMETA_FOREIGN_SEQ 7

static xmetaCol const* metaColumns(int kind)
{
    switch (kind) {
    case META_DRIVERS: return colsDrivers;
    case META_DATA_SOURCES: return colsSources;
    case META_SCHEMAS:
    case META_TABLES: return colsTables;
    case META_COLUMNS: return colsColumns;
    case META_INDEXES:
    case META_INDEX_COLUMNS: return colsIndexes;
    case META_PRIMARY_KEY: return colsPrimary;
    case META_FOREIGN_KEYS:
    case META_FOREIGN_KEY_COLUMNS: return colsForeign;
    }
    return 0;
}

/* Values the variadic execute takes per kind; -1 marks a number that is no kind. */
static short metaValuesTaken(int kind)
{
    static short const taken[12] = {-1, 0, 0, -1, 0, 1, 2, 2, 3, 2, 2, 3};
    return (kind >= 0 && kind < 12) ? taken[kind] : -1;
}

int cOdbcx::metaSelect(short kind)
{
    /* Numbers outside the table are refused before anything changes. */
    if (metaValuesTaken(kind) < 0)
        return fail(14);
    if (!finish())
        return 0;
    errorCode = 0;
    strfrdux(&sqlText, 0);
    prmExpected = metaValuesTaken(kind);
    state = XSTATE_PREPARED;
    metaKind = kind;
    return 1;
}

/* Argument i of the catalogue query: a non-empty string value, else null. */
char* cOdbcx::metaValue(int i)
{
    xbufEntry* e = prmBuffers.at(i);
    if (!e || e->kind != XKIND_TEXT)
        return 0;
    char* s = (char*)e->data;
    return s[0] ? s : 0;
}

static SQLSMALLINT ntsOrZero(char const* s)
{
    return s ? SQL_NTS : 0;
}

/* A name given where the driver reads a search pattern: "_", "%" and the escape itself get
   the driver's escape, so that the name matches only itself. Without an escape the name
   goes as it is. */
static std::string literalPattern(SQLHDBC hdbc, char const* name)
{
    std::string out = name ? name : "";
    char esc[8] = "";
    SQLSMALLINT len = 0;
    if (!name || SQLGetInfo(hdbc, SQL_SEARCH_PATTERN_ESCAPE, esc, sizeof esc, &len) == SQL_ERROR ||
        len != 1)
        return out;
    out.clear();
    for (char const* p = name; *p; p++) {
        if (*p == '_' || *p == '%' || *p == esc[0])
            out += esc[0];
        out += *p;
    }
    return out;
}

int cOdbcx::executeMeta()
{
    errorCode = 0;
    if (!henv)
        return fail(12);
    xmetaCol const* cols = metaColumns(metaKind);
    if (!cols)
        return fail(14);
    bool list = metaKind == META_DRIVERS || metaKind == META_DATA_SOURCES;
    if (!list && !online())
        return fail(2);
    SQLCHAR* schema = (SQLCHAR*)metaValue(0);
    SQLCHAR* table = (SQLCHAR*)metaValue(1);
    char* key = metaValue(2);
    if ((metaKind == META_INDEX_COLUMNS || metaKind == META_FOREIGN_KEY_COLUMNS) && key &&
        strlen(key) > XDB_FOCUSKEY_MAX)
        return fail(11);
    if (!list) {
        if (colBound || colIndCount)
            SQLFreeStmt(hstmt, SQL_UNBIND);
        freeIndicators(colIndicators, colIndCount);
        colBound = 0;
        if (!closeCursor())
            return 0;
    }

    SQLRETURN rc = SQL_SUCCESS;
    switch (metaKind) {
    case META_SCHEMAS:
        rc = SQLTables(hstmt, (SQLCHAR*)"", SQL_NTS, (SQLCHAR*)"%", SQL_NTS, (SQLCHAR*)"", SQL_NTS,
                       NULL, 0);
        break;
    case META_TABLES:
    case META_COLUMNS: {
        std::string s = literalPattern(hdbc, (char*)schema);
        std::string t = literalPattern(hdbc, (char*)table);
        SQLCHAR* sp = schema ? (SQLCHAR*)s.c_str() : NULL;
        SQLCHAR* tp = table ? (SQLCHAR*)t.c_str() : NULL;
        if (metaKind == META_TABLES)
            rc = SQLTables(hstmt, NULL, 0, sp, ntsOrZero((char*)schema), tp,
                           ntsOrZero((char*)table), (SQLCHAR*)"TABLE", SQL_NTS);
        else
            rc = SQLColumns(hstmt, NULL, 0, sp, ntsOrZero((char*)schema), tp,
                            ntsOrZero((char*)table), NULL, 0);
        break;
    }
    case META_INDEXES:
    case META_INDEX_COLUMNS:
        rc = SQLStatistics(hstmt, NULL, 0, schema, ntsOrZero((char*)schema), table,
                           ntsOrZero((char*)table), SQL_INDEX_ALL, SQL_QUICK);
        break;
    case META_PRIMARY_KEY:
        rc = SQLPrimaryKeys(hstmt, NULL, 0, schema, ntsOrZero((char*)schema), table,
                            ntsOrZero((char*)table));
        break;
    case META_FOREIGN_KEYS:
    case META_FOREIGN_KEY_COLUMNS:
        rc = SQLForeignKeys(hstmt, NULL, 0, schema, ntsOrZero((char*)schema), NULL, 0, NULL, 0,
                            schema, ntsOrZero((char*)schema), table, ntsOrZero((char*)table));
        break;
    }
    if (metaKind == META_INDEXES || metaKind == META_FOREIGN_KEYS) {
        focusKey[0] = 0;
        lastKey[0] = 0;
    } else if (metaKind == META_INDEX_COLUMNS || metaKind == META_FOREIGN_KEY_COLUMNS) {
        strcpy(focusKey, key ? key : "");
    }
    if (rc == SQL_ERROR)
        return failDriver(rc);
    state = XSTATE_EXECUTED;
    eofFlag = 0;
    rowCount = 0;

    colBuffers.clear();
    for (xmetaCol const* c = cols; c->name; c++) {
        if (list) {
            if (!colBuffers.add(c->name, c->kind, c->driverCol))
                return fail(14);
        } else if (!bindCol(c->name, c->kind, c->kind == XKIND_TEXT ? XMETA_TEXT : 8, c->driverCol)) {
            return 0;
        }
    }
    return 1;
}

/* The rows of kinds 1 and 2 come from the environment, one call per fetch. */
int cOdbcx::fetchMeta()
{
    if (metaKind == META_DRIVERS || metaKind == META_DATA_SOURCES) {
        SQLUSMALLINT dir = rowCount == 1 ? SQL_FETCH_FIRST : SQL_FETCH_NEXT;
        xbufEntry* first = colBuffers.at(0);
        char* text = (char*)first->data;
        SQLSMALLINT len = 0, attrLen = 0;
        SQLRETURN rc;
        if (metaKind == META_DRIVERS) {
            xbufEntry* attrs = colBuffers.at(1);
            char* attr = (char*)attrs->data;
            rc = SQLDrivers(henv, dir, (SQLCHAR*)text, (SQLSMALLINT)first->size, &len,
                            (SQLCHAR*)attr, (SQLSMALLINT)attrs->size, &attrLen);
            if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
                /* The attribute list is "key=value" pairs each ended by a zero byte:
                   deliver it as one text with ";" between the pairs. */
                int n = attrLen < 0 ? 0 : (attrLen < attrs->size ? attrLen : attrs->size - 1);
                while (n > 0 && attr[n - 1] == 0)
                    n--;
                for (int i = 0; i < n; i++)
                    if (attr[i] == 0)
                        attr[i] = ';';
                attr[n] = 0;
                if (attrLen == -1)
                    attr[0] = 0;
            }
        } else {
            // A name longer than the column would be offered cut, as another source or none:
            // such a source is left out.
            do {
                rc = SQLDataSources(henv, dir, (SQLCHAR*)text, (SQLSMALLINT)first->size, &len,
                                    NULL, 0, NULL);
                dir = SQL_FETCH_NEXT;
            } while ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && len >= first->size);
        }
        if (rc == SQL_NO_DATA)
            return 0;
        if (rc == SQL_ERROR)
            return failDriver(rc, XDIAG_ENV);
        text[first->size - 1] = 0;
        if (len == -1)
            text[0] = 0;
        return 1;
    }
    if (metaKind == META_INDEXES || metaKind == META_INDEX_COLUMNS ||
        metaKind == META_FOREIGN_KEYS || metaKind == META_FOREIGN_KEY_COLUMNS) {
        if (!fetchFiltered())
            return 0;
    }
    rewriteCodes();
    return 1;
}

/* Kinds 7 and 10 deliver the first row of each key, kinds 8 and 11 the rows of the
   key in focusKey (every row when it is empty). A NULL key reads as "". */
int cOdbcx::fetchFiltered()
{
    if (state != XSTATE_FETCHED)
        return fail(13);
    int keyCol = (metaKind == META_INDEXES || metaKind == META_INDEX_COLUMNS) ? XMETA_INDEX_KEY
                                                                              : XMETA_FOREIGN_KEY;
    bool distinct = metaKind == META_INDEXES || metaKind == META_FOREIGN_KEYS;
    for (;;) {
        xbufEntry* e = colBuffers.at(keyCol);
        if (!e)
            return fail(14);
        bool nullKey = keyCol < colIndCount && *colIndicators[keyCol] == SQL_NULL_DATA;
        char const* key = nullKey ? "" : (char const*)e->data;
        if (distinct) {
            /* The whole key is compared, so names longer than focusKey still
               separate; focusKey keeps as much of it as it holds. A driver that
               names no key (SQLite's foreign keys) starts each one at sequence 1;
               a NULL row without a sequence (table statistics) is no key. */
            if (nullKey ? seqIsOne(metaKind == META_INDEXES ? XMETA_INDEX_SEQ : XMETA_FOREIGN_SEQ)
                        : strcmp(key, lastKey) != 0) {
                copyKey(key);
                return 1;
            }
        } else if (!focusKey[0] || strcmp(key, focusKey) == 0) {
            return 1;
        }
        SQLRETURN rc = SQLFetch(hstmt);
        if (rc == SQL_ERROR)
            return failDriver(rc);
        if (rc == SQL_NO_DATA) {
            finish();
            return 0;
        }
        xterminateTexts(colBuffers, colIndicators, colIndCount);
    }
}

bool cOdbcx::seqIsOne(int col)
{
    xbufEntry* e = colBuffers.at(col);
    if (!e || e->kind != XKIND_NUMBER || col >= colIndCount || *colIndicators[col] == SQL_NULL_DATA)
        return false;
    return *(double*)e->data == 1.0;
}

void cOdbcx::copyKey(char const* key)
{
    size_t n = strlen(key);
    if (n >= sizeof(lastKey))
        n = sizeof(lastKey) - 1;
    memcpy(lastKey, key, n);
    lastKey[n] = 0;
    if (n > XDB_FOCUSKEY_MAX)
        n = XDB_FOCUSKEY_MAX;
    memcpy(focusKey, key, n);
    focusKey[n] = 0;
}

/* Driver codes become the library's small codes; NULL stays NULL. */
void cOdbcx::rewriteCodes()
{
    struct {
        int col;
        int rule;
    } todo[2];
    int n = 0;
    switch (metaKind) {
    case META_COLUMNS: todo[n].col = 4; todo[n++].rule = 0; break;
    case META_INDEXES:
    case META_INDEX_COLUMNS:
        todo[n].col = 2; todo[n++].rule = 1;
        todo[n].col = 1; todo[n++].rule = 2;
        break;
    case META_FOREIGN_KEYS:
    case META_FOREIGN_KEY_COLUMNS: todo[n].col = 4; todo[n++].rule = 3; break;
    }
    for (int i = 0; i < n; i++) {
        int c = todo[i].col;
        xbufEntry* e = colBuffers.at(c);
        if (!e || e->kind != XKIND_NUMBER)
            continue;
        if (c < colIndCount && *colIndicators[c] == SQL_NULL_DATA)
            continue;
        double* v = (double*)e->data;
        short s = (short)*v;
        switch (todo[i].rule) {
        case 0: *v = *v == 0 ? 0 : 1; break;                        /* NULLS */
        case 1: *v = *v == 0 ? 1 : 0; break;                        /* INDEX_UNIQUE */
        case 2: *v = s == 1 ? 2 : s == 2 ? 3 : 1; break;            /* INDEX_TYPE */
        case 3: *v = s == 0 ? 3 : (s == 2 || s == 4) ? 2 : 1; break; /* DEL_RULE */
        }
    }
}
