// Counts heap allocations made by the calling thread while a scope is armed, so a test can prove that a
// processing path allocates nothing. Counts operator new in every build and malloc/calloc/realloc in builds
// without a sanitizer (the sanitizers own malloc there).
#pragma once

#include <cstddef>

namespace testsupport {

/// Allocations counted on this thread since the last Reset.
size_t AllocationCount();
void ResetAllocationCount();
/// True when malloc-family calls are counted too (not under a sanitizer).
bool CountsMalloc();

/// While alive, allocations on this thread are counted.
class AllocationScope
{
public:
  AllocationScope();
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;
  /// Allocations counted inside this scope so far.
  size_t Count() const;

private:
  size_t mStart;
  bool mWasArmed;
};

} // namespace testsupport
