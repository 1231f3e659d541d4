/* Helpers of the job dialog tests: data sources, a side connection, waiting for a
   dialog's worker to end. */
#ifndef LUMBRA_JOBTEST_H
#define LUMBRA_JOBTEST_H

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "values.h"
#include "wbtest.h"
#include "xdbc.h"

namespace jobtest {

using wbtest::envOr;
using wbtest::pgDsn;
using wbtest::pgPswd;
using wbtest::pgUser;
using wbtest::sqliteDsn;
inline std::string hint() { return wbtest::dsnHint(); }

/* A connection of its own for setting data up and looking at the results; each statement
   is committed, and a failing one is only returned. */
class Side : public wbtest::Side {
public:
    Side(std::string const& dsn, std::string const& user = "", std::string const& pswd = "")
        : wbtest::Side(dsn, user, pswd) {}
    bool run(char const* sql) {
        bool r = tryRun(sql);
        commit();
        return r;
    }
};

inline std::string itemText(HWND dlg, int id) {
    int n = GetWindowTextLengthA(GetDlgItem(dlg, id));
    std::string s(n + 1, 0);
    GetDlgItemTextA(dlg, id, &s[0], n + 1);
    s.resize(n);
    return s;
}

inline void click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

inline void check(HWND dlg, int id, bool on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

/* Pumps messages until the control id of dlg is enabled again (the job ended); false
   after timeoutMs. */
inline bool waitEnabled(HWND dlg, int id, DWORD timeoutMs = 60000) {
    DWORD end = GetTickCount() + timeoutMs;
    while (!IsWindowEnabled(GetDlgItem(dlg, id))) {
        if ((LONG)(GetTickCount() - end) > 0)
            return false;
        MsgWaitForMultipleObjects(0, 0, FALSE, 20, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return true;
}

inline std::string tempPath(char const* name) {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    return std::string(tmp) + name;
}

}  // namespace jobtest

#endif
