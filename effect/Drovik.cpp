#include "effect/Drovik.h"

using plug::IPluginConfig;

IPluginConfig Drovik::MakeConfig()
{
  IPluginConfig c;
  c.nParams = kNumParams;
  c.nPresets = kNumPresets;
  c.channelIOStr = kChannelIO;
  c.pluginName = kPluginName;
  c.productName = kPluginName;
  c.makerName = kMakerName;
  c.vendorVersion = kVersion;
  c.uniqueID = plug::FourCC("VQ70");
  c.makerCode = plug::FourCC("VQXN");
  c.latency = 0;
  c.plugDoesMidiIn = false;
  c.plugDoesMidiOut = false;
  c.plugDoesPolyExpression = false;
  c.plugDoesChunks = true;
  c.plugType = plug::kPlugTypeEffect;
  c.plugHasUI = true;
  c.plugWidth = kEditorWidth;
  c.plugHeight = kEditorHeight;
  c.plugMinWidth = kEditorWidth / 2;
  c.plugMaxWidth = kEditorWidth * 2;
  c.plugMinHeight = kEditorHeight / 2;
  c.plugMaxHeight = kEditorHeight * 2;
  c.plugHostResize = false;
  c.bundleID = kBundleID;
  return c;
}

Drovik::Drovik(const plug::InstanceInfo& info) : plug::IPluginVST2(info, MakeConfig())
{
  mOwner = this;
  CreateDataFolders();
  mPresetStoreOn = true;
  mStateSubsetTable = IXMLParameters::kTable;
  mSubsetTable = IXMLParameters::kTable;
  mUseSubset = true;
  if (ReadIniInt(kSettingsSection, kSettingsHasUI, 1) == 0)
  {
    SetHasUI(false);
    SyncEditorFlag();
  }
  // Each saturator seeds its own fluctuation generator: nothing process-wide is drawn from on the audio thread.
  if (IsAcceptedHostRate(GetSampleRate())) mSampleRate = GetSampleRate();
  mBlockSize = GetBlockSize();
  mLatency = GetLatency();
  InitParams();
  PrepareDSP();
  ReserveLatency(mOversampler.MaxLatency());
  LoadDefaultPresetFile(VST2DataFolder().Get());
  mGUIScale = GetParam(kGUIScale)->Value();
  InitPlugControls();
}

Drovik::~Drovik()
{
  StopTimer(); // no tick may reach the parts being taken down
  CloseWindow(); // the editor's controls refer to this plug-in and its editor link
  mFactoryPresets.Clear(true);
}
