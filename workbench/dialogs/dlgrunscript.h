/* Run External Script ("DLG_RUNEXTSCRIPT"): a modeless dialog that runs a SQL script file
   command by command on a worker thread, on the shown slot's connection or on one of its
   own, while the main window is locked. */
#ifndef LUMBRA_DLGRUNSCRIPT_H
#define LUMBRA_DLGRUNSCRIPT_H

#include <windows.h>

#include <string>

class cXQueryWindow;
class cXdbc;

/* Opens the dialog over the main window and locks it; 0 when the dialog cannot be made
   or one is already open. */
HWND openRunScriptDialog(cXQueryWindow* main);
/* The open dialog, 0 when there is none. */
HWND runScriptDialog();
/* True while a script runs. */
bool runScriptBusy();

/* Runs one command of a script on db as the runner does; false with error set on
   failure. A failing "drop" counts as success when ignoreDrop is set, but error keeps
   the driver's message. A connect or disconnect first commits the open work, or rolls it
   back with implicitRollback. */
bool runScriptCommand(cXdbc* db, std::string const& command, bool ignoreDrop,
                      bool implicitRollback, std::string& error);

#endif
