#include "ui/RadioButtons.h"

#include <algorithm>
#include <cmath>

#include "core/IParam.h"
#include "graphics/context/IGraphics.h"
#include "ui/DisplayControls.h"

using namespace plug::igraphics;

IBRadioButtonsControl::IBRadioButtonsControl(int paramIdx, std::vector<IRECT> buttons, std::vector<IBitmap> bitmaps,
                                             bool toggle, const IRECT& bounds)
  : IControl(bounds, paramIdx), mButtons(std::move(buttons)), mBitmaps(std::move(bitmaps)), mToggle(toggle)
{
  mBitmaps.resize(mButtons.size());
  SetDblClickAsClick(true);
}

void IBRadioButtonsControl::OnMouseDown(float x, float y, const IMouseMod&)
{
  const plug::IParam* param = GetParam();
  if (!param) return;
  for (int k = 0; k < NButtons(); ++k)
  {
    if (!mButtons[(size_t)k].Contains(x, y)) continue;
    double n = k;
    if (mToggle) n = (k + 1 == (int)param->Value()) ? 0 : k + 1;
    if (param->GetStepped() && param->GetStep() > 0) n = std::round(n / param->GetStep()) * param->GetStep();
    n = std::clamp(n, param->GetMin(), param->GetMax());
    SetValue(std::clamp(param->ToNormalized(n), 0.0, 1.0), 0);
    SetDirty(true, -1);
  }
}

int IBRadioButtonsControl::LitButton() const
{
  const plug::IParam* param = GetParam();
  if (!param) return -2;
  const int v = (int)param->Value();
  if (mToggle) return v == 0 ? -1 : (v >= 1 && v <= NButtons() ? v - 1 : -2);
  return v >= 0 && v < NButtons() ? v : -2;
}

void IBRadioButtonsControl::Draw(IGraphics& g)
{
  const int lit = LitButton();
  if (lit == -2) return;
  for (int k = 0; k < NButtons(); ++k)
    g.DrawBitmapFrame(mBitmaps[(size_t)k], mButtons[(size_t)k], k == lit ? 2 : 1, &GetBlend());
}

void IBRadioButtonsControl::OnRescale()
{
  for (auto& bitmap : mBitmaps) bitmap = RescaledBitmap(GetUI(), bitmap);
}
