#include "ui/HiddenControls.h"

#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"

using namespace plug::igraphics;

IVClickControlHiddenVQ::IVClickControlHiddenVQ(const IRECT& bounds, int actionId)
  : IControl(bounds), mActionId(actionId)
{
}

void IVClickControlHiddenVQ::OnMouseDown(float, float, const IMouseMod&)
{
  if (mActionId >= 0 && GetDelegate()) GetDelegate()->OnParamChange(mActionId, plug::kUI, -1);
}

IVHiddenURLControl::IVHiddenURLControl(const IRECT& bounds, const char* address)
  : IControl(bounds), mAddress(address ? address : "")
{
}

void IVHiddenURLControl::OnMouseDown(float, float, const IMouseMod&)
{
  if (GetUI()) GetUI()->OpenURL(mAddress.Get());
}

IVParameterControlHiddenVQ::IVParameterControlHiddenVQ(int paramIdx) : IControl(IRECT(), paramIdx) {}
