/* cDynataxwin: the query-by-example window -- a free-standing result grid over its own
   statement model, with a toolbar that sets one condition per column, runs the model
   again, shows its SQL and opens a further GROUP BY window. The window deletes its
   object when it is destroyed. */
#ifndef LUMBRA_DYNATAXWIN_H
#define LUMBRA_DYNATAXWIN_H

#include <windows.h>

#include <string>

#include "values.h"

class cResultGrid;
class cStatementModel;
class cXdbc;

/* Control ids of the toolbar. */
#define DTXW_COLUMNS 201
#define DTXW_OPERATORS 202
#define DTXW_VALUE 203
#define DTXW_RUN 204
#define DTXW_CLEAR 205
#define DTXW_SHOW 206
#define DTXW_GROUP 207
#define DTXW_GRID 7
#define DTXW_TOOLBAR_HEIGHT 25
#define DTXW_ROW_LIMIT 1000

class cDynataxwin : public cObjext {
public:
    HWND hwnd;
    HINSTANCE inst;
    HWND parent;             // owner of the window (the main window)
    cXdbc* db;               // connection lent by a query slot
    cStatementModel* model;  // owned through the grid
    char* title;             // title without the row count
    bool hasToolbar;
    cResultGrid* grid;       // owned by its window
    HWND columnList;         // combo box 201: the descriptors' select-list texts
    HWND operatorList;       // combo box 202: operator labels, item data = code
    HWND valueField;         // edit 203
    HWND buttons[4];         // Run, Clear, Show, Group (0 when not shown)
    bool settingValue;       // the value field is being changed by the program
    std::string source;      // "source/user" the window's rows came from; "" before any

    /* Creates and shows the window; it takes the model. x, y -1 centre it, -2 cascade it.
       hwnd stays 0 when the window cannot be made (the model is freed then). */
    cDynataxwin(HINSTANCE instance, HWND parent, cXdbc* db, cStatementModel* model,
                char const* title, bool hasToolbar, int x, int y, int width, int height);
    /* Only for an object whose window was never made; a window deletes its own object. */
    ~cDynataxwin();

    /* The object of a query-by-example window, 0 for any other window. */
    static cDynataxwin* fromHwnd(HWND w);
    /* Number of open windows, and the shared font and button bitmaps (0 while none). */
    static int openCount();
    static HFONT sharedFont();
    static HBITMAP sharedBitmap(int index);

    /* ---- commands, also reached by the tests ---- */
    void columnChanged();
    void operatorChanged();
    void valueChanged();
    void run();
    void clear();
    void showSql();
    void groupBy();
    void refreshTitle();

private:
    bool registerClass();
    void createToolbar();
    void fillColumnList();
    bool canRun();
    void layout();
    static LRESULT CALLBACK wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT m, WPARAM wp, LPARAM lp);
    LRESULT onCommand(int id, int code);
    LRESULT onDrawItem(DRAWITEMSTRUCT* di);
    LRESULT onHeaderClick(LPARAM lp);
    LRESULT onSort(LPARAM lp);

    cDynataxwin(cDynataxwin const&);
    cDynataxwin& operator=(cDynataxwin const&);
};

/* A new GROUP BY window over the column colid of model: "select x, count(*) from ...
   [where ...] group by x", on db, owned by parent, cascaded, 450 x 300. False when the
   column has no descriptor or the model cannot be grouped. */
bool openGroupByWindow(HINSTANCE instance, HWND parent, cXdbc* db, cStatementModel* source,
                       short colid);

#endif
