#include "ui/DrovikEditor.h"

#include <cmath>

#include "effect/Drovik.h"
#include "graphics/types/GraphicsConstants.h"
#include "graphics/context/IGraphics.h"
#include "platform/mac/IGraphicsMac.h"
#include "ui/AboutText.h"
#include "ui/CornerResizer.h"
#include "ui/EditorLayout.h"
#include "ui/KnobMultiControl.h"
#include "ui/MeterDisplay.h"
#include "ui/PresetMenu.h"
#include "ui/VersionCheck.h"

using namespace plug::igraphics;

namespace {

constexpr int kFPS = 60;
constexpr int kPresetMenuTag = 3;

/// The reference parameter of each meter mode (PEAK, RMS, EBU ML, EBU SL, VU).
constexpr int kReferenceOfMode[] = {kPEAKRef, kRMSRef, kEBUMLRef, kEBUSLRef, kVURef};

int ReferenceParam(int meterMode)
{
  return meterMode >= 1 && meterMode <= 4 ? kReferenceOfMode[meterMode] : kPEAKRef;
}

IGraphics* OpenGraphics(const Drovik& plugin) { return plugin.GetOpenGraphics(); }

MeterInput ReadInput(const LevelMeter& m)
{
  MeterInput in;
  in.value = m.PublishedValue();
  in.maximum = m.PublishedMax();
  in.envelope = m.PublishedDisplay();
  in.inverted = m.PublishedInverted();
  in.gain = m.PublishedGain();
  in.dbFactor = m.PublishedDbFactor();
  return in;
}

} // namespace

std::unique_ptr<DrovikEditorLink> MakeDrovikEditor() { return std::make_unique<DrovikEditor>(); }

void DrovikEditor::Install(Drovik& plugin)
{
  plugin.mMakeGraphicsFunc = [&plugin]() { return MakeGraphics(plugin); };
  plugin.mLayoutFunc = [&plugin](IGraphics* g) { Layout(plugin, g); };
  plugin.mHostWindowScaleFunc = [] { return IGraphicsMac::HostWindowScale(); };
}

IGraphics* plug::igraphics::MakeGraphicsContext(IGEditorDelegate& delegate, int width, int height, int fps,
                                                float scale)
{
  auto* g = new IGraphicsMac(delegate, width, height, fps, scale);
  g->SetBundleID(Drovik::kBundleID);
  g->SetPluginName(Drovik::kPluginName);
  return g;
}

IGraphics* DrovikEditor::MakeGraphics(Drovik& plugin)
{
  return MakeGraphicsContext(plugin, Drovik::kEditorWidth, Drovik::kEditorHeight, kFPS,
                             static_cast<float>(plugin.mGUIScale));
}

void DrovikEditor::UpdateControlStates(Drovik& plugin)
{
  IGraphics* g = OpenGraphics(plugin);
  if (!g) return;
  g->EnableTooltips(plugin.GetMirror(kTooltips) >= 1);
  const bool overlays = static_cast<int>(plugin.GetMirror(kHideKnobText)) != 1;
  for (int idx : plugin.mKnobTextIdx)
    if (auto* knob = dynamic_cast<IBKnobMultiControlVQ*>(g->GetControl(idx))) knob->SetShowOnHover(overlays);
  const int shownReference = ReferenceParam(static_cast<int>(plugin.GetMirror(kMeterMode)));
  for (int p : kReferenceOfMode) g->HideParamControls(p, p != shownReference);
  const bool bypassed = static_cast<int>(plugin.GetMirror(kBypass)) == 1 || plugin.GetBypassed();
  for (const VuMeterCtrlIdx* m : {&plugin.mLeftMeterIdx, &plugin.mRightMeterIdx})
  {
    if (IControl* base = g->GetControl(m->base)) base->SetHidden(bypassed);
    if (IControl* off = g->GetControl(m->off)) off->SetHidden(!bypassed);
  }
  const bool oddOnly = static_cast<int>(plugin.GetMirror(kSat_mode)) == 3;
  for (int p : {kSat_stages, kSat_driveeven, kSat_driveodd, kSat_fluctuation})
    g->DisableParamControls(p, oddOnly && p != kSat_driveodd);
}

void DrovikEditor::UpdateMeterDisplay(Drovik& plugin)
{
  IGraphics* g = OpenGraphics(plugin);
  if (!g) return;
  const FrameChain& chain = plugin.Chain();
  const bool output = static_cast<int>(plugin.GetMirror(kMeterDisplayMode)) == 1;
  MeterDisplayInput in;
  in.bypassed = static_cast<int>(plugin.GetMirror(kBypass)) != 0 || plugin.GetBypassed();
  in.reference = plugin.GetMirror(ReferenceParam(static_cast<int>(plugin.GetMirror(kMeterMode))));
  in.left = ReadInput(output ? chain.mOutMeterL : chain.mInMeterL);
  in.right = ReadInput(output ? chain.mOutMeterR : chain.mInMeterR);
  // What the chain publishes is the share of level the clipper takes away.
  in.gainReduction = chain.PublishedGainReduction();
  in.gainReductionInverted = true;
  ::UpdateMeterDisplay(*g, plugin.mLeftMeterIdx, plugin.mRightMeterIdx, plugin.mClipLedIdx, in, plugin.MeterShape());
}

void DrovikEditor::ShowAbout(Drovik& plugin)
{
  IGraphics* g = OpenGraphics(plugin);
  if (!g) return;
  AboutValues v;
  v.apiName = plugin.GetAPIName();
  v.architectureName = plugin.GetArchName();
  v.hostId = plugin.GetHost();
  v.connectedInputs = plugin.CountConnectedChannels(plug::kInput);
  v.connectedOutputs = plugin.CountConnectedChannels(plug::kOutput);
  v.totalInputs = plugin.MaxNChannels(plug::kInput);
  v.totalOutputs = plugin.MaxNChannels(plug::kOutput);
  v.latency = plugin.GetLatency();
  v.sampleRate = plugin.GetSampleRate();
  v.blockSize = plugin.GetBlockSize();
  g->ShowMessageBox(BuildAboutText(v).c_str(), kAboutTitle, 0);
}

void DrovikEditor::VersionCheckText(Drovik& plugin, const char* product, const char* version)
{
  if (!OpenGraphics(plugin)) return;
  const int result = mVersionCheckAddress ? QueryOnlineVersion(product, version, mVersionCheckAddress)
                                          : QueryOnlineVersion(product, version);
  // The request may have taken long: the editor can have closed meanwhile.
  if (IGraphics* g = OpenGraphics(plugin)) g->ShowMessageBox(VersionCheckResultText(result), kVersionCheckCaption, 0);
}

void DrovikEditor::ShowMessage(Drovik& plugin, const char* text, const char* caption)
{
  if (IGraphics* g = OpenGraphics(plugin)) g->ShowMessageBox(text ? text : "", caption ? caption : "", 0);
}

void DrovikEditor::ResizeEditor(Drovik& plugin, double scale)
{
  if (IGraphics* g = OpenGraphics(plugin))
    g->Resize(Drovik::kEditorWidth, Drovik::kEditorHeight, static_cast<float>(scale), true);
}

double DrovikEditor::EditorDrawScale(const Drovik& plugin) const
{
  const IGraphics* g = OpenGraphics(plugin);
  return g ? double(g->GetDrawScale()) : double(plugin.mGUIScale);
}

int DrovikEditor::ParamUnderMouse(const Drovik& plugin) const
{
  const IGraphics* g = OpenGraphics(plugin);
  return g ? g->GetControlParamIdx(g->GetMouseOverIdx()) : -1;
}

std::string DrovikEditor::ChosenPresetPath(const Drovik& plugin) const
{
  const IGraphics* g = OpenGraphics(plugin);
  const auto* menu = g ? dynamic_cast<const IBPresetMenuVQ*>(g->GetControlByTag(kPresetMenuTag)) : nullptr;
  return menu ? menu->GetChosenPath() : "";
}

bool DrovikEditor::KnobShowsValue(const Drovik& plugin, int controlIdx) const
{
  const IGraphics* g = OpenGraphics(plugin);
  const auto* knob = g ? dynamic_cast<const IBKnobMultiControlVQ*>(g->GetControl(controlIdx)) : nullptr;
  return knob && knob->GetShowOnHover();
}
