// The editor's corner resizer in each of its modes: what a press sets the editor to resize, which action a
// finished rescale sends, and what a double click resets.
#include <gtest/gtest.h>

#include <vector>

#include "fake_platform.h"
#include "test_delegate.h"
#include "ui/CornerResizer.h"

using namespace graphicstest;

namespace {

constexpr int kSizeResize = 30, kSizeReset = 31, kScaleResize = 32, kScaleReset = 33;

/// Records the action ids the resizer sends.
class ActionLog : public TestDelegate
{
public:
  void OnParamChange(int idx, plug::EParamChangeSource source, int sampleOffset) override
  {
    if (source == plug::kUI && sampleOffset == -1) mActions.push_back(idx);
  }
  std::vector<int> mActions;
};

TEST(EditorCornerResizer, EachModePressesRescalesAndResetsWhatItOwns)
{
  struct Case
  {
    const char* what;
    int ids[4]; // size resize, size reset, scale resize, scale reset
    bool ctrl;
    EResizerMode pressed;
    std::vector<int> actions; // after the rescale, then after the double click
  } cases[] = {
    {"both", {kSizeResize, kSizeReset, kScaleResize, kScaleReset}, false, kResizerSize, {kSizeResize, kSizeReset}},
    {"both, Ctrl", {kSizeResize, kSizeReset, kScaleResize, kScaleReset}, true, kResizerScale,
     {kScaleResize, kScaleReset}},
    {"scale only", {-1, -1, kScaleResize, kScaleReset}, false, kResizerScale, {kScaleResize, kScaleReset}},
    {"size only, Ctrl", {kSizeResize, kSizeReset, -1, -1}, true, kResizerSize, {kSizeResize, kSizeReset}},
    {"none: a half-given pair", {-1, kSizeReset, kScaleResize, -1}, false, kResizerScale, {}},
    {"size only, ids from 0", {0, 1, -1, -1}, false, kResizerSize, {0, 1}},
    {"size only, a reset of id 0", {kSizeResize, 0, -1, -1}, false, kResizerSize, {kSizeResize, 0}},
    {"scale only, ids from 0", {-1, -1, 0, 1}, false, kResizerScale, {0, 1}},
    {"scale only, a reset of id 0", {-1, -1, kScaleResize, 0}, false, kResizerScale, {kScaleResize, 0}},
    {"none: a size reset of id 0 beside a scale pair", {-1, 0, kScaleResize, kScaleReset}, false, kResizerSize, {}},
    {"none: a scale resize of id 0 beside a size pair", {kSizeResize, kSizeReset, 0, -1}, false, kResizerScale, {}},
    {"none: a size resize of id 0 beside a scale pair", {0, -1, kScaleResize, kScaleReset}, false, kResizerSize, {}},
  };
  for (const Case& c : cases)
  {
    ActionLog log;
    FakePlatformGraphics g{log, 468, 450};
    RecordedBitmap raw{20, 40, 1, 1.f, "resizer"};
    auto* resizer = new IBCornerResizerControlVQ(IBitmap(&raw, 2, false, "resizer"), c.ids[0], c.ids[1], c.ids[2],
                                                 c.ids[3], g.GetBounds(), 0.f);
    // Attached in the other mode, so that the press shows (a resizer of no mode leaves the mode as it was).
    const EResizerMode other = c.pressed == kResizerScale ? kResizerSize : kResizerScale;
    g.AttachCornerResizer(resizer, c.actions.empty() ? c.pressed : other);
    log.mActions.clear(); // what attaching sent
    const IMouseMod mod(true, false, false, c.ctrl);
    resizer->OnMouseDown(460, 440, mod);
    EXPECT_EQ(g.GetResizerMode(), c.pressed) << c.what;
    resizer->OnRescale();
    resizer->OnMouseDblClick(460, 440, mod);
    EXPECT_EQ(g.GetResizerMode(), c.pressed) << c.what;
    EXPECT_EQ(log.mActions, c.actions) << c.what;
  }
}

// Its picture sits in the editor's bottom right corner, moved right by the offset it was given: the first frame at
// rest, the second while the pointer is over it.
TEST(EditorCornerResizer, DrawsItsFrameInTheCornerMovedByItsOffset)
{
  for (float offset : {0.f, 3.f, -5.f})
  {
    ActionLog log;
    FakePlatformGraphics g{log, 468, 450};
    RecordedBitmap raw{20, 40, 1, 1.f, "resizer"};
    auto* resizer = new IBCornerResizerControlVQ(IBitmap(&raw, 2, false, "resizer"), -1, -1, kScaleResize,
                                                 kScaleReset, g.GetBounds(), offset);
    g.AttachCornerResizer(resizer, kResizerScale);
    EXPECT_EQ(resizer->GetRECT(), IRECT(448, 430, 468, 450)) << offset;
    std::vector<float> sourceRows;
    for (bool over : {false, true})
    {
      if (over) resizer->OnMouseOver(460, 440, IMouseMod());
      g.mOps.clear();
      resizer->Draw(g);
      ASSERT_EQ(g.mOps.size(), 1u) << offset;
      EXPECT_EQ(g.mOps[0].mName, "DrawBitmap");
      EXPECT_EQ(g.mOps[0].mRect, IRECT(448 + offset, 430, 468 + offset, 450)) << offset;
      sourceRows.push_back(g.mOps[0].mArgs.at(1));
    }
    EXPECT_EQ(sourceRows, (std::vector<float>{0.f, 20.f})) << offset;
  }
}

} // namespace
