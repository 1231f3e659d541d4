/* Output formats of the exports: one table of row formats (row start, separator, row end,
   empty text, quoting rule) per user, and one routine that formats rows by it.

   Usage:
     outfmtLayout const* f = outfmt_get(OUTFMT_GRID, OUTFMT_CSV);   // 0: no such format
     cOutRow row;
     row.init(f, ';', "T");            // separator (format 1 only), table name (format 4)
     row.page(f->head);                // HTML only: head, then the title row:
     row.titleStart(); row.title("a"); row.titleEnd();
     row.start();                      // each row: start, fields, end
     row.field(text, len, OUTT_STRING, width);   // width: fixed-length padding, else 0
     row.end();
     fwrite(row.data(), 1, row.length(), fp); row.clear();     // or keep appending
     row.page(f->foot);
   Every append returns false when memory ran out; the buffer then keeps what it had.
   The buffer grows only when a row needs more room, so a loop over cells does not
   allocate once the first rows have been written. */
#ifndef VORCORE_OUTFMT_H
#define VORCORE_OUTFMT_H

#include "vorcore.h"

/* Format codes. */
#define OUTFMT_CSV 1     // separated values
#define OUTFMT_FIXED 2   // fixed-length columns
#define OUTFMT_HTML 3    // HTML table
#define OUTFMT_INSERT 4  // SQL insert statements

/* Users of the table: the grid's export and the result-set export. */
#define OUTFMT_GRID 0
#define OUTFMT_RESULTSET 1

/* Value type bits, as the value classes and the data access report them; OUTT_OTHER
   stands for every other type code (0 included). */
#define OUTT_NUMBER 0x1
#define OUTT_STRING 0x2
#define OUTT_DATE 0x4
#define OUTT_LONG 0x8
#define OUTT_OTHER 0x100

/* Escaping rules. */
#define OUTQ_NONE 0
#define OUTQ_CSV 1   // every " doubled
#define OUTQ_SQL 2   // every ' doubled
#define OUTQ_HTML 3  // & < > " as entities

/* One format of one user. */
struct outfmtLayout {
    short format;              // OUTFMT_ code
    char const* rowStart;      // before the first field
    char const* rowStartTail;  // after the table name, 0: no table name in the row start
    char const* sep;           // between fields; 0: the caller's separator character
    char const* rowEnd;        // after the last field, line end included
    char const* emptyText;     // an empty text is written as this
    char encl;                 // enclosing quote, 0 none
    long enclTypes;            // OUTT_ bits: non-empty texts of these types are enclosed
    short escape;              // OUTQ_ rule
    long escTypes;             // OUTT_ bits: texts of these types are escaped
    bool pad;                  // fields padded with spaces to the column width
    char const* head;          // page head, 0 none
    char const* titleStart;    // title row: start, 0 when the format has no title row
    char const* titleCell;     // before each title
    char const* titleCellEnd;  // after each title
    char const* titleEnd;      // end of the title row
    char const* foot;          // page foot, 0 none
};

/* The format of a user (OUTFMT_GRID, OUTFMT_RESULTSET); 0 when it has none. */
VORCORE_API outfmtLayout const* outfmt_get(short user, short format);
/* True when type code t is among the OUTT_ bits of mask. */
VORCORE_API bool outfmt_typeIn(long mask, int t);
/* True when t (n bytes) is a number as SQL writes one:
   [+-] digits [. digits] [e [+-] digits], with at least one digit before the exponent. */
VORCORE_API bool outfmt_isNumber(char const* t, int n);
/* v as a statement writes it whole: the shortest of "%.15g" and "%.17g" that reads back
   as v. Returns buf. */
VORCORE_API char* outfmt_exactNumber(double v, char* buf, int size);
/* A number typed with a decimal comma ("-1,5"), as many locales write it, made the form SQL
   and the value classes read: its one comma becomes a point, in place. True when s is
   then a number; any other text is left as it is. */
VORCORE_API bool outfmt_decimalPoint(char* s);
/* True when s can stand as one table name in INSERT statements as it is typed: identifier
   characters and dots, with "quoted", [bracketed] or `quoted` parts that may hold spaces;
   no blanks between words, no ' or ;, no control characters. */
VORCORE_API bool outfmt_tableNameOk(char const* s);
/* Picture of a date value in an INSERT statement, by its date type (0 timestamp, 1 date,
   2 time): the ISO form every data source reads alike, whatever picture the user shows. */
VORCORE_API char* outfmt_sqlTimePicture(short datexType);

/* Escaping, one function per rule: writes s (n bytes) escaped into dst and returns the
   bytes written; with dst 0 only counts them. No terminating zero is written. */
VORCORE_API int outq_csv(char* dst, char const* s, int n);
VORCORE_API int outq_sql(char* dst, char const* s, int n);
VORCORE_API int outq_html(char* dst, char const* s, int n);
/* By rule code; OUTQ_NONE copies. */
VORCORE_API int outq_rule(short rule, char* dst, char const* s, int n);

/* A growing text buffer that formats rows by a layout. */
class VORCORE_API cOutRow {
public:
    cOutRow();
    ~cOutRow();

    /* Format, separator of a format without its own, table name of the row start. */
    void init(outfmtLayout const* layout, char sep, char const* tablename);
    /* Room for at least n bytes in all; false when memory ran out. */
    bool reserve(int n);

    bool start();
    /* One field: text t of n bytes (n < 0: up to its zero) of type code typex. */
    bool field(char const* t, int n, int typex, long width);
    /* A field written exactly as t, neither enclosed nor escaped. */
    bool raw(char const* t);
    bool end();
    /* Page pieces and title row (escaped like cell texts). */
    bool page(char const* text);
    bool titleStart();
    bool title(char const* t);
    bool titleEnd();
    /* Raw bytes. */
    bool put(char const* s, int n);

    char const* data() const { return buf ? buf : ""; }
    int length() const { return len; }
    void clear() { len = 0; fields = 0; }

private:
    outfmtLayout const* layout;
    char sepText[2];   // the caller's separator as text
    char* table;        // row start's table name, owned copy
    char* buf;          // the text, core allocator, not zero-terminated
    int len, cap;
    int fields;  // fields written in the current row
    cOutRow(cOutRow const&);
    cOutRow& operator=(cOutRow const&);
};

#endif
