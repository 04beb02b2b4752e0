// The pair kernels for processors with AVX2, FMA and POPCNT; built with those instructions
// enabled and only called after the processor was asked whether it has them.
#define MARBLESET_KERNEL_NS avx2
#define MARBLESET_KERNEL_NAME "avx2"
#include "distances/pair_kernels.inc"
