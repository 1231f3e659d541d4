/* Shared by the grid tests: a parent window that records every notification, grid
   creation and filling, input helpers and rendering into a memory DC. */
#ifndef LUMBRA_TESTS_GRIDTEST_H
#define LUMBRA_TESTS_GRIDTEST_H

#include <windows.h>

#include <vector>

#include "rerovar.h"

/* One message the parent received from a grid. */
struct Note {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

/* The parent window of every grid of a test program; created on first use. */
HWND testParent();
/* Notifications seen since the last clearNotes(). */
std::vector<Note>& notes();
void clearNotes();
/* Notes of one message only. */
std::vector<Note> notesOf(UINT msg);
/* Answers the parent gives to the header-click and sort notifications. */
extern LRESULT hdrClickAnswer;
extern LRESULT sortAnswer;

/* A grid of the given flags, initialised and shown in the test parent. The client area is
   exactly clientW x clientH when these are given. */
cRerovar* makeGrid(long flags, int clientW = 400, int clientH = 300, cRerovar* g = 0);
void destroyGrid(cRerovar* g);
/* Column 1 text "name", column 2 number "qty", n rows: "r0".."r<n-1>" and 0..n-1. */
void fillBasic(cRerovar* g, int n);
/* Handles the messages waiting in the queue (posted scroll-bar updates among them). */
void pump();

/* Keys held while the next messages are handled (GetKeyState sees them). */
void holdKeys(bool ctrl, bool shift);
void key(cRerovar* g, int vk, bool ctrl = false, bool shift = false);
void typeChar(cRerovar* g, int ch, bool ctrl = false);
void typeText(cRerovar* g, char const* s);
void click(cRerovar* g, int x, int y, WPARAM mk = 0);
void dblclick(cRerovar* g, int x, int y, WPARAM mk = 0);
void rclick(cRerovar* g, int x, int y, WPARAM mk = 0);
/* Client y of the middle of the V row shown at position r (r = 0 is the first data row). */
int rowY(cRerovar* g, int r);
/* Client x of the middle of column index c (with firstCol 0). */
int colX(cRerovar* g, int c);

/* The grid painted into a 32-bit memory bitmap through WM_PRINTCLIENT. */
class Shot {
public:
    explicit Shot(cRerovar* g);
    ~Shot();
    long at(int x, int y) const;  // 0xRRGGBB, -1 outside
    /* Pixels in the rectangle of colour c, or other than c with notC. */
    int count(int l, int t, int r, int b, long c, bool notC = false) const;
    int w, h;

private:
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    DWORD* bits;
    Shot(Shot const&);
    Shot& operator=(Shot const&);
};

/* Records the menus the grid opens and answers with a command. */
struct MenuCall {
    short which;
    HMENU menu;
    int x, y;
};
extern std::vector<MenuCall> menuCalls;
extern int menuAnswer;
int testMenuHook(cRerovar* g, short which, HMENU menu, int x, int y);
/* State of item cmd (by command, submenus included): MF_GRAYED, MF_CHECKED bits; -1 absent. */
int menuState(HMENU m, UINT cmd);
/* Text of item cmd. */
std::vector<char> menuText(HMENU m, UINT cmd);

#endif
