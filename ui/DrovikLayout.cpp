// The layout function: attaches the editor's controls in the order of the editor's control list and records in
// the plug-in where the meter display and the control states find them.
#include "effect/Drovik.h"
#include "graphics/types/GraphicsConstants.h"
#include "graphics/context/IGraphics.h"
#include "ui/CornerResizer.h"
#include "ui/DisplayControls.h"
#include "ui/DrovikEditor.h"
#include "ui/EditorLayout.h"
#include "ui/HiddenControls.h"
#include "ui/InfoMenu.h"
#include "ui/KnobMultiControl.h"
#include "ui/PresetMenu.h"
#include "ui/RadioButtons.h"

using namespace plug::igraphics;

namespace {

constexpr const char* kResizerBitmap = "button_resize.png";
constexpr const char* kPresetExtension = "vqp";
constexpr int kPresetNameLimit = 20;

IRECT Rect(const EditorRect& r) { return IRECT(r.l, r.t, r.r, r.b); }

IText Style(EditorTextStyle style)
{
  const IColor white(255, 255, 255, 255), meter(255, 90, 90, 85);
  switch (style)
  {
  case EditorTextStyle::kPreset: return IText(16, IColor(255, 159, 160, 161), "Verdana Bold");
  case EditorTextStyle::kKnob12: return IText(12, white, "Verdana Normal");
  case EditorTextStyle::kKnob13: return IText(13, white, "Verdana Normal");
  case EditorTextStyle::kMeterValue: return IText(12, meter, "Verdana Bold");
  case EditorTextStyle::kMeterReference: return IText(11, meter, "Verdana Normal");
  case EditorTextStyle::kMeterMode: return IText(13, meter, "Verdana Bold");
  default: return IText();
  }
}

/// Builds the controls of the list, loading each bitmap once per context.
class Attacher
{
public:
  Attacher(Drovik& plugin, IGraphics& g) : mPlugin(plugin), mG(g) {}

  IBitmap Bitmap(const char* name)
  {
    const EditorBitmap* b = name ? FindEditorBitmap(name) : nullptr;
    return b ? mG.LoadBitmap(b->name, b->frames) : IBitmap();
  }

  IControl* Make(const EditorControlEntry& c)
  {
    using K = EditorControlKind;
    switch (c.kind)
    {
    case K::kParameterHidden: return new IVParameterControlHiddenVQ(c.param);
    case K::kBitmap: return new IBBitmapControlVQ(c.place.l, c.place.t, Bitmap(c.bitmap));
    case K::kPresetMenu: return PresetMenu(c);
    case K::kClickHidden: return new IVClickControlHiddenVQ(Rect(EditorControlRect(c)), c.action);
    case K::kURLHidden: return new IVHiddenURLControl(Rect(c.place), c.text);
    case K::kInfoMenu: return InfoMenu(c);
    case K::kRadioButtons2:
    case K::kRadioButtons5: return RadioButtons(c);
    case K::kSwitch: return new IBSwitchControlVQ(c.place.l, c.place.t, Bitmap(c.bitmap), c.param);
    case K::kKnob: return Knob(c);
    case K::kText:
    {
      auto* text = new IVTextControlVQ(Rect(c.place), c.text, Style(c.style), kColorTransparent);
      text->SetIgnoreMouse(true);
      return text;
    }
    case K::kTextPopup: return new IVPopupMenuVQ(Rect(c.place), c.param, Style(c.style), false, c.drawsText);
    case K::kBitmapPopup: return new IBPopupMenuVQ(c.place.l, c.place.t, c.param, Bitmap(c.bitmap), c.toggle);
    }
    return nullptr;
  }

  /// Stores the index of the control just attached where the plug-in keeps it.
  void Keep(const EditorControlEntry& c, int idx)
  {
    VuMeterCtrlIdx& m = c.meter == 1 ? mPlugin.mRightMeterIdx : mPlugin.mLeftMeterIdx;
    switch (c.keep)
    {
    case EditorKeep::kNone: break;
    case EditorKeep::kKnobText: mPlugin.mKnobTextIdx.push_back(idx); break;
    case EditorKeep::kClipLed: mPlugin.mClipLedIdx = idx; break;
    case EditorKeep::kMeterBase: m.base = idx; break;
    case EditorKeep::kMeterOff: m.off = idx; break;
    case EditorKeep::kMeterNeedle: m.needle = idx; break;
    case EditorKeep::kMeterNeedle1: m.needle1 = idx; break;
    case EditorKeep::kMeterLamp: m.lamp = idx; break;
    case EditorKeep::kMeterLeftText: m.leftText = idx; break;
    case EditorKeep::kMeterRefText: m.refText = idx; break;
    case EditorKeep::kMeterRightText: m.rightText = idx; break;
    }
  }

private:
  IControl* PresetMenu(const EditorControlEntry& c)
  {
    IBPresetMenuVQ::Places places{Rect(c.place), Rect(c.place), Rect(place::kPresetName), 0, 0, 0, 0};
    IBPresetMenuVQ::Ids ids{kActionLoadPreset, kActionSavePreset, kActionSaveDefaultPreset, kActionRescanPresets, -1};
    return new IBPresetMenuVQ(mPlugin, places, Style(c.style), Bitmap("button_previous.png"),
                              Bitmap("button_next.png"), ids, mPlugin.DataFolder().Get(), kPresetExtension,
                              kPresetNameLimit, false, false);
  }

  IControl* InfoMenu(const EditorControlEntry& c)
  {
    IBInfoMenuVQ::Entries e;
    e.about = kActionAbout, e.versionCheck = kActionVersionCheck, e.tooltipParam = kTooltips;
    e.enumParam = -1, e.resetSize = -1, e.resetScale = kActionResetGUIScale, e.toggleParams = {kHideKnobText};
    return new IBInfoMenuVQ(c.place.l, c.place.t, Bitmap(c.bitmap), e, mPlugin.DataFolder().Get(),
                            kChangelogAddress);
  }

  IControl* RadioButtons(const EditorControlEntry& c)
  {
    std::vector<IRECT> rects;
    std::vector<IBitmap> bitmaps;
    for (int i = 0; i < c.buttonCount; ++i)
    {
      bitmaps.push_back(Bitmap(i == 1 && c.secondBitmap ? c.secondBitmap : c.bitmap));
      rects.push_back(FrameRectAt(bitmaps.back(), c.buttons[i].x, c.buttons[i].y));
    }
    const IRECT bounds = Rect(EditorControlRect(c));
    if (c.kind == EditorControlKind::kRadioButtons2 && c.buttonCount == 2)
      return new IBRadioButtonsControl2(c.param, rects[0], bitmaps[0], rects[1], bitmaps[1], c.toggle, bounds);
    return new IBRadioButtonsControl5(c.param, rects, bitmaps.empty() ? IBitmap() : bitmaps[0], c.toggle, bounds);
  }

  IControl* Knob(const EditorControlEntry& c)
  {
    IBKnobMultiControlVQ::Options o; // template width 6, vertical, text entry, value on hover, gearing 4
    o.unitWheel = c.toggle;
    return new IBKnobMultiControlVQ(c.place.l, c.place.t, c.param, Bitmap(c.bitmap), Style(c.style), o);
  }

  Drovik& mPlugin;
  IGraphics& mG;
};

void AttachCornerResizer(IGraphics& g, Attacher& attacher)
{
  auto* resizer = new IBCornerResizerControlVQ(attacher.Bitmap(kResizerBitmap), -1, -1, kActionApplyGUIScale,
                                               kActionResetGUIScale, g.GetBounds(), 0.f);
  g.AttachCornerResizer(resizer, kResizerScale, true);
}

} // namespace

void DrovikEditor::Layout(Drovik& plugin, IGraphics* g)
{
  if (!g) return;
  if (!g->IsContextReady())
  {
    plugin.SetHasUI(false);
    return;
  }
  if (g->NControls() > 0) return; // a resize runs the layout again: the controls stay
  g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g->LoadFontByFamily("Verdana Normal", "Verdana", 0);
  g->LoadFontByFamily("Verdana Bold", "Verdana", 1);
  g->AttachPopupMenuControl(kDefaultLabelText, IRECT());
  g->EnableMultiTouch(false);

  plugin.mKnobTextIdx.clear();
  plugin.mClipLedIdx = -1;
  plugin.mLeftMeterIdx = plugin.mRightMeterIdx = VuMeterCtrlIdx();
  Attacher attacher(plugin, *g);
  const auto& controls = EditorControls();
  for (size_t i = 0; i < controls.size(); ++i)
  {
    if (i == kFirstPanelControl)
    {
      AttachCornerResizer(*g, attacher);
      const plug::IParam* scale = plugin.GetParam(kGUIScale);
      double lo = 0.5, hi = 3.0;
      if (scale) scale->GetBounds(lo, hi);
      g->SetScaleConstraints(static_cast<float>(lo), static_cast<float>(hi));
    }
    const EditorControlEntry& c = controls[i];
    IControl* made = attacher.Make(c);
    IControl* control = g->AttachControl(made, c.tag);
    if (!control)
    {
      delete made; // refused: it stays with us
      continue;
    }
    if (c.tooltip) control->SetTooltip(c.tooltip);
    attacher.Keep(c, g->NControls() - 1);
  }
  plugin.UpdateControlStates();
}
