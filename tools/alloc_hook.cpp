// The counting malloc family of drovik-host. Plug-ins loaded into the host resolve malloc and operator new to
// these, so the validator can count what the audio thread allocates. Counting is per thread and only while a
// scope has armed it. Left out under a sanitizer, which brings its own malloc.
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DROVIK_HOST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DROVIK_HOST_SANITIZED 1
#endif
#endif

#ifndef DROVIK_HOST_SANITIZED
#define EXPORTED __attribute__((visibility("default")))

namespace {
thread_local bool tArmed = false;
thread_local size_t tCount = 0;
inline void Note()
{
  if (tArmed) ++tCount;
}
} // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
void* __libc_valloc(size_t);
void* __libc_pvalloc(size_t);

EXPORTED size_t drovik_host_alloc_count() { return tCount; }
EXPORTED void drovik_host_alloc_arm(int on) { tArmed = on != 0; }

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
