/* Time the script editor (a multi-line EDIT with the workbench's style) takes to show one
   line of n characters, for growing n; picks the longest line shown in under a second.
   Also tells whether a lone LF breaks a line in this edit control.
     bench_wb_editline.exe [max-kilobytes [blanks]] */
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    int maxKb = argc > 1 ? atoi(argv[1]) : 256;
    HWND top = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                               0, 0, 0, 0);
    HWND e = CreateWindowExA(0, "EDIT", "", 0x54A010C4 & ~WS_CLIPSIBLINGS, 0, 0, 780, 560, top,
                             0, 0, 0);
    SendMessageA(e, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    // The workbench's default editor font.
    HFONT font = CreateFontA(-11, 0, 0, 0, 400, 0, 0, 0, 0, 1, 2, 1, 34, "MS Sans Serif");
    SendMessageA(e, WM_SETFONT, (WPARAM)font, TRUE);
    bool blanks = argc > 2 && atoi(argv[2]) != 0;
    SetWindowTextA(e, "a\nb\r\nc");
    printf("lines of \"a\\nb\\r\\nc\": %d (a lone LF %s)\n", (int)SendMessageA(e, EM_GETLINECOUNT, 0, 0),
           SendMessageA(e, EM_GETLINECOUNT, 0, 0) == 3 ? "breaks a line" : "does not break a line");
    for (int kb = 4; kb <= maxKb; kb *= 2) {
        std::string line;
        for (int i = 0; (int)line.size() < kb * 1024; i++)
            line += blanks && i % 8 == 7 ? ' ' : (char)('a' + i % 26);
        std::string text = "select 1;\r\n" + line + "\r\nselect 2;\r\n";
        DWORD t = GetTickCount();
        SetWindowTextA(e, text.c_str());
        UpdateWindow(e);
        SendMessageA(e, EM_SETSEL, 11 + line.size() / 2, 11 + line.size() / 2);
        SendMessageA(e, EM_SCROLLCARET, 0, 0);
        UpdateWindow(e);
        DWORD ms = GetTickCount() - t;
        printf("line of %7d characters: %6lu ms\n", (int)line.size(), (unsigned long)ms);
        fflush(stdout);
        if (ms > 4000)
            break;
    }
    DestroyWindow(top);
    return 0;
}
