#include "alloc_counter.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DROVIK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DROVIK_SANITIZED 1
#endif
#endif

namespace {
thread_local bool tArmed = false;
thread_local size_t tCount = 0;

inline void Note()
{
  if (tArmed) ++tCount;
}

void* NewImpl(size_t size)
{
#ifdef DROVIK_SANITIZED
  Note(); // elsewhere the counting malloc below notes it
#endif
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* NewAligned(size_t size, size_t align)
{
#ifdef DROVIK_SANITIZED
  Note(); // elsewhere the counting posix_memalign below notes it
#endif
  void* p = nullptr;
  if (align < sizeof(void*)) align = sizeof(void*);
  if (posix_memalign(&p, align, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
} // namespace

namespace testsupport {
size_t AllocationCount() { return tCount; }
void ResetAllocationCount() { tCount = 0; }
#ifdef DROVIK_SANITIZED
bool CountsMalloc() { return false; }
#else
bool CountsMalloc() { return true; }
#endif

AllocationScope::AllocationScope() : mStart(tCount), mWasArmed(tArmed) { tArmed = true; }
AllocationScope::~AllocationScope() { tArmed = mWasArmed; }
size_t AllocationScope::Count() const { return tCount - mStart; }
} // namespace testsupport

// The new/delete family. Each allocation counts once.
void* operator new(size_t size) { return NewImpl(size); }
void* operator new[](size_t size) { return NewImpl(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
  try { return NewImpl(size); } catch (...) { return nullptr; }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
  try { return NewImpl(size); } catch (...) { return nullptr; }
}
void* operator new(size_t size, std::align_val_t a) { return NewAligned(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a) { return NewAligned(size, static_cast<size_t>(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }

#ifndef DROVIK_SANITIZED
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);

// The counting malloc family of the test executables; operator new above reaches malloc too.
void* malloc(size_t size)
{
  Note();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size)
{
  Note();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size)
{
  Note();
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
int posix_memalign(void** out, size_t align, size_t size)
{
  Note();
  void* p = __libc_memalign(align, size);
  if (!p) return 12; // ENOMEM
  *out = p;
  return 0;
}
void* aligned_alloc(size_t align, size_t size)
{
  Note();
  return __libc_memalign(align, size);
}
}
#endif
