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

#endif
