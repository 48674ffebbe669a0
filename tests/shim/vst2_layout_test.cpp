// The effect record is what every host reads; its size and a few offsets are checked at run time too, so a
// change of compiler flags (packing, alignment) that slipped past the static checks shows up here.
#include <cstddef>

#include <gtest/gtest.h>

#include "vst2/vst2.h"

TEST(Vst2Layout, EffectRecordMatchesTheHostLayout)
{
  EXPECT_EQ(sizeof(vst2::Effect), 192u);
  EXPECT_EQ(offsetof(vst2::Effect, uniqueID), 112u);
  EXPECT_EQ(offsetof(vst2::Effect, processDoubleReplacing), 128u);
  EXPECT_EQ(sizeof(vst2::SysExEvent), 48u);
  EXPECT_EQ(sizeof(vst2::TimeInfo), 88u);
}
