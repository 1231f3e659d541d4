/* The installer's window and its install, upgrade and uninstall runs. */
#ifndef LUMBRA_XINSTALL_H
#define LUMBRA_XINSTALL_H

#include <windows.h>

#include <string>
#include <vector>

#include "instcore.h"
#include "xinstallrc.h"

class cXinstall {
public:
    enum { MODE_INSTALL = 1, MODE_UPGRADE = 2, MODE_UNINSTALL = 3 };

    /* mode: the build's mode (1 or 3); pauseMs: the pause after each progress text. */
    cXinstall(HINSTANCE inst, int mode, DWORD pauseMs);
    ~cXinstall();
    /* Reads i.ini, shows the window and runs its loop; returns the exit code. */
    int run(int show);

private:
    static LRESULT CALLBACK wndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT m, WPARAM wp, LPARAM lp);
    LRESULT onCreate();
    LRESULT onCommand(int id);
    void onStart();
    void onBrowse();
    void onClose();

    bool startUp();  // steps before the window; false: the program ends
    bool createWindow(int show);
    void error(char const* text);
    void progress(char const* text);
    void pause();

    std::string profile(char const* section, char const* key, char const* def = "") const;
    std::vector<instxEntry> section(char const* name, std::string const& ini, bool* complete = 0) const;
    /* The paths of a list of the configuration (its keys, or with byValue its values),
       relative to the target; those that would reach outside it are left out. */
    std::vector<std::string> targetPaths(char const* name, bool byValue = false) const;

    bool runInstall();
    bool runUpgrade();
    bool runUninstall();
    bool createTargetDir();
    bool prepareTargetConfig();
    bool copyLists();
    bool copyFile(std::string const& from, std::string const& to);
    bool copyDir(std::string const& rel);
    bool record(char const* section, std::string const& rel);
    void writeRegistry();
    void removeRegistry();
    bool extensionKeys(std::string& ext, std::string& cls, std::string& docType) const;

    HINSTANCE inst;
    int mode;
    DWORD pauseMs;
    HWND hwnd = 0;
    HWND edit = 0, text = 0, icon = 0, browse = 0, start = 0, close = 0;
    HFONT font = 0;
    HACCEL accel = 0;
    bool busy = false;  // a run is in progress: closing waits
    bool done = false;  // the run ended: START has become Close
    int exitCode = 0;

    std::string source;      // current directory at start, with "\"
    std::string config;      // source + "i.ini"
    std::string target;      // with "\" once a run starts
    std::string targetIni;   // target + "i.ini"
    std::string appName, appFile, appVersion, modeText;
    int dirDepth = 3;
};

#endif
