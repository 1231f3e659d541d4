/* Guards of the edit controls against input Wine's edit control mishandles: letters outside
   the ANSI code page (shown as typed, but saved and run as others) and the accents its text
   shaping faults on (strx_shapingTrap), typed, pasted or cut. */
#ifndef LUMBRA_EDITGUARD_H
#define LUMBRA_EDITGUARD_H

#include <windows.h>

/* Such a key or paste of the program's own loop: refused with a beep or a box; true when
   the message is consumed. */
bool editInputRefused(MSG const* msg);
/* A typed letter for a window that keeps ANSI text, dispatched in the ANSI code page; true
   when done. */
bool ansiCharDispatched(MSG const* msg);
/* Every message loop of this thread drops such keys (modal dialogs too), and an edit
   control's context menu (right button, Shift+F10, the menu key) is one whose Paste, Cut and
   Delete are guarded alike: the control's own menu pastes past every message loop. The main
   window sets it up. */
void guardModalLoops();
/* GetMessageW of the program's own loop, which guards its messages itself. */
BOOL getMessageGuarded(MSG* msg);
/* A command of that context menu on edit control e: WM_UNDO, WM_CUT, WM_COPY, WM_PASTE,
   WM_CLEAR or EM_SETSEL (select all). */
void editMenuCommand(HWND e, UINT id);

#endif
