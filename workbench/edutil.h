/* Wrappers over the standard edit control's messages, as the statement finder and the
   script commands use them. Positions are character offsets. */
#ifndef LUMBRA_EDUTIL_H
#define LUMBRA_EDUTIL_H

#include <windows.h>

#include <string>

#include "stmtfind.h"

int edCaret(HWND e);                    // start of the selection
int edLineFromChar(HWND e, int pos);
int edLineIndex(HWND e, int line);      // first character, -1 past the last line
int edLineCount(HWND e);
int edTextLength(HWND e);
int edLineLength(HWND e, int line);     // including its line break
std::string edLineText(HWND e, int line);
std::string edText(HWND e);
std::string edRange(HWND e, int from, int to);
void edAppend(HWND e, char const* text);
/* Caret to the end of line (before its line break; end of text on the last line). */
void edCaretToLineEnd(HWND e, int line, bool scroll);
void edClear(HWND e);

/* The edit control's own line numbering for the statement finder. */
class cEditLines : public cLineMap {
public:
    explicit cEditLines(HWND e) : edit(e) {}
    int lineFromChar(int pos) override { return edLineFromChar(edit, pos); }
    int lineIndex(int line) override { return edLineIndex(edit, line); }
    int lineCount() override { return edLineCount(edit); }

private:
    HWND edit;
};

#endif
