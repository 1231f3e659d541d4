/* The dialogs' view of a query slot, on cXQueryWindow and cQuerySlot. */
#include "connhost.h"

#include <new>

#include "dlgconnect.h"
#include "dlgtables.h"
#include "queryslot.h"
#include "querywin.h"
#include "resultgrid.h"

namespace {

/* One query slot of the main window, as both dialogs see it. */
class cSlotHost : public cConnectHost, public cTablesHost {
public:
    cSlotHost(cXQueryWindow* window, int slot) : w(window), index(slot) {}

    char const* iniFile() override { return w->iniPath; }
    HWND mainWindow() override { return w->hwnd; }
    int slotNumber() override { return index + 1; }
    int slotIndex() override { return index; }
    long slotColor() override { return w->settings.ecolor[index]; }

    bool savePassword() override { return w->settings.bSavePswd; }
    void setSavePassword(bool on) override { w->settings.bSavePswd = on; }
    bool connectTo(char const* dsn, char const* user, char const* pswd) override {
        return w->slots[index]->connectTo(dsn, user, pswd);
    }

    char const* dsn() override { return w->slots[index]->dsn; }
    cXdbc* connection() override { return w->slots[index]->db; }
    void showSlot() override { w->showSlot(index); }
    bool runSelect(char const* sql) override { return w->slots[index]->executeSelect(sql); }
    void focusGrid() override { SetFocus(w->grids[index]->getHwnd(0)); }
    void connectionLost(char const* why) override { w->logResult(true, 0, why, 0); }
    void tablesClosed(HWND dlg) override {
        if (w->tablesDlg[index] == dlg)
            w->tablesDlg[index] = 0;
        delete this;  // one host per Tables dialog; nothing touches it afterwards
    }

private:
    cXQueryWindow* w;
    int index;
};

}  // namespace

INT_PTR connectShownSlot(cXQueryWindow* w) {
    if (!w)
        return 0;
    cSlotHost host(w, w->shown());
    return connectDialog(&host, w->hwnd);
}

HWND openTablesDialog(cXQueryWindow* w) {
    if (!w)
        return 0;
    int n = w->shown();
    if (w->tablesDlg[n])
        return w->tablesDlg[n];
    cSlotHost* host = new (std::nothrow) cSlotHost(w, n);
    if (!host)
        return 0;
    HWND d = tablesDialog(host);
    if (!d) {
        delete host;
        return 0;
    }
    w->tablesDlg[n] = d;
    return d;
}
