// Counting the heap allocations of the calling thread, for the validator's audio-thread check. The counting
// malloc lives in the drovik-host program itself (a plug-in's malloc and operator new resolve to it); in a build
// with a sanitizer, which owns malloc, counting is unavailable and the check is skipped.
#pragma once

#include <cstddef>

namespace host::alloc {

/// True when allocations can be counted in this process.
bool Available();
/// Why counting is unavailable.
const char* Unavailable();

/// Counts the allocations this thread makes while alive. [audio thread]
class Scope
{
public:
  Scope();
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
  size_t Count() const;

private:
  size_t mStart;
};

} // namespace host::alloc
