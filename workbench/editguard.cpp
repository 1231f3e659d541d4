/* Guards of the edit controls: refused keys and pastes, and the guarded context menu. */
#include "editguard.h"

#include <algorithm>
#include <string>
#include <vector>

#include "strx.h"
#include "winutil.h"

namespace {

/* A typed character that the ANSI code page does not have, for a window that keeps ANSI
   text: Wine's edit control would show it, but hand over (save, run) a look-alike or "?". */
bool unkeptChar(MSG const* msg) {
    if (msg->message != WM_CHAR || msg->wParam < 0x80 || IsWindowUnicode(msg->hwnd))
        return false;
    WCHAR c = (WCHAR)msg->wParam;
    return !ansiExact(&c, 1, 0, 0);
}

/* Ctrl+V or Shift+Insert. */
bool pasteKey(MSG const* msg) {
    return (msg->message == WM_CHAR && msg->wParam == 0x16) ||
           (msg->message == WM_KEYDOWN && msg->wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 &&
            GetKeyState(VK_CONTROL) >= 0);
}

/* An edit control's window. */
bool isEdit(HWND w) {
    char cls[8] = "";
    return GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0;
}

/* The clipboard's text; false when it cannot be opened. */
bool clipboardText(HWND w, std::wstring* text) {
    text->clear();
    if (!OpenClipboard(w))
        return false;
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    WCHAR const* t = h ? (WCHAR const*)GlobalLock(h) : 0;
    if (t) {
        *text = t;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return true;
}

/* Ctrl+V or Shift+Insert into an edit control that keeps ANSI text, while the clipboard's
   text holds a character the ANSI code page does not have: pasted, it would show as it is
   but be saved and run as a look-alike or "?". */
bool unkeptPaste(MSG const* msg) {
    std::wstring w;
    return pasteKey(msg) && !IsWindowUnicode(msg->hwnd) && isEdit(msg->hwnd) &&
           clipboardText(msg->hwnd, &w) && !ansiExact(w.c_str(), -1, 0, 0);
}

/* The line of an edit control's text that holds character position pos; *first is its
   position. A position in a line break belongs to the line it ends. */
std::string editLineAt(HWND e, LRESULT pos, LRESULT* first) {
    LRESULT line = SendMessageA(e, EM_LINEFROMCHAR, (WPARAM)(pos < 0 ? 0 : pos), 0);
    *first = SendMessageA(e, EM_LINEINDEX, (WPARAM)line, 0);
    LRESULT len = SendMessageA(e, EM_LINELENGTH, (WPARAM)*first, 0);
    if (*first < 0 || len <= 0)
        return std::string();
    std::vector<char> b((size_t)len + 2, 0);
    *(WORD*)b.data() = (WORD)(len + 1 < 0xFFFF ? len + 1 : 0xFFFF);
    LRESULT got = SendMessageA(e, EM_GETLINE, (WPARAM)line, (LPARAM)b.data());
    return std::string(b.data(), (size_t)(got > 0 ? got : 0));
}

/* Whether replacing the characters from..to of edit control e by text leaves a caron, ogonek
   or double acute where Wine's text shaping faults (strx_shapingTrap). The control would end
   the program on it. */
bool editLeavesTrap(HWND e, DWORD from, DWORD to, std::string const& text) {
    /* The lines as the edit leaves them: the start of from's line, the new text and the
       rest of to's line, or of the next one when to is in a line break that goes. */
    LRESULT head = 0, tail = 0;
    std::string line = editLineAt(e, (LRESULT)from, &head);
    line.resize((size_t)std::min<LRESULT>((LRESULT)line.size(), std::max<LRESULT>(0, from - head)));
    std::string rest = editLineAt(e, (LRESULT)to, &tail);
    if ((LRESULT)to - tail > (LRESULT)rest.size())
        rest = editLineAt(e, tail + (LRESULT)rest.size() + 2, &tail);
    else
        rest.erase(0, (size_t)std::max<LRESULT>(0, (LRESULT)to - tail));
    line += text;
    line += rest;
    return strx_shapingTrap(line.data(), (int)line.size()) >= 0;
}


/* A key or a paste that would put a caron, ogonek or double acute where Wine's text shaping
   faults in an edit control (editLeavesTrap). *pasted tells a paste. */
bool shapingTrapInput(MSG const* msg, bool* pasted) {
    *pasted = pasteKey(msg);
    bool chr = msg->message == WM_CHAR;
    bool del = msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && GetKeyState(VK_SHIFT) >= 0;
    bool shiftDel = msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && !del;  // Cut
    if ((!chr && !del && !shiftDel && !*pasted) || !isEdit(msg->hwnd) ||
        (GetWindowLongA(msg->hwnd, GWL_STYLE) & ES_READONLY))
        return false;
    HWND e = msg->hwnd;
    DWORD from = 0, to = 0;
    SendMessageA(e, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
    std::string text;  // what replaces the characters from..to
    if (*pasted) {
        std::wstring w;
        if (!clipboardText(e, &w))
            return false;
        text = vorAnsiText(w);
    } else if (chr && msg->wParam == 0x08) {
        if (from == to && from > 0)
            from--;  // the character before the caret goes, a line break whole
    } else if (shiftDel || (chr && msg->wParam == 0x18)) {
        // Cut: the selection goes.
    } else if (del) {
        if (from == to)
            to++;
    } else if (chr && msg->wParam == 0x0D) {
        text = "\n";
    } else if (chr && msg->wParam >= 0x20) {
        WCHAR w = (WCHAR)msg->wParam;
        char a[4] = "";
        if (WideCharToMultiByte(CP_ACP, 0, &w, 1, a, sizeof a, 0, 0) != 1)
            return false;
        text.assign(a, 1);
    } else {
        return false;
    }
    return editLeavesTrap(e, from, to, text);
}

void refusePaste(HWND e, bool unkept) {
    vorMessageBox(GetAncestor(e, GA_ROOT),
                  unkept ? "The clipboard's text holds letters that Lumbra's code page does not "
                           "have.\r\n\r\nPasted, they would be saved and run as other letters."
                         : "The clipboard's text holds a caron, ogonek or double acute accent "
                           "that follows no letter, or would put one where no letter comes "
                           "before it.\r\n\r\nThis system's text display would end the "
                           "program on it.",
                  "Lumbra", MB_OK | MB_ICONEXCLAMATION);
}

bool g_mainGet = false;  // the program's own loop takes the message: editInputRefused guards it
HHOOK g_trapHook = 0;
HWND g_menuWindow = 0;
UINT g_menuMessage = 0;

/* The context menu of edit control e at screen point (x, y); (-1, -1) from the keyboard. */
void editContextMenu(HWND e, int x, int y) {
    LONG style = GetWindowLongA(e, GWL_STYLE);
    bool ro = (style & ES_READONLY) != 0, hidden = (style & ES_PASSWORD) != 0;
    DWORD from = 0, to = 0;
    SendMessageA(e, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
    bool sel = from != to;
    LRESULT len = SendMessageA(e, WM_GETTEXTLENGTH, 0, 0);
    if (GetFocus() != e)
        SetFocus(e);
    HMENU m = CreatePopupMenu();
    if (!m)
        return;
    struct Item {
        UINT id;
        char const* text;
        bool on;
    } const items[] = {
        {WM_UNDO, "&Undo", !ro && SendMessageA(e, EM_CANUNDO, 0, 0) != 0},
        {0, 0, false},
        {WM_CUT, "Cu&t", !ro && sel && !hidden},
        {WM_COPY, "&Copy", sel && !hidden},
        {WM_PASTE, "&Paste", !ro && (IsClipboardFormatAvailable(CF_UNICODETEXT) ||
                                     IsClipboardFormatAvailable(CF_TEXT))},
        {WM_CLEAR, "&Delete", !ro && sel},
        {0, 0, false},
        {EM_SETSEL, "Select &All", len > 0 && (from != 0 || (LRESULT)to < len)},
    };
    for (Item const& it : items)
        AppendMenuA(m, it.text ? (MF_STRING | (it.on ? 0 : MF_GRAYED)) : MF_SEPARATOR, it.id,
                    it.text);
    if (x == -1 && y == -1) {
        POINT pt = {0, 0};
        if (GetFocus() == e)
            GetCaretPos(&pt);  // the edit has the caret
        ClientToScreen(e, &pt);
        x = pt.x;
        y = pt.y;
    }
    UINT id = (UINT)TrackPopupMenu(m, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON |
                                          TPM_RETURNCMD | TPM_NONOTIFY,
                                   x, y, 0, e, 0);
    DestroyMenu(m);
    if (id && IsWindow(e))
        editMenuCommand(e, id);
}

/* Where the context menu of an edit control is asked for, the message goes to menuWindow
   instead: the control's own menu would paste past every guard. */
LRESULT CALLBACK menuWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == g_menuMessage && IsWindow((HWND)wp))
        editContextMenu((HWND)wp, (short)LOWORD(lp), (short)HIWORD(lp));
    return DefWindowProcW(w, msg, wp, lp);
}

/* The right button's release over an edit control, Shift+F10 in one, or the context menu
   Wine posts to it after the menu key. */
bool asksContextMenu(MSG const* m, LPARAM* where) {
    if (!m->hwnd || !isEdit(m->hwnd))
        return false;
    if (m->message == WM_RBUTTONUP) {
        POINT pt = {(short)LOWORD(m->lParam), (short)HIWORD(m->lParam)};
        ClientToScreen(m->hwnd, &pt);
        *where = MAKELPARAM(pt.x, pt.y);
        return true;
    }
    *where = m->message == WM_CONTEXTMENU ? m->lParam : MAKELPARAM(-1, -1);
    return (m->message == WM_SYSKEYDOWN && m->wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) ||
           m->message == WM_CONTEXTMENU;
}

/* Other loops (modal dialogs and boxes) get the same guard against the accents Wine's text
   shaping cannot take: such a key is dropped there. In every loop, an edit control's context
   menu is ours (menuWindowProc). */
LRESULT CALLBACK trapHook(int code, WPARAM how, LPARAM lp) {
    MSG* m = (MSG*)lp;
    bool pasted;
    LPARAM where;
    if (code != HC_ACTION || how != PM_REMOVE || !m) {
    } else if (g_menuWindow && asksContextMenu(m, &where)) {
        m->wParam = (WPARAM)m->hwnd;
        m->hwnd = g_menuWindow;
        m->message = g_menuMessage;
        m->lParam = where;
    } else if (!g_mainGet && shapingTrapInput(m, &pasted)) {
        MessageBeep(MB_OK);
        m->message = WM_NULL;
    }
    return CallNextHookEx(g_trapHook, code, how, lp);
}

}  // namespace

/* A typed letter for a window that keeps ANSI text, delivered as the ANSI code page writes
   it. Wine hands such a window the letter in the keyboard layout's code page, so a US
   layout turned ř into r in the grid's filter row. */
bool ansiCharDispatched(MSG const* msg) {
    if (msg->message != WM_CHAR || msg->wParam < 0x80 || msg->wParam > 0xFFFF ||
        IsWindowUnicode(msg->hwnd))
        return false;
    WCHAR c = (WCHAR)msg->wParam;
    char a[4];
    if (!ansiExact(&c, 1, a, sizeof a))
        return false;
    MSG m = *msg;
    m.wParam = (unsigned char)a[0];
    DispatchMessageA(&m);
    return true;
}

bool editInputRefused(MSG const* msg) {
    bool pasted;
    if (shapingTrapInput(msg, &pasted)) {
        if (pasted)
            refusePaste(msg->hwnd, false);
        else
            MessageBeep(MB_OK);
        return true;
    }
    if (unkeptChar(msg)) {
        MessageBeep(MB_OK);
        return true;
    }
    if (unkeptPaste(msg)) {
        refusePaste(msg->hwnd, true);
        return true;
    }
    return false;
}

void guardModalLoops() {
    if (!g_trapHook)
        g_trapHook = SetWindowsHookExW(WH_GETMESSAGE, trapHook, 0, GetCurrentThreadId());
    if (!g_menuWindow) {
        WNDCLASSW c = {};
        c.lpfnWndProc = menuWindowProc;
        c.hInstance = GetModuleHandleW(0);
        c.lpszClassName = L"LumbraEditMenu";
        RegisterClassW(&c);
        g_menuMessage = RegisterWindowMessageW(L"LumbraEditMenu");
        g_menuWindow = CreateWindowExW(0, c.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0,
                                       c.hInstance, 0);
    }
}

BOOL getMessageGuarded(MSG* msg) {
    g_mainGet = true;
    BOOL got = GetMessageW(msg, 0, 0, 0);
    g_mainGet = false;
    return got;
}

void editMenuCommand(HWND e, UINT id) {
    DWORD from = 0, to = 0;
    SendMessageA(e, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
    bool ro = (GetWindowLongA(e, GWL_STYLE) & ES_READONLY) != 0;
    if (ro && id != WM_COPY && id != EM_SETSEL)
        return;
    if (id == WM_PASTE) {
        std::wstring w;
        if (!clipboardText(e, &w))
            return;
        if (!IsWindowUnicode(e) && !ansiExact(w.c_str(), -1, 0, 0))
            return refusePaste(e, true);
        if (editLeavesTrap(e, from, to, vorAnsiText(w)))
            return refusePaste(e, false);
    } else if ((id == WM_CUT || id == WM_CLEAR) && editLeavesTrap(e, from, to, std::string())) {
        MessageBeep(MB_OK);
        return;
    }
    if (id == EM_SETSEL)
        SendMessageW(e, EM_SETSEL, 0, -1);
    else
        SendMessageW(e, id, 0, 0);
}
