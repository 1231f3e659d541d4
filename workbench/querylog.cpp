/* The message pane's log entries, the status bar fields and the row counts. */
#include "querywin.h"

#include <cstdio>

#include "queryslot.h"
#include "resultgrid.h"
#include "statux.h"
#include "wbtext.h"
#include "winutil.h"
#include "xdbc.h"

void cXQueryWindow::logResult(bool isError, double seconds, char const* text,
                              char const* statement) {
    lastWasError = isError;
    InvalidateRect(messagePane, 0, TRUE);
    std::string header = logHeader(logCounter, isError, seconds);
    updateStatusBar(header.c_str());
    shownSlot()->refreshTitle();
    std::string entry = logEntry(header, text, statement, LOG_ENTRY_MAX);
    int length = GetWindowTextLengthA(messagePane);
    int cut = logPaneCut(length, (int)entry.size());
    if (cut > 0) {
        SendMessageA(messagePane, EM_SETSEL, 0, cut);
        SendMessageA(messagePane, EM_REPLACESEL, FALSE, (LPARAM) "");
        length -= cut;
    }
    SendMessageA(messagePane, EM_SETSEL, length, length);
    vorShowText(messagePane, entry.c_str(), true);  // shown only
    SendMessageA(messagePane, EM_SCROLLCARET, 0, 0);
    // Then back to the entry's first line: in a pane of two lines of a large font the end
    // alone shows only the blank line after it.
    SendMessageA(messagePane, EM_SETSEL, length, length);
    SendMessageA(messagePane, EM_SCROLLCARET, 0, 0);
    logCounter++;
    // Statements run on this thread: show the entry now, not after the whole script.
    UpdateWindow(messagePane);
    if (statusBar)
        UpdateWindow(statusBar->hwnd());
    // A failure may have lost a slot's connection: an entry after this one says so.
    if (isError)
        logLostConnections();
}

void cXQueryWindow::logLostConnections() {
    // The Tables dialog closes too (posted: the failure may be that dialog's own).
    std::string note;
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (slots[i] && slots[i]->connected && !slots[i]->db->isConnected()) {
            note = "Q" + std::to_string(i + 1) + " lost its connection to " + slots[i]->dsn +
                   ". Connect again to go on.";
            slots[i]->resyncConnection();
            if (tablesDlg[i])
                PostMessageA(tablesDlg[i], WM_COMMAND, IDCANCEL, 0);
        }
    }
    if (!note.empty())
        logResult(true, 0, note.c_str(), 0);  // which refreshes the title
}

void cXQueryWindow::noteLoad(cResultGrid* g) {
    char note[128];
    if (g->cutValues > 0) {
        // The grid (and what is exported or copied from it) does not hold them whole.
        bool one = g->cutValues == 1;
        snprintf(note, sizeof note, "%d %s longer than %d characters and %s shown cut.",
                 g->cutValues, one ? "value was" : "values were", XDB_TEXT_MAX,
                 one ? "is" : "are");
        logResult(false, 0, note, 0);
    }
    if (g->lostDates > 0) {
        bool one = g->lostDates == 1;
        snprintf(note, sizeof note, "%d %s outside the years 1 to 9999 and %s shown as 0-00-00.",
                 g->lostDates, one ? "date lies" : "dates lie", one ? "is" : "are");
        logResult(false, 0, note, 0);
    }
    if (g->stopped && !*g->lastError()) {
        snprintf(note, sizeof note,
                 "The load was stopped: the grid holds the first %d rows.",
                 g->getCountA());
        logResult(false, 0, note, 0);
    }
}

void cXQueryWindow::updateStatusBar(char const* entry) {
    lastEntry = entry ? entry : "";
    if (!statusBar)
        return;
    for (int i = 0; i < SLOT_COUNT; i++) {
        cQuerySlot* s = slots[i];
        std::string t = slotStatusText(i + 1, s ? s->dsn : "", s ? s->user : "");
        statusBar->setText(i, t.c_str());
    }
    statusBar->setText(3, "~~16");
    statusBar->setText(4, lastEntry.c_str());
    statusBar->setText(5, "~~16");
    statusBar->setText(6, rowCounts[current].c_str());
}

void cXQueryWindow::showRowCounts(bool fromDatabase) {
    cResultGrid* g = shownGrid();
    if (!g)
        return;
    rowCounts[current] = rowCountText(fromDatabase, g->getCountA(), g->getCountV(),
                                      g->getColCountA(), settings.maxRows);
    if (fromDatabase && g->partial()) {
        // The fetch broke off: the rows shown are all there is to count, not the result.
        char buf[48];
        snprintf(buf, sizeof buf, "DB: %d / ERR", g->getCountA());
        rowCounts[current] = buf;
    } else if (fromDatabase && g->stopped) {
        // Stopped with Esc: like the row limit, more rows may exist.
        char buf[48];
        snprintf(buf, sizeof buf, "DB: %d / ???", g->getCountA());
        rowCounts[current] = buf;
    } else if (!fromDatabase && (g->stopped || g->partial()) &&
               g->getCountA() < settings.maxRows) {
        rowCounts[current] += " ???";  // a load that broke off holds only part of the rows
    }
    if (statusBar)
        statusBar->setText(6, rowCounts[current].c_str());
}
