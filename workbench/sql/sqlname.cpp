/* Quoting names by the data source's rule. */
#include "sqlname.h"

#include <cstring>

namespace {

/* The ODBC reserved keywords. */
char const odbcKeywords[] =
    "ABSOLUTE,ACTION,ADA,ADD,ALL,ALLOCATE,ALTER,AND,ANY,ARE,AS,ASC,ASSERTION,AT,AUTHORIZATION,"
    "AVG,BEGIN,BETWEEN,BIT,BIT_LENGTH,BOTH,BY,CASCADE,CASCADED,CASE,CAST,CATALOG,CHAR,"
    "CHAR_LENGTH,CHARACTER,CHARACTER_LENGTH,CHECK,CLOSE,COALESCE,COLLATE,COLLATION,COLUMN,"
    "COMMIT,CONNECT,CONNECTION,CONSTRAINT,CONSTRAINTS,CONTINUE,CONVERT,CORRESPONDING,COUNT,"
    "CREATE,CROSS,CURRENT,CURRENT_DATE,CURRENT_TIME,CURRENT_TIMESTAMP,CURRENT_USER,CURSOR,"
    "DATE,DAY,DEALLOCATE,DEC,DECIMAL,DECLARE,DEFAULT,DEFERRABLE,DEFERRED,DELETE,DESC,DESCRIBE,"
    "DESCRIPTOR,DIAGNOSTICS,DISCONNECT,DISTINCT,DOMAIN,DOUBLE,DROP,ELSE,END,END-EXEC,ESCAPE,"
    "EXCEPT,EXCEPTION,EXEC,EXECUTE,EXISTS,EXTERNAL,EXTRACT,FALSE,FETCH,FIRST,FLOAT,FOR,"
    "FOREIGN,FORTRAN,FOUND,FROM,FULL,GET,GLOBAL,GO,GOTO,GRANT,GROUP,HAVING,HOUR,IDENTITY,"
    "IMMEDIATE,IN,INCLUDE,INDEX,INDICATOR,INITIALLY,INNER,INPUT,INSENSITIVE,INSERT,INT,"
    "INTEGER,INTERSECT,INTERVAL,INTO,IS,ISOLATION,JOIN,KEY,LANGUAGE,LAST,LEADING,LEFT,LEVEL,"
    "LIKE,LOCAL,LOWER,MATCH,MAX,MIN,MINUTE,MODULE,MONTH,NAMES,NATIONAL,NATURAL,NCHAR,NEXT,NO,"
    "NONE,NOT,NULL,NULLIF,NUMERIC,OCTET_LENGTH,OF,ON,ONLY,OPEN,OPTION,OR,ORDER,OUTER,OUTPUT,"
    "OVERLAPS,PAD,PARTIAL,PASCAL,PLI,POSITION,PRECISION,PREPARE,PRESERVE,PRIMARY,PRIOR,"
    "PRIVILEGES,PROCEDURE,PUBLIC,READ,REAL,REFERENCES,RELATIVE,RESTRICT,REVOKE,RIGHT,"
    "ROLLBACK,ROWS,SCHEMA,SCROLL,SECOND,SECTION,SELECT,SESSION,SESSION_USER,SET,SIZE,"
    "SMALLINT,SOME,SPACE,SQL,SQLCA,SQLCODE,SQLERROR,SQLSTATE,SQLWARNING,SUBSTRING,SUM,"
    "SYSTEM_USER,TABLE,TEMPORARY,THEN,TIME,TIMESTAMP,TIMEZONE_HOUR,TIMEZONE_MINUTE,TO,"
    "TRAILING,TRANSACTION,TRANSLATE,TRANSLATION,TRIM,TRUE,UNION,UNIQUE,UNKNOWN,UPDATE,UPPER,"
    "USAGE,USER,USING,VALUE,VALUES,VARCHAR,VARYING,VIEW,WHEN,WHENEVER,WHERE,WITH,WORK,WRITE,"
    "YEAR,ZONE";

/* Words that common data sources reserve, or read as a function, beyond the ODBC list and
   what their drivers report: the SQL standard's reserved words, PostgreSQL's and SQLite's.
   Quoting a name needlessly is harmless; leaving one of these bare is not. */
char const otherKeywords[] =
    "ABORT,AFTER,ALWAYS,ANALYSE,ANALYZE,ARRAY,ASYMMETRIC,ATOMIC,ATTACH,AUTOINCREMENT,BEFORE,"
    "BIGINT,BINARY,BLOB,BOOLEAN,CALL,CALLED,CLOB,CONCURRENTLY,CONFLICT,CUBE,CURRENT_CATALOG,"
    "CURRENT_PATH,CURRENT_ROLE,CURRENT_SCHEMA,CYCLE,DATABASE,DETACH,DO,DYNAMIC,EACH,ELEMENT,"
    "EXCLUDE,EXCLUSIVE,EXPLAIN,FAIL,FILTER,FOLLOWING,FREE,FREEZE,FUNCTION,GENERATED,GLOB,"
    "GREATEST,GROUPING,GROUPS,HOLD,IF,IGNORE,ILIKE,INDEXED,INOUT,INSTEAD,ISNULL,LARGE,LATERAL,"
    "LEAST,LIMIT,LOCALTIME,LOCALTIMESTAMP,MATERIALIZED,MERGE,METHOD,MODIFIES,MULTISET,NCLOB,"
    "NEW,NORMALIZE,NOTHING,NOTNULL,NULLS,OFFSET,OLD,OTHERS,OUT,OVER,OVERLAY,PARAMETER,"
    "PARTITION,PLACING,PLAN,PRAGMA,PRECEDING,QUERY,RAISE,RANGE,RECURSIVE,REF,REFERENCING,"
    "REGEXP,REINDEX,RELEASE,RENAME,REPLACE,RESULT,RETURN,RETURNING,RETURNS,ROLLUP,ROW,"
    "SAVEPOINT,SCOPE,SEARCH,SENSITIVE,SETOF,SIMILAR,SPECIFIC,START,STATIC,SYMMETRIC,SYSTEM,"
    "TABLESAMPLE,TEMP,TIES,TREAT,TRIGGER,UESCAPE,UNBOUNDED,UNNEST,VACUUM,VARIADIC,VERBOSE,"
    "VIRTUAL,WINDOW,WITHIN,WITHOUT,XMLATTRIBUTES,XMLCONCAT,XMLELEMENT,XMLEXISTS,XMLFOREST,"
    "XMLNAMESPACES,XMLPARSE,XMLPI,XMLROOT,XMLSERIALIZE,XMLTABLE";

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

/* name is one of the comma-separated words of list, ignoring ASCII case and blanks. */
bool listed(char const* name, size_t n, char const* list) {
    for (char const* p = list; p && *p;) {
        while (*p == ' ' || *p == ',')
            p++;
        char const* e = p;
        while (*e && *e != ',')
            e++;
        char const* t = e;
        while (t > p && t[-1] == ' ')
            t--;
        if ((size_t)(t - p) == n) {
            size_t i = 0;
            while (i < n && upper(p[i]) == upper(name[i]))
                i++;
            if (i == n)
                return true;
        }
        p = e;
    }
    return false;
}

bool plain(char const* name, xnameRule const& rule) {
    if (rule.fold == 'Q')
        return false;
    size_t n = strlen(name);
    if (n == 0 || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (size_t i = 0; i < n; i++) {
        char c = name[i];
        bool lower = c >= 'a' && c <= 'z', up = c >= 'A' && c <= 'Z';
        if (!lower && !up && c != '_' && !(c >= '0' && c <= '9'))
            return false;
        if ((rule.fold == 'U' && lower) || (rule.fold == 'L' && up))
            return false;
    }
    return !listed(name, n, odbcKeywords) && !listed(name, n, otherKeywords) &&
           !listed(name, n, rule.keywords);
}

}  // namespace

std::string sqlName(char const* name, xnameRule const& rule) {
    if (!name)
        name = "";
    if (plain(name, rule))
        return name;
    char q = rule.quote;
    if (q == ' ' || q == 0)
        return "";
    std::string s(1, q);
    for (char const* p = name; *p; p++) {
        s += *p;
        if (*p == q)
            s += q;
    }
    s += q;
    return s;
}

xnameRule sqlNameRule(cXdbc* db) {
    xnameRule rule = {'"', 'Q', ""};
    if (db)
        db->nameRule(&rule);
    return rule;
}
