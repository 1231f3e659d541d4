/* Settings keys on real INI files and the "DLG_Settings" dialog. */
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lumbrarc.h"
#include "settings.h"
#include "values.h"
#include "wbtest.h"

namespace {

/* Puts the default date pictures back for the following tests. */
struct DateFormatsRestorer {
    ~DateFormatsRestorer() { cSettings().applyDateFormats(); }
};

cSettings loaded(wbtest::AppDir const& d, bool trueColor = true) {
    cSettings s;
    s.load(d.ini.c_str(), trueColor);
    return s;
}

}  // namespace

TEST(SettingsFile, MissingFileGivesDefaults) {
    DateFormatsRestorer restore;
    wbtest::AppDir d("wbset", 0);
    cSettings s = loaded(d);
    EXPECT_EQ(s.maxRows, 100);
    EXPECT_EQ(s.dateFmt, 0);
    EXPECT_EQ(s.timeFmt, 0);
    EXPECT_TRUE(s.movecaret);
    EXPECT_FALSE(s.bImplicitRollback);
    EXPECT_FALSE(s.bBlobStr);
    EXPECT_EQ(s.nBlobStr, 20);
    EXPECT_FALSE(s.b_commit_always);
    EXPECT_FALSE(s.bSavePswd);
    EXPECT_STREQ(s.lastDatabase, "");
    long const colours[5] = {0xC0E0F0, 0xFFD0D0, 0xB8E8B0, 0xD0D0D0, 0xFF0000};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(s.ecolor[i], colours[i]) << "ecolor_" << i;
    EXPECT_STREQ(cDatex::getDefaultFormat(0), "YYYY-MM-DD hh:mm:ss");
}

TEST(SettingsFile, OutOfRangeIntegersGiveTheDefault) {
    wbtest::AppDir d("wbset");
    struct Case {
        char const* maxrows;
        int expected;
    } const cases[] = {{"5", 100},     {"abc", 100},     {"10", 10},   {"10000", 10000},
                       {"10001", 100}, {"-20", 100},     {"250", 250}};
    for (Case const& c : cases) {
        d.write("maxrows", c.maxrows);
        EXPECT_EQ(loaded(d).maxRows, c.expected) << "maxrows=" << c.maxrows;
    }
    d.write("nBlobStr", "0");
    d.write("aktfmt_D", "3");
    d.write("aktfmt_T", "-1");
    cSettings s = loaded(d);
    EXPECT_EQ(s.nBlobStr, 20);
    EXPECT_EQ(s.dateFmt, 0);
    EXPECT_EQ(s.timeFmt, 0);
    d.write("nBlobStr", "100");
    EXPECT_EQ(loaded(d).nBlobStr, 100);
}

TEST(SettingsFile, BooleansAreTrueAboveZero) {
    wbtest::AppDir d("wbset");
    d.write("movecaret", "0");
    d.write("bImplicitRollback", "2");
    d.write("bBlobStr", "-1");
    d.write("b_commit_always", "1");
    d.write("bSavePswd", "yes");
    d.write("LastDatabase", "LumbraPG");
    cSettings s = loaded(d);
    EXPECT_FALSE(s.movecaret);
    EXPECT_TRUE(s.bImplicitRollback);
    EXPECT_FALSE(s.bBlobStr);
    EXPECT_TRUE(s.b_commit_always);
    EXPECT_FALSE(s.bSavePswd) << "a text reads as 0";
    EXPECT_STREQ(s.lastDatabase, "LumbraPG");
}

TEST(SettingsFile, DateAndTimeFormatsApplyToDateValues) {
    DateFormatsRestorer restore;
    wbtest::AppDir d("wbset");
    d.write("aktfmt_D", "2");
    d.write("aktfmt_T", "1");
    loaded(d);
    EXPECT_STREQ(cDatex::getDefaultFormat(0), "MM/DD/YYYY hh:mm");
    EXPECT_STREQ(cDatex::getDefaultFormat(1), "MM/DD/YYYY");
    EXPECT_STREQ(cDatex::getDefaultFormat(2), "hh:mm");
    cDatex v(2024, 3, 9, 14, 5, 59);
    EXPECT_STREQ(v.toChars(0, true), "03/09/2024 14:05");
}

TEST(SettingsFile, ColourKeysFollowTheDisplayKind) {
    wbtest::AppDir d("wbset");
    d.write("ecolor_0", "255");
    d.write("ecolor256_0", "65280");
    EXPECT_EQ(loaded(d, true).ecolor[0], 255);
    cSettings low = loaded(d, false);
    EXPECT_EQ(low.ecolor[0], 65280);
    EXPECT_EQ(low.ecolor[1], 0xFFFFFF);
    EXPECT_EQ(low.ecolor[3], 0xC0C0C0);
    EXPECT_EQ(low.ecolor[4], 0xFF0000);

    low.ecolor[2] = 0x123456;
    low.saveColors(d.ini.c_str());
    EXPECT_EQ(d.read("ecolor256_2"), "1193046") << "decimal 0xRRGGBB";
    EXPECT_EQ(d.read("ecolor_2"), "<missing>") << "the true-colour keys stay untouched";
    cSettings high = loaded(d, true);
    high.saveColors(d.ini.c_str());
    EXPECT_EQ(d.read("ecolor_0"), "255");
    EXPECT_EQ(d.read("ecolor_4"), "16711680");
}

namespace {

HWND item(HWND dlg, int id) { return GetDlgItem(dlg, id); }

std::string itemText(HWND dlg, int id) { return wintest::windowText(item(dlg, id)); }

}  // namespace

TEST(SettingsDialog, ClampsOnFocusLossAndWritesOnOk) {
    DateFormatsRestorer restore;
    wbtest::AppDir d("wbsetdlg");
    cSettings s = loaded(d);
    wintest::CommandLog log;
    HWND owner = wintest::createParent(&log);
    std::string label, maxAfter, charsAfter;
    bool charsEnabledAtStart = true, charsEnabledOnString = false, backgroundAtStart = false;
    wintest::Driver driver([&]() {
        HWND dlg = wintest::findDialog("Settings");
        if (!dlg)
            return false;
        label = itemText(dlg, IDC_SET_MAXROWS_LABEL);
        charsEnabledAtStart = IsWindowEnabled(item(dlg, IDC_SET_BLOBCHARS)) != 0;
        SetFocus(item(dlg, IDC_SET_MAXROWS));
        SetWindowTextA(item(dlg, IDC_SET_MAXROWS), "5");
        SetFocus(item(dlg, IDC_SET_DATEFMT));
        maxAfter = itemText(dlg, IDC_SET_MAXROWS);
        SendMessageA(item(dlg, IDC_SET_STRING), BM_CLICK, 0, 0);
        charsEnabledOnString = IsWindowEnabled(item(dlg, IDC_SET_BLOBCHARS)) != 0;
        SetFocus(item(dlg, IDC_SET_BLOBCHARS));
        SetWindowTextA(item(dlg, IDC_SET_BLOBCHARS), "250");
        SetFocus(item(dlg, IDC_SET_TIMEFMT));
        charsAfter = itemText(dlg, IDC_SET_BLOBCHARS);
        SendMessageA(item(dlg, IDC_SET_DATEFMT), CB_SETCURSEL, 1, 0);
        SendMessageA(item(dlg, IDC_SET_TIMEFMT), CB_SETCURSEL, 1, 0);
        SendMessageA(item(dlg, IDC_SET_ROLLBACK), BM_CLICK, 0, 0);
        SendMessageA(item(dlg, IDC_SET_MOVECARET), BM_CLICK, 0, 0);
        backgroundAtStart = IsDlgButtonChecked(dlg, IDC_SET_BACKGROUND) == BST_CHECKED;
        SendMessageA(item(dlg, IDC_SET_BACKGROUND), BM_CLICK, 0, 0);
        SendMessageA(item(dlg, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    bool ok = runSettingsDialog(GetModuleHandleA(0), owner, &s, d.ini.c_str());
    EXPECT_FALSE(driver.timedOut());
    EXPECT_TRUE(ok);
    EXPECT_TRUE(backgroundAtStart) << "statements run in the background unless turned off";
    EXPECT_FALSE(s.bBackgroundRun);
    EXPECT_EQ(d.read("bBackgroundRun"), "0");
    EXPECT_EQ(label, "Max Rows in Grid (10-10000)");
    EXPECT_EQ(maxAfter, "10") << "typing 5 gives 10 when the field loses the focus";
    EXPECT_EQ(charsAfter, "100") << "typing 250 gives 100";
    EXPECT_FALSE(charsEnabledAtStart) << "characters only with \"string\"";
    EXPECT_TRUE(charsEnabledOnString);
    EXPECT_EQ(s.maxRows, 10);
    EXPECT_EQ(s.nBlobStr, 100);
    EXPECT_TRUE(s.bBlobStr);
    EXPECT_TRUE(s.bImplicitRollback);
    EXPECT_FALSE(s.movecaret);
    EXPECT_EQ(s.dateFmt, 1);
    EXPECT_EQ(s.timeFmt, 1);
    EXPECT_STREQ(cDatex::getDefaultFormat(0), "DD.MM.YYYY hh:mm");
    EXPECT_EQ(d.read("maxrows"), "10");
    EXPECT_EQ(d.read("nBlobStr"), "100");
    EXPECT_EQ(d.read("bBlobStr"), "1");
    EXPECT_EQ(d.read("bImplicitRollback"), "1");
    EXPECT_EQ(d.read("movecaret"), "0");
    EXPECT_EQ(d.read("aktfmt_D"), "1");
    EXPECT_EQ(d.read("aktfmt_T"), "1");
    EXPECT_EQ(d.read("b_commit_always"), "<missing>") << "only edited by hand";
    DestroyWindow(owner);
}

TEST(SettingsDialog, ShowsTheCurrentValuesAndCancelChangesNothing) {
    wbtest::AppDir d("wbsetdlg");
    d.write("maxrows", "777");
    d.write("bBlobStr", "1");
    d.write("nBlobStr", "33");
    d.write("aktfmt_D", "2");
    cSettings s = loaded(d);
    wintest::CommandLog log;
    HWND owner = wintest::createParent(&log);
    std::string maxText, charsText;
    int dateSel = -1;
    bool stringChecked = false, charsEnabled = false;
    wintest::Driver driver([&]() {
        HWND dlg = wintest::findDialog("Settings");
        if (!dlg)
            return false;
        maxText = itemText(dlg, IDC_SET_MAXROWS);
        charsText = itemText(dlg, IDC_SET_BLOBCHARS);
        dateSel = (int)SendMessageA(item(dlg, IDC_SET_DATEFMT), CB_GETCURSEL, 0, 0);
        stringChecked = IsDlgButtonChecked(dlg, IDC_SET_STRING) == BST_CHECKED;
        charsEnabled = IsWindowEnabled(item(dlg, IDC_SET_BLOBCHARS)) != 0;
        SetWindowTextA(item(dlg, IDC_SET_MAXROWS), "20");
        SendMessageA(item(dlg, IDCANCEL), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_FALSE(runSettingsDialog(GetModuleHandleA(0), owner, &s, d.ini.c_str()));
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(maxText, "777");
    EXPECT_EQ(charsText, "33");
    EXPECT_EQ(dateSel, 2);
    EXPECT_TRUE(stringChecked);
    EXPECT_TRUE(charsEnabled);
    EXPECT_EQ(s.maxRows, 777);
    EXPECT_EQ(d.read("maxrows"), "777");
    EXPECT_EQ(d.read("movecaret"), "<missing>");

    // OK writes only what the dialog changed: another window's later change stays.
    d.write("nBlobStr", "44");
    wintest::Driver ok([&]() {
        HWND dlg = wintest::findDialog("Settings");
        if (!dlg)
            return false;
        SetWindowTextA(item(dlg, IDC_SET_MAXROWS), "20");
        SendMessageA(item(dlg, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_TRUE(runSettingsDialog(GetModuleHandleA(0), owner, &s, d.ini.c_str()));
    EXPECT_FALSE(ok.timedOut());
    EXPECT_EQ(d.read("maxrows"), "20");
    EXPECT_EQ(d.read("nBlobStr"), "44");
    EXPECT_EQ(d.read("movecaret"), "<missing>");
    DestroyWindow(owner);
}
