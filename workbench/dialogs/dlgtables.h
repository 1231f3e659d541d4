/* Tables dialog ("DLG_TABLES"): a modeless browser of one query slot's schemas and
   tables; Select and Count run a statement in the slot. */
#ifndef LUMBRA_DLGTABLES_H
#define LUMBRA_DLGTABLES_H

#include <windows.h>

class cXdbc;
struct xnameRule;

/* The query slot a Tables dialog belongs to, as the dialog sees it. */
class cTablesHost {
public:
    virtual ~cTablesHost() {}
    virtual char const* iniFile() = 0;   // settings file (Lumbra.ini)
    virtual HWND mainWindow() = 0;       // owner; the dialog is centred over it
    virtual int slotIndex() = 0;         // 0..2
    virtual long slotColor() = 0;        // 0xRRGGBB, read at every paint; 0 means no colour
    virtual char const* dsn() = 0;       // the slot's data source; "" when not connected
    virtual cXdbc* connection() = 0;     // the slot's own connection
    virtual void showSlot() = 0;         // make the slot the shown one
    /* Runs a SELECT in the slot the way the editor does: grid, log, status. */
    virtual bool runSelect(char const* sql) = 0;
    virtual void focusGrid() = 0;        // keyboard focus to the slot's grid
    /* The connection went away under a catalogue query: the slot logs why and lets go. */
    virtual void connectionLost(char const* why) = 0;
    /* The dialog is being destroyed (Escape, or closed by the slot). */
    virtual void tablesClosed(HWND dlg) = 0;
};

/* Creates and shows the modeless "DLG_TABLES" for the host's slot, owned by the host's
   main window. The dialog destroys itself on Escape; destroy it with DestroyWindow when the
   slot's connection changes. Null when it cannot be created. */
HWND tablesDialog(cTablesHost* host);

/* "select * from " or "select count(*) from " + the table reference into out (size bytes):
   schema "." table, or the table alone without a schema, each name written by the data
   source's rule (sqlName). False when out is too small or a name cannot be written. */
bool tableStatement(char* out, int size, char const* prefix, char const* schema,
                    char const* table, xnameRule const& rule);

#endif
