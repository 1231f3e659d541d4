/* A top-level window with a filled grid and a typed filter, for looking at the grid.
   griddemo [seconds [edit|form|export]]: closes itself after that many seconds (0: stays
   open); then opens an in-place editor, the record form or the export dialog. */
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "sample.h"

namespace {

cRerovar* grid = 0;

LRESULT CALLBACK topProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_SIZE:
        if (grid && grid->hwnd)
            MoveWindow(grid->hwnd, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (grid && grid->hwnd)
            SetFocus(grid->hwnd);
        return 0;
    case WM_TIMER:
        DestroyWindow(w);
        return 0;
    case WM_APP:
        if (grid)
            grid->export_dialog();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    HINSTANCE inst = GetModuleHandleA(0);
    cRerovar::registerMe(inst);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = topProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "GridDemo";
    RegisterClassA(&wc);
    HWND top = CreateWindowExA(0, "GridDemo", "Lumbra grid", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               40, 40, 900, 560, 0, 0, inst, 0);
    RECT rc;
    GetClientRect(top, &rc);
    grid = new cRerovar();
    char const* mode = argc > 2 ? argv[2] : "";
    long flags = TAX_COLSELECT | TAX_FORM;
    if (!strcmp(mode, "edit"))
        flags |= TAX_EDITABLE | TAX_FORMEDIT;
    if (!grid->init(1, top, 0, 0, (short)rc.right, (short)rc.bottom, flags))
        return 1;
    sampleColumns(grid);
    sampleRows(grid, 400);
    grid->show();
    ShowWindow(top, SW_SHOW);
    SetFocus(grid->hwnd);

    /* Select the City column and type a filter into it; select a few rows. */
    SendMessageA(grid->hwnd, WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(grid->cols[0]->width + grid->cols[1]->width + 10, 5));
    SendMessageA(grid->hwnd, WM_CHAR, 'P', 1);
    SendMessageA(grid->hwnd, WM_CHAR, 'r', 1);
    grid->setCurSel(3);
    int y = grid->headerHeight + grid->qbeHeight + 5 * grid->rowHeight + 4;
    SendMessageA(grid->hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, y));
    SendMessageA(grid->hwnd, WM_KEYDOWN, VK_DOWN, 1);

    if (!strcmp(mode, "edit")) {
        grid->form_create();
        grid->edit_start(2, 6);
        SendMessageA(grid->textEditor, WM_CHAR, 'Z', 1);
    } else if (!strcmp(mode, "form")) {
        grid->form_create();
    } else if (!strcmp(mode, "export")) {
        PostMessageA(top, WM_APP, 0, 0);
    }
    if (argc > 1 && atoi(argv[1]) > 0)
        SetTimer(top, 1, (UINT)(atoi(argv[1]) * 1000), 0);
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        if (cRerovar::wantMessage(m, GetActiveWindow()))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
