/* The filter row: per-column operator, negation and text, their display, editing, and
   the default filtering that hides rows. */
#include <cctype>
#include <cstring>

#include "outfmt.h"
#include "taxint.h"

/* ---- per column ---- */

short cTaxCol::qbeDefaultOp() {
    if (typex == VTYPE_NUMBEX || typex == VTYPE_DATEX)
        return TAXOP_EQ;
    return (owner && owner->likeDefault > 0) ? TAXOP_LIKE_ANY : TAXOP_LIKE_START;
}

void cTaxCol::qbeReset() {
    qbeOp = qbeDefaultOp();
    qbeNot = false;
    qbeText[0] = 0;
    qbeLen = 0;
    qbeDisplay();
}

void cTaxCol::qbeDisplay() {
    qbeShow[0] = 0;
    if (!(flg & TAXCOL_QBE))
        return;
    if (qbeOp == TAXOP_NULL || qbeOp == TAXOP_NOTNULL) {
        bool wantNull = (qbeOp == TAXOP_NULL) != qbeNot;
        strcpy(qbeShow, wantNull ? "is null" : "is not null");
        return;
    }
    char const* pre = "";
    char const* post = "";
    switch (qbeOp) {
    case TAXOP_LIKE_START: post = "%"; break;
    case TAXOP_LIKE_ANY: pre = "%"; post = "%"; break;
    case TAXOP_LIKE_END: pre = "%"; break;
    case TAXOP_EQ: pre = "="; break;
    case TAXOP_NE: pre = "<>"; break;
    case TAXOP_LT: pre = "<"; break;
    case TAXOP_GT: pre = ">"; break;
    case TAXOP_LE: pre = "<="; break;
    case TAXOP_GE: pre = ">="; break;
    }
    /* At most 4 + 2 + 30 + 1 characters: always fits the 40. */
    size_t n = 0;
    if (qbeNot) {
        memcpy(qbeShow, "not ", 4);
        n = 4;
    }
    size_t lp = strlen(pre), lt = strlen(qbeText), lq = strlen(post);
    if (lt > TAX_QBETEXT)
        lt = TAX_QBETEXT;
    memcpy(qbeShow + n, pre, lp);
    n += lp;
    memcpy(qbeShow + n, qbeText, lt);
    n += lt;
    memcpy(qbeShow + n, post, lq);
    n += lq;
    qbeShow[n] = 0;
}

/* ---- editing ---- */

void cRerovar::clearQBE() {
    for (short i = 0; i < colCount; i++)
        cols[i]->qbeReset();
    do_QBE();
}

void cRerovar::qbe_edit(short index, int code) {
    cTaxCol* col = index2col(index);
    if (code == 0 && !col) {
        clearQBE();
        repaint();
        notifyQbe();
        return;
    }
    if (!col || !(col->flg & TAXCOL_QBE))
        return;
    switch (code) {
    case 8:
        if (col->qbeLen <= 0)
            return;
        col->qbeText[--col->qbeLen] = 0;
        break;
    case 0:
        col->qbeReset();
        break;
    case 1:
        if (col->qbeOp == TAXOP_NULL || col->qbeOp == TAXOP_NOTNULL) {
            col->qbeText[0] = 0;
            col->qbeLen = 0;
        }
        break;
    default:
        if (col->qbeLen >= TAX_QBETEXT || col->qbeOp == TAXOP_NULL || col->qbeOp == TAXOP_NOTNULL)
            return;
        col->qbeText[col->qbeLen++] = (char)code;
        col->qbeText[col->qbeLen] = 0;
        break;
    }
    col->qbeDisplay();
    do_QBE();
    repaint();
    notifyQbe();
}

/* ---- filtering ---- */

/* In place: diacritics removed, letters upper-cased (the form filter texts compare in). */
static void normalise(char* s) {
    removeDiacritic(s);
    for (; *s; s++)
        *s = (char)toupper((unsigned char)*s);
}

namespace {
/* A growing scratch buffer for the normalised cell texts. */
class cTaxBuf {
public:
    char* p;
    int cap;
    cTaxBuf() : p(0), cap(0) {}
    ~cTaxBuf() { freex(p); }
    char* hold(int n) {
        if (n + 1 > cap) {
            char* q = (char*)reallox(p, (unsigned)(n + 1));
            if (!q)
                return 0;
            p = q;
            cap = n + 1;
        }
        return p;
    }
};
}  // namespace

void cRerovar::filterText(short c) {
    cTaxCol* col = cols[c];
    short op = col->qbeOp;
    bool like = op == TAXOP_LIKE_START || op == TAXOP_LIKE_ANY || op == TAXOP_LIKE_END;
    if (!like && (op < TAXOP_EQ || op > TAXOP_GE))
        return;  // not an operator of the filter row: the column does not filter

    char key[TAX_QBETEXT + 1];
    memcpy(key, col->qbeText, sizeof key);
    key[TAX_QBETEXT] = 0;
    normalise(key);
    int klen = (int)strlen(key);
    cVariablex* literal = cTaxit::newValue(col->typex);
    if (!literal)
        return;
    char number[TAX_QBETEXT + 1];
    memcpy(number, key, sizeof number);
    // "1,5" is one and a half here, as in the statement the filter makes.
    literal->set(col->typex == 1 && !like && outfmt_decimalPoint(number) ? number : key, -1);

    cTaxBuf buf;
    for (short a = 0; a < countA; a++) {
        cTaxRow* row = rows[a];
        if (row->flg & TAXROW_HIDDEN)
            continue;
        cTaxit* it = row->item(c);
        cVariablex* v = it ? it->value : 0;
        bool matched = false;
        if (v && !v->isNull()) {
            if (like) {
                char const* cell = v->toChars(col->format, false);
                int len = cell ? (int)strlen(cell) : 0;
                if (klen <= len) {
                    /* Normalising works byte for byte, so only the part compared is copied. */
                    int from = op == TAXOP_LIKE_END ? len - klen : 0;
                    int n = op == TAXOP_LIKE_ANY ? len : klen;
                    char* t = buf.hold(n);
                    if (t) {
                        memcpy(t, cell + from, (size_t)n);
                        t[n] = 0;
                        normalise(t);
                        matched = op == TAXOP_LIKE_ANY ? strstr(t, key) != 0 : memcmp(t, key, (size_t)klen) == 0;
                    }
                }
            } else {
                // A text cell is normalised as the filter text was, so "Nov\xE1k" equals
                // itself typed; otherwise no text with national letters could match.
                char const* cell = v->type() == VTYPE_STRINX && literal->type() == VTYPE_STRINX
                                       ? v->toChars(0, true)
                                       : 0;
                int n = cell ? (int)strlen(cell) : 0;
                char* t = cell ? buf.hold(n) : 0;
                int r;
                if (t) {
                    memcpy(t, cell, (size_t)n);
                    t[n] = 0;
                    normalise(t);
                    r = stricmpx(t, key);
                } else {
                    r = xompare(v, literal);
                }
                switch (op) {
                case TAXOP_EQ: matched = r == 0; break;
                case TAXOP_NE: matched = r != 0; break;
                case TAXOP_LT: matched = r < 0; break;
                case TAXOP_GT: matched = r > 0; break;
                case TAXOP_LE: matched = r <= 0; break;
                case TAXOP_GE: matched = r >= 0; break;
                }
            }
        }
        if (matched == col->qbeNot)
            row->flg = (row->flg | TAXROW_HIDDEN) & ~TAXROW_SELECTED;
    }
    delete literal;
}

void cRerovar::do_QBE() {
    edit_close();
    for (short a = 0; a < countA; a++)
        rows[a]->flg &= ~TAXROW_HIDDEN;
    for (short c = 0; c < colCount; c++) {
        cTaxCol* col = cols[c];
        if (col->qbeOp == TAXOP_NULL || col->qbeOp == TAXOP_NOTNULL) {
            if (!(col->flg & TAXCOL_QBE))
                continue;
            bool wantValue = (col->qbeOp == TAXOP_NULL) == col->qbeNot;
            for (short a = 0; a < countA; a++) {
                cTaxRow* row = rows[a];
                if (row->flg & TAXROW_HIDDEN)
                    continue;
                cTaxit* it = row->item(c);
                bool isNull = !it || !it->value || it->value->isNull();
                if (isNull == wantValue)
                    row->flg = (row->flg | TAXROW_HIDDEN) & ~TAXROW_SELECTED;
            }
        } else if (col->qbeLen > 0 && (col->flg & TAXCOL_QBE)) {
            filterText(c);
        }
    }
    rebuildV();
    home(false);
    updateScroll();
}
