/* Helpers of the Connect and Tables dialog tests: recorded message boxes, list and combo
   contents, and hosts that stand for a query slot on a real cXdbc connection. */
#ifndef LUMBRA_DLGTEST_H
#define LUMBRA_DLGTEST_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dlgconnect.h"
#include "dlgtables.h"
#include "winutil.h"
#include "xdbc.h"

namespace dlgtest {

/* One message box the code under test asked for. */
struct Box {
    std::string text, caption;
    UINT type;
};

/* Message boxes are answered with IDOK and recorded while an object lives. */
class BoxRecorder {
public:
    BoxRecorder() {
        boxes().clear();
        previous = vorSetMessageBoxHook(hook);
    }
    ~BoxRecorder() { vorSetMessageBoxHook(previous); }
    std::vector<Box> const& seen() const { return boxes(); }
    void clear() { boxes().clear(); }

private:
    static std::vector<Box>& boxes() {
        static std::vector<Box> b;
        return b;
    }
    static int hook(HWND, char const* text, char const* caption, UINT type) {
        boxes().push_back({text ? text : "", caption ? caption : "", type});
        return IDOK;
    }
    MSGBOXHOOK previous;
};

inline std::string text(HWND w) {
    char buf[1024] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

inline std::vector<std::string> comboItems(HWND combo) {
    std::vector<std::string> v;
    int n = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char buf[512] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)buf);
        v.push_back(buf);
    }
    return v;
}

inline std::string comboSelection(HWND combo) {
    LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR)
        return "<none>";
    char buf[512] = "";
    SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)buf);
    return buf;
}

inline std::vector<std::string> listItems(HWND list) {
    std::vector<std::string> v;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char buf[512] = "";
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)buf);
        v.push_back(buf);
    }
    return v;
}

inline bool contains(std::vector<std::string> const& v, std::string const& s) {
    for (std::string const& x : v)
        if (x == s)
            return true;
    return false;
}

/* Selects the combo entry that is exactly s and tells the dialog as a user's choice
   would (the notification given). False when there is no such entry. */
inline bool chooseCombo(HWND dlg, int id, std::string const& s, WORD notify) {
    HWND combo = GetDlgItem(dlg, id);
    std::vector<std::string> items = comboItems(combo);
    for (size_t i = 0; i < items.size(); i++) {
        if (items[i] == s) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, notify), (LPARAM)combo);
            return true;
        }
    }
    return false;
}

inline bool chooseList(HWND dlg, int id, std::string const& s) {
    HWND list = GetDlgItem(dlg, id);
    LRESULT i = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)s.c_str());
    if (i == LB_ERR)
        return false;
    SendMessageA(list, LB_SETCURSEL, i, 0);
    return true;
}

inline void click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

/* Colour of the brush a dialog answers a WM_CTLCOLOR* message with, and the text and
   background colours it set; brush 0 means the default handling. */
struct Tint {
    HBRUSH brush = 0;
    COLORREF brushColour = CLR_INVALID, textColour = CLR_INVALID, bkColour = CLR_INVALID;
};

inline Tint askTint(HWND dlg, UINT msg, HWND control) {
    Tint t;
    HDC dc = GetDC(control);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    t.brush = (HBRUSH)SendMessageA(dlg, msg, (WPARAM)dc, (LPARAM)control);
    t.textColour = GetTextColor(dc);
    t.bkColour = GetBkColor(dc);
    LOGBRUSH lb;
    if (t.brush && GetObjectA(t.brush, sizeof lb, &lb) == sizeof lb)
        t.brushColour = lb.lbColor;
    ReleaseDC(control, dc);
    return t;
}

/* A query slot for the Connect dialog: connectTo works on a real connection. */
class ConnectHost : public cConnectHost {
public:
    struct Call {
        std::string dsn, user, pswd;
    };
    std::string ini;
    HWND main = 0;
    int number = 1;
    long colour = 0xC0E0F0;
    bool save = false;
    cXdbc* db = xdb_init();
    std::vector<Call> calls;

    ~ConnectHost() override { xdb_free(db); }
    char const* iniFile() override { return ini.c_str(); }
    HWND mainWindow() override { return main; }
    int slotNumber() override { return number; }
    long slotColor() override { return colour; }
    bool savePassword() override { return save; }
    void setSavePassword(bool on) override { save = on; }
    bool connectTo(char const* dsn, char const* user, char const* pswd) override {
        calls.push_back({dsn, user, pswd});
        if (db->isConnected())
            db->disconnect();
        return db->connect(dsn, user, pswd, 0) && db->isConnected();
    }
};

/* A query slot for the Tables dialog on a connection the test made. runSelect runs the
   statement and keeps the first column of its first row. */
class TablesHost : public cTablesHost {
public:
    std::string ini, dsnName;
    HWND main = 0;
    HWND grid = 0;  // takes the focus for focusGrid
    int index = 0;
    long colour = 0xFFD0D0;
    cXdbc* db = 0;  // not owned
    std::vector<std::string> statements;
    double firstNumber = -1;  // first column of the first row of the last statement run
    bool lastRunOk = false;
    int shown = 0, gridFocus = 0, closed = 0;
    HWND closedDlg = 0;

    char const* iniFile() override { return ini.c_str(); }
    HWND mainWindow() override { return main; }
    int slotIndex() override { return index; }
    long slotColor() override { return colour; }
    char const* dsn() override { return dsnName.c_str(); }
    cXdbc* connection() override { return db; }
    void showSlot() override { shown++; }
    bool runSelect(char const* sql) override {
        statements.push_back(sql);
        firstNumber = -1;
        lastRunOk = db && db->prepare(sql) && db->execute();
        cNumbex v;
        if (lastRunOk && db->fetchNext() && db->colValue(0, v))
            firstNumber = v.toDouble();
        if (db)
            db->finish();
        return lastRunOk;
    }
    std::vector<std::string> lost;  // connectionLost texts
    void connectionLost(char const* why) override { lost.push_back(why); }
    void focusGrid() override {
        gridFocus++;
        if (grid)
            SetFocus(grid);
    }
    void tablesClosed(HWND dlg) override {
        closed++;
        closedDlg = dlg;
    }
};

}  // namespace dlgtest

#endif
