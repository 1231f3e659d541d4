/* "DLG_About" and the licence text behind its "EULA..." button. */
#include "dlgabout.h"

#include <cstdio>
#include <vector>

#include "lumbrarc.h"
#include "winutil.h"

namespace {

/* State of the open box, kept in the dialog's user data. */
struct cAboutState {
    char const* appDir;
    HICON icon;   // "ICO_APP", destroyed with the dialog
    POINT at;     // where the icon is drawn: left of 93, top of 92
};

void paintIcon(HWND dlg, HDC dc) {
    cAboutState* st = (cAboutState*)GetWindowLongPtrA(dlg, DWLP_USER);
    if (st && st->icon)
        DrawIconEx(dc, st->at.x, st->at.y, st->icon, 32, 32, 0, 0, DI_NORMAL);
}

void showEula(HWND dlg, char const* appDir) {
    std::string text;
    if (!readEula(appDir, &text)) {
        char box[256];
        snprintf(box, sizeof box, "%s\r\n%s", "Cannot open file:", EULA_FILE);
        vorMessageBox(dlg, box, "Lumbra", MB_OK | MB_ICONSTOP);
        return;
    }
    ShowDlgTextik(dlg, text.c_str(), "EULA", true, true, 0xFFFFFF, 0, 0, 0);
}

INT_PTR CALLBACK aboutProc(HWND dlg, UINT m, WPARAM wp, LPARAM lp) {
    cAboutState* st = (cAboutState*)GetWindowLongPtrA(dlg, DWLP_USER);
    switch (m) {
    case WM_INITDIALOG: {
        st = (cAboutState*)lp;
        SetWindowLongPtrA(dlg, DWLP_USER, (LONG_PTR)st);
        centerDialog(dlg, GetParent(dlg));
        SetDlgItemTextA(dlg, IDC_ABOUT_NAME, aboutProgramText().c_str());
        HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(dlg, GWLP_HINSTANCE);
        st->icon = (HICON)LoadImageA(inst, "ICO_APP", IMAGE_ICON, 32, 32, 0);
        RECT left = {0, 0, 0, 0}, top = {0, 0, 0, 0};
        GetRelWinRect(GetDlgItem(dlg, IDC_ABOUT_LEFT), dlg, &left);
        GetRelWinRect(GetDlgItem(dlg, IDC_ABOUT_NAME), dlg, &top);
        st->at.x = left.left;
        st->at.y = top.top;
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        paintIcon(dlg, dc);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_PRINTCLIENT:
        paintIcon(dlg, (HDC)wp);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        case IDC_ABOUT_EULA:
            if (st)
                showEula(dlg, st->appDir);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (st && st->icon) {
            DestroyIcon(st->icon);
            st->icon = 0;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

std::string aboutProgramText() {
    return std::string("Lumbra 2.0.6\r\nBuilt ") + __DATE__;
}

bool readEula(char const* appDir, std::string* text) {
    char path[MAX_PATH + 64];
    snprintf(path, sizeof path, "%s%s", appDir ? appDir : "", EULA_FILE);
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::vector<char> buf(EULA_MAX + 1, 0);
    size_t n = fread(buf.data(), 1, EULA_MAX, f);
    fclose(f);
    buf[n] = 0;
    if (text)
        *text = buf.data();
    return true;
}

INT_PTR runAboutDialog(HINSTANCE inst, HWND owner, char const* appDir) {
    cAboutState st = {appDir, 0, {0, 0}};
    return DialogBoxParamA(inst, "DLG_About", owner, aboutProc, (LPARAM)&st);
}
