#include "core/IEditorDelegate.h"

namespace plug {

IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
    mParams.Add(new IParam);
}

IEditorDelegate::~IEditorDelegate() { mParams.Clear(true); }

void* IEditorDelegate::OpenWindow(void* parent)
{
  OnUIOpen();
  return nullptr;
}

void IEditorDelegate::CloseWindow() { OnUIClose(); }

void IEditorDelegate::OnUIOpen()
{
  for (int i = 0; i < NParams(); ++i)
    SendParamValueToUI(i, GetParam(i)->GetNormalized(), true);
}

void IEditorDelegate::NotifyAllParams(EParamChangeSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnUIParamChange(i, source);
  }
}

void IEditorDelegate::OnStateRestored()
{
  for (int i = 0; i < NParams(); ++i)
    SendParamValueToUI(i, GetParam(i)->GetNormalized(), true);
}

void IEditorDelegate::SendParamValueFromUI(int idx, double normalized)
{
  if (IParam* p = GetParam(idx))
  {
    p->SetNormalized(normalized);
    OnUIParamChange(idx, kUI);
  }
}

} // namespace plug
