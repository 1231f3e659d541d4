/* Shows ShowDlgTextik with three buttons over a small parent window; the dialog closes
   itself after the number of seconds given on the command line (default 8). */
#include <windows.h>

#include <cstdlib>

#include "winutil.h"

namespace {

void onButton(HWND dlg, int index) {
    if (index == 0)
        EndDialog(dlg, 100);
}

void CALLBACK closeAll(HWND, UINT, UINT_PTR, DWORD) {
    HWND dlg = FindWindowA("#32770", "Show expression");
    if (dlg)
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmd, int) {
    int seconds = cmd && *cmd ? atoi(cmd) : 8;
    HWND parent = CreateWindowExA(0, "STATIC", "Lumbra", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  900, 650, 0, 0, GetModuleHandleA(0), 0);
    SetTimer(0, 0, seconds * 1000, closeAll);
    ShowDlgTextik(parent,
                  "select c.name, sum(o.amount)\r\n"
                  "from customers c, orders o\r\n"
                  "where o.customer_id = c.id\r\n"
                  "group by c.name\r\n"
                  "order by 2 desc;\r\n",
                  "Show expression", false, false, 0xFFF8D8, onButton, "&Close", 40, "Copy to Q&1",
                  40, "&Run", 40);
    DestroyWindow(parent);
    return 0;
}
