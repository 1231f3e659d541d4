/* "DLG_Connect" from its template, driven inside its modal loop, connecting for real to
   the SQLite and PostgreSQL data sources of odbc.ini. */
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "dlgconnrc.h"
#include "dlgtest.h"
#include "odbc_env.h"
#include "wintest.h"

using namespace dlgtest;
using odbctest::pgDsn;
using odbctest::pgPswd;
using odbctest::pgUser;
using odbctest::sqliteDsn;

namespace {

struct Connect : ::testing::Test {
    wintest::TempIni ini{"dlgconnect"};
    wintest::CommandLog log;
    HWND main = 0;
    ConnectHost host;
    BoxRecorder boxes;
    bool leftOpen = false;
    bool timedOut = false;

    void SetUp() override {
        main = wintest::createParent(&log, 200, 150, 700, 500);
        host.ini = ini.path;
        host.main = main;
    }
    void TearDown() override { DestroyWindow(main); }

    /* Runs the dialog; act sees it once, checks it and must end it. A dialog act leaves
       open is cancelled (and the test fails). */
    INT_PTR run(std::function<void(HWND)> act) {
        std::string title = "Connect [Q" + std::to_string(host.number) + "]";
        int phase = 0;
        wintest::Driver d([&] {
            HWND dlg = wintest::findDialog(title.c_str());
            if (phase == 0) {
                if (!dlg)
                    return false;
                phase = 1;
                act(dlg);
                return false;
            }
            if (dlg) {
                leftOpen = true;
                PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            }
            return true;
        }, 20000);
        INT_PTR r = connectDialog(&host, main);
        timedOut = d.timedOut();
        EXPECT_FALSE(timedOut) << "the dialog did not show up or did not end";
        EXPECT_FALSE(leftOpen) << "the test left the dialog open";
        return r;
    }

    static HWND item(HWND dlg, int id) { return GetDlgItem(dlg, id); }
    static void setText(HWND dlg, int id, std::string const& s) {
        SetWindowTextA(GetDlgItem(dlg, id), s.c_str());
    }
};

/* The password a "Saved Logins" value holds; the value itself must be protected and must
   not show the password. */
std::string savedPassword(wintest::TempIni const& ini, char const* key, std::string const& plain) {
    char buf[8192];
    GetPrivateProfileStringA("Saved Logins", key, "<missing>", buf, sizeof buf, ini.c_str());
    std::string stored = buf;
    EXPECT_EQ(0u, stored.find("dpapi:")) << stored;
    EXPECT_EQ(std::string::npos, stored.find(plain)) << "the password in plain text: " << stored;
    return unprotectPassword(stored.c_str());
}

std::string savedKey(std::string const& dsn, char const* suffix) {
    return dsn + suffix;
}

/* ---- opening ---- */

TEST_F(Connect, OpensWithSlotTitleListAndSavePasswordState) {
    host.number = 2;
    host.save = true;
    INT_PTR r = run([&](HWND dlg) {
        EXPECT_EQ("Connect [Q2]", text(dlg));
        EXPECT_EQ(BST_CHECKED, (int)IsDlgButtonChecked(dlg, IDC_CONNECT_SAVEPSWD));
        HWND combo = item(dlg, IDC_CONNECT_DSN);
        std::vector<std::string> names = comboItems(combo);
        EXPECT_TRUE(contains(names, sqliteDsn()));
        EXPECT_TRUE(contains(names, pgDsn()));
        std::vector<std::string> sorted = names;
        std::sort(sorted.begin(), sorted.end(), [](std::string const& a, std::string const& b) {
            return lstrcmpiA(a.c_str(), b.c_str()) < 0;
        });
        EXPECT_EQ(sorted, names) << "the list is sorted";
        // No LastDatabase: the first source is selected, its login not loaded.
        EXPECT_EQ(names.empty() ? "<none>" : names[0], comboSelection(combo));
        EXPECT_EQ("", text(item(dlg, IDC_CONNECT_USER)));
        EXPECT_TRUE(GetWindowLongA(item(dlg, IDC_CONNECT_PSWD), GWL_STYLE) & ES_PASSWORD);
        click(dlg, IDCANCEL);
    });
    EXPECT_EQ(0, r);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(Connect, LastDatabasePicksFirstPrefixMatchIgnoringCaseAndLoadsItsLogin) {
    ini.write("Lumbra Settings", "LastDatabase", "lumbrapg");
    ini.write("Saved Logins", "LumbraPG_user", "pguser");
    ini.write("Saved Logins", "LumbraPG_pswd", "pgpw");
    ini.write("Saved Logins", "LumbraPGAuto_user", "auto");
    run([&](HWND dlg) {
        // "LumbraPG" sorts before "LumbraPGAuto", "LumbraPGCursor", "LumbraPGInfo".
        EXPECT_EQ(pgDsn(), comboSelection(item(dlg, IDC_CONNECT_DSN)));
        EXPECT_EQ("pguser", text(item(dlg, IDC_CONNECT_USER)));
        EXPECT_EQ("pgpw", text(item(dlg, IDC_CONNECT_PSWD)));
        click(dlg, IDCANCEL);
    });
}

TEST_F(Connect, EmptyLastDatabaseSelectsFirstButLoadsLoginOnlyOnSelectionChange) {
    run([&](HWND dlg) {
        HWND combo = item(dlg, IDC_CONNECT_DSN);
        std::string first = comboSelection(combo);
        ASSERT_NE("<none>", first);
        // The saved login appears only after the user changes the selection.
        ini.write("Saved Logins", savedKey(first, "_user").c_str(), "firstuser");
        ini.write("Saved Logins", "LumbraSQLite_user", "liteuser");
        EXPECT_EQ("", text(item(dlg, IDC_CONNECT_USER)));
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, sqliteDsn(), CBN_SELCHANGE));
        EXPECT_EQ("liteuser", text(item(dlg, IDC_CONNECT_USER)));
        EXPECT_EQ("", text(item(dlg, IDC_CONNECT_PSWD)));
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, first, CBN_SELCHANGE));
        EXPECT_EQ("firstuser", text(item(dlg, IDC_CONNECT_USER)));
        click(dlg, IDCANCEL);
    });
}

TEST_F(Connect, LastDatabaseMatchingNothingKeepsTheFirstEntry) {
    ini.write("Lumbra Settings", "LastDatabase", "NoSuchSourceAnywhere");
    run([&](HWND dlg) {
        HWND combo = item(dlg, IDC_CONNECT_DSN);
        EXPECT_EQ(0, (int)SendMessageA(combo, CB_GETCURSEL, 0, 0));
        click(dlg, IDCANCEL);
    });
}

/* ---- connecting ---- */

TEST_F(Connect, SuccessWithoutSavePasswordWritesLoginAndErasesOldPassword) {
    ini.write("Saved Logins", "LumbraPG_pswd", "an old password");
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, pgDsn(), CBN_SELCHANGE));
        EXPECT_EQ("an old password", text(item(dlg, IDC_CONNECT_PSWD)));
        setText(dlg, IDC_CONNECT_USER, pgUser());
        setText(dlg, IDC_CONNECT_PSWD, pgPswd());
        click(dlg, IDOK);
    });
    ASSERT_EQ(1, r) << odbctest::pgHint();
    ASSERT_EQ(1u, host.calls.size());
    EXPECT_EQ(pgDsn(), host.calls[0].dsn);
    EXPECT_EQ(pgUser(), host.calls[0].user);
    EXPECT_EQ(pgPswd(), host.calls[0].pswd);
    EXPECT_TRUE(host.db->isConnected());
    EXPECT_EQ("0", ini.read("Lumbra Settings", "bSavePswd"));
    EXPECT_EQ(pgDsn(), ini.read("Lumbra Settings", "LastDatabase"));
    EXPECT_EQ(pgUser(), ini.read("Saved Logins", "LumbraPG_user"));
    EXPECT_EQ("", ini.read("Saved Logins", "LumbraPG_pswd"));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(Connect, SavePasswordTogglesAtOnceAndSavesThePassword) {
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, pgDsn(), CBN_SELCHANGE));
        setText(dlg, IDC_CONNECT_USER, pgUser());
        setText(dlg, IDC_CONNECT_PSWD, pgPswd());
        SendMessageA(item(dlg, IDC_CONNECT_SAVEPSWD), BM_CLICK, 0, 0);
        EXPECT_TRUE(host.save) << "the check box changes the setting at once";
        EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "bSavePswd")) << "but writes nothing yet";
        click(dlg, IDOK);
    });
    ASSERT_EQ(1, r) << odbctest::pgHint();
    EXPECT_EQ("1", ini.read("Lumbra Settings", "bSavePswd"));
    EXPECT_EQ(pgPswd(), savedPassword(ini, "LumbraPG_pswd", pgPswd()));

    // The next opening of the dialog finds the source and its login.
    host.db->disconnect();
    run([&](HWND dlg) {
        EXPECT_EQ(pgDsn(), comboSelection(item(dlg, IDC_CONNECT_DSN)));
        EXPECT_EQ(pgUser(), text(item(dlg, IDC_CONNECT_USER)));
        EXPECT_EQ(pgPswd(), text(item(dlg, IDC_CONNECT_PSWD)));
        EXPECT_EQ(BST_CHECKED, (int)IsDlgButtonChecked(dlg, IDC_CONNECT_SAVEPSWD));
        click(dlg, IDCANCEL);
    });
}

TEST_F(Connect, RefusedConnectionShowsBoxStaysOpenAndWritesNothing) {
    host.save = true;
    bool stillOpen = false;
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, pgDsn(), CBN_SELCHANGE));
        setText(dlg, IDC_CONNECT_USER, pgUser());
        setText(dlg, IDC_CONNECT_PSWD, "certainly not the password");
        click(dlg, IDOK);
        stillOpen = IsWindowVisible(dlg) != 0;
        ASSERT_EQ(1u, boxes.seen().size());
        EXPECT_EQ("Cannot connect!", boxes.seen()[0].text);
        EXPECT_EQ("Connect", boxes.seen()[0].caption);
        EXPECT_EQ((UINT)MB_ICONSTOP, boxes.seen()[0].type & MB_ICONMASK);
        click(dlg, IDCANCEL);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(0, r);
    EXPECT_EQ(1u, host.calls.size());
    EXPECT_FALSE(host.db->isConnected());
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "bSavePswd"));
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "LastDatabase"));
    EXPECT_EQ("<missing>", ini.read("Saved Logins", "LumbraPG_user"));
    EXPECT_EQ("<missing>", ini.read("Saved Logins", "LumbraPG_pswd"));
}

TEST_F(Connect, NoDataSourceChosenMakesOkDoNothing) {
    run([&](HWND dlg) {
        SendMessageA(item(dlg, IDC_CONNECT_DSN), CB_SETCURSEL, (WPARAM)-1, 0);
        setText(dlg, IDC_CONNECT_USER, "someone");
        click(dlg, IDOK);
        EXPECT_TRUE(IsWindowVisible(dlg));
        click(dlg, IDCANCEL);
    });
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "LastDatabase"));
}

TEST_F(Connect, EscapeCancelsAndWritesNothing) {
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, sqliteDsn(), CBN_SELCHANGE));
        // Escape reaches a dialog as IDCANCEL.
        SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(0, r);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "LastDatabase"));
}

/* ---- field texts ---- */

TEST_F(Connect, FieldsHoldAtMost49CharactersAndLongerTextsAreCut) {
    std::string longPswd(60, 'p');
    host.save = true;
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, sqliteDsn(), CBN_SELCHANGE));
        // Typing stops at 49 characters.
        HWND user = item(dlg, IDC_CONNECT_USER);
        SetWindowTextA(user, "");
        for (int i = 0; i < 55; i++)
            SendMessageA(user, WM_CHAR, 'u', 0);
        EXPECT_EQ(49, GetWindowTextLengthA(user));
        // Text put there another way is cut when read.
        setText(dlg, IDC_CONNECT_PSWD, longPswd);
        click(dlg, IDOK);
    });
    ASSERT_EQ(1, r);
    ASSERT_EQ(1u, host.calls.size());
    EXPECT_EQ(std::string(49, 'u'), host.calls[0].user);
    EXPECT_EQ(std::string(49, 'p'), host.calls[0].pswd);
    EXPECT_EQ(std::string(49, 'p'), savedPassword(ini, "LumbraSQLite_pswd", std::string(49, 'p')));
}

TEST_F(Connect, SavedLoginKeepsBlanksAndQuotesAtTheEnds) {
    // The profile read drops blanks at the ends and one pair of enclosing quotes: such
    // texts are written so that they come back as typed.
    std::string user = "  spaced user ";
    std::string pswd = "\"quoted\"";
    host.save = true;
    ASSERT_EQ(1, run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, sqliteDsn(), CBN_SELCHANGE));
        setText(dlg, IDC_CONNECT_USER, user);
        setText(dlg, IDC_CONNECT_PSWD, pswd);
        click(dlg, IDOK);
    }));
    EXPECT_EQ(user, ini.read("Saved Logins", "LumbraSQLite_user"));
    EXPECT_EQ(pswd, savedPassword(ini, "LumbraSQLite_pswd", pswd));
    host.db->disconnect();
    run([&](HWND dlg) {
        EXPECT_EQ(sqliteDsn(), comboSelection(item(dlg, IDC_CONNECT_DSN)));
        EXPECT_EQ(user, text(item(dlg, IDC_CONNECT_USER)));
        EXPECT_EQ(pswd, text(item(dlg, IDC_CONNECT_PSWD)));
        click(dlg, IDCANCEL);
    });
}

/* ---- colours ---- */

TEST_F(Connect, EditsAndListAreBlackOnTheSlotColour) {
    host.colour = 0x102030;  // red 0x10, green 0x20, blue 0x30
    run([&](HWND dlg) {
        Tint e = askTint(dlg, WM_CTLCOLOREDIT, item(dlg, IDC_CONNECT_USER));
        EXPECT_NE((HBRUSH)0, e.brush);
        EXPECT_EQ(RGB(0x10, 0x20, 0x30), e.brushColour);
        EXPECT_EQ(RGB(0x10, 0x20, 0x30), e.bkColour);
        EXPECT_EQ(RGB(0, 0, 0), e.textColour);
        Tint l = askTint(dlg, WM_CTLCOLORLISTBOX, item(dlg, IDC_CONNECT_DSN));
        EXPECT_EQ(e.brush, l.brush) << "one brush for the dialog's life";
        click(dlg, IDCANCEL);
    });
}

TEST_F(Connect, NoSlotColourLeavesTheControlsTheirDefault) {
    host.colour = 0;
    run([&](HWND dlg) {
        Tint e = askTint(dlg, WM_CTLCOLOREDIT, item(dlg, IDC_CONNECT_USER));
        // The default handling, not a black brush with black text.
        EXPECT_NE(RGB(0, 0, 0), e.brushColour);
        EXPECT_NE(RGB(0, 0, 0), e.bkColour);
        click(dlg, IDCANCEL);
    });
}

TEST_F(Connect, LoginWithALineBreakConnectsButAddsNothingToTheFile) {
    // SQLite ignores the user name, so the hostile one connects.
    std::string user = "u\r\n[Lumbra Settings]\r\nb_commit_always=1";
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, sqliteDsn(), CBN_SELCHANGE));
        setText(dlg, IDC_CONNECT_USER, user);
        click(dlg, IDOK);
    });
    ASSERT_EQ(1, r) << "needs the data sources of .ci/odbcini.sh";
    ASSERT_EQ(1u, host.calls.size());
    EXPECT_EQ(user, host.calls[0].user) << "the connection gets the text as typed";
    EXPECT_EQ(sqliteDsn(), ini.read("Lumbra Settings", "LastDatabase"));
    EXPECT_EQ("<missing>", ini.read("Saved Logins", (sqliteDsn() + "_user").c_str()))
        << "not remembered";
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "b_commit_always"));
}

TEST_F(Connect, PlainPasswordSavedBeforeStillConnectsAndIsThenProtected) {
    ini.write("Saved Logins", "LumbraPG_user", pgUser().c_str());
    ini.write("Saved Logins", "LumbraPG_pswd", pgPswd().c_str());
    host.save = true;
    INT_PTR r = run([&](HWND dlg) {
        ASSERT_TRUE(chooseCombo(dlg, IDC_CONNECT_DSN, pgDsn(), CBN_SELCHANGE));
        EXPECT_EQ(pgPswd(), text(item(dlg, IDC_CONNECT_PSWD))) << "read as it was stored";
        click(dlg, IDOK);
    });
    ASSERT_EQ(1, r) << odbctest::pgHint();
    EXPECT_EQ(pgPswd(), host.calls.at(0).pswd);
    EXPECT_EQ(pgPswd(), savedPassword(ini, "LumbraPG_pswd", pgPswd())) << "rewritten protected";

    // A protected value that is damaged gives an empty field, never its text.
    ini.write("Saved Logins", "LumbraPG_pswd", "dpapi:00ff00");
    host.db->disconnect();
    run([&](HWND dlg) {
        EXPECT_EQ(pgDsn(), comboSelection(item(dlg, IDC_CONNECT_DSN)));
        EXPECT_EQ("", text(item(dlg, IDC_CONNECT_PSWD)));
        click(dlg, IDCANCEL);
    });
    EXPECT_EQ("", protectPassword(""));
    EXPECT_EQ("", unprotectPassword("dpapi:zz"));
    EXPECT_EQ("plain", unprotectPassword("plain"));
}

}  // namespace
