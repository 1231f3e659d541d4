/* Helpers of the workbench window tests: a scratch application directory, message boxes
   answered by the test, and a main window opened in the test process. */
#ifndef LUMBRA_WBTEST_H
#define LUMBRA_WBTEST_H

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "../win/wintest.h"

class cQuerySlot;
class cResultGrid;
class cXQueryWindow;
class cXdbc;

namespace wbtest {

/* The environment variable name, or fallback when it is unset or empty. */
std::string envOr(char const* name, char const* fallback);
/* The data sources of .ci/odbcini.sh (and the server of .ci/pg.sh). */
std::string sqliteDsn();
std::string pgDsn();
std::string pgUser();
std::string pgPswd();
/* What a failed connect needs, for the failure message. */
std::string dsnHint();
/* The Windows path of the 1 MB file system of tests/workbench/fullfs.sh (LUMBRA_FULL_DIR,
   mounted by ctest as root); empty when it is not there. */
std::string fullDiskDir();
/* Names of the files (not directories) in dir, which ends with a backslash. */
std::vector<std::string> filesIn(std::string const& dir);

/* A connection of its own for setting data up and looking at what others committed. */
class Side {
public:
    Side(std::string const& dsn, std::string const& user, std::string const& pswd);
    ~Side();
    Side(Side const&) = delete;
    Side& operator=(Side const&) = delete;
    /* Runs sql; a failure is a test failure. */
    bool run(std::string const& sql);
    /* Runs sql; a failure is only returned. */
    bool tryRun(std::string const& sql);
    /* First column of the first row as a number, then a commit (a fresh snapshot next time). */
    double scalar(std::string const& sql);
    /* First column of the first row as text; "<error: ...>" on failure. */
    std::string text(std::string const& sql);
    void commit();
    cXdbc* x;
    bool ok;
};

/* A fresh directory in the temp directory, with Lumbra.ini when iniText is given;
   removed with its files by the destructor. */
class AppDir {
public:
    explicit AppDir(char const* stem, char const* iniText = "[Lumbra Settings]\r\n");
    ~AppDir();
    std::string dir;  // ends with "\"
    std::string ini;  // dir + "Lumbra.ini"
    std::string file(char const* name) const { return dir + name; }
    std::string read(char const* key, char const* section = "Lumbra Settings") const;
    void write(char const* key, char const* value, char const* section = "Lumbra Settings") const;
};

/* Every message box of the program is recorded and answered from `answers` (IDOK for an
   OK box, IDNO for a Yes/No/Cancel box when the queue is empty). */
struct Box {
    std::string text;
    std::string caption;
    UINT type;
};

class BoxHook {
public:
    BoxHook();
    ~BoxHook();
    std::vector<Box> boxes;
    std::deque<int> answers;
    static BoxHook* current;
};

/* The main window of the program, opened over dir (not quitting the test's loop). */
cXQueryWindow* openMain(AppDir const& dir, char const* cmdLine = "");
/* Closes it through WM_CLOSE; true when the window went. */
bool closeMain(cXQueryWindow* w);

/* Sets the shown editor's text (no change notification, like opening a file). */
void setScript(cXQueryWindow* w, char const* text);
/* Replaces the shown editor's text as typing does (the slot becomes modified). */
void typeScript(cXQueryWindow* w, char const* text);
std::string script(cXQueryWindow* w);
/* Caret of the shown editor to pos (the editor also gets the focus). */
void caretAt(cXQueryWindow* w, int pos);
/* Caret just before the first occurrence of marker in the script. */
void caretBefore(cXQueryWindow* w, char const* marker);
std::string paneText(cXQueryWindow* w);
std::string title(cXQueryWindow* w);
/* Execute Command with the editor focused. */
void executeInEditor(cXQueryWindow* w);

/* Sets the script to stmt and executes it from its start. */
void runOne(cXQueryWindow* w, std::string const& stmt);
/* Closes w, when still open, without asking about its slots' changes. */
void closeUnmodified(cXQueryWindow* w);

/* A test with message boxes answered, a scratch directory named after stem and the main
   window w (opened by the test), closed without questions at the end. */
class MainTest : public ::testing::Test {
protected:
    explicit MainTest(char const* stem) : dir(stem) {}
    BoxHook boxes;
    AppDir dir;
    cXQueryWindow* w = 0;

    /* Opens w over dir. */
    void open() {
        w = openMain(dir);
        ASSERT_NE(w, nullptr);
    }
    void TearDown() override { closeUnmodified(w); }
    cQuerySlot* q1();
    cResultGrid* grid();
    void runOne(std::string const& stmt) { wbtest::runOne(w, stmt); }
};

/* Writes bytes to a file. */
void writeFile(std::string const& path, std::string const& bytes);
std::string readFile(std::string const& path);

/* Colour of a pixel of a DIB section as 0xRRGGBB. */
long pixel(HDC dc, int x, int y);

}  // namespace wbtest

#endif
