/* cStatementModel: the SELECT behind a result grid, taken apart into column descriptors
   and clauses, and rebuilt with the grid's filters and sort order. */
#ifndef LUMBRA_STMTMODEL_H
#define LUMBRA_STMTMODEL_H

class cXdbc;

/* Descriptor flag bits. */
#define STMCOL_BLUE 0x01       // text colour 0xff0000 in the grid
#define STMCOL_HIDDEN 0x08     // no grid column and no result column
#define STMCOL_AGGREGATE 0x20  // conditions on this column go to HAVING

/* Filter operators of the grid's filter row (the filter-menu command ids). */
#define QBE_LIKE_START 201  // like 'v%'
#define QBE_LIKE_ANY 202    // like '%v%'
#define QBE_LIKE_END 203    // like '%v'
#define QBE_EQ 204
#define QBE_NE 205
#define QBE_LT 206
#define QBE_GT 207
#define QBE_LE 208
#define QBE_GE 209
#define QBE_NULL 212
#define QBE_NOTNULL 213

/* Longest condition text of the query-by-example editor. */
#define STMCOND_MAX 100

/* One column of the select list. Strings are heap strings, never null. */
struct cStmtColumn {
    short id;                // grid column id
    short pos;               // position in the result set
    char* cre;               // table owner
    char* tbl;               // table
    char* alitbl;            // table alias in the FROM list
    char* atr;               // column name or expression
    char* aliatr;            // alias in the select list
    char* title;             // grid column title
    char* selText;           // text of the column in the select list
    short type;              // value type (1 number, 2 string, 4 date, 8 long); 0 until known
    short widthCode;         // grid width code
    short dispFlags;         // display flags
    unsigned short flags;    // STMCOL_ bits
    char* format;            // number or date picture, may be empty
    short condOp;            // condition operator of the query-by-example editor, 0..14
    char* condText;          // its value, at most STMCOND_MAX characters
};

/* Filter state of one grid column, as the filter row holds it. */
struct cQbeFilter {
    short colid;       // grid column id (matched against cStmtColumn::id)
    short type;        // grid column type: 1 number, else quoted
    short op;          // QBE_ operator
    bool negate;       // the filter's NOT
    char const* text;  // typed filter text, may be null
};

class cStatementModel {
public:
    short mode;          // 1 for grid models
    char* title;         // "" or "GROUP BY"
    char* dsn;           // connection the SQL belongs to
    char* user;
    char* pswd;
    char* groupBy;       // clause bodies without keywords
    char* orderBy;
    char* where;         // WHERE and HAVING as written
    char* having;
    char* from;          // FROM list
    bool fromGiven;      // set whenever from is assigned
    char* filterWhere;   // conditions made from filters
    char* filterHaving;
    char* fullWhere;     // combined clauses of the last regeneration
    char* fullHaving;
    char* sql;           // the SQL text the grid runs
    bool selectStar;     // the select list was "*"
    bool hasUnion;       // sql combines several SELECTs: not rebuilt through SQL
    char* selectPrefix;  // "distinct" or "all" before the select list, or ""
    char* selectList;    // select list kept as written ("" = build it from the columns)
    char* tail;          // LIMIT / OFFSET / FETCH / FOR ... kept at the end, or ""
    cStmtColumn* columns;
    short columnCount;
    short columnAlloc;   // grown 100 entries at a time

    cStatementModel(short mode, char const* title, char const* dsn, char const* user,
                    char const* pswd);
    ~cStatementModel();

    /* Appends a descriptor; id 0 and position 0 mean the current count, a null or empty
       display name means aliatr, else selText. Returns its index, -1 when full. */
    short addColumn(short id, short position, char const* cre, char const* tbl,
                    char const* alitbl, char const* atr, char const* aliatr,
                    char const* displayName, short type, short dispFlags, short widthCode,
                    char const* format, unsigned short flags);
    void clearColumns();
    /* Descriptor by index, null when out of range. */
    cStmtColumn* column(int index);
    /* Index of the descriptor with that id, -1 when none. */
    short indexOfColumn(short id);

    void setSql(char const* text);  // also decides hasUnion
    void setFrom(char const* text);  // also sets fromGiven
    void setWhere(char const* text);  // also fullWhere while that is empty
    void setHaving(char const* text);  // also fullHaving while that is empty
    void setGroupBy(char const* text);
    void setOrderBy(char const* text);
    void setSelectStar(bool on);
    void setSelectPrefix(char const* text);
    void setSelectList(char const* text);
    void setTail(char const* text);

    /* Runs the parser on sql against the open result of cursor (may be null). */
    bool parse(cXdbc* cursor);
    /* Rebuilds from (unless given), fullWhere, fullHaving and sql. */
    void regenerate();

    /* ORDER BY from a column index: direction 0 or a bad index clears it; 2 descending. */
    void setOrderByColumn(int index, short direction);
    /* The grid's filter row as filterWhere / filterHaving. */
    void takeFilters(cQbeFilter const* filters, int count);
    /* The grid's sort (direction 0 none, 1 ascending, 2 descending) as ORDER BY. */
    void takeSort(short colid, short direction);
    /* Condition of the query-by-example editor for one descriptor. */
    void setCondition(int index, short op, char const* text);
    /* The descriptors' conditions as filterWhere / filterHaving. */
    void takeConditions();

    /* True when sql holds "union select" anywhere, or UNION, INTERSECT or EXCEPT
       outside quotes and parentheses. */
    static bool isUnion(char const* sql);
    /* True when conditions on the descriptor belong to an aggregate. */
    bool isAggregateColumn(int index);
    /* 1-based position of the descriptor in the select list (hidden ones skipped). */
    int selectPosition(int index);

    cStatementModel(cStatementModel const&) = delete;
    cStatementModel& operator=(cStatementModel const&) = delete;
};

#endif
