// The VST 2.x binding: owns the effect record handed to the host, answers the host's dispatcher requests,
// converts parameter values for the host's getter and setter, runs the audio callbacks, and talks back to the
// host through its callback (automation, edits, I/O changes, window size, time info, MIDI out).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "core/IPluginAPIBase.h"
#include "core/IPluginProcessor.h"
#include "core/IStateChunk.h"
#include "vst2/vst2.h"

namespace plug {

/// What the entry point hands to the plug-in's constructor.
struct InstanceInfo
{
  vst2::HostCallback mVSTHostCallback = nullptr;
};

/// Arguments of one dispatcher request.
struct VSTRequest
{
  int32_t mIndex;
  intptr_t mValue;
  void* mPtr;
  float mOpt;
};

class IPluginVST2 : public IPluginAPIBase, public IPluginProcessor
{
public:
  /// API id of VST 2.x.
  static constexpr int kAPIVST2 = 0;
  /// Sizes of the text buffers hosts hand to the dispatcher (terminator included).
  static constexpr int kProgramNameSize = 24;
  static constexpr int kEffectNameSize = 32;
  static constexpr int kVendorStringSize = 64;
  static constexpr int kParamTextSize = 64;
  static constexpr int kPinLabelSize = 64;
  static constexpr int kMidiKeyNameSize = 64;
  /// The framework chunk header: magic and version, each 32 bits in host byte order.
  static constexpr int32_t kChunkHeaderVersion = 0x00010000;
  static constexpr int kChunkHeaderSize = 8;
  static constexpr int kInitialBlockSize = 512;

  IPluginVST2(const InstanceInfo& info, const IPluginConfig& config);
  ~IPluginVST2() override;

  vst2::Effect& GetEffect() { return mAEffect; }
  /// Sets or clears the record's has-editor flag from the has-UI flag (which the product may clear while it is
  /// constructed). [main thread]
  void SyncEditorFlag();

  // Host notifications [main thread].
  void InformHostOfParamChange(int idx, double normalized) override;
  void BeginInformHostOfParamChange(int idx) override;
  void EndInformHostOfParamChange(int idx) override;
  void UpdateHostDisplay() override;
  bool EditorResize(int width, int height) override;
  void HostSpecificInit() override;
  void SetLatency(int samples) override;
  /// The effect record's latency field alone: hosts that read it see the latency at once; the host is told of
  /// the change (I/O changed) only by SetLatency. [any thread]
  void SetRecordLatency(int samples) { mAEffect.initialDelay = samples; }
  bool SendMidiMsg(const IMidiMsg& msg) override;
  bool SendSysEx(const ISysExMsg& msg) override;
  bool SendVSTEvent(vst2::Event& event);
  void UpdateEditRect();
  /// The configured editor size is in points: the first time a host is told a size (the rectangle or a resize)
  /// it becomes the size in the units of the host's window, which every later size is in.
  void SettleEditorSizeUnits();

  /// Fallback for vendor-specific requests the binding does not answer itself.
  virtual intptr_t VSTVendorSpecific(int idx, intptr_t value, void* ptr, float opt) { return 0; }
  /// Fallback for can-do texts the binding does not answer itself.
  virtual intptr_t VSTCanDo(const char* text) { return 0; }

  // The functions stored in the effect record. Nothing thrown leaves them.
  static intptr_t AEffectDispatch(vst2::Effect* effect, int32_t opcode, int32_t idx, intptr_t value, void* ptr,
                                  float opt);
  static float AEffectGetParameter(vst2::Effect* effect, int32_t idx);
  static void AEffectSetParameter(vst2::Effect* effect, int32_t idx, float normalized);
  static void AEffectProcessReplacing(vst2::Effect* effect, float** inputs, float** outputs, int32_t nFrames);
  static void AEffectProcessDoubleReplacing(vst2::Effect* effect, double** inputs, double** outputs,
                                            int32_t nFrames);
  static void AEffectProcessAccumulating(vst2::Effect* effect, float** inputs, float** outputs, int32_t nFrames);

  using Handler = intptr_t (IPluginVST2::*)(const VSTRequest&);

private:
  /// This instance's calls that do their preparation before they take the main-thread lock (opening a display may
  /// take a second or more), counted from before that preparation until they hold the lock. The instance is closed
  /// only once none is on its way: its effClose waits for them, or, when it is called holding the main-thread lock
  /// (which they wait for), leaves the closing to the last of them.
  class CallsOnTheirWay
  {
  public:
    void Enter(); // [any thread not holding the main-thread lock]
    /// Once the call holds the main-thread lock. True when the instance's close was left to this call: the caller
    /// closes the instance instead of answering.
    bool Leave();
    /// Waits until no call is on its way. [any thread not holding the main-thread lock]
    void AwaitNone();
    /// True when calls are on their way: the last of them closes the instance. [main thread lock held]
    bool LeaveCloseToThem();

  private:
    std::mutex mMutex;
    std::condition_variable mNoneLeft;
    int mCount = 0;
    bool mCloseLeft = false;
  };

  /// Closes the instance; the module's last lets go of what served the instances. [main thread lock held]
  void CloseInstance();
  /// A request whose preparation may wait long, then the request under the main-thread lock. [any thread not
  /// holding the main-thread lock]
  intptr_t DispatchAfterPreparation(int32_t opcode, const VSTRequest& r);
  intptr_t HostCallback(int32_t opcode, int32_t idx = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f);
  intptr_t Dispatch(int32_t opcode, const VSTRequest& r);
  template <class T>
  void PrepareProcessBuffers(T** inputs, T** outputs, int nFrames);
  template <class T>
  void Process(T** inputs, T** outputs, int nFrames, bool accumulate);
  /// The audio callbacks' common part: the effect record and frame count checked, nothing thrown let out.
  template <class T>
  static void ProcessFromHost(vst2::Effect* effect, T** inputs, T** outputs, int32_t nFrames, bool accumulate);
  void ReadTimeInfo();
  void SendEditorSysEx();

  // Dispatcher handlers, one per request.
  intptr_t Open(const VSTRequest&);
  intptr_t Close(const VSTRequest&);
  intptr_t SetProgram(const VSTRequest&);
  intptr_t GetProgram(const VSTRequest&);
  intptr_t SetProgramName(const VSTRequest&);
  intptr_t GetProgramName(const VSTRequest&);
  intptr_t GetParamLabel(const VSTRequest&);
  intptr_t GetParamDisplay(const VSTRequest&);
  intptr_t GetParamName(const VSTRequest&);
  intptr_t SetSampleRate(const VSTRequest&);
  intptr_t SetBlockSizeRequest(const VSTRequest&);
  intptr_t MainsChanged(const VSTRequest&);
  intptr_t EditGetRect(const VSTRequest&);
  intptr_t EditOpen(const VSTRequest&);
  intptr_t EditClose(const VSTRequest&);
  intptr_t Identify(const VSTRequest&);
  intptr_t GetChunk(const VSTRequest&);
  intptr_t SetChunk(const VSTRequest&);
  intptr_t ProcessEvents(const VSTRequest&);
  intptr_t CanBeAutomated(const VSTRequest&);
  intptr_t StringToParameter(const VSTRequest&);
  intptr_t GetProgramNameIndexed(const VSTRequest&);
  intptr_t GetInputProperties(const VSTRequest&);
  intptr_t GetOutputProperties(const VSTRequest&);
  intptr_t GetPinProperties(ERoute direction, const VSTRequest&);
  intptr_t GetPlugCategory(const VSTRequest&);
  intptr_t SetSpeakerArrangement(const VSTRequest&);
  intptr_t SetBypass(const VSTRequest&);
  intptr_t GetEffectName(const VSTRequest&);
  intptr_t GetVendorString(const VSTRequest&);
  intptr_t GetProductString(const VSTRequest&);
  intptr_t GetVendorVersion(const VSTRequest&);
  intptr_t VendorSpecific(const VSTRequest&);
  intptr_t CanDo(const VSTRequest&);
  intptr_t GetTailSize(const VSTRequest&);
  intptr_t GetParameterProperties(const VSTRequest&);
  intptr_t GetVstVersion(const VSTRequest&);
  intptr_t EditKeyDown(const VSTRequest&);
  intptr_t EditKeyUp(const VSTRequest&);
  intptr_t GetMidiKeyName(const VSTRequest&);
  intptr_t GetSpeakerArrangement(const VSTRequest&);

  friend struct VSTDispatchTable;

  IStateChunk mState;     // program chunk handed to the host
  IStateChunk mBankState; // bank chunk handed to the host
  uint8_t mHostExtensionFlags = 0;
  vst2::Effect mAEffect;
  vst2::Rect mEditRect;
  bool mEditorSizeSettled = false;
  vst2::SpeakerArrangement mInputSpeakerArrangement;
  vst2::SpeakerArrangement mOutputSpeakerArrangement;
  vst2::HostCallback mHostCallback;
  CallsOnTheirWay mCallsOnTheirWay;
  IMidiMsg mEditorMidi;   // scratch of the audio thread
  ISysExMsg mEditorSysEx; // scratch of the audio thread
};

/// Maps the host's virtual key (and the character for keys 0 and 57) to the framework's key code.
int VSTKeyCode(intptr_t vstKey, int character);

} // namespace plug
