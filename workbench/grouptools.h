/* The Grid menu's tools on the one selected column of the shown grid: a GROUP BY window
   with the counts per value, and the column's values as one comma-separated line. */
#ifndef LUMBRA_GROUPTOOLS_H
#define LUMBRA_GROUPTOOLS_H

class cResultGrid;
class cXQueryWindow;
class cXdbc;

/* Opens a query-by-example window grouping the selected column; db is the shown slot's
   connection. False (after a box when not exactly one column is selected) when nothing
   was opened. */
bool openGroupBy(cResultGrid* grid, cXdbc* db);
/* Shows the selected column's visible cells (only the selected rows when more than one
   is selected) as "a, b, c", with a button that copies the line into the shown editor. */
bool csvFromColumn(cXQueryWindow* owner, cResultGrid* grid, int slotIndex);

#endif
