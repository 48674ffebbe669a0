#include "vector_isa.h"

#include <atomic>

namespace resamp {
namespace {

std::atomic<bool> gForceBaseline{ false };

bool CpuHasWideVectors()
{
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
#else
  return false;
#endif
}

} // namespace

VectorIsa ChosenVectorIsa()
{
  if (gForceBaseline.load(std::memory_order_relaxed) || !CpuHasWideVectors())
    return VectorIsa::kBaseline;
  return VectorIsa::kWide;
}

void ForceBaselineVectors(bool force)
{
  gForceBaseline.store(force, std::memory_order_relaxed);
}

} // namespace resamp
