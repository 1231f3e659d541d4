/* Helpers for the window tests: scratch INI files, message pumping and a driver that acts
   inside modal loops (dialogs, message boxes, menus) so that no test waits for a person. */
#ifndef LUMBRA_WINTEST_H
#define LUMBRA_WINTEST_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wintest {

/* A fresh INI path in the temp directory, removed by the destructor. */
class TempIni {
public:
    explicit TempIni(char const* stem) {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        static int serial = 0;
        char name[MAX_PATH + 64];
        wsprintfA(name, "%s%s_%lu_%d.ini", dir, stem, GetCurrentProcessId(), ++serial);
        path = name;
        DeleteFileA(path.c_str());
    }
    ~TempIni() {
        WritePrivateProfileStringA(0, 0, 0, path.c_str());  // flush the profile cache
        DeleteFileA(path.c_str());
    }
    char const* c_str() const { return path.c_str(); }
    /* Raw value as the platform reads it back. */
    std::string read(char const* section, char const* key) const {
        char buf[1024];
        GetPrivateProfileStringA(section, key, "<missing>", buf, sizeof buf, path.c_str());
        return buf;
    }
    void write(char const* section, char const* key, char const* value) const {
        WritePrivateProfileStringA(section, key, value, path.c_str());
    }
    std::string path;
};

inline void pump(DWORD ms = 0) {
    DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (ms)
            Sleep(5);
    } while ((LONG)(GetTickCount() - end) < 0);
}

inline std::string className(HWND w) {
    char buf[64] = "";
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

inline std::string windowText(HWND w) {
    char buf[4096] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

struct WindowQuery {
    char const* cls;
    char const* title;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collectWindow(HWND w, LPARAM lp) {
    WindowQuery* q = (WindowQuery*)lp;
    if (IsWindowVisible(w) && className(w) == q->cls && (!q->title || windowText(w) == q->title))
        q->found.push_back(w);
    return TRUE;
}

/* Visible top-level windows of this thread with the class (and title, when given). */
inline std::vector<HWND> threadWindows(char const* cls, char const* title = 0) {
    WindowQuery q = {cls, title, {}};
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, (LPARAM)&q);
    return q.found;
}

inline HWND findDialog(char const* title) {
    std::vector<HWND> v = threadWindows("#32770", title);
    return v.empty() ? 0 : v[0];
}

/* Runs step from a thread timer (so inside any modal loop of this thread) every 50 ms until
   it returns true. After timeoutMs the driver gives up: it records the time-out, cancels
   every dialog of the thread and ends menu tracking, so the modal call returns. */
class Driver {
public:
    explicit Driver(std::function<bool()> step, DWORD timeoutMs = 15000)
        : step_(step), deadline_(GetTickCount() + timeoutMs) {
        current() = this;
        timer_ = SetTimer(0, 0, 50, onTimer);
    }
    ~Driver() {
        if (timer_)
            KillTimer(0, timer_);
        current() = 0;
    }
    bool timedOut() const { return timedOut_; }
    bool finished() const { return finished_; }

private:
    static Driver*& current() {
        static Driver* d = 0;
        return d;
    }
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
        Driver* d = current();
        if (!d || d->timer_ != id) {
            KillTimer(0, id);  // left over from a driver that is gone
            return;
        }
        if (d->finished_ || d->busy_)
            return;
        d->busy_ = true;  // a step may itself run a modal loop
        if ((LONG)(GetTickCount() - d->deadline_) >= 0) {
            d->timedOut_ = true;
            d->finished_ = true;
            for (HWND w : threadWindows("#32770"))
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
            EndMenu();
        } else if (d->step_()) {
            d->finished_ = true;
        }
        d->busy_ = false;
    }
    std::function<bool()> step_;
    DWORD deadline_;
    UINT_PTR timer_ = 0;
    bool timedOut_ = false;
    bool finished_ = false;
    bool busy_ = false;
};

/* Test parent window that records the WM_COMMAND messages it receives. */
struct CommandLog {
    struct Entry {
        WPARAM wp;
        LPARAM lp;
    };
    std::vector<Entry> entries;
};

inline LRESULT CALLBACK parentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND) {
        CommandLog* log = (CommandLog*)GetWindowLongPtrA(w, GWLP_USERDATA);
        if (log)
            log->entries.push_back({wp, lp});
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

inline HWND createParent(CommandLog* log, int x = 100, int y = 100, int w = 600, int h = 400,
                         DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = parentProc;
        wc.hInstance = GetModuleHandleA(0);
        wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = "LumbraTestParent";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND p = CreateWindowExA(0, "LumbraTestParent", "Test parent", style, x, y, w, h, 0, 0,
                             GetModuleHandleA(0), 0);
    SetWindowLongPtrA(p, GWLP_USERDATA, (LONG_PTR)log);
    pump();
    return p;
}

}  // namespace wintest

#endif
