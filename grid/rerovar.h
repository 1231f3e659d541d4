/* The grid control cRerovar: columns (cTaxCol), rows (cTaxRow) and items (cTaxit),
   three row views (all, visible, selected), the grid window and its filter row.
   Colours are 0xRRGGBB; -1 means "not set, inherited". */
#ifndef VORCORE_REROVAR_H
#define VORCORE_REROVAR_H

#include <windows.h>

#include "values.h"
#include "vorcore.h"

/* Grid flags (cRerovar::flg). */
#define TAX_SINGLESEL 0x001  // one selected row at most
#define TAX_GRIDLINES 0x004  // a line under every row
#define TAX_AUTOWIDTH 0x008  // column widths follow the content
#define TAX_COLSELECT 0x010  // columns can be current and selected
#define TAX_NOQBE 0x020      // no filter row
#define TAX_FORM 0x040       // the record form may be opened
#define TAX_FORMEDIT 0x080   // the record form's fields are editable
#define TAX_EDITABLE 0x100   // cells are edited in place
#define TAX_FORMFOCUS 0x200  // a new record form takes the focus
#define TAX_COLORMENU 0x400  // the "Default Colors" submenu is enabled

/* Column flags (cTaxCol::flg). */
#define TAXCOL_RIGHT 0x001       // right-aligned
#define TAXCOL_CENTER 0x002      // centred (unless right-aligned)
#define TAXCOL_CHECKBOX 0x004    // cells are check boxes
#define TAXCOL_READONLY 0x008    // check boxes cannot be toggled; read-only editor
#define TAXCOL_SORTABLE 0x010    // the header menu's sort items are enabled
#define TAXCOL_DBLSORT 0x020     // a header double click sorts
#define TAXCOL_SELECTED 0x040    // the column is selected
#define TAXCOL_HDRCHECK 0x100    // the header has a check box
#define TAXCOL_HDRCHECKED 0x200  // state of the header check box
#define TAXCOL_QBE 0x400         // the column takes part in the filter row
#define TAXCOL_COMBO 0x800       // cells are edited with the combo list

/* Row flags (cTaxRow::flg). */
#define TAXROW_SELECTED 0x1   // selected
#define TAXROW_HIDDEN 0x2     // filtered out, absent from the visible view
#define TAXROW_FORDELETE 0x4  // removed by deleteForDeleteRows

/* Item flags (cTaxit::flg); other bits belong to the caller. */
#define TAXIT_READONLY 0x2  // the check box of this cell cannot be toggled

/* Messages sent to the parent window; wParam is the cRerovar pointer. */
#define TAXN_CHECKBOX 0x5001     // check-box cell toggled: row (V) | colid << 16
#define TAXN_HDRCLICK 0x5002     // header clicked: colid; > 0 answered keeps the focus away
#define TAXN_CURROW 0x5003       // current row or selection changed: curow
#define TAXN_ROWDBLCLK 0x5004    // data row double-clicked: V index
#define TAXN_HDRDBLCLK 0x5005    // header double-clicked without sorting: colid
#define TAXN_HDRCHECK 0x5006     // header check box toggled: colid | 0x10000 when checked
#define TAXN_SORT 0x5007         // sort requested: colid | dir << 16; answer 2 keeps the order
#define TAXN_SORT_HANDLED 2      // answer to TAXN_SORT: the parent re-queries instead
#define TAXN_QBECHANGE 1         // WM_COMMAND code sent after every filter change

/* Filter operators (cTaxCol::qbeOp); also the filter menu's command ids. */
#define TAXOP_LIKE_START 201  // cell starts with the text
#define TAXOP_LIKE_ANY 202    // cell contains the text
#define TAXOP_LIKE_END 203    // cell ends with the text
#define TAXOP_EQ 204
#define TAXOP_NE 205
#define TAXOP_LT 206
#define TAXOP_GT 207
#define TAXOP_LE 208
#define TAXOP_GE 209
#define TAXOP_NULL 212
#define TAXOP_NOTNULL 213

#define TAX_MAXCOUNT 32767  // most rows and most columns a grid holds
#define TAX_QBETEXT 30      // longest filter text
#define TAX_QBESHOW 40      // longest filter display text
#define TAX_BANDS 5         // most row bands

class cRerovar;
class cAutoform;
class cFloxMenu;

/* One cell: a value of its column's class (any class for typex 0). */
class VORCORE_API cTaxit : public cObjext {
public:
    cVariablex* value;  // owned; 0 only when memory ran out
    short typex;        // the column's type
    long flg;           // item flags
    long back;          // background, -1 inherited
    long text;          // text colour, -1 inherited

    explicit cTaxit(short typex);
    ~cTaxit();

    /* A new, null value of the class that type t holds (1 number, 4 date, else string). */
    static cVariablex* newValue(short t);

    bool setVar(cVariablex* v, long flg, long back, long text);
    bool setStr(char const* s, long flg, long back, long text);
    bool setNum(double d, long flg, long back, long text);
    bool setDat(__int64 t, long flg, long back, long text);
    long getFlg();
    void setFlg(long bits, bool on);
    void setColors(long back, long text);

private:
    cTaxit(cTaxit const&);
    cTaxit& operator=(cTaxit const&);
};

/* One row: an item per column, in column index order. */
class VORCORE_API cTaxRow : public cObjext {
public:
    cRerovar* owner;
    long flg;         // row flags
    long back;        // background, -1 inherited
    long text;        // text colour, -1 inherited
    cTaxit** items;   // itemCount items
    short itemCount;  // the owner's column count, fewer only when memory ran out

    explicit cTaxRow(cRerovar* owner);
    cTaxRow(cTaxRow& src);
    ~cTaxRow();

    /* Every item and every value exists. */
    bool complete();
    /* Item by column index or by colid; 0 when there is none. */
    cTaxit* item(short index);
    cTaxit* itemById(short colid);
    /* Grows the row by one null item of type t (a column was appended). */
    bool appendItem(short t);

    long getFlg();
    void setFlg(long bits, bool on);
    void setsel(bool on);
    bool getsel();
    void setColors(long back, long text);
    void setItemFlg(short colid, long bits, bool on);
    void setItemColors(short colid, long back, long text);

    bool setVar(short colid, cVariablex* v, long flg, long back, long text);
    bool setStr(short colid, char const* s, long flg, long back, long text);
    bool setNum(short colid, double d, long flg, long back, long text);
    bool setDat(short colid, __int64 t, long flg, long back, long text);
    void setNull(short colid);

    /* col is a colid, or a column index with byIndex. */
    cVariablex* getVar(short col, bool byIndex);
    char* getStr(short col, bool byIndex);
    double getNum(short col, bool byIndex);
    cNumbex getNumbex(short col, bool byIndex);
    __int64 getDat(short col, bool byIndex);
    long getCbxVal(short col, bool byIndex);

    /* Order of two rows by the owner's sort column and direction. */
    int compare(cTaxRow* other);

private:
    short indexOf(short col, bool byIndex);
    void afterSet(short index);
    cTaxRow& operator=(cTaxRow const&);
};

/* One column: title, type, width, flags, format, combo list and filter state. */
class VORCORE_API cTaxCol : public cObjext {
public:
    cRerovar* owner;
    short colid;      // caller's identifier
    short width;      // pixels
    short editLimit;  // text limit of the in-place editor, 0 none
    char* title;      // owned
    short typex;      // 0 any, 1 number, 4 date, else text (8 binary)
    long flg;         // column flags
    long back;        // background, -1 inherited
    long text;        // text colour, -1 inherited
    short sortState;  // 0 none, 1 ascending, 2 descending
    char* format;     // number or date picture, may be empty

    char** cbxStr;  // combo texts, owned
    long* cbxVal;   // combo values
    short cbxCount;
    short cbxCap;

    char qbeText[TAX_QBETEXT + 1];  // typed filter text
    short qbeLen;                   // its length
    short qbeOp;                    // TAXOP_ operator
    bool qbeNot;                    // negation
    char qbeShow[TAX_QBESHOW + 1];  // text shown in the filter cell

    long exportWidth;  // width of the column in a fixed-length export

    cTaxCol(cRerovar* owner, short colid, short width, char const* title, short typex, long flg,
            long back, long text, char const* format, short editLimit);
    ~cTaxCol();

    void setTitle(char const* s);
    char* getTitle();
    void setFormat(char const* fmt, bool refresh);
    char* getFormat();
    void setColors(long back, long text);
    long getFlg();
    void setFlg(long bits, bool on);
    void setsel(bool on);
    bool getsel();
    short getTypex();
    short getColid();
    short getWidth();
    cRerovar* getRerovar();

    bool addCbxStr(char const* s, long value);
    long getCbxVal(char const* s);

    /* Filter state: the operator a fresh column starts with, a full reset, the display. */
    short qbeDefaultOp();
    void qbeReset();
    void qbeDisplay();

private:
    cTaxCol(cTaxCol const&);
    cTaxCol& operator=(cTaxCol const&);
};

/* Popup menus of the grid window. */
#define TAXMENU_GRID 1    // data area
#define TAXMENU_HEADER 2  // header of menuCol
#define TAXMENU_QBE 3     // filter cell of menuCol

/* Replaces the tracking of a popup menu (tests, automation): receives the prepared menu and
   the screen point and returns the command to run, 0 for none. */
typedef int (*TAXMENUHOOK)(cRerovar* grid, short which, HMENU menu, int x, int y);

class VORCORE_API cRerovar : public cObjext {
protected:
    /* Applies the filter row to the rows. */
    virtual void do_QBE();
    /* Called after every sort request. */
    virtual void after_sort();

public:
    /* First look at every key-down; true: handled, the grid does nothing more. */
    virtual bool keyHook(int key, bool ctrl, bool shift);
    /* The window deletes its grid; derived grids are destroyed through this. */
    virtual ~cRerovar();

    short charWidth;          // width of "M" in the grid font
    unsigned char likeDefault;  // > 0: new text columns filter with "contains"
    short id;                 // control id, the command id of notifications
    short x, y, w, h;         // window rectangle in the parent
    short clientW, clientH;   // client size
    long flg;                 // grid flags
    bool created, visible;
    short firstCol;   // leftmost shown column
    short topRow;     // first shown row (V)
    short colCount, countA, countV;
    short pageRows;   // whole rows that fit
    short curow;      // current row (V), -1 none
    short countS;     // selected rows
    short curcol;     // current column, -1 none
    short rowHeight, headerHeight, qbeHeight;
    HWND hwnd, hwndParent;
    HINSTANCE hinst;  // module of the parent window

    cTaxCol** cols;  // colCount columns, capacity colCap
    short colCap;
    cTaxRow** rows;  // the A view, capacity rowCap
    short* vis;      // the V view: A indices of the rows shown, same capacity
    short rowCap;

    long hdrBack, hdrText;        // header colours
    long selHdrBack, selHdrText;  // header colours of a selected column
    long formColor;               // background of the record form
    short selShade;               // brightness of a selected row, percent
    long selText;                 // text colour of a selected row
    long lineColor;               // grid lines
    short bandCount;              // 1..TAX_BANDS
    long bandBack[TAX_BANDS];
    long bandText[TAX_BANDS];

    HFONT font;
    short charHeight;  // height of "M" in the grid font

    cFloxMenu* menuGrid;    // data area
    cFloxMenu* menuHeader;  // header of menuCol
    cFloxMenu* menuQbe;     // filter cell of menuCol
    cAutoform* form;  // the record form, 0 when closed
    char* formTitle;

    /* In-place editor. */
    HWND textEditor, roEditor, listEditor;
    bool editing;
    short editCol;
    bool editIsList;
    static cRerovar* CurEditTax;  // the grid whose editor is open

    short sortColid, sortIndex, sortDir;

    short anchorRow;  // selection anchor (V)
    bool hasFocus;
    short menuCol;    // column of the last header or filter menu
    bool trueColor;   // the display has more than 256 colours
    bool iconsHeld;   // this grid counts among the users of the shared icons
    bool frameDue;    // the frame (scroll bars) waits for its repaint
    short bulkLoad;   // open bulk loads: the scroll bars are set once, when the last ends

    cRerovar();

    /* ---- life cycle ---- */
    bool init(short id, HWND parent, short x, short y, short w, short h, long flags);
    void show();
    void hide();
    void resetax();
    short getID();
    HWND getHwnd(short which);
    long getFlg();
    void setFlg(long bits, bool on);
    void setFormtitle(char const* title);

    /* ---- columns ---- */
    bool addCol(short colid, short width, char const* title, short typex, long flags, long back,
                long text, char const* format, short editLimit);
    void deleteCols(bool repaint);
    short colid2index(short colid);
    cTaxCol* colid2ptr(short colid);
    cTaxCol* index2col(short index);
    short getColCountA();
    short getColCountV();
    short getColCountS();
    short getSelcolid();
    bool addCbxStr(short colid, char const* s, long value);

    /* ---- rows ---- */
    cTaxRow* addRow(short pos);
    /* Around many changes (rows, columns, widths): the scroll bars are set once, by the
       outermost endBulkLoad. Showing or hiding a bar reframes the window, and under Wine
       its repaint alone costs about 10 ms. */
    void beginBulkLoad() { bulkLoad++; }
    void endBulkLoad() {
        if (bulkLoad > 0 && --bulkLoad == 0)
            updateScroll();
    }
    short getCountA();
    short getCountV();
    short getCountS();
    cTaxRow* rowindex2ptrA(short a);
    cTaxRow* rowindex2ptrV(short v);
    short ptr2rowindexA(cTaxRow* row);
    short getCurowV();
    short getCurowA();
    cTaxRow* getCurowptrV();
    void setCurSel(short v);
    void setRowFlg2(short v, long bits, bool on);

    /* Values by colid and row; a row index outside its view means the current row. */
    cStrinx getStrA(short colid, short a);
    cStrinx getStrV(short colid, short v);
    double getNumA(short colid, short a);
    double getNumV(short colid, short v);
    cNumbex getNumbexA(short colid, short a);
    cNumbex getNumbexV(short colid, short v);
    long getCbxValA(short colid, short a);

    /* ---- searching ---- */
    bool findNextRowA(short& a, long bits);
    bool findNextRowV(short& v, long bits);
    short findStringA(short colid, char const* s, bool nocase);
    short findStringV(short colid, char const* s, bool nocase);

    /* ---- deleting ---- */
    bool deleteRow(short v, bool selectNext);
    void deleteSelectedRows(bool selectNext);
    void deleteForDeleteRows(bool repaint);
    void deleteRows(bool repaint);

    /* ---- sorting: dir 0 none, 1 ascending, 2 descending, 3 toggle ---- */
    void sort(short colid, short dir);

    /* ---- colours ---- */
    void setColors(long back1, long text1, long back2, long text2);
    void setColors(short which, intptr_t a, intptr_t b);

    /* ---- widths: >= 0 pixels, -1 optimal, -2 at least the header ---- */
    void setColWidth(short colid, short width, bool repaint);
    void setAllColWidth(short width, bool repaint);

    /* ---- window ---- */
    static bool registerMe(HINSTANCE inst);
    static bool wantMessage(MSG msg, HWND active);
    static TAXMENUHOOK setMenuHook(TAXMENUHOOK hook);
    void repaint();
    void paintRow(short v);
    void home(bool extend);
    bool wantKey(int key);
    /* Paints the whole client area into dc (WM_PAINT and WM_PRINTCLIENT). */
    void paintAll(HDC dc);

    /* ---- filter row ---- */
    void clearQBE();
    /* Filter editing of column index: 0 reset, 1 operator changed, 8 Backspace, else a
       character; 0 with no valid column resets every column. */
    void qbe_edit(short index, int code);

    /* ---- in-place editor ---- */
    bool edit_start(short colid, short v);
    void edit_stop();
    void edit_close();
    /* Opens the editor on cell (column index c, V row v); the editor clears the selection. */
    void edit_cell(short c, short v);
    /* Moves the open editor dir rows down (up when negative) in its column. */
    void edit_move(int dir);

    /* ---- export ---- */
    bool exportx(short dest, short format, bool selRows, bool selCols, char sep,
                 char const* filename, char const* tablename, HWND owner);
    bool export_dialog();

    /* ---- record form ---- */
    bool form_create();
    bool form_destroy();
    /* Shows the current row in the open form: column index, -1 for all. */
    void form_refresh(short index);
    /* Gives the open form a new background. */
    void form_color(long colour);

    /* Rebuilds the visible view from the rows' hidden flags. */
    void rebuildV();
    /* Largest topRow: the last page full. */
    short maxTopRow();

protected:
    /* ---- internal: geometry, views, notification ---- */
    void computeGeometry();
    void clampView();
    void setColWidthAt(short index, short width);
    void updateScroll();
    void computePage();
    int colLeft(short c);
    short colAt(int px, int* left);
    void colIntoView(short c);
    void clearSelection();
    void moveTo(short n, bool shift);
    void notifyCurrow();
    void notifyQbe();
    void widenToFit(short index, cTaxRow* row);
    void widenToWidest(short index, int minLen);
    void widenTo(short index, cTaxRow* row, int minLen);
    short widestCell(HDC dc, short index, int minLen);
    short measureCell(HDC dc, short index, cTaxRow* row);
    static char const* shownText(cTaxCol* c, short index, cTaxRow* row, char* buf = 0);
    int longestText(short index);

    /* ---- internal: window ---- */
    static LRESULT CALLBACK wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT m, WPARAM wp, LPARAM lp);
    void onSize(WPARAM type, LPARAM size);
    void onVScroll(WPARAM wp);
    void onHScroll(WPARAM wp);
    void onKeyDown(int key);
    void onChar(int ch);
    void onLButtonDown(WPARAM keys, int px, int py);
    void onLButtonDblClk(WPARAM keys, int px, int py);
    void onRButtonDown(WPARAM keys, int px, int py);
    void onCommand(WPARAM wp, LPARAM lp);
    void onMenuCommand(int cmd);
    void onPaint();
    void paintHeader(HDC dc);
    void paintRowAt(HDC dc, short r);
    void repaintHeader();
    void buildMenus();
    void prepareMenu(short which);
    void openMenu(short which, short c, int sx, int sy);
    void applyScheme(short scheme);
    void swapCols(short a, short b);
    void keyPage(int key, bool shift);
    void keyUpDown(int key, bool shift);
    void keyLeftRight(int key);
    void filterText(short c);
    void editCreate();
    bool edit_command(WPARAM wp, LPARAM lp);
    void editRowTo(short v);

    friend class cTaxRow;
    friend class cTaxCol;
    friend class cAutoform;

private:
    cRerovar(cRerovar const&);
    cRerovar& operator=(cRerovar const&);
};

/* One bulk load of a grid for the lifetime of the object, ended on every way out. */
class cBulkLoad {
public:
    explicit cBulkLoad(cRerovar* g) : grid(g) { grid->beginBulkLoad(); }
    ~cBulkLoad() { grid->endBulkLoad(); }
    cBulkLoad(cBulkLoad const&) = delete;
    cBulkLoad& operator=(cBulkLoad const&) = delete;

private:
    cRerovar* grid;
};

/* The record form: the grid's current row as label and edit pairs in a window of its own. */
class VORCORE_API cAutoform : public cObjext {
public:
    cRerovar* grid;
    HWND hwnd;           // the form window
    short fieldCount;    // the grid's column count when the form was made
    long back;           // background, 0xRRGGBB
    HBRUSH backBrush;
    bool editable;       // TAX_FORMEDIT: typing stores into the current row
    HWND* labels;        // fieldCount column titles
    HWND* edits;         // fieldCount edits, control id = the column's colid
    short margin;        // space above the first pair
    short fieldHeight;   // the grid's row height
    short fieldStep;     // vertical distance between pairs
    bool updating;       // the form writes its edits (or no row is current): store nothing
    short firstField;    // first pair shown
    short visibleFields; // pairs that fit the client height
    short maxFirst;      // largest firstField

    explicit cAutoform(cRerovar* grid);
    ~cAutoform();

    HWND getHwnd();
    static cAutoform* hwnd2ptr(HWND w);
    void control_F();
    static LRESULT CALLBACK wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);

    /* Makes the window and its fields; false when any of it failed. */
    bool create();
    /* Puts the window back on top of its owner. */
    void raise();
    /* Current row's texts into the edits: column index, -1 for all. */
    void refresh(short index);
    void setBack(long colour);

private:
    LRESULT dispatch(UINT m, WPARAM wp, LPARAM lp);
    void layout();
    void onVScroll(WPARAM wp);
    void onEditChange(HWND edit, int colid);
    cAutoform(cAutoform const&);
    cAutoform& operator=(cAutoform const&);
};

/* The export dialog's format switching and View button; they work on any dialog with the
   export dialog's format, separator, table name and file name controls. */
VORCORE_API void DlgTaxExp_enableGroupSep(HWND dlg);
VORCORE_API bool DlgTaxExp_preview(HWND dlg);

#endif
