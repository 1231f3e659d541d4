/* install.exe from outside, on source trees made here: the install build (instfast1.exe) and
   the uninstall build (instfast3.exe), both without the progress pauses, are started in a
   directory, driven through their window (START pressed, message boxes answered by a
   watcher), and then the target tree, its i.ini record and the prefix's registry are checked. */
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "../win/fulldisk.h"
#include "instdrive.h"

namespace {

using instdrive::Session;

char const kBox[] = "Vor installer error|";

std::string hereDir() {
    char path[MAX_PATH];
    GetModuleFileNameA(0, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string setupExe() { return hereDir() + "instfast1.exe"; }
std::string uninstallExe() { return hereDir() + "instfast3.exe"; }

bool exists(std::string const& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string slurp(std::string const& p) {
    HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buf[4096];
    DWORD got = 0;
    ReadFile(h, buf, sizeof buf, &got, 0);
    CloseHandle(h);
    return std::string(buf, got);
}

void removeTree(std::string const& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..")
                continue;
            std::string p = dir + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(p);
            } else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        } while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryA(dir.c_str());
}

/* Keys of a section of an INI file, sorted. */
std::set<std::string> keys(std::string const& ini, char const* section) {
    std::vector<char> buf(1 << 20);
    DWORD n = GetPrivateProfileSectionA(section, buf.data(), (DWORD)buf.size(), ini.c_str());
    std::set<std::string> out;
    for (DWORD i = 0; i < n;) {
        std::string line(buf.data() + i);
        i += (DWORD)line.size() + 1;
        out.insert(line.substr(0, line.find('=')));
    }
    return out;
}

std::string regValue(HKEY root, std::string const& path, char const* name = 0) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "<no key>";
    char buf[1024] = "";
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueExA(k, name, 0, &type, (BYTE*)buf, &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

bool keyExists(HKEY root, std::string const& path) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

DWORD subkeyCount(HKEY root, std::string const& path) {
    HKEY k;
    DWORD n = 0;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyA(k, 0, 0, 0, &n, 0, 0, 0, 0, 0, 0, 0);
    RegCloseKey(k);
    return n;
}

void setRootDir(std::string const& app, std::string const& dir) {
    HKEY k;
    std::string path = "Software\\Vor Systems\\" + app;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, 0, KEY_WRITE, 0, &k, 0));
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)dir.c_str(), (DWORD)dir.size() + 1);
    RegCloseKey(k);
}

void dropRootDir(std::string const& app) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software\\Vor Systems\\" + app).c_str());
}

bool closeFolderWindows(DWORD waitMs) { return instdrive::closeFolderWindows(waitMs) > 0; }

/* A scratch tree: root\src\ (the source, with its i.ini) and room for targets. */
struct Fixture {
    Fixture() {
        static int serial = 0;
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        id = std::to_string(GetCurrentProcessId() % 100000) + "_" + std::to_string(++serial);
        root = std::string(tmp) + "instx_" + id + "\\";
        removeTree(root.substr(0, root.size() - 1));
        CreateDirectoryA(root.c_str(), 0);
        src = root + "src\\";
        CreateDirectoryA(src.c_str(), 0);
        app = "InstxTest" + id;
    }
    ~Fixture() {
        removeTree(root.substr(0, root.size() - 1));
        dropRootDir(app);
    }
    void dir(std::string const& rel) { CreateDirectoryA((src + rel).c_str(), 0); }
    void file(std::string const& rel, std::string const& body, std::string const& base = "") {
        std::string p = (base.empty() ? src : base) + rel;
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << p;
        DWORD put = 0;
        WriteFile(h, body.data(), (DWORD)body.size(), &put, 0);
        CloseHandle(h);
    }
    void ini(std::string const& body) { file("i.ini", body); }

    std::string id, root, src, app;
};

/* Runs a program in dir up to its window; the session keeps answering message boxes. */
void open(Session& s, std::string const& exe, std::string const& dir) {
    ASSERT_TRUE(s.start(exe, dir)) << exe;
    ASSERT_TRUE(s.waitWindow()) << "no installer window; messages: " << s.messages().size();
}

bool hasMessage(Session const& s, std::string const& text) {
    for (std::string const& m : s.messages())
        if (m == kBox + text)
            return true;
    return false;
}

std::string allMessages(Session const& s) {
    std::string all;
    for (std::string const& m : s.messages())
        all += "[" + m + "] ";
    return all;
}

/* A program that must end before any window, after one message box. */
void expectRefusedStart(std::string const& exe, std::string const& dir, std::string const& message) {
    Session s;
    ASSERT_TRUE(s.start(exe, dir));
    EXPECT_FALSE(s.waitWindow(15000)) << "a window was shown";
    EXPECT_EQ(1u, s.waitExit());
    EXPECT_TRUE(hasMessage(s, message)) << allMessages(s);
}

}  // namespace

/* One application through install, upgrade and uninstall. */
TEST(Installer, InstallUpgradeUninstall) {
    Fixture f;
    std::string ext = "x" + f.id.substr(f.id.size() - std::min<size_t>(6, f.id.size()));
    for (char& c : ext)
        if (c == '_')
            c = 'u';
    std::string cls = "InstxTest.Doc" + f.id;
    std::string head = "[Application]\r\nAppName=" + f.app +
                       "\r\nAppFile=a.exe\r\nAppVersion=1.0\r\n"
                       "AppInstallText=Installs the test application.\\nSecond line.\r\n"
                       "AppUpgradeText=Upgrades it.\r\nAppUninstallText=Removes it.\r\n"
                       "AppDefaultPath=Q:\\Apps\\Tool\r\nDirDepth=1\r\n";
    std::string lists = "[Rename1]\r\na.new=a.exe\r\n[Dirs1]\r\nd1\r\nd1=\r\n"
                        "[Registers]\r\nExtensions=" + ext + "\r\n" + ext + "_Class=" + cls + "\r\n" +
                        ext + "_DocType=Installer test document\r\n";
    f.ini(head + "[Files1]\r\nreadme.txt=\r\nro.txt=\r\ninstall.exe=\r\ni.ini=\r\nold.txt=\r\n" + lists);
    f.file("readme.txt", "read me");
    f.file("ro.txt", "new read-only content");
    SetFileAttributesA((f.src + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    f.file("install.exe", "not to be copied");
    f.file("a.new", "program");
    f.file("old.txt", "obsolete soon");
    f.dir("d1");
    f.dir("d1\\d2");
    f.dir("d1\\d2\\d3");
    f.file("d1\\top.txt", "top");
    f.file("d1\\d2\\mid.txt", "mid");
    f.file("d1\\d2\\d3\\deep.txt", "deep");
    // The target exists already, with a read-only file the install replaces.
    std::string tgt = f.root + "target dir";
    CreateDirectoryA(tgt.c_str(), 0);
    f.file("ro.txt", "old", tgt + "\\");
    SetFileAttributesA((tgt + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string t = tgt + "\\";

    {
        Session s;
        open(s, setupExe(), f.src);
        EXPECT_EQ(f.app + "  -  INSTALL", s.title());
        char sys[MAX_PATH];
        GetSystemDirectoryA(sys, sizeof sys);
        EXPECT_EQ(std::string(1, sys[0]) + ":\\Apps\\Tool", s.target()) << "drive of the system directory";
        EXPECT_TRUE(IsWindowEnabled(s.item(300)));
        {
            // A letter typed into the target arrives as the ANSI code page writes it.
            std::string before = s.target();
            SetForegroundWindow(s.main);
            GUITHREADINFO gi = {};
            gi.cbSize = sizeof gi;
            GetGUIThreadInfo(GetWindowThreadProcessId(s.main, 0), &gi);
            EXPECT_EQ(s.item(300), gi.hwndFocus) << "the target has the focus at start";
            SendMessageA(s.item(300), EM_SETSEL, before.size(), before.size());
            INPUT in[2] = {};
            for (int i = 0; i < 2; i++) {
                in[i].type = INPUT_KEYBOARD;
                in[i].ki.wScan = 0x0159;  // r with caron, not in code page 1252
                in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
            }
            SendInput(2, in, sizeof(INPUT));
            for (int i = 0; i < 100 && s.target() == before; i++)
                Sleep(20);
            EXPECT_EQ(before + "\xf8", s.target());
            SetWindowTextA(s.item(300), before.c_str());
        }
        EXPECT_TRUE(IsWindowVisible(s.item(301)));
        EXPECT_EQ("&Browse...", instdrive::text(s.item(301)));
        EXPECT_EQ("&START", instdrive::text(s.item(302)));
        EXPECT_EQ("&Close", instdrive::text(s.item(303)));
        bool textShown = false;
        for (HWND c = GetWindow(s.main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            textShown = textShown || instdrive::text(c) == "Installs the test application. \nSecond line.";
        EXPECT_TRUE(textShown) << "mode text with its line break";
        RECT r;
        GetWindowRect(s.main, &r);
        EXPECT_EQ(500, r.right - r.left);
        EXPECT_EQ(160, r.bottom - r.top);

        // Typed with a detour: the target is stored as the directory's own path.
        s.setTarget(f.root + "x\\..\\\\target dir");
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        EXPECT_TRUE(s.messages().empty()) << allMessages(s);
        EXPECT_EQ("&Close", instdrive::text(s.item(302)));
        EXPECT_TRUE(IsWindowEnabled(s.item(302)));
        EXPECT_FALSE(IsWindowVisible(s.item(303)));
        EXPECT_FALSE(IsWindowEnabled(s.item(300)));
        EXPECT_EQ(0u, s.close());
        EXPECT_TRUE(closeFolderWindows(30000)) << "the target opened in the shell";
    }
    EXPECT_EQ("read me", slurp(t + "readme.txt"));
    EXPECT_EQ("new read-only content", slurp(t + "ro.txt"));
    EXPECT_FALSE(GetFileAttributesA((t + "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("program", slurp(t + "a.exe"));
    EXPECT_FALSE(exists(t + "a.new"));
    EXPECT_FALSE(exists(t + "install.exe"));
    EXPECT_EQ("deep", slurp(t + "d1\\d2\\d3\\deep.txt"));
    std::string rec = t + "i.ini";
    EXPECT_EQ((std::set<std::string>{"readme.txt", "ro.txt", "old.txt", "a.exe", "d1\\top.txt",
                                     "d1\\d2\\mid.txt", "d1\\d2\\d3\\deep.txt"}),
              keys(rec, "Files"));
    EXPECT_EQ((std::set<std::string>{"d1", "d1\\d2", "d1\\d2\\d3"}), keys(rec, "Dirs"));
    for (char const* emptied : {"Files1", "Dirs1", "Rename1", "Remove"})
        EXPECT_TRUE(keys(rec, emptied).empty()) << emptied;
    EXPECT_EQ(t, regValue(HKEY_LOCAL_MACHINE, "Software\\Vor Systems\\" + f.app, "RootDir"));
    EXPECT_EQ(cls, regValue(HKEY_CLASSES_ROOT, "." + ext));
    EXPECT_EQ("Installer test document", regValue(HKEY_CLASSES_ROOT, cls));
    EXPECT_EQ(t + "a.exe,0", regValue(HKEY_CLASSES_ROOT, cls + "\\DefaultIcon"));
    EXPECT_EQ("\"" + t + "a.exe\" %1", regValue(HKEY_CLASSES_ROOT, cls + "\\Shell\\Open\\Command"));

    // Upgrade: the registry names the target; old.txt goes, new.txt comes.
    f.ini(head + "Upgrade=1\r\n[UpgradeCheckFiles]\r\na.exe=\r\n[Remove]\r\nold.txt=\r\n"
                 "[Files1]\r\nnew.txt=\r\n" + lists);
    f.file("new.txt", "new in the upgrade");
    {
        Session s;
        open(s, setupExe(), f.src);
        EXPECT_EQ(f.app + "  -  UPGRADE", s.title());
        EXPECT_EQ(t, s.target());
        EXPECT_FALSE(IsWindowEnabled(s.item(300)));
        EXPECT_EQ(nullptr, s.item(301)) << "no Browse outside an install";
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        EXPECT_EQ(0u, s.close());
        EXPECT_FALSE(closeFolderWindows(1500)) << "only an install opens the target";
    }
    EXPECT_FALSE(exists(t + "old.txt"));
    EXPECT_EQ("new in the upgrade", slurp(t + "new.txt"));
    EXPECT_EQ((std::set<std::string>{"readme.txt", "ro.txt", "new.txt", "a.exe", "d1\\top.txt",
                                     "d1\\d2\\mid.txt", "d1\\d2\\d3\\deep.txt"}),
              keys(rec, "Files"));

    // A file in use: the upgrade and the uninstall name it, change nothing, and keep the
    // registry and the record.
    {
        HANDLE held = CreateFileA((t + "a.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, 0,
                                  OPEN_EXISTING, 0, 0);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        f.file("new.txt", "a later upgrade");
        {
            Session up;
            open(up, setupExe(), f.src);
            EXPECT_EQ("Error!", up.run()) << allMessages(up);
            EXPECT_NE(allMessages(up).find("\na.exe\n"), std::string::npos) << allMessages(up);
            EXPECT_EQ(1u, up.close());
        }
        EXPECT_EQ("new in the upgrade", slurp(t + "new.txt"));
        Session s;
        open(s, uninstallExe(), t);
        EXPECT_EQ("Error!", s.run()) << allMessages(s);
        EXPECT_NE(allMessages(s).find("\na.exe\n"), std::string::npos) << allMessages(s);
        EXPECT_EQ(1u, s.close());
        CloseHandle(held);
    }
    EXPECT_EQ("program", slurp(t + "a.exe"));
    EXPECT_TRUE(exists(t + "readme.txt")) << "none goes while one cannot";
    EXPECT_TRUE(exists(rec));
    EXPECT_EQ(t, regValue(HKEY_LOCAL_MACHINE, "Software\\Vor Systems\\" + f.app, "RootDir"));

    // Uninstall, started in the application directory: nothing is left, a read-only record
    // neither.
    SetFileAttributesA(rec.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        Session s;
        open(s, uninstallExe(), t);
        EXPECT_EQ(f.app + "  -  UNINSTALL", s.title());
        EXPECT_EQ(t, s.target());
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        EXPECT_TRUE(s.messages().empty()) << allMessages(s);
        EXPECT_EQ(0u, s.close());
    }
    EXPECT_FALSE(exists(tgt)) << "three nested directories in three passes, then the target";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Vor Systems\\" + f.app));
    if (keyExists(HKEY_LOCAL_MACHINE, "Software\\Vor Systems")) {
        EXPECT_GT(subkeyCount(HKEY_LOCAL_MACHINE, "Software\\Vor Systems"), 0u) << "empty key left";
    }
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "." + ext));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, cls));
    EXPECT_EQ("read me", slurp(f.src + "readme.txt")) << "the source is untouched";
}

/* Starts that end before the window, and starts the window refuses. */
TEST(Installer, RefusedStarts) {
    Fixture f;
    expectRefusedStart(setupExe(), f.src, "Cannot find configuration file i.ini!");
    expectRefusedStart(uninstallExe(), f.src, "Cannot find configuration file i.ini!");

    f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=C:\\x\r\n[Files1]\r\na.txt=\r\n");
    f.file("a.txt", "a");
    dropRootDir(f.app);
    expectRefusedStart(uninstallExe(), f.src,
                       "Cannot run uninstall - invalid directory.\nThe application was not installed "
                       "correctly.\nPlease delete all files manually.");

    // Uninstall started outside the application directory: the record there stays.
    std::string other = f.root + "other\\";
    CreateDirectoryA(other.c_str(), 0);
    setRootDir(f.app, other);
    {
        Session s;
        ASSERT_TRUE(s.start(uninstallExe(), f.src));
        EXPECT_FALSE(s.waitWindow(15000));
        EXPECT_EQ(1u, s.waitExit());
        ASSERT_EQ(1u, s.messages().size());
        EXPECT_NE(std::string::npos, s.messages()[0].find("Cannot run uninstall - invalid directory.\n"));
    }
    EXPECT_TRUE(exists(f.src + "i.ini"));

    // Upgrade without the file its check needs, and without any target.
    f.ini("[Application]\r\nAppName=" + f.app + "\r\nUpgrade=1\r\n[UpgradeCheckFiles]\r\nmain.exe=\r\n");
    {
        Session s;
        ASSERT_TRUE(s.start(setupExe(), f.src));
        EXPECT_FALSE(s.waitWindow(15000));
        EXPECT_EQ(1u, s.waitExit());
        ASSERT_EQ(1u, s.messages().size());
        EXPECT_EQ(0u, s.messages()[0].find(std::string(kBox) + other +
                                           "\n\nCannot run upgrade - invalid destination directory.\n"))
            << s.messages()[0];
    }
    dropRootDir(f.app);
    {
        Session s;
        ASSERT_TRUE(s.start(setupExe(), f.src));
        EXPECT_FALSE(s.waitWindow(15000));
        EXPECT_EQ(1u, s.waitExit());
        ASSERT_EQ(1u, s.messages().size());
        EXPECT_EQ(0u, s.messages()[0].find(std::string(kBox) + "Cannot run upgrade - invalid destination"));
    }

    // "Halvard Studio" falls back to win.ini and empties that section when closing.
    dropRootDir("Halvard Studio");
    f.file("main.exe", "x", other);
    WriteProfileStringA("Halvard Studio", "Path_2_3", other.c_str());
    f.ini("[Application]\r\nAppName=Halvard Studio\r\nUpgrade=1\r\n[UpgradeCheckFiles]\r\nmain.exe=\r\n");
    {
        Session s;
        open(s, setupExe(), f.src);
        EXPECT_EQ("Halvard Studio  -  UPGRADE", s.title());
        EXPECT_EQ(other, s.target());
        PostMessageA(s.main, WM_KEYDOWN, VK_ESCAPE, 0);  // A_XINSTALL: Escape closes
        EXPECT_EQ(0u, s.waitExit());
    }
    char left[64] = "";
    GetProfileStringA("Halvard Studio", "Path_2_3", "<gone>", left, sizeof left);
    EXPECT_STREQ("<gone>", left);

    // In the window: an empty target, the source itself, no drive, 260 characters.
    f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=C:\\x\r\n[Files1]\r\na.txt=\r\n");
    {
        Session s;
        open(s, setupExe(), f.src);
        s.setTarget("");
        EXPECT_EQ("", s.run());
        EXPECT_TRUE(hasMessage(s, "Please enter target application directory!")) << allMessages(s);
        std::string upper = f.src.substr(0, f.src.size() - 1);
        CharUpperA(&upper[0]);
        s.setTarget(upper);
        EXPECT_EQ("", s.run());
        EXPECT_TRUE(hasMessage(s, "Target directory must not be same as source directory!")) << allMessages(s);
        // The source spelled another way is the source all the same.
        for (std::string other : {f.src + ".", f.root + "src\\..\\src\\\\"}) {
            s.setTarget(other);
            EXPECT_EQ("", s.run()) << other;
        }
        EXPECT_EQ(4u, s.messages().size()) << allMessages(s);
        EXPECT_TRUE(IsWindowEnabled(s.item(302)));
        EXPECT_EQ("&START", instdrive::text(s.item(302)));
        // Another installer running: refused until it has ended.
        HANDLE held = CreateMutexA(0, TRUE, "VorInstallerRun");
        s.setTarget(f.root + "tgt");
        EXPECT_EQ("", s.run());
        EXPECT_TRUE(hasMessage(s, "Another installation is running. Press START again when it "
                                  "has ended.")) << allMessages(s);
        ReleaseMutex(held);
        CloseHandle(held);
        s.setTarget("Tool");
        EXPECT_EQ("Error!", s.run());
        EXPECT_TRUE(hasMessage(s, "Cannot create target directory!")) << allMessages(s);
        EXPECT_EQ(6u, s.messages().size());
        EXPECT_EQ(1u, s.close());
    }
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Vor Systems\\" + f.app));
    {
        Session s;
        open(s, setupExe(), f.src);
        std::string longTarget = f.root + std::string(260 - f.root.size(), 'L');
        s.setTarget(longTarget);
        EXPECT_EQ("Error!", s.run());
        EXPECT_TRUE(hasMessage(s, "Cannot create target directory!")) << allMessages(s);
        EXPECT_EQ(1u, s.close());
    }
}

/* Lists that would reach outside the target, files that are missing, and a damaged record. */
TEST(Installer, ListsStayInsideTheTarget) {
    Fixture f;
    std::string t = f.root + "t\\x\\";
    CreateDirectoryA((f.root + "t").c_str(), 0);
    f.file("good.txt", "good");
    f.file("outside.txt", "outside", f.root + "t\\");
    DeleteFileA((f.root + "t\\outside.txt").c_str());
    auto installWith = [&](std::string const& files1, std::string const& expectText) {
        f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=" + t + "\r\n[Files1]\r\n" + files1);
        Session s;
        open(s, setupExe(), f.src);
        EXPECT_EQ(expectText, s.run()) << files1 << allMessages(s);
        if (expectText == "Error!") {
            EXPECT_TRUE(hasMessage(s, "Cannot copy files or create directories!")) << allMessages(s);
        }
        s.close();
        EXPECT_TRUE(closeFolderWindows(30000)) << "the existing target opened in the shell";
    };
    f.file("..\\outside.txt", "source outside");  // root\outside.txt
    installWith("good.txt=\r\n..\\outside.txt=\r\n", "Error!");
    EXPECT_FALSE(exists(f.root + "t\\outside.txt")) << "written outside the target";
    installWith("good.txt=\r\n" + f.root + "outside.txt=\r\n", "Error!");
    installWith("good.txt=\r\nmissing.txt=\r\n", "Error!");
    EXPECT_EQ((std::set<std::string>{"good.txt"}), keys(t + "i.ini", "Files")) << "only copied files";
    EXPECT_EQ("good", slurp(t + "good.txt"));

    // A damaged record: entries outside the target are not deleted.
    f.file("victim.txt", "keep me", f.root);
    CreateDirectoryA((f.root + "t\\vdir").c_str(), 0);
    f.file("own.txt", "mine", t);
    f.file("i.ini",
           "[Application]\r\nAppName=" + f.app + "\r\n[Files]\r\n..\\..\\victim.txt=1\r\n" + f.root +
               "victim.txt=1\r\nown.txt=1\r\ngood.txt=1\r\n[Dirs]\r\n..\\vdir=1\r\n",
           t);
    setRootDir(f.app, t);
    {
        Session s;
        open(s, uninstallExe(), t);
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        EXPECT_EQ(0u, s.close());
    }
    EXPECT_EQ("keep me", slurp(f.root + "victim.txt"));
    EXPECT_TRUE(exists(f.root + "t\\vdir"));
    EXPECT_FALSE(exists(t)) << "own files, the record and the directory went";
}

/* A list over 10,000 bytes and a deep tree removed with DirDepth 20 (ten passes). */
TEST(Installer, LargeSectionsAndDeepTrees) {
    Fixture f;
    std::string files1;
    for (int i = 0; i < 400; i++) {
        std::string name = "a_file_with_a_rather_long_name_" + std::to_string(i) + ".txt";
        f.file(name, std::to_string(i));
        files1 += name + "=\r\n";
    }
    ASSERT_GT(files1.size(), 10000u);
    std::string deep = "e1";
    f.dir(deep);
    for (int i = 2; i <= 6; i++) {
        deep += "\\e" + std::to_string(i);
        f.dir(deep);
    }
    f.file(deep + "\\leaf.txt", "leaf");
    std::string t = f.root + "big\\";
    f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=" + t +
          "\r\nDirDepth=20\r\n[Dirs1]\r\ne1=\r\n[Files1]\r\n" + files1);
    {
        Session s;
        open(s, setupExe(), f.src);
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        s.close();
        EXPECT_TRUE(closeFolderWindows(30000));
    }
    EXPECT_EQ(401u, keys(t + "i.ini", "Files").size());
    EXPECT_EQ("399", slurp(t + "a_file_with_a_rather_long_name_399.txt"));
    EXPECT_EQ("leaf", slurp(t + deep + "\\leaf.txt"));
    {
        Session s;
        open(s, uninstallExe(), t);
        EXPECT_EQ("Finished!", s.run()) << allMessages(s);
        EXPECT_EQ(0u, s.close());
    }
    EXPECT_FALSE(exists(t)) << "six nested directories need more than three passes";
}

/* The record on a full disk: one more entry needs a block the disk no longer has. The
   install fails as a failure and the record stays whole (written in place, it was cut at
   the block and the run said "Finished!"). */
namespace {

/* Entries of dir other than "." and "..". */
int entriesIn(std::string const& dir) {
    WIN32_FIND_DATAA fd;
    int n = 0;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &fd);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &fd))
        n += fd.cFileName[0] != '.';
    FindClose(find);
    return n;
}

/* Fills the small file system and runs the install of f into t, which must end in error. */
void installOntoFullDisk(Fixture& f, std::string const& full, std::string const& t) {
    std::string filler = full + "\\filler" + f.id;
    ASSERT_TRUE(fulldisk::fill(filler));
    {
        Session s;
        open(s, setupExe(), f.src);
        s.setTarget(t.substr(0, t.size() - 1));
        EXPECT_EQ("Error!", s.run()) << allMessages(s);
        EXPECT_TRUE(hasMessage(s, "Cannot copy files or create directories!")) << allMessages(s);
        s.close();
        // The existing target is opened in the shell; a window left open would keep the
        // shell process, and the test's output, alive.
        EXPECT_TRUE(closeFolderWindows(30000));
    }
    DeleteFileA(filler.c_str());
}

}  // namespace

TEST(Installer, RecordOntoAFullDiskStaysWhole) {
    std::string full = fulldisk::dir();
    if (full.empty())
        GTEST_SKIP() << "needs the small file system of tests/workbench/fullfs.sh (root)";
    Fixture f;
    std::string t = full + "\\app" + f.id + "\\";
    CreateDirectoryA(t.c_str(), 0);
    std::string record = "[Application]\r\nAppName=" + f.app + "\r\n[Files]\r\n";
    for (int i = 0; record.size() < 4096 - 40; i++)
        record += "lib\\module" + std::to_string(i) + ".dll=1\r\n";
    record += "[Dirs]\r\nlib=" + std::string(4096 - record.size() - 14, 'x') + "\r\n";
    ASSERT_EQ(4096u, record.size());
    f.file("i.ini", record, t);
    f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=C:\\x\r\n[Files1]\r\nempty.txt=\r\n");
    f.file("empty.txt", "");
    installOntoFullDisk(f, full, t);
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    GetFileAttributesExA((t + "i.ini").c_str(), GetFileExInfoStandard, &a);
    EXPECT_EQ(4096u, a.nFileSizeLow);
    EXPECT_EQ(record, slurp(t + "i.ini")) << "the record was changed or cut";
    EXPECT_EQ(2, entriesIn(t)) << "i.ini and empty.txt, no temporary file";
    removeTree(t.substr(0, t.size() - 1));
    dropRootDir(f.app);
}

/* A copy that the full disk cuts short leaves the installed file as it was. */
TEST(Installer, ACopyOntoAFullDiskKeepsTheInstalledFile) {
    std::string full = fulldisk::dir();
    if (full.empty())
        GTEST_SKIP() << "needs the small file system of tests/workbench/fullfs.sh (root)";
    Fixture f;
    std::string t = full + "\\up" + f.id + "\\";
    CreateDirectoryA(t.c_str(), 0);
    std::string old(200 * 1024, 'A');
    f.file("app.bin", old, t);
    f.file("i.ini", "[Application]\r\nAppName=" + f.app + "\r\n[Files]\r\napp.bin=1\r\n", t);
    f.ini("[Application]\r\nAppName=" + f.app + "\r\nAppDefaultPath=C:\\x\r\n[Files1]\r\napp.bin=\r\n");
    f.file("app.bin", std::string(900 * 1024, 'B'));
    installOntoFullDisk(f, full, t);
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    GetFileAttributesExA((t + "app.bin").c_str(), GetFileExInfoStandard, &a);
    EXPECT_EQ(old.size(), a.nFileSizeLow) << "the installed file was cut";
    EXPECT_TRUE(slurp(t + "app.bin") == old.substr(0, 4096)) << "the installed file was changed";
    EXPECT_EQ(2, entriesIn(t)) << "app.bin and the record, no temporary file";
    removeTree(t.substr(0, t.size() - 1));
    dropRootDir(f.app);
}
