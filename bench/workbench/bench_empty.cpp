/* The floor of a start-up: one window, shown, and the message loop. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = "EmptyBench";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "EmptyBench", "empty", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, 0, 0,
                             inst, 0);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    MSG m;
    while (GetMessageA(&m, 0, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
