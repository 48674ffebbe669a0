// A malloc family that counts, per thread, the allocations made while counting is armed: the test host uses it
// to see what a plug-in's audio thread allocates, the test executables to prove a path allocates nothing. It
// forwards to glibc's own entry points. Under a sanitizer (which brings its own malloc) it is left out and
// nothing is counted by it.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DROVIK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DROVIK_SANITIZED 1
#endif
#endif

namespace counting_malloc {

/// True when the malloc family counts (not under a sanitizer).
bool Active();
/// Counting on the calling thread on or off, and whether it is on. [any thread, its own state]
void Arm(bool on);
bool Armed();
/// Allocations counted on the calling thread; Note adds one when armed (for allocators of one's own).
size_t Count();
void Reset();
void Note();

} // namespace counting_malloc
