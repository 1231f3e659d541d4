/* Start-up time of a program until its main window takes input, beside an empty window
   program (bench_empty.exe, beside this one), in turns.
   Usage: bench_startup <program.exe> [runs] [window class]
   Each start runs in a fresh directory holding only a settings file without settings (the
   program's directory when none is registered; without the file the program would stop at
   its warning box), is timed from CreateProcess until WaitForInputIdle returns and a visible
   top-level window of the process (of the given class, when one is given) exists, and is
   then ended. Prints every start and the medians. */
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../benchtime.h"

namespace {

struct Find {
    DWORD pid;
    char const* cls;  // 0: any class
    HWND found;
};

BOOL CALLBACK findWindow(HWND w, LPARAM lp) {
    Find* f = (Find*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    if (pid == f->pid && IsWindowVisible(w) &&
        (!f->cls || (GetClassNameA(w, cls, sizeof cls) && strcmp(cls, f->cls) == 0))) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

/* Milliseconds from CreateProcess until the program's window takes input; -1 on failure. */
double startOnce(std::string const& cmd, std::string const& dir, char const* cls) {
    CreateDirectoryA(dir.c_str(), 0);
    HANDLE ini = CreateFileA((dir + "\\Lumbra.ini").c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, 0);
    if (ini != INVALID_HANDLE_VALUE) {
        static char const kNoSettings[] = "[Lumbra Settings]\r\n";
        DWORD done = 0;
        WriteFile(ini, kNoSettings, sizeof kNoSettings - 1, &done, 0);
        CloseHandle(ini);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    double t0 = nowMs();
    if (!CreateProcessA(0, line.data(), 0, 0, FALSE, 0, 0, dir.c_str(), &si, &pi))
        return -1;
    double ms = -1;
    if (WaitForInputIdle(pi.hProcess, 20000) == 0) {
        Find f = {pi.dwProcessId, cls, 0};
        for (int i = 0; i < 20000 && !f.found; i++) {
            EnumWindows(findWindow, (LPARAM)&f);
            if (!f.found)
                Sleep(1);
        }
        if (f.found)
            ms = nowMs() - t0;
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ms;
}

void removeTree(std::string const& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_startup <program.exe> [runs] [window class]\n");
        return 2;
    }
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    char const* cls = argc > 3 ? argv[3] : 0;
    if (runs < 1)
        runs = 1;
    char self[MAX_PATH], full[MAX_PATH], tmp[MAX_PATH];
    GetModuleFileNameA(0, self, sizeof self);
    GetFullPathNameA(argv[1], sizeof full, full, 0);
    GetTempPathA(sizeof tmp, tmp);
    std::string emptyExe = self;
    emptyExe = emptyExe.substr(0, emptyExe.find_last_of('\\') + 1) + "bench_empty.exe";
    std::string empty = "\"" + emptyExe + "\"";
    std::string program = std::string("\"") + full + "\"";
    std::string base = std::string(tmp) + "startup_bench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(base.c_str(), 0);

    startOnce(empty, base + "\\warm0", 0);  // Wine's own start-up paths warm
    startOnce(program, base + "\\warm1", cls);
    std::vector<double> e, p, d;
    for (int r = 1; r <= runs; r++) {
        double te = startOnce(empty, base + "\\e" + std::to_string(r), 0);
        double tp = startOnce(program, base + "\\p" + std::to_string(r), cls);
        printf("run %d: empty program %.1f ms, %s %.1f ms\n", r, te, argv[1], tp);
        if (te < 0 || tp < 0)
            continue;
        e.push_back(te);
        p.push_back(tp);
        d.push_back(tp - te);
    }
    removeTree(base);
    if (p.empty()) {
        printf("no start succeeded\n");
        return 1;
    }
    printf("median: empty program %.1f ms (%.1f-%.1f), %s %.1f ms (%.1f-%.1f), beyond the empty "
           "program %.1f ms, %d runs\n",
           median(e), *std::min_element(e.begin(), e.end()), *std::max_element(e.begin(), e.end()),
           argv[1], median(p), *std::min_element(p.begin(), p.end()),
           *std::max_element(p.begin(), p.end()), median(d), (int)p.size());
    return 0;
}
