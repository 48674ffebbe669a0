// Which vector instructions the resampler's kernels run with. The library is built for the x86-64 baseline
// (SSE2); its hot loops are also compiled for AVX2 with FMA in the same module, and each object picks its
// kernels when it is made, from what the CPU reports.
#pragma once

namespace resamp {

enum class VectorIsa
{
  kBaseline, ///< SSE2: every x86-64 CPU
  kWide      ///< AVX2 and FMA
};

/// The kernels objects made from now on use: kWide when the CPU has AVX2 and FMA, unless the baseline is
/// forced. [any thread]
VectorIsa ChosenVectorIsa();
/// Makes objects made from now on use the baseline kernels (true) or the best the CPU has (false); for tests
/// and benchmarks that compare the two. [any thread]
void ForceBaselineVectors(bool force);

} // namespace resamp

/// Marks a function compiled for AVX2 with FMA; it runs only where ChosenVectorIsa() gave kWide.
#define RESAMP_WIDE_TARGET __attribute__((target("avx2,fma")))
/// Inlines a kernel body into each of its baseline and wide callers, so it is compiled once per target.
#define RESAMP_KERNEL_INLINE inline __attribute__((always_inline))
