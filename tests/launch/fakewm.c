/* Stands in for a window manager the way EWMH asks one to announce itself: a check window
   named in _NET_SUPPORTING_WM_CHECK of the root window and of itself. Prints "ready" and
   stays until killed; with "stale" it announces, then destroys the check window. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(0);
    if (!d)
        return 2;
    Window root = DefaultRootWindow(d);
    Window w = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
    Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(d, root, check, XA_WINDOW, 32, PropModeReplace, (unsigned char*)&w, 1);
    XChangeProperty(d, w, check, XA_WINDOW, 32, PropModeReplace, (unsigned char*)&w, 1);
    if (argc > 1 && strcmp(argv[1], "stale") == 0)
        XDestroyWindow(d, w);
    XSync(d, False);
    printf("ready\n");
    fflush(stdout);
    for (;;)
        pause();
}
