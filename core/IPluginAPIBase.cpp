#include "core/IPluginAPIBase.h"

#include <algorithm>
#include <cmath>

#include "core/HostId.h"

namespace plug {

IPluginAPIBase::IPluginAPIBase(const IPluginConfig& config, int apiId)
  : IPluginBase(config.nParams, config.nPresets)
{
  mUniqueID = config.uniqueID;
  mMakerCode = config.makerCode;
  mVersion = config.vendorVersion;
  mPluginName.Set(config.pluginName, kNameMax);
  mProductName.Set(config.productName, kNameMax);
  mMakerName.Set(config.makerName, kNameMax);
  mHasUI = config.plugHasUI;
  mHostResize = config.plugHostResize;
  mEditorWidth = config.plugWidth;
  mEditorHeight = config.plugHeight;
  SetSizeConstraints(config.plugMinWidth, config.plugMaxWidth, config.plugMinHeight, config.plugMaxHeight);
  mStateChunks = config.plugDoesChunks;
  mAPI = apiId;
  mBundleID.Set(config.bundleID);
}

IPluginAPIBase::~IPluginAPIBase()
{
  StopTimer();
}

void IPluginAPIBase::SetParameterValue(int idx, double normalized, bool notify)
{
  IParam* p = GetParam(idx);
  if (!p)
    return;
  p->Set(p->FromNormalized(normalized));
  InformHostOfParamChange(idx, normalized);
  if (notify)
    OnParamChange(idx, kUI, -1);
}

void IPluginAPIBase::SendParamValueFromUI(int idx, double normalized, bool notify)
{
  IParam* p = GetParam(idx);
  if (!p)
    return;
  SetParameterValue(idx, normalized, notify);
  p->Set(p->FromNormalized(normalized));
  OnUIParamChange(idx, kUI);
}

void IPluginAPIBase::InformHostOfAllParams()
{
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

bool IPluginAPIBase::EditorResizeFromUI(int width, int height, bool needsPlatformResize)
{
  return needsPlatformResize ? EditorResize(width, height) : true;
}

void IPluginAPIBase::IdentifyHost(const char* productText, int hostVersion)
{
  mHost = LookUpHost(productText);
  mHostVersion = hostVersion;
  HostSpecificInit();
  OnHostIdentified();
}

bool IPluginAPIBase::CompareState(const double* values, int startIdx) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const float stored = float(GetParam(i)->Value());
    const float given = float(values[startIdx + i]);
    if (!(std::fabs(stored - given) < 1e-5f))
      return false;
  }
  return true;
}

void IPluginAPIBase::TraceBuildInfo() const
{
  LibString info;
  GetBuildInfo(info);
}

} // namespace plug
