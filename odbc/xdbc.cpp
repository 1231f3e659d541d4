/* cXdbc base members and the exported factory. */
#include <stdarg.h>
#include <string.h>
#include <new>

#include "odbcx.h"
#include "strx.h"

cXdbc::cXdbc()
    : errorCode(0), errorText(strdux(0)), rowCount(0), sqlText(strdux(0)), dsnText(strdux(0)),
      userText(strdux(0)), pswdText(strdux(0)), prmExpected(0), flags(0), eofFlag(1)
{
}

cXdbc::~cXdbc()
{
    strfrx(&errorText);
    strfrx(&sqlText);
    strfrx(&dsnText);
    strfrx(&userText);
    strfrx(&pswdText);
}

int cXdbc::setFlags(int mask, short mode)
{
    if (mode == 1)
        flags |= mask;
    else if (mode == 2)
        flags &= mask ^ 0xFF;
    else
        flags = mask;
    return 1;
}

/* Question marks outside quoted text. A quote opens a stretch unless a backslash
   precedes it, and only the same quote character closes it. */
static short countPlaceholders(char const* sql)
{
    short n = 0;
    char quote = 0;
    char prev = 0;
    for (char const* p = sql; p && *p; prev = *p, p++) {
        char c = *p;
        if ((c == '\'' || c == '"') && prev != '\\') {
            if (!quote)
                quote = c;
            else if (quote == c)
                quote = 0;
        } else if (c == '?' && !quote) {
            n++;
        }
    }
    return n;
}

int cXdbc::prepare(char const* sql)
{
    strfrdux(&sqlText, (void*)sql);
    prmExpected = countPlaceholders(sql);
    return 1;
}

char* cXdbc::errorStr()
{
    return errorText;
}

int cXdbc::execute(cVariablex* v, ...)
{
    va_list ap;
    va_start(ap, v);
    /* The next argument is read only while more values are wanted. */
    cVariablex* arg = prmExpected > 0 ? v : 0;
    for (int taken = 0; arg;) {
        setValue(*arg);
        if (++taken >= prmExpected)
            break;
        arg = va_arg(ap, cVariablex*);
    }
    va_end(ap);
    return execute();
}

int cXdbc::fetchNext(cVariablex* v, ...)
{
    if (!fetchNext())
        return 0;
    va_list ap;
    va_start(ap, v);
    int n = colCount();
    cVariablex* arg = n > 0 ? v : 0;
    for (int i = 0; arg;) {
        colValue(i, *arg);
        if (++i >= n)
            break;
        arg = va_arg(ap, cVariablex*);
    }
    va_end(ap);
    return 1;
}

int cXdbc::colData(int, xcolData*)
{
    return 0;
}

int cXdbc::nameRule(xnameRule* out)
{
    if (out) {
        out->quote = '"';
        out->fold = 'Q';
        out->keywords = "";
    }
    return 0;
}

int cXdbc::colTable(int, char* out, int size)
{
    if (out && size > 0)
        out[0] = 0;
    return 0;
}

int cXdbc::fetchAsText(int)
{
    return 0;
}

int cXdbc::commitsEach()
{
    return 0;
}

char const* cXdbc::infoStr()
{
    return "";
}

int cXdbc::eof()
{
    return eofFlag;
}

int cXdbc::colType(char* name)
{
    int n = colCount();
    for (int i = 0; i < n; i++)
        if (stricmpx(colName(i), name) == 0)
            return colType(i);
    return 0;
}

int cXdbc::colValue(char* name, cVariablex& v)
{
    int n = colCount();
    for (int i = 0; i < n; i++)
        if (stricmpx(colName(i), name) == 0)
            return colValue(i, v);
    return 0;
}

int cXdbc::error()
{
    return errorCode;
}

int cXdbc::isConnected()
{
    return dsnText[0] != 0;
}

int cXdbc::isConnectedTo(char* dsn, char* user, char* pswd)
{
    if (!isConnected() || !dsn || !user || !pswd)
        return 0;
    return strcmp(dsnText, dsn) == 0 && strcmp(userText, user) == 0 && strcmp(pswdText, pswd) == 0;
}

char* cXdbc::dsn()
{
    return dsnText;
}

char* cXdbc::user()
{
    return userText;
}

char* cXdbc::pswd()
{
    return pswdText;
}

cXdbc* xdb_init()
{
    /* cObjext's allocator may return null; construct only into a real block. */
    void* mem = cObjext::operator new(sizeof(cOdbcx));
    if (!mem)
        return 0;
    return ::new (mem) cOdbcx();
}

cXdbc* xdb_init(char* dsn, char* user, char* pswd)
{
    cXdbc* p = xdb_init();
    if (p && !p->connect(dsn, user, pswd, 0))
        xdb_free(p);
    return p;
}

int xdb_free(cXdbc*& p)
{
    if (p)
        delete p;
    p = 0;
    return 1;
}
