/* The "DLG_Settings" dialog. */
#include <windows.h>

#include <cmath>
#include <cstdio>

#include "lumbrarc.h"
#include "settings.h"
#include "values.h"
#include "winutil.h"

namespace {

class cSettingsDlg {
public:
    cSettingsDlg(cSettings* s, char const* iniPath) : settings(s), ini(iniPath), dlg(0) {}

    static INT_PTR CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp);

private:
    cSettings* settings;
    char const* ini;
    HWND dlg;

    INT_PTR dispatch(UINT m, WPARAM wp, LPARAM lp);
    INT_PTR onInitDialog();
    INT_PTR onCommand(int id, int code);
    void onOk();
    /* The number in an edit, clamped; written back when asked. */
    int clampedNumber(int id, int lo, int hi, bool writeBack);
    void enableBlobChars();
};

INT_PTR CALLBACK cSettingsDlg::proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_INITDIALOG) {
        cSettingsDlg* self = (cSettingsDlg*)lp;
        self->dlg = w;
        SetWindowLongPtrA(w, DWLP_USER, (LONG_PTR)self);
    }
    cSettingsDlg* self = (cSettingsDlg*)GetWindowLongPtrA(w, DWLP_USER);
    return self ? self->dispatch(m, wp, lp) : FALSE;
}

INT_PTR cSettingsDlg::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_INITDIALOG:
        return onInitDialog();
    case WM_COMMAND:
        return onCommand(LOWORD(wp), HIWORD(wp));
    }
    return FALSE;
}

INT_PTR cSettingsDlg::onInitDialog() {
    centerDialog(dlg, GetParent(dlg));
    char label[64];
    snprintf(label, sizeof label, "Max Rows in Grid (%d-%d)", MAXROWS_MIN, MAXROWS_MAX);
    SetDlgItemTextA(dlg, IDC_SET_MAXROWS_LABEL, label);
    for (char const* f : kDateFormats)
        SendDlgItemMessageA(dlg, IDC_SET_DATEFMT, CB_ADDSTRING, 0, (LPARAM)f);
    for (char const* f : kTimeFormats)
        SendDlgItemMessageA(dlg, IDC_SET_TIMEFMT, CB_ADDSTRING, 0, (LPARAM)f);
    SendDlgItemMessageA(dlg, IDC_SET_MAXROWS, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dlg, IDC_SET_BLOBCHARS, EM_LIMITTEXT, 3, 0);
    SetDlgItemInt(dlg, IDC_SET_MAXROWS, (UINT)settings->maxRows, FALSE);
    SendDlgItemMessageA(dlg, IDC_SET_DATEFMT, CB_SETCURSEL, settings->dateFmt, 0);
    SendDlgItemMessageA(dlg, IDC_SET_TIMEFMT, CB_SETCURSEL, settings->timeFmt, 0);
    CheckDlgButton(dlg, IDC_SET_MOVECARET, settings->movecaret ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_SET_BACKGROUND, settings->bBackgroundRun ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_SET_COMMIT, IDC_SET_ROLLBACK,
                     settings->bImplicitRollback ? IDC_SET_ROLLBACK : IDC_SET_COMMIT);
    CheckRadioButton(dlg, IDC_SET_BLOB, IDC_SET_STRING,
                     settings->bBlobStr ? IDC_SET_STRING : IDC_SET_BLOB);
    SetDlgItemInt(dlg, IDC_SET_BLOBCHARS, (UINT)settings->nBlobStr, FALSE);
    enableBlobChars();
    return TRUE;
}

int cSettingsDlg::clampedNumber(int id, int lo, int hi, bool writeBack) {
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    cNumbex n;
    n.set(text, -1);
    double v = n.isNull() ? 0.0 : n.toDouble();
    if (!(v >= lo))
        v = lo;
    if (v > hi)
        v = hi;
    v = std::floor(v);
    if (writeBack) {
        char out[32];
        snprintf(out, sizeof out, "%.0f", v);
        SetDlgItemTextA(dlg, id, out);
    }
    return (int)v;
}

void cSettingsDlg::enableBlobChars() {
    EnableWindow(GetDlgItem(dlg, IDC_SET_BLOBCHARS),
                 IsDlgButtonChecked(dlg, IDC_SET_STRING) == BST_CHECKED);
}

void cSettingsDlg::onOk() {
    cSettings const before = *settings;
    settings->maxRows = clampedNumber(IDC_SET_MAXROWS, MAXROWS_MIN, MAXROWS_MAX, false);
    settings->nBlobStr = (short)clampedNumber(IDC_SET_BLOBCHARS, BLOBCHARS_MIN, BLOBCHARS_MAX, false);
    settings->bBlobStr = IsDlgButtonChecked(dlg, IDC_SET_STRING) == BST_CHECKED;
    settings->bImplicitRollback = IsDlgButtonChecked(dlg, IDC_SET_ROLLBACK) == BST_CHECKED;
    int d = (int)SendDlgItemMessageA(dlg, IDC_SET_DATEFMT, CB_GETCURSEL, 0, 0);
    int t = (int)SendDlgItemMessageA(dlg, IDC_SET_TIMEFMT, CB_GETCURSEL, 0, 0);
    settings->dateFmt = d >= 0 && d < 3 ? d : 0;
    settings->timeFmt = t >= 0 && t < 2 ? t : 0;
    settings->applyDateFormats();
    settings->movecaret = IsDlgButtonChecked(dlg, IDC_SET_MOVECARET) == BST_CHECKED;
    settings->bBackgroundRun = IsDlgButtonChecked(dlg, IDC_SET_BACKGROUND) == BST_CHECKED;
    settings->saveDialogKeys(ini, &before);
    EndDialog(dlg, 1);
}

INT_PTR cSettingsDlg::onCommand(int id, int code) {
    switch (id) {
    case IDC_SET_MAXROWS:
        if (code == EN_KILLFOCUS)
            clampedNumber(IDC_SET_MAXROWS, MAXROWS_MIN, MAXROWS_MAX, true);
        return TRUE;
    case IDC_SET_BLOBCHARS:
        if (code == EN_KILLFOCUS)
            clampedNumber(IDC_SET_BLOBCHARS, BLOBCHARS_MIN, BLOBCHARS_MAX, true);
        return TRUE;
    case IDC_SET_BLOB:
    case IDC_SET_STRING:
        if (code == BN_CLICKED)
            enableBlobChars();
        return TRUE;
    case IDOK:
        if (code == BN_CLICKED)
            onOk();
        return TRUE;
    case IDCANCEL:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool runSettingsDialog(HINSTANCE inst, HWND owner, cSettings* settings, char const* ini) {
    cSettingsDlg d(settings, ini);
    return DialogBoxParamA(inst, "DLG_Settings", owner, cSettingsDlg::proc, (LPARAM)&d) == 1;
}
