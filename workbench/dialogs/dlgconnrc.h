/* Control identifiers of the Connect ("DLG_Connect") and Tables ("DLG_TABLES") dialogs.
   Identifiers of this group that are not fixed by the templates use 600..699. */
#ifndef LUMBRA_DLGCONNRC_H
#define LUMBRA_DLGCONNRC_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* DLG_Connect */
#define IDC_CONNECT_DSN 25        /* drop-down list of data source names */
#define IDC_CONNECT_USER 26       /* user name */
#define IDC_CONNECT_PSWD 27       /* password */
#define IDC_CONNECT_SAVEPSWD 101  /* "Save Password" */

/* DLG_TABLES */
#define IDC_TABLES_SCHEMA 101     /* drop-down list of schemas */
#define IDC_TABLES_LIST 102       /* tables of the chosen schema */
#define IDC_TABLES_COUNT 103      /* "&Count"; IDOK is "&Select" */

/* Longest text of the Connect dialog's fields, terminator excluded. */
#define CONNECT_FIELD_MAX 49

#endif
