/* Command and control identifiers of the workbench's menu, buttons and dialogs. */
#ifndef LUMBRA_LUMBRARC_H
#define LUMBRA_LUMBRARC_H

/* Recent script entries 50..59 and the placeholder 80 come from cRecentFiles. */
#define CMD_RECENT_FIRST 50
#define CMD_RECENT_LAST 59
#define CMD_RECENT_EMPTY 80

#define CMD_NEW 401
#define CMD_OPEN 402
#define CMD_SAVE 403
#define CMD_SAVEAS 404
#define CMD_QUIT 405
#define CMD_EXECUTE 416
#define CMD_RUNSCRIPT 417
#define CMD_RUNEXTERNAL 418
#define CMD_EXPORTRESULT 419
#define CMD_GRIDEXPORT 450
#define CMD_AUTOFORM 451
#define CMD_SHOWEXPR 452
#define CMD_SHOWEXPRSEL 453
#define CMD_HSCROLL 454
#define CMD_CLEARLOG 455
#define CMD_MSGPANE 456
#define CMD_GROUPBY 457
#define CMD_CSVCOLUMN 458
#define CMD_SETTINGS 465
#define CMD_FONTEDIT 466
#define CMD_FONTMSG 467
#define CMD_COLORQ1 469
#define CMD_COLORQ2 470
#define CMD_COLORQ3 471
#define CMD_COLORMSG 472
#define CMD_COLORERR 473
#define CMD_HELP 495
#define CMD_ABOUT 496
#define CMD_TABFOCUS 498
#define CMD_CONNECT 550
#define CMD_DISCONNECT 551
#define CMD_COMMIT 552
#define CMD_ROLLBACK 553
#define CMD_TABLES 554
#define CMD_QUERY1 560
#define CMD_QUERY2 561
#define CMD_QUERY3 562

/* Control id of the result grids. */
#define ID_GRID 7

/* "DLG_Settings". */
#define IDC_SET_MAXROWS_LABEL 92
#define IDC_SET_MAXROWS 101
#define IDC_SET_DATEFMT 102
#define IDC_SET_TIMEFMT 103
#define IDC_SET_MOVECARET 104
#define IDC_SET_COMMIT 105
#define IDC_SET_ROLLBACK 106
#define IDC_SET_BLOB 107
#define IDC_SET_STRING 108
#define IDC_SET_BACKGROUND 110
#define IDC_SET_BLOBCHARS 109

/* "DLG_About". */
#define IDC_ABOUT_EULA 31
#define IDC_ABOUT_NAME 92
#define IDC_ABOUT_LEFT 93

#endif
