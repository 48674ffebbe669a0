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

// A speaker arrangement of n channels connects the first n channels of its side and disconnects the rest; more
// channels than the side has, or fewer than none, are refused and change nothing. The other side is untouched.
TEST(DispatcherEdges, SpeakerArrangementsConnectTheirChannelCountOnEachSide)
{
  for (plug::ERoute side : {plug::kInput, plug::kOutput})
    for (int n : {0, 1, 2, 3, -1})
    {
      TestPlug p(plug::InstanceInfo{}, 0);
      const int max = p.MaxNChannels(side);
      ASSERT_EQ(max, 2);
      const plug::ERoute other = side == plug::kInput ? plug::kOutput : plug::kInput;
      p.SetChannelConnections(side, 0, max, true);
      p.SetChannelConnections(other, 0, max, true);
      vst2::SpeakerArrangement arrangement{};
      arrangement.numChannels = n;
      const bool fits = n >= 0 && n <= max;
      const intptr_t value = side == plug::kInput ? reinterpret_cast<intptr_t>(&arrangement) : 0;
      void* ptr = side == plug::kOutput ? &arrangement : nullptr;
      EXPECT_EQ(Call(p, vst2::effSetSpeakerArrangement, 0, value, ptr), fits ? 1 : 0) << side << " " << n;
      for (int ch = 0; ch < max; ++ch)
      {
        EXPECT_EQ(p.IsChannelConnected(side, ch), !fits || ch < n) << side << " " << n << " channel " << ch;
        EXPECT_TRUE(p.IsChannelConnected(other, ch)) << side << " " << n << " channel " << ch;
      }
    }
}
