/* Control identifiers of the Run External Script ("DLG_RUNEXTSCRIPT") and Export Resultset
   ("DLG_EXPORTRESULTSET") dialogs, and the message their workers send them. */
#ifndef LUMBRA_DLGJOBSRC_H
#define LUMBRA_DLGJOBSRC_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Worker to dialog: one step (wParam 0 success, 1 failure, 3 a run's closing commit) or the
   end of a job (2). */
#define WM_JOBSTEP 0x5055

/* DLG_RUNEXTSCRIPT */
#define IDC_RUN_FILE 22          /* script file name */
#define IDC_RUN_BROWSE 23        /* "&Browse..." */
#define IDC_RUN_TEXT 101         /* text of the current command */
#define IDC_RUN_STATUS 102       /* "Error/status info" */
#define IDC_RUN_LINE 103         /* line number */
#define IDC_RUN_COUNT 104        /* commands run */
#define IDC_RUN_START 105        /* "&Start" */
#define IDC_RUN_SLOT 106         /* "Use [Q1] connection" */
#define IDC_RUN_OWN 107          /* "Use another connection" */
#define IDC_RUN_IGNOREDROP 108   /* "Ignore 'drop' errors" */
#define IDC_RUN_STOPERR 109      /* "Stop on error" */
#define IDC_RUN_GOON 110         /* "Do no stop on error" */
#define IDC_RUN_LOG 111          /* "Log errors to logfile" */
#define IDC_RUN_LOGFILE 112      /* log file name */
#define IDC_RUN_LOGBROWSE 113    /* "Browse..." */
#define IDC_RUN_LOGVIEW 114      /* "View" */
#define IDC_RUN_ERRORS 115       /* error count */

/* DLG_EXPORTRESULTSET (the grid export dialog's identifiers) */
#define IDC_EXP_SQL 21           /* the SELECT statement */
#define IDC_EXP_CSV 121
#define IDC_EXP_HTML 123
#define IDC_EXP_INSERT 124
#define IDC_EXP_SEPGROUP 130     /* "CSV separator" */
#define IDC_EXP_COMMA 131
#define IDC_EXP_SEMICOLON 132
#define IDC_EXP_COLON 133
#define IDC_EXP_PIPE 134
#define IDC_EXP_TAB 135
#define IDC_EXP_TABLELABEL 140
#define IDC_EXP_TABLE 141
#define IDC_EXP_FILELABEL 150
#define IDC_EXP_FILE 151
#define IDC_EXP_BROWSE 152
#define IDC_EXP_VIEW 160
#define IDC_EXP_INFO 161
#define IDC_EXP_SAVE 162

#endif
