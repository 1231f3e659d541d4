/* The installer's window and its install, upgrade and uninstall runs. */
#include "xinstall.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstring>

#include "iniwrite.h"

namespace {

char const kClass[] = "ClassXinstall";
char const kCaption[] = "Vor installer error";
char const kVorKey[] = "Software\\Vor Systems";
char const kHalvard[] = "Halvard Studio";
char const kRunMutex[] = "VorInstallerRun";  // held while an installer runs

/* Sections beyond this size are taken as damaged rather than read in part. */
DWORD const kMaxSection = 16u << 20;

bool isDir(std::string const& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool canRead(std::string const& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return !isDir(path);
}

typedef LONG(WINAPI* SetInformationFile)(HANDLE, void*, void*, ULONG, int);

/* path can be deleted now, or is not there: the file is marked for deletion and unmarked
   again, which fails as deleting would (a file held open, a running program). */
bool canDelete(std::string const& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    HANDLE h = CreateFileA(path.c_str(), DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                           OPEN_EXISTING, 0, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    static SetInformationFile set = (SetInformationFile)(void*)GetProcAddress(
        GetModuleHandleA("ntdll.dll"), "NtSetInformationFile");
    bool ok = true;
    if (set && !(a & FILE_ATTRIBUTE_READONLY)) {  // a read-only file is made normal first
        ULONG_PTR status[2];
        BOOLEAN mark = TRUE;
        int const kDisposition = 13;  // FileDispositionInformation
        ok = set(h, status, &mark, sizeof mark, kDisposition) >= 0;
        mark = FALSE;
        if (ok)
            set(h, status, &mark, sizeof mark, kDisposition);
    }
    CloseHandle(h);
    return ok;
}

/* The files of rels (relative to target) that cannot be deleted now, one per line. */
std::string filesInUse(std::string const& target, std::vector<std::string> const& rels) {
    std::string busy;
    for (std::string const& rel : rels)
        if (!canDelete(target + rel))
            busy += "\n" + rel;
    return busy;
}

/* Clears the read-only flag of an existing file. */
void makeNormal(std::string const& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool fitsPath(std::string const& path) { return path.size() < MAX_PATH; }

/* The full path of a typed directory: ".", ".." and doubled separators resolved, so that the
   path stored for the uninstall is the one the directory has. Unchanged when it fails. */
std::string fullPath(std::string const& path) {
    char buf[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, 0);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

/* a and b are one directory: the same file of the same volume when both open, else the
   same full path ignoring the case of any letter. */
bool sameDirectory(std::string const& a, std::string const& b) {
    HANDLE ha = CreateFileA(a.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
    HANDLE hb = CreateFileA(b.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
    BY_HANDLE_FILE_INFORMATION ia = {}, ib = {};
    bool both = ha != INVALID_HANDLE_VALUE && hb != INVALID_HANDLE_VALUE &&
                GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib);
    if (ha != INVALID_HANDLE_VALUE)
        CloseHandle(ha);
    if (hb != INVALID_HANDLE_VALUE)
        CloseHandle(hb);
    if (both)
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
    std::string fa = instxWithSlash(fullPath(a)), fb = instxWithSlash(fullPath(b));
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, fa.c_str(), -1, fb.c_str(), -1) ==
           CSTR_EQUAL;
}

std::string windowText(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::string s(n + 1, '\0');
    n = GetWindowTextA(w, &s[0], n + 1);
    s.resize(n > 0 ? n : 0);
    return s;
}

std::string regRootDir(std::string const& app) {
    if (!instxRegNameOk(app, 255))
        return "";
    HKEY key;
    std::string path = std::string(kVorKey) + "\\" + app;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char value[MAX_PATH + 1] = "";
    DWORD type = 0, size = MAX_PATH;
    LONG rc = RegQueryValueExA(key, "RootDir", 0, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return "";
    value[size <= MAX_PATH ? size : MAX_PATH] = 0;
    return value;
}

void setDefault(HKEY root, std::string const& path, std::string const& value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, 0, 0, KEY_WRITE, 0, &key, 0) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, 0, 0, REG_SZ, (BYTE const*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

int centreSpaces(HWND edit, HFONT font, std::string const& text) {
    RECT r;
    GetClientRect(edit, &r);
    HDC dc = GetDC(edit);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE t = {0, 0}, sp = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &t);
    GetTextExtentPoint32A(dc, " ", 1, &sp);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    int room = (r.right - r.left - 8) - t.cx;
    return (room > 0 && sp.cx > 0) ? room / 2 / sp.cx : 0;
}

}  // namespace

cXinstall::cXinstall(HINSTANCE i, int m, DWORD p) : inst(i), mode(m), pauseMs(p) {}

cXinstall::~cXinstall() {
    if (font)
        DeleteObject(font);
}

int cXinstall::run(int show) {
    if (!startUp())
        return 1;
    if (!createWindow(show))
        return 1;
    // Unicode messages: a typed letter reaches the ANSI fields in the ANSI code page,
    // not in the keyboard layout's.
    MSG m;
    while (GetMessageW(&m, 0, 0, 0) > 0) {
        if (accel && TranslateAcceleratorW(hwnd, accel, &m))
            continue;
        if (IsDialogMessageW(hwnd, &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return exitCode;
}

std::string cXinstall::profile(char const* sec, char const* key, char const* def) const {
    std::vector<char> buf(4096);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(sec, key, def, buf.data(), (DWORD)buf.size(), config.c_str());
        if (n + 1 < buf.size() || buf.size() >= 1u << 20)
            return std::string(buf.data(), n);
        buf.resize(buf.size() * 4);
    }
}

std::vector<std::string> cXinstall::targetPaths(char const* name, bool byValue) const {
    std::vector<std::string> paths;
    for (instxEntry const& e : section(name, config)) {
        std::string rel;
        if (instxSafeRelPath(byValue ? e.value : e.key, rel) && fitsPath(target + rel))
            paths.push_back(rel);
    }
    return paths;
}

std::vector<instxEntry> cXinstall::section(char const* name, std::string const& ini, bool* complete) const {
    std::vector<char> buf(10000);
    for (;;) {
        DWORD n = GetPrivateProfileSectionA(name, buf.data(), (DWORD)buf.size(), ini.c_str());
        bool cut = n + 2 >= buf.size();
        if (!cut || buf.size() >= kMaxSection) {
            if (complete)
                *complete = !cut;
            return instxParseSection(buf.data(), n);
        }
        buf.resize(buf.size() * 4 < kMaxSection ? buf.size() * 4 : kMaxSection);
    }
}

void cXinstall::error(char const* msgText) { MessageBoxA(hwnd, msgText, kCaption, MB_OK | MB_ICONERROR); }

bool cXinstall::startUp() {
    char cur[MAX_PATH] = "";
    DWORD n = GetCurrentDirectoryA(sizeof cur, cur);
    if (n == 0 || n >= sizeof cur) {
        error("Cannot find configuration file i.ini!");
        return false;
    }
    source = instxWithSlash(cur);
    config = source + "i.ini";
    if (!canRead(config)) {
        error("Cannot find configuration file i.ini!");
        return false;
    }
    if (mode == MODE_INSTALL && GetPrivateProfileIntA("Application", "Upgrade", 0, config.c_str()) != 0)
        mode = MODE_UPGRADE;
    appName = profile("Application", "AppName");
    appFile = profile("Application", "AppFile");
    appVersion = profile("Application", "AppVersion");
    dirDepth = instxDirDepth((int)GetPrivateProfileIntA("Application", "DirDepth", 3, config.c_str()));
    std::string defaultPath = profile("Application", "AppDefaultPath");
    char const* textKey = mode == MODE_INSTALL   ? "AppInstallText"
                          : mode == MODE_UPGRADE ? "AppUpgradeText"
                                                 : "AppUninstallText";
    modeText = instxExpandNewlines(profile("Application", textKey));

    if (mode == MODE_INSTALL) {
        char sys[MAX_PATH] = "";
        GetSystemDirectoryA(sys, sizeof sys);
        target = instxOnDrive(defaultPath, sys[0]);
        return true;
    }
    target = regRootDir(appName);
    if (mode == MODE_UPGRADE) {
        if (target.empty() && lstrcmpiA(appName.c_str(), kHalvard) == 0) {
            char path[MAX_PATH] = "";
            GetProfileStringA(kHalvard, "Path_2_3", "", path, sizeof path);
            target = path;
        }
        bool ok = !target.empty() && isDir(target);
        if (ok) {
            bool complete = true;
            for (instxEntry const& e : section("UpgradeCheckFiles", config, &complete)) {
                std::string rel;
                if (!instxSafeRelPath(e.key, rel) || !canRead(instxWithSlash(target) + rel)) {
                    ok = false;
                    break;
                }
            }
            ok = ok && complete;
        }
        if (!ok) {
            std::string m;
            if (!target.empty())
                m = target + "\n\n";
            m += "Cannot run upgrade - invalid destination directory.\n"
                 "The previous version of the application was not installed correctly.\n"
                 "Please back up the file halvard.ini, delete the previous version and "
                 "install the full version.";
            error(m.c_str());
            return false;
        }
        return true;
    }
    if (target.empty()) {
        error("Cannot run uninstall - invalid directory.\nThe application was not installed correctly.\n"
              "Please delete all files manually.");
        return false;
    }
    /* The record read is the one in the current directory, so it must be the installed one:
       anywhere else the uninstall would delete the wrong i.ini. */
    if (!sameDirectory(target, source)) {
        std::string m = "Cannot run uninstall - invalid directory.\n"
                        "Please start the uninstall in the application directory:\n" + target;
        error(m.c_str());
        return false;
    }
    return true;
}

bool cXinstall::createWindow(int show) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = wndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, "ICO_SETUP");
    wc.hIconSm = (HICON)LoadImageA(inst, "ICO_SETUP", IMAGE_ICON, 16, 16, 0);
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    if (!RegisterClassExA(&wc))
        return false;
    accel = LoadAcceleratorsA(inst, "A_XINSTALL");
    std::string title = appName + (mode == MODE_INSTALL   ? "  -  INSTALL"
                                   : mode == MODE_UPGRADE ? "  -  UPGRADE"
                                                          : "  -  UNINSTALL");
    int w = 500, h = 160;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    hwnd = CreateWindowExA(0, kClass, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, x, y, w, h,
                           0, 0, inst, this);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    SetFocus(mode == MODE_INSTALL ? edit : start);
    return true;
}

LRESULT CALLBACK cXinstall::wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    cXinstall* self;
    if (m == WM_NCCREATE) {
        self = (cXinstall*)((CREATESTRUCTA*)lp)->lpCreateParams;
        self->hwnd = w;
        SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)self);
    } else {
        self = (cXinstall*)GetWindowLongPtrA(w, GWLP_USERDATA);
    }
    return self ? self->dispatch(m, wp, lp) : DefWindowProcA(w, m, wp, lp);
}

LRESULT cXinstall::dispatch(UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_CREATE: return onCreate();
    case WM_COMMAND: return onCommand(LOWORD(wp));
    case DM_GETDEFID: return MAKELONG(IDC_XI_START, DC_HASDEFID);
    case WM_CLOSE:
        if (!busy)
            onClose();
        return 0;
    case WM_DESTROY: PostQuitMessage(exitCode); return 0;
    }
    return DefWindowProcA(hwnd, m, wp, lp);
}

LRESULT cXinstall::onCreate() {
    HDC dc = GetDC(0);
    int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(0, dc);
    font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    RECT r;
    GetClientRect(hwnd, &r);
    int cw = r.right, ch = r.bottom;
    auto child = [&](char const* cls, char const* txt, DWORD style, DWORD ex, int x, int y, int w, int h, int id) {
        HWND c = CreateWindowExA(ex, cls, txt, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                                 (HMENU)(INT_PTR)id, inst, 0);
        SendMessageA(c, WM_SETFONT, (WPARAM)font, 0);
        return c;
    };
    icon = child("STATIC", "", SS_ICON, 0, 10, 10, 32, 32, -1);
    SendMessageA(icon, STM_SETICON, (WPARAM)LoadIconA(inst, "ICO_SETUP"), 0);
    text = child("STATIC", modeText.c_str(), SS_LEFT, 0, 60, 10, cw - 10 - 60, ch - 80 - 10, -1);
    edit = child("EDIT", target.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 60, ch - 70,
                 cw - 100 - 60, 25, IDC_XI_TARGET);
    SendMessageA(edit, EM_LIMITTEXT, MAX_PATH, 0);
    EnableWindow(edit, mode == MODE_INSTALL);
    if (mode == MODE_INSTALL)
        browse = child("BUTTON", "&Browse...", WS_TABSTOP | BS_PUSHBUTTON, 0, cw - 90, ch - 70, 80, 25,
                       IDC_XI_BROWSE);
    start = child("BUTTON", "&START", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, cw - 180, ch - 35, 80, 25, IDC_XI_START);
    close = child("BUTTON", "&Close", WS_TABSTOP | BS_PUSHBUTTON, 0, cw - 90, ch - 35, 80, 25, IDC_XI_CLOSE);
    return 0;
}

LRESULT cXinstall::onCommand(int id) {
    switch (id) {
    case IDC_XI_START:
        if (done)
            onClose();
        else if (!busy)
            onStart();
        break;
    case IDC_XI_CLOSE:
    case CMD_XI_ESCAPE:
        if (!busy)
            onClose();
        break;
    case IDC_XI_BROWSE:
        if (!busy && !done && mode == MODE_INSTALL)
            onBrowse();
        break;
    }
    return 0;
}

void cXinstall::onBrowse() {
    char path[MAX_PATH] = "";
    BROWSEINFOA bi = {};
    bi.hwndOwner = hwnd;
    bi.pszDisplayName = path;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (!pidl)
        return;
    if (SHGetPathFromIDListA(pidl, path))
        SetWindowTextA(edit, path);
    CoTaskMemFree(pidl);
}

void cXinstall::onClose() {
    if (lstrcmpiA(appName.c_str(), kHalvard) == 0)
        WriteProfileStringA(kHalvard, 0, 0);
    if (mode == MODE_INSTALL) {
        std::string dir = done ? target : windowText(edit);
        if (!dir.empty() && isDir(dir))
            ShellExecuteA(0, "open", dir.c_str(), 0, 0, SW_SHOWNORMAL);
    }
    DestroyWindow(hwnd);
}

void cXinstall::pause() {
    DWORD began = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, 0, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {  // not expected while busy; keep it for the loop
                PostQuitMessage((int)m.wParam);
                return;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (GetTickCount() - began >= pauseMs)
            return;
        MsgWaitForMultipleObjects(0, 0, FALSE, 20, QS_ALLINPUT);
    }
}

void cXinstall::progress(char const* what) {
    std::string s(centreSpaces(edit, font, what), ' ');
    s += what;
    SetWindowTextA(edit, s.c_str());
    UpdateWindow(edit);
    pause();
}

void cXinstall::onStart() {
    std::string t = windowText(edit);
    if (t.empty()) {
        error("Please enter target application directory!");
        return;
    }
    // Only a whole path ("X:\...") is taken as it is typed; its form is checked later.
    if (instxTargetFormOk(t))
        t = fullPath(t);
    t = instxWithSlash(t);
    if (mode != MODE_UNINSTALL && sameDirectory(t, source)) {
        error("Target directory must not be same as source directory!");
        return;
    }
    // One run at a time: two on one target would replace each other's record.
    HANDLE one = CreateMutexA(0, TRUE, kRunMutex);
    if (!one || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (one)
            CloseHandle(one);
        error("Another installation is running. Press START again when it has ended.");
        return;
    }
    target = t;
    targetIni = target + "i.ini";
    busy = true;
    EnableWindow(edit, FALSE);
    EnableWindow(start, FALSE);
    if (browse)
        ShowWindow(browse, SW_HIDE);
    ShowWindow(close, SW_HIDE);
    bool ok = true;
    if (mode == MODE_INSTALL)
        ok = runInstall();
    else if (mode == MODE_UPGRADE)
        ok = runUpgrade();
    else
        ok = runUninstall();
    ReleaseMutex(one);
    CloseHandle(one);
    SetWindowTextA(edit, ok ? "Finished!" : "Error!");
    exitCode = ok ? 0 : 1;
    SetWindowTextA(start, "&Close");
    EnableWindow(start, TRUE);
    SetFocus(start);
    done = true;
    busy = false;
}

bool cXinstall::runInstall() {
    progress("Creating target directory...");
    if (!createTargetDir()) {
        error("Cannot create target directory!");
        return false;
    }
    progress("Copying files and directories...");
    if (!prepareTargetConfig() || !copyLists()) {
        error("Cannot copy files or create directories!");
        return false;
    }
    progress("Updating windows registry...");
    writeRegistry();
    return true;
}

bool cXinstall::runUpgrade() {
    if (!prepareTargetConfig()) {
        error("Cannot copy files or create directories!");
        return false;
    }
    // Nothing is removed or replaced while one of those files cannot be.
    std::vector<std::string> touched = targetPaths("Remove"), copied = targetPaths("Files1"),
                             renamed = targetPaths("Rename1", true);  // the value is the target
    touched.insert(touched.end(), copied.begin(), copied.end());
    touched.insert(touched.end(), renamed.begin(), renamed.end());
    std::string busy = filesInUse(target, touched);
    if (!busy.empty()) {
        error(("Cannot replace these files (is the application still running?):\n" + busy +
               "\n\nClose the application and run the upgrade again.").c_str());
        return false;
    }
    progress("Removing obsolete files...");
    for (instxEntry const& e : section("Remove", config)) {
        std::string rel;
        if (!instxSafeRelPath(e.key, rel))
            continue;  // never outside the target
        makeNormal(target + rel);
        DeleteFileA((target + rel).c_str());
        cIniEdit gone = {"Files", rel.c_str(), 0};
        vorIniWrite(targetIni.c_str(), &gone, 1);
    }
    progress("Copying files and directories...");
    if (!copyLists()) {
        error("Cannot copy files or create directories!");
        return false;
    }
    progress("Updating windows registry...");
    writeRegistry();
    return true;
}

bool cXinstall::runUninstall() {
    // Files first: while one of them stays (the application runs, say), the registry and
    // the record stay too, so that the uninstall can be run again.
    progress("Deleting application files...");
    std::vector<std::string> files = targetPaths("Files");  // a damaged record stays inside
    // None goes while one of them cannot: a refused uninstall leaves a working program.
    std::string left = filesInUse(target, files);
    for (size_t i = 0; left.empty() && i < files.size(); i++) {
        std::string path = target + files[i];
        makeNormal(path);
        // Wine can report a deletion done that the file system then refuses.
        DeleteFileA(path.c_str());
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            left += "\n" + files[i];
    }
    if (!left.empty()) {
        error(("Cannot delete these files (is the application still running?):\n" + left +
               "\n\nClose the application and run the uninstall again.").c_str());
        return false;
    }
    progress("Updating windows registry...");
    removeRegistry();
    progress("Removing empty directories...");
    std::vector<std::string> dirs = targetPaths("Dirs");
    for (int pass = 0; pass < dirDepth; pass++)
        for (std::string const& rel : dirs)
            RemoveDirectoryA((target + rel).c_str());
    makeNormal(config);
    DeleteFileA(config.c_str());
    /* The application directory itself goes too when nothing else is left in it. */
    char sys[MAX_PATH] = "";
    if (GetSystemDirectoryA(sys, sizeof sys))
        SetCurrentDirectoryA(sys);
    RemoveDirectoryA(target.c_str());
    return true;
}

bool cXinstall::createTargetDir() {
    if (!instxTargetFormOk(target) || !fitsPath(target))
        return false;
    for (size_t i = 3; i < target.size(); i++) {
        if (target[i] != '\\')
            continue;
        std::string level = target.substr(0, i);
        if (!isDir(level) && !CreateDirectoryA(level.c_str(), 0) && !isDir(level))
            return false;
    }
    return isDir(target);
}

bool cXinstall::prepareTargetConfig() {
    if (canRead(targetIni))
        return true;
    /* The record starts as the configuration without its lists; it appears whole or not at
       all, since a cut copy would later pass for an existing record. */
    std::string text;
    if (!fitsPath(targetIni) || !vorReadFile(config.c_str(), text))
        return false;
    cIniEdit const lists[] = {{"Files", 0, 0}, {"Files1", 0, 0}, {"Dirs1", 0, 0},
                              {"Rename1", 0, 0}, {"Remove", 0, 0}};
    text = iniApply(text, lists, sizeof lists / sizeof lists[0]);
    return vorReplaceFile(targetIni.c_str(), text.data(), text.size()) == 1;
}

bool cXinstall::copyLists() {
    bool complete = true, all = true;
    for (instxEntry const& e : section("Files1", config, &complete)) {
        std::string rel;
        if (!instxSafeRelPath(e.key, rel) || !copyFile(rel, rel))
            return false;
    }
    all = all && complete;
    for (instxEntry const& e : section("Rename1", config, &complete)) {
        std::string from, to;
        if (!instxSafeRelPath(e.key, from) || !instxSafeRelPath(e.value, to) || !copyFile(from, to))
            return false;
    }
    all = all && complete;
    for (instxEntry const& e : section("Dirs1", config, &complete)) {
        std::string rel;
        if (!instxSafeRelPath(e.key, rel) || !copyDir(rel))
            return false;
    }
    return all && complete;
}

bool cXinstall::record(char const* sec, std::string const& rel) {
    cIniEdit e = {sec, rel.c_str(), "1"};
    return vorIniWrite(targetIni.c_str(), &e, 1);
}

bool cXinstall::copyFile(std::string const& from, std::string const& to) {
    if (instxSkippedName(from) || instxSkippedName(to))
        return true;
    std::string src = source + from, dst = target + to;
    if (!fitsPath(src) || !fitsPath(dst) || !canRead(src))
        return false;
    // The copy goes beside the file and replaces it once whole: a full disk leaves the old
    // file working, not a cut one.
    char temp[MAX_PATH + 1];
    HANDLE h = vorNewFileBeside(dst.substr(0, dst.rfind('\\') + 1).c_str(), temp, sizeof temp);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    makeNormal(dst);
    bool ok = CopyFileA(src.c_str(), temp, FALSE);
    makeNormal(temp);  // a read-only source would otherwise leave a file the uninstall cannot delete
    if (!ok || !MoveFileExA(temp, dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        return false;
    }
    return record("Files", to);
}

bool cXinstall::copyDir(std::string const& rel) {
    std::string src = source + rel, dst = target + rel;
    if (!fitsPath(src + "\\*") || !fitsPath(dst) || !isDir(src))
        return false;
    if (!isDir(dst) && !CreateDirectoryA(dst.c_str(), 0))
        return false;
    if (!record("Dirs", rel))
        return false;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((src + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, ".."))
            continue;
        std::string child;
        if (!instxSafeRelPath(rel + "\\" + fd.cFileName, child))
            ok = false;
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = copyDir(child);
        else
            ok = copyFile(child, child);
    } while (ok && FindNextFileA(f, &fd));
    FindClose(f);
    return ok;
}

bool cXinstall::extensionKeys(std::string& ext, std::string& cls, std::string& docType) const {
    ext = profile("Registers", "Extensions");
    if (ext.empty())
        return false;
    cls = profile("Registers", (ext + "_Class").c_str());
    docType = profile("Registers", (ext + "_DocType").c_str());
    if (docType.size() > 199)
        docType.resize(199);
    return instxRegNameOk(ext, 7) && ext[0] != '.' && instxRegNameOk(cls, 99) && cls[0] != '.';
}

void cXinstall::writeRegistry() {
    if (instxRegNameOk(appName, 255)) {
        HKEY key;
        std::string path = std::string(kVorKey) + "\\" + appName;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, 0, KEY_WRITE, 0, &key, 0) == ERROR_SUCCESS) {
            RegSetValueExA(key, "RootDir", 0, REG_SZ, (BYTE const*)target.c_str(), (DWORD)target.size() + 1);
            RegCloseKey(key);
        }
    }
    std::string ext, cls, docType;
    if (!extensionKeys(ext, cls, docType))
        return;
    std::string exe = target + appFile;
    setDefault(HKEY_CLASSES_ROOT, "." + ext, cls);
    setDefault(HKEY_CLASSES_ROOT, cls, docType);
    setDefault(HKEY_CLASSES_ROOT, cls + "\\DefaultIcon", exe + ",0");
    setDefault(HKEY_CLASSES_ROOT, cls + "\\Shell\\Open\\Command", "\"" + exe + "\" %1");
}

void cXinstall::removeRegistry() {
    if (instxRegNameOk(appName, 255)) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kVorKey) + "\\" + appName).c_str());
        HKEY vor;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVorKey, 0, KEY_READ, &vor) == ERROR_SUCCESS) {
            DWORD subkeys = 1;
            LONG rc = RegQueryInfoKeyA(vor, 0, 0, 0, &subkeys, 0, 0, 0, 0, 0, 0, 0);
            RegCloseKey(vor);
            if (rc == ERROR_SUCCESS && subkeys == 0)
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVorKey);
        }
    }
    std::string ext, cls, docType;
    if (!extensionKeys(ext, cls, docType))
        return;
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ("." + ext).c_str());
    for (char const* sub : {"\\DefaultIcon", "\\Shell\\Open\\Command", "\\Shell\\Open", "\\Shell", ""})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (cls + sub).c_str());
}
