/* Script files of a slot: open, save, the "Save changes?" question, recent files, the
   command line, and editors beyond the edit control's default limit. */
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "edutil.h"
#include "lumbrarc.h"
#include "profile.h"
#include "querywin.h"
#include "queryslot.h"
#include "wbtest.h"

using wbtest::AppDir;
using wbtest::BoxHook;

namespace {

class Scripts : public wbtest::MainTest {
protected:
    Scripts() : MainTest("wbscript") {}
    void SetUp() override { open(); }
};

std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; s.size() < n; i++)
        s += "select " + std::to_string(i) + ";\r\n";
    s.resize(n);
    return s;
}

}  // namespace

TEST_F(Scripts, OpenReadsTheWholeFileAndNamesTheSlot) {
    std::string path = dir.file("big.sql");
    std::string text = pattern(40000);
    wbtest::writeFile(path, text);
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    EXPECT_EQ(wbtest::script(w), text) << "nothing beyond 32767 bytes is lost";
    EXPECT_FALSE(q1()->modified) << "replacing the text through Open marks nothing";
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [" + path + "]");
    EXPECT_EQ(dir.read("RecentFile_1"), path);
    EXPECT_EQ(GetFocus(), q1()->edit);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Scripts, EditorTakesMoreThanTheDefaultLimitAndSavesItAll) {
    std::string text = pattern(50000);
    HWND e = q1()->edit;
    SendMessageA(e, EM_SETSEL, 0, 0);
    SendMessageA(e, EM_REPLACESEL, TRUE, (LPARAM)text.c_str());  // as typed or pasted
    EXPECT_EQ(edTextLength(e), 50000);
    EXPECT_TRUE(q1()->modified);
    std::string path = dir.file("saved.sql");
    ASSERT_TRUE(q1()->saveFile(path.c_str()));
    EXPECT_EQ(wbtest::readFile(path), text) << "bytes as they are, no conversion";
    EXPECT_FALSE(q1()->modified);
    EXPECT_STREQ(q1()->fileName, path.c_str());
}

TEST_F(Scripts, OpenFailureLeavesTheEditorAlone) {
    wbtest::setScript(w, "keep me");
    q1()->modified = false;
    EXPECT_FALSE(q1()->openFile(dir.file("missing.sql").c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot open this file!");
    EXPECT_EQ(boxes.boxes[0].caption, "Lumbra");
    EXPECT_EQ(boxes.boxes[0].type & MB_ICONMASK, (UINT)MB_ICONSTOP);
    EXPECT_EQ(wbtest::script(w), "keep me");
    EXPECT_STREQ(q1()->fileName, "");

    // A device name and a directory are no scripts.
    wbtest::writeFile(dir.file("nul.sql"), "select 1;");
    for (std::string bad : {dir.file("nul.sql"), dir.dir})
        EXPECT_FALSE(q1()->openFile(bad.c_str())) << bad;
    EXPECT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(wbtest::script(w), "keep me");
}

TEST_F(Scripts, ARelativeNameIsSavedWhereItWasOpened) {
    std::string path = dir.file("rel.sql");
    wbtest::writeFile(path, "select 1;");
    char old[MAX_PATH];
    GetCurrentDirectoryA(sizeof old, old);
    SetCurrentDirectoryA(dir.dir.c_str());
    ASSERT_TRUE(q1()->openFile("rel.sql"));
    SetCurrentDirectoryA(old);  // as a file dialog moves it
    EXPECT_STREQ(q1()->fileName, path.c_str());
    EXPECT_EQ(dir.read("RecentFile_1"), path);
    wbtest::typeScript(w, "select 2;");
    w->command(CMD_SAVE);
    EXPECT_NE(wbtest::readFile(path).find("select 2;"), std::string::npos);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Scripts, SaveFailureKeepsNameAndModifiedFlag) {
    std::string path = dir.file("ok.sql");
    wbtest::setScript(w, "select 1;");
    ASSERT_TRUE(q1()->saveFile(path.c_str()));
    wbtest::typeScript(w, "select 2;");
    EXPECT_TRUE(q1()->modified);
    std::string bad = dir.dir + "no_such_dir\\x.sql";
    EXPECT_FALSE(q1()->saveFile(bad.c_str()));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Cannot save this file!");
    EXPECT_TRUE(q1()->modified);
    EXPECT_STREQ(q1()->fileName, path.c_str());
}

TEST_F(Scripts, NewAsksFirstAndCancelKeepsTheText) {
    wbtest::typeScript(w, "select 1;");
    boxes.answers = {IDCANCEL};
    w->command(CMD_NEW);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Save changes?\r\n\r\nUntitled1");
    EXPECT_EQ(wbtest::script(w), "select 1;");
    EXPECT_TRUE(q1()->modified);

    boxes.answers = {IDNO};
    w->command(CMD_NEW);
    EXPECT_EQ(wbtest::script(w), "");
    EXPECT_FALSE(q1()->modified);
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");

    boxes.boxes.clear();
    w->command(CMD_NEW);
    EXPECT_TRUE(boxes.boxes.empty()) << "an unchanged script is not asked about";
}

TEST_F(Scripts, YesSavesANamedScriptBeforeReplacingIt) {
    std::string path = dir.file("named.sql");
    wbtest::writeFile(path, "old");
    ASSERT_TRUE(q1()->openFile(path.c_str()));
    wbtest::typeScript(w, "new text");
    boxes.answers = {IDYES};
    w->command(CMD_NEW);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Save changes?\r\n\r\n" + path);
    EXPECT_EQ(wbtest::readFile(path), "new text");
    EXPECT_EQ(wbtest::script(w), "");
}

TEST_F(Scripts, YesOnAnUntitledScriptAsksForANameAndCancelAbandons) {
    wbtest::typeScript(w, "unsaved");
    boxes.answers = {IDYES};
    bool sawDialog = false;
    wintest::Driver driver([&]() {
        HWND d = wintest::findDialog("Save script as...");
        if (!d)
            return false;
        sawDialog = true;
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    w->command(CMD_NEW);
    EXPECT_TRUE(sawDialog) << "the save dialog came up";
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(wbtest::script(w), "unsaved") << "a save that did not happen keeps the script";
    EXPECT_TRUE(q1()->modified);
}

TEST_F(Scripts, ThirdSlotTitleWithAFile) {
    std::string path = dir.file("third.sql");
    wbtest::writeFile(path, "select 3;");
    w->command(CMD_QUERY3);
    ASSERT_TRUE(w->slots[2]->openFile(path.c_str()));
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q3:  not connected]   [" + path + "]");
    w->command(CMD_QUERY1);
    EXPECT_EQ(wbtest::title(w), "Lumbra       [Q1:  not connected]   [Untitled1]");
}

TEST_F(Scripts, RecentFilesReopenTheirScript) {
    std::string a = dir.file("a.sql"), b = dir.file("b.sql");
    wbtest::writeFile(a, "select 'a';");
    wbtest::writeFile(b, "select 'b';");
    ASSERT_TRUE(q1()->openFile(a.c_str()));
    ASSERT_TRUE(q1()->openFile(b.c_str()));
    HMENU recent = GetSubMenu(GetSubMenu(w->menu, 0), 6);
    ASSERT_NE(recent, nullptr);
    char text[MAX_PATH + 8] = "";
    GetMenuStringA(recent, CMD_RECENT_FIRST + 1, text, sizeof text, MF_BYCOMMAND);
    EXPECT_NE(std::string(text).find(a), std::string::npos) << text;
    w->command(CMD_RECENT_FIRST + 1);
    EXPECT_EQ(wbtest::script(w), "select 'a';");
    EXPECT_STREQ(q1()->fileName, a.c_str());
    EXPECT_EQ(dir.read("RecentFile_1"), a);
    EXPECT_EQ(dir.read("RecentFile_2"), b);
}

TEST(ScriptCommandLine, OpensTheFileInQ1WithOrWithoutQuotes) {
    BoxHook boxes;
    AppDir dir("wbcmdline");
    std::string path = dir.file("start script.sql");
    wbtest::writeFile(path, "select 42;\r\n");
    std::string quoted = "\"" + path + "\"";
    cXQueryWindow* w = wbtest::openMain(dir, quoted.c_str());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wbtest::script(w), "select 42;\r\n");
    EXPECT_STREQ(w->slots[0]->fileName, path.c_str());
    EXPECT_TRUE(boxes.boxes.empty());
    wbtest::closeMain(w);

    std::string plain = dir.file("plain.sql");
    wbtest::writeFile(plain, "select 7;");
    w = wbtest::openMain(dir, plain.c_str());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wbtest::script(w), "select 7;");
    wbtest::closeMain(w);
}
