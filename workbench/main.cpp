/* Program entry of the workbench: creates the main window object and runs the loop. */
#include <windows.h>

#include "querywin.h"

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int show) {
    cXQueryWindow* app = cXQueryWindow::create(inst, cmdLine, show);
    if (!app)
        return 1;
    // The object goes with its window: keep what the loop needs.
    HWND main = app->hwnd;
    HACCEL accel = app->accel;
    return runMessageLoop(main, accel);
}
