#include "counting_malloc.h"

namespace {
thread_local bool tArmed = false;
thread_local size_t tCount = 0;
} // namespace

namespace counting_malloc {
#ifdef DROVIK_SANITIZED
bool Active() { return false; }
#else
bool Active() { return true; }
#endif
void Arm(bool on) { tArmed = on; }
bool Armed() { return tArmed; }
size_t Count() { return tCount; }
void Reset() { tCount = 0; }
void Note()
{
  if (tArmed) ++tCount;
}
} // namespace counting_malloc

#ifndef DROVIK_SANITIZED
#define EXPORTED __attribute__((visibility("default")))
using counting_malloc::Note;

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
void* __libc_valloc(size_t);
void* __libc_pvalloc(size_t);

EXPORTED void* malloc(size_t size)
{
  Note();
  return __libc_malloc(size);
}
EXPORTED void* calloc(size_t n, size_t size)
{
  Note();
  return __libc_calloc(n, size);
}
EXPORTED void* realloc(void* p, size_t size)
{
  Note();
  return __libc_realloc(p, size);
}
EXPORTED void free(void* p) { __libc_free(p); }
EXPORTED void* memalign(size_t align, size_t size)
{
  Note();
  return __libc_memalign(align, size);
}
EXPORTED void* aligned_alloc(size_t align, size_t size)
{
  Note();
  return __libc_memalign(align, size);
}
EXPORTED int posix_memalign(void** out, size_t align, size_t size)
{
  if (align < sizeof(void*) || (align & (align - 1)) != 0) return 22; // EINVAL
  Note();
  void* p = __libc_memalign(align, size);
  if (!p) return 12; // ENOMEM
  *out = p;
  return 0;
}
EXPORTED void* valloc(size_t size)
{
  Note();
  return __libc_valloc(size);
}
EXPORTED void* pvalloc(size_t size)
{
  Note();
  return __libc_pvalloc(size);
}
}
#endif
