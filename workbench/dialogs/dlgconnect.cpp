/* Connect dialog: data source list, saved logins, connectTo of the slot. */
#include "dlgconnect.h"

#include <stdio.h>
#include <string.h>
#include <wincrypt.h>

#include <string>

#include "dlgconnrc.h"
#include "profile.h"
#include "strx.h"
#include "wbcolor.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

char const* const kLumbraSection = "Lumbra Settings";
char const* const kSavedLogins = "Saved Logins";
char const* const kLastNamespace = "Last Namespace";

namespace {

/* Field buffers: 49 characters and the terminator. */
const int kField = CONNECT_FIELD_MAX + 1;
/* "LastDatabase" is read with a buffer this large. */
const int kLastDatabaseSize = 10000;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

/* Saved Logins key of a data source: name + suffix ("_user", "_pswd"). */
void loginKey(char* key, size_t size, char const* dsn, char const* suffix) {
    snprintf(key, size, "%s%s", dsn, suffix);
}

/* Largest saved password value read back: a protected one is several hundred characters. */
const int kSavedPswdSize = 4096;

}  // namespace

/* A protected value: the marker, then the platform's data-protection blob in hex. */
char const* const kProtectedMark = "dpapi:";

std::string protectPassword(char const* plain) {
    if (!plain || !*plain)
        return "";
    DATA_BLOB in = {(DWORD)strlen(plain), (BYTE*)plain};
    DATA_BLOB out = {0, 0};
    auto protect = vorLate<decltype(&CryptProtectData)>("crypt32.dll", "CryptProtectData");
    if (!protect ||
        !protect(&in, L"Lumbra saved login", 0, 0, 0, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return "";
    static char const hex[] = "0123456789abcdef";
    std::string s = kProtectedMark;
    for (DWORD i = 0; i < out.cbData; i++) {
        s += hex[out.pbData[i] >> 4];
        s += hex[out.pbData[i] & 15];
    }
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return s;
}

std::string unprotectPassword(char const* stored) {
    if (!stored)
        return "";
    size_t mark = strlen(kProtectedMark);
    if (strncmp(stored, kProtectedMark, mark) != 0)
        return stored;  // saved before passwords were protected: taken as it is
    char const* h = stored + mark;
    size_t n = strlen(h);
    if (n == 0 || n % 2)
        return "";
    std::string blob(n / 2, 0);
    for (size_t i = 0; i < n; i++) {
        char c = h[i];
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0)
            return "";
        blob[i / 2] = (char)(blob[i / 2] * 16 + v);
    }
    DATA_BLOB in = {(DWORD)blob.size(), (BYTE*)&blob[0]};
    DATA_BLOB out = {0, 0};
    auto unprotect = vorLate<decltype(&CryptUnprotectData)>("crypt32.dll", "CryptUnprotectData");
    if (!unprotect || !unprotect(&in, 0, 0, 0, 0, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return "";
    std::string plain((char const*)out.pbData, out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return plain;
}

namespace {

class cDlgConnect {
public:
    explicit cDlgConnect(cConnectHost* h) : host(h) { profile.init(h->iniFile(), kLumbraSection); }
    ~cDlgConnect() { deleteBrush(); }

    static INT_PTR CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp);

private:
    INT_PTR dispatch(UINT m, WPARAM wp, LPARAM lp);
    INT_PTR onInitDialog();
    INT_PTR onCommand(WORD id, WORD code);
    INT_PTR onCtlColor(HDC dc);
    INT_PTR onDestroy();

    void fillList();
    void loadLogin();
    void onOk();
    bool showError(cXdbc* x);
    void deleteBrush();

    HWND dlg = 0;
    cConnectHost* host;    // the slot being connected
    cProfileman profile;   // settings file, section "Lumbra Settings"
    long colour = 0;       // slot colour, 0xRRGGBB
    HBRUSH brush = 0;      // solid brush of colour
    long brushColour = 0;  // colour brush was made for

    cDlgConnect(cDlgConnect const&) = delete;
    cDlgConnect& operator=(cDlgConnect const&) = delete;
};

INT_PTR CALLBACK cDlgConnect::proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_INITDIALOG) {
        cDlgConnect* self = (cDlgConnect*)lp;
        SetWindowLongPtrA(w, DWLP_USER, (LONG_PTR)self);
        self->dlg = w;
    }
    cDlgConnect* self = (cDlgConnect*)GetWindowLongPtrA(w, DWLP_USER);
    return self ? self->dispatch(m, wp, lp) : FALSE;
}

INT_PTR cDlgConnect::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_INITDIALOG: return onInitDialog();
    case WM_COMMAND: return onCommand(LOWORD(wp), HIWORD(wp));
    case WM_CTLCOLOREDIT: return onCtlColor((HDC)wp);
    case WM_CTLCOLORLISTBOX: return onCtlColor((HDC)wp);
    case WM_DESTROY: return onDestroy();
    }
    return FALSE;
}

INT_PTR cDlgConnect::onInitDialog() {
    centerDialog(dlg, host->mainWindow());
    colour = host->slotColor();
    if (colour)
        tintControl(0, colour, &brush, &brushColour);
    char title[32];
    snprintf(title, sizeof title, "Connect [Q%d]", host->slotNumber());
    SetWindowTextA(dlg, title);
    CheckDlgButton(dlg, IDC_CONNECT_SAVEPSWD, host->savePassword() ? BST_CHECKED : BST_UNCHECKED);
    // What cannot be read back is not typed either.
    SendDlgItemMessageA(dlg, IDC_CONNECT_USER, EM_LIMITTEXT, CONNECT_FIELD_MAX, 0);
    SendDlgItemMessageA(dlg, IDC_CONNECT_PSWD, EM_LIMITTEXT, CONNECT_FIELD_MAX, 0);
    fillList();
    return TRUE;
}

INT_PTR cDlgConnect::onCommand(WORD id, WORD code) {
    switch (id) {
    case IDOK:
        if (code == BN_CLICKED)
            onOk();
        return TRUE;
    case IDCANCEL:
        EndDialog(dlg, 0);
        return TRUE;
    case IDC_CONNECT_SAVEPSWD:
        if (code == BN_CLICKED)
            host->setSavePassword(IsDlgButtonChecked(dlg, IDC_CONNECT_SAVEPSWD) == BST_CHECKED);
        return TRUE;
    case IDC_CONNECT_DSN:
        if (code == CBN_SELCHANGE)
            loadLogin();
        return TRUE;
    }
    return FALSE;
}

INT_PTR cDlgConnect::onCtlColor(HDC dc) {
    return (INT_PTR)tintControl(dc, colour, &brush, &brushColour);
}

INT_PTR cDlgConnect::onDestroy() {
    deleteBrush();
    return FALSE;
}

void cDlgConnect::deleteBrush() {
    if (brush)
        DeleteObject(brush);
    brush = 0;
    brushColour = 0;
}

/* Box "Error: %s" when the object holds an error text; true when it did. */
bool cDlgConnect::showError(cXdbc* x) {
    char const* text = x->errorStr();
    if (!text || !*text)
        return false;
    size_t size = strlen(text) + 16;
    char* box = (char*)mallox((int)size);
    if (box) {
        snprintf(box, size, "Error: %s", text);
        vorMessageBox(dlg, box, "ODBC", MB_OK | MB_ICONEXCLAMATION);
        freex(box);
    }
    return true;
}

void cDlgConnect::fillList() {
    cWaitCursor wait;
    HWND combo = GetDlgItem(dlg, IDC_CONNECT_DSN);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    cXdbc* x = xdb_init();
    if (!x)
        return;
    if (x->metaSelect(META_DATA_SOURCES))
        x->execute();
    if (showError(x)) {
        xdb_free(x);
        return;
    }
    cStrinx name;
    while (x->fetchNext()) {
        if (x->colValue((char*)"DATA_SOURCE", name) && name.text[0])
            SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)name.text);
    }
    // A failure in the middle of the list is shown; the names found so far stay.
    showError(x);
    xdb_free(x);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    char last[kLastDatabaseSize];
    profile.get_str("LastDatabase", last, sizeof last);
    if (last[0] && SendMessageA(combo, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)last) != CB_ERR)
        loadLogin();
}

void cDlgConnect::loadLogin() {
    char dsn[kField] = "";
    HWND combo = GetDlgItem(dlg, IDC_CONNECT_DSN);
    if (SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR)
        GetWindowTextA(combo, dsn, sizeof dsn);
    if (!dsn[0])
        return;
    char key[kField + 8];
    char value[kSavedPswdSize];
    loginKey(key, sizeof key, dsn, "_user");
    profile.get_str_sec(kSavedLogins, key, value, 256);
    // A saved name Wine's text shaping would fault on (edited by hand) is not shown.
    SetDlgItemTextA(dlg, IDC_CONNECT_USER, strx_shapingTrap(value, (int)strlen(value)) < 0 ? value : "");
    loginKey(key, sizeof key, dsn, "_pswd");
    profile.get_str_sec(kSavedLogins, key, value, sizeof value);
    std::string pswd = unprotectPassword(value);
    SetDlgItemTextA(dlg, IDC_CONNECT_PSWD, pswd.c_str());
    SecureZeroMemory(&pswd[0], pswd.size());
    SecureZeroMemory(value, sizeof value);
}

void cDlgConnect::onOk() {
    char dsn[kField] = "", user[kField] = "", pswd[kField] = "";
    GetDlgItemTextA(dlg, IDC_CONNECT_DSN, dsn, sizeof dsn);
    GetDlgItemTextA(dlg, IDC_CONNECT_USER, user, sizeof user);
    GetDlgItemTextA(dlg, IDC_CONNECT_PSWD, pswd, sizeof pswd);
    if (!dsn[0])
        return;
    if (host->connectTo(dsn, user, pswd)) {
        bool save = host->savePassword();
        char const* file = host->iniFile();
        char key[kField + 8];
        profile.write_bool("bSavePswd", save);
        writeIniExact(file, kLumbraSection, "LastDatabase", dsn);
        loginKey(key, sizeof key, dsn, "_user");
        writeIniExact(file, kSavedLogins, key, user);
        loginKey(key, sizeof key, dsn, "_pswd");
        std::string stored = save ? protectPassword(pswd) : "";
        writeIniExact(file, kSavedLogins, key, stored.c_str());
        SecureZeroMemory(pswd, sizeof pswd);
        EndDialog(dlg, 1);
        return;
    }
    SecureZeroMemory(pswd, sizeof pswd);
    vorMessageBox(dlg, "Cannot connect!", "Connect", MB_OK | MB_ICONSTOP);
}

}  // namespace

INT_PTR connectDialog(cConnectHost* host, HWND owner) {
    if (!host)
        return 0;
    cDlgConnect d(host);
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(0), "DLG_Connect", owner ? owner : host->mainWindow(),
                                cDlgConnect::proc, (LPARAM)&d);
    return r == 1 ? 1 : 0;
}

void writeIniExact(char const* file, char const* section, char const* key, char const* value) {
    if (!key)
        return;  // no key would take the whole section out
    if (!value)
        value = "";
    size_t n = strlen(value);
    bool quote = n && (isBlank(value[0]) || isBlank(value[n - 1]) ||
                       (n >= 2 && value[0] == value[n - 1] && (value[0] == '"' || value[0] == '\'')));
    std::string quoted;
    if (quote)
        quoted = "\"" + std::string(value) + "\"";
    // vorIniWrite refuses a line break, which would write a line, key or section of its own.
    cIniEdit e = {section, key, quote ? quoted.c_str() : value};
    vorIniWrite(file, &e, 1);
    if (!quoted.empty())
        SecureZeroMemory(&quoted[0], quoted.size());
}

HBRUSH tintControl(HDC dc, long colour, HBRUSH* brush, long* brushColour) {
    if (!colour)
        return 0;
    if (!*brush || *brushColour != colour) {
        if (*brush)
            DeleteObject(*brush);
        *brush = CreateSolidBrush(toColorref(colour));
        *brushColour = colour;
    }
    if (dc) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, toColorref(colour));
    }
    return *brush;
}
