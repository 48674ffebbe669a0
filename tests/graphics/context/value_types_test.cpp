#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <utility>
#include <string>

#include "graphics/types/GraphicsConstants.h"
#include "graphics/types/IPaintPattern.h"
#include "graphics/types/IRECT.h"
#include "text_golden.h"

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

// The named colours, blends, text styles, colour sets and vector style every control starts from.
TEST(ValueTypes, NamedValuesAndDefaultStylesMatchTheirReference)
{
  using graphicstest::Num;
  auto color = [](const IColor& c) {
    return std::to_string(c.mAlpha) + "," + std::to_string(c.mRed) + "," + std::to_string(c.mGreen) + "," +
           std::to_string(c.mBlue);
  };
  auto text = [&](const IText& t) {
    return std::string(t.mFontName) + " " + Num(t.mSize) + " " + color(t.mTextColor) + " " +
           color(t.mEntryBackColor) + " " + color(t.mEntryTextColor) + " angle " + Num(t.mAngle) + " align " +
           std::to_string(t.mHAlign) + std::to_string(t.mVAlign);
  };
  auto set = [&](const IColor* colors) {
    std::string out;
    for (int i = 0; i < kNumColorRoles; ++i)
      out += " " + color(colors[i]);
    return out;
  };
  std::string out;
  const std::pair<const char*, const IColor*> colors[] = {
    {"transparent", &kColorTransparent}, {"translucent", &kColorTranslucent}, {"black", &kColorBlack},
    {"drop shadow", &kColorBlackDropShadow}, {"gray", &kColorGray}, {"light gray", &kColorLightGray},
    {"mid gray", &kColorMidGray}, {"dark gray", &kColorDarkGray}, {"white", &kColorWhite}, {"red", &kColorRed},
    {"green", &kColorGreen}, {"blue", &kColorBlue}, {"yellow", &kColorYellow}, {"orange", &kColorOrange},
    {"indigo", &kColorIndigo}, {"violet", &kColorViolet}, {"shadow", &kColorShadow},
    {"text", &kDefaultTextColor}, {"entry back", &kDefaultEntryBackColor}, {"entry text", &kDefaultEntryTextColor},
    {"level 0", &kLevelColors[0]}, {"level 1", &kLevelColors[1]}, {"level 2", &kLevelColors[2]},
    {"level 3", &kLevelColors[3]}};
  for (const auto& [name, c] : colors)
    out += std::string(name) + " " + color(*c) + "\n";
  out += "level floor " + Num(kLevelFloor) + "\n";
  out += "text " + text(IText()) + "\nnamed text " + text(kDefaultText) + "\nsized text " + text(IText(12.f)) +
         "\nlabel " + text(kDefaultLabelText) + "\nvalue " + text(kDefaultValueText) + "\n";
  out += "colour list" + set(kDefaultColorList) + "\ncolour set" + set(IVColorSet().mColors) + "\n";
  for (const IVStyle& s : {IVStyle(), kDefaultStyle})
    out += "style " + std::to_string(s.mHideCursorOnDrag) + std::to_string(s.mShowLabel) +
           std::to_string(s.mShowValue) + std::to_string(s.mDrawFrame) + std::to_string(s.mDrawShadows) +
           std::to_string(s.mAltShading) + " " + Num(s.mRoundness) + " " + Num(s.mFrameThickness) + " " +
           Num(s.mShadowOffset) + " " + Num(s.mWidgetFrac) + " " + Num(s.mAngle) + set(s.mColorSet.mColors) +
           "\n  label " + text(s.mLabelText) + "\n  value " + text(s.mValueText) + "\n";
  EXPECT_EQ(graphicstest::CompareTextGolden("named_values", out), "");
}

TEST(ValueTypes, ASolidPatternIsOneStopOfItsColour)
{
  const IPaintPattern plain;
  EXPECT_EQ(plain.mType, kSolidPattern);
  EXPECT_EQ(plain.mNStops, 1);
  EXPECT_EQ(plain.LastColor(), IColor(255, 0, 0, 0));
  const IPaintPattern solid(IColor(128, 10, 20, 30));
  EXPECT_EQ(solid.mNStops, 1);
  EXPECT_EQ(solid.FirstColor(), IColor(128, 10, 20, 30));
  EXPECT_EQ(solid.LastColor(), IColor(128, 10, 20, 30));
}

// A named blend is what its name says: the default method at a weight in hundredths, or a method at full weight.
TEST(ValueTypes, NamedBlendsAreWhatTheirNamesSay)
{
  const IBlend plain;
  const std::pair<const IBlend*, IBlend> cases[] = {
    {&plain, IBlend(kBlendDefault, 1.f)},        {&kBlend75, IBlend(kBlendDefault, 0.75f)},
    {&kBlend50, IBlend(kBlendDefault, 0.5f)},    {&kBlend25, IBlend(kBlendDefault, 0.25f)},
    {&kBlend10, IBlend(kBlendDefault, 0.1f)},    {&kBlend05, IBlend(kBlendDefault, 0.05f)},
    {&kBlend01, IBlend(kBlendDefault, 0.01f)},   {&kBlendMethod4Full, IBlend(kBlendDestinationOver, 1.f)},
    {&kBlendMethod5Full, IBlend(kBlendDestinationIn, 1.f)}};
  for (size_t i = 0; i < std::size(cases); ++i)
  {
    EXPECT_EQ(cases[i].first->mMethod, cases[i].second.mMethod) << "case " << i;
    EXPECT_EQ(cases[i].first->mWeight, cases[i].second.mWeight) << "case " << i;
  }
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

// A rectangle meets one that touches its right or bottom edge, not one that touches its left or top edge; a
// shared corner counts as the edges do.
TEST(ValueTypes, RectanglesMeetAcrossTheirRightAndBottomEdgesOnly)
{
  const IRECT r(10.f, 10.f, 20.f, 20.f);
  struct Case
  {
    IRECT other;
    bool meets;
  };
  const Case cases[] = {
    {IRECT(20.f, 10.f, 30.f, 20.f), true},  // right edge
    {IRECT(10.f, 20.f, 20.f, 30.f), true},  // bottom edge
    {IRECT(20.f, 20.f, 30.f, 30.f), true},  // bottom-right corner
    {IRECT(0.f, 10.f, 10.f, 20.f), false},  // left edge
    {IRECT(10.f, 0.f, 20.f, 10.f), false},  // top edge
    {IRECT(0.f, 0.f, 10.f, 10.f), false},   // top-left corner
    {IRECT(20.f, 0.f, 30.f, 10.f), false},  // top-right corner
    {IRECT(0.f, 20.f, 10.f, 30.f), false},  // bottom-left corner
    {IRECT(19.f, 19.f, 21.f, 21.f), true},  // overlapping
    {IRECT(12.f, 12.f, 18.f, 18.f), true},  // inside
    {IRECT(20.5f, 10.f, 30.f, 20.f), false}, // just clear
  };
  for (const Case& c : cases)
    EXPECT_EQ(r.Intersects(c.other), c.meets)
      << c.other.mLeft << "," << c.other.mTop << "," << c.other.mRight << "," << c.other.mBottom;
}

// A list's rectangles are set and deleted by index; an index outside the list changes nothing.
TEST(ValueTypes, RectangleListSetsAndDeletesOnlyWithinItself)
{
  IRECTList list;
  auto lefts = [&] {
    std::string s;
    for (int i = 0; i < list.Size(); ++i)
      s += std::to_string(int(list.Get(i).mLeft)) + " ";
    return s;
  };
  for (int i = 0; i < 20; ++i) // past the first block of storage
    list.Add(IRECT(float(i), 0.f, 30.f, 1.f));
  for (int i = 20; i > 4; --i)
    list.Delete(list.Size() - 1);
  EXPECT_EQ(lefts(), "0 1 2 3 ");
  for (int outside : {-1, 4, 100})
  {
    list.Delete(outside);
    list.Set(outside, IRECT(9.f, 9.f, 9.f, 9.f));
  }
  EXPECT_EQ(lefts(), "0 1 2 3 ");
  list.Set(0, IRECT(5.f, 0.f, 30.f, 1.f));
  list.Set(3, IRECT(7.f, 0.f, 8.f, 1.f));
  list.Delete(1);
  EXPECT_EQ(lefts(), "5 2 7 ");
  list.Delete(0);
  list.Delete(1);
  EXPECT_EQ(lefts(), "2 ");
  EXPECT_EQ(list.Get(0), IRECT(2.f, 0.f, 30.f, 1.f));
  list.Clear();
  EXPECT_EQ(list.Size(), 0);
  list.Delete(0);
  EXPECT_EQ(list.Size(), 0);
}

TEST(ValueTypes, RectangleOperationsOverPairsAndScalesMatchTheirReference)
{
  using graphicstest::Num;
  auto rect = [](const IRECT& r) {
    return "[" + Num(r.mLeft) + " " + Num(r.mTop) + " " + Num(r.mRight) + " " + Num(r.mBottom) + "]";
  };
  const IRECT rects[] = {IRECT(),
                         IRECT(0.f, 0.f, 10.f, 10.f),
                         IRECT(10.f, 0.f, 20.f, 10.f),
                         IRECT(2.f, 3.f, 8.f, 7.f),
                         IRECT(5.f, 5.f, 15.f, 25.f),
                         IRECT(0.3f, 0.6f, 7.2f, 9.5f),
                         IRECT(-4.5f, -1.25f, 3.f, 2.f)};
  std::string out;
  for (const IRECT& a : rects)
  {
    out += rect(a) + " w " + Num(a.W()) + " h " + Num(a.H()) + " centre " + Num(a.CentreX()) + "," +
           Num(a.CentreY()) + " area " + Num(a.Area()) + " empty " + std::to_string(a.Empty()) + "\n  points";
    for (float x : {0.f, 2.f, 10.f})
      for (float y : {0.f, 3.f, 10.f})
        out += " " + std::to_string(a.Contains(x, y));
    out += "\n  aligned";
    for (float s : {0.5f, 1.f, 1.5f, 2.f, 3.f})
      out += " " + rect(a.GetPixelAligned(s));
    out += "\n  shaped " + rect(a.GetScaledAboutCentre(0.5f)) + " " + rect(a.GetScaledAboutCentre(1.5f)) + " " +
           rect(a.GetCentredInside(0.5f)) + " " + rect(a.GetCentredInside(3.f, 4.f)) + " " +
           rect(a.GetCentredInside(3.f, -1.f)) + " " + rect(a.GetInset(2.f)) + " " + rect(a.GetOffset(1.f, -2.f)) +
           "\n";
    for (const IRECT& b : rects)
    {
      IRECTList pieces;
      const IRECT rest = pieces.SplitRect(a, b);
      out += "  with " + rect(b) + " contains " + std::to_string(a.Contains(b)) + " meets " +
             std::to_string(a.Intersects(b)) + " common " + rect(a.Intersect(b)) + " union " + rect(a.Union(b)) +
             " merge " + std::to_string(IRECTList::CanMerge(a, b)) + " shrunk " + rect(IRECTList::ShrinkRect(a, b)) +
             " split " + rect(rest) + (pieces.Size() ? " + " + rect(pieces.Get(0)) : "") + "\n";
    }
  }
  // Lists tidied: every rectangle with the ones after it.
  for (size_t first = 0; first < std::size(rects); ++first)
  {
    IRECTList list;
    for (size_t i = first; i < std::size(rects); ++i)
      list.Add(rects[i]);
    list.Coalesce();
    out += "tidied from " + std::to_string(first) + ":";
    for (int i = 0; i < list.Size(); ++i)
      out += " " + rect(list.Get(i));
    out += "\n";
  }
  for (float c : {-1.f, -0.2f, 0.f, 0.3f, 1.f})
  {
    const IColor col = IColor(128, 10, 128, 250).WithContrast(c);
    out += "contrast " + Num(c) + " " + std::to_string(col.mAlpha) + "," + std::to_string(col.mRed) + "," +
           std::to_string(col.mGreen) + "," + std::to_string(col.mBlue) + "\n";
  }
  const std::string failure = graphicstest::CompareTextGolden("rectangles", out);
  EXPECT_TRUE(failure.empty()) << failure;
}
