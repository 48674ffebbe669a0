// The allocation counter other tests rely on must see the allocations it claims to see.
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "alloc_counter.h"

TEST(AllocationCounter, SeesNewAndMallocOnlyInsideTheScope)
{
  testsupport::AllocationScope scope;
  EXPECT_EQ(scope.Count(), 0u);
  auto p = std::make_unique<int>(3);
  EXPECT_EQ(scope.Count(), 1u);
  std::vector<double> v(100);
  EXPECT_EQ(scope.Count(), 2u);
  void* (*volatile doMalloc)(size_t) = &std::malloc; // keeps the call from being folded away
  void* m = doMalloc(16);
  EXPECT_EQ(scope.Count(), testsupport::CountsMalloc() ? 3u : 2u);
  std::free(m);
}
