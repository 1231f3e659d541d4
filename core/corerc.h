/* Resource identifiers of the core library (its own range is 100..199). */
#ifndef VORCORE_CORERC_H
#define VORCORE_CORERC_H

/* Controls of the "DLG_Empty" text dialog. */
#define TEXTIK_FONT 91     /* hidden control that carries the dialog font */
#define TEXTIK_EDIT 21     /* the text */
#define TEXTIK_BUTTON 100  /* first button; button i is TEXTIK_BUTTON + i */
#define TEXTIK_BUTTONS 5

#endif
