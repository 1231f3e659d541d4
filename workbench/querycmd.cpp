/* The command table of the main window: menu items, buttons and accelerators. */
#include "querywin.h"

#include <cstring>

#include "bgrun.h"
#include "dlgabout.h"
#include "dlgexportrs.h"
#include "dlgrunscript.h"
#include "edutil.h"
#include "grouptools.h"
#ifdef LUMBRA_HAVE_DIALOGS
#include "connhost.h"
#endif
#include "lumbrarc.h"
#include "profile.h"
#include "queryslot.h"
#include "resultgrid.h"
#include "splitex.h"
#include "statux.h"
#include "stmtfind.h"
#include "wbutil.h"
#include "winutil.h"
#include "xdbc.h"

namespace {

char const kNotConnected[] = "Not connected. You have to connect before executing SQL commands!";
char const kNoUnionRerun[] =
    "[Lumbra Grid] - Cannot re-create a SELECT statement when original statement contains UNION.";
char const kNoSelect[] = "[Lumbra Grid] - No select statement.";
char const kNoExportSelect[] =
    "No SELECT statement for export!\n\nPlace caret (text cursor) on the SELECT statement\n"
    "in the text area and then run Export Resultset function.";

}  // namespace

LRESULT cXQueryWindow::onCommand(int id, int code, HWND from) {
    cQuerySlot* s = shownSlot();
    cResultGrid* g = shownGrid();
    // While a statement runs only cancel is taken (menus and buttons are locked too).
    if (bgBusy() && (code == 0 || code == 1))
        return 0;
    if (code == EN_CHANGE && from && from == s->edit) {
        s->onChange();
        return 0;
    }
    if (id == ID_GRID && code == 1 && from && from == g->getHwnd(0)) {
        showRowCounts(false);
        return 0;
    }
    if (id >= CMD_RECENT_FIRST && id <= CMD_RECENT_LAST) {
        openRecent(id - CMD_RECENT_FIRST);
        return 0;
    }
    switch (id) {
    case CMD_NEW:
        s->newScript();
        return 0;
    case CMD_OPEN:
        s->openScript();
        return 0;
    case CMD_SAVE:
        s->saveScript();
        return 0;
    case CMD_SAVEAS:
        s->saveScriptAs();
        return 0;
    case CMD_QUIT:
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case CMD_CONNECT: {
#ifdef LUMBRA_HAVE_DIALOGS
        HWND back = GetFocus();
        connectShownSlot(this);
        if (back && IsWindow(back))
            SetFocus(back);
#endif
        return 0;
    }
    case CMD_DISCONNECT:
        if (s->connected)
            s->disconnect(false);
        SetFocus(s->edit);
        return 0;
    case CMD_COMMIT:
        if (s->connected)
            s->commit();
        SetFocus(s->edit);
        return 0;
    case CMD_ROLLBACK:
        if (s->connected)
            s->rollback();
        SetFocus(s->edit);
        return 0;
    case CMD_TABLES:
#ifdef LUMBRA_HAVE_DIALOGS
        if (tablesDlg[current] && IsWindow(tablesDlg[current])) {
            // Already open, perhaps behind the main window: bring it to the user.
            HWND d = tablesDlg[current];
            if (IsIconic(d))
                ShowWindow(d, SW_RESTORE);
            SetWindowPos(d, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
            SetForegroundWindow(d);
            SetActiveWindow(d);
        } else {
            openTablesDialog(this);
        }
#endif
        return 0;
    case CMD_EXECUTE:
        executeCommand();
        return 0;
    case CMD_RUNSCRIPT:
        s->runFromLine(edLineFromChar(s->edit, edCaret(s->edit)));
        return 0;
    case CMD_RUNEXTERNAL:
        openRunScriptDialog(this);
        return 0;
    case CMD_EXPORTRESULT:
        exportResultset();
        return 0;
    case CMD_GRIDEXPORT: {
        HWND back = GetFocus();
        g->export_dialog();
        if (back && IsWindow(back))
            SetFocus(back);
        return 0;
    }
    case CMD_AUTOFORM:
        g->form_create();
        return 0;
    case CMD_SHOWEXPR:
        showExpression(false);
        return 0;
    case CMD_SHOWEXPRSEL:
        showExpression(true);
        return 0;
    case CMD_CSVCOLUMN:
        csvFromColumn(this, g, current);
        return 0;
    case CMD_GROUPBY:
        if (!s->connected)
            vorMessageBox(hwnd, "Not connected!", "Lumbra", MB_OK | MB_ICONSTOP);
        else
            openGroupBy(g, s->db);
        return 0;
    case CMD_QUERY1:
    case CMD_QUERY2:
    case CMD_QUERY3:
        showSlot(id - CMD_QUERY1);
        return 0;
    case CMD_MSGPANE:
        toggleMessagePane();
        return 0;
    case CMD_HSCROLL:
        toggleHScroll();
        return 0;
    case CMD_CLEARLOG:
        SetWindowTextA(messagePane, "");
        return 0;
    case CMD_SETTINGS: {
        HWND back = GetFocus();
        if (runSettingsDialog(inst, hwnd, &settings, iniPath))
            applyGridSettings();
        if (back && IsWindow(back))
            SetFocus(back);
        return 0;
    }
    case CMD_FONTEDIT:
        chooseFont(fontEdit);
        return 0;
    case CMD_FONTMSG:
        chooseFont(fontMsg);
        return 0;
    case CMD_COLORQ1:
    case CMD_COLORQ2:
    case CMD_COLORQ3:
        chooseSlotColor(id - CMD_COLORQ1);
        return 0;
    case CMD_COLORMSG:
        chooseSlotColor(3);
        return 0;
    case CMD_COLORERR:
        chooseSlotColor(4);
        return 0;
    case CMD_HELP:
        shellexec(helpPath, hwnd, false);
        return 0;
    case CMD_ABOUT: {
        HWND back = GetFocus();
        runAboutDialog(inst, hwnd, appDir);
        if (back && IsWindow(back))
            SetFocus(back);
        return 0;
    }
    case CMD_TABFOCUS:
        tabFocus();
        return 0;
    }
    return DefWindowProcA(hwnd, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)from);
}

void cXQueryWindow::openRecent(int index) {
    cQuerySlot* s = shownSlot();
    if (!recentFiles || !s->askSave())
        return;
    char name[MAX_PATH + 1];
    lstrcpynA(name, recentFiles->getFilename((short)index), sizeof name);
    if (name[0])
        s->openFile(name);
}

void cXQueryWindow::executeCommand() {
    cQuerySlot* s = shownSlot();
    cResultGrid* g = shownGrid();
    if (GetFocus() == g->getHwnd(0)) {
        timerStart();
        if (g->hasUnion) {
            logResult(true, 0, kNoUnionRerun, 0);
            return;
        }
        bool ok;
        {
            cWaitCursor wait;
            ok = g->rerun(true);
        }
        if (ok) {
            logResult(false, timerStop(), g->modelSql(), 0);
            showRowCounts(true);
            noteLoad(g);
        } else if (!g->model) {
            logResult(true, 0, kNoSelect, 0);
        } else if (!g->db || !g->db->isConnected()) {
            logResult(true, 0, kNotConnected, 0);
        } else if (*g->lastError() || bgCanceled()) {
            logResult(true, 0, *g->lastError() ? g->lastError() : kBgCanceled, g->modelSql());
            if (g->partial())
                showRowCounts(true);
        } else {
            logResult(true, 0, kNoSelect, 0);
        }
        return;
    }
    int line = -1;
    s->executeAtCaret(&line);
    if (settings.movecaret && line >= 0)
        edCaretToLineEnd(s->edit, line, true);
}

void cXQueryWindow::exportResultset() {
    cQuerySlot* s = shownSlot();
    if (GetFocus() != s->edit)
        return;
    if (!s->connected) {
        vorMessageBox(hwnd, "Not connected!", "Export Resultset", MB_OK | MB_ICONSTOP);
        return;
    }
    std::string stmt = s->statementAt(0);
    stmt.erase(0, leadingCommentLength(stmt));
    std::string flat = stmt;
    flattenBlanks(flat);
    if (statementKind(flat.c_str()) != STMT_SELECT) {
        vorMessageBox(hwnd, kNoExportSelect, "Export Resultset", MB_OK | MB_ICONSTOP);
        return;
    }
    openExportDialog(this, stmt.c_str());
}

void cXQueryWindow::tabFocus() {
    HWND editor = shownEditor();
    if (GetFocus() == editor)
        SetFocus(shownGrid()->getHwnd(0));
    else
        SetFocus(editor);
}

void cXQueryWindow::toggleMessagePane() {
    if (messagePaneShown) {
        resultSplitter->collapseLower();
    } else {
        editorSplitter->setRatio(0.425);
        resultSplitter->showBoth(0.85);
    }
    messagePaneShown = !messagePaneShown;
    menuCheck(CMD_MSGPANE, messagePaneShown);
}

void cXQueryWindow::toggleHScroll() {
    hScroll = !hScroll;
    for (cQuerySlot* s : slots)
        s->setHScroll(hScroll);
    menuCheck(CMD_HSCROLL, hScroll);
}

void cXQueryWindow::chooseSlotColor(int index) {
    long chosen = ::chooseColor(hwnd, settings.ecolor[index]);
    if (chosen == -1)
        return;
    settings.ecolor[index] = chosen;
    if (index < SLOT_COUNT) {
        colorGrid(index);
        if (index == current)
            statusBar->setColor(index, slotFieldColor(index), true);
        RedrawWindow(hwnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        if (tablesDlg[index])
            InvalidateRect(tablesDlg[index], 0, TRUE);
    } else {
        InvalidateRect(messagePane, 0, TRUE);
    }
    settings.saveColors(iniPath);
}

void cXQueryWindow::chooseFont(cXFont* font) {
    if (font && font->chooseFont())
        applyFonts();
}
