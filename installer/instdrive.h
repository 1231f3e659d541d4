/* Drives an installer window of another process: starts the program in a directory, fills
   the target, presses START, answers every message box (keeping its text) and closes the
   window at the end. Nothing waits for a person; every wait has a time limit. */
#ifndef LUMBRA_INSTDRIVE_H
#define LUMBRA_INSTDRIVE_H

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace instdrive {

struct WindowQuery {
    DWORD pid;
    char const* cls;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collect(HWND w, LPARAM lp) {
    WindowQuery* q = (WindowQuery*)lp;
    DWORD p = 0;
    GetWindowThreadProcessId(w, &p);
    char c[64] = "";
    GetClassNameA(w, c, sizeof c);
    if ((!q->pid || p == q->pid) && IsWindowVisible(w) && lstrcmpA(c, q->cls) == 0)
        q->found.push_back(w);
    return TRUE;
}

/* Visible top-level windows with a class, of one process (pid 0: of any). */
inline std::vector<HWND> windows(DWORD pid, char const* cls) {
    WindowQuery q = {pid, cls, {}};
    EnumWindows(collect, (LPARAM)&q);
    return q.found;
}

inline std::string text(HWND w) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len))
        return "";
    std::vector<char> buf(len + 2, 0);
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_GETTEXT, len + 1, (LPARAM)buf.data(), SMTO_ABORTIFHUNG, 5000, &got);
    return std::string(buf.data());
}

/* Answers every message box of a process with OK and keeps the texts, in order. */
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD p) : pid(p), thread([this] { loop(); }) {}
    ~BoxWatcher() {
        stop = true;
        thread.join();
    }
    std::vector<std::string> seen() {
        std::lock_guard<std::mutex> l(lock);
        return texts;
    }

private:
    void loop() {
        std::vector<HWND> answered;
        while (!stop) {
            for (HWND box : windows(pid, "#32770")) {
                bool again = false;
                for (HWND a : answered)
                    again = again || a == box;
                if (!again) {
                    answered.push_back(box);
                    std::string all = text(box) + "|";
                    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                        char cls[32] = "";
                        GetClassNameA(c, cls, sizeof cls);
                        if (lstrcmpiA(cls, "Static") == 0)
                            all += text(c);
                    }
                    std::lock_guard<std::mutex> l(lock);
                    texts.push_back(all);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(30);
        }
    }
    DWORD pid;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<std::string> texts;  // "caption|text" of each box
    std::thread thread;
};

/* Closes the folder windows that an install opens when it closes (waiting up to waitMs
   for one) and waits for their processes to end; returns how many were closed. */
inline int closeFolderWindows(DWORD waitMs) {
    int closed = 0;
    for (DWORD began = GetTickCount(); !closed && GetTickCount() - began < waitMs; Sleep(50)) {
        for (char const* cls : {"ExplorerWClass", "CabinetWClass", "ExploreWClass"})
            for (HWND w : windows(0, cls)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
                PostMessageA(w, WM_CLOSE, 0, 0);
                if (h) {
                    if (WaitForSingleObject(h, 5000) != WAIT_OBJECT_0)
                        TerminateProcess(h, 0);
                    CloseHandle(h);
                }
                closed++;
            }
    }
    return closed;
}

/* One run of an installer program. */
class Session {
public:
    ~Session() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(pi.hProcess, 99);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        delete boxes;
    }
    /* Starts exe with dir as its current directory. */
    bool start(std::string const& exe, std::string const& dir) {
        std::string cmd = "\"" + exe + "\"";
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back(0);
        // Standard handles on NUL: a folder window the program opens never holds our output.
        SECURITY_ATTRIBUTES sa = {sizeof sa, 0, TRUE};
        HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                 OPEN_EXISTING, 0, 0);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (nul != INVALID_HANDLE_VALUE) {
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = si.hStdOutput = si.hStdError = nul;
        }
        BOOL ok = CreateProcessA(exe.c_str(), buf.data(), 0, 0, nul != INVALID_HANDLE_VALUE, 0, 0, dir.c_str(),
                                 &si, &pi);
        if (nul != INVALID_HANDLE_VALUE)
            CloseHandle(nul);
        if (!ok)
            return false;
        boxes = new BoxWatcher(pi.dwProcessId);
        return true;
    }
    /* Waits for the window "ClassXinstall"; false when the program ended or time ran out. */
    bool waitWindow(DWORD ms = 20000) {
        for (DWORD began = GetTickCount(); GetTickCount() - began < ms;) {
            std::vector<HWND> w = windows(pi.dwProcessId, "ClassXinstall");
            if (!w.empty() && GetDlgItem(w[0], 303)) {
                main = w[0];
                return true;
            }
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
                return false;
        }
        return false;
    }
    HWND item(int id) const { return GetDlgItem(main, id); }
    std::string title() const {
        char buf[512] = "";
        GetWindowTextA(main, buf, sizeof buf);
        return buf;
    }
    std::string target() const { return text(item(300)); }
    void setTarget(std::string const& t) {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(item(300), WM_SETTEXT, 0, (LPARAM)t.c_str(), SMTO_ABORTIFHUNG, 5000, &r);
    }
    void press(int id) { PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)item(id)); }
    /* Presses START and waits until the field shows "Finished!" or "Error!" (returned), or
       until the window is back to its first state after a refused start ("" returned). */
    std::string run(DWORD ms = 60000) {
        size_t before = boxes->seen().size();
        press(302);
        for (DWORD began = GetTickCount(); GetTickCount() - began < ms; Sleep(30)) {
            std::string t = target();
            if (t == "Finished!" || t == "Error!")
                return t;
            if (boxes->seen().size() > before && IsWindowEnabled(item(302)) && text(item(302)) == "&START" &&
                windows(pi.dwProcessId, "#32770").empty())
                return "";
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
                return "";
        }
        return "";
    }
    /* Presses the button in START's place (Close after a run) and waits for the end. */
    DWORD close(DWORD ms = 20000, int id = 302) {
        press(id);
        return waitExit(ms);
    }
    /* The exit code, or STILL_ACTIVE after the time limit. */
    DWORD waitExit(DWORD ms = 20000) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    std::vector<std::string> messages() const { return boxes ? boxes->seen() : std::vector<std::string>(); }

    PROCESS_INFORMATION pi = {};
    HWND main = 0;

private:
    BoxWatcher* boxes = 0;
};

}  // namespace instdrive

#endif
