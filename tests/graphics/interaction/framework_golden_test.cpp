// What the framework does over wide matrices, compared with text references in golden/: the drawing calls its
// utilities, layers, shadows, bitmap loading and rotated text make at screen scales 1 and 2 and draw scales 0.5 to
// 2; and pointer, wheel and key events dispatched to a grid of controls (base classes, hidden, disabled and
// overlapping ones) with the calls each control gets, the host's gestures and values, and the dirty rectangles and
// drawing of the frame after each event.
#include <gtest/gtest.h>

#include <sstream>

#include "fake_platform.h"
#include "foundation/clock.h"
#include "graphics/bases/IButtonControlBase.h"
#include "graphics/bases/IKnobControlBase.h"
#include "graphics/bases/ISliderControlBase.h"
#include "graphics/bases/ISwitchControlBase.h"
#include "graphics/bases/ITextControls.h"
#include "graphics/overlay/OverlayControls.h"
#include "test_controls.h"
#include "test_delegate.h"
#include "text_golden.h"

using namespace graphicstest;

namespace {

std::string Rect(const IRECT& r)
{
  return "[" + Num(r.mLeft) + " " + Num(r.mTop) + " " + Num(r.mRight) + " " + Num(r.mBottom) + "]";
}

std::string Op(const DrawOp& op)
{
  std::string s = op.mName + " " + Rect(op.mRect);
  const IColor& c = op.mColor;
  if (c != IColor())
    s += " c" + std::to_string(c.mAlpha) + "," + std::to_string(c.mRed) + "," + std::to_string(c.mGreen) + "," +
         std::to_string(c.mBlue);
  for (float a : op.mArgs)
    s += " " + Num(a);
  if (!op.mText.empty())
    s += " \"" + op.mText + "\"";
  if (op.mBlendWeight >= 0.f)
    s += " blend " + Num(op.mBlendWeight);
  return s;
}

/// Appends the operations logged since the last call, with a line for each change of the clip, and forgets them.
void TakeOps(RecordingBackend& g, std::ostringstream& out)
{
  IRECT clip;
  for (const DrawOp& op : g.mOps)
  {
    if (op.mClip != clip)
      out << "  clip " << Rect(op.mClip) << "\n";
    clip = op.mClip;
    out << "  " << Op(op) << "\n";
  }
  g.mOps.clear();
}

std::string Mods(const IMouseMod& m)
{
  std::string s;
  s += m.mLeft ? "L" : "";
  s += m.mRight ? "R" : "";
  s += m.mShift ? "S" : "";
  s += m.mCtrl ? "C" : "";
  s += m.mAlt ? "A" : "";
  if (m.mTouchID)
    s += "#" + std::to_string(m.mTouchID);
  return s.empty() ? "-" : s;
}

/// A control of base class Base that writes every input call it gets into a shared log, and draws its value.
template <class Base>
class Logged : public Base
{
public:
  template <class... A>
  Logged(std::string name, std::ostringstream& log, A&&... args)
    : Base(std::forward<A>(args)...), mName(std::move(name)), mLog(log)
  {
  }
  void Draw(IGraphics& g) override
  {
    const IRECT& r = this->GetRECT();
    g.FillRect(IColor(255, 10, 20, 30), IRECT(r.mLeft, r.mTop, r.mLeft + r.W() * float(this->GetValue()), r.mBottom),
               nullptr);
    g.DrawText(IText(10.f), mName.c_str(), this->GetRECT());
  }
  void Note(const std::string& what, float x, float y, const IMouseMod& m)
  {
    mLog << "  " << mName << " " << what << " " << Num(x) << " " << Num(y) << " " << Mods(m) << "\n";
  }
  void OnMouseDown(float x, float y, const IMouseMod& m) override { Note("down", x, y, m), Base::OnMouseDown(x, y, m); }
  void OnMouseUp(float x, float y, const IMouseMod& m) override { Note("up", x, y, m), Base::OnMouseUp(x, y, m); }
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& m) override
  {
    Note("drag " + Num(dX) + " " + Num(dY), x, y, m);
    Base::OnMouseDrag(x, y, dX, dY, m);
  }
  void OnMouseDblClick(float x, float y, const IMouseMod& m) override
  {
    Note("double", x, y, m);
    Base::OnMouseDblClick(x, y, m);
  }
  void OnMouseWheel(float x, float y, const IMouseMod& m, float d) override
  {
    Note("wheel " + Num(d), x, y, m);
    Base::OnMouseWheel(x, y, m, d);
  }
  void OnMouseOver(float x, float y, const IMouseMod& m) override { Note("over", x, y, m), Base::OnMouseOver(x, y, m); }
  void OnMouseOut() override
  {
    mLog << "  " << mName << " out\n";
    Base::OnMouseOut();
  }
  bool OnKeyDown(float x, float y, const plug::IKeyPress& key) override
  {
    Note(std::string("key ") + key.mUtf8, x, y, IMouseMod());
    return Base::OnKeyDown(x, y, key);
  }
  void OnResize() override
  {
    mLog << "  " << mName << " resize " << Rect(this->GetRECT()) << "\n";
    Base::OnResize();
  }
  void OnRescale() override
  {
    mLog << "  " << mName << " rescale\n";
    Base::OnRescale();
  }

private:
  std::string mName;
  std::ostringstream& mLog;
};

class Plain : public IControl
{
public:
  Plain(const IRECT& r, int paramIdx = -1) : IControl(r, paramIdx) {}
  void Draw(IGraphics&) override {}
};

struct FrameworkGolden : ::testing::Test
{
  std::ostringstream out;

  /// Runs one tick as the view does and writes the dirty rectangles and the frame's drawing.
  void Tick(FakePlatformGraphics& g)
  {
    IRECTList rects;
    g.mOps.clear();
    if (!g.IsDirty(rects))
      return;
    out << "  dirty";
    for (int i = 0; i < rects.Size(); ++i)
      out << " " << Rect(rects.Get(i));
    out << "\n";
    g.SetAllControlsClean();
    g.DrawDirtyRects(rects);
    // One line per control drawn: its clip, the bar of its value and its name.
    for (const DrawOp& op : g.mOps)
      if (op.mName == "PrepareRegion")
        out << "  " << Rect(op.mRect);
      else if (op.mName == "FillRect")
        out << " " << Num(op.mRect.mRight);
      else if (op.mName == "DrawText")
        out << " " << op.mText;
      else if (op.mName == "FinishRegion")
        out << "\n";
      else if (op.mName != "BeginFrame" && op.mName != "EndFrame")
        out << "  " << Op(op) << "\n";
    g.mOps.clear();
  }
};

/// Parameters of three kinds (a level, an enumerated mode and a switch), and the host's side as TestDelegate's.
struct OverlayDelegate : IGEditorDelegate
{
  OverlayDelegate() : IGEditorDelegate(3)
  {
    GetParam(0)->InitDouble("level", 0.0, 0.0, 1.0, 0.001);
    GetParam(1)->InitEnum("mode", 1, {"soft", "warm", "hard"});
    GetParam(2)->InitBool("on", false);
    SetSizeConstraints(0, 1000000, 0, 1000000);
  }
  std::vector<std::string> mLog;
  void BeginInformHostOfParamChangeFromUI(int idx) override { mLog.push_back("begin " + std::to_string(idx)); }
  void EndInformHostOfParamChangeFromUI(int idx) override { mLog.push_back("end " + std::to_string(idx)); }
  void SendParamValueFromUI(int idx, double normalized) override
  {
    mLog.push_back("value " + std::to_string(idx) + " " + Num(normalized));
    IGEditorDelegate::SendParamValueFromUI(idx, normalized);
  }
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override
  {
    mLog.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
    return true;
  }
};

/// The lines of other that differ from those of base at the same place, numbered; all of other when the two
/// records differ in length.
std::string Differences(const std::string& base, const std::string& other)
{
  auto lines = [](const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      v.push_back(line);
    return v;
  };
  const std::vector<std::string> a = lines(base), b = lines(other);
  if (a.size() != b.size())
    return other;
  std::string out = "differences of " + std::to_string(b.size()) + " lines\n";
  for (size_t i = 0; i < b.size(); ++i)
    if (a[i] != b[i])
      out += std::to_string(i + 1) + ": " + b[i] + "\n";
  return out;
}

IMouseInfo At(float x, float y, const IMouseMod& mod, float dx = 0.f, float dy = 0.f)
{
  IMouseInfo info;
  info.mX = x, info.mY = y, info.mDX = dx, info.mDY = dy, info.mMod = mod;
  return info;
}

/// Bitmap text, lines, grids and text: drawn the same at every scale.
void DrawScaleFreeUtilities(FakePlatformGraphics& g, const IBitmap& font, std::ostringstream& out)
{
  const IColor ink(255, 200, 100, 50);
  const IBlend half(kBlendDefault, 0.5f);
  out << "bitmap text\n";
  for (int align : {0, 1, 2})
    for (bool vCentre : {false, true})
      for (bool multi : {false, true})
        g.DrawBitmapText(font, IRECT(10.f, 10.f, 40.f, 50.f), IText(12.f, ink, nullptr, align), nullptr,
                         "Ab~\x80z", vCentre, multi, 7, 9, 1);
  g.DrawBitmapText(font, IRECT(0.f, 0.f, 3.f, 9.f), IText(), nullptr, "wide", true, false, 7, 9);
  TakeOps(g, out);
  out << "lines\n";
  for (float f : {-0.5f, 0.f, 0.3f, 1.f, 1.5f})
  {
    g.DrawVerticalLine(ink, IRECT(10.f, 20.f, 37.f, 60.f), f, nullptr, 2.f);
    g.DrawHorizontalLine(ink, IRECT(10.f, 20.f, 37.f, 60.f), f, &half);
  }
  for (float angle : {0.f, 45.f, 90.f, 200.f, -30.f})
    g.DrawRadialLine(ink, 50.f, 40.f, angle, 5.f, 20.f, nullptr, 1.5f);
  for (float size : {0.5f, 1.f, 7.f, 10.f, 40.f})
    g.DrawGrid(ink, IRECT(0.f, 0.f, 30.f, 20.f), size, size * 1.5f);
  TakeOps(g, out);
  out << "text\n";
  for (const char* str : {"", "abc", "longer text"})
  {
    IRECT r(10.f, 10.f, 10.f, 10.f);
    out << "  measure \"" << str << "\" " << Num(g.MeasureText(IText(14.f), str, r)) << " " << Rect(r) << "\n";
    g.DrawText(IText(14.f), str, 30.f, 40.f, &half);
  }
  for (float angle : {0.f, 30.f, 90.f, -45.f})
    for (int h : {0, 1, 2})
      for (int v : {0, 1, 2})
      {
        const IText text(12.f, ink, nullptr, h, v, angle);
        IRECT r(0.f, 0.f, 40.f, 12.f);
        double tx = 0.0, ty = 0.0;
        g.RotateTextBounds(text, IRECT(10.f, 20.f, 70.f, 50.f), r, tx, ty);
        out << "  rotated " << Num(angle) << " " << h << v << " " << Rect(r) << " " << Num(tx) << " "
            << Num(ty) << "\n";
      }
  TakeOps(g, out);
}

} // namespace

TEST_F(FrameworkGolden, EventsDispatchedToAGridOfControlsAndTheFramesThatFollow)
{
  for (int screen : {1, 2})
    for (float scale : {1.f, 1.5f})
    {
      out << "screen " << screen << " draw scale " << Num(scale) << "\n";
      TestDelegate delegate(6);
      delegate.GetParam(3)->InitInt("stepped", 2, 0, 4);
      // No frame rate asked for gives the default one.
      FakePlatformGraphics g{delegate, 160, 120, screen == 1 ? 0 : 50};
      out << "fps " << g.FPS() << "\n";
      g.mScreenScaleOnOpen = screen;
      g.OpenWindow(nullptr);
      g.EnableMouseOver(true);
      g.Resize(160, 120, scale, false);
      std::ostringstream& log = out;
      g.AttachControl(new Plain(IRECT(0.f, 0.f, 160.f, 120.f)));
      g.AttachControl(new Logged<IKnobControlBase>("knob", log, IRECT(10.f, 10.f, 50.f, 50.f), 0, nullptr,
                                                   kVertical, 2.0));
      g.AttachControl(new Logged<ISliderControlBase>("hslider", log, IRECT(60.f, 10.f, 150.f, 30.f), 1,
                                                     kHorizontal, 1.0, 8.f));
      g.AttachControl(new Logged<ISliderControlBase>("vslider", log, IRECT(60.f, 35.f, 80.f, 110.f), 2, kVertical,
                                                     1.0, 10.f));
      g.AttachControl(new Logged<ISliderControlBase>("stepped", log, IRECT(90.f, 35.f, 150.f, 55.f), 3,
                                                     kHorizontal, 1.0, 5.f));
      g.AttachControl(new Logged<ISwitchControlBase>("switch", log, IRECT(10.f, 60.f, 30.f, 80.f), 4, nullptr, 3));
      int clicks = 0;
      g.AttachControl(new Logged<IButtonControlBase>("button", log, IRECT(35.f, 60.f, 55.f, 80.f),
                                                     [&](IControl*) { ++clicks; }));
      auto* hidden = new Logged<IKnobControlBase>("hidden", log, IRECT(10.f, 85.f, 30.f, 110.f), 5, nullptr,
                                                  kVertical, 1.0);
      g.AttachControl(hidden);
      hidden->SetHidden(true);
      auto* disabled = new Logged<IKnobControlBase>("disabled", log, IRECT(35.f, 85.f, 55.f, 110.f), -1, nullptr,
                                                    kHorizontal, 1.0);
      g.AttachControl(disabled);
      disabled->SetDisabled(true);
      // Overlaps the knob's lower right: the later control is on top.
      g.AttachControl(new Logged<IKnobControlBase>("over", log, IRECT(40.f, 40.f, 58.f, 58.f), -1, nullptr,
                                                   kHorizontal, 4.0));
      g.AttachCornerResizer(kResizerScale, false);
      Tick(g);
      delegate.mLog.clear();

      struct Step
      {
        const char* what;
        std::function<void()> run;
      };
      const IMouseMod left(true), right(false, true), shift(true, false, true), ctrl(true, false, false, true);
      std::vector<Step> steps = {
        {"hover knob", [&] { g.OnMouseOver(20.f, 20.f, IMouseMod()); }},
        {"hover overlap", [&] { g.OnMouseOver(45.f, 45.f, IMouseMod()); }},
        {"hover hidden", [&] { g.OnMouseOver(20.f, 100.f, IMouseMod()); }},
        {"hover disabled", [&] { g.OnMouseOver(40.f, 100.f, IMouseMod()); }},
        {"out", [&] { g.OnMouseOut(); }},
        {"press knob", [&] { g.OnMouseDown({At(20.f, 30.f, left)}); }},
        {"drag knob", [&] { g.OnMouseDrag({At(21.f, 22.f, left, 1.f, -8.f)}); }},
        {"drag knob fine", [&] { g.OnMouseDrag({At(21.f, 12.f, shift, 0.f, -10.f)}); }},
        {"drag outside", [&] { g.OnMouseDrag({At(120.f, 100.f, left, 99.f, 88.f)}); }},
        {"release", [&] { g.OnMouseUp({At(120.f, 100.f, left)}); }},
        {"press hslider", [&] { g.OnMouseDown({At(100.f, 20.f, left)}); }},
        {"drag hslider", [&] { g.OnMouseDrag({At(130.f, 25.f, left, 30.f, 5.f)}); }},
        {"drag hslider ctrl", [&] { g.OnMouseDrag({At(140.f, 25.f, ctrl, 10.f, 0.f)}); }},
        {"release", [&] { g.OnMouseUp({At(140.f, 25.f, left)}); }},
        {"press vslider", [&] { g.OnMouseDown({At(70.f, 50.f, left)}); }},
        {"drag vslider", [&] { g.OnMouseDrag({At(70.f, 90.f, left, 0.f, 40.f)}); }},
        {"release", [&] { g.OnMouseUp({At(70.f, 90.f, left)}); }},
        {"press stepped", [&] { g.OnMouseDown({At(140.f, 45.f, left)}); }},
        {"drag stepped", [&] { g.OnMouseDrag({At(150.f, 45.f, left, 25.f, 0.f)}); }},
        {"release", [&] { g.OnMouseUp({At(150.f, 45.f, left)}); }},
        {"wheel knob", [&] { g.OnMouseWheel(20.f, 20.f, IMouseMod(), 1.f); }},
        {"wheel knob fine", [&] { g.OnMouseWheel(20.f, 20.f, IMouseMod(false, false, true), -1.f); }},
        {"wheel hslider", [&] { g.OnMouseWheel(100.f, 20.f, IMouseMod(), -2.f); }},
        {"wheel hidden", [&] { g.OnMouseWheel(20.f, 100.f, IMouseMod(), 1.f); }},
        {"click switch", [&] { g.OnMouseDown({At(20.f, 70.f, left)}), g.OnMouseUp({At(20.f, 70.f, left)}); }},
        {"click switch", [&] { g.OnMouseDown({At(20.f, 70.f, left)}), g.OnMouseUp({At(20.f, 70.f, left)}); }},
        {"click switch", [&] { g.OnMouseDown({At(20.f, 70.f, left)}), g.OnMouseUp({At(20.f, 70.f, left)}); }},
        {"click button", [&] { g.OnMouseDown({At(45.f, 70.f, left)}), g.OnMouseUp({At(45.f, 70.f, left)}); }},
        {"double knob", [&] { g.OnMouseDblClick(20.f, 20.f, left); }},
        {"press disabled", [&] { g.OnMouseDown({At(40.f, 100.f, left)}), g.OnMouseUp({At(40.f, 100.f, left)}); }},
        {"key knob", [&] { g.OnKeyDown(20.f, 20.f, plug::IKeyPress("k", 'K')); }},
        {"key background", [&] { g.OnKeyDown(5.f, 115.f, plug::IKeyPress("b", 'B')); }},
        {"two touches",
         [&] {
           g.OnMouseDown({At(20.f, 20.f, IMouseMod(true, false, false, false, false, 7)),
                          At(100.f, 20.f, IMouseMod(true, false, false, false, false, 8))});
           g.OnMouseDrag({At(20.f, 10.f, IMouseMod(true, false, false, false, false, 7), 0.f, -10.f),
                          At(110.f, 20.f, IMouseMod(true, false, false, false, false, 8), 10.f, 0.f)});
           g.OnMouseUp({At(20.f, 10.f, IMouseMod(true, false, false, false, false, 7)),
                        At(110.f, 20.f, IMouseMod(true, false, false, false, false, 8))});
         }},
        {"move knob", [&] { g.SetControlBounds(1, IRECT(12.f, 12.f, 47.f, 41.f)); }},
        {"resize hslider", [&] { g.SetControlSize(2, 80.f, 15.f); }},
        {"show hidden", [&] { hidden->SetHidden(false); }},
        {"value from delegate", [&] { g.GetControl(3)->SetValueFromDelegate(0.25); }},
        {"press resizer", [&] { g.OnMouseDown({At(155.f, 115.f, left)}); }},
        {"drag resizer", [&] { g.OnMouseDrag({At(175.f, 125.f, left, 20.f, 10.f)}); }},
        {"release resizer", [&] { g.OnMouseUp({At(175.f, 125.f, left)}); }},
      };
      for (const Step& step : steps)
      {
        out << step.what << "\n";
        step.run();
        for (const std::string& entry : delegate.mLog)
          out << "  host " << entry << "\n";
        delegate.mLog.clear();
        out << "  over " << g.GetMouseOverIdx() << " clicks " << clicks << " scale " << Num(g.GetDrawScale())
            << " size " << g.Width() << "x" << g.Height() << " values";
        for (int i = 1; i < g.NControls(); ++i)
          out << " " << Num(g.GetControl(i)->GetValue());
        out << "\n";
        Tick(g);
      }
      g.CloseWindow();
    }
  const std::string failure = CompareTextGolden("dispatch_grid", out.str());
  EXPECT_TRUE(failure.empty()) << failure;
}

TEST_F(FrameworkGolden, DrawingUtilitiesLayersAndShadowsAtEveryScale)
{
  for (int screen : {1, 2})
    for (float scale : {0.5f, 1.f, 2.f})
    {
      out << "screen " << screen << " draw scale " << Num(scale) << "\n";
      TestDelegate delegate;
      FakePlatformGraphics g{delegate, 100, 80};
      g.mScreenScaleOnOpen = screen;
      g.OpenWindow(nullptr);
      g.Resize(100, 80, scale, false);
      g.mOps.clear();
      const IColor ink(255, 200, 100, 50);
      const IBlend half(kBlendDefault, 0.5f);

      static const uint8_t data[64] = {};
      const IBitmap strip = g.LoadBitmapFromData("golden_strip.png", data, 40, 4, false, 1);
      const IBitmap row = g.LoadBitmapFromData("golden_row.png", data, 48, 3, true);
      const IBitmap font = g.LoadBitmapFromData("golden_font.png", data, 60, 96, false, 2);
      for (const IBitmap* b : {&strip, &row, &font})
        out << "bitmap " << b->GetResourceName() << " " << b->W() << "x" << b->H() << " n " << b->N() << " scale " << b->GetScale() << " draw " << Num(b->GetDrawScale())
            << "\n";
      out << "frames\n";
      for (int frame : {0, 1, 2, 4, 5})
      {
        g.DrawBitmapFrame(strip, IRECT(5.f, 5.f, 15.f, 15.f), frame, &half);
        g.DrawBitmapFrame(row, IRECT(20.f, 5.f, 36.f, 21.f), frame);
      }
      TakeOps(g, out);
      if (screen == 1 && scale == 1.f)
        DrawScaleFreeUtilities(g, font, out);
      out << "layer\n";
      TestControl owner(IRECT(10.f, 10.f, 22.f, 20.f));
      g.StartLayer(&owner, IRECT(10.5f, 10.25f, 22.f, 20.f));
      g.FillRect(ink, IRECT(12.f, 12.f, 16.f, 16.f), nullptr);
      ILayerPtr layer = g.EndLayer();
      ASSERT_TRUE(layer);
      const APIBitmap* api = layer->GetAPIBitmap();
      out << "  bounds " << Rect(layer->Bounds()) << " pixels " << api->GetWidth() << "x" << api->GetHeight()
          << " scale " << api->GetScale() << " draw " << Num(api->GetDrawScale()) << "\n";
      g.DrawLayer(layer, &half);
      g.DrawFittedLayer(layer, IRECT(50.f, 50.f, 90.f, 70.f));
      g.DrawRotatedLayer(layer, 30.0);
      TakeOps(g, out);
      if (screen * scale == 2.f || screen * scale == 0.5f)
      {
        // A block of full alpha near the top left, a single pixel near the bottom right.
        const int w = api->GetWidth(), h = api->GetHeight();
        ByteBuffer pixels(size_t(w) * size_t(h) * 4);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            pixels[size_t(y * w + x) * 4 + 3] = (x >= 1 && x < 4 && y >= 1 && y < 3) ? 255 : 0;
        pixels[size_t((h - 2) * w + (w - 2)) * 4 + 3] = 200;
        g.WriteLayerPixels(layer, pixels);
        IShadowStyle shadow;
        shadow.mBlurSize = 1.5f;
        g.ApplyLayerDropShadow(layer, shadow);
        ByteBuffer blurred;
        g.ReadLayerPixels(layer, blurred);
        for (int y = 0; y < h; ++y)
        {
          out << "  alpha";
          for (int x = 0; x < w; ++x)
            out << " " << int(blurred[size_t(y * w + x) * 4 + 3]);
          out << "\n";
        }
        TakeOps(g, out);
      }
      g.CloseWindow();
    }
  const std::string failure = CompareTextGolden("drawing_utilities", out.str());
  EXPECT_TRUE(failure.empty()) << failure;
}

TEST_F(FrameworkGolden, StockTextControlsAndOverlaysDrawnAndEdited)
{
  // Screen scale 2 is recorded as the lines that differ from scale 1's record.
  std::vector<std::string> screens;
  for (int screen : {1, 2})
  {
    out << "screen " << screen << "\n";
    OverlayDelegate delegate;
    foundation::ManualClock clock(10.0);
    FakePlatformGraphics g{delegate, 200, 150};
    g.SetClock(&clock);
    g.mScreenScaleOnOpen = screen;
    g.OpenWindow(nullptr);
    g.EnableMouseOver(true);
    g.AttachPanelBackground(IPaintPattern(IColor(255, 40, 40, 40)));
    const IText text(12.f, IColor(255, 250, 240, 230), nullptr, kAlignNear, kVAlignTop);
    g.AttachControl(new ITextControl(IRECT(5.f, 5.f, 95.f, 25.f), "label", text, IColor(255, 1, 2, 3)));
    g.AttachControl(new ITextControl(IRECT(100.f, 5.f, 110.f, 15.f), "sized", IText(10.f), IColor(), true));
    g.AttachControl(new ICaptionControl(IRECT(5.f, 30.f, 95.f, 50.f), 1, IText(11.f), IColor(255, 9, 9, 9)));
    g.AttachControl(new ICaptionControl(IRECT(100.f, 30.f, 195.f, 50.f), 0, IText(11.f)));
    g.AttachControl(new ITextToggleControl(IRECT(5.f, 55.f, 95.f, 75.f), 2, "off", "on"));
    g.AttachControl(new IURLControl(IRECT(100.f, 55.f, 195.f, 75.f), "site", "https://example.com", IText(10.f),
                                    IColor(), IColor(255, 0, 0, 255), IColor(255, 255, 0, 0)));
    g.AttachControl(new PlaceHolder(IRECT(5.f, 80.f, 95.f, 145.f), "spare"));
    g.AttachControl(new IPanelControl(IRECT(100.f, 80.f, 140.f, 100.f), IColor(255, 20, 30, 40), true));
    static const uint8_t pixels[40] = {};
    const IBitmap frames = g.LoadBitmapFromData("golden_frames.png", pixels, 32, 4);
    g.AttachControl(new IBitmapControl(150.f, 80.f, frames, 0, IBlend(kBlendDefault, 0.75f)));
    static const char svg[] = "<svg width=\"20\" height=\"10\"><rect width=\"20\" height=\"10\"/></svg>";
    g.AttachControl(new ISVGControl(IRECT(100.f, 105.f, 140.f, 125.f), g.LoadSVGFromData("golden.svg", svg, sizeof svg), true));
    g.AttachPopupMenuControl(IText(10.f));
    g.AttachTextEntryControl();
    g.AttachBubbleControl(IText(10.f));
    g.AttachCornerResizer(kResizerScale, false);
    auto tick = [&](const char* what) {
      out << what << "\n";
      for (const std::string& entry : delegate.mLog)
        out << "  host " << entry << "\n";
      delegate.mLog.clear();
      IRECTList rects;
      g.mOps.clear();
      if (g.IsDirty(rects))
        g.SetAllControlsClean(), g.DrawDirtyRects(rects);
      TakeOps(g, out);
    };
    tick("first frame");
    g.OnMouseOver(150.f, 65.f, IMouseMod());
    tick("hover link");
    g.OnMouseDown({At(150.f, 65.f, IMouseMod(true))}), g.OnMouseUp({At(150.f, 65.f, IMouseMod(true))});
    tick("click link");
    g.OnMouseDown({At(50.f, 65.f, IMouseMod(true))}), g.OnMouseUp({At(50.f, 65.f, IMouseMod(true))});
    tick("click toggle");
    g.ShowBubble(g.GetControl(4), 120.f, 40.f, "0.50 dB", kHorizontal, IRECT());
    tick("bubble");
    // The caption's press opens the menu; a press on the menu while it fades in chooses nothing, and the drag
    // that follows once it is open moves the highlight; a click then chooses.
    g.OnMouseDown({At(50.f, 40.f, IMouseMod(true))});
    g.OnMouseUp({At(50.f, 40.f, IMouseMod(true))});
    g.OnMouseDown({At(60.f, 84.f, IMouseMod(true))});
    clock.Advance(1.0);
    tick("menu from caption");
    g.OnMouseDrag({At(60.f, 72.f, IMouseMod(true), 0.f, -12.f)});
    tick("menu drag");
    g.OnMouseDrag({At(60.f, 60.f, IMouseMod(true), 0.f, -12.f)});
    tick("menu drag");
    g.OnMouseUp({At(60.f, 60.f, IMouseMod(true))});
    g.OnMouseOver(60.f, 80.f, IMouseMod());
    tick("menu hover");
    g.OnMouseDown({At(60.f, 84.f, IMouseMod(true))}), g.OnMouseUp({At(60.f, 84.f, IMouseMod(true))});
    clock.Advance(1.0);
    tick("menu chosen");
    for (const char* stage : {"menu collapsing", "menu closing", "menu closed"})
    {
      clock.Advance(1.0);
      tick(stage);
    }
    g.OnMouseDown({At(110.f, 40.f, IMouseMod(true))}), g.OnMouseUp({At(110.f, 40.f, IMouseMod(true))});
    tick("text entry from caption");
    const std::vector<std::pair<const char*, plug::IKeyPress>> keys = {
      {"left", plug::IKeyPress("", ITextEntryControl::kKeyLeft)},
      {"right", plug::IKeyPress("", ITextEntryControl::kKeyRight)},
      {"right", plug::IKeyPress("", ITextEntryControl::kKeyRight)},
      {"shift home", plug::IKeyPress("", ITextEntryControl::kKeyHome, true)},
      {"copy", plug::IKeyPress("c", ITextEntryControl::kKeyC, false, true)},
      {"end", plug::IKeyPress("", ITextEntryControl::kKeyEnd)},
      {"type 7", plug::IKeyPress("7", '7')},
      {"type x", plug::IKeyPress("x", 'X')},
      {"backspace", plug::IKeyPress("", ITextEntryControl::kKeyBackspace)},
      {"select all", plug::IKeyPress("a", ITextEntryControl::kKeyA, false, true)},
      {"cut", plug::IKeyPress("x", ITextEntryControl::kKeyX, false, true)},
      {"paste", plug::IKeyPress("v", ITextEntryControl::kKeyV, false, true)},
      {"paste", plug::IKeyPress("v", ITextEntryControl::kKeyV, false, true)},
      {"undo", plug::IKeyPress("z", ITextEntryControl::kKeyZ, false, true)},
      {"select all", plug::IKeyPress("a", ITextEntryControl::kKeyA, false, true)},
      {"type .", plug::IKeyPress(".", 0xBE)},
      {"type 6", plug::IKeyPress("6", '6')},
      {"return", plug::IKeyPress("", ITextEntryControl::kKeyReturn)},
    };
    for (const auto& key : keys)
    {
      const bool handled = g.OnKeyDown(150.f, 40.f, key.second);
      out << "key " << key.first << " handled " << handled << " clipboard \"" << g.mClipboard << "\"\n";
      clock.Advance(0.25);
      tick(key.first);
    }
    out << "value " << Num(delegate.GetParam(0)->GetNormalized()) << "\n";
    g.OnMouseOver(195.f, 145.f, IMouseMod());
    tick("hover resizer");
    g.CloseWindow();
    screens.push_back(out.str());
    out.str("");
  }
  const std::string failure = CompareTextGolden("stock_overlays", screens[0] + Differences(screens[0], screens[1]));
  EXPECT_TRUE(failure.empty()) << failure;
}
