/* Program entry of the workbench. Until the query window lands this shows the core
   library at work: the current date printed through the date-time scalar. */
#include <windows.h>

#include "strx.h"
#include "timex.h"

static LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        char line[160];
        wsprintfA(line, "Lumbra core library is loaded. UTC now: %s", ctimex(timex(), (char*)"DD MMMM YYYY hh:mm:ss"));
        RECT rc;
        GetClientRect(hwnd, &rc);
        DrawTextA(dc, line, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = mainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "LumbraCore";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("LumbraCore", "Lumbra", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              640, 200, NULL, NULL, inst, NULL);
    ShowWindow(hwnd, show);
    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return (int)m.wParam;
}
