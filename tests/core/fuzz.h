/* Fuzz targets: each takes one input of arbitrary bytes and must neither crash nor leak. */
#ifndef LUMBRA_FUZZ_H
#define LUMBRA_FUZZ_H

#include <cstddef>

void fuzz_strings(const unsigned char* data, size_t size);
void fuzz_values(const unsigned char* data, size_t size);
void fuzz_outfmt(const unsigned char* data, size_t size);

#endif
