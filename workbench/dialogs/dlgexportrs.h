/* Export Resultset ("DLG_EXPORTRESULTSET"): a modeless dialog that runs a SELECT on the
   shown slot's connection and streams every row of its result to a file -- separated
   values, an HTML table or INSERT statements -- on a worker thread, while the main
   window is locked. */
#ifndef LUMBRA_DLGEXPORTRS_H
#define LUMBRA_DLGEXPORTRS_H

#include <windows.h>

class cXQueryWindow;

/* Opens the dialog with the statement (0: none) and locks the main window; 0 when the
   dialog cannot be made or one is already open. */
HWND openExportDialog(cXQueryWindow* main, char const* sql);
/* The open dialog, 0 when there is none. */
HWND exportDialog();
/* True while an export runs. */
bool exportBusy();
/* Tests: the stop request is set by the worker itself once `rows` rows are written
   (0: never), as if Stop had been pressed at that moment. */
void exportStopAfterRows(int rows);
/* Milliseconds between two progress messages of the worker. */
#define EXPORT_PROGRESS_MS 50

#endif
