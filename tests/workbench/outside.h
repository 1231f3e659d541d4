/* Helpers of the tests that start lumbra.exe and drive it from another process: files,
   the program's windows and their texts. */
#ifndef LUMBRA_OUTSIDE_H
#define LUMBRA_OUTSIDE_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace outside {

inline std::string envOr(char const* name, char const* fallback) {
    char const* v = getenv(name);
    return v && *v ? v : fallback;
}

inline std::string sqliteDsn() { return envOr("LUMBRA_SQLITE_DSN", "LumbraSQLite"); }

/* The directory of the test executable (lumbra.exe is built beside it), ending with "\". */
inline std::string hereDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(0, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1);
}

/* A new directory stem + process id in the temp directory, ending with "\". */
inline std::string scratchDir(char const* stem) {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string dir = std::string(tmp) + stem + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), 0);
    return dir;
}

inline void writeFile(std::string const& path, std::string const& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline std::string readFile(std::string const& path) {
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return "<cannot open " + path + ">";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

/* Starts exe with the quoted argument in dir; false when it cannot be started. */
inline bool start(std::string const& exe, std::string const& arg, std::string const& dir,
                  PROCESS_INFORMATION* pi) {
    std::string cmd = "\"" + exe + "\" \"" + arg + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    *pi = PROCESS_INFORMATION();
    std::vector<char> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back(0);
    return CreateProcessA(exe.c_str(), cmdBuf.data(), 0, 0, FALSE, 0, 0, dir.c_str(), &si, pi) !=
           FALSE;
}

/* The text of a window of another process (gives up on a hung one). */
inline std::string text(HWND w) {
    DWORD_PTR len = 0;
    SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len);
    std::vector<char> buf(len + 1, 0);
    DWORD_PTR got = 0;
    SendMessageTimeoutA(w, WM_GETTEXT, len + 1, (LPARAM)buf.data(), SMTO_ABORTIFHUNG, 5000, &got);
    return std::string(buf.data());
}

struct WindowQuery {
    DWORD pid;
    char const* cls;
    char const* title;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collectWindow(HWND w, LPARAM lp) {
    WindowQuery* q = (WindowQuery*)lp;
    DWORD p = 0;
    GetWindowThreadProcessId(w, &p);
    char c[64] = "";
    GetClassNameA(w, c, sizeof c);
    if (p == q->pid && IsWindowVisible(w) && lstrcmpA(c, q->cls) == 0 &&
        (!q->title || text(w) == q->title))
        q->found.push_back(w);
    return TRUE;
}

/* Visible top-level windows of a process with a class (and title). */
inline std::vector<HWND> processWindows(DWORD pid, char const* cls, char const* title = 0) {
    WindowQuery q = {pid, cls, title, {}};
    EnumWindows(collectWindow, (LPARAM)&q);
    return q.found;
}

}  // namespace outside

#endif
