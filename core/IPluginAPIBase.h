// The layer between the host-neutral plug-in base and a concrete host binding: identity and editor settings
// from the configuration, editor actions turned into parameter changes the host is told about, host
// identification, and the hooks only a binding can carry out (empty here).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "core/Queues.h"
#include "core/Timer.h"
#include <vector>

#include "core/IPluginBase.h"
#include "core/IPluginConfig.h"
#include "core/LibString.h"

namespace plug {

class IPluginAPIBase : public IPluginBase
{
public:
  /// Longest plug-in, product and maker name kept.
  static constexpr int kNameMax = 128;

  IPluginAPIBase(const IPluginConfig& config, int apiId);
  ~IPluginAPIBase() override;

  /// Sets parameter idx from a normalised value (constrained twice), tells the host, and with notify calls
  /// OnParamChange(idx, kUI). [main thread]
  void SetParameterValue(int idx, double normalized, bool notify);
  void SendParamValueFromUI(int idx, double normalized) override { SendParamValueFromUI(idx, normalized, true); }
  void SendParamValueFromUI(int idx, double normalized, bool notify);
  void BeginInformHostOfParamChangeFromUI(int idx) override { BeginInformHostOfParamChange(idx); }
  void EndInformHostOfParamChangeFromUI(int idx) override { EndInformHostOfParamChange(idx); }
  void InformHostOfAllParams() override;
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override { DeferMidiMsg(msg); }
  void SendSysExMsgFromUI(const ISysExMsg& msg) override { DeferSysExMsg(msg); }
  void SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* data) override
  {
    OnMessage(msgTag, ctrlTag, dataSize, data);
  }

  /// Identifies the host from its product text once; then HostSpecificInit and OnHostIdentified.
  void IdentifyHost(const char* productText, int hostVersion);

  bool HasUI() const { return mHasUI; }
  void SetHasUI(bool hasUI) { mHasUI = hasUI; }
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  const char* GetBundleID() const { return mBundleID.Get(); }

  // Hooks, in the order a binding overrides them.
  /// True when every stored value and values[startIdx + i] agree within 1e-5 as floats.
  virtual bool CompareState(const double* values, int startIdx) const;
  virtual void OnHostIdentified() {}
  /// With 0 < n < NParams appends 0 .. n-1 to list; returns the number of parameters otherwise.
  virtual int ListParamIndices(int n, std::vector<int>& list) const
  {
    if (n <= 0 || n >= NParams())
      return NParams();
    for (int i = 0; i < n; ++i)
      list.push_back(i);
    return n;
  }
  virtual bool GetMidiNoteText(int noteNumber, char* text) const
  {
    if (text)
      *text = 0;
    return false;
  }
  /// The graphics context while the editor is open and ready, else null.
  virtual igraphics::IGraphics* GetOpenGraphics() const { return IsEditorReady() ? GetUI() : nullptr; }
  /// Called by the framework timer every tick. [main thread]
  virtual void OnIdle() {}
  void TraceBuildInfo() const;
  /// Hands a host-set value on to the editor. [the host's parameter thread]
  virtual void SendParamValueFromHost(int idx, double value, bool normalized);
  virtual void HostSpecificInit() {}
  virtual bool EditorResize(int width, int height) { return false; }
  virtual void BeginInformHostOfParamChange(int idx) {}
  virtual void EndInformHostOfParamChange(int idx) {}
  virtual void InformHostOfParamChange(int idx, double normalized) {}

  // Framework timer and the queues between host threads and the editor.
  /// Parameter changes waiting for the editor: 513 slots, at most 512 waiting.
  static constexpr int kParamQueueSlots = 513;
  /// MIDI messages waiting, each way: at most 32.
  static constexpr int kMidiQueueSlots = 33;
  /// SysEx messages waiting, each way: at most 4.
  static constexpr int kSysExQueueSlots = 5;
  /// Interval of the framework timer.
  static constexpr uint32_t kTimerIntervalMs = 20;

  /// Starts the framework timer (replacing any earlier one). [main thread, end of construction]
  void CreateTimer();
  /// From now on the timer's ticks reach this instance. The entry point calls it, under the main-thread lock,
  /// once the instance is complete: a tick never meets a half-built object (nor, since the host closes the
  /// instance under the same lock, a half-destroyed one). [main thread]
  void StartTicks() { mTicking.store(true, std::memory_order_release); }
  /// Stops the framework timer for good; a derived class calls it first thing in its destructor, so no tick
  /// reaches a half-destroyed plug-in. [main thread]
  void StopTimer();
  /// One tick: hands what arrived from the host to the editor (when there is one), then OnIdle. [main thread]
  void OnTimer(Timer& timer);
  /// Queues a MIDI message that arrived from the host for the editor. [the thread of the host's event call]
  void PushMidiToEditor(const IMidiMsg& msg);
  /// Takes the oldest MIDI message the editor deferred to the audio thread; false when none. [audio thread]
  bool PopMidiFromEditor(IMidiMsg& msg);
  /// Takes the oldest SysEx message the editor deferred; its data stays valid until the next pop. [audio thread]
  bool PopSysExFromEditor(ISysExMsg& msg);
  /// Queues the editor's MIDI for the audio thread. [main thread]
  void DeferMidiMsg(const IMidiMsg& msg) override;
  /// Queues the editor's SysEx for the audio thread; a message of more than 512 bytes or a negative size is
  /// dropped. [main thread]
  void DeferSysExMsg(const ISysExMsg& msg) override;

protected:
  void SetEditorSize(int width, int height)
  {
    mEditorWidth = width;
    mEditorHeight = height;
  }
  /// The text a display request formats into.
  LibString mParamDisplayStr;

private:
  bool mHasUI = false;
  bool mHostResize = false;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  LibString mBundleID;

  struct ParamChange
  {
    int idx;
    double value;
  };
  /// A SysEx message carried by value.
  struct SysExEntry
  {
    static constexpr int kMaxBytes = 512;
    int32_t offset;
    int32_t size;
    uint8_t data[kMaxBytes];
  };

  std::unique_ptr<Timer> mTimer;
  std::atomic<bool> mTicking{false};
  // Several host threads may set parameters at once; each of the other queues has one thread on each side.
  MultiProducerQueue<ParamChange> mParamChangeToUIQueue{kParamQueueSlots};
  SingleProducerQueue<IMidiMsg> mMidiMsgsToUIQueue{kMidiQueueSlots};
  SingleProducerQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueSlots};
  SingleProducerQueue<SysExEntry> mSysExToUIQueue{kSysExQueueSlots};
  SingleProducerQueue<SysExEntry> mSysExDataFromEditor{kSysExQueueSlots};
  SysExEntry mSysExPopped{}; // the entry the last popped message points into [audio thread]
};

} // namespace plug
