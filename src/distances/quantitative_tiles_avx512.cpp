// The quantitative tile kernel for processors with AVX-512: eight doubles to a vector and 32
// registers, so a tile of 4 x 4 pairs (2 x 2 for the five sums of a correlation) stays in
// registers. Chosen with the AVX-512 table, after the processor was asked whether it has it.
#define MARBLESET_KERNEL_NS avx512
#define MARBLESET_TILE_LANES 8
#define MARBLESET_TILE_ROWS 4
#define MARBLESET_TILE_COLUMNS 4
#define MARBLESET_TILE_MASKED_ROWS 2
#define MARBLESET_TILE_MASKED_COLUMNS 2
#include "distances/quantitative_tiles.inc"
