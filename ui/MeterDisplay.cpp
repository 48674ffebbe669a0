#include "ui/MeterDisplay.h"

#include "graphics/context/IGraphics.h"
#include "graphics/bases/ITextControl.h"

using namespace plug::igraphics;

namespace {

void SetValue(IGraphics& g, int idx, double value)
{
  IControl* c = idx >= 0 ? g.GetControl(idx) : nullptr;
  if (!c || c->GetValue(0) == value) return;
  c->SetValue(value, 0);
  c->SetDirty(true, -1);
}

void SetText(IGraphics& g, int idx, const std::string& text)
{
  auto* c = dynamic_cast<ITextControl*>(idx >= 0 ? g.GetControl(idx) : nullptr);
  if (!c || text == c->GetStr()) return;
  c->SetStr(text.c_str());
  c->SetDirty(false, -1);
}

} // namespace

void UpdateMeterDisplay(IGraphics& g, const VuMeterCtrlIdx& left, const VuMeterCtrlIdx& right, int clipLed,
                        const MeterDisplayInput& in, const ShapeLinearCustom& scale)
{
  const VuMeterCtrlIdx* groups[2] = {&left, &right};
  if (in.bypassed)
  {
    for (const VuMeterCtrlIdx* m : groups)
    {
      SetValue(g, m->needle, 0);
      SetValue(g, m->needle1, 0);
      SetText(g, m->leftText, kMeterSilentText);
      SetText(g, m->rightText, kMeterSilentText);
      SetValue(g, m->lamp, 0);
      SetText(g, m->refText, kBypassedReferenceText);
    }
    return; // the clip LED keeps its state
  }
  const MeterReadout readouts[2] = {ReadMeter(in.left, in.reference, scale), ReadMeter(in.right, in.reference, scale)};
  for (int i = 0; i < 2; ++i)
  {
    const VuMeterCtrlIdx& m = *groups[i];
    SetValue(g, m.lamp, readouts[i].lamp);
    SetText(g, m.refText, FormatMeterReference(in.reference));
    SetValue(g, m.needle, readouts[i].needle);
    SetValue(g, m.needle1, readouts[i].needle1);
    SetText(g, m.leftText, readouts[i].envelopeText);
    SetText(g, m.rightText, readouts[i].maximumText);
  }
  SetValue(g, clipLed, ClipLedValue(in.gainReduction, in.gainReductionInverted));
}
