/* Items, rows and columns of the grid. */
#include <cstring>

#include "taxint.h"

/* ---- cTaxit ---- */

cVariablex* cTaxit::newValue(short t) {
    cVariablex* v;
    if (t == VTYPE_NUMBEX)
        v = taxNew<cNumbex>();
    else if (t == VTYPE_DATEX)
        v = taxNew<cDatex>();
    else
        v = taxNew<cStrinx>();
    if (v)
        v->setNull();
    return v;
}

cTaxit::cTaxit(short t) : value(newValue(t)), typex(t), flg(0), back(-1), text(-1) {}

cTaxit::~cTaxit() {
    delete value;
}

bool cTaxit::setVar(cVariablex* v, long f, long b, long t) {
    bool ok;
    if (typex != 0) {
        if (!value)
            value = newValue(typex);
        if (value) {
            if (v)
                value->setVarptr(v);
            else
                value->setNull();
        }
        ok = value != 0;
    } else if (v) {
        /* The class follows the value; the copy is made before the old value goes, since
           v may be that old value. */
        short vt = v->type();
        cVariablex* nv = newValue(vt == VTYPE_NUMBEX || vt == VTYPE_DATEX ? vt : VTYPE_STRINX);
        if (nv) {
            nv->setVarptr(v);
            delete value;
            value = nv;
        }
        ok = nv != 0;
    } else {
        if (value)
            value->setNull();
        ok = value != 0;
    }
    flg = f;
    back = b;
    text = t;
    return ok;
}

bool cTaxit::setStr(char const* s, long f, long b, long t) {
    cStrinx v(s);
    return setVar(&v, f, b, t);
}

bool cTaxit::setNum(double d, long f, long b, long t) {
    cNumbex v(d);
    return setVar(&v, f, b, t);
}

bool cTaxit::setDat(__int64 tm, long f, long b, long t) {
    cDatex v(tm);
    return setVar(&v, f, b, t);
}

long cTaxit::getFlg() {
    return flg;
}

void cTaxit::setFlg(long bits, bool on) {
    flg = on ? (flg | bits) : (flg & ~bits);
}

void cTaxit::setColors(long b, long t) {
    back = b;
    text = t;
}

/* ---- cTaxRow ---- */

cTaxRow::cTaxRow(cRerovar* o) : owner(o), flg(0), back(-1), text(-1), items(0), itemCount(0) {
    short n = o ? o->colCount : 0;
    if (n <= 0)
        return;
    items = (cTaxit**)taxAlloc(n, sizeof(cTaxit*));
    if (!items)
        return;
    for (short i = 0; i < n; i++) {
        cTaxit* it = taxNew<cTaxit>(o->cols[i]->typex);
        if (!it)
            break;
        items[itemCount++] = it;
    }
}

cTaxRow::cTaxRow(cTaxRow& src) : owner(src.owner), flg(src.flg), back(-1), text(-1), items(0),
                                 itemCount(0) {
    short n = owner ? owner->colCount : 0;
    if (n <= 0)
        return;
    items = (cTaxit**)taxAlloc(n, sizeof(cTaxit*));
    if (!items)
        return;
    for (short i = 0; i < n; i++) {
        cTaxit* it = taxNew<cTaxit>(owner->cols[i]->typex);
        if (!it)
            break;
        cTaxit* from = src.item(i);
        if (from)
            it->setVar(from->value, 0, -1, -1);
        items[itemCount++] = it;
    }
}

cTaxRow::~cTaxRow() {
    for (short i = 0; i < itemCount; i++)
        delete items[i];
    freex(items);
}

bool cTaxRow::complete() {
    if (!owner || itemCount != owner->colCount)
        return false;
    for (short i = 0; i < itemCount; i++) {
        if (!items[i]->value)
            return false;
    }
    return true;
}

cTaxit* cTaxRow::item(short index) {
    return (index >= 0 && index < itemCount) ? items[index] : 0;
}

cTaxit* cTaxRow::itemById(short colid) {
    return item(owner ? owner->colid2index(colid) : -1);
}

bool cTaxRow::appendItem(short t) {
    cTaxit* it = taxNew<cTaxit>(t);
    if (!it || !it->value) {
        delete it;
        return false;
    }
    cTaxit** grown = (cTaxit**)reallox(items, (unsigned)(itemCount + 1) * sizeof(cTaxit*));
    if (!grown) {
        delete it;
        return false;
    }
    items = grown;
    items[itemCount++] = it;
    return true;
}

long cTaxRow::getFlg() {
    return flg;
}

void cTaxRow::setFlg(long bits, bool on) {
    if (on) {
        flg |= bits;
        if (bits & TAXROW_HIDDEN)
            flg &= ~TAXROW_SELECTED;
    } else {
        flg &= ~bits;
    }
}

void cTaxRow::setsel(bool on) {
    setFlg(TAXROW_SELECTED, on);
}

bool cTaxRow::getsel() {
    return (flg & TAXROW_SELECTED) != 0;
}

void cTaxRow::setColors(long b, long t) {
    back = b;
    text = t;
}

void cTaxRow::setItemFlg(short colid, long bits, bool on) {
    if (cTaxit* it = itemById(colid))
        it->setFlg(bits, on);
}

void cTaxRow::setItemColors(short colid, long b, long t) {
    if (cTaxit* it = itemById(colid))
        it->setColors(b, t);
}

short cTaxRow::indexOf(short col, bool byIndex) {
    if (!owner)
        return -1;
    if (byIndex)
        return (col >= 0 && col < owner->colCount) ? col : -1;
    return owner->colid2index(col);
}

void cTaxRow::afterSet(short index) {
    if (owner && owner->visible && (owner->flg & TAX_AUTOWIDTH))
        owner->widenToFit(index, this);
}

bool cTaxRow::setVar(short colid, cVariablex* v, long f, long b, long t) {
    short i = indexOf(colid, false);
    cTaxit* it = item(i);
    if (!it || !it->setVar(v, f, b, t))
        return false;
    afterSet(i);
    return true;
}

bool cTaxRow::setStr(short colid, char const* s, long f, long b, long t) {
    cStrinx v(s);
    return setVar(colid, &v, f, b, t);
}

bool cTaxRow::setNum(short colid, double d, long f, long b, long t) {
    cNumbex v(d);
    return setVar(colid, &v, f, b, t);
}

bool cTaxRow::setDat(short colid, __int64 tm, long f, long b, long t) {
    cDatex v(tm);
    return setVar(colid, &v, f, b, t);
}

void cTaxRow::setNull(short colid) {
    cTaxit* it = itemById(colid);
    if (it && it->value)
        it->value->setNull();
}

cVariablex* cTaxRow::getVar(short col, bool byIndex) {
    cTaxit* it = item(indexOf(col, byIndex));
    return it ? it->value : 0;
}

char* cTaxRow::getStr(short col, bool byIndex) {
    short i = indexOf(col, byIndex);
    cTaxit* it = item(i);
    if (!it || !it->value)
        return 0;
    return it->value->toChars(owner->cols[i]->format, false);
}

double cTaxRow::getNum(short col, bool byIndex) {
    cVariablex* v = getVar(col, byIndex);
    return v ? v->toDouble() : 0.0;
}

cNumbex cTaxRow::getNumbex(short col, bool byIndex) {
    cVariablex* v = getVar(col, byIndex);
    return v ? v->toNumbex() : cNumbex();
}

__int64 cTaxRow::getDat(short col, bool byIndex) {
    cVariablex* v = getVar(col, byIndex);
    return v ? v->toTimext() : 0;
}

long cTaxRow::getCbxVal(short col, bool byIndex) {
    short i = indexOf(col, byIndex);
    cTaxit* it = item(i);
    if (!it || !it->value)
        return 0;
    cTaxCol* c = owner->cols[i];
    if (!(c->flg & TAXCOL_COMBO))
        return 0;
    return c->getCbxVal(it->value->toChars(0, true));
}

int cTaxRow::compare(cTaxRow* other) {
    short i = owner ? owner->sortIndex : -1;
    cTaxit* a = item(i);
    cTaxit* b = other ? other->item(i) : 0;
    int r = xompare(a ? a->value : 0, b ? b->value : 0);
    return (owner && owner->sortDir == 2) ? -r : r;
}

/* ---- cTaxCol ---- */

cTaxCol::cTaxCol(cRerovar* o, short cid, short wid, char const* ttl, short t, long f, long b,
                 long tx, char const* fmt, short limit)
    : owner(o),
      colid(cid),
      width(wid),
      editLimit(limit),
      title(strdux((void*)ttl)),
      typex(t),
      flg(t == 8 ? (f & ~TAXCOL_QBE) : f),
      back(b),
      text(tx),
      sortState(0),
      format(strdux((void*)fmt)),
      cbxStr(0),
      cbxVal(0),
      cbxCount(0),
      cbxCap(0),
      exportWidth(0) {
    qbeReset();
}

cTaxCol::~cTaxCol() {
    freex(title);
    freex(format);
    for (short i = 0; i < cbxCount; i++)
        freex(cbxStr[i]);
    freex(cbxStr);
    freex(cbxVal);
}

void cTaxCol::setTitle(char const* s) {
    strfrdux(&title, (void*)s);
    if (owner && (owner->flg & TAX_AUTOWIDTH))
        owner->setColWidth(colid, -2, true);
}

char* cTaxCol::getTitle() {
    return title;
}

void cTaxCol::setFormat(char const* fmt, bool refresh) {
    strfrdux(&format, (void*)fmt);
    if (!refresh || !owner)
        return;
    short i = 0;
    while (i < owner->colCount && owner->cols[i] != this)
        i++;
    if (i == owner->colCount)
        return;
    for (short r = 0; r < owner->countA; r++) {
        cTaxit* it = owner->rows[r]->item(i);
        if (it && it->value)
            it->value->freesval();
    }
}

char* cTaxCol::getFormat() {
    return format;
}

void cTaxCol::setColors(long b, long t) {
    back = b;
    text = t;
}

long cTaxCol::getFlg() {
    return flg;
}

void cTaxCol::setFlg(long bits, bool on) {
    flg = on ? (flg | bits) : (flg & ~bits);
    qbeDisplay();
}

void cTaxCol::setsel(bool on) {
    setFlg(TAXCOL_SELECTED, on);
}

bool cTaxCol::getsel() {
    return (flg & TAXCOL_SELECTED) != 0;
}

short cTaxCol::getTypex() {
    return typex;
}

short cTaxCol::getColid() {
    return colid;
}

short cTaxCol::getWidth() {
    return width;
}

cRerovar* cTaxCol::getRerovar() {
    return owner;
}

bool cTaxCol::addCbxStr(char const* s, long value) {
    if (cbxCount == cbxCap) {
        short cap = taxGrow(cbxCap, 30);
        if (cap == cbxCap)
            return false;
        char** ns = (char**)reallox(cbxStr, (unsigned)cap * sizeof(char*));
        if (!ns)
            return false;
        cbxStr = ns;
        long* nv = (long*)reallox(cbxVal, (unsigned)cap * sizeof(long));
        if (!nv)
            return false;
        cbxVal = nv;
        cbxCap = cap;
    }
    char* copy = strdux((void*)s);
    if (!copy)
        return false;
    cbxStr[cbxCount] = copy;
    cbxVal[cbxCount] = value;
    cbxCount++;
    return true;
}

long cTaxCol::getCbxVal(char const* s) {
    if (!(flg & TAXCOL_COMBO) || !s)
        return 0;
    for (short i = 0; i < cbxCount; i++) {
        if (strcmp(cbxStr[i], s) == 0)
            return cbxVal[i];
    }
    return 0;
}
