/* Small helpers shared by the workbench windows: the wait cursor and the statement timer. */
#ifndef LUMBRA_WBUTIL_H
#define LUMBRA_WBUTIL_H

#include <windows.h>

#include "winutil.h"

/* The statement timer: elapsed seconds of the last timed operation, 0 while it runs. */
extern DWORD g_timerStart;
extern double g_timerSeconds;

inline void timerStart() {
    g_timerSeconds = 0;
    g_timerStart = GetTickCount();
}

inline double timerStop() {
    g_timerSeconds = (GetTickCount() - g_timerStart) / 1000.0;
    return g_timerSeconds;
}

#endif
