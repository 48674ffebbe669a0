#include "gallery.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <stb/stb_image_write.h>

#include "graphics/overlay/IBackgroundControls.h"
#include "controls/ISVGControls.h"
#include "core/IParam.h"
#include "foundation/bundle.h"
#include "graphics/overlay/OverlayControls.h"

namespace gallery {
namespace {

constexpr const char* kRobotoFile = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

using ColourAt = IColor (*)(int x, int y, int scale);

/// Writes name.png at 1x and name@2x.png, each pixel from colour(x, y, scale) in 1x units times the scale.
bool WriteStrip(const std::string& folder, const char* name, int w, int h, ColourAt colour)
{
  for (int scale : {1, 2})
  {
    const int sw = w * scale, sh = h * scale;
    std::vector<uint8_t> rgba(size_t(sw) * size_t(sh) * 4);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x)
      {
        const IColor c = colour(x, y, scale);
        uint8_t* p = &rgba[(size_t(y) * size_t(sw) + size_t(x)) * 4];
        p[0] = uint8_t(c.mRed), p[1] = uint8_t(c.mGreen), p[2] = uint8_t(c.mBlue), p[3] = uint8_t(c.mAlpha);
      }
    const std::string path = folder + "/" + name + (scale == 2 ? "@2x.png" : ".png");
    if (!stbi_write_png(path.c_str(), sw, sh, 4, rgba.data(), sw * 4))
      return false;
  }
  return true;
}

const IColor kDark(255, 60, 60, 70), kLit(255, 60, 200, 110), kAmber(255, 240, 170, 40), kClear(0, 0, 0, 0);

/// A disc of radius r at (cx, cy) in 1x units.
bool InDisc(int x, int y, int s, float cx, float cy, float r)
{
  const float fx = (float(x) + 0.5f) / float(s) - cx, fy = (float(y) + 0.5f) / float(s) - cy;
  return fx * fx + fy * fy <= r * r;
}

// A 2-frame switch of 24 x 24 frames stacked: a dark disc, then a lit one.
IColor SwitchStrip(int x, int y, int s)
{
  const bool lit = y >= 24 * s;
  const int fy = lit ? y - 24 * s : y;
  return InDisc(x, fy, s, 12, 12, 10) ? (lit ? kLit : kDark) : kClear;
}

// A 5-frame knob of 32 x 32 frames stacked: a dark disc with an amber bar whose length shows the frame.
IColor KnobStrip(int x, int y, int s)
{
  const int frame = y / (32 * s), fy = y % (32 * s);
  if (!InDisc(x, fy, s, 16, 16, 14))
    return kClear;
  const float fx = float(x) / float(s);
  return (fy / s >= 14 && fy / s < 18 && fx >= 4 && fx < 4 + 6 * (frame + 1)) ? kAmber : kDark;
}

// A 2-frame button of 40 x 20: grey, then pressed blue.
IColor ButtonStrip(int x, int y, int s)
{
  const bool pressed = y >= 20 * s;
  const int fy = y % (20 * s);
  const bool border = x < s || fy < s || x >= 39 * s || fy >= 19 * s;
  return border ? kDark : (pressed ? IColor(255, 70, 110, 220) : IColor(255, 200, 200, 205));
}

// A slider handle of 20 x 10 and a single-frame pointer of 32 x 32 for the rotating knob.
IColor Handle(int x, int y, int s) { return (y / s == 4 || y / s == 5) ? kAmber : kDark; }
IColor Pointer(int x, int y, int s)
{
  if (!InDisc(x, y, s, 16, 16, 14))
    return kClear;
  return (x / s >= 15 && x / s < 17 && y / s < 16) ? kAmber : IColor(255, 90, 90, 100);
}

// A bitmap font of 96 frames of 6 x 12 side by side, from the space on: each character a bar whose height
// follows its code (the space stays blank).
IColor Font(int x, int y, int s)
{
  const int code = 32 + x / (6 * s), cx = (x / s) % 6, cy = y / s;
  const int height = code == 32 ? 0 : 2 + code % 9;
  return (cx >= 1 && cx < 5 && cy >= 11 - height && cy < 11) ? IColor(255, 20, 20, 20) : kClear;
}

// A 2-frame lamp of 16 x 16 frames side by side.
IColor Lamp(int x, int y, int s)
{
  const bool lit = x >= 16 * s;
  return InDisc(x % (16 * s), y, s, 8, 8, 6) ? (lit ? IColor(255, 240, 60, 40) : IColor(255, 90, 40, 40)) : kClear;
}

const char* kSVGOn = "<svg width=\"24\" height=\"24\"><rect x=\"2\" y=\"2\" width=\"20\" height=\"20\" rx=\"4\" "
                     "fill=\"#3c8cdc\"/></svg>";
const char* kSVGOff = "<svg width=\"24\" height=\"24\"><rect x=\"2\" y=\"2\" width=\"20\" height=\"20\" rx=\"4\" "
                      "fill=\"none\" stroke=\"#3c8cdc\" stroke-width=\"2\"/></svg>";
const char* kKnobSVG = "<svg width=\"32\" height=\"32\"><circle cx=\"16\" cy=\"16\" r=\"14\" fill=\"#505a64\"/>"
                       "<rect x=\"15\" y=\"3\" width=\"2\" height=\"12\" fill=\"#f0aa28\"/></svg>";
const char* kSVGShapes[3] = {
  "<svg width=\"24\" height=\"24\"><circle cx=\"12\" cy=\"12\" r=\"9\" fill=\"#dc2828\"/></svg>",
  "<svg width=\"24\" height=\"24\"><path d=\"M12 3 L21 21 L3 21 Z\" fill=\"#28aa50\"/></svg>",
  "<svg width=\"24\" height=\"24\"><rect x=\"3\" y=\"3\" width=\"18\" height=\"18\" fill=\"#283cdc\"/></svg>"};
const char* kSVGTrack = "<svg width=\"100\" height=\"10\"><rect x=\"0\" y=\"3\" width=\"100\" height=\"4\" rx=\"2\" "
                        "fill=\"#8c8c96\"/></svg>";
const char* kSVGThumb = "<svg width=\"10\" height=\"10\"><circle cx=\"5\" cy=\"5\" r=\"5\" fill=\"#f0aa28\"/></svg>";

void SetValue(IControl* control, int valIdx, double value)
{
  if (plug::IParam* p = control->GetDelegate()->GetParam(control->GetParamIdx(valIdx)))
    p->SetNormalized(value);
  control->SetValueFromDelegate(value, valIdx);
}

ISVG Svg(IGraphics* g, const char* name, const char* text)
{
  return g->LoadSVGFromData(name, text, static_cast<int>(std::strlen(text)));
}

/// Attaches the control; a value of 0 or more goes to every slot and to the parameters they are bound to.
template <typename C> C* Put(IGraphics* g, C* control, double value = -1.0, int tag = -1, const char* group = "")
{
  g->AttachControl(control, tag, group);
  for (int v = 0; value >= 0.0 && v < control->NValues(); ++v)
    SetValue(control, v, value);
  return control;
}

} // namespace

GalleryDelegate::GalleryDelegate() : IGEditorDelegate(kNumGalleryParams)
{
  for (int i = 0; i < kNumGalleryParams; ++i)
    GetParam(i)->InitDouble(("p" + std::to_string(i)).c_str(), 0.0, 0.0, 1.0, 0.001);
}

GalleryBundle::GalleryBundle()
{
  const std::string bundle = mHome.Path() + "/Gallery.vst", resources = bundle + "/Contents/Resources";
  const std::string roboto = testsupport::ReadFile(kRobotoFile);
  mOk = testsupport::MakeFolders(resources) && !roboto.empty() &&
        testsupport::WriteFile(resources + "/Roboto-Regular.ttf", roboto) &&
        WriteStrip(resources, "switch", 24, 48, SwitchStrip) && WriteStrip(resources, "knob", 32, 160, KnobStrip) &&
        WriteStrip(resources, "button", 40, 40, ButtonStrip) && WriteStrip(resources, "handle", 20, 10, Handle) &&
        WriteStrip(resources, "pointer", 32, 32, Pointer) && WriteStrip(resources, "font", 576, 12, Font) &&
        WriteStrip(resources, "lamp", 32, 16, Lamp);
  foundation::Bundle::Register(kBundleID, bundle);
}

GalleryBundle::~GalleryBundle() { foundation::Bundle::Unregister(kBundleID); }

void LayoutGallery(IGraphics* g)
{
  g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g->AttachPanelBackground(IPaintPattern(IColor(255, 236, 236, 240)));
  IVStyle style;
  style.mRoundness = 0.3f;
  style.mLabelText = IText(12.f, kVAlignTop);
  style.mValueText = IText(11.f, kVAlignBottom);
  auto noop = [](IControl*) {};

  // Buttons and switches.
  Put(g, new IVButtonControl(IRECT(8, 8, 68, 58), noop, "Button", style));
  Put(g, new IVSwitchControl(IRECT(72, 8, 132, 58), kSwitch, "Switch", style), 1.0, kSwitch);
  Put(g, new IVToggleControl(IRECT(136, 8, 196, 58), kToggle, "Toggle", style, "OFF", "ON"), 1.0, kToggle);
  Put(g, new IVSlideSwitchControl(IRECT(200, 8, 260, 58), kSlide, "Slide", style), 0.0, kSlide);
  Put(g, new IVTabSwitchControl(IRECT(264, 8, 392, 58), noop, {"A", "B", "C"}, "Tabs", style), 0.5, kTabs);
  Put(g, new IVRadioButtonControl(IRECT(8, 64, 88, 144), noop, {"One", "Two", "Three"}, "Radio", style), 1.0, kRadio);

  // Knob, sliders and pad.
  Put(g, new IVKnobControl(IRECT(92, 64, 162, 144), kKnob, "Knob", style), 0.6, kKnob);
  Put(g, new IVSliderControl(IRECT(166, 64, 206, 144), kSlider, "Slider", style), 0.3, kSlider);
  Put(g, new IVSliderControl(IRECT(210, 64, 300, 104), kHSlider, "", style, false, kHorizontal), 0.7, kHSlider);
  auto* range = Put(g, new IVRangeSliderControl(IRECT(210, 104, 300, 144), {kRangeLow, kRangeHigh}, "", style,
                                                kHorizontal), -1.0, kRangeLow);
  SetValue(range, 0, 0.2);
  SetValue(range, 1, 0.7);
  auto* pad = Put(g, new IVXYPadControl(IRECT(304, 64, 392, 144), {kPadX, kPadY}, "XY", style, 6.f), -1.0, kPadX);
  SetValue(pad, 0, 0.3);
  SetValue(pad, 1, 0.6);

  // Label in a group, plot and colour swatch.
  Put(g, new IVLabelControl(IRECT(16, 176, 96, 204), "Label", style), -1.0, -1, "grouped");
  Put(g, new IVGroupControl("Group", "grouped", 8.f, 24.f, 8.f, 8.f, style));
  IVStyle plotStyle = style;
  plotStyle.mShowLabel = false;
  Put(g, new IVPlotControl(IRECT(108, 152, 220, 226),
                           {{IColor(255, 220, 40, 40), [](double x) { return std::sin(x * 6.2831853); }},
                            {IColor(255, 40, 60, 220), [](double x) { return 2.0 * x - 1.0; }}},
                           48, "", plotStyle, -1.f, 1.f));
  Put(g, new IVColorSwatchControl(IRECT(224, 152, 392, 226), "Swatch", nullptr, style,
                                  IVColorSwatchControl::kHorizontal, {kRoleBackground, kRoleForeground, kRolePressed, kRoleFrame, kRoleHighlight, kRoleExtra1}));

  // Bitmap controls.
  Put(g, new IBSwitchControl(8.f, 240.f, g->LoadBitmap("switch.png", 2)), 1.0, kBSwitch);
  Put(g, new IBKnobControl(IRECT(40, 236, 72, 268), g->LoadBitmap("knob.png", 5), kBKnob), 0.5, kBKnob);
  Put(g, new IBButtonControl(80.f, 242.f, g->LoadBitmap("button.png", 2), noop));
  Put(g, new IBSliderControl(124.f, 232.f, 80.f, g->LoadBitmap("handle.png", 1), IBitmap(), kBSlider), 0.4,
      kBSlider);
  Put(g, new IBKnobRotaterControl(IRECT(148, 236, 180, 268), g->LoadBitmap("pointer.png", 1), kRotater), 0.75,
      kRotater);
  Put(g, new IBTextControl(IRECT(186, 244, 266, 260), g->LoadBitmap("font.png", 96, true), IText(), "Drovik 123", 6, 12,
                           1, false, true));
  Put(g, new IBitmapControl(270.f, 244.f, g->LoadBitmap("lamp.png", 2, true), kLamp), 1.0, kLamp);

  // SVG controls, the panel and an SVG image.
  Put(g, new ISVGButtonControl(IRECT(294, 238, 318, 262), noop, Svg(g, "off.svg", kSVGOff), Svg(g, "on.svg", kSVGOn)));
  Put(g, new ISVGKnobControl(IRECT(322, 234, 354, 266), Svg(g, "knob.svg", kKnobSVG), kSVGKnob), 0.3, kSVGKnob);
  Put(g, new ISVGSwitchControl(IRECT(360, 238, 384, 262),
                               {Svg(g, "a.svg", kSVGShapes[0]), Svg(g, "b.svg", kSVGShapes[1]),
                                Svg(g, "c.svg", kSVGShapes[2])},
                               kSVGSwitch),
      0.5, kSVGSwitch);
  Put(g, new ISVGSliderControl(IRECT(8, 280, 200, 300), Svg(g, "thumb.svg", kSVGThumb), Svg(g, "track.svg", kSVGTrack),
                               kSVGSlider, kHorizontal),
      0.6, kSVGSlider);
  Put(g, new IPanelControl(IRECT(210, 276, 290, 308), IColor(255, 120, 160, 200), true));
  Put(g, new ISVGControl(IRECT(300, 276, 332, 308), Svg(g, "icon.svg", kKnobSVG)));
  g->AttachCornerResizer(kResizerScale, false);
}

OpenGallery::OpenGallery(int screenScale)
{
  mDelegate.mLayoutFunc = [](IGraphics* g) { LayoutGallery(g); };
  mGraphics = std::make_unique<IGraphicsHeadless>(mDelegate, kWidth, kHeight, 60, 1.f);
  mGraphics->SetBundleID(GalleryBundle::kBundleID);
  mGraphics->SetClock(&mClock);
  mGraphics->mScreenScaleOnOpen = screenScale;
  mGraphics->OpenWindow(nullptr);
}

OpenGallery::~OpenGallery()
{
  if (mGraphics)
    mGraphics->CloseWindow();
  mGraphics.reset();
}

} // namespace gallery
