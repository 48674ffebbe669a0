// Linked into a test program, makes every allocation above 1 MB fail (returning null), so the program can see
// what code does when memory runs out without exhausting the machine. Under a sanitizer its allocator is told so;
// otherwise this file puts its own malloc and realloc in front of the C library's.
#include <atomic>
#include <cstddef>

#include "refuse_large_allocations.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
  return "allocator_may_return_null=1:max_allocation_size_mb=1";
}
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options()
{
  return "allocator_may_return_null=1:max_allocation_size_mb=1";
}

bool testsupport::CountsRefusedAllocations() { return false; }
size_t testsupport::RefusedAllocations() { return 0; }
#else
namespace {
std::atomic<size_t> gRefused{0};

bool Refused(size_t size)
{
  if (size <= testsupport::kLargestAllocation)
    return false;
  gRefused.fetch_add(1, std::memory_order_relaxed);
  return true;
}
} // namespace

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);
extern "C" void* malloc(size_t size) noexcept
{
  return Refused(size) ? nullptr : __libc_malloc(size);
}
extern "C" void* realloc(void* p, size_t size) noexcept
{
  return Refused(size) ? nullptr : __libc_realloc(p, size);
}

bool testsupport::CountsRefusedAllocations() { return true; }
size_t testsupport::RefusedAllocations() { return gRefused.load(std::memory_order_relaxed); }
#endif
