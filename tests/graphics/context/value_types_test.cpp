#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <utility>
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

TEST(ValueTypes, RectangleHelpersGiveTheRectangleTheyName)
{
  const IRECT r(10.f, 20.f, 50.f, 40.f); // 40 x 20, centred on (30, 30)
  const std::pair<IRECT, IRECT> cases[] = {
    {r.GetCentredInside(8.f), IRECT(26.f, 26.f, 34.f, 34.f)},     // no height: as tall as wide
    {r.GetCentredInside(8.f, 4.f), IRECT(26.f, 28.f, 34.f, 32.f)},
    {r.GetCentredInside(0.f), IRECT(29.5f, 29.5f, 30.5f, 30.5f)}, // at least 1 wide
    {r.GetScaledAboutCentre(0.5f), IRECT(20.f, 25.f, 40.f, 35.f)},
    {r.GetPadded(2.f), IRECT(8.f, 18.f, 52.f, 42.f)},
    {r.Union(IRECT(0.f, 30.f, 20.f, 60.f)), IRECT(0.f, 20.f, 50.f, 60.f)},
    {r.Union(IRECT()), r},
    {r.Intersect(IRECT(0.f, 30.f, 20.f, 60.f)), IRECT(10.f, 30.f, 20.f, 40.f)},
    {r.Intersect(IRECT(50.f, 20.f, 60.f, 40.f)), IRECT()}, // touching only
    {IRECT(0.3f, 0.3f, 1.2f, 1.7f).GetPixelAligned(2.f), IRECT(0.f, 0.f, 1.5f, 2.f)},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}
