/* Popup menus, fonts, placement and the small window helpers, with real windows. */
#include "winutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "wintest.h"

using wintest::CommandLog;
using wintest::TempIni;

namespace {

int screenW() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int screenH() {
    return GetSystemMetrics(SM_CYSCREEN);
}

/* Hidden: placement needs no mapping, and unmapping a shown window under Wine without a
   window manager waits for an acknowledgement that never comes. */
HWND popup(int x, int y, int w, int h, HWND owner = 0) {
    HWND p = CreateWindowExA(0, "STATIC", "popup", WS_POPUP, x, y, w, h, owner, 0,
                             GetModuleHandleA(0), 0);
    wintest::pump();
    return p;
}

RECT windowRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

std::string rectText(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

/* The layout as x,y,w,h. */
std::string place(int x, int y, int w, int h) {
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
           std::to_string(h);
}

std::string placeOf(HWND w) {
    RECT r = windowRect(w);
    return place(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::string menuText(HMENU m, int pos) {
    char buf[128] = "";
    GetMenuStringA(m, pos, buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

int screenDpi() {
    HDC dc = GetDC(0);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(0, dc);
    return dpi;
}

}  // namespace

/* ---- cFloxMenu ---- */

TEST(FloxMenu, BuildsNestedSubMenus) {
    cFloxMenu* fm = new cFloxMenu;
    ASSERT_TRUE(IsMenu(fm->menu));
    fm->fmAppend(0, 10, "&Copy");
    fm->fmAppend(0, 0, 0);
    fm->fmAppendSub(0, 1, "Colours");
    fm->fmAppend(1, 11, "Blue");
    fm->fmAppendSub(1, 2, "More");
    fm->fmAppend(2, 12, "Green");
    fm->fmAppend(7, 13, "unknown parent");  // ignored

    ASSERT_EQ(3, GetMenuItemCount(fm->menu));
    EXPECT_EQ(10u, GetMenuItemID(fm->menu, 0));
    EXPECT_EQ("&Copy", menuText(fm->menu, 0));
    EXPECT_TRUE(GetMenuState(fm->menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    HMENU colours = GetSubMenu(fm->menu, 2);
    ASSERT_EQ(fm->subs[0], colours);
    EXPECT_EQ("Colours", menuText(fm->menu, 2));
    ASSERT_EQ(2, GetMenuItemCount(colours));
    EXPECT_EQ(11u, GetMenuItemID(colours, 0));
    HMENU more = GetSubMenu(colours, 1);
    ASSERT_EQ(fm->subs[1], more);
    EXPECT_EQ(12u, GetMenuItemID(more, 0));
    EXPECT_EQ(2, fm->subCount);
    EXPECT_EQ(1, fm->subIds[0]);
    EXPECT_EQ(2, fm->subIds[1]);

    // The destructor takes the root and every sub-menu with it.
    HMENU root = fm->menu;
    delete fm;
    EXPECT_FALSE(IsMenu(root));
    EXPECT_FALSE(IsMenu(colours));
    EXPECT_FALSE(IsMenu(more));
}

TEST(FloxMenu, AtMostTwentySubMenusAndRecreate) {
    cFloxMenu fm;
    for (int i = 1; i <= 21; i++)
        fm.fmAppendSub(0, (short)i, "sub");
    EXPECT_EQ(20, fm.subCount);
    EXPECT_EQ(20, GetMenuItemCount(fm.menu));
    fm.fmAppend(21, 5, "into the refused one");  // no such sub-menu
    fm.fmAppend(20, 6, "into the last one");
    EXPECT_EQ(1, GetMenuItemCount(fm.subs[19]));

    HMENU old = fm.menu, oldSub = fm.subs[3];
    EXPECT_EQ(1, fm.fmCreate());
    EXPECT_FALSE(IsMenu(old));
    EXPECT_FALSE(IsMenu(oldSub));
    EXPECT_TRUE(IsMenu(fm.menu));
    EXPECT_EQ(0, fm.subCount);
    EXPECT_EQ(0, GetMenuItemCount(fm.menu));
}

TEST(FloxMenu, ItemStates) {
    cFloxMenu fm;
    fm.fmAppend(0, 10, "A");
    fm.fmAppend(0, 11, "B");
    fm.fmAppend(0, 12, "C");
    fm.fmDisable(10);
    EXPECT_TRUE(GetMenuState(fm.menu, 10, MF_BYCOMMAND) & MF_GRAYED);
    fm.fmEnable(10, true);
    EXPECT_FALSE(GetMenuState(fm.menu, 10, MF_BYCOMMAND) & MF_GRAYED);
    fm.fmEnable(11, false);
    EXPECT_TRUE(GetMenuState(fm.menu, 11, MF_BYCOMMAND) & MF_GRAYED);
    fm.fmDisablePos(2);
    EXPECT_TRUE(GetMenuState(fm.menu, 12, MF_BYCOMMAND) & MF_GRAYED);
    fm.fmCheck(12, 1);
    EXPECT_TRUE(GetMenuState(fm.menu, 12, MF_BYCOMMAND) & MF_CHECKED);
    fm.fmCheck(12, 0);
    EXPECT_FALSE(GetMenuState(fm.menu, 12, MF_BYCOMMAND) & MF_CHECKED);
    fm.fmDelete(11);
    EXPECT_EQ(2, GetMenuItemCount(fm.menu));
    EXPECT_EQ(12u, GetMenuItemID(fm.menu, 1));
}

namespace {

/* Tracks fm, finds its popup window, records where it opened and picks the first item with
   the keyboard. Returns the popup's top-left corner. */
POINT trackAndPick(cFloxMenu& fm, HWND owner, short x, short y, bool* timedOut) {
    POINT at = {-9999, -9999};
    int stage = 0;
    wintest::Driver driver([&]() {
        std::vector<HWND> menus = wintest::threadWindows("#32768");
        if (menus.empty())
            return false;
        HWND m = menus[0];
        if (stage == 0) {
            RECT r = windowRect(m);
            at.x = r.left;
            at.y = r.top;
            stage = 1;
            return false;
        }
        // The pointer's motion over the new popup (it opens under the cursor) takes the
        // highlight away whenever it arrives: Enter only once the first item is lit.
        HMENU hm = (HMENU)SendMessageA(m, MN_GETHMENU, 0, 0);
        if (hm && (GetMenuState(hm, 0, MF_BYPOSITION) & MF_HILITE)) {
            PostMessageA(m, WM_KEYDOWN, VK_RETURN, 0);
            return true;
        }
        if (!hm || !(GetMenuState(hm, 1, MF_BYPOSITION) & MF_HILITE))
            PostMessageA(m, WM_KEYDOWN, VK_DOWN, 0);
        else
            PostMessageA(m, WM_KEYDOWN, VK_UP, 0);
        return false;
    });
    fm.fmTrack(owner, x, y);
    *timedOut = driver.timedOut();
    wintest::pump(50);
    return at;
}

}  // namespace

TEST(FloxMenu, TrackAtPointAndAtCursorSendsCommands) {
    CommandLog log;
    HWND owner = wintest::createParent(&log);
    SetForegroundWindow(owner);
    cFloxMenu fm;
    fm.fmAppend(0, 41, "First");
    fm.fmAppend(0, 42, "Second");

    bool timedOut = false;
    POINT at = trackAndPick(fm, owner, 200, 150, &timedOut);
    ASSERT_FALSE(timedOut);
    EXPECT_EQ(200, at.x);
    EXPECT_EQ(150, at.y);
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(41u, LOWORD(log.entries[0].wp));

    log.entries.clear();
    ASSERT_TRUE(SetCursorPos(320, 260));
    POINT cursor;
    GetCursorPos(&cursor);
    at = trackAndPick(fm, owner, -1, -1, &timedOut);
    ASSERT_FALSE(timedOut);
    EXPECT_EQ(cursor.x, at.x);
    EXPECT_EQ(cursor.y, at.y);
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(41u, LOWORD(log.entries[0].wp));
    DestroyWindow(owner);
}

/* ---- cXFont ---- */

namespace {

char const courier[] = "1~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New";

}  // namespace

TEST(XFont, DefaultWithoutFileNeverTouchesTheProfile) {
    cXFont* f = new cXFont(0, "", "S", "font", true);
    EXPECT_STREQ(XFONT_DEFAULT, f->str4save());
    EXPECT_STREQ("1~0~-11~0~0~0~400~0~0~0~1~1~2~1~34~MS Sans Serif", f->str4save());
    ASSERT_TRUE(f->getHfont() != 0);
    EXPECT_EQ(0, f->getColor());
    EXPECT_EQ(-11, f->getLogfont()->lfHeight);
    EXPECT_EQ(34, f->getLogfont()->lfPitchAndFamily);
    EXPECT_STREQ("MS Sans Serif", f->getLogfont()->lfFaceName);
    // Wine's screen has 96 pixels per inch unless configured otherwise.
    ASSERT_EQ(96, screenDpi());
    EXPECT_STREQ("MS Sans Serif 8", f->str4disp());
    EXPECT_EQ(-MulDiv(-11, 72, screenDpi()), f->pointSize);
    EXPECT_FALSE(f->load());
    EXPECT_FALSE(f->save());
    delete f;
}

TEST(XFont, DescriptionRoundTrip) {
    cXFont f(0, "", "S", "font", false);
    ASSERT_TRUE(f.set(courier));
    EXPECT_STREQ(courier, f.str4save());
    EXPECT_EQ(0xFF0000, f.getColor());
    LOGFONTA* lf = f.getLogfont();
    EXPECT_EQ(-16, lf->lfHeight);
    EXPECT_EQ(700, lf->lfWeight);
    EXPECT_EQ(1, lf->lfItalic);
    EXPECT_EQ(3, lf->lfOutPrecision);
    EXPECT_EQ(49, lf->lfPitchAndFamily);
    EXPECT_STREQ("Courier New", lf->lfFaceName);
    std::string disp = "Courier New " + std::to_string(-MulDiv(-16, 72, screenDpi())) + " bold italic";
    EXPECT_EQ(disp, f.str4disp());
    LOGFONTA created;
    ASSERT_TRUE(GetObjectA(f.getHfont(), sizeof created, &created));
    EXPECT_STREQ("Courier New", created.lfFaceName);
    EXPECT_EQ(-16, created.lfHeight);

    // Every field lands in its own place.
    char const* fields = "1~65280~-20~7~100~200~600~0~1~1~238~2~3~4~18~Arial";
    ASSERT_TRUE(f.set(fields));
    EXPECT_STREQ(fields, f.str4save());
    EXPECT_EQ(7, f.getLogfont()->lfWidth);
    EXPECT_EQ(100, f.getLogfont()->lfEscapement);
    EXPECT_EQ(200, f.getLogfont()->lfOrientation);
    EXPECT_EQ(1, f.getLogfont()->lfUnderline);
    EXPECT_EQ(1, f.getLogfont()->lfStrikeOut);
    EXPECT_EQ(238, f.getLogfont()->lfCharSet);
    EXPECT_EQ(3, f.getLogfont()->lfClipPrecision);
    EXPECT_EQ(4, f.getLogfont()->lfQuality);
    EXPECT_NE(std::string::npos, std::string(f.str4disp()).find(" bold")) << "600 is bold";

    // A face name of 31 characters is the longest that fits.
    std::string face31(31, 'F');
    std::string d = std::string("1~0~-11~0~0~0~400~0~0~0~1~1~2~1~34~") + face31;
    ASSERT_TRUE(f.set(d.c_str()));
    EXPECT_EQ(face31, f.getLogfont()->lfFaceName);

    // Null and empty mean the default.
    ASSERT_TRUE(f.set(courier));
    ASSERT_TRUE(f.set(0));
    EXPECT_STREQ(XFONT_DEFAULT, f.str4save());
    ASSERT_TRUE(f.set(courier));
    ASSERT_TRUE(f.set(""));
    EXPECT_STREQ(XFONT_DEFAULT, f.str4save());
}

TEST(XFont, BadDescriptionsLeaveTheFont) {
    cXFont f(0, "", "S", "font", false);
    ASSERT_TRUE(f.set(courier));
    HFONT before = f.getHfont();
    char const* bad[] = {
        "2~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",     // version
        "1~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~Courier New",        // one number short
        "1~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~49~",                // empty face
        "1~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~49",                 // no face
        "1~16711680~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier~New",     // extra field
        "1~16711680~-16x~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",    // trailing junk
        "1~16711680~~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",        // empty number
        "1~red~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",          // not a number
        "1~16711680~-16~0~0~0~700~256~0~0~0~3~2~1~49~Courier New",   // byte out of range
        "1~16777216~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",     // colour out of range
        "1~-1~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",           // negative colour
        "1~0~99999999999~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",    // overflows a LONG
        "1~0~ -16~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",           // blank inside
        "garbage",
        "1",
        // Absurd sizes and angles: each one makes an unreadable editor.
        "1~0~-2147483648~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",    // height INT_MIN
        "1~0~2147483647~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",     // height INT_MAX
        "1~0~-1001~0~0~0~700~1~0~0~0~3~2~1~49~Courier New",          // height just out
        "1~0~-16~2147483647~0~0~700~1~0~0~0~3~2~1~49~Courier New",   // width
        "1~0~-16~0~-3601~0~700~1~0~0~0~3~2~1~49~Courier New",        // escapement
        "1~0~-16~0~0~3601~700~1~0~0~0~3~2~1~49~Courier New",         // orientation
        "1~0~-16~0~0~0~1001~1~0~0~0~3~2~1~49~Courier New",           // weight
        "1~0~-16~0~0~0~-1~1~0~0~0~3~2~1~49~Courier New",             // negative weight
        "1~0~-16~0~0~0~700~1~0~0~0~3~2~1~49~Courier\r\n[x]",         // line break in the face
    };
    for (char const* d : bad) {
        EXPECT_FALSE(f.set(d)) << d;
        EXPECT_STREQ(courier, f.str4save()) << d;
        EXPECT_EQ(before, f.getHfont()) << d;
        EXPECT_EQ(0xFF0000, f.getColor()) << d;
    }
    EXPECT_TRUE(f.set("1~0~-1000~0~0~0~1000~0~0~0~1~1~2~1~34~Arial")) << "largest accepted";
    EXPECT_TRUE(f.set("1~0~1000~-1000~3600~-3600~0~0~0~0~1~1~2~1~34~Arial"));
    ASSERT_TRUE(f.set(courier));
    std::string face32 = std::string("1~0~-11~0~0~0~400~0~0~0~1~1~2~1~34~") + std::string(32, 'F');
    EXPECT_FALSE(f.set(face32.c_str())) << "overlong face name";
    EXPECT_STREQ(courier, f.str4save());
}

TEST(XFont, OnlyTheFirst200CharactersAreRead) {
    cXFont f(0, "", "S", "font", false);
    // Zero-padded numbers push the face name to the 200-character limit.
    std::string d = "1~0~-00000000011~0~0~0~400~0~0~0~1~1~2~1~34~";
    while (d.size() < 195)
        d.insert(3, "0");  // more leading zeros in the colour
    d += "Courier New";
    ASSERT_GT(d.size(), 200u);
    ASSERT_TRUE(f.set(d.c_str()));
    EXPECT_EQ(std::string("Courier New").substr(0, 200 - 195), f.getLogfont()->lfFaceName);
}

TEST(XFont, PersistsThroughTheProfile) {
    TempIni ini("xfont");
    {
        cXFont f(0, ini.c_str(), "Lumbra Settings", "font_edit", true);
        EXPECT_STREQ(XFONT_DEFAULT, f.str4save()) << "missing key";
        EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "font_edit")) << "not written by loading";
        ASSERT_TRUE(f.set(courier));
        ASSERT_TRUE(f.save());
        EXPECT_EQ(courier, ini.read("Lumbra Settings", "font_edit"));
    }
    {
        cXFont f(0, ini.c_str(), "Lumbra Settings", "font_edit", true);
        EXPECT_STREQ(courier, f.str4save());
        EXPECT_EQ(0xFF0000, f.getColor());
        ini.write("Lumbra Settings", "font_edit", "1~0~-12~0~0~0~400~0~0~0~1~1~2~1~34~Arial");
        ASSERT_TRUE(f.load());
        EXPECT_STREQ("Arial", f.getLogfont()->lfFaceName);
        ini.write("Lumbra Settings", "font_edit", "1~broken");
        EXPECT_FALSE(f.load());
        EXPECT_STREQ("Arial", f.getLogfont()->lfFaceName) << "kept";
    }
    cXFont g(0, ini.c_str(), "Lumbra Settings", "font_edit", true);
    EXPECT_STREQ(XFONT_DEFAULT, g.str4save()) << "a stored value that does not parse";
}

/* ---- placement ---- */

TEST(Placement, SaveWritesRectangleOrMaximizedMarker) {
    TempIni ini("place_save");
    HWND w = CreateWindowExA(0, "STATIC", "w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120, 400,
                             300, 0, 0, GetModuleHandleA(0), 0);
    wintest::pump(50);
    saveWindowPosition(w, ini.c_str(), "S", "Pos");
    RECT r = windowRect(w);
    std::string expected = std::to_string(r.left) + "~" + std::to_string(r.top) + "~" +
                           std::to_string(r.right - r.left) + "~" + std::to_string(r.bottom - r.top);
    EXPECT_EQ(expected, ini.read("S", "Pos"));
    EXPECT_EQ("100~120~400~300", ini.read("S", "Pos"));

    ShowWindow(w, SW_MAXIMIZE);
    wintest::pump(50);
    ASSERT_TRUE(IsZoomed(w));
    saveWindowPosition(w, ini.c_str(), "S", "Pos");
    EXPECT_EQ("M", ini.read("S", "Pos"));

    ShowWindow(w, SW_RESTORE);
    wintest::pump(50);
    ShowWindow(w, SW_MINIMIZE);
    wintest::pump(50);
    ASSERT_TRUE(IsIconic(w));
    saveWindowPosition(w, ini.c_str(), "S", "Pos");
    EXPECT_EQ("100~120~400~300", ini.read("S", "Pos")) << "the place it returns to";
    DestroyWindow(w);

    // A plain popup whose corner is above-left of the screen and which overhangs it counts
    // as maximized too.
    HWND big = popup(-4, -4, screenW() + 8, screenH() + 8);
    saveWindowPosition(big, ini.c_str(), "S", "Pos");
    EXPECT_EQ("M", ini.read("S", "Pos"));
    DestroyWindow(big);
}

TEST(Placement, LoadClampsToTheScreen) {
    TempIni ini("place_load");
    int sw = screenW(), sh = screenH();
    RECT r;
    auto load = [&](char const* value) {
        if (value)
            ini.write("S", "Pos", value);
        SetRect(&r, 1, 2, 3, 4);
        return loadWindowPosition(&r, ini.c_str(), "S", "Pos", 760, 560, 200, 150);
    };
    EXPECT_FALSE(load(0)) << "missing";
    EXPECT_EQ("0,0,760,560", rectText(r));
    EXPECT_TRUE(load("M"));
    EXPECT_EQ("0,0,760,560", rectText(r));
    EXPECT_TRUE(load("Maximized")) << "starts with M";
    EXPECT_FALSE(load("1~2~3"));
    EXPECT_EQ("0,0,760,560", rectText(r)) << "fewer than four numbers";
    EXPECT_FALSE(load("1~2~x~4"));
    EXPECT_EQ("0,0,760,560", rectText(r));

    EXPECT_FALSE(load("100~50~300~200"));
    EXPECT_EQ("100,50,300,200", rectText(r)) << "right and bottom carry width and height";
    EXPECT_FALSE(load("-50~10~3000~20"));
    EXPECT_EQ(place(0, 10, sw, 150), rectText(r));
    EXPECT_FALSE(load("10~20~50~60"));
    EXPECT_EQ("10,20,200,150", rectText(r)) << "raised to the minimum";
    EXPECT_FALSE(load((std::to_string(sw - 300) + "~" + std::to_string(sh - 100) + "~400~300").c_str()));
    EXPECT_EQ("0,0,400,300", rectText(r)) << "past the right and bottom edges";
    EXPECT_FALSE(load((std::to_string(sw - 400) + "~" + std::to_string(sh - 300) + "~400~300").c_str()));
    EXPECT_EQ(place(sw - 400, sh - 300, 400, 300), rectText(r)) << "touching the edges is fine";
    EXPECT_FALSE(load("10~-5~300~200"));
    EXPECT_EQ("10,0,300,200", rectText(r));
    EXPECT_FALSE(load("5~6~300~200~extra"));
    EXPECT_EQ("5,6,300,200", rectText(r));
    // Longer than 40 characters: only the first 40 are read, and huge numbers do not wrap.
    EXPECT_FALSE(load("10~20~300~999999999999999999999999999999999999999999"));
    EXPECT_EQ(place(10, 0, 300, sh), rectText(r));
    EXPECT_FALSE(loadWindowPosition(&r, "", "S", "Pos", 10, 20, 1, 1));
    EXPECT_EQ("0,0,10,20", rectText(r));
}

TEST(Placement, CenterDialogKeepsTenPixelsInside) {
    int sw = screenW(), sh = screenH();
    HWND parent = popup(100, 100, 600, 400);
    HWND dlg = popup(0, 0, 200, 100, parent);
    centerDialog(dlg, parent);
    EXPECT_EQ(place(300, 250, 200, 100), placeOf(dlg));

    SetWindowPos(parent, 0, sw - 150, sh - 120, 300, 300, SWP_NOZORDER);
    centerDialog(dlg, parent);
    EXPECT_EQ(place(sw - 210, sh - 110, 200, 100), placeOf(dlg));

    SetWindowPos(parent, 0, -500, -400, 300, 300, SWP_NOZORDER);
    centerDialog(dlg, parent);
    EXPECT_EQ(place(10, 10, 200, 100), placeOf(dlg));

    centerDialog(dlg, 0);
    EXPECT_EQ(place((sw - 200) / 2, (sh - 100) / 2, 200, 100), placeOf(dlg));
    DestroyWindow(dlg);
    DestroyWindow(parent);
}

TEST(Placement, DialogSizeRoundTrip) {
    TempIni ini("dlgsize");
    cProfileman prof;
    prof.init(ini.c_str(), "Lumbra Settings");
    HWND parent = popup(100, 100, 600, 400);

    HWND dlg = popup(5, 5, 300, 200, parent);
    DlgSize_INIT(dlg, parent, &prof, "Connect");
    EXPECT_EQ(place(100 + (600 - 299) / 2, 100 + (400 - 199) / 2, 299, 199), placeOf(dlg))
        << "nothing stored: one pixel smaller, centred";
    SetWindowPos(dlg, 0, 50, 60, 350, 250, SWP_NOZORDER);
    DlgSize_WM_DESTROY(dlg, &prof, "Connect");
    DestroyWindow(dlg);
    EXPECT_EQ("50", ini.read("Dialog Size", "Connect_X"));
    EXPECT_EQ("60", ini.read("Dialog Size", "Connect_Y"));
    EXPECT_EQ("350", ini.read("Dialog Size", "Connect_W"));
    EXPECT_EQ("250", ini.read("Dialog Size", "Connect_H"));

    dlg = popup(5, 5, 300, 200, parent);
    DlgSize_INIT(dlg, parent, &prof, "Connect");
    EXPECT_EQ(place(50, 60, 350, 250), placeOf(dlg));
    DestroyWindow(dlg);

    // Out of range: X beyond the screen and a width below the template fall back.
    ini.write("Dialog Size", "Connect_X", std::to_string(screenW()).c_str());
    ini.write("Dialog Size", "Connect_Y", "-1");
    ini.write("Dialog Size", "Connect_W", "100");
    dlg = popup(5, 5, 300, 200, parent);
    DlgSize_INIT(dlg, parent, &prof, "Connect");
    EXPECT_EQ(place(100 + (600 - 299) / 2, 100 + (400 - 250) / 2, 299, 250), placeOf(dlg));
    DestroyWindow(dlg);

    // Keys use the first 30 characters of the name.
    std::string longName = std::string(30, 'n') + "TAIL";
    dlg = popup(5, 5, 300, 200, parent);
    DlgSize_WM_DESTROY(dlg, &prof, longName.c_str());
    EXPECT_EQ("5", ini.read("Dialog Size", (std::string(30, 'n') + "_X").c_str()));
    DestroyWindow(dlg);
    DestroyWindow(parent);
}

TEST(Placement, SizeRelativeRectAndMetrics) {
    HWND parent = popup(100, 100, 400, 300);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, parent, 0,
                                 GetModuleHandleA(0), 0);
    RECT r;
    ASSERT_TRUE(GetRelWinRect(child, parent, &r));
    EXPECT_EQ("10,20,40,60", rectText(r));

    DlgSize_WM_SIZE(parent, child, 25, SIZE_RESTORED, MAKELPARAM(380, 290));
    ASSERT_TRUE(GetRelWinRect(child, parent, &r));
    EXPECT_EQ("0,25,380,290", rectText(r));
    DlgSize_WM_SIZE(parent, child, 0, SIZE_MAXIMIZED, MAKELPARAM(500, 400));
    ASSERT_TRUE(GetRelWinRect(child, parent, &r));
    EXPECT_EQ("0,0,500,400", rectText(r));
    DlgSize_WM_SIZE(parent, child, 5, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    ASSERT_TRUE(GetRelWinRect(child, parent, &r));
    EXPECT_EQ("0,0,500,400", rectText(r)) << "minimizing leaves the child";

    short cx = 0, cy = 0;
    M_size(parent, 0, &cx, &cy);
    EXPECT_EQ(9, cx);
    EXPECT_EQ(13, cy);
    HFONT big = CreateFontA(-40, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    M_size(0, big, &cx, &cy);
    EXPECT_EQ(9, cx) << "no window";
    M_size(parent, big, &cx, &cy);
    HDC dc = GetDC(parent);
    HGDIOBJ old = SelectObject(dc, big);
    SIZE s;
    GetTextExtentPoint32A(dc, "M", 1, &s);
    SelectObject(dc, old);
    ReleaseDC(parent, dc);
    EXPECT_EQ(s.cx, cx);
    EXPECT_EQ(s.cy, cy);
    EXPECT_GT(cy, 30);
    DeleteObject(big);
    DestroyWindow(parent);
}

/* ---- small helpers ---- */

namespace {

/* The parent stays hidden, so the child's own flag is what counts. */
bool hasVisibleStyle(HWND w) {
    return (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

TEST(WinHelpers, KeysVisibilityAndCommands) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE saved[256];
    memcpy(saved, keys, sizeof keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(isControl());
    EXPECT_FALSE(isShift());
    keys[VK_CONTROL] = 0;
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    EXPECT_FALSE(isControl());
    EXPECT_TRUE(isShift());
    SetKeyboardState(saved);

    CommandLog log;
    HWND parent = wintest::createParent(&log, 100, 100, 600, 400, WS_OVERLAPPEDWINDOW);
    HWND a = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent, 0,
                             GetModuleHandleA(0), 0);
    HWND b = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 30, 30, 50, 50, parent, 0,
                             GetModuleHandleA(0), 0);
    HWND next = GetWindow(a, GW_HWNDNEXT);
    RECT before;
    GetRelWinRect(a, parent, &before);
    hideWindow(a);
    EXPECT_FALSE(hasVisibleStyle(a));
    showWindow(a, true);
    EXPECT_TRUE(hasVisibleStyle(a));
    showWindow(a, false);
    EXPECT_FALSE(hasVisibleStyle(a));
    showWindow(a, true);
    RECT after;
    GetRelWinRect(a, parent, &after);
    EXPECT_EQ(rectText(before), rectText(after));
    EXPECT_EQ(next, GetWindow(a, GW_HWNDNEXT)) << "z-order kept";

    sendWM_COMMAND(parent, b, 1234, EN_CHANGE);
    ASSERT_EQ(1u, log.entries.size());
    EXPECT_EQ(1234u, LOWORD(log.entries[0].wp));
    EXPECT_EQ((unsigned)EN_CHANGE, HIWORD(log.entries[0].wp));
    EXPECT_EQ((LPARAM)b, log.entries[0].lp);
    DestroyWindow(parent);

    HDC dc = GetDC(0);
    bool deep = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) > 8;
    ReleaseDC(0, dc);
    EXPECT_EQ(deep, isTrueColor());
}

TEST(WinHelpers, ClipboardRoundTrip) {
    char const* text = "select * from t;\r\nline two \xe8\xf9";
    ASSERT_TRUE(str2clip(text));
    ASSERT_TRUE(OpenClipboard(0));
    HANDLE h = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(h != 0);
    char const* p = (char const*)GlobalLock(h);
    ASSERT_TRUE(p != 0);
    EXPECT_STREQ(text, p);
    GlobalUnlock(h);
    // Pasted as Unicode the letters are the ANSI code page's (č ů), whatever the keyboard.
    h = GetClipboardData(CF_UNICODETEXT);
    ASSERT_TRUE(h != 0);
    WCHAR const* w = (WCHAR const*)GlobalLock(h);
    ASSERT_TRUE(w != 0);
    WCHAR want[64];
    MultiByteToWideChar(CP_ACP, 0, text, -1, want, 64);
    EXPECT_EQ(0, lstrcmpW(want, w));
    EXPECT_EQ(GetACP() == 1250 ? 0x016F : want[lstrlenW(want) - 1], w[lstrlenW(w) - 1]);
    GlobalUnlock(h);
    CloseClipboard();

    ASSERT_TRUE(str2clip(""));
    ASSERT_TRUE(OpenClipboard(0));
    h = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(h != 0);
    EXPECT_STREQ("", (char const*)GlobalLock(h)) << "the old text is replaced";
    GlobalUnlock(h);
    CloseClipboard();
    EXPECT_FALSE(str2clip(0));
}

namespace {

/* A 32-bit memory canvas with direct pixel access. */
struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    DWORD* bits;
    int w, h;
    Canvas(int width, int height, COLORREF fill) : w(width), h(height) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(0);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, 0, 0);
        old = SelectObject(dc, bmp);
        RECT r = {0, 0, w, h};
        HBRUSH b = CreateSolidBrush(fill);
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    /* 0xRRGGBB of a pixel. */
    unsigned at(int x, int y) {
        GdiFlush();
        return bits[y * w + x] & 0xFFFFFF;
    }
    void fill(int l, int t, int r, int b, COLORREF c) {
        RECT rc = {l, t, r, b};
        HBRUSH br = CreateSolidBrush(c);
        FillRect(dc, &rc, br);
        DeleteObject(br);
    }
    /* Takes the bitmap out of the canvas (the caller deletes it). */
    HBITMAP detach() {
        SelectObject(dc, old);
        HBITMAP b = bmp;
        bmp = 0;
        old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        return b;
    }
};

}  // namespace

TEST(WinHelpers, BitmapsAndMasksPaintPixels) {
    // Image: red 2x2 square in the corner of a white 4x4; mask: white where the image is.
    Canvas image(4, 4, RGB(255, 255, 255));
    image.fill(0, 0, 2, 2, RGB(255, 0, 0));
    HBITMAP bmp = image.detach();
    Canvas maskCanvas(4, 4, RGB(0, 0, 0));
    maskCanvas.fill(0, 0, 2, 2, RGB(255, 255, 255));
    HBITMAP mask = maskCanvas.detach();

    Canvas dest(20, 20, RGB(0, 0, 255));
    DrawBmpMask(dest.dc, 5, 5, bmp, mask);
    EXPECT_EQ(0xFF0000u, dest.at(5, 5));
    EXPECT_EQ(0xFF0000u, dest.at(6, 6));
    EXPECT_EQ(0x0000FFu, dest.at(7, 7)) << "transparent part keeps the background";
    EXPECT_EQ(0x0000FFu, dest.at(8, 8));
    EXPECT_EQ(0x0000FFu, dest.at(4, 4));

    Canvas copy(20, 20, RGB(0, 0, 255));
    DrawBmpMask(copy.dc, 5, 5, bmp, 0);
    EXPECT_EQ(0xFF0000u, copy.at(5, 5));
    EXPECT_EQ(0xFFFFFFu, copy.at(8, 8)) << "without a mask the bitmap is copied";
    EXPECT_EQ(0x0000FFu, copy.at(9, 9));

    Canvas plain(20, 20, RGB(0, 255, 0));
    drawBmp(plain.dc, bmp, 2, 3);
    EXPECT_EQ(0xFF0000u, plain.at(2, 3));
    EXPECT_EQ(0xFFFFFFu, plain.at(5, 6)) << "the whole bitmap";
    EXPECT_EQ(0x00FF00u, plain.at(6, 7));
    EXPECT_EQ(0x00FF00u, plain.at(1, 3));
    drawBmp(plain.dc, 0, 0, 0);
    DrawBmpMask(plain.dc, 0, 0, 0, mask);
    EXPECT_EQ(0x00FF00u, plain.at(0, 0)) << "a null bitmap draws nothing";
    DeleteObject(bmp);
    DeleteObject(mask);
}

namespace {

/* Names of the DLLs a module imports at load time, upper-cased. */
std::vector<std::string> importsOf(char const* file) {
    std::vector<std::string> names;
    HMODULE m = LoadLibraryExA(file, 0, DONT_RESOLVE_DLL_REFERENCES);
    if (!m)
        return names;
    BYTE* base = (BYTE*)((ULONG_PTR)m & ~(ULONG_PTR)3);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress);
         dir.VirtualAddress && d->Name; d++) {
        std::string n = (char const*)(base + d->Name);
        for (char& c : n)
            c = (char)toupper((unsigned char)c);
        names.push_back(n);
    }
    FreeLibrary(m);
    return names;
}

}  // namespace

TEST(WinHelpers, LateDllsLoadAtFirstUseNotAtStart) {
    char dir[MAX_PATH];
    DWORD n = GetModuleFileNameA(0, dir, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    *strrchr(dir, '\\') = 0;
    char const* late[] = {"COMDLG32.DLL", "SHELL32.DLL", "CRYPT32.DLL", "COMCTL32.DLL"};
    for (char const* module : {"lumbra.exe", "vorcore206.dll", "vorodbc206.dll"}) {
        std::string path = std::string(dir) + "\\" + module;
        std::vector<std::string> imports = importsOf(path.c_str());
        EXPECT_GE(imports.size(), 3u) << module << ": its import table was not read";
        for (std::string const& i : imports)
            for (char const* l : late)
                EXPECT_NE(l, i) << module << " loads " << l << " at every start";
    }

    /* This test program imports none of them either: the first use loads the DLL. */
    EXPECT_EQ(0, GetModuleHandleA("crypt32.dll"));
    FARPROC protect = vorLateProc("crypt32.dll", "CryptProtectData");
    EXPECT_TRUE(protect != 0);
    EXPECT_TRUE(GetModuleHandleA("crypt32.dll") != 0);
    EXPECT_EQ(protect, vorLateProc("crypt32.dll", "CryptProtectData"));
    EXPECT_EQ(0, vorLateProc("crypt32.dll", "NoSuchFunction"));
    EXPECT_EQ(0, vorLateProc("no-such-library.dll", "CryptProtectData"));
    EXPECT_EQ(0, vorLateProc("..\\..\\a-name-longer-than-thirty-characters.dll", "f"));
}
