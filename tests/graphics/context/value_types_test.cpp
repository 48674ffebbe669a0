#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/GraphicsConstants.h"
#include "graphics/IRECT.h"

using namespace plug::igraphics;

TEST(ValueTypes, ColorSetFromAListFillsTheRestWithOpaqueBlack)
{
  const IVColorSet none({});
  for (const IColor& c : none.mColors)
    EXPECT_EQ(c, IColor(255, 0, 0, 0));
  const IVColorSet three({kColorRed, kColorGreen, kColorBlue});
  EXPECT_EQ(three[0], kColorRed);
  EXPECT_EQ(three[2], kColorBlue);
  for (int i = 3; i < kNumVColors; ++i)
    EXPECT_EQ(three[i], IColor(255, 0, 0, 0));
  EXPECT_EQ(kDefaultStyle.mColorSet[kFG], IColor(255, 200, 200, 200));
  EXPECT_EQ(kDefaultStyle.mColorSet[kBG], kColorTransparent);
}

TEST(ValueTypes, TextStyleKeepsAtMost63CharactersOfItsFontName)
{
  EXPECT_STREQ(kDefaultText.mFontName, "Roboto-Regular");
  EXPECT_EQ(kDefaultText.mSize, 14.f);
  const std::string longName(200, 'f');
  IText t;
  t.SetFont(longName.c_str());
  EXPECT_EQ(std::strlen(t.mFontName), 63u);
  t.SetFont(nullptr);
  EXPECT_STREQ(t.mFontName, "");
  EXPECT_EQ(kDefaultStyle.mLabelText.mSize, 19.f);
  EXPECT_EQ(kDefaultStyle.mValueText.mVAlign, kVAlignBottom);
}

TEST(ValueTypes, RectangleHelpers)
{
  const IRECT r(10.f, 20.f, 30.f, 60.f);
  EXPECT_EQ(r.GetCentredInside(0.f), IRECT(19.5f, 39.5f, 20.5f, 40.5f));
  EXPECT_EQ(r.GetScaledAboutCentre(0.5f), IRECT(15.f, 30.f, 25.f, 50.f));
  EXPECT_EQ(IRECT(2.f, 2.f, 4.f, 4.f).GetPadded(0.75f).GetPixelAligned(2.f), IRECT(1.f, 1.f, 5.f, 5.f));
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_EQ(IColor(255, 200, 40, 63).WithContrast(-0.25f), IColor(255, 137, 0, 0));
}
