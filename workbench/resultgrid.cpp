/* Loading a SELECT into the grid and turning its filters back into SQL. */
#include "resultgrid.h"

#include <cstring>
#include <vector>

#include "bgrun.h"
#include "stmtmodel.h"
#include "strx.h"
#include "wbtext.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

cResultGrid::cResultGrid()
    : model(0), db(xdb_init()), ownsDb(true), rowLimit(1000), cutValues(0), lostDates(0), blobChars(0),
      hasUnion(false), errorBoxes(false), rawModel(false), stopped(false), loadTimes() {}

namespace {
double nowMs() {
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)freq.QuadPart;
}
}  // namespace

cResultGrid::~cResultGrid() {
    dropModel();
    if (ownsDb)
        xdb_free(db);
}

void cResultGrid::dropModel() {
    delete model;
    model = 0;
    rawModel = false;
}

void cResultGrid::setConnection(cXdbc* connection) {
    if (ownsDb)
        xdb_free(db);
    db = connection;
    ownsDb = false;
    fetchError.clear();
    stopped = false;
    resetax();
    dropModel();
}

char const* cResultGrid::lastError() {
    if (partial())
        return fetchError.c_str();
    if (!db)
        return "";
    char const* s = db->errorStr();
    return s ? s : "";
}

char const* cResultGrid::modelSql() { return model && model->sql ? model->sql : ""; }

bool cResultGrid::keyHook(int, bool, bool) { return false; }

void cResultGrid::sqlErrorBox(char const* text) {
    if (errorBoxes)
        vorMessageBox(hwndParent, text, "SQL Error", MB_OK | MB_ICONSTOP);
}

/* Descriptors straight from the open result, for statements the parser cannot take apart
   (a SELECT without FROM, for one). Such a model is run as written. */
bool cResultGrid::columnsFromResult() {
    int n = db->colCount();
    if (n < 1)
        return false;
    model->clearColumns();
    for (int j = 0; j < n; j++) {
        char const* name = db->colName(j);
        if (model->addColumn(0, (short)j, "", "", "", name ? name : "", "", name ? name : "",
                             (short)db->colType(j), 0, 0, "", 0) < 0)
            return false;
    }
    rawModel = true;
    return true;
}

bool cResultGrid::resultFitsColumns() {
    bool named = model->selectStar || *model->selectList || rawModel;
    int j = 0;
    for (int i = 0; i < model->columnCount; i++) {
        cStmtColumn* c = model->column(i);
        if (c->flags & STMCOL_HIDDEN)
            continue;
        if (j >= db->colCount())
            return false;
        char const* name = db->colName(j);
        if (named && strcmp(c->title && *c->title ? c->title : c->selText, name ? name : "") != 0)
            return false;
        j++;
    }
    return j == db->colCount();
}

bool cResultGrid::addGridColumns() {
    int k = 0;
    for (int i = 0; i < model->columnCount; i++) {
        cStmtColumn* c = model->column(i);
        if (c->flags & STMCOL_HIDDEN)
            continue;
        if (c->type == 0) {
            c->type = (short)db->colType(k);
            c->widthCode = c->type == 1 ? -8 : c->type == 4 ? -12 : 0;
            c->dispFlags = c->type == 1 ? 0x12 : 0x11;
        }
        if (c->dispFlags == 0)
            c->dispFlags = c->type == 1 ? 0x12 : 0x11;
        char const* title = c->title && *c->title ? c->title : c->selText;
        long colour = (c->flags & STMCOL_BLUE) ? 0xff0000 : -1;
        long flags = TAXCOL_QBE | TAXCOL_SORTABLE | ((c->dispFlags & 0x2) ? TAXCOL_RIGHT : 0);
        if (!addCol(c->id, c->widthCode, title, c->type, flags, -1, colour, c->format, 0))
            return false;
        k++;
    }
    return true;
}

/* False when the fetch ended on an error rather than at the end of the rows. */
bool cResultGrid::fetchRows() {
    // One value object per result column, reused for every row.
    struct Slot {
        short id;
        short type;
        cVariablex* value;
    };
    std::vector<Slot> slots;
    for (int i = 0; i < model->columnCount; i++) {
        cStmtColumn* c = model->column(i);
        if (c->flags & STMCOL_HIDDEN)
            continue;
        Slot s = {c->id, c->type, 0};
        if (c->type == 1)
            s.value = new cNumbex();
        else if (c->type == 4)
            s.value = new cDatex();
        else
            s.value = new cStrinx();
        slots.push_back(s);
    }
    int results = db->colCount();
    int added = 0;
    cBulkLoad bulk(this);
    while (added < rowLimit && !bgFetchStop(added) && db->fetchNext()) {
        cTaxRow* row = addRow(-1);
        if (!row)
            break;
        for (int k = 0; k < (int)slots.size() && k < results; k++) {
            Slot& s = slots[k];
            if (s.type == 8 && blobChars < 1) {
                row->setStr(s.id, "BLOB", 0, -1, -1);
                continue;
            }
            db->colValue(k, *s.value);
            if (s.type != 1 && s.type != 8) {
                xcolData d;
                if (db->colData(k, &d) && !d.null) {
                    if (s.type != 4 && d.cut)
                        cutValues++;
                    else if (s.type == 4 && d.kind >= 3 && d.kind <= 5 && d.when.year == 0)
                        lostDates++;  // BC, "infinity": the date values start at year 1
                }
            }
            if (s.type == 8 && !s.value->isNull()) {
                cStrinx* str = (cStrinx*)s.value;
                if (str->len() > blobChars) {
                    cStrinx cut = str->left(blobChars);
                    row->setVar(s.id, &cut, 0, -1, -1);
                    continue;
                }
            }
            row->setVar(s.id, s.value, 0, -1, -1);
            if (s.type == 4 && added == 0) {
                cTaxCol* col = index2col((short)k);
                if (col)
                    col->setFormat(((cDatex*)s.value)->getFormat(), true);
            }
        }
        added++;
    }
    for (Slot& s : slots)
        delete s.value;
    stopped = bgCanceled();
    if (added < rowLimit && db->error()) {
        char const* why = db->errorStr();
        fetchError = why && *why ? why : "The data source ended the fetch with an error.";
        return false;
    }
    return true;
}

void cResultGrid::chooseNumberFormats() {
    std::vector<double> values;
    for (short c = 0; c < colCount; c++) {
        cTaxCol* col = cols[c];
        if (col->typex != 1 || (col->format && *col->format))
            continue;
        int n = countA < 100 ? countA : 100;
        values.clear();
        for (short r = 0; r < n; r++) {
            cVariablex* v = rows[r]->getVar(c, true);
            values.push_back(v && !v->isNull() ? v->toDouble() : 0.0);
        }
        // Rows painted while the fetch ran keep texts made without it: refreshed.
        col->setFormat(numberFormatFor(values.data(), (int)values.size()), true);
    }
}

/* A date-time picture can be wider than the fixed width of its column; every value of a
   column prints to the same picture, so the first one tells the width. */
void cResultGrid::widenToFirstDate(short colid) {
    cTaxCol* col = colid2ptr(colid);
    if (!col || !hwnd)
        return;
    for (short r = 0; r < countA; r++) {
        char* text = rows[r]->getStr(colid, false);
        if (!text || !*text)
            continue;
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size;
        BOOL measured = GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        int wanted = size.cx + 3 + 3 + 1;
        if (measured && wanted > col->getWidth() && wanted <= 600)
            setColWidth(colid, (short)wanted, false);
        return;
    }
}

/* A number wider than the fixed width of its column would show only its last digits,
   another number: the column grows to its widest text. Digits are equally wide, so only
   the longest texts (and those one shorter, for signs and points) are measured. */
void cResultGrid::widenToNumbers(short colid) {
    short index = colid2index(colid);
    if (index < 0 || !hwnd)
        return;
    int longest = longestText(index);
    if (longest == 0)
        return;
    widenToWidest(index, longest - 1);
}

bool cResultGrid::loadSelect(char const* sql, bool keepColumns) {
    cWaitCursor wait;
    cBgStatement bg(hwnd);
    stopped = false;
    fetchError.clear();
    cutValues = 0;
    lostDates = 0;
    loadTimes = cLoadTimes();
    double t0 = nowMs();
    if (sql) {
        dropModel();
        model = new cStatementModel(1, "", "", "", "");
        model->setSql(sql);
    } else if (!model) {
        return false;
    } else if (!rawModel && !hasUnion) {
        model->regenerate();
    }
    if (!db)
        return false;
    if (ownsDb && !db->isConnectedTo(model->dsn, model->user, model->pswd)) {
        if (!db->connect(model->dsn, model->user, model->pswd, 0)) {
            sqlErrorBox("Cannot connect");
            resetax();
            return false;
        }
    }
    if (!db->prepare(model->sql) || !bgExecute(db)) {
        sqlErrorBox(db->errorStr());
        if (sql) {
            dropModel();
            resetax();
        }
        return false;
    }
    if (sql && db->colCount() == 0) {
        // No result set ("select ... into"): the statement ran as a command; nothing to show.
        db->finish();
        dropModel();
        resetax();
        return true;
    }
    if (!sql && keepColumns && !resultFitsColumns()) {
        // The table changed under the grid: its rows would go under other headers.
        db->finish();
        fetchError = "The result has other columns than the grid shows (has the table "
                     "changed?). Run the statement again from the editor.";
        return false;
    }
    if (sql && !model->parse(db) && !columnsFromResult()) {
        db->finish();
        dropModel();
        resetax();
        return false;
    }
    double t1 = nowMs();
    loadTimes.execute = t1 - t0;
    // Clearing, new columns, rows and widths set the scroll bars once, at the end.
    cBulkLoad bulk(this);
    deleteRows(false);
    if (!keepColumns) {
        resetax();
        if (!addGridColumns()) {
            db->finish();
            resetax();
            return false;
        }
    }
    double tc = nowMs();
    loadTimes.clear = tc - t1;
    bool complete = fetchRows();
    db->finish();
    double t2 = nowMs();
    loadTimes.fetch = t2 - tc;
    if (!keepColumns)
        chooseNumberFormats();
    double t3 = nowMs();
    loadTimes.formats = t3 - t2;
    if (!(flg & TAX_AUTOWIDTH)) {
        for (int i = 0; i < model->columnCount; i++) {
            cStmtColumn* c = model->column(i);
            if (c->flags & STMCOL_HIDDEN)
                continue;
            if (c->widthCode == 0)
                setColWidth(c->id, -1, false);
            else if (c->type == 4)
                widenToFirstDate(c->id);
            else if (c->type == 1)
                widenToNumbers(c->id);
        }
    } else {
        setAllColWidth(-1, false);
    }
    double t4 = nowMs();
    loadTimes.widths = t4 - t3;
    home(false);
    loadTimes.total = nowMs() - t0;
    return complete;
}

bool cResultGrid::rerun(bool keepColumns) {
    if (!db || !db->isConnected())
        return false;
    bool ok = loadSelect(0, keepColumns);
    // A statement the model cannot rebuild ran as written: the filter row still shows the
    // user's conditions, so the grid applies them to the new rows itself.
    if (ok && keepColumns && rawModel)
        cRerovar::do_QBE();
    return ok;
}

void cResultGrid::do_QBE() {
    cRerovar::do_QBE();
    if (!model || hasUnion || rawModel)
        return;
    std::vector<cQbeFilter> filters;
    for (short c = 0; c < colCount; c++) {
        cTaxCol* col = cols[c];
        cQbeFilter f;
        f.colid = col->colid;
        f.type = col->typex;
        f.op = col->qbeOp;
        f.negate = col->qbeNot;
        f.text = col->qbeText;
        filters.push_back(f);
    }
    model->takeFilters(filters.data(), (int)filters.size());
}

void cResultGrid::after_sort() {
    if (model && !rawModel)
        model->takeSort(sortColid, sortDir);
}

std::string cResultGrid::expression(bool selectedOnly) {
    if (!model)
        return "";
    if (rawModel)
        return modelSql();
    model->regenerate();
    if (selectedOnly) {
        std::string list;
        int count = 0, sortAt = 0;
        for (short c = 0; c < colCount; c++) {
            if (!cols[c]->getsel())
                continue;
            int i = model->indexOfColumn(cols[c]->colid);
            if (i < 0)
                continue;
            if (!list.empty())
                list += ", ";
            list += model->column(i)->selText;
            if (cols[c]->colid == sortColid)
                sortAt = count + 1;
            count++;
        }
        if (!list.empty()) {
            // The grid's sort names its column by its place in the whole list: in the
            // shorter one the place is another, so it is named anew for the new list.
            std::string saved = model->orderBy;
            int sorted = model->indexOfColumn(sortColid);
            model->takeSort(sortColid, sortDir);
            bool gridSort = sorted >= 0 && saved == model->orderBy && !saved.empty();
            if (gridSort) {
                std::string by = sortAt ? std::to_string(sortAt) : model->column(sorted)->selText;
                model->setOrderBy((by + (sortDir == 2 ? " DESC" : " ASC")).c_str());
            } else {
                model->setOrderBy(saved.c_str());
            }
            model->regenerate();
            std::string text = expressionOfColumns(list, model->sql);
            model->setOrderBy(saved.c_str());
            model->regenerate();
            return text;
        }
    }
    return modelSql();
}
