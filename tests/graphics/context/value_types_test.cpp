#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/types/GraphicsConstants.h"
#include "graphics/types/IRECT.h"

using namespace plug::igraphics;

TEST(ValueTypes, ColorSetFromAListFillsTheRestWithOpaqueBlack)
{
  const IVColorSet none({});
  for (const IColor& c : none.mColors)
    EXPECT_EQ(c, IColor(255, 0, 0, 0));
  const IVColorSet three({kColorRed, kColorGreen, kColorBlue});
  EXPECT_EQ(three[0], kColorRed);
  EXPECT_EQ(three[2], kColorBlue);
  for (int i = 3; i < kNumColorRoles; ++i)
    EXPECT_EQ(three[i], IColor(255, 0, 0, 0));
}

TEST(ValueTypes, TextStyleKeepsAtMost63CharactersOfItsFontName)
{
  const std::string longName(200, 'f');
  IText t;
  t.SetFont(longName.c_str());
  EXPECT_EQ(std::strlen(t.mFontName), 63u);
  t.SetFont(nullptr);
  EXPECT_STREQ(t.mFontName, "");
}
