// Where the stock controls put things and how far a pointer moves them: the knob's drag extent for its shape,
// the radio buttons' press area and labels, the SVG slider's image rectangles, where slider handles sit and the
// span a range slider fills between them, the track fill of a lane, where the swatch lays out its cells, the cell
// the pointer lights and the colour it offers to the colour picker, the frame a group draws around its members and
// the gap it leaves for its label, and a disabled control's fading.
#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "controls/ISVGControls.h"
#include "controls/IVButtonControls.h"
#include "controls/IVDisplayControls.h"
#include "controls/IVKnobSliderControls.h"
#include "controls_fixture.h"
#include "svg/svg_image.h"

namespace controlstest {
namespace {

using SvgPointer = std::unique_ptr<SvgImage, void (*)(SvgImage*)>;

/// An empty SVG document of the given size in pixels.
SvgPointer EmptySvg(int w, int h)
{
  std::string text = "<svg width='" + std::to_string(w) + "' height='" + std::to_string(h) + "'></svg>";
  return SvgPointer(SvgParse(text.data(), "px", 96.f), SvgDeleteImage);
}

/// Sets each value and checks whether the control then draws its one image (true) or nothing (false).
void ExpectImageDrawnAt(ControlsGraphics& g, IControl& control, std::initializer_list<std::pair<double, bool>> cases)
{
  for (auto [value, drawn] : cases)
  {
    control.SetValue(value, 0);
    g.mOps.clear();
    control.Draw(g);
    EXPECT_EQ(g.mOps.size(), drawn ? 1u : 0u) << value;
  }
}

IVStyle WidgetOnly()
{
  IVStyle style;
  style.mShowLabel = style.mShowValue = false;
  return style;
}

TEST_F(ControlsTest, KnobDragOverTheShorterSideOfItsWidgetSpansTheRange)
{
  struct Case
  {
    IRECT bounds;
    EDirection direction;
    double after25; // value after a drag 25 points up and 25 to the right at gearing 1
  };
  // Wider than tall: the whole height up, half the height across; otherwise the whole width across and half the
  // width up.
  for (const Case& c : {Case{IRECT(0, 0, 300, 100), kVertical, 0.25}, Case{IRECT(0, 0, 100, 300), kVertical, 0.5},
                        Case{IRECT(0, 0, 100, 100), kVertical, 0.5}, Case{IRECT(0, 0, 300, 100), kHorizontal, 0.5},
                        Case{IRECT(0, 0, 100, 300), kHorizontal, 0.25}})
  {
    auto* knob = new IVKnobControl(c.bounds, 0, "", WidgetOnly(), false, false, -135.f, 135.f, -135.f, c.direction, 1.0);
    g.AttachControl(knob);
    ASSERT_EQ(knob->GetWidgetBounds(), c.bounds);
    knob->OnMouseDown(50, 50, left);
    knob->OnMouseDrag(75, 25, 25, -25, left);
    EXPECT_NEAR(knob->GetValue(0), c.after25, 1e-6) << c.bounds.W() << " x " << c.bounds.H() << ", " << c.direction;
  }
}

// However small a knob, its handle keeps at least one point across.
TEST_F(ControlsTest, KnobHandleShrinksWithTheKnobToOnePointAcross)
{
  IVStyle plain = WidgetOnly();
  plain.mDrawFrame = plain.mDrawShadows = false;
  for (auto [side, across] : {std::pair{10.f, 1.f}, {11.f, 1.f}, {12.f, 2.f}, {20.f, 10.f}})
  {
    auto* knob = new IVKnobControl(IRECT(0, 0, side, side), 0, "", plain);
    g.AttachControl(knob);
    g.mOps.clear();
    knob->DrawWidget(g);
    std::vector<float> handles;
    for (const IRECT& r : g.Rects("FillEllipse"))
      handles.push_back(r.W());
    EXPECT_EQ(handles, std::vector<float>{across}) << side;
  }
}

// A knob made with an action in place of a parameter is laid out and drawn as one made for a parameter: its
// label above the widget.
TEST_F(ControlsTest, KnobWithAnActionLooksLikeOneForAParameter)
{
  IVStyle labelOnly; // a knob without a parameter has no value to show
  labelOnly.mShowValue = false;
  auto* forParameter = new IVKnobControl(IRECT(0, 0, 80, 120), 0, "Gain", labelOnly);
  auto* withAction = new IVKnobControl(IRECT(0, 0, 80, 120), [](IControl*) {}, "Gain", labelOnly);
  g.AttachControl(forParameter);
  g.AttachControl(withAction);
  ASSERT_GT(forParameter->GetLabelBounds().H(), 0.f);
  EXPECT_LE(forParameter->GetLabelBounds().mBottom, forParameter->GetWidgetBounds().mTop);
  EXPECT_EQ(withAction->GetLabelBounds(), forParameter->GetLabelBounds());
  EXPECT_EQ(withAction->GetWidgetBounds(), forParameter->GetWidgetBounds());
  EXPECT_EQ(withAction->GetValueBounds(), forParameter->GetValueBounds());
  std::vector<std::tuple<std::string, IRECT, std::vector<float>>> drawn[2];
  for (int i = 0; i < 2; ++i)
  {
    g.mOps.clear();
    (i ? withAction : forParameter)->DrawWidget(g);
    for (const graphicstest::DrawOp& op : g.mOps)
      drawn[i].emplace_back(op.mName, op.mRect, op.mArgs);
  }
  EXPECT_FALSE(drawn[0].empty());
  EXPECT_EQ(drawn[1], drawn[0]);
}

TEST_F(ControlsTest, RadioButtonTakesAPressAnywhereInItsRow)
{
  // Bound to an action and to a parameter alike.
  for (auto* radio : {new IVRadioButtonControl(IRECT(0, 0, 200, 90), [](IControl*) {}, {"a", "b", "c"}),
                      new IVRadioButtonControl(IRECT(0, 0, 200, 90), ControlsDelegate::kEnumParam, {"a", "b", "c"})})
  {
    g.AttachControl(radio);
    const IRECT row = radio->GetButton(2);
    EXPECT_EQ(radio->FindButtonAt(row.mRight + 1.f, row.CentreY()), -1);
    for (int i : {0, 1}) // the first rows too
    {
      radio->SetValue(1.0, 0);
      radio->OnMouseDown(radio->GetButton(i).mLeft + 15.f, radio->GetButton(i).CentreY(), left);
      EXPECT_DOUBLE_EQ(radio->GetValue(0), 0.5 * i) << "row " << i;
    }
    for (float x : {row.mLeft + 15.f, row.mRight - 2.f}) // on the button, on the far end of its text
    {
      radio->SetValue(0.0, 0);
      radio->OnMouseDown(x, row.CentreY(), left);
      EXPECT_DOUBLE_EQ(radio->GetValue(0), 1.0) << "press at x = " << x;
    }
    // Each label starts three button sizes into its row, the chosen one in the pressed colour.
    g.mOps.clear();
    radio->DrawWidget(g);
    std::vector<graphicstest::DrawOp> labels;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawText")
        labels.push_back(op);
    ASSERT_EQ(labels.size(), 3u);
    // Made with their defaults, the buttons are round and stand one above another.
    EXPECT_GE(std::count_if(g.mOps.begin(), g.mOps.end(), [](auto& op) { return op.mName == "FillEllipse"; }), 3);
    EXPECT_EQ(std::count_if(g.mOps.begin(), g.mOps.end(), [](auto& op) { return op.mName == "FillRoundRect"; }), 0);
    EXPECT_EQ(radio->GetButton(1).mLeft, radio->GetButton(0).mLeft);
    EXPECT_GT(radio->GetButton(1).mTop, radio->GetButton(0).mTop);
    const IVStyle style;
    for (int i = 0; i < 3; ++i)
    {
      const IRECT cell = radio->GetButton(i);
      EXPECT_EQ(labels[i].mText, std::string(1, static_cast<char>('a' + i)));
      EXPECT_EQ(labels[i].mRect, IRECT(cell.mLeft + 30.f, cell.mTop, cell.mRight, cell.mBottom)) << i;
      EXPECT_EQ(labels[i].mColor, style.mColorSet[i == 2 ? kRolePressed : kRoleExtra1]) << i;
    }
  }
  // A button is a circle of the size given, at least a point across, centred one and a half sizes into its row.
  IVStyle plain = WidgetOnly();
  plain.mDrawFrame = plain.mDrawShadows = false;
  for (auto [size, across] : {std::pair{10.f, 10.f}, {4.f, 4.f}, {0.5f, 1.f}, {0.f, 1.f}})
  {
    auto* radio = new IVRadioButtonControl(IRECT(0, 0, 200, 40), -1, {"a"}, "", plain, kWidgetEllipse, kVertical, size);
    g.AttachControl(radio);
    g.mOps.clear();
    radio->DrawWidget(g);
    EXPECT_EQ(g.Rects("FillEllipse"), std::vector<IRECT>{IRECT(1.5f * size - across / 2.f, 20.f - across / 2.f,
                                                                1.5f * size + across / 2.f, 20.f + across / 2.f)})
      << size;
  }
}

TEST_F(ControlsTest, SvgSliderImagesKeepTheProportionsOfTheTrackAndHandleImages)
{
  const SvgPointer tall = EmptySvg(10, 100), wide = EmptySvg(100, 10), handle = EmptySvg(20, 10);
  const SvgPointer needle = EmptySvg(1, 1000), thread = EmptySvg(1000, 1); // thinner than a pixel when fitted
  struct Case
  {
    EDirection direction;
    const SvgPointer& track;
    IRECT trackImage, handleAt[3]; // the handle at 0, a quarter and 1
  };
  for (const Case& c : {Case{kVertical, tall, IRECT(90, 0, 110, 200),
                             {IRECT(80, 180, 120, 200), IRECT(80, 135, 120, 155), IRECT(80, 0, 120, 20)}},
                        Case{kHorizontal, wide, IRECT(0, 90, 200, 110),
                             {IRECT(0, 90, 40, 110), IRECT(40, 90, 80, 110), IRECT(160, 90, 200, 110)}},
                        Case{kVertical, needle, IRECT(99.5f, 0, 100.5f, 200),
                             {IRECT(98, 198, 102, 200), IRECT(98, 148.5f, 102, 150.5f), IRECT(98, 0, 102, 2)}},
                        Case{kHorizontal, thread, IRECT(0, 99.5f, 200, 100.5f),
                             {IRECT(0, 95, 20, 105), IRECT(45, 95, 65, 105), IRECT(180, 95, 200, 105)}}})
  {
    auto* slider = new ISVGSliderControl(IRECT(0, 0, 200, 200), ISVG(handle.get()), ISVG(c.track.get()), 0,
                                         c.direction);
    g.AttachControl(slider);
    for (int i = 0; i < 3; ++i)
    {
      slider->SetValue(i == 0 ? 0.0 : i == 1 ? 0.25 : 1.0, 0);
      g.mOps.clear();
      slider->Draw(g);
      ASSERT_EQ(g.OpNames(), (std::vector<std::string>{"DrawSVG", "DrawSVG"}));
      EXPECT_EQ(g.mOps[0].mRect, c.trackImage) << "direction " << c.direction;
      EXPECT_EQ(g.mOps[1].mRect, c.handleAt[i]) << "direction " << c.direction << " value " << i;
    }
    // Made with the default gearing, a drag over a quarter of the handle's run moves the value a quarter.
    const IRECT from = c.handleAt[1];
    const float quarter = (c.handleAt[2].mLeft - c.handleAt[0].mLeft + c.handleAt[0].mTop - c.handleAt[2].mTop) / 4.f;
    slider->OnMouseDown(from.CentreX(), from.CentreY(), left);
    const double pressed = slider->GetValue(0);
    slider->OnMouseDrag(from.CentreX() + quarter, from.CentreY() - quarter, quarter, -quarter, left);
    EXPECT_NEAR(slider->GetValue(0) - pressed, 0.25, 1e-6) << "direction " << c.direction;
  }
  // A track image too large to measure leaves nothing to draw.
  for (std::string text : {"<svg width='10' height='1e39'></svg>", "<svg width='1e39' height='10'></svg>"})
  {
    const SvgPointer endless(SvgParse(text.data(), "px", 96.f), SvgDeleteImage);
    auto* slider = new ISVGSliderControl(IRECT(0, 0, 200, 200), ISVG(handle.get()), ISVG(endless.get()));
    g.AttachControl(slider);
    g.mOps.clear();
    slider->Draw(g);
    EXPECT_TRUE(g.mOps.empty()) << text;
  }
}

// An SVG button shows its on image for any value above one half, and its off image (here none) up to it.
TEST_F(ControlsTest, SvgButtonShowsItsOnImageAboveOneHalf)
{
  const SvgPointer on = EmptySvg(20, 20);
  auto* button = new ISVGButtonControl(IRECT(10, 10, 50, 50), nullptr, ISVG(), ISVG(on.get()));
  g.AttachControl(button);
  ExpectImageDrawnAt(g, *button, {{0.0, false}, {0.5, false}, {0.51, true}, {0.7, true}, {1.0, true}});
}

// An SVG switch shows the image nearest its value; here only the middle one of three is drawn.
TEST_F(ControlsTest, SvgSwitchShowsTheImageNearestItsValue)
{
  const SvgPointer middle = EmptySvg(20, 20);
  auto* sw = new ISVGSwitchControl(IRECT(10, 10, 50, 50), {ISVG(), ISVG(middle.get()), ISVG()});
  g.AttachControl(sw);
  ExpectImageDrawnAt(g, *sw, {{0.0, false}, {0.24, false}, {0.25, true}, {0.5, true}, {0.74, true}, {0.75, false},
                              {1.0, false}});
}

// An SVG knob draws its image turned with its value, nothing without an image, and the image it was last given; it
// is geared down four times.
TEST_F(ControlsTest, SvgKnobDrawsTheImageItWasLastGiven)
{
  const SvgPointer image = EmptySvg(20, 20);
  auto* knob = new ISVGKnobControl(IRECT(10, 10, 50, 50), ISVG(), 0);
  g.AttachControl(knob);
  auto turns = [&] {
    std::vector<float> angles;
    for (double v : {0.0, 1.0})
    {
      knob->SetValue(v, 0);
      g.mOps.clear();
      knob->Draw(g);
      for (const graphicstest::DrawOp& op : g.mOps)
      {
        EXPECT_EQ(op.mName, "DrawRotatedSVG");
        EXPECT_EQ(op.mRect, IRECT(10, 10, 50, 50));
        angles.push_back(op.mArgs.at(0));
      }
    }
    return angles;
  };
  EXPECT_TRUE(turns().empty());
  knob->ReplaceImage(ISVG(image.get()));
  const std::vector<float> angles = turns();
  ASSERT_EQ(angles.size(), 2u);
  EXPECT_LT(angles[0], angles[1]);
  knob->ReplaceImage(ISVG());
  EXPECT_TRUE(turns().empty());
  EXPECT_TRUE(delegate.mValuesFromUI.empty()) << "a new image tells the host nothing";
  knob->SetValue(0.0, 0);
  knob->OnMouseDown(30, 30, left);
  knob->OnMouseDrag(30, -10, 0, -40, left);
  EXPECT_NEAR(knob->GetValue(0), 0.25, 1e-9) << "a drag over its height turns it a quarter";
}

// Lanes share the widget across the way they fill: upright lanes stand side by side, lying lanes are stacked; a
// point finds the lane it is in, and none outside them.
TEST_F(ControlsTest, LanesShareTheWidgetAcrossTheWayTheyFill)
{
  struct Lanes : IVTrackControlBase
  {
    using IVTrackControlBase::IVTrackControlBase;
    void Draw(IGraphics& g) override { DrawWidget(g); }
  };
  auto* upright = new Lanes(IRECT(0, 0, 150, 200), "", WidgetOnly(), {0, 1, 2}, 0, kVertical);
  auto* lying = new Lanes(IRECT(20, 0, 220, 100), "", WidgetOnly(), {0, 1}, 0, kHorizontal);
  g.AttachControl(upright);
  g.AttachControl(lying);
  EXPECT_EQ(upright->GetTrackBounds(0), IRECT(0, 0, 50, 200));
  EXPECT_EQ(upright->GetTrackBounds(1), IRECT(50, 0, 100, 200));
  EXPECT_EQ(upright->GetTrackBounds(2), IRECT(100, 0, 150, 200));
  EXPECT_EQ(lying->GetTrackBounds(0), IRECT(20, 0, 220, 50));
  EXPECT_EQ(lying->GetTrackBounds(1), IRECT(20, 50, 220, 100));
  EXPECT_EQ(upright->GetValIdxForPos(120, 10), 2);
  EXPECT_EQ(lying->GetValIdxForPos(30, 90), 1);
  EXPECT_EQ(lying->GetValIdxForPos(10, 90), -1);
}

TEST_F(ControlsTest, VerticalLaneFillsUpFromItsBottom)
{
  struct Lanes : IVTrackControlBase
  {
    using IVTrackControlBase::IVTrackControlBase;
    using IVTrackControlBase::mBaseValue;
    void Draw(IGraphics& g) override { DrawWidget(g); }
  };
  // Three lanes with names for the first two only.
  auto* lanes = new Lanes(IRECT(0, 0, 150, 200), "", WidgetOnly(), {0, 1, 2}, 0, kVertical, {"x", "y"});
  g.AttachControl(lanes);
  lanes->SetValue(0.25, 0);
  lanes->SetValue(0.75, 1);
  lanes->SetValue(0.5, 2);
  const IRECT hovered = lanes->GetTrackBounds(1);
  lanes->OnMouseOver(hovered.CentreX(), hovered.CentreY(), IMouseMod());
  g.mOps.clear();
  lanes->Draw(g);
  std::vector<std::string> names;
  for (const graphicstest::DrawOp& op : g.mOps)
    if (op.mName == "DrawText")
      names.push_back(op.mText);
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y"})); // the third lane has no name to draw
  EXPECT_EQ(std::count_if(g.mOps.begin(), g.mOps.end(),
                          [](const graphicstest::DrawOp& op) {
                            return op.mName == "FillRect" && op.mColor == IVStyle().mColorSet[kRoleForeground];
                          }),
            3); // one fill for each lane, no more
  for (int i = 0; i < 3; ++i)
  {
    const IRECT r = lanes->GetTrackBounds(i);
    const IRECT filled(r.mLeft, r.mBottom - r.H() * float(lanes->GetValue(i)), r.mRight, r.mBottom);
    EXPECT_TRUE(std::any_of(g.mOps.begin(), g.mOps.end(),
                            [&](const graphicstest::DrawOp& op) { return op.mName == "FillRect" && op.mRect == filled; }))
      << "lane " << i;
    const IRECT marker(r.mLeft, filled.mTop, r.mRight, filled.mTop + 1.f); // a line one point high on the fill
    EXPECT_TRUE(std::any_of(g.mOps.begin(), g.mOps.end(), [&](const graphicstest::DrawOp& op) {
      return op.mName == "FillRect" && op.mRect == marker && op.mColor == IVStyle().mColorSet[kRoleFrame];
    })) << "lane " << i;
    // Only the lane under the pointer is lit over its fill.
    const bool lit = std::any_of(g.mOps.begin(), g.mOps.end(), [&](const graphicstest::DrawOp& op) {
      return op.mName == "FillRect" && op.mRect == filled && op.mColor == IVStyle().mColorSet[kRoleHighlight];
    });
    EXPECT_EQ(lit, i == 1) << "lane " << i;
  }
  // The pointer leaving lights no lane and tells the host nothing.
  lanes->OnMouseOut();
  g.mOps.clear();
  lanes->Draw(g);
  EXPECT_FALSE(std::any_of(g.mOps.begin(), g.mOps.end(), [](const graphicstest::DrawOp& op) {
    return op.mColor == IVStyle().mColorSet[kRoleHighlight];
  }));
  EXPECT_TRUE(delegate.mValuesFromUI.empty());
  // From a base halfway up, each lane fills between the base and its value, below or above it.
  lanes->mBaseValue = 0.5;
  g.mOps.clear();
  lanes->Draw(g);
  for (auto [i, low, high] : {std::tuple{0, 0.25f, 0.5f}, {1, 0.5f, 0.75f}})
  {
    const IRECT r = lanes->GetTrackBounds(i), filled(r.mLeft, r.mBottom - r.H() * high, r.mRight, r.mBottom - r.H() * low);
    EXPECT_EQ(std::count_if(g.mOps.begin(), g.mOps.end(), [&](auto& op) { return op.mRect == filled; }), 1) << i;
  }
}

// A stepped lane fills in whole steps, up to the far edge of the step its value reaches into; the first step is
// one for 0 unless the lane gives 0 no step, and then a value of 0 fills nothing. A fill ending half a point past
// a border between steps takes the step right of or below that border.
TEST_F(ControlsTest, SteppedLaneFillsWholeSteps)
{
  struct Lanes : IVTrackControlBase
  {
    Lanes(const IRECT& bounds, EDirection direction, bool zeroHasStep)
      : IVTrackControlBase(bounds, "", WidgetOnly(), {0}, 4, direction)
    {
      mZeroValueStepHasBounds = zeroHasStep;
    }
    void Draw(IGraphics& g) override { DrawWidget(g); }
  };
  const IColor fill = IVStyle().mColorSet[kRoleForeground];
  struct Case
  {
    EDirection direction;
    bool zeroHasStep;
    double value;
    float reach; // how far the fill reaches along the lane, from its start, in steps of the lane's length
    bool filled;
  } cases[] = {
    {kVertical, true, 0.2, 1, true},   {kVertical, true, 0.3, 2, true},   {kVertical, true, 0.5, 3, true},
    {kVertical, true, 1.0, 5, true},   {kHorizontal, true, 0.1, 1, true}, {kHorizontal, true, 0.3, 2, true},
    {kHorizontal, true, 1.0, 5, true}, {kVertical, false, 0.0, 0, false}, {kVertical, false, 0.3, 2, true},
    {kHorizontal, false, 0.6, 3, true}, {kHorizontal, true, 0.4, 2, true}, {kVertical, true, 0.4, 2, true},
    {kHorizontal, false, 0.5, 2, true}, {kHorizontal, true, 0.205, 2, true}, {kVertical, true, 0.205, 1, true},
  };
  for (const Case& c : cases)
  {
    auto* lanes = new Lanes(IRECT(0, 0, 100, 100), c.direction, c.zeroHasStep);
    g.AttachControl(lanes);
    lanes->SetValue(c.value, 0);
    g.mOps.clear();
    lanes->Draw(g);
    std::vector<IRECT> fills;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "FillRect" && op.mColor == fill)
        fills.push_back(op.mRect);
    const float step = 100.f / (c.zeroHasStep ? 5.f : 4.f), reach = step * c.reach;
    const IRECT r = lanes->GetTrackBounds(0);
    const IRECT expected = c.direction == kVertical ? IRECT(r.mLeft, 100 - reach, r.mRight, r.mBottom)
                                                    : IRECT(r.mLeft, r.mTop, reach, r.mBottom);
    const std::string what = std::string(c.direction == kVertical ? "vertical" : "horizontal") + ", zero step " +
                             std::to_string(c.zeroHasStep) + ", value " + std::to_string(c.value);
    ASSERT_EQ(fills.size(), c.filled ? 1u : 0u) << what;
    if (c.filled)
    {
      for (auto [got, want] : {std::pair{fills[0].mLeft, expected.mLeft}, {fills[0].mTop, expected.mTop},
                               {fills[0].mRight, expected.mRight}, {fills[0].mBottom, expected.mBottom}})
        EXPECT_NEAR(got, want, 1e-3f) << what;
    }
  }
}

using Lines = std::vector<std::pair<IRECT, float>>; // each line's ends and thickness

Lines LinesDrawn(const ControlsGraphics& g)
{
  Lines lines;
  for (const graphicstest::DrawOp& op : g.mOps)
    if (op.mName == "DrawLine")
      lines.emplace_back(op.mRect, op.mArgs.at(0));
  return lines;
}

// Across, a lane fills from its base value to its value whichever is larger, and its base draws a line where the
// base value lies; a base of 0 draws none.
TEST_F(ControlsTest, HorizontalLaneFillsBetweenItsBaseAndItsValue)
{
  struct Lanes : IVTrackControlBase
  {
    using IVTrackControlBase::IVTrackControlBase;
    void Draw(IGraphics& g) override { DrawWidget(g); }
    void SetBase(double base) { mBaseValue = base; }
  };
  auto* lanes = new Lanes(IRECT(20, 0, 220, 100), "", WidgetOnly(), {0, 1}, 0, kHorizontal);
  g.AttachControl(lanes);
  lanes->SetValue(0.75, 0);
  lanes->SetValue(0.1, 1);
  for (double base : {0.0, 0.25})
  {
    lanes->SetBase(base);
    g.mOps.clear();
    lanes->Draw(g);
    for (int i = 0; i < 2; ++i)
    {
      const IRECT r = lanes->GetTrackBounds(i);
      const float at = r.mLeft + r.W() * float(lanes->GetValue(i)), from = r.mLeft + r.W() * float(base);
      const IRECT filled(std::min(at, from), r.mTop, std::max(at, from), r.mBottom);
      EXPECT_TRUE(std::any_of(g.mOps.begin(), g.mOps.end(),
                              [&](const graphicstest::DrawOp& op) { return op.mName == "FillRect" && op.mRect == filled; }))
        << "lane " << i << " base " << base;
      const IRECT marker(filled.mRight - 1.f, r.mTop, filled.mRight, r.mBottom); // a line one point wide at its end
      EXPECT_TRUE(std::any_of(g.mOps.begin(), g.mOps.end(), [&](const graphicstest::DrawOp& op) {
        return op.mName == "FillRect" && op.mRect == marker && op.mColor == IVStyle().mColorSet[kRoleFrame];
      })) << "lane " << i << " base " << base;
    }
    g.mOps.clear();
    const IRECT r = lanes->GetTrackBounds(0);
    lanes->PaintLaneBase(g, r, 0);
    const float x = r.mLeft + r.W() * 0.25f;
    EXPECT_EQ(LinesDrawn(g), (base > 0.0 ? Lines{{IRECT(x, r.mTop, x, r.mBottom), 1.f}} : Lines{})) << base;
  }
  // Up the way, the base line lies across the lane, a quarter up from its bottom.
  auto* upright = new Lanes(IRECT(0, 100, 100, 300), "", WidgetOnly(), {0, 1}, 0, kVertical);
  g.AttachControl(upright);
  upright->SetBase(0.25);
  g.mOps.clear();
  const IRECT r = upright->GetTrackBounds(1);
  upright->PaintLaneBase(g, r, 1);
  const float y = r.mBottom - r.H() * 0.25f;
  EXPECT_EQ(LinesDrawn(g), (Lines{{IRECT(r.mLeft, y, r.mRight, y), 1.f}}));
}

// A lane's track, and a range slider's, gets a frame only when the style draws frames and the control keeps
// its track frame: either one turned off leaves the track unframed.
TEST_F(ControlsTest, ATrackIsFramedOnlyWhenTheStyleAndTheControlBothAskForIt)
{
  struct Lanes : IVTrackControlBase
  {
    Lanes(const IRECT& bounds, const IVStyle& style, bool trackFrame)
      : IVTrackControlBase(bounds, "", style, {0, 1}, 0, kVertical)
    {
      mDrawTrackFrame = trackFrame;
    }
    void Draw(IGraphics& g) override { DrawWidget(g); }
  };
  struct RangeSlider : IVRangeSliderControl
  {
    RangeSlider(const IRECT& bounds, const IVStyle& style, bool trackFrame)
      : IVRangeSliderControl(bounds, {0, 1}, "", style)
    {
      mDrawTrackFrame = trackFrame;
    }
  };
  const IColor frame = IVStyle().mColorSet[kRoleFrame];
  for (bool styleFrame : {false, true})
    for (bool trackFrame : {false, true})
    {
      IVStyle style = WidgetOnly();
      style.mDrawFrame = styleFrame;
      IVTrackControlBase* controls[] = {new Lanes(IRECT(0, 0, 100, 100), style, trackFrame),
                                        new RangeSlider(IRECT(200, 0, 240, 200), style, trackFrame)};
      for (IVTrackControlBase* control : controls)
      {
        g.AttachControl(control);
        g.mOps.clear();
        control->Draw(g);
        const int lanes = control == controls[0] ? 2 : 1;
        for (int i = 0; i < lanes; ++i)
        {
          const IRECT track = control->GetTrackBounds(i);
          const auto framed = std::count_if(g.mOps.begin(), g.mOps.end(), [&](const graphicstest::DrawOp& op) {
            return op.mName == "DrawRect" && op.mRect == track && op.mColor == frame;
          });
          EXPECT_EQ(framed, styleFrame && trackFrame ? 1 : 0)
            << (lanes == 2 ? "lane " : "range slider track ") << i << ", style frame " << styleFrame
            << ", track frame " << trackFrame;
        }
      }
    }
}

TEST_F(ControlsTest, SliderHandlesSitAtTheirValuesAlongTheTrackEitherWay)
{
  // Handles of 10 (range slider 8) either side of their centre; the track runs inside the widget by that much.
  IVStyle plain = WidgetOnly();
  plain.mDrawShadows = plain.mDrawFrame = false;
  struct Case
  {
    EDirection direction;
    double value;
    IRECT handle, lower, upper; // the slider's; the range slider's at value and at 1 - value
  } cases[] = {
    {kHorizontal, 0.0, IRECT(0, 10, 20, 30), IRECT(0, 22, 16, 38), IRECT(184, 2, 200, 18)},
    {kHorizontal, 0.25, IRECT(45, 10, 65, 30), IRECT(46, 22, 62, 38), IRECT(138, 2, 154, 18)},
    {kVertical, 0.0, IRECT(10, 180, 30, 200), IRECT(2, 184, 18, 200), IRECT(22, 0, 38, 16)},
    {kVertical, 0.25, IRECT(10, 135, 30, 155), IRECT(2, 138, 18, 154), IRECT(22, 46, 38, 62)},
  };
  for (const Case& c : cases)
  {
    const IRECT bounds = c.direction == kHorizontal ? IRECT(0, 0, 200, 40) : IRECT(0, 0, 40, 200);
    auto* slider = new IVSliderControl(bounds, 0, "", plain, false, c.direction, 1.0, 10.f, 0.f);
    g.AttachControl(slider);
    slider->SetValue(c.value, 0);
    g.mOps.clear();
    slider->DrawWidget(g);
    ASSERT_FALSE(g.mOps.empty());
    IRECT drawn = g.mOps.front().mRect;
    for (const graphicstest::DrawOp& op : g.mOps) drawn = drawn.Union(op.mRect);
    EXPECT_EQ(drawn, c.handle) << c.direction << " at " << c.value;

    auto* range = new IVRangeSliderControl(bounds, {1, 2}, "", WidgetOnly(), c.direction, 8.f, 2.f);
    g.AttachControl(range);
    range->SetValue(c.value, 0);
    range->SetValue(1.0 - c.value, 1);
    EXPECT_EQ(range->GetHandleBounds(0), c.lower) << c.direction << " at " << c.value;
    EXPECT_EQ(range->GetHandleBounds(1), c.upper) << c.direction << " at " << c.value;
    // The span between the two values is filled, from one handle's centre to the other's.
    g.mOps.clear();
    range->DrawWidget(g);
    const auto span = std::find_if(g.mOps.begin(), g.mOps.end(), [](const graphicstest::DrawOp& op) {
      return op.mName == "FillRect" && op.mColor == IVStyle().mColorSet[kRoleExtra1];
    });
    ASSERT_NE(span, g.mOps.end()) << c.direction << " at " << c.value;
    if (c.direction == kHorizontal)
    {
      EXPECT_EQ(span->mRect.mLeft, c.lower.CentreX()) << c.value;
      EXPECT_EQ(span->mRect.mRight, c.upper.CentreX()) << c.value;
      EXPECT_GT(span->mRect.H(), 0.f);
    }
    else
    {
      EXPECT_EQ(span->mRect.mTop, c.upper.CentreY()) << c.value;
      EXPECT_EQ(span->mRect.mBottom, c.lower.CentreY()) << c.value;
      EXPECT_GT(span->mRect.W(), 0.f);
    }
  }
}

// The bar and its fill run the length of the track, or reach on under the handle at both ends when the handle is
// inside the track.
TEST_F(ControlsTest, SliderBarReachesUnderTheHandleWhenTheHandleIsInsideTheTrack)
{
  IVStyle plain = WidgetOnly();
  plain.mDrawShadows = plain.mDrawFrame = false;
  struct Case
  {
    EDirection direction;
    bool inside;
    IRECT track, fill; // at a quarter
  } cases[] = {
    {kHorizontal, false, IRECT(10, 18, 190, 22), IRECT(10, 18, 55, 22)},
    {kHorizontal, true, IRECT(0, 18, 200, 22), IRECT(0, 18, 65, 22)},
    {kVertical, false, IRECT(18, 10, 22, 190), IRECT(18, 145, 22, 190)},
    {kVertical, true, IRECT(18, 0, 22, 200), IRECT(18, 135, 22, 200)},
  };
  for (const Case& c : cases)
  {
    const IRECT bounds = c.direction == kHorizontal ? IRECT(0, 0, 200, 40) : IRECT(0, 0, 40, 200);
    auto* slider = new IVSliderControl(bounds, 0, "", plain, false, c.direction, 1.0, 10.f, 2.f, c.inside);
    g.AttachControl(slider);
    slider->SetValue(0.25, 0);
    g.mOps.clear();
    slider->DrawWidget(g);
    std::vector<IRECT> bars;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "FillRoundRect")
        bars.push_back(op.mRect);
    EXPECT_EQ(bars, (std::vector<IRECT>{c.track, c.fill})) << c.direction << (c.inside ? " inside" : "");
  }
}

// Whether the picker hands the choice back through its function or in the colour it was given, the cell takes it
// once; a cancelled picker changes nothing.
TEST_F(ControlsTest, ColourSwatchOffersTheCellsOwnColourToThePicker)
{
  enum Answer { kInPlace, kThroughTheFunction, kCancelled };
  struct Picker : ControlsGraphics
  {
    using ControlsGraphics::ControlsGraphics;
    IColor mOffered;
    Answer mAnswer = kInPlace;
    bool PromptForColor(IColor& color, const char*, std::function<void(const IColor&)> func) override
    {
      mOffered = color;
      if (mAnswer == kCancelled)
        return false;
      color = IColor(255, 1, 2, 3); // chosen at once, as a modal picker does
      if (mAnswer == kThroughTheFunction)
        func(color);
      return true;
    }
  } picker(delegate, 400, 300);
  for (Answer answer : {kInPlace, kThroughTheFunction, kCancelled})
  {
    picker.mAnswer = answer;
    std::vector<std::pair<int, IColor>> chosen;
    auto* swatch = new IVColorSwatchControl(IRECT(0, 0, 90, 30), "",
                                            [&](int cell, IColor c) { chosen.push_back({cell, c}); }, WidgetOnly(),
                                            IVColorSwatchControl::kHorizontal, {kRoleHighlight, kRoleExtra1});
    picker.AttachControl(swatch);
    const IRECT second = swatch->GetCell(1);
    swatch->OnMouseOver(second.CentreX(), second.CentreY(), IMouseMod());
    swatch->OnMouseDown(second.CentreX(), second.CentreY(), left);
    EXPECT_EQ(picker.mOffered, IVStyle().mColorSet[kRoleExtra1]);
    if (answer == kCancelled)
    {
      EXPECT_TRUE(chosen.empty());
      continue;
    }
    ASSERT_EQ(chosen.size(), 1u) << "answer " << answer;
    EXPECT_EQ(chosen[0].first, 1);
    EXPECT_EQ(chosen[0].second, IColor(255, 1, 2, 3));
  }
}

// A cell with a name shows it on the left and its colour in its right quarter.
TEST_F(ControlsTest, ColourSwatchNamesACellBesideItsColour)
{
  auto* swatch = new IVColorSwatchControl(IRECT(0, 0, 200, 30), "", nullptr, WidgetOnly(),
                                          IVColorSwatchControl::kHorizontal, {kRoleHighlight, kRoleExtra1},
                                          {"hot", ""});
  g.AttachControl(swatch);
  g.mOps.clear();
  swatch->DrawWidget(g);
  const IRECT named = swatch->GetCell(0), plain = swatch->GetCell(1);
  std::vector<std::string> texts;
  std::vector<IRECT> fills;
  for (const graphicstest::DrawOp& op : g.mOps)
  {
    if (op.mName == "DrawText")
    {
      texts.push_back(op.mText);
      EXPECT_EQ(op.mRect, IRECT(named.mLeft, named.mTop, named.mLeft + 0.7f * named.W(), named.mBottom));
    }
    if (op.mName == "FillRect")
      fills.push_back(op.mRect);
  }
  EXPECT_EQ(texts, std::vector<std::string>{"hot"});
  EXPECT_EQ(fills, (std::vector<IRECT>{IRECT(named.mRight - named.W() / 4.f, named.mTop, named.mRight, named.mBottom),
                                       plain}));
}

// The frame of the cell under the pointer is drawn lighter; the gaps between cells belong to no cell.
TEST_F(ControlsTest, ColourSwatchHighlightsOnlyTheCellUnderThePointer)
{
  auto* swatch = new IVColorSwatchControl(IRECT(0, 0, 90, 30), "", nullptr, WidgetOnly(),
                                          IVColorSwatchControl::kHorizontal, {kRoleHighlight, kRoleExtra1, kRoleFrame});
  g.AttachControl(swatch);
  const IColor lit(255, 127, 127, 127);
  auto litFrames = [&] {
    g.mOps.clear();
    swatch->Draw(g);
    std::vector<IRECT> frames;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "DrawRect" && op.mColor == lit)
        frames.push_back(op.mRect);
      else if (op.mName == "DrawRect")
      {
        EXPECT_EQ(op.mColor, IColor(255, 70, 70, 70)) << "the frame of a cell not under the pointer";
      }
    return frames;
  };
  EXPECT_EQ(swatch->GetText().mHAlign, kAlignFar); // labels lean against their swatches
  for (int i : {2, 0, 1})
  {
    const IRECT cell = swatch->GetCell(i);
    swatch->OnMouseOver(cell.CentreX(), cell.CentreY(), IMouseMod());
    EXPECT_EQ(litFrames(), std::vector<IRECT>{cell.GetPadded(0.5f)}) << "cell " << i;
  }
  // On the gap after the last cell, and far outside as a host may report while a button is held: no cell is lit.
  // In a process of its own, as a stray index would read past the cells.
  EXPECT_EXIT(
    {
      swatch->OnMouseOver(swatch->GetCell(2).mRight + 1.f, 15.f, IMouseMod());
      const bool gapUnlit = litFrames().empty();
      swatch->OnMouseOver(-1.e6f, -1.e6f, IMouseMod());
      std::exit(gapUnlit && litFrames().empty() ? 0 : 1);
    },
    ::testing::ExitedWithCode(0), "");
}

TEST_F(ControlsTest, ColourSwatchGridFillsEachRowLeftToRightBeforeTheNext)
{
  auto* swatch = new IVColorSwatchControl(IRECT(0, 0, 90, 90), "", nullptr, WidgetOnly(), IVColorSwatchControl::kGrid,
                                          {0, 1, 2, 3, 4, 5, 6, 7, 8});
  g.AttachControl(swatch);
  // Each cell's centre as sixths of the widget across and down.
  const int sixths[9][2] = {{1, 1}, {3, 1}, {5, 1}, {1, 3}, {3, 3}, {5, 3}, {1, 5}, {3, 5}, {5, 5}};
  const IRECT w = swatch->GetWidgetBounds();
  for (int i = 0; i < 9; ++i)
  {
    EXPECT_NEAR(swatch->GetCell(i).CentreX(), w.mLeft + w.W() * sixths[i][0] / 6.f, 1e-3) << "cell " << i;
    EXPECT_NEAR(swatch->GetCell(i).CentreY(), w.mTop + w.H() * sixths[i][1] / 6.f, 1e-3) << "cell " << i;
  }
}

// A row splits the widget into equal slots side by side, a column into equal slots one above another, and a grid
// into three by three filled a row at a time. Each cell keeps two points clear inside its slot and its colour fills
// exactly that cell.
TEST_F(ControlsTest, ColourSwatchLaysItsCellsInARowAColumnOrAGrid)
{
  struct Case
  {
    int layout;
    IRECT bounds;
    int across, down;                        // slots the widget is split into
    std::vector<std::pair<int, int>> slots; // column and row of each cell
  };
  for (const Case& c :
       {Case{IVColorSwatchControl::kHorizontal, IRECT(0, 0, 160, 40), 4, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        Case{IVColorSwatchControl::kVertical, IRECT(0, 0, 40, 160), 1, 4, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
        Case{IVColorSwatchControl::kGrid, IRECT(0, 0, 120, 120), 3, 3, {{0, 0}, {1, 0}, {2, 0}, {0, 1}}}})
  {
    auto* swatch = new IVColorSwatchControl(c.bounds, "", nullptr, WidgetOnly(), c.layout,
                                            {kRoleHighlight, kRoleExtra1, kRoleFrame, kRoleShadow});
    g.AttachControl(swatch);
    g.mOps.clear();
    swatch->DrawWidget(g);
    const std::vector<IRECT> filled = g.Rects("FillRect");
    ASSERT_EQ(swatch->NCells(), 4);
    ASSERT_EQ(filled.size(), 4u) << "layout " << c.layout;
    const IRECT w = swatch->GetWidgetBounds();
    const float slotW = w.W() / static_cast<float>(c.across), slotH = w.H() / static_cast<float>(c.down);
    for (int i = 0; i < 4; ++i)
    {
      const float left = w.mLeft + slotW * static_cast<float>(c.slots[static_cast<size_t>(i)].first);
      const float top = w.mTop + slotH * static_cast<float>(c.slots[static_cast<size_t>(i)].second);
      const IRECT expected(left + 2.f, top + 2.f, left + slotW - 2.f, top + slotH - 2.f);
      for (const IRECT& seen : {swatch->GetCell(i), filled[static_cast<size_t>(i)]})
      {
        EXPECT_NEAR(seen.mLeft, expected.mLeft, 1e-3) << "layout " << c.layout << ", cell " << i;
        EXPECT_NEAR(seen.mTop, expected.mTop, 1e-3) << "layout " << c.layout << ", cell " << i;
        EXPECT_NEAR(seen.mRight, expected.mRight, 1e-3) << "layout " << c.layout << ", cell " << i;
        EXPECT_NEAR(seen.mBottom, expected.mBottom, 1e-3) << "layout " << c.layout << ", cell " << i;
      }
    }
  }
}

TEST_F(ControlsTest, GroupFramesAllItsMembersWithItsPadding)
{
  auto* first = new IVButtonControl(IRECT(10, 10, 50, 40), nullptr);
  g.AttachControl(first, -1, "knobs");
  g.AttachControl(new IVButtonControl(IRECT(200, 200, 220, 220)), -1, "other");
  g.AttachControl(new IVButtonControl(IRECT(60, 20, 100, 80)), -1, "knobs");
  auto* group = new IVGroupControl("Knobs", "knobs", 5.f, 15.f, 5.f, 5.f);
  g.AttachControl(group);
  EXPECT_EQ(group->GetRECT(), IRECT(5, -5, 105, 85));
  // Groups, made either way, lie over their members without taking their presses.
  g.AttachControl(new IVGroupControl(IRECT(0, 0, 120, 100), "plain"));
  IMouseInfo press;
  press.mX = 30, press.mY = 25, press.mMod = left;
  g.OnMouseDown({press});
  EXPECT_EQ(first->GetValue(0), 1.0);
}

// The frame is one path from the label's right end round the corners back to its left end; without a label shown
// it closes on itself.
TEST_F(ControlsTest, GroupFrameLeavesAGapOnlyForALabelItShows)
{
  g.AttachControl(new IVButtonControl(IRECT(20, 40, 120, 100)), -1, "members");
  for (bool shown : {true, false})
  {
    IVStyle style;
    style.mShowLabel = shown;
    style.mRoundness = 0.5f; // the frame starts and ends where the top left corner's arc does
    auto* group = new IVGroupControl("Members", "members", 10.f, 30.f, 10.f, 10.f, style);
    g.AttachControl(group);
    g.mOps.clear();
    group->DrawWidget(g);
    std::vector<graphicstest::DrawOp> ends;
    for (const graphicstest::DrawOp& op : g.mOps)
      if (op.mName == "PathMoveTo" || op.mName == "PathLineTo")
        ends.push_back(op);
    ASSERT_EQ(ends.size(), 2u) << shown;
    const IRECT w = group->GetWidgetBounds(), label = group->GetLabelBounds();
    EXPECT_EQ(ends[0].mName, "PathMoveTo");
    EXPECT_EQ(ends[0].mRect.mTop, w.mTop);
    EXPECT_EQ(ends[1].mRect.mTop, w.mTop);
    if (shown)
    {
      EXPECT_GT(label.W(), 0.f);
      EXPECT_EQ(ends[0].mRect.mLeft, label.mRight);
      EXPECT_EQ(ends[1].mRect.mLeft, label.mLeft);
    }
    else
    {
      EXPECT_EQ(ends[0].mRect.mLeft, ends[1].mRect.mLeft);
      EXPECT_GT(ends[0].mRect.mLeft, w.mLeft);
      EXPECT_LT(ends[0].mRect.mLeft, w.mLeft + w.W() / 2.f);
    }
  }
}

TEST_F(ControlsTest, DisabledControlDrawsFadedUntilEnabledAgain)
{
  auto* button = new IVButtonControl(IRECT(0, 0, 60, 30));
  g.AttachControl(button);
  for (bool disabled : {true, false})
  {
    button->SetDisabled(disabled);
    g.mOps.clear();
    button->Draw(g);
    std::vector<float> weights;
    for (const auto& op : g.mOps)
      if (op.mBlendWeight >= 0.f)
        weights.push_back(op.mBlendWeight);
    ASSERT_FALSE(weights.empty());
    EXPECT_EQ(weights, std::vector<float>(weights.size(), disabled ? IControl::kDisabledBlendWeight : 1.f));
  }
}

} // namespace
} // namespace controlstest
