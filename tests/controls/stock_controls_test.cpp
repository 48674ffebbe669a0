// The stock controls through the recording back end: the bitmap switch and knob frame rules, bitmaps without
// frames, zero-size geometry that must never send an infinite or NaN value, degenerate plots, the colour
// swatch's indices, and the vector switches' and sliders' own rules.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "graphics/overlay/IBackgroundControls.h"
#include "controls/IBitmapControls.h"
#include "graphics/overlay/IFPSDisplayControl.h"
#include "controls/ISVGControls.h"
#include "controls/IVButtonControls.h"
#include "controls/IVDisplayControls.h"
#include "controls/IVKnobSliderControls.h"
#include "controls_fixture.h"

namespace controlstest {
namespace {

class StockControlsTest : public ControlsTest
{
protected:
  /// A strip of n frames of 10 x 10 side by side (n = 0 gives a strip of 10 x 10 with no frames).
  IBitmap Strip(int n)
  {
    images.push_back(std::make_unique<graphicstest::RecordedBitmap>(10 * std::max(1, n), 10, 1, 1.f, "strip"));
    return IBitmap(images.back().get(), n, true, "strip.png");
  }
  template <typename C> C* Attach(C* c)
  {
    g.AttachControl(c);
    return c;
  }
  void Click(IControl& c, float x, float y)
  {
    c.OnMouseDown(x, y, left);
    c.OnMouseUp(x, y, left);
  }
  std::vector<std::unique_ptr<graphicstest::RecordedBitmap>> images;
};

TEST_F(StockControlsTest, BitmapSwitchStepsByItsFramesAndWraps)
{
  struct Case
  {
    int frames;
    std::vector<double> values;
    std::vector<int> shown;
  };
  for (const Case& c : {Case{2, {1, 0, 1}, {2, 1, 2}}, Case{3, {0.5, 1, 0, 0.5}, {2, 3, 1, 2}},
                        Case{4, {1 / 3.0, 2 / 3.0, 1, 0}, {2, 3, 4, 1}}, Case{1, {1, 0, 1}, {1, 1, 1}}})
  {
    auto* sw = Attach(new IBSwitchControl(5.f, 5.f, Strip(c.frames), 0));
    EXPECT_EQ(sw->GetRECT(), IRECT(5, 5, 15, 15));
    for (size_t i = 0; i < c.values.size(); ++i)
    {
      Click(*sw, 10, 10);
      EXPECT_NEAR(sw->GetValue(0), c.values[i], 1e-12) << c.frames << " frames, click " << i;
      EXPECT_EQ(sw->CurrentFrame(), c.shown[i]) << c.frames << " frames, click " << i;
    }
  }
  // Steps of a tenth or finer: a press on the last frame wraps to the first all the same.
  for (int frames : {11, 101})
  {
    auto* sw = Attach(new IBSwitchControl(5.f, 5.f, Strip(frames), 0));
    sw->SetValueFromDelegate(1.0, 0);
    Click(*sw, 10, 10);
    EXPECT_EQ(sw->CurrentFrame(), 1) << frames << " frames";
  }
}

TEST_F(StockControlsTest, BitmapKnobKeepsOneFrameCentredAndFollowsDrags)
{
  auto* knob = Attach(new IBKnobControl(IRECT(0, 0, 100, 100), Strip(5), 0, kVertical, 1.0));
  EXPECT_EQ(knob->GetRECT(), IRECT(45, 45, 55, 55));
  knob->OnMouseDown(50, 50, left);
  knob->OnMouseDrag(50, 45, 0, -5, left);
  knob->OnMouseUp(50, 45, left);
  EXPECT_NEAR(knob->GetValue(0), 0.5, 1e-9) << "a drag of half the knob's height moves half the range";
  EXPECT_EQ(knob->CurrentFrame(), 3);
}

// Knobs made with their defaults are geared down: a drag turns them a quarter as far as a knob geared one to one.
TEST_F(StockControlsTest, KnobsMadeWithDefaultsTurnAQuarterAsFarAsOneGearedOneToOneOverTheirDefaultTrack)
{
  const IRECT box(0, 0, 100, 100);
  std::pair<IControl*, IControl*> pairs[] = {
    {Attach(new IBKnobControl(box, Strip(5), 0)), Attach(new IBKnobControl(box, Strip(5), 1, kVertical, 1.0))},
    {Attach(new IVKnobControl(box, 2)),
     Attach(new IVKnobControl(box, 3, "", IVStyle(), false, false, -135.f, 135.f, -135.f, kVertical, 1.0))},
    {Attach(new IVKnobControl(box, [](IControl*) {})),
     Attach(new IVKnobControl(box, [](IControl*) {}, "", IVStyle(), false, false, -135.f, 135.f, -135.f, kVertical,
                              1.0))},
  };
  for (size_t at = 0; at < std::size(pairs); ++at)
  {
    double turned[2];
    for (int geared = 0; geared < 2; ++geared)
    {
      IControl* knob = geared ? pairs[at].second : pairs[at].first;
      const IRECT r = knob->GetRECT();
      knob->OnMouseDown(r.CentreX(), r.CentreY(), left);
      knob->OnMouseDrag(r.CentreX(), r.CentreY() - 4.f, 0, -4.f, left);
      knob->OnMouseUp(r.CentreX(), r.CentreY() - 4.f, left);
      turned[geared] = knob->GetValue(0);
    }
    EXPECT_GT(turned[1], 0.04) << "knob " << at;
    EXPECT_NEAR(turned[0], turned[1] / 4.0, 0.001) << "knob " << at;
  }
  // A vector knob's default track runs from -135 to +135 degrees, two points thick, filled from its start.
  for (IControl* knob : {pairs[1].first, pairs[2].first})
    for (auto [value, angle] : {std::pair{0.0, -135.f}, {0.5, 0.f}, {1.0, 135.f}})
    {
      knob->SetValue(value, 0);
      g.mOps.clear();
      static_cast<IVKnobControl*>(knob)->DrawWidget(g);
      EXPECT_EQ(g.Args("DrawArc"), (std::vector<std::vector<float>>{{-135.f, angle, 2.f}})) << value;
    }
}

// A bitmap control placed at a corner takes one frame's size there. A bitmap slider without a track image runs
// its handle down the middle of its bounds, from the bottom (or left) at 0 to the top (or right) at 1.
TEST_F(StockControlsTest, BitmapControlsAtACornerTakeOneFrameAndSlidersRunEitherWay)
{
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(36, 8, 1, 1.f, "wide"));
  const IBitmap frames(images.back().get(), 3, true, "wide.png"); // frames of 12 x 8
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(12, 8, 1, 1.f, "handle"));
  const IBitmap handle(images.back().get(), 1, true, "handle.png");
  const IBitmap none = Strip(0);
  const IRECT corner(5, 7, 17, 15);
  EXPECT_EQ(Attach(new IBSwitchControl(5.f, 7.f, frames))->GetRECT(), corner);
  EXPECT_EQ(Attach(new IBButtonControl(5.f, 7.f, frames))->GetRECT(), corner);

  struct Case
  {
    IBSliderControl* slider;
    IRECT bounds, atZero, atOne;
  } cases[] = {
    {Attach(new IBSliderControl(5.f, 7.f, 100.f, handle, none)), IRECT(5, 7, 17, 107), IRECT(5, 99, 17, 107), corner},
    {Attach(new IBSliderControl(5.f, 7.f, 100.f, handle, none, -1, kHorizontal)), IRECT(5, 7, 105, 15), corner,
     IRECT(93, 7, 105, 15)},
    {Attach(new IBSliderControl(IRECT(0, 0, 40, 100), handle, none)), IRECT(0, 0, 40, 100), IRECT(14, 92, 26, 100),
     IRECT(14, 0, 26, 8)},
    {Attach(new IBSliderControl(IRECT(0, 0, 100, 40), handle, none, -1, kHorizontal)), IRECT(0, 0, 100, 40),
     IRECT(0, 16, 12, 24), IRECT(88, 16, 100, 24)},
  };
  for (size_t at = 0; at < std::size(cases); ++at)
  {
    const Case& c = cases[at];
    EXPECT_EQ(c.slider->GetRECT(), c.bounds) << "slider " << at;
    c.slider->SetValue(0.0, 0);
    EXPECT_EQ(c.slider->GetHandleBounds(), c.atZero) << "slider " << at;
    c.slider->SetValue(1.0, 0);
    EXPECT_EQ(c.slider->GetHandleBounds(), c.atOne) << "slider " << at;
    EXPECT_EQ(c.slider->GetHandleBounds(0.0), c.atZero) << "slider " << at << " asked for 0 at 1";
  }
}

TEST_F(StockControlsTest, BitmapsWithoutFramesDrawNothingAndDivideByNothing)
{
  for (const IBitmap& empty : {g.LoadBitmap("missing.png", 3), Strip(0)})
  {
    std::vector<IControl*> controls = {
      Attach(new IBSwitchControl(10.f, 10.f, empty, 0)),
      Attach(new IBKnobControl(IRECT(10, 10, 50, 50), empty, 1)),
      Attach(new IBButtonControl(10.f, 10.f, empty)),
      Attach(new IBSliderControl(10.f, 10.f, 100.f, empty, empty, 2)),
      Attach(new IBKnobRotaterControl(IRECT(10, 10, 50, 50), empty, 3)),
      Attach(new IBTextControl(IRECT(10, 10, 50, 50), empty, IText(), "abc"))};
    g.mOps.clear();
    for (IControl* c : controls)
    {
      const IRECT r = c->GetRECT();
      EXPECT_TRUE(std::isfinite(r.W()) && std::isfinite(r.H()));
      c->OnMouseDown(r.CentreX(), r.CentreY(), left);
      c->OnMouseDrag(r.CentreX(), r.CentreY() - 5, 0, -5, left);
      c->OnMouseUp(r.CentreX(), r.CentreY() - 5, left);
      c->Draw(g);
      EXPECT_TRUE(std::isfinite(c->GetValue(0)));
    }
    EXPECT_TRUE(g.mOps.empty()) << g.mOps.size() << " drawing calls for bitmaps without frames";
  }
  for (const auto& [idx, v] : delegate.mValuesFromUI)
    EXPECT_TRUE(std::isfinite(v)) << "parameter " << idx;
}

TEST_F(StockControlsTest, ZeroSizeGeometryNeverSendsAnInfiniteOrNaNValue)
{
  std::vector<IControl*> controls = {
    Attach(new IVTabSwitchControl(IRECT(0, 0, 120, 40), [](IControl*) {}, {"only"})),
    Attach(new IVTabSwitchControl(IRECT(0, 0, 120, 40), [](IControl*) {}, {})),
    Attach(new IVRadioButtonControl(IRECT(0, 0, 120, 40), [](IControl*) {}, {"only"})),
    Attach(new IVXYPadControl(IRECT(50, 50, 50, 50), {0, 1})),
    Attach(new IVSliderControl(IRECT(30, 30, 30, 30), 2)),
    Attach(new IVSliderControl(IRECT(30, 30, 30, 30), 2, "", IVStyle(), false, kHorizontal)),
    Attach(new IVRangeSliderControl(IRECT(20, 20, 20, 20), {2, 3})),
    Attach(new ISVGSliderControl(IRECT(0, 0, 30, 100), ISVG(), ISVG(), 3)),
    Attach(new IVKnobControl(IRECT(40, 40, 40, 40), 1))};
  for (IControl* c : controls)
  {
    const IRECT r = c->GetRECT();
    for (float x : {r.mLeft, r.CentreX(), r.mRight})
    {
      c->OnMouseOver(x, r.CentreY(), IMouseMod());
      c->OnMouseDown(x, r.CentreY(), left);
      c->OnMouseDrag(x + 3, r.CentreY() - 3, 3, -3, left);
      c->OnMouseUp(x + 3, r.CentreY() - 3, left);
      c->OnMouseWheel(x, r.CentreY(), IMouseMod(), 1.f);
    }
    c->Draw(g);
    for (int v = 0; v < c->NValues(); ++v)
      EXPECT_TRUE(std::isfinite(c->GetValue(v))) << "control " << (&c - controls.data()) << " value " << v;
  }
  for (const auto& [idx, v] : delegate.mValuesFromUI)
    EXPECT_TRUE(std::isfinite(v)) << "parameter " << idx;
}

TEST_F(StockControlsTest, PlotWithoutRangeOrWithoutTwoPointsDrawsOnlyItsGrid)
{
  auto line = IVPlotControl::Plot{IColor(255, 1, 2, 3), [](double x) { return x; }};
  struct Case
  {
    int points;
    float min, max;
    int curves;
  };
  for (const Case& c : {Case{10, 0.f, 1.f, 1}, Case{10, 0.5f, 0.5f, 0}, Case{1, 0.f, 1.f, 0}, Case{0, 0.f, 1.f, 0}})
  {
    auto* plot = Attach(new IVPlotControl(IRECT(0, 0, 100, 100), {line}, c.points, "", IVStyle(), c.min, c.max));
    g.mOps.clear();
    plot->Draw(g);
    int curves = 0;
    for (const auto& op : g.mOps)
      if (op.mName == "DrawData")
      {
        ++curves;
        EXPECT_FLOAT_EQ(op.mArgs.back(), 1.f);
      }
    EXPECT_EQ(curves, c.curves) << c.points << " points, " << c.min << ".." << c.max;
  }
}

// A plot drawn through a layer draws its curves into the layer once and then only the kept layer.
TEST_F(StockControlsTest, PlotOnALayerDrawsItsCurvesOnce)
{
  auto line = IVPlotControl::Plot{IColor(255, 1, 2, 3), [](double x) { return x; }};
  auto* plot = Attach(new IVPlotControl(IRECT(0, 0, 100, 100), {line}, 10, "", IVStyle(), 0.f, 1.f, true));
  for (int curves : {1, 0})
  {
    g.mOps.clear();
    plot->Draw(g);
    EXPECT_EQ(g.Count("DrawData"), curves);
  }
}

TEST_F(StockControlsTest, ColourSwatchKeepsOnlyIndicesOfTheNineColours)
{
  auto* swatch = Attach(new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", nullptr, IVStyle(),
                                                 IVColorSwatchControl::kGrid, {0, 12, -1, 3, 9}, {"a", "b", "c", "d"}));
  EXPECT_EQ(swatch->NCells(), 2);
  EXPECT_FALSE(swatch->GetMouseIsOver()) << "laid out with the pointer elsewhere";
  g.mOps.clear();
  swatch->Draw(g);
  EXPECT_EQ(g.Count("FillRect"), 2);
  // Each kept cell keeps the label given at its colour's place: "a" for 0 and "d" for 3.
  std::vector<std::string> labels;
  for (const auto& op : g.mOps)
    if (op.mName == "DrawText")
      labels.push_back(op.mText);
  EXPECT_EQ(labels, (std::vector<std::string>{"a", "d"}));
}

// The pointer passing over a cell and away again chooses nothing.
TEST_F(StockControlsTest, ColourSwatchChoosesNothingWhileThePointerOnlyPasses)
{
  int actions = 0, chosen = 0;
  auto* swatch = Attach(new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", [&](int, const IColor&) { ++chosen; }));
  swatch->SetActionFunction([&](IControl*) { ++actions; });
  const IRECT cell = swatch->GetCell(0);
  swatch->OnMouseOver(cell.CentreX(), cell.CentreY(), left);
  swatch->OnMouseOut();
  EXPECT_EQ(actions, 0);
  EXPECT_EQ(chosen, 0);
}

TEST_F(StockControlsTest, TabSwitchPressOutsideEveryButtonKeepsItsValueButReportsIt)
{
  int actions = 0;
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 60), [&](IControl*) { ++actions; }, {"a", "b", "c"}));
  const IRECT third = tabs->GetButton(2);
  tabs->OnMouseDown(third.CentreX(), third.CentreY(), left);
  EXPECT_DOUBLE_EQ(tabs->GetValue(0), 1.0);
  tabs->OnMouseDown(-5, -5, left);
  EXPECT_DOUBLE_EQ(tabs->GetValue(0), 1.0);
  EXPECT_EQ(actions, 2);
  EXPECT_EQ(tabs->FindButtonAt(-5, -5), -1);
  EXPECT_FALSE(tabs->HitTest(-5, -5));
  for (int i = 0; i < 3; ++i)
  {
    const IRECT r = tabs->GetButton(i);
    EXPECT_EQ(tabs->FindButtonAt(r.CentreX(), r.CentreY()), i);
    EXPECT_EQ(r.mTop, tabs->GetButton(0).mTop) << "side by side";
    EXPECT_TRUE(tabs->HitTest(r.CentreX(), r.CentreY())) << i;
  }
  for (auto [button, value] : {std::pair{0, 0.0}, {1, 0.5}})
  {
    const IRECT r = tabs->GetButton(button);
    tabs->OnMouseDown(r.CentreX(), r.CentreY(), left);
    EXPECT_DOUBLE_EQ(tabs->GetValue(0), value) << button;
  }
}

TEST_F(StockControlsTest, ToggleShowsTheTextOfItsState)
{
  auto* toggle = Attach(new IVToggleControl(IRECT(0, 0, 90, 30), nullptr, "", IVStyle(), "off", "on", false));
  auto shown = [&] {
    g.mOps.clear();
    toggle->Draw(g);
    std::vector<std::string> texts;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawText" && !op.mText.empty())
        texts.push_back(op.mText);
    return texts;
  };
  EXPECT_EQ(shown(), std::vector<std::string>{"off"});
  Click(*toggle, 45, 15);
  EXPECT_EQ(shown(), std::vector<std::string>{"on"});

  // Between its two ends, as a host may set it, its button is drawn up until past half, as its text reads "off".
  auto shapes = [&](double value) {
    toggle->SetValue(value, 0);
    g.mOps.clear();
    toggle->Draw(g);
    std::vector<std::string> drawn;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName != "DrawText")
        drawn.push_back(op.mName + " " + std::to_string(op.mColor.mRed) + " " + std::to_string(op.mRect.mTop));
    return drawn;
  };
  const std::vector<std::string> up = shapes(0.0), down = shapes(1.0);
  EXPECT_NE(up, down);
  EXPECT_EQ(shapes(0.4), up);
  EXPECT_EQ(shapes(0.6), down);
  toggle->SetValue(0.5, 0);
  EXPECT_EQ(shown(), std::vector<std::string>{"off"}) << "half way is not yet on";

  // Made for a parameter or for an action, a toggle writes its text in the same place on its button.
  auto* forParam = Attach(new IVToggleControl(IRECT(0, 0, 90, 30), -1, "", IVStyle(), "off", "on"));
  auto textAt = [&](IControl& c) {
    g.mOps.clear();
    c.Draw(g);
    std::vector<IRECT> rects;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawText" && !op.mText.empty())
        rects.push_back(op.mRect);
    return rects;
  };
  toggle->SetValue(0.0, 0);
  ASSERT_EQ(textAt(*forParam).size(), 1u);
  EXPECT_EQ(textAt(*toggle), textAt(*forParam));

  // Made with its defaults, for a parameter or for an action, a toggle starts off and reads OFF, then ON.
  for (IVToggleControl* plain : {Attach(new IVToggleControl(IRECT(100, 0, 190, 30))),
                                 Attach(new IVToggleControl(IRECT(100, 0, 190, 30), nullptr))})
  {
    toggle = plain;
    EXPECT_EQ(shown(), std::vector<std::string>{"OFF"});
    Click(*plain, 145, 15);
    EXPECT_EQ(shown(), std::vector<std::string>{"ON"});
  }
  toggle = Attach(new IVToggleControl(IRECT(100, 0, 190, 30), nullptr, "", IVStyle(), "off", "on", true));
  EXPECT_EQ(shown(), std::vector<std::string>{"on"}) << "made on";
}

TEST_F(StockControlsTest, SwitchTakesItsParametersNameUnlessGivenALabelAndLetsGoOnRelease)
{
  auto* named = Attach(new IVSwitchControl(IRECT(0, 0, 60, 60), ControlsDelegate::kEnumParam));
  auto* labelled = Attach(new IVSwitchControl(IRECT(100, 0, 160, 60), ControlsDelegate::kEnumParam, "mode"));
  EXPECT_STREQ(named->GetLabelStr(), "enum");
  EXPECT_STREQ(labelled->GetLabelStr(), "mode");
  auto* plain = Attach(new IVSwitchControl(IRECT(200, 0, 260, 60), nullptr, "", IVStyle(), 2)); // no splash
  auto shapes = [&] {
    g.mOps.clear();
    plain->Draw(g);
    std::vector<std::string> drawn;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName != "DrawText")
        drawn.push_back(op.mName + " " + std::to_string(op.mColor.mRed));
    return drawn;
  };
  const std::vector<std::string> up = shapes();
  plain->OnMouseDown(230, 30, left);
  EXPECT_NE(shapes(), up) << "drawn pressed";
  plain->OnMouseUp(230, 30, left);
  EXPECT_EQ(shapes(), up) << "drawn released";

  // Made for an action with its defaults, a switch has two states and writes its value in its button; a label
  // goes above the button, as on a switch for a parameter.
  auto* two = Attach(new IVSwitchControl(IRECT(300, 0, 360, 60), nullptr));
  EXPECT_EQ(two->GetValueBounds(), two->GetWidgetBounds());
  for (IVSwitchControl* tagged : {Attach(new IVSwitchControl(IRECT(0, 100, 60, 160), nullptr, "tag")), labelled})
  {
    const IRECT label = tagged->GetLabelBounds(), widget = tagged->GetWidgetBounds();
    EXPECT_EQ(label.mTop, tagged->GetRECT().mTop);
    EXPECT_GT(label.H(), 0.f);
    EXPECT_LE(label.mBottom, widget.mTop);
  }
  for (double after : {1.0, 0.0})
  {
    Click(*two, 330, 30);
    EXPECT_EQ(two->GetValue(0), after);
  }
}

// Rounded ends round the first button's and the last button's outer corners, however many buttons there are: the
// top left and top right corners in a row, the top right and bottom right ones in a column. All rounded, every
// button, radio buttons too, has both of those corners rounded.
TEST_F(StockControlsTest, TabSwitchRoundsTheOuterCornersOfItsEndButtonsOrOfEveryButton)
{
  IVStyle style;
  style.mRoundness = 1.f;
  for (EWidgetShape shape : {kWidgetEndsRounded, kWidgetAllRounded})
  for (EDirection direction : {kHorizontal, kVertical})
    for (std::initializer_list<const char*> labels :
         {std::initializer_list<const char*>{"a", "b"}, {"a", "b", "c"}, {"a", "b", "c", "d", "e"}})
    {
      const size_t n = labels.size();
      // Radio buttons with rounded ends stand apart: none of them has a rounded corner.
      for (bool radio : {false, true})
      {
        IVTabSwitchControl* tabs = radio ? new IVRadioButtonControl(IRECT(0, 0, 150, 150), -1, labels, "", style,
                                                                    shape, direction)
                                         : new IVTabSwitchControl(IRECT(0, 0, 150, 150), nullptr, labels, "", style,
                                                                  shape, direction);
        Attach(tabs);
        g.mOps.clear();
        tabs->Draw(g);
        // Corners top left, top right, bottom left, bottom right of each button's face.
        std::vector<std::vector<bool>> rounded(n, std::vector<bool>(4, false)), expected = rounded;
        for (const graphicstest::DrawOp& op : g.mOps)
          for (size_t i = 0; i < n; ++i)
            if (op.mName == "FillRoundRect" && tabs->GetButton(int(i)).Contains(op.mRect.CentreX(), op.mRect.CentreY()))
              for (size_t c = 0; c < 4; ++c) rounded[i][c] = op.mArgs[c] > 0.f;
        const bool row = direction == kHorizontal;
        const bool all = shape == kWidgetAllRounded;
        for (size_t i = 0; i < n; ++i)
        {
          expected[i][row ? 0 : 1] = all || (i == 0 && !radio);
          expected[i][row ? 1 : 3] = all || (i + 1 == n && !radio);
        }
        EXPECT_EQ(rounded, expected) << n << " buttons, direction " << direction << ", shape " << shape
                                     << (radio ? ", radio" : "");
      }
    }
}

TEST_F(StockControlsTest, TabSwitchDrawsEachOfItsButtonsAndNothingBeyondThem)
{
  // Radio buttons too: a row of round buttons, each with its label.
  const IRECT bounds(100, 100, 220, 160);
  for (EDirection direction : {kHorizontal, kVertical})
  {
    auto make = [&](bool radio, std::initializer_list<const char*> options) -> IVTabSwitchControl* {
      if (radio)
        return new IVRadioButtonControl(bounds, -1, options, "", IVStyle(), kWidgetEllipse, direction);
      return new IVTabSwitchControl(bounds, nullptr, options, "", IVStyle(), kVShapeRectangle, direction);
    };
    for (auto* tabs : {make(false, {"a"}), make(false, {"a", "b"}), make(false, {"a", "b", "c"}),
                       make(false, {"a", "b", "c", "d", "e"}), make(true, {"a"}), make(true, {"a", "b", "c"})})
    {
      Attach(tabs);
      const int n = tabs->NButtons();
      tabs->SetValue(1.0, 0); // the last button chosen, the first one free to show a hover
      g.mOps.clear();
      tabs->DrawWidget(g);
      std::vector<int> drawn(size_t(n), 0);
      for (const graphicstest::DrawOp& op : g.mOps)
      {
        int in = -1;
        for (int i = 0; i < n && in < 0; ++i)
          if (tabs->GetButton(i).Contains(op.mRect.CentreX(), op.mRect.CentreY()))
            in = i;
        ASSERT_GE(in, 0) << op.mName << " outside every button, " << n << " buttons, direction " << direction;
        ++drawn[size_t(in)];
      }
      for (int i = 0; i < n; ++i)
        EXPECT_GT(drawn[size_t(i)], 1) << "button " << i << " of " << n << " has a face and a label";
      const IColor hover = IVStyle().mColorSet[kRoleHighlight];
      EXPECT_TRUE(std::none_of(g.mOps.begin(), g.mOps.end(), [&](auto& op) { return op.mColor == hover; }))
        << "no button is lit before the pointer comes over one";
      // A state disabled on its own dims its button alone.
      auto colours = [&](int i) {
        g.mOps.clear();
        tabs->DrawWidget(g);
        std::vector<IColor> in;
        for (const graphicstest::DrawOp& op : g.mOps)
          if (tabs->GetButton(i).Contains(op.mRect.CentreX(), op.mRect.CentreY()))
            in.push_back(op.mColor);
        return in;
      };
      const std::vector<IColor> first = colours(0), last = colours(n - 1);
      tabs->SetStateDisabled(0, true);
      EXPECT_NE(colours(0), first) << n << " buttons, direction " << direction;
      if (n > 1)
      {
        EXPECT_EQ(colours(n - 1), last) << n << " buttons, direction " << direction;
      }
    }
  }
}

TEST_F(StockControlsTest, TabSwitchOnAnEnumerationNamesItsTabsAfterTheStatesUnlessGivenNames)
{
  auto* named = Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 60), ControlsDelegate::kEnumParam));
  auto* given = Attach(new IVTabSwitchControl(IRECT(100, 0, 190, 60), ControlsDelegate::kEnumParam, {"x", "y", "z"}));
  for (auto [tabs, texts] : {std::pair{named, std::vector<std::string>{"a", "b", "c"}},
                             std::pair{given, std::vector<std::string>{"x", "y", "z"}}})
  {
    EXPECT_STREQ(tabs->GetLabelStr(), "enum");
    EXPECT_EQ(tabs->NButtons(), 3);
    EXPECT_EQ(tabs->GetButton(2).mTop, tabs->GetButton(0).mTop) << "side by side";
    EXPECT_GT(tabs->GetButton(2).mLeft, tabs->GetButton(0).mLeft);
    g.mOps.clear();
    tabs->DrawWidget(g);
    std::vector<std::string> drawn;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawText")
        drawn.push_back(op.mText);
    EXPECT_EQ(drawn, texts);
  }
}

// With one state there is nothing else to choose: that one is shown chosen whatever the value, and a slide
// switch's handle stays on its one cell.
TEST_F(StockControlsTest, SwitchesOfOneStateShowThatStateChosen)
{
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 30), nullptr, {"only"}));
  auto* slide = Attach(new IVSlideSwitchControl(IRECT(0, 50, 90, 80), nullptr, "", IVStyle(), false, kHorizontal, 1));
  for (double value : {0.0, 0.4, 1.0})
  {
    tabs->SetValueFromDelegate(value, 0);
    EXPECT_EQ(tabs->SelectedIdx(), 0) << value;
    g.mOps.clear();
    tabs->DrawWidget(g);
    EXPECT_TRUE(std::any_of(g.mOps.begin(), g.mOps.end(), [](const graphicstest::DrawOp& op) {
      return op.mColor == IVStyle().mColorSet[kRolePressed];
    })) << "drawn pressed at " << value;
    slide->SetValueFromDelegate(value, 0);
    EXPECT_EQ(slide->GetHandleBounds(), slide->GetWidgetBounds()) << value;
  }
}

TEST_F(StockControlsTest, TabSwitchShowsTheNearestStateForAValueBetweenSteps)
{
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 60), nullptr, {"a", "b", "c"}));
  for (auto [value, shown] : {std::pair{0.2, 0}, {0.3, 1}, {0.7, 1}, {0.8, 2}, {1.0, 2}})
  {
    tabs->SetValueFromDelegate(value, 0);
    EXPECT_EQ(tabs->SelectedIdx(), shown) << "value " << value;
  }
}

// Two states: the second shows from halfway; a slide switch's handle then sits in the far half.
TEST_F(StockControlsTest, SwitchesOfTwoStatesShowTheSecondFromHalfway)
{
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0, 0, 60, 30), nullptr, {"a", "b"}));
  auto* slide = Attach(new IVSlideSwitchControl(IRECT(0, 50, 90, 80), nullptr, "", IVStyle(), false, kHorizontal, 2));
  for (auto [value, shown] : {std::pair{0.0, 0}, {0.49, 0}, {0.5, 1}, {1.0, 1}})
  {
    tabs->SetValueFromDelegate(value, 0);
    EXPECT_EQ(tabs->SelectedIdx(), shown) << value;
    slide->SetValueFromDelegate(value, 0);
    const IRECT w = slide->GetWidgetBounds();
    EXPECT_EQ(slide->GetHandleBounds(), shown ? IRECT(w.CentreX(), w.mTop, w.mRight, w.mBottom)
                                              : IRECT(w.mLeft, w.mTop, w.CentreX(), w.mBottom))
      << value;
  }
}

// Controls made without a parameter have none, for any of their values.
TEST_F(StockControlsTest, ControlsMadeWithoutAParameterHaveNone)
{
  // The bitmap switches, whatever their frames, hold two states of their own.
  for (IBSwitchControl* sw : {Attach(new IBSwitchControl(5.f, 5.f, Strip(3))),
                              Attach(new IBSwitchControl(IRECT(0, 0, 40, 30), Strip(3)))})
  {
    EXPECT_EQ(sw->GetParamIdx(), -1);
    EXPECT_EQ(sw->GetNumStates(), 2);
  }
  EXPECT_EQ(Attach(new IBKnobControl(IRECT(0, 0, 40, 40), Strip(5)))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IBSliderControl(0.f, 0.f, 100.f, Strip(1), Strip(0)))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IVToggleControl(IRECT(0, 0, 90, 30)))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 30)))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IVTabSwitchControl(IRECT(0, 0, 90, 30), nullptr, {"a", "b"}))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IVToggleControl(IRECT(0, 0, 90, 30), nullptr))->GetParamIdx(), -1);
  EXPECT_EQ(Attach(new IVSwitchControl(IRECT(0, 0, 90, 30), nullptr))->GetParamIdx(), -1);
  for (IControl* c : {static_cast<IControl*>(new IBSliderControl(IRECT(0, 0, 20, 100), Strip(1), Strip(0))),
                      static_cast<IControl*>(new IVKnobControl(IRECT(0, 0, 60, 60))),
                      static_cast<IControl*>(new IVSliderControl(IRECT(0, 0, 30, 100))),
                      static_cast<IControl*>(new IVSwitchControl(IRECT(0, 0, 90, 30))),
                      static_cast<IControl*>(new IVSlideSwitchControl(IRECT(0, 0, 90, 30))),
                      static_cast<IControl*>(new IVRadioButtonControl(IRECT(0, 0, 90, 60))),
                      static_cast<IControl*>(new ISVGKnobControl(IRECT(0, 0, 40, 40), ISVG())),
                      static_cast<IControl*>(new ISVGSwitchControl(IRECT(0, 0, 40, 40), {ISVG(), ISVG()})),
                      static_cast<IControl*>(new ISVGSliderControl(IRECT(0, 0, 40, 100), ISVG(), ISVG()))})
    EXPECT_EQ(Attach(c)->GetParamIdx(), -1) << g.NControls();
  for (IControl* pair : {static_cast<IControl*>(Attach(new IVXYPadControl(IRECT(0, 0, 100, 100)))),
                         static_cast<IControl*>(Attach(new IVRangeSliderControl(IRECT(0, 0, 30, 100))))})
  {
    ASSERT_EQ(pair->NValues(), 2);
    EXPECT_EQ(pair->GetParamIdx(0), -1);
    EXPECT_EQ(pair->GetParamIdx(1), -1);
  }
}

TEST_F(StockControlsTest, SlideSwitchSlidesToTheWrappedCellOverOneHundredMilliseconds)
{
  // Made for an action, a slide switch has two states and starts at the first unless given another.
  auto* plain = Attach(new IVSlideSwitchControl(IRECT(100, 0, 190, 30), nullptr));
  EXPECT_EQ(plain->GetValue(0), 0.0);
  EXPECT_EQ(plain->GetHandleBounds().mLeft, plain->GetWidgetBounds().mLeft);
  Click(*plain, plain->GetHandleBounds().CentreX(), 15.f);
  EXPECT_EQ(plain->GetValue(0), 1.0);
  for (auto [states, initial, value] : {std::tuple{2, 1, 1.0}, {3, 1, 0.5}, {3, 2, 1.0}, {5, 1, 0.25}})
    EXPECT_EQ(Attach(new IVSlideSwitchControl(IRECT(100, 0, 190, 30), nullptr, "", IVStyle(), true, kHorizontal,
                                              states, initial))->GetValue(0), value)
      << states << " states from " << initial;
  // Marked dirty with the defaults, a slide switch runs its action, as a switch, a knob and a slider do.
  int runs = 0;
  auto dirty = [&runs](auto* c) {
    c->SetActionFunction([&runs](IControl*) { ++runs; });
    c->SetDirty();
  };
  dirty(plain);
  dirty(Attach(new IVSwitchControl(IRECT(0, 40, 90, 70), nullptr)));
  dirty(Attach(new IVKnobControl(IRECT(0, 80, 60, 140), nullptr)));
  dirty(Attach(new IVSliderControl(IRECT(100, 80, 130, 180), nullptr)));
  EXPECT_EQ(runs, 4);

  auto* slide = Attach(new IVSlideSwitchControl(IRECT(0, 0, 90, 30), nullptr, "", IVStyle(), true, kHorizontal, 3, 2));
  slide->SetValue(1.0, 0);
  slide->SetDirty(false);
  const IRECT last = slide->GetHandleBounds();
  Click(*slide, last.CentreX(), last.CentreY());
  EXPECT_DOUBLE_EQ(slide->GetValue(0), 0.0);
  Step(*slide, 50);
  EXPECT_TRUE(slide->HasAnimation()) << "halfway there";
  EXPECT_LT(slide->GetHandleBounds().mLeft, last.mLeft);
  const float halfway = slide->GetHandleBounds().mLeft;
  EXPECT_EQ(slide->GetHandleBounds().H(), last.H()) << "it slides across without changing its height";
  Step(*slide, 51);
  EXPECT_FALSE(slide->HasAnimation());
  EXPECT_LT(slide->GetHandleBounds().mLeft, last.mLeft / 2.f) << "ends in the first cell";
  EXPECT_GT(halfway, slide->GetHandleBounds().mLeft) << "was on its way there";

  slide->SetValueFromDelegate(0.5, 0);
  EXPECT_NEAR(slide->GetHandleBounds().CentreX(), 45.f, 1.f) << "a value from the host moves the handle at once";
  // From the middle a click slides the handle on towards the last cell.
  slide->SetDirty(false);
  const IRECT middle = slide->GetHandleBounds();
  Click(*slide, middle.CentreX(), middle.CentreY());
  EXPECT_DOUBLE_EQ(slide->GetValue(0), 1.0);
  Step(*slide, 50);
  EXPECT_GT(slide->GetHandleBounds().mLeft, middle.mLeft);
  EXPECT_LT(slide->GetHandleBounds().mLeft, last.mLeft);
  Step(*slide, 51);
  EXPECT_EQ(slide->GetHandleBounds(), last);
}

TEST_F(StockControlsTest, BitmapSliderHandleRunsTheLengthOfItsTrackLessItsOwnSize)
{
  // A 12 x 8 handle on a track 100 long from (10, 10): at 0 at the track's start (the bottom when vertical).
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(12, 8, 1, 1.f, "handle"));
  const IBitmap handle(images.back().get(), 1, true, "handle.png");
  // Without a track image the track is the handle's breadth across and the whole length along.
  struct Case
  {
    EDirection direction;
    IRECT track;
    IRECT handleAt[3]; // at 0, a quarter and 1
  } cases[] = {
    {kVertical, IRECT(10, 10, 22, 110), {IRECT(10, 102, 22, 110), IRECT(10, 79, 22, 87), IRECT(10, 10, 22, 18)}},
    {kHorizontal, IRECT(10, 10, 110, 18), {IRECT(10, 10, 22, 18), IRECT(32, 10, 44, 18), IRECT(98, 10, 110, 18)}},
  };
  for (const Case& c : cases)
  {
    auto* slider = Attach(new IBSliderControl(10.f, 10.f, 100.f, handle, IBitmap(), 2, c.direction));
    EXPECT_EQ(slider->GetTrack(), c.track) << "direction " << c.direction;
    const double values[] = {0.0, 0.25, 1.0};
    for (int i = 0; i < 3; ++i)
    {
      slider->SetValue(values[i], 0);
      EXPECT_EQ(slider->GetHandleBounds(), c.handleAt[i]) << "direction " << c.direction << " at " << values[i];
      const int other = (i + 1) % 3; // asked for another value, the handle's place at that value
      EXPECT_EQ(slider->GetHandleBounds(values[other]), c.handleAt[other]) << "direction " << c.direction;
    }
  }
}

// Made for a rectangle, a bitmap switch or button is one frame centred in it; a bitmap slider centres its track
// image in it and runs its handle along that image.
TEST_F(StockControlsTest, BitmapControlsMadeForARectangleSitCentredInIt)
{
  auto* sw = Attach(new IBSwitchControl(IRECT(0, 0, 40, 30), Strip(2), 0));
  auto* button = Attach(new IBButtonControl(IRECT(100, 100, 120, 140), Strip(3), nullptr));
  EXPECT_EQ(sw->GetRECT(), IRECT(15, 10, 25, 20));
  EXPECT_EQ(button->GetRECT(), IRECT(105, 115, 115, 125));

  // A handle image of two frames stacked: the handle is always its first frame.
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(12, 16, 1, 1.f, "handle"));
  const IBitmap handle(images.back().get(), 2, false, "handle.png");
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(6, 80, 1, 1.f, "track"));
  const IBitmap track(images.back().get(), 1, true, "track.png");
  auto* slider = Attach(new IBSliderControl(IRECT(0, 0, 40, 100), handle, track, 2, kVertical));
  EXPECT_EQ(Attach(new IBSliderControl(IRECT(0, 0, 40, 100), handle, track))->GetParamIdx(), -1) << "none given";
  for (auto [value, handleAt] : {std::pair{0.0, IRECT(17, 82, 29, 90)}, {1.0, IRECT(17, 10, 29, 18)}})
  {
    slider->SetValue(value, 0);
    g.mOps.clear();
    slider->Draw(g);
    ASSERT_EQ(g.mOps.size(), 2u) << value;
    EXPECT_EQ(g.mOps[0].mText, "track.png");
    EXPECT_EQ(g.mOps[0].mRect, IRECT(17, 10, 23, 90));
    EXPECT_EQ(g.mOps[0].mArgs, (std::vector<float>{0.f, 0.f})) << "the whole track image, from its corner";
    EXPECT_EQ(g.mOps[1].mText, "handle.png");
    EXPECT_EQ(g.mOps[1].mRect, handleAt) << value;
    EXPECT_EQ(g.mOps[1].mArgs, (std::vector<float>{0.f, 0.f})) << value;
  }
}

// Made with its defaults, bitmap-font text is one line of 6 x 12 cells side by side, centred down its bounds (and
// across, as its text style aligns), and a text too wide for them is cut at the last whole cell that fits; asked
// to, it sits at the top.
TEST_F(StockControlsTest, BitmapTextMadeWithDefaultsIsOneLineOfCellsCentredInItsBounds)
{
  images.push_back(std::make_unique<graphicstest::RecordedBitmap>(6, 96 * 12, 1, 1.f, "font"));
  const IBitmap font(images.back().get(), 96, false, "font.png"); // one 6 x 12 frame per character from the blank
  const IRECT bounds(10, 10, 70, 50);
  auto cells = [&](IControl& text) {
    g.mOps.clear();
    text.Draw(g);
    std::vector<IRECT> out;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawBitmap")
        out.push_back(op.mRect);
    return out;
  };
  auto row = [](float left, float top, int n) {
    std::vector<IRECT> out;
    for (int i = 0; i < n; ++i)
      out.push_back(IRECT(left + 6.f * float(i), top, left + 6.f * float(i + 1), top + 12.f));
    return out;
  };
  EXPECT_TRUE(cells(*Attach(new IBTextControl(bounds, font))).empty()) << "no text until given one";
  EXPECT_EQ(cells(*Attach(new IBTextControl(bounds, font, IText(), "abc"))), row(31, 24, 3));
  IText leftAligned;
  leftAligned.mHAlign = kAlignNear;
  EXPECT_EQ(cells(*Attach(new IBTextControl(bounds, font, leftAligned, "abcdefghijkl"))), row(10, 24, 10))
    << "72 wide in 60: the ten cells that fit";
  EXPECT_EQ(cells(*Attach(new IBTextControl(bounds, font, IText(), "abc", 6, 12, 0, false, false))), row(31, 10, 3));
}

TEST_F(StockControlsTest, RangeSliderHandleStopsAtItsNeighbourAndXYPadClampsToItsEdges)
{
  auto* range = Attach(new IVRangeSliderControl(IRECT(0, 0, 40, 200), {0, 1}, "", IVStyle(), kVertical));
  range->SetValue(0.2, 0);
  range->SetValue(0.6, 1);
  const IRECT lower = range->GetHandleBounds(0);
  range->OnMouseOver(lower.CentreX(), lower.CentreY(), IMouseMod());
  range->OnMouseDown(lower.CentreX(), lower.CentreY(), left);
  range->OnMouseDrag(lower.CentreX(), 0, 0, -200, left);
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.6);
  // A press where no handle is, at the lower handle's bottom place with that handle moved away, moves nothing and
  // runs no action.
  int actions = 0;
  range->SetActionFunction([&](IControl*) { ++actions; });
  range->SetValue(0.0, 0);
  const IRECT bottom = range->GetHandleBounds(0);
  range->SetValue(0.3, 0);
  range->OnMouseUp(0, 0, left);
  range->OnMouseOver(bottom.CentreX(), bottom.CentreY(), IMouseMod());
  range->OnMouseDown(bottom.CentreX(), bottom.CentreY(), left);
  EXPECT_EQ(actions, 0);
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.3);

  auto* pad = Attach(new IVXYPadControl(IRECT(20, 10, 120, 60), {2, 3}, "", IVStyle(), 10.f));
  pad->OnMouseDown(150, -20, left);
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 1.0);
  EXPECT_DOUBLE_EQ(pad->GetValue(1), 1.0);
  pad->OnMouseDrag(-10, 35, -160, 55, left);
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 0.0);
  EXPECT_DOUBLE_EQ(pad->GetValue(1), 0.5);
  int padActions = 0;
  pad->SetActionFunction([&](IControl*) { ++padActions; });
  delegate.mValuesFromUI.clear();
  pad->OnMouseDrag(45, 40, 55, 5, left); // inside: a quarter across, three fifths down
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 0.25);
  EXPECT_NEAR(pad->GetValue(1), 0.4, 1e-6);
  // Each step of a drag tells the host both values and runs the action once.
  EXPECT_EQ(delegate.mValuesFromUI, (std::vector<std::pair<int, double>>{{2, 0.25}, {3, pad->GetValue(1)}}));
  EXPECT_EQ(padActions, 1);
}

// A drag moves the handle it started on, and the outer handles reach the ends of the range.
TEST_F(StockControlsTest, RangeSliderDragsTheHandleUnderThePointerToTheEnds)
{
  for (EDirection direction : {kHorizontal, kVertical})
  {
    const IRECT bounds = direction == kHorizontal ? IRECT(0, 0, 200, 40) : IRECT(0, 0, 40, 200);
    auto* range = Attach(new IVRangeSliderControl(bounds, {0, 1}, "", IVStyle(), direction));
    range->SetValue(0.4, 0);
    range->SetValue(0.6, 1);
    // Beyond the far end (right, or up), then beyond the near end.
    const float farX = direction == kHorizontal ? 250.f : 20.f, farY = direction == kHorizontal ? 20.f : -50.f;
    const float nearX = direction == kHorizontal ? -50.f : 20.f, nearY = direction == kHorizontal ? 20.f : 250.f;
    for (auto [handle, x, y, moved, kept] :
         {std::tuple{1, farX, farY, 1.0, 0.4}, std::tuple{0, nearX, nearY, 0.0, 1.0}})
    {
      const IRECT h = range->GetHandleBounds(handle);
      range->OnMouseOver(h.CentreX(), h.CentreY(), IMouseMod());
      range->OnMouseDown(h.CentreX(), h.CentreY(), left);
      range->OnMouseDrag(x, y, x - h.CentreX(), y - h.CentreY(), left);
      range->OnMouseUp(x, y, left);
      EXPECT_DOUBLE_EQ(range->GetValue(handle), moved) << "handle " << handle << ", direction " << direction;
      EXPECT_DOUBLE_EQ(range->GetValue(1 - handle), kept) << "handle " << handle << ", direction " << direction;
    }
  }
}

// The handle under the pointer is drawn pressed while the button is down, and lit again once it is let go.
TEST_F(StockControlsTest, RangeSliderHandleLooksPressedOnlyWhileTheButtonIsDown)
{
  auto* range = Attach(new IVRangeSliderControl(IRECT(0, 0, 200, 40), {0, 1}, "", IVStyle(), kHorizontal));
  range->SetValue(0.25, 0);
  range->SetValue(0.75, 1);
  auto drawn = [&](int role) { // how many shapes are drawn in the colour of a role
    g.mOps.clear();
    range->DrawWidget(g);
    return std::count_if(g.mOps.begin(), g.mOps.end(), [&](const graphicstest::DrawOp& op) {
      return op.mColor == IVStyle().mColorSet[role];
    });
  };
  const IRECT handle = range->GetHandleBounds(1);
  range->OnMouseOver(handle.CentreX(), handle.CentreY(), IMouseMod());
  EXPECT_EQ(drawn(kRoleHighlight), 1);
  EXPECT_EQ(drawn(kRolePressed), 0);
  range->OnMouseDown(handle.CentreX(), handle.CentreY(), left);
  EXPECT_EQ(drawn(kRolePressed), 1);
  range->OnMouseUp(handle.CentreX(), handle.CentreY(), left);
  EXPECT_EQ(drawn(kRoleHighlight), 1);
  EXPECT_EQ(drawn(kRolePressed), 0);
}

TEST_F(StockControlsTest, KnobArcRunsFromTheAnchorToTheValueAndAValueClickPrompts)
{
  struct Case
  {
    float anchor, trackSize;
    double value;
    std::vector<float> arc; // from, to; empty for no arc
  };
  for (const Case& c : {Case{-135.f, 2.f, 0.5, {-135.f, 0.f}}, Case{0.f, 2.f, 0.25, {-67.5f, 0.f}},
                        Case{0.f, 2.f, 0.75, {0.f, 67.5f}}, Case{-135.f, 0.f, 0.5, {}}})
  {
    auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0, "", IVStyle(), true, false, -135.f, 135.f,
                                          c.anchor, kVertical, 4.0, c.trackSize));
    knob->SetValue(c.value, 0);
    g.mOps.clear();
    knob->Draw(g);
    std::vector<float> arc;
    for (const auto& op : g.mOps)
      if (op.mName == "DrawArc")
        arc = {op.mArgs[0], op.mArgs[1]};
    EXPECT_EQ(arc, c.arc) << "anchor " << c.anchor << " value " << c.value;
  }
  // Made with its defaults, for a parameter or for an action, a knob turns from -135 to 135 degrees and its arc of
  // two points runs from -135 to the value.
  for (IVKnobControl* knob : {Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0)),
                              Attach(new IVKnobControl(IRECT(0, 0, 100, 120), nullptr))})
  {
    knob->SetValue(0.75, 0);
    g.mOps.clear();
    knob->Draw(g);
    const std::vector<std::vector<float>> arcs = g.Args("DrawArc");
    EXPECT_EQ(arcs.empty() ? std::vector<float>{} : arcs.back(), (std::vector<float>{-135.f, 67.5f, 2.f}));
  }

  // With an editable value shown under the slider, a press on it prompts instead of moving the handle.
  auto* slider = Attach(new IVSliderControl(IRECT(200, 0, 240, 200), 0, "", IVStyle(), true));
  slider->SetValueFromUserInput(0.25, 0);
  const IRECT value = slider->GetValueBounds();
  ASSERT_FALSE(value.Empty());
  slider->OnMouseDown(value.CentreX(), value.CentreY(), left);
  EXPECT_DOUBLE_EQ(slider->GetValue(0), 0.25);
  EXPECT_EQ(g.mTextEntries.size(), 1u);
  // The value is part of the slider only while it can be typed in.
  ASSERT_FALSE(slider->GetWidgetBounds().Contains(value.CentreX(), value.CentreY()));
  EXPECT_TRUE(slider->HitTest(value.CentreX(), value.CentreY()));
  slider->DisablePrompt(true);
  EXPECT_FALSE(slider->HitTest(value.CentreX(), value.CentreY()));
}

// Knobs and sliders made with their defaults, through either constructor, do not open a text entry when their
// value is pressed: the value can only be typed in when asked for.
TEST_F(StockControlsTest, KnobsAndSlidersMadeWithDefaultsDoNotPromptForTheirValue)
{
  std::vector<IVectorBase*> controls = {
    Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0)),
    Attach(new IVKnobControl(IRECT(0, 0, 100, 120), [](IControl*) {})),
    Attach(new IVSliderControl(IRECT(200, 0, 240, 200), 1)),
    Attach(new IVSliderControl(IRECT(200, 0, 240, 200), [](IControl*) {})),
  };
  for (size_t at = 0; at < controls.size(); ++at)
  {
    const IRECT value = controls[at]->GetValueBounds();
    ASSERT_FALSE(value.Empty()) << "control " << at;
    const size_t before = g.mTextEntries.size();
    dynamic_cast<IControl*>(controls[at])->OnMouseDown(value.CentreX(), value.CentreY(), left);
    EXPECT_EQ(g.mTextEntries.size(), before) << "control " << at;
  }
}

// A control moved or resized while the pointer was over it shows no pointer over it until the pointer moves.
TEST_F(StockControlsTest, VectorControlsMovedOrResizedForgetThePointerOverThem)
{
  std::vector<IControl*> controls = {
    Attach(new IVGroupControl(IRECT(0, 0, 100, 100), "group")),
    Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0)),
    Attach(new IVSliderControl(IRECT(0, 0, 40, 150), 1)),
    Attach(new IVButtonControl(IRECT(0, 0, 80, 40))),
    Attach(new IVSwitchControl(IRECT(0, 0, 80, 60), 2)),
    Attach(new IVTabSwitchControl(IRECT(0, 0, 120, 40), ControlsDelegate::kEnumParam)),
  };
  for (size_t at = 0; at < controls.size(); ++at)
  {
    IControl* c = controls[at];
    c->OnMouseOver(10.f, 10.f, IMouseMod());
    ASSERT_TRUE(c->GetMouseIsOver()) << "control " << at;
    c->SetTargetAndDrawRectangles(IRECT(200, 200, 320, 320));
    EXPECT_FALSE(c->GetMouseIsOver()) << "resized control " << at;
    c->OnMouseOver(210.f, 210.f, IMouseMod());
    c->SetSize(60.f, 60.f);
    EXPECT_FALSE(c->GetMouseIsOver()) << "control " << at << " given a new size";
  }
  // A range slider lights its handles only: laid out again, it shows no pointer over it as a whole either.
  auto* range = Attach(new IVRangeSliderControl(IRECT(0, 0, 200, 40), {2, 3}));
  range->SetTargetAndDrawRectangles(IRECT(200, 200, 320, 320));
  EXPECT_FALSE(range->GetMouseIsOver());
}

// A vector button's face is the pressable shape of its state over its widget: a button pressed while its value is
// not zero, a toggle while on (above halfway), a switch only while held; lit while the pointer is over it, dimmed
// while disabled. A button made in the shape of an ellipse or a triangle draws that shape.
TEST_F(StockControlsTest, VectorButtonsDrawTheFaceOfTheirState)
{
  auto* button = Attach(new IVButtonControl(IRECT(0, 0, 80, 40), nullptr));
  auto* toggle = Attach(new IVToggleControl(IRECT(100, 0, 180, 40), nullptr));
  auto* held = Attach(new IVSwitchControl(IRECT(200, 0, 280, 60), nullptr, "", IVStyle(), 3));
  auto looks = [&](IVectorBase* c, const std::string& state, int shape = kVShapeRectangle) {
    g.mOps.clear();
    c->DrawWidget(g);
    const std::vector<graphicstest::DrawOp> drawn = std::move(g.mOps);
    g.mOps.clear();
    auto has = [&](char flag) { return state.find(flag) != std::string::npos; };
    c->DrawPressableShape(g, shape, c->GetWidgetBounds(), has('p'), has('o'), has('d'));
    return std::equal(drawn.begin(), drawn.end(), g.mOps.begin(), g.mOps.end(), [](const auto& a, const auto& b) {
      return std::tie(a.mName, a.mRect, a.mColor, a.mArgs, a.mBlendWeight) ==
             std::tie(b.mName, b.mRect, b.mColor, b.mArgs, b.mBlendWeight);
    });
  };
  const std::function<void(IControl&)> steps[] = {
    [](IControl&) {},
    [](IControl& c) { c.OnMouseOver(c.GetRECT().CentreX(), c.GetRECT().CentreY(), IMouseMod()); },
    [](IControl& c) { c.SetValueFromDelegate(0.25, 0); },
    [](IControl& c) { c.SetValueFromDelegate(0.5, 0); },
    [](IControl& c) { c.SetValueFromDelegate(0.75, 0); },
    [](IControl& c) { c.OnMouseOut(); },
    [](IControl& c) { c.SetValueFromDelegate(0.0, 0); },
    [](IControl& c) { c.SetDisabled(true); },
  };
  // After each step: 'p' pressed, 'o' the pointer over it, 'd' disabled.
  const std::pair<IControl*, std::vector<std::string>> states[] = {
    {button, {"", "o", "po", "po", "po", "p", "", "d"}},
    {toggle, {"", "o", "o", "o", "po", "p", "", "d"}},
    {held, {"", "o", "o", "o", "o", "", "", "d"}},
  };
  for (const auto& [c, want] : states)
    for (size_t at = 0; at < want.size(); ++at)
    {
      steps[at](*c);
      EXPECT_TRUE(looks(dynamic_cast<IVectorBase*>(c), want[at])) << c->GetRECT().mLeft << " step " << at;
    }
  held->SetDisabled(false);
  held->OnMouseOver(240, 30, IMouseMod());
  held->OnMouseDown(240, 30, left);
  EXPECT_TRUE(looks(held, "po"));
  held->OnMouseUp(240, 30, left);
  EXPECT_TRUE(looks(held, "o"));
  for (auto [made, drawn] : {std::pair{kWidgetEllipse, kVShapeEllipse}, {kWidgetTriangle, kVShapeTriangle}})
    EXPECT_TRUE(looks(Attach(new IVButtonControl(IRECT(0, 100, 80, 140), nullptr, "", IVStyle(), true, true, made)), "",
                      drawn))
      << made;
}

// The handles of knobs, sliders, slide switches and pads are lit while the pointer is over them and pressed only while
// held; a slider made with no handle draws none.
TEST_F(StockControlsTest, HandlesLookLitWhileHoveredAndPressedOnlyWhileHeld)
{
  const IColor lit = IVStyle().mColorSet[kRoleHighlight], pressed = IVStyle().mColorSet[kRolePressed];
  for (IControl* c : {static_cast<IControl*>(Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0))),
                      static_cast<IControl*>(Attach(new IVSliderControl(IRECT(100, 0, 140, 200), 1))),
                      static_cast<IControl*>(Attach(new IVSlideSwitchControl(IRECT(150, 0, 250, 40), nullptr))),
                      static_cast<IControl*>(Attach(new IVXYPadControl(IRECT(260, 0, 360, 100), {2, 3})))})
  {
    auto* vector = dynamic_cast<IVectorBase*>(c);
    auto looks = [&] {
      g.mOps.clear();
      vector->DrawWidget(g);
      auto drawn = [&](const IColor& color) {
        return std::any_of(g.mOps.begin(), g.mOps.end(), [&](auto& op) { return op.mColor == color; });
      };
      return std::pair(drawn(lit), drawn(pressed));
    };
    const float x = vector->GetWidgetBounds().CentreX(), y = vector->GetWidgetBounds().CentreY();
    const float left = c->GetRECT().mLeft;
    EXPECT_EQ(looks(), std::pair(false, false)) << left;
    c->OnMouseOver(x, y, IMouseMod());
    EXPECT_EQ(looks(), std::pair(true, false)) << left;
    c->OnMouseDown(x, y, this->left);
    EXPECT_TRUE(looks().second) << left;
    c->OnMouseUp(x, y, this->left);
    EXPECT_FALSE(looks().second) << left;
    Step(*c, 200); // a slide switch's slide, and its splash, over
    c->OnMouseOut();
    EXPECT_EQ(looks(), std::pair(false, false)) << left;
  }
  auto* bare = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), 1, "", IVStyle(), false, kVertical, 1.0, 0.f));
  g.mOps.clear();
  bare->DrawWidget(g);
  EXPECT_EQ(g.Count("FillEllipse"), 0);
}

TEST_F(StockControlsTest, KnobsAndSlidersHighlightAnEditableValueOnlyWhileThePointerIsOverTheValue)
{
  for (bool editable : {true, false})
    for (IControl* c :
         {static_cast<IControl*>(Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0, "", IVStyle(), editable))),
          static_cast<IControl*>(Attach(new IVSliderControl(IRECT(100, 0, 140, 200), 1, "", IVStyle(), editable)))})
    {
      const auto* vector = dynamic_cast<IVectorBase*>(c);
      const IRECT value = vector->GetValueBounds(), widget = vector->GetWidgetBounds();
      ASSERT_FALSE(value.Empty());
      auto highlighted = [&](float x, float y) {
        c->OnMouseOver(x, y, IMouseMod());
        g.mOps.clear();
        c->Draw(g);
        for (const auto& op : g.mOps)
          if (op.mName == "FillRect" && op.mRect == value && op.mColor == kColorTranslucent)
            return true;
        return false;
      };
      EXPECT_FALSE(highlighted(widget.CentreX(), widget.CentreY())) << c->GetRECT().mLeft << " " << editable;
      EXPECT_EQ(highlighted(value.CentreX(), value.CentreY()), editable) << c->GetRECT().mLeft;
    }
}

// Letting go of a vector knob, slider or pad tells the host the values it was left at and runs its action once
// more; letting go of a range slider does neither. Pressing a knob tells and runs nothing.
TEST_F(StockControlsTest, LettingGoOfAVectorControlSendsItsValuesOnceMore)
{
  struct Case
  {
    IControl* control;
    int sent;
  } cases[] = {
    {Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0)), 1},
    {Attach(new IVSliderControl(IRECT(100, 0, 140, 200), 1)), 1},
    {Attach(new IVXYPadControl(IRECT(150, 0, 250, 100), {2, 3})), 2},
    {Attach(new IVRangeSliderControl(IRECT(300, 0, 340, 200), {0, 1})), 0},
  };
  int actions = 0;
  for (const Case& c : cases)
  {
    c.control->SetActionFunction([&actions](IControl*) { ++actions; });
    const IRECT r = c.control->GetRECT();
    const size_t unpressed = delegate.mValuesFromUI.size();
    c.control->OnMouseDown(r.CentreX(), r.CentreY(), left);
    if (c.control == cases[0].control)
    {
      EXPECT_EQ(delegate.mValuesFromUI.size(), unpressed);
      EXPECT_EQ(actions, 0);
    }
    const size_t before = delegate.mValuesFromUI.size();
    actions = 0;
    c.control->OnMouseUp(r.CentreX(), r.CentreY(), left);
    ASSERT_EQ(delegate.mValuesFromUI.size(), before + c.sent) << "control at " << r.mLeft;
    EXPECT_EQ(actions, c.sent > 0 ? 1 : 0) << "control at " << r.mLeft;
    for (int v = 0; v < c.sent; ++v)
      EXPECT_EQ(delegate.mValuesFromUI[before + v], std::pair(c.control->GetParamIdx(v), c.control->GetValue(v)))
        << "control at " << r.mLeft;
  }
  // Nor does the pointer leaving a range slider, or a new size for any of them.
  const size_t before = delegate.mValuesFromUI.size();
  actions = 0;
  cases[3].control->OnMouseOut();
  for (const Case& c : cases)
    c.control->SetSize(60.f, 80.f);
  EXPECT_EQ(delegate.mValuesFromUI.size(), before);
  EXPECT_EQ(actions, 0);
}

// A vector knob, slider or pad whose style asks for it hides the pointer while it is held, and only then.
TEST_F(StockControlsTest, VectorControlsHideThePointerWhileHeldWhenTheirStyleAsks)
{
  for (bool hide : {true, false})
  {
    IVStyle style;
    style.mHideCursorOnDrag = hide;
    for (IControl* c : {static_cast<IControl*>(Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 0, "", style))),
                        static_cast<IControl*>(Attach(new IVSliderControl(IRECT(100, 0, 140, 200), 1, "", style))),
                        static_cast<IControl*>(Attach(new IVXYPadControl(IRECT(150, 0, 250, 100), {2, 3}, "", style)))})
    {
      const IRECT r = c->GetRECT();
      g.mHideCursorCalls = g.mShowCursorCalls = 0;
      c->OnMouseDown(r.CentreX(), r.CentreY(), left);
      EXPECT_EQ(std::pair(g.mHideCursorCalls, g.mShowCursorCalls), std::pair(hide ? 1 : 0, 0)) << r.mLeft << hide;
      c->OnMouseUp(r.CentreX(), r.CentreY(), left);
      EXPECT_EQ(std::pair(g.mHideCursorCalls, g.mShowCursorCalls), std::pair(hide ? 1 : 0, hide ? 1 : 0))
        << r.mLeft << hide;
    }
  }
}

// A pad whose track clips its handle draws the handle inside the inner edge of its frame only, and pressed only
// while the button is held.
TEST_F(StockControlsTest, XYPadHandleStaysInsideItsFrameAndLooksPressedWhileHeld)
{
  IVStyle style;
  style.mFrameThickness = 4.f;
  auto* pad = Attach(new IVXYPadControl(IRECT(20, 10, 120, 60), {2, 3}, "", style, 10.f));
  pad->SetValue(1.0, 0); // the handle's centre on the right edge: half of it lies outside
  const IRECT inside = pad->GetWidgetBounds().GetInset(2.f);
  g.StoreClipRegion(IRECT(0, 0, 400, 300)); // a frame that redraws the whole window
  g.mOps.clear();
  pad->Draw(g);
  const auto clip = std::find_if(g.mOps.begin(), g.mOps.end(), [](auto& op) { return op.mName == "PathClipRegion"; });
  ASSERT_NE(clip, g.mOps.end());
  EXPECT_EQ(clip->mRect, inside);
  const auto lifted = std::find_if(clip + 1, g.mOps.end(), [](auto& op) { return op.mName == "PathClipRegion"; });
  ASSERT_NE(lifted, g.mOps.end());
  ASSERT_GT(lifted - clip, 1) << "the handle is drawn under the clip";
  for (auto op = clip + 1; op != lifted; ++op)
    EXPECT_EQ(op->mClip, inside) << op->mName;

  auto pressedShapes = [&] {
    g.mOps.clear();
    pad->Draw(g);
    const IColor pressed = style.mColorSet[kRolePressed];
    return std::count_if(g.mOps.begin(), g.mOps.end(), [&](auto& op) { return op.mColor == pressed; });
  };
  pad->OnMouseDown(70, 35, left);
  EXPECT_GT(pressedShapes(), 0);
  pad->OnMouseUp(70, 35, left);
  EXPECT_EQ(pressedShapes(), 0);

  // Made with its defaults, a pad's handle is 20 across.
  IVStyle plain;
  plain.mDrawFrame = plain.mDrawShadows = false;
  auto* defaults = Attach(new IVXYPadControl(IRECT(20, 10, 120, 60), {2, 3}, "", plain));
  g.mOps.clear();
  defaults->DrawWidget(g);
  std::vector<float> widths;
  for (const IRECT& r : g.Rects("FillEllipse"))
    widths.push_back(r.W());
  EXPECT_EQ(widths, std::vector<float>{20.f});
}

// A slider made for an action drags as one made for a parameter: a drag of a quarter of its track a quarter of
// the range.
TEST_F(StockControlsTest, SliderMadeForAnActionDragsAsOneMadeForAParameter)
{
  for (IVSliderControl* slider : {Attach(new IVSliderControl(IRECT(0, 0, 40, 200), 0)),
                                  Attach(new IVSliderControl(IRECT(50, 0, 90, 200), [](IControl*) {}))})
  {
    const IRECT track = slider->GetTrack();
    slider->OnMouseDown(track.CentreX(), track.CentreY(), left);
    EXPECT_NEAR(slider->GetValue(0), 0.5, 1e-6) << track.mLeft;
    slider->OnMouseDrag(track.CentreX(), track.CentreY(), 0.f, track.H() / 4, left);
    EXPECT_NEAR(slider->GetValue(0), 0.25, 1e-6) << track.mLeft;
  }
}

TEST_F(StockControlsTest, FrameRateDisplayCyclesItsStylesAndPanelFillsAndFrames)
{
  IFPSDisplayControl fps(IRECT(0, 0, 200, 50));
  for (int style : {1, 2, 0})
  {
    fps.OnMouseDown(5, 5, left);
    EXPECT_EQ(fps.GetStyle(), style);
  }
  fps.SetClean();
  EXPECT_TRUE(fps.IsDirty());

  // Half the ring at 20 ms and half at 30 ms: each style prints the average and plots to its own scale. The large
  // figure fills the bottom 20 rows; the frame time above it in the frame rate style.
  struct Case
  {
    int style;
    float frameTime;
    std::vector<std::string> texts;
    float graphTop;
  };
  for (const Case& c : {Case{IFPSDisplayControl::kFPS, 0.f, {"25.00 ms 14..30", "40.00 FPS 30..50"}, 18.77f},
                        Case{IFPSDisplayControl::kMilliseconds, 0.f, {"25.00 ms 30..50"}, 0.f},
                        Case{IFPSDisplayControl::kPercentage, 30.f, {"30.0 % 30..50"}, 35.f}})
  {
    IFPSDisplayControl shown(IRECT(0, 0, 200, 50), c.style, "");
    for (int i = 0; i < IFPSDisplayControl::kNumFrameTimes; ++i)
      shown.Update(c.frameTime > 0.f ? c.frameTime : i % 2 ? 0.02f : 0.03f);
    g.mOps.clear();
    shown.Draw(g);
    std::vector<std::string> texts;
    for (const auto& op : g.mOps)
      if (op.mName == "DrawText" && op.mText != g.GetDrawingAPIStr())
      {
        EXPECT_EQ(op.mRect.W(), 200.f) << op.mText;
        texts.push_back(op.mText + " " + std::to_string(int(op.mRect.mTop)) + ".." + std::to_string(int(op.mRect.mBottom)));
      }
      else if (op.mName == "DrawText")
      {
        EXPECT_EQ(op.mRect, IRECT(0, 0, 200, 16)) << "the drawing interface's name along the top";
      }
      else if (op.mName == "FillConvexPolygon")
      {
        EXPECT_EQ(op.mRect.mLeft, 0.f);
        EXPECT_EQ(op.mRect.mRight, 200.f);
        EXPECT_NEAR(op.mRect.mTop, c.graphTop, 0.1f) << c.style;
        EXPECT_EQ(op.mRect.mBottom, 50.f);
      }
    EXPECT_EQ(texts, c.texts);
  }

  auto* panel = Attach(new IPanelControl(IRECT(0, 0, 50, 50), IColor(255, 9, 9, 9), true));
  g.mOps.clear();
  panel->Draw(g);
  EXPECT_EQ(g.OpNames(), (std::vector<std::string>{"FillRect", "DrawRect"}));
  EXPECT_EQ(g.mOps[1].mColor, IColor(255, 240, 240, 240));
}

// Once its value moves, a knob shows it with the parameter's unit and a slider shows the number alone.
TEST_F(StockControlsTest, KnobShowsItsValueWithTheUnitAndASliderWithout)
{
  delegate.GetParam(3)->InitDouble("gain", 0.0, 0.0, 1.0, 0.01, "dB");
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 60, 80), 3));
  auto* slider = Attach(new IVSliderControl(IRECT(100, 0, 140, 120), 3));
  for (double v : {0.25, 0.5, 1.0})
  {
    delegate.GetParam(3)->SetNormalized(v);
    plug::LibString number, withUnit;
    delegate.GetParam(3)->GetDisplay(number);
    delegate.GetParam(3)->GetDisplayAndLabel(withUnit);
    ASSERT_STRNE(number.Get(), withUnit.Get());
    for (IControl* c : {static_cast<IControl*>(knob), static_cast<IControl*>(slider)})
    {
      c->SetValue(v, 0);
      c->SetDirty(false);
    }
    EXPECT_STREQ(knob->GetValueStr(), withUnit.Get()) << v;
    EXPECT_STREQ(slider->GetValueStr(), number.Get()) << v;
  }
}

// Whatever lights under the pointer goes out when the pointer leaves: the control draws as if it was never over.
TEST_F(StockControlsTest, EveryVectorControlDrawsAsBeforeOnceThePointerLeaves)
{
  std::vector<IControl*> controls = {
    Attach(new IVSwitchControl(IRECT(0, 0, 80, 60), 0)),
    Attach(new IVTabSwitchControl(IRECT(0, 0, 120, 40), ControlsDelegate::kEnumParam)),
    Attach(new IVKnobControl(IRECT(0, 0, 100, 120), 1, "", IVStyle(), true)),
    Attach(new IVSliderControl(IRECT(0, 0, 40, 150), 2, "", IVStyle(), true)),
    Attach(new IVRangeSliderControl(IRECT(0, 0, 200, 40), {2, 3})),
    Attach(new IVColorSwatchControl(IRECT(0, 0, 120, 60), "", nullptr)),
  };
  controls[1]->SetValueFromDelegate(1.0, 0); // the last tab chosen: the others can show the pointer over them
  for (size_t at = 0; at < controls.size(); ++at)
  {
    IControl* c = controls[at];
    auto drawn = [&] {
      g.mOps.clear();
      c->Draw(g);
      return g.mOps;
    };
    const std::vector<graphicstest::DrawOp> before = drawn();
    // Somewhere over it that lights something: the widget, a value box, a range slider's handle.
    const IVectorBase* vector = dynamic_cast<const IVectorBase*>(c);
    ASSERT_NE(vector, nullptr);
    std::vector<std::pair<float, float>> points = {{vector->GetWidgetBounds().CentreX(), vector->GetWidgetBounds().CentreY()},
                                                   {vector->GetValueBounds().CentreX(), vector->GetValueBounds().CentreY()}};
    if (auto* range = dynamic_cast<IVRangeSliderControl*>(c))
      points.push_back({range->GetHandleBounds(0).CentreX(), range->GetHandleBounds(0).CentreY()});
    bool lit = false;
    for (auto [x, y] : points)
    {
      c->OnMouseOver(x, y, IMouseMod());
      lit = lit || drawn().size() != before.size() || !std::equal(before.begin(), before.end(), g.mOps.begin(),
                                                                  [](const auto& a, const auto& b) {
                                                                    return a.mName == b.mName && a.mRect == b.mRect &&
                                                                           a.mColor == b.mColor;
                                                                  });
    }
    EXPECT_TRUE(lit) << "control " << at << " shows the pointer over it";
    c->OnMouseOut();
    const std::vector<graphicstest::DrawOp> after = drawn();
    EXPECT_EQ(after.size(), before.size()) << "control " << at;
    for (size_t i = 0; i < std::min(after.size(), before.size()); ++i)
    {
      EXPECT_EQ(after[i].mName, before[i].mName) << "control " << at << " op " << i;
      EXPECT_EQ(after[i].mRect, before[i].mRect) << "control " << at << " op " << i;
      EXPECT_EQ(after[i].mColor, before[i].mColor) << "control " << at << " op " << i;
    }
  }
}

} // namespace
} // namespace controlstest
