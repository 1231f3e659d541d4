/* install.exe: installs, upgrades or uninstalls an application described by i.ini.
   The build chooses the mode (INSTX_MODE: 1 install, 3 uninstall) and the pause after each
   progress text (INSTX_PAUSE_MS). */
#include <windows.h>

#include "xinstall.h"

#ifndef INSTX_MODE
#define INSTX_MODE 3
#endif
#ifndef INSTX_PAUSE_MS
#define INSTX_PAUSE_MS 1000
#endif

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show)
{
    cXinstall app(inst, INSTX_MODE, INSTX_PAUSE_MS);
    return app.run(show);
}
