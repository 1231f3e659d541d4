/* Resource and command identifiers of the grid (its range is 200..399). The filter
   operators 201..213 are the TAXOP_ codes of rerovar.h. */
#ifndef VORCORE_GRIDRC_H
#define VORCORE_GRIDRC_H

/* Filter menu. */
#define TAXCMD_NOT 214       /* toggles the negation */
#define TAXCMD_CLEAR 215     /* clears the column's filter */
#define TAXCMD_CLEARALL 216  /* clears every filter */

/* Header menu. */
#define TAXCMD_SORTASC 231
#define TAXCMD_SORTDESC 232
#define TAXCMD_NOSORT 235
#define TAXCMD_OPTWIDTH 236
#define TAXCMD_MOVELEFT 237   /* swaps the column with its left neighbour */
#define TAXCMD_MOVERIGHT 238  /* ... with its right neighbour */
#define TAXCMD_FORMAT 240     /* the "Format" submenu */
#define TAXCMD_FORMAT0 241    /* its first item; 241..246 */

/* Grid menu. */
#define TAXCMD_EXPORT 260
#define TAXCMD_FORM 261
#define TAXCMD_COLORS 299  /* the "Default Colors" submenu */
#define TAXCMD_SCHEME 300  /* first colour scheme; 300..304 */

/* Controls of the export dialog "DLG_TaxExport"; the workbench's export dialog shares
   them (format, separator, table name and file name). */
#define TAXEXP_FILE 101       /* target: file */
#define TAXEXP_CLIP 102       /* target: clipboard */
#define TAXEXP_ROWSSEL 112    /* selected rows */
#define TAXEXP_ROWSALL 113
#define TAXEXP_COLSSEL 114    /* selected columns */
#define TAXEXP_COLSALL 115
#define TAXEXP_CSV 121        /* formats 1..4 are 121..124 */
#define TAXEXP_FIXED 122
#define TAXEXP_HTML 123
#define TAXEXP_INSERT 124
#define TAXEXP_SEPGROUP 130   /* separator group box */
#define TAXEXP_COMMA 131
#define TAXEXP_SEMICOLON 132
#define TAXEXP_COLON 133
#define TAXEXP_PIPE 134
#define TAXEXP_TAB 135
#define TAXEXP_TABLELABEL 140
#define TAXEXP_TABLE 141
#define TAXEXP_FILELABEL 150
#define TAXEXP_FILENAME 151
#define TAXEXP_BROWSE 152
#define TAXEXP_VIEW 160

#define TAXEXP_TABLEMAX 100  /* longest table name */
#define TAXEXP_FILEMAX 260   /* longest file name */

#endif
