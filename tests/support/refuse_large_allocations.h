// The limit of refuse_large_allocations.cpp: a program linked with it gets null for any allocation above this, and
// can see whether it asked for one.
#pragma once

#include <cstddef>

namespace testsupport {

constexpr size_t kLargestAllocation = size_t(1) << 20;

/// Whether the allocations refused are counted: in builds without a sanitizer (under one, its allocator refuses).
bool CountsRefusedAllocations();
/// How many allocations were refused so far in this program.
size_t RefusedAllocations();

} // namespace testsupport
