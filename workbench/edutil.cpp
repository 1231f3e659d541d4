/* Edit control helpers. */
#include "edutil.h"

#include <vector>

int edCaret(HWND e) {
    DWORD start = 0, end = 0;
    SendMessageA(e, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return (int)start;
}

int edLineFromChar(HWND e, int pos) { return (int)SendMessageA(e, EM_LINEFROMCHAR, pos, 0); }

int edLineIndex(HWND e, int line) { return (int)SendMessageA(e, EM_LINEINDEX, line, 0); }

int edLineCount(HWND e) { return (int)SendMessageA(e, EM_GETLINECOUNT, 0, 0); }

int edTextLength(HWND e) { return (int)SendMessageA(e, WM_GETTEXTLENGTH, 0, 0); }

int edLineLength(HWND e, int line) {
    int first = edLineIndex(e, line);
    if (first < 0)
        return 0;
    int next = line + 1 < edLineCount(e) ? edLineIndex(e, line + 1) : edTextLength(e);
    return next > first ? next - first : 0;
}

std::string edLineText(HWND e, int line) {
    int len = edLineLength(e, line);
    if (len <= 0)
        return "";
    // EM_GETLINE takes the buffer size in its first word and needs at least two bytes.
    std::vector<char> buf(len + 2 > (int)sizeof(WORD) ? len + 2 : sizeof(WORD), 0);
    *(WORD*)buf.data() = (WORD)(len + 1 > 0xFFFF ? 0xFFFF : len + 1);
    int got = (int)SendMessageA(e, EM_GETLINE, line, (LPARAM)buf.data());
    if (got < 0)
        got = 0;
    return std::string(buf.data(), buf.data() + (got < len ? got : len));
}

std::string edText(HWND e) {
    int len = edTextLength(e);
    std::vector<char> buf(len + 1, 0);
    int got = GetWindowTextA(e, buf.data(), len + 1);
    return std::string(buf.data(), got > 0 ? got : 0);
}

std::string edRange(HWND e, int from, int to) {
    std::string all = edText(e);
    int len = (int)all.size();
    if (from < 0)
        from = 0;
    if (from > len)
        from = len;
    if (to > len)
        to = len;
    if (to < from)
        to = from;
    return all.substr(from, to - from);
}

void edAppend(HWND e, char const* text) {
    int len = edTextLength(e);
    SendMessageA(e, EM_SETSEL, len, len);
    SendMessageA(e, EM_REPLACESEL, FALSE, (LPARAM)(text ? text : ""));
}

void edCaretToLineEnd(HWND e, int line, bool scroll) {
    int count = edLineCount(e);
    int pos;
    if (line < 0 || line + 1 >= count) {
        pos = edTextLength(e);
    } else {
        int first = edLineIndex(e, line);
        pos = first + (int)SendMessageA(e, EM_LINELENGTH, first, 0);
    }
    SendMessageA(e, EM_SETSEL, pos, pos);
    if (scroll)
        SendMessageA(e, EM_SCROLLCARET, 0, 0);
}

void edClear(HWND e) { SendMessageA(e, WM_SETTEXT, 0, (LPARAM) ""); }
