/* cResultGrid: a grid that loads the rows of a SELECT and keeps the statement behind them,
   so that its filters and sort order can be run against the data source again. */
#ifndef LUMBRA_RESULTGRID_H
#define LUMBRA_RESULTGRID_H

#include <string>

#include "rerovar.h"

class cStatementModel;
class cXdbc;

/* Milliseconds spent in the steps of the last load (for measuring). */
struct cLoadTimes {
    double execute;  // prepare, execute and parse
    double clear;    // old rows and columns dropped, new columns made
    double fetch;    // rows fetched and stored
    double formats;  // number formats chosen
    double widths;   // column widths fitted
    double total;    // the whole load
};

class cResultGrid : public cRerovar {
public:
    cStatementModel* model;  // the SELECT shown, owned; 0 before the first one
    cXdbc* db;               // connection that runs the model
    bool ownsDb;             // db was made by this grid
    int rowLimit;            // most rows one SELECT loads
    int cutValues;           // texts the last load holds cut at the driver's length limit
    int lostDates;           // dates of the last load outside the years 1 to 9999: shown empty
    short blobChars;         // characters of long data shown; 0 shows "BLOB"
    bool hasUnion;           // the last SQL holds "union select": no rebuilt SQL
    bool errorBoxes;         // failures also raise a "SQL Error" box
    bool rawModel;           // columns came from the result only: the SQL is run as written
    std::string fetchError;  // driver message when the last load's fetch ended on an error
    bool stopped;            // the user stopped the last load's fetch: more rows may exist
    cLoadTimes loadTimes;    // steps of the last loadSelect

    cResultGrid();
    ~cResultGrid() override;

    /* Lends a connection (0 for none); frees an owned one, empties the grid. */
    void setConnection(cXdbc* connection);
    void setMaxRows(int n) { rowLimit = n; }
    /* Runs sql (or, with 0, the model again) and loads its rows. A fetch that ends on an
       error keeps the rows so far, sets fetchError and fails. */
    bool loadSelect(char const* sql, bool keepColumns);
    /* The model again, rows replaced; false without a live connection. */
    bool rerun(bool keepColumns);
    char const* lastError();
    /* The last load ended on a fetch error: its rows are incomplete. */
    bool partial() const { return !fetchError.empty(); }
    char const* modelSql();
    /* SQL of the whole statement as rebuilt from filters and sort order, or, with
       selectedOnly, of the selected columns; "" when there is nothing to show. */
    std::string expression(bool selectedOnly);

    bool keyHook(int key, bool ctrl, bool shift) override;

protected:
    void do_QBE() override;
    void after_sort() override;

private:
    void dropModel();
    void sqlErrorBox(char const* text);
    bool columnsFromResult();
    /* The open result has the columns the grid shows: as many, and of the same names
       where the names came from a result. */
    bool resultFitsColumns();
    bool addGridColumns();
    bool fetchRows();
    void chooseNumberFormats();
    void widenToFirstDate(short colid);
    void widenToNumbers(short colid);
};

#endif
