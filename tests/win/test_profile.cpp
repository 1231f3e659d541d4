/* cProfileman, cRecentFiles and the registry helpers against real INI files and the
   prefix's registry. */
#include "profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "iniwrite.h"
#include "strx.h"
#include "wintest.h"

using wintest::TempIni;

namespace {

char* C(char const* s) {
    return const_cast<char*>(s);
}

}  // namespace

/* ---- cProfileman ---- */

TEST(Profileman, StartsEmptyAndIgnoresUseBeforeInit) {
    cProfileman* p = new cProfileman;
    EXPECT_STREQ("", p->file);
    EXPECT_STREQ("", p->section);
    // Without a file nothing is read or written (no win.ini fallback).
    p->write_int("k", 5);
    EXPECT_EQ(9, p->get_int("k", 9));
    char buf[8];
    p->get_str("k", buf, sizeof buf, "dflt");
    EXPECT_STREQ("dflt", buf);
    delete p;
}

TEST(Profileman, IntegerRangesGiveTheDefault) {
    TempIni ini("prof_int");
    cProfileman p;
    p.init(ini.c_str(), "Main");
    EXPECT_STREQ(ini.c_str(), p.file);
    EXPECT_STREQ("Main", p.section);

    EXPECT_EQ(5, p.get_int("K", 5, 1, 10)) << "missing key";
    ini.write("Main", "K", "0");
    EXPECT_EQ(5, p.get_int("K", 5, 1, 10)) << "below min";
    EXPECT_EQ(0, p.get_int("K", 5, 0, 0)) << "no range: as read";
    ini.write("Main", "K", "11");
    EXPECT_EQ(5, p.get_int("K", 5, 1, 10)) << "above max";
    EXPECT_EQ(11, p.get_int("K", 5)) << "no range";
    ini.write("Main", "K", "7");
    EXPECT_EQ(7, p.get_int("K", 5, 1, 10));
    ini.write("Main", "K", "10");
    EXPECT_EQ(10, p.get_int("K", 5, 1, 10)) << "max itself is inside";
    ini.write("Main", "K", "-3");
    EXPECT_EQ(-3, p.get_int("K", 5, -5, 5));
    ini.write("Main", "K", "42abc");
    EXPECT_EQ(42, p.get_int("K", 5)) << "leading digits";
    ini.write("Main", "K", "abc");
    EXPECT_EQ(0, p.get_int("K", 5)) << "present but not a number";

    p.write_int("W", -1234);
    EXPECT_EQ("-1234", ini.read("Main", "W"));
    p.write_int_sec("Other", "W", 77);
    EXPECT_EQ("77", ini.read("Other", "W"));
    EXPECT_EQ(77, p.get_int_sec("Other", "W", 0, 1, 100));
    EXPECT_EQ(3, p.get_int_sec("Other", "Missing", 3, 1, 100));
}

TEST(Profileman, BooleansAreIntegersAboveZero) {
    TempIni ini("prof_bool");
    cProfileman p;
    p.init(ini.c_str(), "Main");
    EXPECT_TRUE(p.get_bool("B", true));
    EXPECT_FALSE(p.get_bool("B", false));
    ini.write("Main", "B", "2");
    EXPECT_TRUE(p.get_bool("B", false));
    ini.write("Main", "B", "0");
    EXPECT_FALSE(p.get_bool("B", true));
    ini.write("Main", "B", "-1");
    EXPECT_FALSE(p.get_bool("B", true));
    ini.write("Main", "B", "yes");
    EXPECT_FALSE(p.get_bool("B", true)) << "text reads as 0";

    p.write_bool("B", true);
    EXPECT_EQ("1", ini.read("Main", "B"));
    p.write_bool_sec("S2", "B", false);
    EXPECT_EQ("0", ini.read("S2", "B"));
    EXPECT_FALSE(p.get_bool_sec("S2", "B", true));
}

TEST(Profileman, StringsAreCutToTheirBuffers) {
    TempIni ini("prof_str");
    cProfileman p;
    p.init(ini.c_str(), "Main");
    char buf[16];
    p.get_str("S", buf, sizeof buf, 0);
    EXPECT_STREQ("", buf) << "null default";
    p.get_str("S", buf, sizeof buf, "abc");
    EXPECT_STREQ("abc", buf);

    p.write_str("S", "hello world");
    EXPECT_EQ("hello world", ini.read("Main", "S"));
    p.get_str("S", buf, sizeof buf);
    EXPECT_STREQ("hello world", buf);

    // An overlong value, and an overlong default, stop at the buffer: the guard bytes after
    // the declared size stay untouched.
    std::string longValue(700, 'x');
    p.write_str("Long", longValue.c_str());
    char guarded[32];
    memset(guarded, '#', sizeof guarded);
    p.get_str("Long", guarded, 8);
    EXPECT_EQ(7u, strlen(guarded));
    for (int i = 8; i < 32; i++)
        ASSERT_EQ('#', guarded[i]) << i;
    memset(guarded, '#', sizeof guarded);
    p.get_str("Missing", guarded, 8, longValue.c_str());
    EXPECT_EQ(7u, strlen(guarded));
    for (int i = 8; i < 32; i++)
        ASSERT_EQ('#', guarded[i]) << i;
    p.get_str("Long", guarded, 1);
    EXPECT_EQ(0, guarded[0]) << "a one-byte buffer holds the terminator only";

    p.write_str_sec("Other", "T", 0);
    EXPECT_EQ("", ini.read("Other", "T")) << "a null text writes an empty value";
    p.get_str_sec("Other", "T", buf, sizeof buf, "d");
    EXPECT_STREQ("", buf) << "an empty value is present";
}

TEST(Profileman, NullKeysNeitherEnumerateNorDelete) {
    TempIni ini("prof_null");
    cProfileman p;
    p.init(ini.c_str(), "Main");
    p.write_str("A", "1");
    p.write_str("B", "2");
    char buf[64];
    p.get_str(0, buf, sizeof buf, "d");
    EXPECT_STREQ("d", buf) << "a null key would list the keys";
    p.write_str(0, "x");
    EXPECT_EQ("1", ini.read("Main", "A")) << "a null key would delete the section";
    p.write_str_sec(0, "A", "x");
    EXPECT_EQ(4, p.get_int_sec(0, "A", 4));
}

/* ---- cRecentFiles ---- */

namespace {

/* Menu bar: File popup whose item 2 is the recent-files popup. */
struct RecentMenu {
    HMENU bar, file, recent;
    RecentMenu() {
        bar = CreateMenu();
        file = CreatePopupMenu();
        recent = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, 1, "&Open");
        AppendMenuA(file, MF_SEPARATOR, 0, 0);
        AppendMenuA(file, MF_POPUP, (UINT_PTR)recent, "Recent");
        AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");
    }
    ~RecentMenu() { DestroyMenu(bar); }

    /* Items of the recent popup as "id:text[:grayed]". */
    std::string items() const {
        std::string s;
        int n = GetMenuItemCount(recent);
        for (int i = 0; i < n; i++) {
            char text[600] = "";
            GetMenuStringA(recent, i, text, sizeof text, MF_BYPOSITION);
            UINT state = GetMenuState(recent, i, MF_BYPOSITION);
            if (!s.empty())
                s += "|";
            s += std::to_string(GetMenuItemID(recent, i)) + ":" + text;
            if (state & MF_GRAYED)
                s += ":grayed";
        }
        return s;
    }
};

std::string entries(cRecentFiles& r) {
    std::string s;
    for (int i = 0; i < r.count; i++) {
        if (i)
            s += ",";
        s += r.getFilename(i);
    }
    return s;
}

}  // namespace

TEST(RecentFiles, EmptyListShowsTheDisabledPlaceholder) {
    TempIni ini("recent_empty");
    RecentMenu m;
    cRecentFiles* r = new cRecentFiles(3, ini.c_str(), "Recent", "RecentFile_", m.bar, 0, 2,
                                       "(empty)");
    EXPECT_EQ(",,", entries(*r));
    EXPECT_EQ("80:(empty):grayed", m.items());
    EXPECT_STREQ("", r->getFilename(-1));
    EXPECT_STREQ("", r->getFilename(3));
    delete r;
}

TEST(RecentFiles, LoadsEntriesWithGapsAndCommandsByIndex) {
    TempIni ini("recent_load");
    ini.write("Recent", "RecentFile_1", "c:\\one.sql");
    ini.write("Recent", "RecentFile_3", "c:\\R&D.sql");
    ini.write("Recent", "RecentFile_5", "beyond the count");
    RecentMenu m;
    cRecentFiles r(4, ini.c_str(), "Recent", "RecentFile_", m.bar, 0, 2, "(empty)");
    EXPECT_EQ("c:\\one.sql,,c:\\R&D.sql,", entries(r));
    // The menu shows an "&" of the name as itself, not as a mnemonic.
    EXPECT_EQ("50:c:\\one.sql|52:c:\\R&&D.sql", m.items());
    EXPECT_EQ(4, r.count);
}

TEST(RecentFiles, AddMovesToFrontKeepingTheStoredCase) {
    TempIni ini("recent_add");
    RecentMenu m;
    cRecentFiles r(5, ini.c_str(), "Recent", "RF", m.bar, 0, 2, "(none)");
    ASSERT_TRUE(r.addFilename("c.sql"));
    ASSERT_TRUE(r.addFilename("a.sql"));
    ASSERT_TRUE(r.addFilename("b.sql"));
    EXPECT_EQ("b.sql,a.sql,c.sql,,", entries(r));
    EXPECT_EQ("50:b.sql|51:a.sql|52:c.sql", m.items());

    // Entry 2 "c.sql" matched ignoring case moves to the front with its old spelling.
    ASSERT_TRUE(r.addFilename("C.SQL"));
    EXPECT_EQ("c.sql,b.sql,a.sql,,", entries(r));
    EXPECT_EQ("c.sql", ini.read("Recent", "RF1"));
    EXPECT_EQ("b.sql", ini.read("Recent", "RF2"));
    EXPECT_EQ("a.sql", ini.read("Recent", "RF3"));
    EXPECT_EQ("", ini.read("Recent", "RF4")) << "every slot is written";
    EXPECT_EQ("", ini.read("Recent", "RF5"));
    EXPECT_EQ("<missing>", ini.read("Recent", "RF6"));

    // Already first: nothing is written.
    ini.write("Recent", "RF1", "changed behind its back");
    ASSERT_TRUE(r.addFilename("C.Sql"));
    EXPECT_EQ("changed behind its back", ini.read("Recent", "RF1"));
    EXPECT_EQ("c.sql,b.sql,a.sql,,", entries(r));

    // A reload sees the saved order.
    ini.write("Recent", "RF1", "c.sql");
    cRecentFiles again(5, ini.c_str(), "Recent", "RF", m.bar, 0, 2, "(none)");
    EXPECT_EQ("c.sql,b.sql,a.sql,,", entries(again));
}

TEST(RecentFiles, TwoListsOnOneFileKeepEachOthersEntries) {
    TempIni ini("recent_two");
    RecentMenu m1, m2;
    cRecentFiles a(4, ini.c_str(), "Recent", "R", m1.bar, 0, 2, "(none)");
    cRecentFiles b(4, ini.c_str(), "Recent", "R", m2.bar, 0, 2, "(none)");
    ASSERT_TRUE(a.addFilename("x.sql"));
    ASSERT_TRUE(b.addFilename("y.sql"));
    ASSERT_TRUE(a.addFilename("z.sql"));
    EXPECT_EQ("z.sql,y.sql,x.sql,", entries(a));
    EXPECT_EQ("y.sql", ini.read("Recent", "R2"));
    EXPECT_EQ("50:z.sql|51:y.sql|52:x.sql", m1.items());
    ASSERT_TRUE(b.addFilename("X.SQL"));
    EXPECT_EQ("x.sql,z.sql,y.sql,", entries(b));
}

TEST(RecentFiles, LastOfSeveralMatchesMoves) {
    TempIni ini("recent_dupes");
    ini.write("Recent", "R1", "x.sql");
    ini.write("Recent", "R2", "dup.sql");
    ini.write("Recent", "R3", "y.sql");
    ini.write("Recent", "R4", "DUP.SQL");
    RecentMenu m;
    cRecentFiles r(4, ini.c_str(), "Recent", "R", m.bar, 0, 2, "(none)");
    ASSERT_TRUE(r.addFilename("Dup.sql"));
    EXPECT_EQ("DUP.SQL,x.sql,dup.sql,y.sql", entries(r));
}

TEST(RecentFiles, FullListDropsTheOldestAndCountIsCutTo30) {
    TempIni ini("recent_full");
    RecentMenu m;
    cRecentFiles r(40, ini.c_str(), "Recent", "F", m.bar, 0, 2, "(none)");
    EXPECT_EQ(30, r.count);
    for (int i = 1; i <= 30; i++)
        ASSERT_TRUE(r.addFilename(("file" + std::to_string(i)).c_str()));
    EXPECT_STREQ("file30", r.getFilename(0));
    EXPECT_STREQ("file1", r.getFilename(29));
    ASSERT_TRUE(r.addFilename("new"));
    EXPECT_STREQ("new", r.getFilename(0));
    EXPECT_STREQ("file2", r.getFilename(29));
    EXPECT_EQ("file2", ini.read("Recent", "F30"));
    EXPECT_EQ("<missing>", ini.read("Recent", "F31"));
    EXPECT_EQ(30, GetMenuItemCount(m.recent));
    EXPECT_EQ(79u, GetMenuItemID(m.recent, 29));
}

TEST(RecentFiles, MenuKeepsOtherItemsAndLongNamesFit) {
    TempIni ini("recent_menu");
    RecentMenu m;
    AppendMenuA(m.recent, MF_STRING, 900, "Clear list");
    cRecentFiles r(3, ini.c_str(), "Recent", "R", m.bar, 0, 2, "(none)");
    EXPECT_EQ("900:Clear list|80:(none):grayed", m.items());
    ASSERT_TRUE(r.addFilename("one"));
    EXPECT_EQ("900:Clear list|50:one", m.items()) << "placeholder replaced";

    // A stored value longer than the 500-byte read buffer is cut, not overflowed.
    std::string huge(800, 'p');
    ini.write("Recent", "R2", huge.c_str());
    cRecentFiles cut(3, ini.c_str(), "Recent", "R", m.bar, 0, 2, "(none)");
    EXPECT_EQ(499u, strlen(cut.getFilename(1)));
}

TEST(RecentFiles, MissingSubMenuFails) {
    TempIni ini("recent_nosub");
    RecentMenu m;
    cRecentFiles r(3, ini.c_str(), "Recent", "R", m.bar, 0, 1, "(none)");  // item 1 is a separator
    EXPECT_FALSE(r.rebuildMenu());
    EXPECT_FALSE(r.addFilename("a"));
    EXPECT_EQ("a", ini.read("Recent", "R1")) << "the list is still saved";
    cRecentFiles noMenu(3, ini.c_str(), "Recent", "R", 0, 0, 0, "(none)");
    EXPECT_FALSE(noMenu.addFilename("b"));
    EXPECT_STREQ("b", noMenu.getFilename(0));
}

/* ---- registry ---- */

namespace {

std::string defaultValue(HKEY root, char const* path) {
    HKEY k;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "<no key>";
    char buf[512] = "";
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueExA(k, 0, 0, &type, (BYTE*)buf, &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS)
        return "<no value>";
    return type == REG_SZ ? std::string(buf) : "<type>";
}

void deleteTree(HKEY root, char const* path) {
    HKEY k;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
        return;
    char sub[256];
    while (RegEnumKeyA(k, 0, sub, sizeof sub) == ERROR_SUCCESS) {
        std::string child = std::string(path) + "\\" + sub;
        deleteTree(root, child.c_str());
    }
    RegCloseKey(k);
    RegDeleteKeyA(root, path);
}

}  // namespace

TEST(Registry, AssociationKeysAndMenuVerb) {
    deleteTree(HKEY_CLASSES_ROOT, ".lumbratst");
    deleteTree(HKEY_CLASSES_ROOT, "Lumbra.TestScript");
    ASSERT_TRUE(vorAsocExtension(".lumbratst", C("c:\\apps\\lumbra.exe,1"), C("Lumbra test script"),
                                 C("Lumbra.TestScript")));
    EXPECT_EQ("Lumbra.TestScript", defaultValue(HKEY_CLASSES_ROOT, ".lumbratst"));
    EXPECT_EQ("Lumbra test script", defaultValue(HKEY_CLASSES_ROOT, "Lumbra.TestScript"));
    EXPECT_EQ("c:\\apps\\lumbra.exe,1",
              defaultValue(HKEY_CLASSES_ROOT, "Lumbra.TestScript\\DefaultIcon"));

    ASSERT_TRUE(vorAsocMenu("open", C("c:\\apps\\lumbra.exe \"%1\""), "Lumbra.TestScript"));
    EXPECT_EQ("c:\\apps\\lumbra.exe \"%1\"",
              defaultValue(HKEY_CLASSES_ROOT, "Lumbra.TestScript\\Shell\\open\\Command"));
    // Running again overwrites in place.
    ASSERT_TRUE(vorAsocMenu("open", C("other.exe"), "Lumbra.TestScript"));
    EXPECT_EQ("other.exe", defaultValue(HKEY_CLASSES_ROOT, "Lumbra.TestScript\\Shell\\open\\Command"));

    // Names that would address HKEY_CLASSES_ROOT itself are refused.
    EXPECT_FALSE(vorAsocExtension("", C("i"), C("d"), C("p")));
    EXPECT_FALSE(vorAsocExtension(".x", C("i"), C("d"), 0));
    EXPECT_FALSE(vorAsocMenu("open", C("c"), ""));
    EXPECT_FALSE(vorAsocMenu(0, C("c"), "Lumbra.TestScript"));

    deleteTree(HKEY_CLASSES_ROOT, ".lumbratst");
    deleteTree(HKEY_CLASSES_ROOT, "Lumbra.TestScript");
    EXPECT_EQ("<no key>", defaultValue(HKEY_CLASSES_ROOT, ".lumbratst"));
}

TEST(Registry, AppRootDir) {
    char const* base = "Software\\Vor Systems\\LumbraTestApp";
    deleteTree(HKEY_LOCAL_MACHINE, base);
    char dir[MAX_PATH + 16];
    strcpy(dir, "stale");
    EXPECT_FALSE(vorGetRegAppRootDir("LumbraTestApp", dir));
    EXPECT_STREQ("", dir) << "emptied first";

    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, base, 0, 0, 0, KEY_ALL_ACCESS, 0, &k, 0));
    EXPECT_FALSE(vorGetRegAppRootDir("LumbraTestApp", dir)) << "key without the value";

    char const* root = "C:\\Program Files\\Lumbra\\";
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)root, (DWORD)strlen(root) + 1);
    ASSERT_TRUE(vorGetRegAppRootDir("LumbraTestApp", dir));
    EXPECT_STREQ(root, dir);

    // A value stored without its terminator still ends in the buffer.
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)"C:\\abc", 6);
    ASSERT_TRUE(vorGetRegAppRootDir("LumbraTestApp", dir));
    EXPECT_STREQ("C:\\abc", dir);

    // Too long for MAX_PATH: refused, nothing written past the buffer.
    std::string longDir(400, 'd');
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)longDir.c_str(), (DWORD)longDir.size() + 1);
    memset(dir, '#', sizeof dir);
    EXPECT_FALSE(vorGetRegAppRootDir("LumbraTestApp", dir));
    EXPECT_EQ(0, dir[0]);
    for (size_t i = MAX_PATH; i < sizeof dir; i++)
        ASSERT_EQ('#', dir[i]) << i;
    std::string exact(MAX_PATH, 'e');  // 260 characters leave no room for the terminator
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)exact.c_str(), MAX_PATH);
    EXPECT_FALSE(vorGetRegAppRootDir("LumbraTestApp", dir));
    std::string fits(MAX_PATH - 1, 'f');
    RegSetValueExA(k, "RootDir", 0, REG_SZ, (BYTE const*)fits.c_str(), MAX_PATH);
    EXPECT_TRUE(vorGetRegAppRootDir("LumbraTestApp", dir));
    EXPECT_EQ(fits, dir);

    DWORD number = 7;
    RegSetValueExA(k, "RootDir", 0, REG_DWORD, (BYTE const*)&number, sizeof number);
    EXPECT_FALSE(vorGetRegAppRootDir("LumbraTestApp", dir)) << "not a string";
    RegCloseKey(k);
    deleteTree(HKEY_LOCAL_MACHINE, base);
    EXPECT_FALSE(vorGetRegAppRootDir("", dir));
    EXPECT_FALSE(vorGetRegAppRootDir(0, dir));
}

/* ---- values that would change the file's structure ---- */

namespace {

char const kInjected[] = "i\r\n[Lumbra Settings]\r\nb_commit_always=1";

std::string fileText(std::string const& path) {
    WritePrivateProfileStringA(0, 0, 0, path.c_str());  // flush the profile cache
    std::string s;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        fclose(f);
    }
    return s;
}

}  // namespace

TEST(IniSafety, LineBreaksAndKeyMarkersAreRefused) {
    EXPECT_TRUE(vorIniSafe("plain value = with; signs [x]", false));
    EXPECT_TRUE(vorIniSafe(0, false));
    EXPECT_FALSE(vorIniSafe("a\nb", false));
    EXPECT_FALSE(vorIniSafe("a\rb", false));
    EXPECT_FALSE(vorIniSafe(kInjected, false));
    EXPECT_TRUE(vorIniSafe("LumbraPG_user", true));
    EXPECT_FALSE(vorIniSafe("a=b", true));
    EXPECT_FALSE(vorIniSafe("[sec", true));
    EXPECT_FALSE(vorIniSafe(";comment", true));
}

TEST(IniSafety, ProfileWritersDropUnsafeValuesAndKeys) {
    TempIni ini("prof_inject");
    cProfileman p;
    p.init(ini.c_str(), "Main");
    p.write_str("good", "kept");
    p.write_str("bad", kInjected);
    p.write_str_sec("Last Namespace", "LumbraPG", kInjected);
    p.write_str_sec("Last Namespace", "dsn=x", "1");
    p.write_str_sec("Main]\r\n[Lumbra Settings", "k", "1");
    p.write_int_sec("Sec\nb_commit_always=1", "k", 1);
    EXPECT_EQ("kept", ini.read("Main", "good"));
    EXPECT_EQ("<missing>", ini.read("Main", "bad"));
    EXPECT_EQ("<missing>", ini.read("Last Namespace", "LumbraPG"));
    EXPECT_EQ("<missing>", ini.read("Last Namespace", "dsn"));
    EXPECT_EQ("<missing>", ini.read("Lumbra Settings", "b_commit_always"));
    std::string text = fileText(ini.path);
    EXPECT_EQ(std::string::npos, text.find("b_commit_always")) << text;
    EXPECT_EQ(std::string::npos, text.find("Lumbra Settings")) << text;
}

TEST(IniSafety, RecentFilesRefuseANameWithALineBreak) {
    TempIni ini("recent_inject");
    RecentMenu m;
    cRecentFiles r(3, ini.c_str(), "Recent", "RF", m.bar, 0, 2, "(none)");
    ASSERT_TRUE(r.addFilename("a.sql"));
    EXPECT_FALSE(r.addFilename("c:\\x.sql\r\n[Lumbra Settings]\r\nb_commit_always=1"));
    EXPECT_EQ("a.sql,,", entries(r)) << "list unchanged";
    EXPECT_EQ("50:a.sql", m.items());
    EXPECT_EQ(std::string::npos, fileText(ini.path).find("b_commit_always"));
}

/* ---- the file replaced, never rewritten in place ---- */

namespace {

void putText(std::string const& path, std::string const& text) {
    WritePrivateProfileStringA(0, 0, 0, path.c_str());
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f != 0);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

/* What the profile calls read from the file: every section with its keys and values. */
std::string readBack(char const* path) {
    std::vector<char> buf(1 << 16);
    std::string out;
    DWORD n = GetPrivateProfileSectionNamesA(buf.data(), (DWORD)buf.size(), path);
    for (char const* s = buf.data(); s < buf.data() + n && *s; s += strlen(s) + 1) {
        std::vector<char> keys(1 << 16);
        DWORD k = GetPrivateProfileStringA(s, 0, "", keys.data(), (DWORD)keys.size(), path);
        out += std::string("[") + s + "]";
        for (char const* key = keys.data(); key < keys.data() + k && *key; key += strlen(key) + 1) {
            char value[512];
            GetPrivateProfileStringA(s, key, "<none>", value, sizeof value, path);
            out += std::string(" ") + key + "=" + value;
        }
    }
    return out;
}

}  // namespace

TEST(IniFile, EditsReadBackAsThoseOfTheProfileCalls) {
    std::string texts[] = {"",
                           "\xEF\xBB\xBF[A]\r\nx=1\r\n",
                           "\xEF\xBB\xBF[\xC4\x8C\xC3\xA1st]\r\n\xC3\x9A\xC4\x8D" "et=1\r\n",
                           std::string("\xFF\xFE[\0A\0]\0\r\0\n\0x\0=\0" "1\0", 18),
                           "[A]\r\nx=1\r\n",
                           "; c\r\n[A]\r\n  X = 1 \r\ny\r\n\r\n[b]\r\nx=2\r\n[a]\r\nx=3\r\n",
                           "z=0\n[A]\nx=[B]\n[B\n[B]\nx = 4",
                           "[A]",
                           "[ A ]\r\nx=1\r\n[A]\r\nx=2\r\n",
                           "[\xC8\xE1" "st]\r\n\xDA\xE8" "et=1\r\n[A]\r\n\xFA\xC8" "ET=2\r\n"};
    cIniEdit edits[] = {{"A", "x", "9"},   {"a", " X", " 8"}, {"A", "new", "n"}, {"B", "x", "7"},
                        {"C", "k", "v"},   {"A", "x", 0},     {"A", 0, 0},       {"b", 0, 0},
                        {"B", "x", ""},   {"A", "y", "=q"},  {"\xE8\xC1" "ST", "\xFA\xC8" "et", "3"},
                        {"a", "\xDA\xE8" "ET", "4"}};
    TempIni ours("ini_ours"), theirs("ini_theirs");
    for (std::string const& text : texts) {
        for (cIniEdit const& e : edits) {
            putText(ours.path, text);
            putText(theirs.path, text);
            // Replaced, not rewritten in place: a changed file is another file.
            auto fileIndex = [&] {
                BY_HANDLE_FILE_INFORMATION fi = {};
                HANDLE h = CreateFileA(ours.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                       OPEN_EXISTING, 0, 0);
                GetFileInformationByHandle(h, &fi);
                CloseHandle(h);
                return (unsigned long long)fi.nFileIndexHigh << 32 | fi.nFileIndexLow;
            };
            unsigned long long was = fileIndex();
            EXPECT_TRUE(vorIniWrite(ours.c_str(), &e, 1));
            std::string now;
            vorReadFile(ours.c_str(), now);
            EXPECT_EQ(now == text, fileIndex() == was) << text;
            WritePrivateProfileStringA(e.section, e.key, e.value, theirs.c_str());
            EXPECT_EQ(readBack(theirs.c_str()), readBack(ours.c_str()))
                << "text \"" << text << "\", edit " << e.section << " / " << (e.key ? e.key : "(null)")
                << " = " << (e.value ? e.value : "(null)");
        }
    }
}

TEST(IniFile, AWriteIsReadAtOnceAndLeavesNoOtherFile) {
    TempIni ini("ini_now");
    std::string dir = ini.path.substr(0, ini.path.rfind('\\') + 1);
    auto temps = [&] {
        int n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "lmb*.tmp").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do
                n++;
            while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        return n;
    };
    int before = temps();
    cProfileman p;
    p.init(ini.c_str(), "Lumbra Settings");
    // The profile calls keep what they read last: each read after a write must see it.
    for (int i = 0; i < 40; i++) {
        EXPECT_EQ(i == 0 ? -1 : i - 1, p.get_int("maxrows", -1));
        p.write_int("maxrows", i);
        ASSERT_EQ(i, p.get_int("maxrows", -1)) << "write " << i;
    }
    EXPECT_EQ(before, temps());
    // A file beside which nothing can be made: the directory is not there.
    cIniEdit e = {"S", "k", "v"};
    EXPECT_FALSE(vorIniWrite((dir + "no_such_dir_x\\a.ini").c_str(), &e, 1));
    EXPECT_FALSE(vorIniWrite(dir.c_str(), &e, 1)) << "a directory is no INI file";
    // What would change the file's structure is refused, not written.
    cIniEdit bad[] = {{"S", "k", "v\r\n[x]"}, {"S", "k=v", "1"}, {"S]", "k", "1"}, {"", "k", "1"}};
    for (cIniEdit const& b : bad)
        EXPECT_FALSE(vorIniWrite(ini.c_str(), &b, 1)) << b.section << " " << b.key << " " << b.value;
    EXPECT_EQ(39, p.get_int("maxrows", -1));

    // A directory whose path leaves no room for "lmbXXXX.tmp": the file is replaced all the
    // same, and nothing else is left there.
    std::string deep = dir + "deep" + std::to_string(GetTickCount()) + "\\";
    CreateDirectoryA(deep.c_str(), 0);
    while (deep.size() < MAX_PATH - 12) {
        deep += std::string(std::min<size_t>(100, MAX_PATH - 12 - deep.size()), 'd') + "\\";
        CreateDirectoryA(deep.c_str(), 0);
    }
    std::string file = deep + "a.sql";
    ASSERT_LT(file.size(), (size_t)MAX_PATH);
    ASSERT_EQ(1, vorReplaceFile(file.c_str(), "one", 3));
    ASSERT_EQ(1, vorReplaceFile(file.c_str(), "two", 3));
    EXPECT_EQ("two", fileText(file));
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((deep + "*").c_str(), &fd);
    std::vector<std::string> names;
    if (h != INVALID_HANDLE_VALUE) {
        do
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(std::vector<std::string>{"a.sql"}, names);
    DeleteFileA(file.c_str());
    while (deep.size() > dir.size()) {
        RemoveDirectoryA(deep.c_str());
        deep.erase(deep.rfind('\\', deep.size() - 2) + 1);
    }
}
