/* Shows the Connect dialog ("connect") or the Tables dialog ("tables <dsn> [user pswd]")
   over a plain window for a look at them; each closes itself after a few seconds. */
#include <windows.h>

#include <string.h>

#include <string>

#include "dlgconnect.h"
#include "dlgtables.h"
#include "xdbc.h"

namespace {

const UINT kShowMs = 8000;

LRESULT CALLBACK frameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

struct DemoConnect : cConnectHost {
    std::string ini;
    HWND main = 0;
    bool save = false;
    char const* iniFile() override { return ini.c_str(); }
    HWND mainWindow() override { return main; }
    int slotNumber() override { return 1; }
    long slotColor() override { return 0xC0E0F0; }
    bool savePassword() override { return save; }
    void setSavePassword(bool on) override { save = on; }
    bool connectTo(char const*, char const*, char const*) override { return false; }
};

struct DemoTables : cTablesHost {
    std::string ini, name;
    HWND main = 0;
    cXdbc* db = 0;
    char const* iniFile() override { return ini.c_str(); }
    HWND mainWindow() override { return main; }
    int slotIndex() override { return 1; }
    long slotColor() override { return 0xFFD0D0; }
    char const* dsn() override { return name.c_str(); }
    cXdbc* connection() override { return db; }
    void showSlot() override {}
    bool runSelect(char const*) override { return true; }
    void focusGrid() override {}
    void connectionLost(char const*) override {}
    void tablesClosed(HWND) override { PostQuitMessage(0); }
};

void CALLBACK endConnect(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(0, id);
    HWND d = FindWindowA("#32770", "Connect [Q1]");
    if (d)
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmd, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = frameProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = "DlgDemoFrame";
    RegisterClassA(&wc);
    HWND main = CreateWindowA("DlgDemoFrame", "Lumbra dialogs", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              100, 100, 600, 500, 0, 0, inst, 0);
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string ini = std::string(tmp) + "dlg_demo.ini";
    char args[512];
    lstrcpynA(args, cmd ? cmd : "", sizeof args);
    char* words[4] = {};
    int n = 0;
    for (char* t = strtok(args, " "); t && n < 4; t = strtok(0, " "))
        words[n++] = t;
    if (n >= 2 && strcmp(words[0], "tables") == 0) {
        DemoTables host;
        host.ini = ini;
        host.name = words[1];
        host.main = main;
        host.db = xdb_init();
        if (!host.db->connect(words[1], n > 2 ? words[2] : "", n > 3 ? words[3] : "", 0))
            MessageBoxA(main, host.db->errorStr(), "connect", MB_OK);
        HWND d = tablesDialog(&host);
        SetTimer(0, 0, kShowMs, 0);
        MSG m;
        while (d && GetMessageA(&m, 0, 0, 0) > 0) {
            if (m.message == WM_TIMER && !m.hwnd) {
                DestroyWindow(d);
                continue;
            }
            if (!IsDialogMessageA(d, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        }
        xdb_free(host.db);
    } else {
        DemoConnect host;
        host.ini = ini;
        host.main = main;
        WritePrivateProfileStringA("Lumbra Settings", "LastDatabase", "LumbraPG", ini.c_str());
        WritePrivateProfileStringA("Saved Logins", "LumbraPG_user", "lumbra", ini.c_str());
        WritePrivateProfileStringA("Saved Logins", "LumbraPG_pswd", "secret", ini.c_str());
        SetTimer(0, 0, kShowMs, endConnect);
        connectDialog(&host, main);
    }
    DestroyWindow(main);
    DeleteFileA(ini.c_str());
    return 0;
}
