// What drovik-host exports for its validator to count a plug-in's allocations: plug-ins loaded into the host
// resolve malloc and operator new to the counting malloc family linked into the program. Under a sanitizer
// nothing is counted, and nothing is exported: the validator then skips its allocation check.
#include "counting_malloc.h"

#ifndef DROVIK_SANITIZED
#define EXPORTED __attribute__((visibility("default")))

extern "C" {
EXPORTED size_t drovik_host_alloc_count() { return counting_malloc::Count(); }
EXPORTED void drovik_host_alloc_arm(int on) { counting_malloc::Arm(on != 0); }
}
#endif
