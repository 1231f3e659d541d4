/* The cXdbc base members for the native build, where the ODBC library is not built:
   only what a derived test double needs. */
#include "strx.h"
#include "xdbc.h"

cXdbc::cXdbc()
    : errorCode(0), errorText(strdux(0)), rowCount(0), sqlText(strdux(0)), dsnText(strdux(0)),
      userText(strdux(0)), pswdText(strdux(0)), prmExpected(0), flags(0), eofFlag(1) {}

cXdbc::~cXdbc() {
    strfrx(&errorText);
    strfrx(&sqlText);
    strfrx(&dsnText);
    strfrx(&userText);
    strfrx(&pswdText);
}

int cXdbc::setFlags(int mask, short) {
    flags = mask;
    return 1;
}

int cXdbc::prepare(char const* sql) {
    strfrdux(&sqlText, (void*)sql);
    return 1;
}

char* cXdbc::errorStr() {
    return errorText;
}

int cXdbc::colData(int, xcolData*) {
    return 0;
}

int cXdbc::nameRule(xnameRule* out) {
    if (out) {
        out->quote = '"';
        out->fold = 'Q';
        out->keywords = "";
    }
    return 0;
}

int cXdbc::fetchAsText(int) {
    return 0;
}

int cXdbc::commitsEach() {
    return 0;
}

char const* cXdbc::infoStr() {
    return "";
}

int cXdbc::colTable(int, char* out, int size) {
    if (out && size > 0)
        out[0] = 0;
    return 0;
}
