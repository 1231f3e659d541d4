/* Sample content for the grid benchmark and demo: ten columns of mixed types. */
#ifndef LUMBRA_BENCH_GRID_SAMPLE_H
#define LUMBRA_BENCH_GRID_SAMPLE_H

#include "rerovar.h"

/* Adds the ten columns (colids 1..10). */
void sampleColumns(cRerovar* g);
/* Appends n rows of deterministic pseudo-random values; false when a row cannot be added. */
bool sampleRows(cRerovar* g, int n);

#endif
