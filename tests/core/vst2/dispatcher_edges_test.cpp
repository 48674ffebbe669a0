// Dispatcher requests at the edges of their arguments: a program name asked for outside the list.
#include <cstring>

#include <gtest/gtest.h>

#include "test_plug.h"

using testplug::TestPlug;

namespace {
intptr_t Call(TestPlug& p, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
{
  return p.GetEffect().dispatcher(&p.GetEffect(), opcode, index, value, ptr, 0.f);
}
} // namespace

TEST(DispatcherEdges, AProgramNameOutsideTheListIsEmpty)
{
  TestPlug p(plug::InstanceInfo{}, 0, 3);
  for (int index : {-1, 3, 1000})
  {
    char name[64];
    std::memset(name, 'x', sizeof(name));
    EXPECT_EQ(Call(p, vst2::effGetProgramNameIndexed, index, 0, name), 0) << index;
    EXPECT_STREQ(name, "") << index;
  }
}
