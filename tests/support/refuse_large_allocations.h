// The limit of refuse_large_allocations.cpp: a program linked with it gets null for any allocation above this.
#pragma once

#include <cstddef>

namespace testsupport {

constexpr size_t kLargestAllocation = size_t(1) << 20;

} // namespace testsupport
