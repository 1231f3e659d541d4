/* The Connect and Tables dialogs on the main window's query slots. */
#ifndef LUMBRA_CONNHOST_H
#define LUMBRA_CONNHOST_H

#include <windows.h>

class cXQueryWindow;

/* Command 550: runs the Connect dialog for the shown slot; 1 when it got connected. */
INT_PTR connectShownSlot(cXQueryWindow* w);

/* Command 554: opens the shown slot's Tables dialog unless the slot has one; the handle
   is kept in w->tablesDlg and cleared again when the dialog goes. */
HWND openTablesDialog(cXQueryWindow* w);

#endif
