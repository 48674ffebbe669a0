#include "alloc_counter.h"

#include "counting_malloc.h"

#include <cstdlib>
#include <new>

namespace {
using counting_malloc::Note;

void* NewImpl(size_t size)
{
  if (!counting_malloc::Active()) Note(); // elsewhere the counting malloc notes it
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* NewAligned(size_t size, size_t align)
{
  if (!counting_malloc::Active()) Note(); // elsewhere the counting posix_memalign notes it
  void* p = nullptr;
  if (align < sizeof(void*)) align = sizeof(void*);
  if (posix_memalign(&p, align, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
} // namespace

namespace testsupport {
size_t AllocationCount() { return counting_malloc::Count(); }
void ResetAllocationCount() { counting_malloc::Reset(); }
bool CountsMalloc() { return counting_malloc::Active(); }

AllocationScope::AllocationScope() : mStart(counting_malloc::Count()), mWasArmed(counting_malloc::Armed())
{
  counting_malloc::Arm(true);
}
AllocationScope::~AllocationScope() { counting_malloc::Arm(mWasArmed); }
size_t AllocationScope::Count() const { return counting_malloc::Count() - mStart; }
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

