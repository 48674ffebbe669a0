#include "alloc_probe.h"

// Provided by the program that links the counting malloc (drovik-host); absent elsewhere.
extern "C" size_t drovik_host_alloc_count() __attribute__((weak));
extern "C" void drovik_host_alloc_arm(int on) __attribute__((weak));

namespace host::alloc {

bool Available() { return drovik_host_alloc_count != nullptr && drovik_host_alloc_arm != nullptr; }

const char* Unavailable()
{
  return "skipped: allocations cannot be counted in this build (a sanitizer owns malloc)";
}

Scope::Scope() : mStart(Available() ? drovik_host_alloc_count() : 0)
{
  if (Available()) drovik_host_alloc_arm(1);
}

Scope::~Scope()
{
  if (Available()) drovik_host_alloc_arm(0);
}

size_t Scope::Count() const { return Available() ? drovik_host_alloc_count() - mStart : 0; }

} // namespace host::alloc
