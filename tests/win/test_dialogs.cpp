/* The modal helpers: the text dialog, the common dialogs, message boxes and shellexec.
   Every dialog is driven and dismissed from a thread timer (wintest::Driver). */
#include "winutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "wintest.h"

using wintest::Driver;
using wintest::TempIni;

namespace {

HWND dlgItem(HWND dlg, int id) {
    return GetDlgItem(dlg, id);
}

RECT relRect(HWND w, HWND dlg) {
    RECT r = {};
    GetRelWinRect(w, dlg, &r);
    return r;
}

std::string rectText(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string rect(int l, int t, int r, int b) {
    return std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
           std::to_string(b);
}

/* Button presses seen by the text dialog's callback. */
struct Presses {
    HWND dlg = 0;
    std::vector<int> indexes;
};
Presses presses;

void recordPress(HWND dlg, int index) {
    presses.dlg = dlg;
    presses.indexes.push_back(index);
    if (index == 0)
        EndDialog(dlg, 55);
}

/* Layout of the text dialog as a test sees it. */
struct TextikView {
    bool found = false;
    std::string title, text;
    short mx = 0, my = 0;
    RECT client = {};
    RECT edit = {};
    RECT button[TEXTIK_BUTTONS] = {};
    bool hasButton[TEXTIK_BUTTONS] = {};
    LONG editStyle = 0;
    LONG editExStyle = 0;
    DWORD selStart = 1, selEnd = 2;
    bool editHasFocus = false;
};

TextikView inspect(HWND dlg) {
    TextikView v;
    v.found = true;
    v.title = wintest::windowText(dlg);
    HFONT font = (HFONT)SendDlgItemMessageA(dlg, TEXTIK_FONT, WM_GETFONT, 0, 0);
    M_size(dlg, font, &v.mx, &v.my);
    GetClientRect(dlg, &v.client);
    HWND edit = dlgItem(dlg, TEXTIK_EDIT);
    v.edit = relRect(edit, dlg);
    v.text = wintest::windowText(edit);
    v.editStyle = GetWindowLongA(edit, GWL_STYLE);
    v.editExStyle = GetWindowLongA(edit, GWL_EXSTYLE);
    SendMessageA(edit, EM_GETSEL, (WPARAM)&v.selStart, (LPARAM)&v.selEnd);
    v.editHasFocus = GetFocus() == edit;
    for (int i = 0; i < TEXTIK_BUTTONS; i++) {
        HWND b = dlgItem(dlg, TEXTIK_BUTTON + i);
        v.hasButton[i] = b != 0;
        if (b)
            v.button[i] = relRect(b, dlg);
    }
    return v;
}

}  // namespace

/* ---- ShowDlgTextik ---- */

TEST(Textik, ButtonRowLayoutAndCallbacks) {
    presses = Presses();
    TextikView view;
    HWND seen = 0;
    int stage = 0;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Show expression");
        if (!dlg)
            return false;
        if (stage++ == 0) {
            seen = dlg;
            view = inspect(dlg);
            SendMessageA(dlgItem(dlg, TEXTIK_BUTTON + 1), BM_CLICK, 0, 0);
            SendMessageA(dlgItem(dlg, TEXTIK_BUTTON + 3), BM_CLICK, 0, 0);
            return false;
        }
        SendMessageA(dlgItem(dlg, TEXTIK_BUTTON + 0), BM_CLICK, 0, 0);  // the callback ends it
        return true;
    });
    INT_PTR rc = ShowDlgTextik(0, "select 1\r\nfrom dual;", "Show expression", false, false,
                               0xFFF8D8, recordPress, "&Close", 40, "Copy to Q&1", 20, "none", 0,
                               "&Run", 32, 0, 0);
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ(55, rc);
    ASSERT_TRUE(view.found);
    EXPECT_EQ("Show expression", view.title);
    EXPECT_EQ("select 1\r\nfrom dual;", view.text);

    // Buttons 0, 1 and 3 in one row, widths in quarter characters, 2 pixels apart.
    int h = view.my + 8;
    int w0 = view.mx * 40 / 4, w1 = view.mx * 20 / 4, w3 = view.mx * 32 / 4;
    ASSERT_TRUE(view.hasButton[0] && view.hasButton[1] && view.hasButton[3]);
    EXPECT_FALSE(view.hasButton[2]) << "width 0";
    EXPECT_FALSE(view.hasButton[4]);
    EXPECT_EQ(rect(0, 0, w0, h), rectText(view.button[0]));
    EXPECT_EQ(rect(w0 + 2, 0, w0 + 2 + w1, h), rectText(view.button[1]));
    EXPECT_EQ(rect(w0 + 2 + w1 + 2, 0, w0 + 2 + w1 + 2 + w3, h), rectText(view.button[3]));

    // The edit fills the rest, scrolls both ways, is editable, caret without a selection.
    EXPECT_EQ(rect(0, h + 1, view.client.right, view.client.bottom), rectText(view.edit));
    EXPECT_TRUE(view.editStyle & ES_MULTILINE);
    EXPECT_TRUE(view.editStyle & WS_VSCROLL);
    EXPECT_TRUE(view.editStyle & WS_HSCROLL);
    // The edit control takes WS_BORDER out of its style and paints the border itself;
    // the painting test below looks for it.
    EXPECT_FALSE(view.editStyle & ES_READONLY);
    EXPECT_EQ(view.selStart, view.selEnd);
    EXPECT_TRUE(view.editHasFocus);

    ASSERT_EQ(3u, presses.indexes.size());
    EXPECT_EQ(1, presses.indexes[0]);
    EXPECT_EQ(3, presses.indexes[1]);
    EXPECT_EQ(0, presses.indexes[2]);
    EXPECT_EQ(seen, presses.dlg);
}

TEST(Textik, NoButtonsWrappedReadOnlyColouredAndEscape) {
    TextikView view;
    HBRUSH brush = 0;
    COLORREF brushColour = 0, bk = 0, fg = 1;
    COLORREF painted = 0, border = 0;
    int stage = 0;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("EULA");
        if (!dlg)
            return false;
        HWND edit = dlgItem(dlg, TEXTIK_EDIT);
        if (stage++ == 0) {
            view = inspect(dlg);
            // The colours the dialog hands the read-only edit (it asks as a static).
            HDC mem = CreateCompatibleDC(0);
            brush = (HBRUSH)SendMessageA(dlg, WM_CTLCOLORSTATIC, (WPARAM)mem, (LPARAM)edit);
            LOGBRUSH lb = {};
            if (brush && GetObjectA(brush, sizeof lb, &lb))
                brushColour = lb.lbColor;
            bk = GetBkColor(mem);
            fg = GetTextColor(mem);
            DeleteDC(mem);
            return false;
        }
        if (stage == 2) {
            // What the edit put on the screen, below the last line of text.
            UpdateWindow(edit);
            RECT c;
            GetClientRect(edit, &c);
            HDC dc = GetDC(edit);
            painted = GetPixel(dc, c.right / 2, c.bottom - 4);
            border = GetPixel(dc, 0, c.bottom / 2);
            ReleaseDC(edit, dc);
            return false;
        }
        // Escape typed into the edit goes through the dialog's own loop.
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0);
        return true;
    });
    INT_PTR rc = ShowDlgTextik(0, "Licence text.", "EULA", true, true, 0x102030, 0, 0, 0, 0, 0, 0,
                               0, 0, 0, 0, 0);
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ(IDCANCEL, rc);
    ASSERT_TRUE(view.found);
    for (int i = 0; i < TEXTIK_BUTTONS; i++)
        EXPECT_FALSE(view.hasButton[i]) << i;
    EXPECT_EQ(rect(0, 0, view.client.right, view.client.bottom), rectText(view.edit))
        << "the text starts at the top";
    EXPECT_FALSE(view.editStyle & WS_HSCROLL) << "wrapping";
    EXPECT_FALSE(view.editStyle & ES_AUTOHSCROLL);
    EXPECT_TRUE(view.editStyle & ES_READONLY);
    EXPECT_EQ(view.selStart, view.selEnd);
    ASSERT_TRUE(brush != 0);
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), brushColour) << "0xRRGGBB swapped at the call";
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), bk);
    EXPECT_EQ(RGB(0, 0, 0), fg);
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), painted);
    EXPECT_NE(RGB(0x10, 0x20, 0x30), border) << "a border around the text";
}

TEST(Textik, ResizeKeepsTheEditFillingAndCloseEnds) {
    presses = Presses();
    std::string before, after;
    int rowTop = -1;
    int stage = 0;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Resize me");
        if (!dlg)
            return false;
        if (stage++ == 0) {
            TextikView v = inspect(dlg);
            rowTop = v.my + 8 + 1;
            before = rectText(v.edit);
            RECT w;
            GetWindowRect(dlg, &w);
            SetWindowPos(dlg, 0, 0, 0, w.right - w.left + 120, w.bottom - w.top + 80,
                         SWP_NOMOVE | SWP_NOZORDER);
            TextikView v2 = inspect(dlg);
            after = rectText(v2.edit);
            EXPECT_EQ(rect(0, rowTop, v2.client.right, v2.client.bottom), after);
            // Without a callback the buttons do nothing; OK (Enter) does not close either.
            SendMessageA(dlgItem(dlg, TEXTIK_BUTTON), BM_CLICK, 0, 0);
            PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            return false;
        }
        if (stage == 2)
            return false;  // one more tick: the dialog must still be there
        PostMessageA(dlg, WM_CLOSE, 0, 0);
        return true;
    });
    INT_PTR rc = ShowDlgTextik(0, "x", "Resize me", false, false, 0xFFFFFF, 0, "&Close", 40);
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ(IDCANCEL, rc);
    EXPECT_NE(before, after);
    EXPECT_EQ(3, stage) << "the dialog outlived the button press and OK";
    EXPECT_TRUE(presses.indexes.empty());
}

TEST(Textik, CentredOverItsParent) {
    wintest::CommandLog log;
    HWND parent = wintest::createParent(&log, 200, 150, 700, 500, WS_POPUP);
    RECT dlgRect = {};
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Centred");
        if (!dlg)
            return false;
        GetWindowRect(dlg, &dlgRect);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    ShowDlgTextik(parent, "", "Centred", false, false, 0xFFFFFF, 0, 0, 0);
    ASSERT_FALSE(d.timedOut());
    int w = dlgRect.right - dlgRect.left, h = dlgRect.bottom - dlgRect.top;
    EXPECT_EQ(200 + (700 - w) / 2, dlgRect.left);
    EXPECT_EQ(150 + (500 - h) / 2, dlgRect.top);
    DestroyWindow(parent);
}

/* ---- message boxes ---- */

namespace {

struct BoxCall {
    std::string text, caption;
    UINT type;
};
std::vector<BoxCall> boxCalls;
int boxAnswer = IDOK;

int recordBox(HWND, char const* text, char const* caption, UINT type) {
    boxCalls.push_back({text, caption ? caption : "", type});
    return boxAnswer;
}

/* Installs the recording hook for one test. */
struct HookScope {
    MSGBOXHOOK previous;
    explicit HookScope(int answer) {
        boxCalls.clear();
        boxAnswer = answer;
        previous = vorSetMessageBoxHook(recordBox);
    }
    ~HookScope() { vorSetMessageBoxHook(previous); }
};

}  // namespace

TEST(MessageBoxes, MsgFormatsIntoARealBox) {
    std::string text;
    Driver d([&]() {
        HWND box = wintest::findDialog("Message Box");
        if (!box)
            return false;
        char buf[256] = "";
        GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);  // the text control of a message box
        text = buf;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    msg("%d rows in %s: %.2f s", 3, "orders", 0.25);
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ("3 rows in orders: 0.25 s", text);
}

TEST(MessageBoxes, HookAnswersInsteadOfTheBox) {
    HookScope hook(IDOK);
    std::string big(5000, 'z');
    msg("%s|%s", big.c_str(), "end");
    ASSERT_EQ(1u, boxCalls.size());
    EXPECT_EQ(big + "|end", boxCalls[0].text) << "no fixed-size buffer";
    EXPECT_EQ("Message Box", boxCalls[0].caption);
    EXPECT_EQ((UINT)MB_OK, boxCalls[0].type & 0xF);
    EXPECT_EQ(IDYES, (boxAnswer = IDYES, vorMessageBox(0, "q", "c", MB_YESNO)));
    pip();  // the default beep; nothing to observe but that it returns
}

/* ---- shellexec ---- */

namespace {

std::string tempFile(char const* name, char const* content) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fputs(content, f);
        fclose(f);
    }
    return path;
}

struct NotepadQuery {
    std::string part;
    HWND found;
};

BOOL CALLBACK findNotepad(HWND w, LPARAM lp) {
    NotepadQuery* q = (NotepadQuery*)lp;
    if (wintest::className(w) == "Notepad" &&
        wintest::windowText(w).find(q->part) != std::string::npos) {
        q->found = w;
        return FALSE;
    }
    return TRUE;
}

/* Waits for the notepad window showing the file, then closes it. */
bool closeNotepad(std::string const& part, bool* zoomed = 0) {
    for (int i = 0; i < 200; i++) {
        NotepadQuery q = {part, 0};
        EnumWindows(findNotepad, (LPARAM)&q);
        if (q.found) {
            if (zoomed)
                *zoomed = IsZoomed(q.found) != 0;
            PostMessageA(q.found, WM_CLOSE, 0, 0);
            return true;
        }
        Sleep(50);
    }
    return false;
}

char const notepadQuestion[] =
    "There is no application\nassociated with the given\nfile name extension.\n\n"
    "Do you want to view the file\nin notepad.exe?";

}  // namespace

TEST(ShellExec, MissingFilesAreReported) {
    HookScope hook(IDOK);
    EXPECT_FALSE(shellexec("C:\\no\\such\\dir\\file.sql", 0, false));
    ASSERT_EQ(1u, boxCalls.size());
    EXPECT_EQ("File not found", boxCalls[0].text);
    EXPECT_EQ("Open", boxCalls[0].caption);
    boxCalls.clear();
    EXPECT_FALSE(shellexec("", 0, false));
    EXPECT_FALSE(shellexec(0, 0, false));
    ASSERT_EQ(2u, boxCalls.size());
    EXPECT_EQ("File not found", boxCalls[1].text);
}

TEST(ShellExec, UnassociatedFileOffersNotepad) {
    std::string path = tempFile("lumbra_shellexec.lumbrazq", "hello from the test\r\n");
    {
        HookScope hook(IDNO);
        EXPECT_FALSE(shellexec(path.c_str(), 0, false));
        ASSERT_EQ(1u, boxCalls.size()) << "No returns silently";
        EXPECT_EQ(notepadQuestion, boxCalls[0].text);
        EXPECT_EQ("Open", boxCalls[0].caption);
        EXPECT_EQ((UINT)MB_YESNO, boxCalls[0].type & 0xF);
    }
    {
        HookScope hook(IDYES);
        EXPECT_TRUE(shellexec(path.c_str(), 0, false));
        EXPECT_EQ(1u, boxCalls.size());
        // Wine's own notepad now and then dies at its start (a page fault in its gdi32):
        // then it is started once more.
        bool shown = closeNotepad("lumbra_shellexec") ||
                     (shellexec(path.c_str(), 0, false) && closeNotepad("lumbra_shellexec"));
        EXPECT_TRUE(shown) << "notepad shows the file";
    }
    DeleteFileA(path.c_str());
}

TEST(ShellExec, AssociatedFileOpensWithoutQuestions) {
    // The association is made with the library's own registry helpers.
    ASSERT_TRUE(vorAsocExtension(".lumbraas", const_cast<char*>("notepad.exe,0"),
                                 const_cast<char*>("Lumbra association test"),
                                 const_cast<char*>("Lumbra.AssocTest")));
    ASSERT_TRUE(vorAsocMenu("open", const_cast<char*>("notepad.exe \"%1\""), "Lumbra.AssocTest"));
    std::string path = tempFile("lumbra_shellexec_assoc.lumbraas", "associated\r\n");
    {
        HookScope hook(IDNO);
        EXPECT_TRUE(shellexec(path.c_str(), 0, true));
        EXPECT_TRUE(boxCalls.empty());
        EXPECT_TRUE(closeNotepad("lumbra_shellexec_assoc"));
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Lumbra.AssocTest\\Shell\\open\\Command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Lumbra.AssocTest\\Shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Lumbra.AssocTest\\Shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Lumbra.AssocTest\\DefaultIcon");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "Lumbra.AssocTest");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".lumbraas");
    Sleep(300);
    DeleteFileA(path.c_str());
}

/* ---- common dialogs ---- */

namespace {

/* The file-name field of the file dialog: an edit, or the combo box around it. */
HWND fileNameField(HWND dlg) {
    HWND w = GetDlgItem(dlg, 0x47c);  // cmb13
    if (!w)
        w = GetDlgItem(dlg, 0x480);  // edt1
    return w;
}

}  // namespace

TEST(FileDialog, UnknownModeShowsNothing) {
    char out[MAX_PATH] = "keep";
    EXPECT_FALSE(getFilename(0, out, 'x', 0, 0, 0, 0, 0));
    EXPECT_STREQ("keep", out);
    EXPECT_FALSE(getFilename(0, 0, 'o', 0, 0, 0, 0, 0));
}

TEST(FileDialog, OpenPicksAnExistingFile) {
    std::string path = tempFile("lumbra_pick.sql", "select 1;\r\n");
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    int filterCount = -1, filterSel = -1;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Open SQL script");
        if (!dlg)
            return false;
        HWND types = GetDlgItem(dlg, 0x470);  // cmb1, the file types
        filterCount = (int)SendMessageA(types, CB_GETCOUNT, 0, 0);
        filterSel = (int)SendMessageA(types, CB_GETCURSEL, 0, 0);
        SetWindowTextA(fileNameField(dlg), path.c_str());
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    char out[MAX_PATH] = "";
    bool ok = getFilename(0, out, 'o', "SQL+TXT files (*.sql, *.txt)\0*.sql;*.txt\0All files (*.*)\0*.*\0",
                          2, "sql", "Open SQL script", dir);
    ASSERT_FALSE(d.timedOut());
    ASSERT_TRUE(ok);
    EXPECT_EQ(0, lstrcmpiA(path.c_str(), out)) << out;
    EXPECT_EQ(2, filterCount);
    EXPECT_EQ(1, filterSel) << "filter index 2";
    DeleteFileA(path.c_str());
}

/* Names come back in the ANSI code page exactly, or not at all: a letter the code page
   lacks would turn into a look-alike that may name another file. */
TEST(FileDialog, NamesOutsideTheCodePageAreRefused) {
    HookScope hook(IDOK);
    WCHAR dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring kept = std::wstring(dir) + L"lumbra_\x0159" L"ada.sql";   // r with caron: 1250 has it
    std::wstring lost = std::wstring(dir) + L"lumbra_\x00F1" L"and\x00FA.sql";  // n with tilde: not
    for (std::wstring const* name : {&kept, &lost})
        CloseHandle(CreateFileW(name->c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0));
    for (std::wstring const* name : {&kept, &lost}) {
        Driver d([&]() {
            HWND dlg = wintest::findDialog("Open SQL script");
            if (!dlg)
                return false;
            SetWindowTextW(fileNameField(dlg), name->c_str());
            PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            return true;
        });
        char out[MAX_PATH] = "untouched";
        bool ok = getFilename(0, out, 'o', 0, 1, "sql", "Open SQL script", 0);
        ASSERT_FALSE(d.timedOut());
        if (name == &kept) {
            EXPECT_TRUE(ok);
            std::string tail = out;
            EXPECT_EQ(tail.substr(tail.size() - 15), GetACP() == 1250 ? "lumbra_\xf8" "ada.sql" : tail);
            EXPECT_TRUE(boxCalls.empty());
        } else {
            EXPECT_FALSE(ok);
            EXPECT_STREQ("untouched", out);
            ASSERT_EQ(boxCalls.size(), 1u);
            EXPECT_EQ(boxCalls[0].caption, "Open SQL script");
        }
        DeleteFileW(name->c_str());
    }
}

TEST(FileDialog, DefaultsAndCancel) {
    std::string title;
    int filterCount = -1, filterSel = -1;
    char typeText[64] = "";
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Open");
        if (!dlg)
            return false;
        title = wintest::windowText(dlg);
        HWND types = GetDlgItem(dlg, 0x470);
        filterCount = (int)SendMessageA(types, CB_GETCOUNT, 0, 0);
        filterSel = (int)SendMessageA(types, CB_GETCURSEL, 0, 0);
        SendMessageA(types, CB_GETLBTEXT, 0, (LPARAM)typeText);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    char out[MAX_PATH] = "untouched";
    EXPECT_FALSE(getFilename(0, out, 'o', 0, -3, 0, 0, 0));
    ASSERT_FALSE(d.timedOut());
    EXPECT_STREQ("untouched", out);
    EXPECT_EQ("Open", title);
    EXPECT_EQ(1, filterCount);
    EXPECT_EQ(0, filterSel) << "index below 1 means 1";
    EXPECT_STREQ("All files (*.*)", typeText);
}

TEST(FileDialog, SaveAddsTheExtensionAndAsksBeforeOverwriting) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string fresh = std::string(dir) + "lumbra_saved";
    DeleteFileA((fresh + ".txt").c_str());
    std::string title;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Save");
        if (!dlg)
            return false;
        title = wintest::windowText(dlg);
        SetWindowTextA(fileNameField(dlg), fresh.c_str());
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    char out[MAX_PATH] = "";
    ASSERT_TRUE(getFilename(0, out, 's', "Text files (*.txt)\0*.txt\0", 1, "txt", "", dir));
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ("Save", title) << "an empty title means Save";
    EXPECT_EQ(0, lstrcmpiA((fresh + ".txt").c_str(), out)) << out;

    // An existing file: the dialog asks; the answer Yes accepts it.
    std::string existing = tempFile("lumbra_exists.txt", "old");
    int stage = 0;
    bool asked = false;
    Driver d2([&]() {
        if (stage == 0) {
            HWND dlg = wintest::findDialog("Export to");
            if (!dlg)
                return false;
            SetWindowTextA(fileNameField(dlg), existing.c_str());
            PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            stage = 1;
            return false;
        }
        // The overwrite question is a second dialog of this thread with Yes and No.
        for (HWND w : wintest::threadWindows("#32770")) {
            if (GetDlgItem(w, IDYES) && GetDlgItem(w, IDNO)) {
                asked = true;
                PostMessageA(w, WM_COMMAND, IDYES, 0);
                return true;
            }
        }
        return false;
    });
    ASSERT_TRUE(getFilename(0, out, 's', 0, 1, 0, "Export to", dir));
    ASSERT_FALSE(d2.timedOut());
    EXPECT_TRUE(asked);
    EXPECT_EQ(0, lstrcmpiA(existing.c_str(), out)) << out;
    DeleteFileA(existing.c_str());
}

TEST(ColorDialog, StartsFromTheColourAndReturnsIt) {
    int red = -1, green = -1, blue = -1;
    bool defineEnabled = true;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Color");
        if (!dlg)
            return false;
        red = (int)GetDlgItemInt(dlg, 706, 0, FALSE);
        green = (int)GetDlgItemInt(dlg, 707, 0, FALSE);
        blue = (int)GetDlgItemInt(dlg, 708, 0, FALSE);
        defineEnabled = IsWindowEnabled(GetDlgItem(dlg, 0x2cf)) != 0;  // "Define Custom Colors"
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(0x123456, chooseColor(0, 0x123456));
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ(0x12, red);
    EXPECT_EQ(0x34, green);
    EXPECT_EQ(0x56, blue);
    EXPECT_FALSE(defineEnabled) << "opened in full";

    Driver change([&]() {
        HWND dlg = wintest::findDialog("Color");
        if (!dlg)
            return false;
        SetDlgItemTextA(dlg, 706, "255");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(0xFF3456, chooseColor(0, 0x123456)) << "red edited in the dialog";
    ASSERT_FALSE(change.timedOut());

    Driver cancel([&]() {
        HWND dlg = wintest::findDialog("Color");
        if (!dlg)
            return false;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(-1, chooseColor(0, 0x123456));
    ASSERT_FALSE(cancel.timedOut());
}

namespace {

int CALLBACK collectFace(ENUMLOGFONTEXA const* lf, NEWTEXTMETRICEXA const*, DWORD type, LPARAM lp) {
    if ((type & TRUETYPE_FONTTYPE) && lf->elfLogFont.lfFaceName[0] != '@')
        ((std::vector<std::string>*)lp)->push_back(lf->elfLogFont.lfFaceName);
    return 1;
}

/* A TrueType face the font dialog lists, the last in name order (the dialog's own default
   is the first), so that keeping it shows the dialog started from the current font. */
std::string installedFace() {
    std::vector<std::string> faces;
    LOGFONTA lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    HDC dc = GetDC(0);
    EnumFontFamiliesExA(dc, &lf, (FONTENUMPROCA)collectFace, (LPARAM)&faces, 0);
    ReleaseDC(0, dc);
    std::string best;
    for (std::string const& f : faces)
        if (f.size() < LF_FACESIZE && lstrcmpiA(f.c_str(), best.c_str()) > 0)
            best = f;
    return best;
}

}  // namespace

TEST(FontDialog, OkStoresAndSavesCancelKeeps) {
    TempIni ini("fontdlg");
    cXFont f(0, ini.c_str(), "Lumbra Settings", "font_grid", true);
    std::string face = installedFace();
    ASSERT_FALSE(face.empty()) << "no TrueType font installed";
    ASSERT_TRUE(f.set(("1~16711680~-16~0~0~0~700~0~0~0~0~3~2~1~49~" + face).c_str()));
    std::string before = f.str4save();
    COLORREF shown = 0;
    bool scriptEnabled = true;
    Driver d([&]() {
        HWND dlg = wintest::findDialog("Font");
        if (!dlg)
            return false;
        HWND colours = GetDlgItem(dlg, 0x473);  // cmb4
        int sel = (int)SendMessageA(colours, CB_GETCURSEL, 0, 0);
        shown = (COLORREF)SendMessageA(colours, CB_GETITEMDATA, sel, 0);
        HWND script = GetDlgItem(dlg, 0x474);  // cmb5
        scriptEnabled = script && IsWindowEnabled(script);
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    ASSERT_TRUE(f.chooseFont());
    ASSERT_FALSE(d.timedOut());
    EXPECT_EQ(RGB(255, 0, 0), shown) << "colour swapped into the dialog";
    EXPECT_FALSE(scriptEnabled) << "script selection hidden";
    EXPECT_EQ(0xFF0000, f.getColor());
    EXPECT_EQ(face, f.getLogfont()->lfFaceName);
    EXPECT_EQ(-16, f.getLogfont()->lfHeight);
    EXPECT_EQ(700, f.getLogfont()->lfWeight);
    EXPECT_EQ(f.str4save(), ini.read("Lumbra Settings", "font_grid")) << "autosave";

    ini.write("Lumbra Settings", "font_grid", "untouched");
    Driver cancel([&]() {
        HWND dlg = wintest::findDialog("Font");
        if (!dlg)
            return false;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_FALSE(f.chooseFont());
    ASSERT_FALSE(cancel.timedOut());
    EXPECT_EQ("untouched", ini.read("Lumbra Settings", "font_grid"));
    EXPECT_EQ(0xFF0000, f.getColor());
}
