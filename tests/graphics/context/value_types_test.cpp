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

TEST(ValueTypes, ContrastKeepsEachColourWithin0To255AndLeavesAlpha)
{
  struct Case
  {
    IColor in;
    float contrast;
    IColor out;
  };
  for (const Case& c : {Case{IColor(128, 250, 10, 100), 0.1f, IColor(128, 255, 35, 125)},
                        Case{IColor(128, 10, 250, 240), -0.25f, IColor(128, 0, 187, 177)},
                        Case{IColor(7, 0, 100, 255), 1.f, IColor(7, 255, 255, 255)},
                        Case{IColor(7, 255, 100, 0), -1.f, IColor(7, 0, 0, 0)}})
    EXPECT_EQ(c.in.WithContrast(c.contrast), c.out) << "contrast " << c.contrast;
}
