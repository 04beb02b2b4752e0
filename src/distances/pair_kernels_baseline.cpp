// The pair kernels for any x86-64 (or other) processor, and the choice between the builds.
#define MARBLESET_KERNEL_NS baseline
#define MARBLESET_KERNEL_NAME "baseline"
#include "distances/pair_kernels.inc"

namespace marbleset::kernels {

#if MARBLESET_HAVE_AVX2_KERNELS
namespace avx2 {
const KernelTable& Table();
}
namespace avx512 {
const KernelTable& Table();
}
#endif

const KernelTable& BaselineKernels() {
  return baseline::Table();
}

const KernelTable* Avx2Kernels() {
#if MARBLESET_HAVE_AVX2_KERNELS
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                           __builtin_cpu_supports("popcnt");
  if (avx2) return &avx2::Table();
#endif
  return nullptr;
}

const KernelTable& BestKernels() {
#if MARBLESET_HAVE_AVX2_KERNELS
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                           __builtin_cpu_supports("popcnt");
  static const bool avx512 =
      avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vpopcntdq");
  if (avx512) return avx512::Table();
  if (avx2) return avx2::Table();
#endif
  return baseline::Table();
}

}  // namespace marbleset::kernels
