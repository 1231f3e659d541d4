/* Does a block cursor pay under Wine? The same SELECT through plain ODBC calls, the columns
   bound as cXdbc binds them, fetched with SQLFetch row by row and with SQLExtendedFetch in
   rowsets of several sizes (column-wise binding), in turns; then all of it again with every
   column bound as text, and once more prepared (SQLPrepare, SQLExecute) instead of run
   directly.
   usage: bench_odbc_rowset <dsn> <user> <password> <select> [runs] */
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../benchtime.h"

namespace {

struct Col {
    SQLSMALLINT cType;
    SQLLEN size;
    std::vector<char> data;
    std::vector<SQLLEN> ind;
};

/* Rows fetched (-1 on failure) and a checksum over what was read. */
long fetchAll(SQLHSTMT st, char const* sql, SQLUINTEGER rowset, bool text, bool prepared,
              double* check) {
    SQLFreeStmt(st, SQL_CLOSE);
    SQLFreeStmt(st, SQL_UNBIND);
    if (SQLSetStmtOption(st, SQL_ROWSET_SIZE, rowset ? rowset : 1) == SQL_ERROR)
        return -1;
    if (prepared) {
        if (SQLPrepare(st, (SQLCHAR*)sql, SQL_NTS) == SQL_ERROR || SQLExecute(st) == SQL_ERROR)
            return -1;
    } else if (SQLExecDirect(st, (SQLCHAR*)sql, SQL_NTS) == SQL_ERROR) {
        return -1;
    }
    SQLSMALLINT n = 0;
    SQLNumResultCols(st, &n);
    SQLUINTEGER block = rowset ? rowset : 1;
    std::vector<Col> cols(n);
    for (SQLSMALLINT c = 0; c < n; c++) {
        char name[80];
        SQLSMALLINT nameLen, type, scale, nullable;
        SQLULEN size;
        SQLDescribeCol(st, (SQLUSMALLINT)(c + 1), (SQLCHAR*)name, 80, &nameLen, &type, &size, &scale,
                       &nullable);
        Col& k = cols[c];
        if (text) {
            k.cType = SQL_C_CHAR;
            k.size = size >= 1 && size < 8192 ? (SQLLEN)size + 1 : 8192;
            if (k.size < 64)
                k.size = 64;
        } else if ((type >= 2 && type <= 8) || type == -5 || type == -6 || type == -7) {
            k.cType = SQL_C_DOUBLE;
            k.size = 8;
        } else if (type == 9 || type == 91) {
            k.cType = SQL_C_DATE;
            k.size = 6;
        } else if (type == 11 || type == 93) {
            k.cType = SQL_C_TIMESTAMP;
            k.size = 16;
        } else {
            k.cType = SQL_C_CHAR;
            k.size = size >= 1 && size < 8192 ? (SQLLEN)size + 1 : 8192;
        }
        k.data.resize(k.size * block);
        k.ind.resize(block);
        SQLBindCol(st, (SQLUSMALLINT)(c + 1), k.cType, k.data.data(), k.size, k.ind.data());
    }
    long rows = 0;
    *check = 0;
    std::vector<SQLUSMALLINT> status(block);
    for (;;) {
        SQLULEN got = 1;
        SQLRETURN rc = rowset ? SQLExtendedFetch(st, SQL_FETCH_NEXT, 0, &got, status.data())
                              : SQLFetch(st);
        if (rc == SQL_NO_DATA)
            break;
        if (rc == SQL_ERROR)
            return -1;
        for (SQLULEN r = 0; r < got; r++) {
            if (cols[0].ind[r] != SQL_NULL_DATA)
                *check += text ? atof(cols[0].data.data() + r * cols[0].size)
                               : *(double*)(cols[0].data.data() + r * 8);
            rows++;
        }
    }
    SQLFreeStmt(st, SQL_CLOSE);
    SQLFreeStmt(st, SQL_UNBIND);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: %s <dsn> <user> <password> <select> [runs]\n", argv[0]);
        return 2;
    }
    int runs = argc > 5 ? atoi(argv[5]) : 3;
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocEnv(&env);
    SQLAllocConnect(env, &dbc);
    char cs[1024];
    snprintf(cs, sizeof cs, "DSN=%s;UID=%s;PWD=%s;", argv[1], argv[2], argv[3]);
    if (SQLDriverConnect(dbc, 0, (SQLCHAR*)cs, SQL_NTS, 0, 0, 0, SQL_DRIVER_NOPROMPT) == SQL_ERROR) {
        fprintf(stderr, "cannot connect to %s\n", argv[1]);
        return 1;
    }
    SQLAllocStmt(dbc, &st);
    // Each rowset size with typed binding, then again with every column bound as text; the
    // last kind is typed SQLFetch on the prepared statement.
    SQLUINTEGER const rowsets[] = {0, 1, 16, 64, 256};
    int const nsizes = (int)(sizeof rowsets / sizeof rowsets[0]);
    int kinds = 2 * nsizes + 1;
    std::vector<SQLUINTEGER> sizes;
    for (int k = 0; k < kinds; k++)
        sizes.push_back(k < 2 * nsizes ? rowsets[k % nsizes] : 0);
    std::vector<std::vector<double>> ms(kinds);
    long rows = 0;
    for (int r = 0; r < runs; r++) {
        for (int k = 0; k < kinds; k++) {
            double check = 0, t0 = nowMs();
            long n = fetchAll(st, argv[4], sizes[k], k >= nsizes && k < 2 * nsizes, k == 2 * nsizes,
                              &check);
            double t = nowMs() - t0;
            if (n < 0) {
                printf("rowset %u failed\n", (unsigned)sizes[k]);
                continue;
            }
            rows = n;
            ms[k].push_back(t);
        }
    }
    for (int k = 0; k < kinds; k++) {
        double m = median(ms[k]);
        char const* as = k >= nsizes && k < 2 * nsizes ? "text " : "typed";
        if (k == 2 * nsizes)
            printf("%s SQLPrepare, SQLExecute, SQLFetch: %ld rows %.1f ms = %.0f rows/s\n", as,
                   rows, m, rows / m * 1000);
        else if (sizes[k] == 0)
            printf("%s SQLFetch:                    %ld rows %.1f ms = %.0f rows/s\n", as, rows, m,
                   rows / m * 1000);
        else
            printf("%s SQLExtendedFetch rowset %3u: %ld rows %.1f ms = %.0f rows/s\n", as,
                   (unsigned)sizes[k], rows, m, rows / m * 1000);
    }
    SQLFreeStmt(st, SQL_DROP);
    SQLDisconnect(dbc);
    SQLFreeConnect(dbc);
    SQLFreeEnv(env);
    return 0;
}
