/* Helpers of the workbench window tests. */
#include "wbtest.h"

#include <cstdio>
#include <cstdlib>

#include "edutil.h"
#include "../win/fulldisk.h"
#include "lumbrarc.h"
#include "queryslot.h"
#include "querywin.h"
#include "values.h"
#include "winutil.h"
#include "xdbc.h"

namespace wbtest {

BoxHook* BoxHook::current = 0;

std::string envOr(char const* name, char const* fallback) {
    char const* v = getenv(name);
    return v && *v ? v : fallback;
}

std::string fullDiskDir() { return fulldisk::dir(); }

std::vector<std::string> filesIn(std::string const& dir) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return out;
}

std::string sqliteDsn() { return envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"); }
std::string pgDsn() { return envOr("LUMBRA_PG_DSN", "LumbraPG"); }
std::string pgUser() { return envOr("LUMBRA_PG_USER", "lumbra"); }
std::string pgPswd() { return envOr("LUMBRA_PG_PSWD", "lumbra_pw"); }

std::string dsnHint() {
    return "needs the data sources of .ci/odbcini.sh <builddir> (and the server of .ci/pg.sh "
           "start <builddir>); ODBCINI=" + envOr("ODBCINI", "(unset)");
}

Side::Side(std::string const& dsn, std::string const& user, std::string const& pswd) {
    x = xdb_init();
    ok = x && x->connect(dsn.c_str(), user.c_str(), pswd.c_str(), 0);
}

Side::~Side() { xdb_free(x); }

bool Side::run(std::string const& sql) {
    bool r = x->prepare(sql.c_str()) && x->execute();
    if (!r)
        ADD_FAILURE() << sql << ": " << x->errorStr();
    x->finish();
    return r;
}

bool Side::tryRun(std::string const& sql) {
    bool r = x->prepare(sql.c_str()) && x->execute();
    x->finish();
    return r;
}

double Side::scalar(std::string const& sql) {
    cNumbex n;
    if (!(x->prepare(sql.c_str()) && x->execute() && x->fetchNext(&n, (cVariablex*)0)))
        ADD_FAILURE() << sql << ": " << x->errorStr();
    x->finish();
    x->commit();
    return n.toDouble();
}

std::string Side::text(std::string const& sql) {
    cStrinx s;
    std::string out;
    if (x->prepare(sql.c_str()) && x->execute() && x->fetchNext() && x->colValue(0, s))
        out = s.isNull() ? "<null>" : std::string(s.toChars(nullptr, false));
    else
        out = std::string("<error: ") + x->errorStr() + ">";
    x->finish();
    return out;
}

void Side::commit() { x->commit(); }

namespace {

int answerBox(HWND, char const* text, char const* caption, UINT type) {
    BoxHook* h = BoxHook::current;
    if (!h)
        return IDOK;
    h->boxes.push_back({text ? text : "", caption ? caption : "", type});
    if (!h->answers.empty()) {
        int a = h->answers.front();
        h->answers.pop_front();
        return a;
    }
    UINT buttons = type & MB_TYPEMASK;
    return buttons == MB_YESNOCANCEL || buttons == MB_YESNO ? IDNO : IDOK;
}

}  // namespace

AppDir::AppDir(char const* stem, char const* iniText) {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    static int serial = 0;
    char name[MAX_PATH + 64];
    snprintf(name, sizeof name, "%s%s_%lu_%d\\", tmp, stem, GetCurrentProcessId(), ++serial);
    dir = name;
    CreateDirectoryA(dir.c_str(), 0);
    ini = dir + "Lumbra.ini";
    if (iniText)
        writeFile(ini, iniText);
}

AppDir::~AppDir() {
    WritePrivateProfileStringA(0, 0, 0, ini.c_str());  // flush the profile cache
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((dir + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string AppDir::read(char const* key, char const* section) const {
    char buf[2048];
    GetPrivateProfileStringA(section, key, "<missing>", buf, sizeof buf, ini.c_str());
    return buf;
}

void AppDir::write(char const* key, char const* value, char const* section) const {
    WritePrivateProfileStringA(section, key, value, ini.c_str());
}

BoxHook::BoxHook() {
    current = this;
    vorSetMessageBoxHook(answerBox);
}

BoxHook::~BoxHook() {
    vorSetMessageBoxHook(0);
    current = 0;
}

cXQueryWindow* openMain(AppDir const& dir, char const* cmdLine) {
    // LUMBRA_BGRUN=0/1 runs a whole suite with statements in the foreground or background,
    // unless the test set the key itself.
    char const* bg = getenv("LUMBRA_BGRUN");
    if (bg && (bg[0] == '0' || bg[0] == '1') && !bg[1] && dir.read("bBackgroundRun") == "<missing>")
        dir.write("bBackgroundRun", bg);
    cXQueryWindow* w = cXQueryWindow::create(GetModuleHandleA(0), cmdLine, SW_SHOWNORMAL,
                                             dir.dir.c_str(), false);
    wintest::pump(50);
    return w;
}

bool closeMain(cXQueryWindow* w) {
    if (!w)
        return true;
    HWND h = w->hwnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    wintest::pump();
    return !IsWindow(h);
}

void setScript(cXQueryWindow* w, char const* text) {
    SetWindowTextA(w->shownEditor(), text);
}

void typeScript(cXQueryWindow* w, char const* text) {
    HWND e = w->shownEditor();
    SendMessageA(e, EM_SETSEL, 0, -1);
    SendMessageA(e, EM_REPLACESEL, TRUE, (LPARAM)text);
}

std::string script(cXQueryWindow* w) { return edText(w->shownEditor()); }

void caretAt(cXQueryWindow* w, int pos) {
    HWND e = w->shownEditor();
    SetFocus(e);
    SendMessageA(e, EM_SETSEL, pos, pos);
}

void caretBefore(cXQueryWindow* w, char const* marker) {
    std::string s = script(w);
    size_t at = s.find(marker);
    caretAt(w, at == std::string::npos ? 0 : (int)at);
}

std::string paneText(cXQueryWindow* w) { return edText(w->messagePane); }

std::string title(cXQueryWindow* w) { return wintest::windowText(w->hwnd); }

void executeInEditor(cXQueryWindow* w) {
    SetFocus(w->shownEditor());
    w->command(CMD_EXECUTE);
}

void runOne(cXQueryWindow* w, std::string const& stmt) {
    setScript(w, stmt.c_str());
    caretAt(w, 0);
    executeInEditor(w);
}

void closeUnmodified(cXQueryWindow* w) {
    if (w && IsWindow(w->hwnd)) {
        for (cQuerySlot* s : w->slots)
            s->modified = false;
        closeMain(w);
    }
}

cQuerySlot* MainTest::q1() { return w->slots[0]; }
cResultGrid* MainTest::grid() { return w->grids[0]; }

void writeFile(std::string const& path, std::string const& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string readFile(std::string const& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return "<no file>";
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

long pixel(HDC dc, int x, int y) {
    COLORREF c = GetPixel(dc, x, y);
    return (long)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
}

}  // namespace wbtest
