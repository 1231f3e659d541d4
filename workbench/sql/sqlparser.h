/* Keyword-driven splitter of SELECT statements: select list into attribute records,
   FROM list and clause texts. Knows quotes, parentheses, comments, a few keywords and
   dotted names; everything else passes through as text. */
#ifndef LUMBRA_SQLPARSER_H
#define LUMBRA_SQLPARSER_H

#include <cstddef>
#include <string>
#include <vector>

class cStatementModel;
class cXdbc;

/* One item of the select list. Strings are heap copies (strdux); absent ones are null. */
struct cSqlAttr {
    char* atr;           // column name, or the whole expression text
    char* aliatr;        // alias given to it in the select list
    char* tbl;           // table (or table alias until the FROM list resolves it)
    char* alitbl;        // alias under which that table stands in the FROM list
    char* cre;           // the table's owner
    unsigned char expr;  // 1: a number, a quoted literal or an expression
    unsigned char star;  // 1: "*" or "t.*", covering an unknown number of result columns
};

/* One table of the FROM list as written; absent parts are empty. */
struct cSqlFrom {
    std::string cre, tbl, alias;
};

/* Result of one parse; released when the object is destroyed or parsed again. */
class cSqlParsex {
public:
    int attrCount;      // attributes in select-list order
    cSqlAttr* attrs;    // growable array of attrCount records
    int attrAlloc;      // records allocated
    char* curTable;     // table of the FROM item being read
    char* curCreator;   // its owner, null without one
    char* fromText;     // FROM list as written, without the keyword
    std::vector<cSqlFrom> froms;  // its tables, in order (not those of joins' subqueries)
    char* whereText;    // clause bodies: " token token ...", null when absent
    char* havingText;
    char* groupByText;
    char* orderByText;
    char* prefixText;   // "distinct" or "all" before the select list, null when none
    char* listText;     // select list as written, between the keywords
    char* tailText;     // LIMIT / OFFSET / FETCH / FOR ... to the end, as written; null when none
    bool lossy;         // a select item held words the attribute records cannot keep

    cSqlParsex();
    ~cSqlParsex();

    /* Takes sql apart into this object; false when it is not a SELECT with a FROM list. */
    bool analyse(char const* sql);
    /* Gives the result to the model: column entries (typed from xdbc's open result
       when given) and the clauses. */
    void handOver(cStatementModel* model, cXdbc* xdbc);
    /* One line per attribute on the standard output. */
    void trace();
    /* parse() traces every statement while this is set (off unless asked for). */
    static bool tracing;
    /* Frees the result; the object can analyse again. */
    void release();

    /* analyse, handOver, trace (with tracing), release. xdbc may be null. A select list
       that cannot be rebuilt from its records (an item such as "a between 1 and 5 as b")
       is kept as written, its columns taken from xdbc's result; without one, false and
       the model unchanged. */
    static bool parse(char const* sql, cStatementModel* model, cXdbc* xdbc);

    /* Next token at *p as a heap string (freex): blanks and comments are skipped, the
       token ends at a blank or comma outside quotes and parentheses, or at the end.
       *p is left on the character that ended it (a comma is not consumed). */
    static char* nextToken(char** p);

    cSqlParsex(cSqlParsex const&) = delete;
    cSqlParsex& operator=(cSqlParsex const&) = delete;

private:
    int caseDepth;  // open CASE ... END of the select item being read

    cSqlAttr* newAttr();
    void startAttr(char const* token);
    bool continueAttr(char const* token);
    void tableAlias(char const* alias);
};

/* Lexical helpers shared with the statement model. */

/* Skips blanks (space, tab, CR, LF) and SQL comments. */
char const* sqlx_skipBlanks(char const* p);
/* Where word first occurs in text at or after offset from, outside quotes and comments;
   SQLX_NONE when nowhere. SQLX_NOCASE: word is lower case and the text's letter case does
   not matter; SQLX_TOP: outside parentheses too; SQLX_WORD: not part of a longer name. */
enum { SQLX_NOCASE = 1, SQLX_TOP = 2, SQLX_WORD = 4 };
size_t const SQLX_NONE = (size_t)-1;
size_t sqlx_find(char const* text, size_t from, char const* word, unsigned how);
/* True when word (lower case letters) stands in text as a whole word outside quotes,
   comments and parentheses, in any letter case. */
bool sqlx_topWord(char const* text, char const* word);
/* True when text holds an aggregate call: count( sum( min( max( avg( (also with one
   blank before the parenthesis), in any letter case. */
bool sqlx_isAggregate(char const* text);

#endif
